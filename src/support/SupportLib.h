// Operations the component takes from the suite's two support libraries,
// libvc-common and libvc-tidesafe. They are resolved through the dynamic
// linker, so a host (or a deployment of the real libraries) can supply its
// own implementations.
#ifndef PWDPOLICY_SUPPORT_SUPPORTLIB_H
#define PWDPOLICY_SUPPORT_SUPPORTLIB_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// libvc-common.
// Appends one log line of `length` bytes; never fails in a way the caller sees.
int WriteLog(const char* line, int length);
// Negative when log level `level` (1 = DEBUG) is disabled.
int CheckLogLevel(int level);
// An integer naming the calling thread.
int GetThreadId(void);
// Sets up the default log destination.
int InitializeDefaultLog(void);
// Seeds the generator behind rand().
int InitRandom(void);
// A block of at least `size` bytes, or null. Released with free().
void* AllocMem(size_t size);

// libvc-tidesafe.
// Formats into at most destMax - 1 characters plus a NUL, cutting longer
// output; returns the number of characters placed, or -1 on bad arguments.
int snprintf_truncated_s(char* dest, size_t destMax, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

#ifdef __cplusplus
}
#endif

#endif  // PWDPOLICY_SUPPORT_SUPPORTLIB_H
