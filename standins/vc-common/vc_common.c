// Stand-in for the suite's closed support library libvc-common: logging,
// thread ids, seeding of rand() and memory allocation.
//
// The log goes to VC_LOG_FILE, or to DEFAULT_LOG_PATH when that is unset; a
// "%p" in VC_LOG_FILE becomes the process id, so that test processes that
// run side by side each get a log of their own.
// VC_LOG_LEVEL (DEBUG, INFO, WARN or ERROR; default INFO) sets the lowest
// level kept. Both are read when the library is loaded and again by
// InitializeDefaultLog until a log has been opened; the component itself
// reads no environment. A set-user-ID program (passwd loading the PAM
// module) ignores both: its caller must not choose which file root appends to.
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "support/SupportLib.h"

#define DEFAULT_LOG_DIR "/usr/local/vesticor/log"
#define DEFAULT_LOG_PATH DEFAULT_LOG_DIR "/vc-common.log"

// Levels as the component numbers them: 1 DEBUG, 2 INFO, 3 WARN, 4 ERROR.
static int logFd = -1;         // written once, under the first successful open
static int minLevel = 2;

static int ParseLevel(const char* text) {
    if (text == NULL) return 2;
    if (strcasecmp(text, "DEBUG") == 0) return 1;
    if (strcasecmp(text, "INFO") == 0) return 2;
    if (strcasecmp(text, "WARN") == 0) return 3;
    if (strcasecmp(text, "ERROR") == 0) return 4;
    return 2;
}

// `pattern` with each "%p" replaced by the process id, into `path`.
static void ExpandPid(const char* pattern, char* path, size_t size) {
    size_t used = 0;
    for (const char* at = pattern; *at != '\0' && used + 1 < size; ++at) {
        if (at[0] == '%' && at[1] == 'p') {
            int written = snprintf(path + used, size - used, "%d", (int)getpid());
            if (written < 0 || (size_t)written >= size - used) break;
            used += (size_t)written;
            ++at;
        } else {
            path[used++] = *at;
        }
    }
    path[used] = '\0';
}

static void OpenLog(void) {
    if (__atomic_load_n(&logFd, __ATOMIC_ACQUIRE) >= 0) return;
    char expanded[4096];
    const char* path = secure_getenv("VC_LOG_FILE");
    if (path != NULL && path[0] != '\0') {
        ExpandPid(path, expanded, sizeof expanded);
        path = expanded;
    } else {
        path = DEFAULT_LOG_PATH;
        mkdir("/usr/local/vesticor", 0755);
        mkdir(DEFAULT_LOG_DIR, 0755);
    }
    __atomic_store_n(&minLevel, ParseLevel(secure_getenv("VC_LOG_LEVEL")), __ATOMIC_RELAXED);
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0640);
    if (fd < 0) return;  // logging is dropped silently, never fails a call
    int expected = -1;
    if (!__atomic_compare_exchange_n(&logFd, &expected, fd, 0, __ATOMIC_ACQ_REL,
                                     __ATOMIC_ACQUIRE)) {
        close(fd);  // another thread opened it first
    }
}

__attribute__((constructor)) static void OpenLogAtLoad(void) { OpenLog(); }

// A host that loads and unloads the component (dlopen/dlclose, or a PAM
// stack that loads its modules per password change) must not be left one
// descriptor richer each time: the library gives back what it opened.
__attribute__((destructor)) static void CloseLogAtUnload(void) {
    int fd = __atomic_exchange_n(&logFd, -1, __ATOMIC_ACQ_REL);
    if (fd >= 0) close(fd);
}

// One write(2) on an O_APPEND descriptor: whole lines stay whole across
// threads and processes, and the call is async-signal-safe.
int WriteLog(const char* line, int length) {
    int fd = __atomic_load_n(&logFd, __ATOMIC_ACQUIRE);
    if (fd < 0 || line == NULL || length <= 0) return 0;
    ssize_t written;
    do {
        written = write(fd, line, (size_t)length);
    } while (written < 0 && errno == EINTR);
    return 0;
}

int CheckLogLevel(int level) {
    return level >= __atomic_load_n(&minLevel, __ATOMIC_RELAXED) ? 0 : -1;
}

int GetThreadId(void) {
    static __thread int cached __attribute__((tls_model("initial-exec")));
    if (cached == 0) cached = (int)syscall(SYS_gettid);
    return cached;
}

int InitializeDefaultLog(void) {
    OpenLog();
    return __atomic_load_n(&logFd, __ATOMIC_ACQUIRE) >= 0 ? 0 : -1;
}

// Seeds rand() from the kernel's entropy pool rather than the clock, so two
// processes started in the same second do not share a sequence.
int InitRandom(void) {
    unsigned int seed = 0;
    ssize_t got;
    do {
        got = getrandom(&seed, sizeof seed, 0);
    } while (got < 0 && errno == EINTR);
    if (got != (ssize_t)sizeof seed) return -1;
    srand(seed);
    return 0;
}

void* AllocMem(size_t size) { return malloc(size); }
