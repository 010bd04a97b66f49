// Stand-in for the suite's bounds-checked string library.
#include <stdarg.h>
#include <stdio.h>

#include "support/SupportLib.h"

// Async-signal-safe in practice for the integer and string conversions the
// component uses: glibc's vsnprintf does not allocate for them.
int snprintf_truncated_s(char* dest, size_t destMax, const char* format, ...) {
    if (dest == NULL || destMax == 0 || format == NULL) {
        return -1;
    }
    va_list args;
    va_start(args, format);
    int wanted = vsnprintf(dest, destMax, format, args);
    va_end(args);
    if (wanted < 0) {
        dest[0] = '\0';
        return -1;
    }
    // On truncation vsnprintf reports what it wanted to write; callers need
    // what was placed.
    if ((size_t)wanted >= destMax) {
        return (int)(destMax - 1);
    }
    return wanted;
}
