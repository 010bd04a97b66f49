// The log line, byte for byte. CheckLogLevel and time() below replace the support and C libraries'.
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>

#include "TestEnv.h"
#include "lifecycle/Reloader.h"
#include "pwdpolicy.h"
#include "support/Log.h"

namespace {
using namespace std::string_literals;
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

// The lines operators alert on and hosts look for, each pinned here and nowhere
// else. Every case runs in its own process, so each starts uninitialised.
struct OperatorLine {
    const char* name;
    std::function<std::string(const testenv::ConfigFile&, const testenv::TempDir&)> provoke;  // -> the line
};

std::string Config(const std::string& dictionary, const std::string& extra = "") {
    return "[BASIC]\nweakPwdDic=" + dictionary + "\n" + extra + "[POLICY0]\nminlen=8\n";
}

const OperatorLine kOperatorLines[] = {
    {"FinalizeBeforeInitialize",
     [](auto&, auto&) {
         PPC_Finalize();
         return "ERROR|PPC_Finalize|No initialize component";
     }},
    {"Version",
     [](auto& config, auto& dir) {
         config.Write(Config(dir.WriteFile("dic", "")));
         PPC_Initialize(nullptr, 0, 0);
         return "INFO|PrintAllInfoToLog|PwdPolicyLib version 1.1.2";
     }},
    {"UnknownPolicy",
     [](auto& config, auto& dir) {
         config.Write(Config(dir.WriteFile("dic", "")));
         unsigned int verdict = 0;
         PPC_IsMatchPolicy("Abcdefg1!", 7, 1, &verdict);
         return "ERROR|PPC_IsMatchPolicy|policy == NULL,policyId= 7";
     }},
    {"KeyInTheWrongSection",
     [](auto& config, auto& dir) {
         config.Write(Config(dir.WriteFile("dic", ""), "minlen=9\n"));
         PPC_Initialize(nullptr, 0, 0);
         return "WARN|HandlerCfgVal|unknown section BASIC and name minlen";
     }},
    {"OverlongConfigLine",
     [](auto& config, auto& dir) {
         config.Write(Config(dir.WriteFile("dic", ""), "#" + std::string(300, 'x') + "\n"));
         PPC_Initialize(nullptr, 0, 0);
         return "ERROR|ConfigReader|line 3 of "s + testenv::ConfigFile::Path() +
                " is longer than 199 bytes and is ignored whole";
     }},
    {"UnwatchableDictionary",
     [](auto& config, auto& dir) {
         config.Write(Config(dir.Path() + "/absent"));
         PPC_Initialize(nullptr, 1, 0);
         return "ERROR|AddFileWatch|inotify_add_watch " + dir.Path() + "/absent failed,error=2";
     }},
    {"UnusableBreachTable",
     [](auto& config, auto& dir) {
         config.Write(Config(dir.WriteFile("dic", ""), "breachedPwdTable=" + dir.Path() + "/absent\n"));
         PPC_Initialize(nullptr, 0, 1);
         return "ERROR|InitData|breachedPwdTable " + dir.Path() +
                "/absent cannot be used: cannot open: No such file or directory";
     }},
    {"Reload",
     [](auto& config, auto& dir) {
         config.Write(Config(dir.WriteFile("dic", "")));
         PPC_Initialize(nullptr, 1, 1);
         config.Write(Config(dir.Path() + "/dic", "timerInterval=2\n"));
         HandlerTimeTask(SIGALRM);
         return "INFO|HandlerTimeTask|call InitData to refresh cache";
     }},
    {"DictionaryNeverLoaded",
     [](auto& config, auto& dir) {
         config.Write(Config(dir.WriteFile("dic", "")));
         PPC_Initialize(nullptr, 0, 0);
         unsigned int weak = 0;
         PPC_IsWeakPwd("password1", &weak);
         PPC_IsWeakPwd("password2", &weak);  // warned once a process
         return "WARN|PPC_IsWeakPwd|the weak-password dictionary is not loaded: the component was "
                "initialised with weakPwdUseInd 0 (as PPC_GenSecPwdByPolicy does on demand), so no "
                "password is found weak until PPC_Finalize and PPC_Initialize with weakPwdUseInd 1";
     }},
};

void PrintTo(const OperatorLine& line, std::ostream* out) { *out << line.name; }

class LinesOperatorsRelyOn : public testing::TestWithParam<OperatorLine> {};

TEST_P(LinesOperatorsRelyOn, WrittenOnceWordForWord) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    const std::string expected = GetParam().provoke(config, dir);
    const auto lines = testenv::LogEntries();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), expected), 1) << testenv::ReadFile(testenv::LogPath());
}

INSTANTIATE_TEST_SUITE_P(Log, LinesOperatorsRelyOn, testing::ValuesIn(kOperatorLines),
                         [](const auto& info) { return std::string(info.param.name); });
