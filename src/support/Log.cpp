#include "support/Log.h"

#include <ctime>

bool PpcLogEnabled(int level) { return level != PPC_LOG_DEBUG || CheckLogLevel(1) >= 0; }

PpcLogStamp PpcLogNow() {
    const time_t now = time(nullptr);
    struct tm local {};
    // The reentrant form: several threads and the reload handler log at once.
    localtime_r(&now, &local);
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
