/* Preloaded into the Python suites (PPC_TEST_LD_PRELOAD): records whether the
 * calling thread held the GIL when the library asked the kernel for random
 * bytes, so that test_module.py can see the module let go of it around its
 * calls. Armed through ctypes; otherwise a plain pass-through (the
 * interpreter draws random bytes itself while it starts). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stddef.h>
#include <sys/types.h>

int PyGILState_Check(void); /* from the interpreter the probe is loaded into */

int ppc_gil_probe_armed = 0;
int ppc_gil_probe_held = -1;

ssize_t getrandom(void* buffer, size_t length, unsigned int flags) {
    static ssize_t (*next)(void*, size_t, unsigned int);
    if (next == NULL) next = (ssize_t (*)(void*, size_t, unsigned int))dlsym(RTLD_NEXT, "getrandom");
    if (ppc_gil_probe_armed) ppc_gil_probe_held = PyGILState_Check();
    return next(buffer, length, flags);
}
