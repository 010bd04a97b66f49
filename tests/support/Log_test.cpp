// The log line, byte for byte. CheckLogLevel and time() below replace the support and C libraries'.
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <string>

#include "TestEnv.h"
#include "support/Log.h"

namespace {
int checkLogLevelResult = 0;
int checkLogLevelCalls = 0;
int lastCheckedLevel = 0;
time_t fixedNow = 2'000'000'000;  // what time() answers

time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    struct tm when {second, minute, hour, day, month - 1, year - 1900, 0, 0, -1, 0, nullptr};
    return mktime(&when);
}

std::string ThreadField(const char* function, int line) {
    return "[" + std::to_string(syscall(SYS_gettid)) + " " + function + ":" + std::to_string(line) + "]";
}
}  // namespace

extern "C" int CheckLogLevel(int level) {
    ++checkLogLevelCalls;
    lastCheckedLevel = level;
    return checkLogLevelResult;
}

extern "C" time_t time(time_t* out) noexcept {
    if (out != nullptr) *out = fixedNow;
    return fixedNow;
}

TEST(LogLine, ExactBytesForEachLevelAndDate) {
    const struct {
        time_t when;
        int level;
        const char* expectedStart;
    } cases[] = {
        {LocalTime(2026, 12, 3, 4, 5, 6), PPC_LOG_INFO, "26-12-3 04:05:06[INFO]"},
        {LocalTime(2009, 1, 9, 23, 59, 59), PPC_LOG_WARN, "9-1-9 23:59:59[WARN]"},
        {LocalTime(2000, 10, 31, 0, 0, 0), PPC_LOG_ERROR, "0-10-31 00:00:00[ERROR]"},
        {LocalTime(2031, 2, 28, 12, 30, 1), PPC_LOG_DEBUG, "31-2-28 12:30:01[DEBUG]"},
    };
    for (const auto& c : cases) {
        fixedNow = c.when;
        testenv::ClearLog();
        const int line = __LINE__ + 1;
        PPC_LOG(c.level, "LogTestFn", "value %i and %s\n", 42, "text");
        EXPECT_EQ(testenv::ReadFile(testenv::LogPath()),
                  c.expectedStart + ThreadField("LogTestFn", line) + "value 42 and text\n");
    }
}

TEST(LogLine, LongLineIsCutTo1023CharactersAndStillWritten) {
    fixedNow = LocalTime(2026, 12, 3, 4, 5, 6);
    const int line = __LINE__ + 1;
    const auto emit = [](const std::string& message) { PPC_LOG_INFO("Long", "%s\n", message.c_str()); };
    const std::string prefix = "26-12-3 04:05:06[INFO]" + ThreadField("Long", line);
    const size_t room = 1023 - prefix.size();
    const struct {
        size_t messageLength;  // bytes before the newline
        std::string expected;
    } cases[] = {
        {room - 1, prefix + std::string(room - 1, 'x') + "\n"},  // fits exactly
        {room, prefix + std::string(room, 'x')},                 // the newline is cut
        {5000, prefix + std::string(room, 'x')},
    };
    for (const auto& c : cases) {
        testenv::ClearLog();
        emit(std::string(c.messageLength, 'x'));
        EXPECT_EQ(testenv::ReadFile(testenv::LogPath()), c.expected) << c.messageLength;
    }
}

TEST(LogLine, OnlyDebugLinesAreGatedByCheckLogLevel) {
    for (const auto& [checkResult, written] : {std::pair{-1, false}, {-1000, false}, {0, true}, {3, true}}) {
        checkLogLevelResult = checkResult;
        checkLogLevelCalls = lastCheckedLevel = 0;
        int evaluated = 0;
        testenv::ClearLog();
        PPC_LOG_DEBUG("Gate", "n=%i\n", ++evaluated);
        EXPECT_EQ(checkLogLevelCalls, 1);
        EXPECT_EQ(lastCheckedLevel, 1);
        EXPECT_EQ(evaluated, written ? 1 : 0);  // a disabled line is not even formatted
        PPC_LOG_INFO("Gate", "i\n");
        PPC_LOG_WARN("Gate", "w\n");
        PPC_LOG_ERROR("Gate", "e\n\n");
        EXPECT_EQ(checkLogLevelCalls, 1);  // the other levels never ask
        std::vector<std::string> expected{"INFO|Gate|i", "WARN|Gate|w", "ERROR|Gate|e\n"};
        if (written) expected.insert(expected.begin(), "DEBUG|Gate|n=1");
        EXPECT_EQ(testenv::LogEntries(), expected) << checkResult;
    }
}

// The stand-in's bounded formatter, which every log line goes through.
TEST(SnprintfTruncated, ReturnsCharactersPlacedAndNeverWritesPastDestMax) {
    const struct {
        size_t destMax;
        const char* text;
        int placed;  // the first characters of text
    } cases[] = {
        {6, "abcde", 5},   // exactly fills
        {6, "abcdef", 5},  // one too many
        {1, "abc", 0},
        {2, "", 0},
    };
    for (const auto& c : cases) {
        char buffer[64];
        memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(snprintf_truncated_s(buffer, c.destMax, "%s", c.text), c.placed) << c.text;
        EXPECT_EQ(std::string(buffer), std::string(c.text, c.placed));
        EXPECT_EQ(std::string(buffer + c.destMax, 64 - c.destMax), std::string(64 - c.destMax, '#'));
    }
}

TEST(SnprintfTruncated, RejectsBadArgumentsWithoutWriting) {
    char untouched[8] = "#######";
    EXPECT_EQ(snprintf_truncated_s(nullptr, 8, "%s", "x"), -1);
    EXPECT_EQ(snprintf_truncated_s(untouched, 0, "%s", "x"), -1);
    EXPECT_STREQ(untouched, "#######");
}
