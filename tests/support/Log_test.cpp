// The log line, byte for byte. This program supplies its own CheckLogLevel
// and time(): the library reaches both through the dynamic linker, so these
// definitions replace the support library's and the C library's.
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <ctime>
#include <string>

#include "TestEnv.h"
#include "support/Log.h"

namespace {

int checkLogLevelResult = 0;
int checkLogLevelCalls = 0;
int lastCheckedLevel = 0;
time_t fixedNow = 0;  // 0: the real clock

time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    struct tm when {};
    when.tm_year = year - 1900;
    when.tm_mon = month - 1;
    when.tm_mday = day;
    when.tm_hour = hour;
    when.tm_min = minute;
    when.tm_sec = second;
    when.tm_isdst = -1;
    return mktime(&when);
}

std::string ThreadField(const char* function, int line) {
    return "[" + std::to_string(syscall(SYS_gettid)) + " " + function + ":" + std::to_string(line) +
           "]";
}

}  // namespace

extern "C" int CheckLogLevel(int level) {
    ++checkLogLevelCalls;
    lastCheckedLevel = level;
    return checkLogLevelResult;
}

extern "C" time_t time(time_t* out) noexcept {
    time_t now = fixedNow;
    if (now == 0) {
        struct timespec real {};
        clock_gettime(CLOCK_REALTIME, &real);
        now = real.tv_sec;
    }
    if (out != nullptr) *out = now;
    return now;
}

TEST(LogLine, ExactBytesForEachLevelAndDate) {
    struct Case {
        time_t when;
        int level;
        const char* expectedStart;
    } cases[] = {
        {LocalTime(2026, 12, 3, 4, 5, 6), PPC_LOG_INFO, "26-12-3 04:05:06[INFO]"},
        {LocalTime(2009, 1, 9, 23, 59, 59), PPC_LOG_WARN, "9-1-9 23:59:59[WARN]"},
        {LocalTime(2000, 10, 31, 0, 0, 0), PPC_LOG_ERROR, "0-10-31 00:00:00[ERROR]"},
        {LocalTime(2031, 2, 28, 12, 30, 1), PPC_LOG_DEBUG, "31-2-28 12:30:01[DEBUG]"},
    };
    for (const Case& c : cases) {
        fixedNow = c.when;
        testenv::ClearLog();
        const int line = __LINE__ + 1;
        PPC_LOG(c.level, "LogTestFn", "value %i and %s\n", 42, "text");
        EXPECT_EQ(testenv::ReadFile(testenv::LogPath()),
                  std::string(c.expectedStart) + ThreadField("LogTestFn", line) + "value 42 and text\n");
    }
}

TEST(LogLine, LongLineIsCutTo1023CharactersAndStillWritten) {
    fixedNow = LocalTime(2026, 12, 3, 4, 5, 6);
    const int logLine = __LINE__ + 1;
    const auto emit = [](const std::string& message) { PPC_LOG_INFO("Long", "%s\n", message.c_str()); };
    const std::string prefix = "26-12-3 04:05:06[INFO]" + ThreadField("Long", logLine);
    const size_t room = 1023 - prefix.size();
    struct Case {
        size_t messageLength;  // bytes before the newline
        std::string expected;
    } cases[] = {
        {room - 1, prefix + std::string(room - 1, 'x') + "\n"},  // fits exactly
        {room, prefix + std::string(room, 'x')},                 // the newline is cut
        {5000, prefix + std::string(room, 'x')},
    };
    for (const Case& c : cases) {
        testenv::ClearLog();
        emit(std::string(c.messageLength, 'x'));
        EXPECT_EQ(testenv::ReadFile(testenv::LogPath()), c.expected) << c.messageLength;
    }
}

TEST(LogLine, OnlyDebugLinesAreGatedByCheckLogLevel) {
    struct Case {
        int checkResult;
        bool written;
    } cases[] = {{-1, false}, {-1000, false}, {0, true}, {3, true}};
    for (const Case& c : cases) {
        checkLogLevelResult = c.checkResult;
        checkLogLevelCalls = 0;
        lastCheckedLevel = 0;
        int evaluated = 0;
        testenv::ClearLog();
        PPC_LOG_DEBUG("Gate", "n=%i\n", ++evaluated);
        EXPECT_EQ(checkLogLevelCalls, 1);
        EXPECT_EQ(lastCheckedLevel, 1);
        // A disabled line is not even formatted.
        EXPECT_EQ(evaluated, c.written ? 1 : 0);
        // The other levels never ask.
        PPC_LOG_INFO("Gate", "i\n");
        PPC_LOG_WARN("Gate", "w\n");
        PPC_LOG_ERROR("Gate", "e\n\n");
        EXPECT_EQ(checkLogLevelCalls, 1);
        std::vector<std::string> expected{"INFO|Gate|i", "WARN|Gate|w", "ERROR|Gate|e\n"};
        if (c.written) expected.insert(expected.begin(), "DEBUG|Gate|n=1");
        EXPECT_EQ(testenv::LogEntries(), expected);
    }
}
