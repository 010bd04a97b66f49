#include "AllocSpy.h"

#include <cstdlib>

namespace allocSpy {
std::atomic<int> calls{0};
std::atomic<size_t> lastSize{0};
std::atomic<bool> fail{false};
}  // namespace allocSpy

extern "C" void* AllocMem(size_t size) {
    ++allocSpy::calls;
    allocSpy::lastSize = size;
    return allocSpy::fail ? nullptr : malloc(size);
}
