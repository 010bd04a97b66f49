// The log line, byte for byte. CheckLogLevel and time() below replace the support and C libraries'.
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <ctime>
#include <functional>
#include <string>

#include "TestEnv.h"
#include "lifecycle/Reloader.h"
#include "pwdpolicy.h"
#include "support/Log.h"

namespace {
using namespace std::string_literals;
int checkLogLevelResult = 0, checkLogLevelCalls = 0, lastCheckedLevel = 0;  // CheckLogLevel's answer and calls
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

// Date and level prefix, the cut at 1023 bytes (the newline goes first) and the DEBUG gate: only DEBUG
// asks CheckLogLevel(1), and a line it turns off is not even formatted.
TEST(LogLine, ExactBytesCutAndDebugGate) {
    const int line = __LINE__ + 2;
    const auto emit = [](int level, const std::string& text, int* evaluated) {
        PPC_LOG(level, "Fn", "%s\n", (++*evaluated, text.c_str()));
    };
    const std::string thread = ThreadField("Fn", line);
    const time_t now = LocalTime(2026, 12, 3, 4, 5, 6);
    const std::string info = "26-12-3 04:05:06[INFO]" + thread;
    const size_t room = 1023 - info.size();
    const struct {
        time_t when;
        int level;
        int check;  // CheckLogLevel's answer
        std::string text, expected;
    } cases[] = {
        {now, PPC_LOG_INFO, -1, "value 42", info + "value 42\n"},
        {LocalTime(2009, 1, 9, 23, 59, 59), PPC_LOG_WARN, -1, "w", "9-1-9 23:59:59[WARN]" + thread + "w\n"},
        {now, PPC_LOG_ERROR, -1, "e\n", "26-12-3 04:05:06[ERROR]" + thread + "e\n\n"},
        {LocalTime(2000, 2, 28, 0, 0, 1), PPC_LOG_DEBUG, 0, "d", "0-2-28 00:00:01[DEBUG]" + thread + "d\n"},
        {now, PPC_LOG_DEBUG, -1, "d", ""},
        {now, PPC_LOG_DEBUG, -1000, "d", ""},
        {now, PPC_LOG_INFO, -1, std::string(room - 1, 'x'), info + std::string(room - 1, 'x') + "\n"},  // fits
        {now, PPC_LOG_INFO, -1, std::string(room, 'x'), info + std::string(room, 'x')},
        {now, PPC_LOG_INFO, -1, std::string(5000, 'x'), info + std::string(room, 'x')},
    };
    for (const auto& c : cases) {
        fixedNow = c.when;
        checkLogLevelResult = c.check;
        checkLogLevelCalls = lastCheckedLevel = 0;
        int evaluated = 0;
        testenv::ClearLog();
        emit(c.level, c.text, &evaluated);
        EXPECT_EQ(testenv::ReadFile(testenv::LogPath()), c.expected) << c.text.size() << " " << c.check;
        EXPECT_EQ(evaluated, c.expected.empty() ? 0 : 1);
        EXPECT_EQ(checkLogLevelCalls, c.level == PPC_LOG_DEBUG ? 1 : 0);
        EXPECT_EQ(lastCheckedLevel, c.level == PPC_LOG_DEBUG ? 1 : 0);
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
    {"FinalizeBeforeInitialize", [](auto&, auto&) {
         PPC_Finalize();
         return "ERROR|PPC_Finalize|No initialize component";
     }},
    {"UnknownPolicy", [](auto& config, auto& dir) {
         config.Write(Config(dir.WriteFile("dic", "")));
         unsigned int verdict = 0;
         PPC_IsMatchPolicy("Abcdefg1!", 7, 1, &verdict);
         return "ERROR|PPC_IsMatchPolicy|policy == NULL,policyId= 7";
     }},
    {"KeyInTheWrongSection", [](auto& config, auto& dir) {
         config.Write(Config(dir.WriteFile("dic", ""), "minlen=9\n"));
         PPC_Initialize(nullptr, 0, 0);
         return "WARN|HandlerCfgVal|unknown section BASIC and name minlen";
     }},
    {"OverlongConfigLine", [](auto& config, auto& dir) {
         config.Write(Config(dir.WriteFile("dic", ""), "#" + std::string(300, 'x') + "\n"));
         PPC_Initialize(nullptr, 0, 0);
         return "ERROR|ConfigReader|line 3 of "s + testenv::ConfigFile::Path() +
                " is longer than 199 bytes and is ignored whole";
     }},
    {"UnwatchableDictionary", [](auto& config, auto& dir) {
         config.Write(Config(dir.Path() + "/absent"));
         PPC_Initialize(nullptr, 1, 0);
         return "ERROR|AddFileWatch|inotify_add_watch " + dir.Path() + "/absent failed,error=2";
     }},
    {"UnusableBreachTable", [](auto& config, auto& dir) {
         config.Write(Config(dir.WriteFile("dic", ""), "breachedPwdTable=" + dir.Path() + "/absent\n"));
         PPC_Initialize(nullptr, 0, 1);
         return "ERROR|InitData|breachedPwdTable " + dir.Path() +
                "/absent cannot be used: cannot open: No such file or directory";
     }},
    {"Reload", [](auto& config, auto& dir) {
         config.Write(Config(dir.WriteFile("dic", "")));
         PPC_Initialize(nullptr, 1, 1);
         config.Write(Config(dir.Path() + "/dic", "timerInterval=2\n"));
         HandlerTimeTask(SIGALRM);
         return "INFO|HandlerTimeTask|call InitData to refresh cache";
     }},
    {"DictionaryNeverLoaded", [](auto& config, auto& dir) {
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
