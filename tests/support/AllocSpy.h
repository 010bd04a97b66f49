// A test program linking AllocSpy.cpp replaces the support library's AllocMem (the library reaches
// it through the dynamic linker): it counts calls, remembers the last size and fails on request.
#ifndef PWDPOLICY_TESTS_SUPPORT_ALLOCSPY_H
#define PWDPOLICY_TESTS_SUPPORT_ALLOCSPY_H

#include <atomic>
#include <cstddef>

namespace allocSpy {
inline std::atomic<int> calls{0};
inline std::atomic<size_t> lastSize{0};
inline std::atomic<bool> fail{false};
}  // namespace allocSpy

#endif  // PWDPOLICY_TESTS_SUPPORT_ALLOCSPY_H
