// A test program linking AllocSpy.cpp replaces the support library's AllocMem
// (the library reaches it through the dynamic linker): it counts calls,
// remembers the last size and fails on request.
#ifndef PWDPOLICY_TESTS_SUPPORT_ALLOCSPY_H
#define PWDPOLICY_TESTS_SUPPORT_ALLOCSPY_H

#include <atomic>
#include <cstddef>

namespace allocSpy {
extern std::atomic<int> calls;
extern std::atomic<size_t> lastSize;
extern std::atomic<bool> fail;
}  // namespace allocSpy

#endif  // PWDPOLICY_TESTS_SUPPORT_ALLOCSPY_H
