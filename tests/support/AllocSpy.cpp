#include "AllocSpy.h"

#include <cstdlib>

extern "C" void* AllocMem(size_t size) {
    ++allocSpy::calls;
    allocSpy::lastSize = size;
    return allocSpy::fail ? nullptr : malloc(size);
}
