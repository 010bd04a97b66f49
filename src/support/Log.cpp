#include "support/Log.h"

#include <pthread.h>

#include <ctime>

bool PpcLogEnabled(int level) { return level != PPC_LOG_DEBUG || CheckLogLevel(1) >= 0; }

namespace {
// Held around localtime_r, which takes the C library's time-zone lock: the
// fork handlers take it too, so that no thread of ours holds that lock when
// the process is copied and a child's first log line cannot hang on it.
pthread_mutex_t clockLock = PTHREAD_MUTEX_INITIALIZER;
}  // namespace

void PpcLogPrepareFork() { pthread_mutex_lock(&clockLock); }
void PpcLogParentAfterFork() { pthread_mutex_unlock(&clockLock); }
void PpcLogChildAfterFork() { pthread_mutex_init(&clockLock, nullptr); }

PpcLogStamp PpcLogNow() {
    const time_t now = time(nullptr);
    struct tm local {};
    // The reentrant form: several threads log at once.
    pthread_mutex_lock(&clockLock);
    localtime_r(&now, &local);
    pthread_mutex_unlock(&clockLock);
    return PpcLogStamp{local.tm_year - 100, local.tm_mon + 1, local.tm_mday,
                       local.tm_hour,       local.tm_min,     local.tm_sec};
}

const char* PpcLogLevelName(int level) {
    switch (level) {
        case PPC_LOG_DEBUG: return "DEBUG";
        case PPC_LOG_INFO: return "INFO";
        case PPC_LOG_WARN: return "WARN";
        default: return "ERROR";
    }
}
