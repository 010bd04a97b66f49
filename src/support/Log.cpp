#include "support/Log.h"

#include <pthread.h>

#include <atomic>
#include <cstring>
#include <ctime>
#include <string>

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

namespace {

// The tap in force, or null. Read by every line a thread logs, also in the
// SIGALRM handler: one atomic load, no lock.
std::atomic<PpcLogTap*> activeTap{nullptr};

// "...[LEVEL][tid function:line]message": the function field and the
// message of a line formatted by PPC_LOG.
bool SplitLine(const char* line, int length, std::string* function, std::string* message) {
    const std::string text(line, length > 0 ? static_cast<size_t>(length) : strlen(line));
    const size_t open = text.find("][");
    if (open == std::string::npos) return false;
    const size_t blank = text.find(' ', open + 2);
    const size_t close = text.find(']', open + 2);
    if (blank == std::string::npos || close == std::string::npos || blank > close) return false;
    const size_t colon = text.rfind(':', close);
    if (colon == std::string::npos || colon < blank) return false;
    *function = text.substr(blank + 1, colon - blank - 1);
    *message = text.substr(close + 1);
    if (!message->empty() && message->back() == '\n') message->pop_back();
    return true;
}

}  // namespace

void PpcLogWrite(int level, const char* line, int length) {
    WriteLog(line, length);
    PpcLogTap* tap = activeTap.load(std::memory_order_acquire);
    if (tap == nullptr || !pthread_equal(tap->owner, pthread_self())) return;
    std::string function;
    std::string message;
    if (SplitLine(line, length, &function, &message)) {
        tap->sink(tap->context, level, function.c_str(), message.c_str());
    }
}

PpcLogTap::PpcLogTap(Sink sinkFn, void* contextPtr)
    : sink(sinkFn), context(contextPtr), owner(pthread_self()), installed_(false) {
    PpcLogTap* none = nullptr;
    installed_ = activeTap.compare_exchange_strong(none, this, std::memory_order_acq_rel);
}

PpcLogTap::~PpcLogTap() {
    if (installed_) activeTap.store(nullptr, std::memory_order_release);
}
