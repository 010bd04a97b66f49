// The component's one log line:
//   "%d-%d-%d %02d:%02d:%02d[%s][%d %s:%d]" followed by the message,
// that is year since 2000, month, day, time, level, thread id, function
// name and source line. Every line of the component goes through PPC_LOG.
//
// Safe to use from any thread: the buffer is local and nothing is
// allocated. Not from a signal handler (the local time takes the C
// library's time-zone lock), which is why the component's SIGALRM handler
// logs nothing and a tick's lines are written in normal context.
#ifndef PWDPOLICY_SUPPORT_LOG_H
#define PWDPOLICY_SUPPORT_LOG_H

#include "support/SupportLib.h"

enum PpcLogLevel { PPC_LOG_DEBUG = 1, PPC_LOG_INFO = 2, PPC_LOG_WARN = 3, PPC_LOG_ERROR = 4 };

// Local time of a log line, split into the fields the line prints.
struct PpcLogStamp {
    int year;  // years since 2000
    int month;
    int day;
    int hour;
    int minute;
    int second;
};

// False only for a DEBUG line while CheckLogLevel(1) reports DEBUG off; the
// other levels are always written and the support library decides.
bool PpcLogEnabled(int level);
PpcLogStamp PpcLogNow();
// fork() support: no thread of ours is inside localtime_r while the process
// is copied (lifecycle/ForkSafety.cpp calls these).
void PpcLogPrepareFork();
void PpcLogParentAfterFork();
void PpcLogChildAfterFork();
const char* PpcLogLevelName(int level);

// Size of the zeroed line buffer, and how much of it the formatter may use:
// a longer line is cut to its first 1023 characters.
constexpr int kLogBufferSize = 1025;
constexpr int kLogFormatLimit = 1024;

// The message format must be a string literal: it is joined to the line's
// prefix so that the whole line is formatted by one call.
#define PPC_LOG(level, function, format, ...)                                              \
    do {                                                                                   \
        if (PpcLogEnabled(level)) {                                                        \
            char ppcLogLine_[kLogBufferSize] = {0};                                        \
            const PpcLogStamp ppcStamp_ = PpcLogNow();                                     \
            int ppcLogLength_ = snprintf_truncated_s(                                      \
                ppcLogLine_, kLogFormatLimit, "%d-%d-%d %02d:%02d:%02d[%s][%d %s:%d]" format, \
                ppcStamp_.year, ppcStamp_.month, ppcStamp_.day, ppcStamp_.hour,            \
                ppcStamp_.minute, ppcStamp_.second, PpcLogLevelName(level), GetThreadId(), \
                function, __LINE__, ##__VA_ARGS__);                                        \
            (void)WriteLog(ppcLogLine_, ppcLogLength_);                                    \
        }                                                                                  \
    } while (0)

#define PPC_LOG_DEBUG(function, format, ...) PPC_LOG(PPC_LOG_DEBUG, function, format, ##__VA_ARGS__)
#define PPC_LOG_INFO(function, format, ...) PPC_LOG(PPC_LOG_INFO, function, format, ##__VA_ARGS__)
#define PPC_LOG_WARN(function, format, ...) PPC_LOG(PPC_LOG_WARN, function, format, ##__VA_ARGS__)
#define PPC_LOG_ERROR(function, format, ...) PPC_LOG(PPC_LOG_ERROR, function, format, ##__VA_ARGS__)

#endif  // PWDPOLICY_SUPPORT_LOG_H
