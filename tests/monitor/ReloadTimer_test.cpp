// Ticks of the reload timer against real files and the real kernel. Each
// tick is driven by calling HandlerTimeTask directly, except where a test
// says it delivers a real SIGALRM.
#include "monitor/ReloadTimer.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "lifecycle/Globals.h"
#include "monitor/FileMonitor.h"
#include "pwdpolicy.h"
#include "support/SupportLib.h"

extern char** environ;

namespace {

using testenv::ConfigFile;
using testenv::LogEntries;
using testenv::TempDir;
using Lines = std::vector<std::string>;

const std::string kConfigPath = PPC_CONFIG_PATH;

std::string Config(const std::string& dic, int minlen, int maxlen, int interval = 60) {
    return "[BASIC]\nweakPwdDic=" + dic + "\ntimerInterval=" + std::to_string(interval) +
           "\n[POLICY0]\nminlen=" + std::to_string(minlen) + "\nmaxlen=" + std::to_string(maxlen) +
           "\nminclass=2\nspecialchar=!@\n";
}

int32_t MinLen() {
    int limits[5] = {};
    const char* special = nullptr;
    PPC_GetPolicy(0, limits, 5, &special);
    return limits[0];
}

// PPC_IsWeakPwd's answer, or 2 when the call failed.
unsigned int Weak(const char* pwd) {
    unsigned int weak = 2;
    return PPC_IsWeakPwd(pwd, &weak) == PPC_OK ? weak : 2;
}

// Runs one tick and returns what it logged.
Lines Tick() {
    testenv::ClearLog();
    HandlerTimeTask(SIGALRM);
    return LogEntries();
}

bool Has(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The lines of `lines` written by `function`, in order.
Lines From(const Lines& lines, const std::string& function) {
    Lines kept;
    for (const std::string& line : lines) {
        if (line.find("|" + function + "|") != std::string::npos) kept.push_back(line);
    }
    return kept;
}

// `lines` as the log holds them: DEBUG lines only while CheckLogLevel(1)
// lets them through.
Lines Expect(Lines lines) {
    if (CheckLogLevel(1) < 0) {
        lines.erase(std::remove_if(lines.begin(), lines.end(),
                                   [](const std::string& line) { return line.rfind("DEBUG|", 0) == 0; }),
                    lines.end());
    }
    return lines;
}

const std::string kTickLine = "DEBUG|HandlerTimeTask|call HandlerTimeTask";
const std::string kReadBegin = "DEBUG|HandlerTimeTask|call read begin";
const std::string kReadEnd = "DEBUG|HandlerTimeTask|call read end";
const Lines kIdleTick = {kTickLine, kReadBegin, kReadEnd};

// Writes `text` to `path` through a sibling file renamed over it, as
// editors and sed -i do.
void ReplaceByRename(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".new";
    FILE* file = fopen(temporary.c_str(), "w");
    ASSERT_NE(file, nullptr);
    fputs(text.c_str(), file);
    fclose(file);
    ASSERT_EQ(rename(temporary.c_str(), path.c_str()), 0);
}

// The fixture's files: the configuration at its fixed path, naming a
// dictionary in a scratch directory.
class ReloadTick : public ::testing::Test {
protected:
    void SetUp() override {
        dic_ = dir_.WriteFile("dic.txt", "alpha123\nbravo456\n");
        config_.Write(Config(dic_, 8, 16));
        ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
        ASSERT_GE(gCfgFileWd, 0);
        ASSERT_GE(gDicFileWd, 0);
    }

    ConfigFile config_;
    TempDir dir_;
    std::string dic_;
};

}  // namespace

TEST_F(ReloadTick, NothingPendingWritesOnlyDebugLines) {
    EXPECT_EQ(Tick(), Expect(kIdleTick));
    EXPECT_EQ(timerLock, 0);
}

TEST_F(ReloadTick, BusyFlagMakesTickLeaveAtOnce) {
    config_.Write(Config(dic_, 9, 16));
    timerLock = 1;
    EXPECT_EQ(Tick(), Expect({kTickLine}));
    EXPECT_EQ(timerLock, 1);
    EXPECT_EQ(MinLen(), 8);  // nothing read, nothing loaded
    timerLock = 0;
    EXPECT_TRUE(Has(Tick(), "INFO|HandlerTimeTask|File close for writing\n"));
    EXPECT_EQ(MinLen(), 9);
}

TEST_F(ReloadTick, RewriteInPlaceReloadsAndKeepsWatches) {
    const int32_t cfgWatch = gCfgFileWd;
    const int32_t dicWatch = gDicFileWd;
    config_.Write(Config(dic_, 11, 16));
    const Lines lines = Tick();
    EXPECT_EQ(From(lines, "HandlerTimeTask"),
              Expect({kTickLine, kReadBegin, kReadEnd,
                     "INFO|HandlerTimeTask|File close for writing\n",
                     "INFO|HandlerTimeTask|call InitData to refresh cache"}));
    EXPECT_EQ(From(lines, "InitData"),
              (Lines{"INFO|InitData|InitData call policyCfgObj.Init " + kConfigPath,
                     "INFO|InitData|call weakpwdDic.Init  gWeakPwdUseInd=1",
                     "INFO|InitData|InitData call weakpwdDic.Init " + dic_}));
    EXPECT_EQ(MinLen(), 11);
    EXPECT_EQ(gCfgFileWd, cfgWatch);
    EXPECT_EQ(gDicFileWd, dicWatch);
    EXPECT_EQ(Tick(), Expect(kIdleTick));
}

TEST_F(ReloadTick, ReplaceByRenameReloadsAndFollowsNewFile) {
    ReplaceByRename(kConfigPath, Config(dic_, 12, 16));
    const Lines lines = Tick();
    EXPECT_EQ(From(lines, "HandlerTimeTask"),
              Expect({kTickLine, kReadBegin, kReadEnd,
                     "INFO|HandlerTimeTask|File was deleted\n",
                     "INFO|HandlerTimeTask|call InitData to refresh cache",
                     "INFO|HandlerTimeTask|call RemoveFileWatch",
                     "INFO|HandlerTimeTask|call InitFileMonitor"}));
    // The kernel dropped the replaced file's watch itself.
    EXPECT_EQ(From(lines, "RemoveFileWatch"),
              Expect({"DEBUG|RemoveFileWatch|inotify_rm_watch gCfgFileWd 22\n"}));
    EXPECT_EQ(From(lines, "AddFileWatch"),
              (Lines{"INFO|AddFileWatch|call inotify_init1",
                     "INFO|AddFileWatch|inotify_add_watch " + kConfigPath,
                     "INFO|AddFileWatch|inotify_add_watch " + dic_}));
    EXPECT_EQ(MinLen(), 12);
    // The removal of the dictionary watch is reported on the next tick.
    EXPECT_EQ(From(Tick(), "HandlerTimeTask").back(),
              "INFO|HandlerTimeTask|Unrecognized event mask 32768\n");
    // The renewed watch is on the new file.
    config_.Write(Config(dic_, 13, 16));
    EXPECT_TRUE(Has(Tick(), "INFO|HandlerTimeTask|File close for writing\n"));
    EXPECT_EQ(MinLen(), 13);
}

TEST_F(ReloadTick, DeletedConfigurationIsWatchedAgainOnlyAfterRenewal) {
    config_.Remove();
    const Lines lines = Tick();
    EXPECT_TRUE(Has(lines, "INFO|HandlerTimeTask|File was deleted\n"));
    // The load fails quietly: its first line and nothing of the dictionary.
    EXPECT_EQ(From(lines, "InitData"),
              Lines{"INFO|InitData|InitData call policyCfgObj.Init " + kConfigPath});
    EXPECT_TRUE(Has(lines, "ERROR|AddFileWatch|inotify_add_watch " + kConfigPath + " failed,error=2"));
    EXPECT_EQ(gCfgFileWd, -1);
    EXPECT_GE(gDicFileWd, 0);
    EXPECT_EQ(MinLen(), 8);  // the store keeps what it had

    // Created again: nobody watches the path, so only the removed
    // dictionary watch's record comes.
    config_.Write(Config(dic_, 14, 16));
    EXPECT_EQ(Tick(), Expect({kTickLine, kReadBegin, kReadEnd,
                              "INFO|HandlerTimeTask|Unrecognized event mask 32768\n"}));
    EXPECT_EQ(MinLen(), 8);

    // A renewal (here: a new initialisation) watches it again.
    ASSERT_EQ(PPC_Finalize(), PPC_OK);
    ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
    EXPECT_EQ(MinLen(), 14);
    EXPECT_GE(gCfgFileWd, 0);
}

TEST_F(ReloadTick, DictionaryMovedAwayAndBack) {
    EXPECT_EQ(Weak("alpha123"), 1u);
    const std::string away = dir_.Path() + "/dic.away";
    ASSERT_EQ(rename(dic_.c_str(), away.c_str()), 0);
    Lines lines = Tick();
    EXPECT_TRUE(Has(lines, "INFO|HandlerTimeTask|File was removed\n"));
    EXPECT_TRUE(Has(lines, "ERROR|AddFileWatch|inotify_add_watch " + dic_ + " failed,error=2"));
    EXPECT_GE(gCfgFileWd, 0);
    EXPECT_EQ(gDicFileWd, -1);
    EXPECT_EQ(Weak("alpha123"), 1u);  // the failed load keeps the old content

    // Back, with other content; a change of the configuration reloads both.
    {
        FILE* file = fopen(away.c_str(), "w");
        fputs("charlie789\n", file);
        fclose(file);
    }
    ASSERT_EQ(rename(away.c_str(), dic_.c_str()), 0);
    config_.Write(Config(dic_, 8, 16));
    lines = Tick();
    // Both removed watches are reported before the change; one reload.
    EXPECT_EQ(From(lines, "HandlerTimeTask"),
              Expect({kTickLine, kReadBegin, kReadEnd,
                     "INFO|HandlerTimeTask|Unrecognized event mask 32768\n",
                     "INFO|HandlerTimeTask|Unrecognized event mask 32768\n",
                     "INFO|HandlerTimeTask|File close for writing\n",
                     "INFO|HandlerTimeTask|call InitData to refresh cache"}));
    EXPECT_EQ(Weak("alpha123"), 0u);
    EXPECT_EQ(Weak("charlie789"), 1u);
}

TEST_F(ReloadTick, OneReloadPerTickWhateverTheRecords) {
    config_.Write(Config(dic_, 9, 16));
    ReplaceByRename(dic_, "echo1111\n");  // a deletion record after the close
    const Lines lines = Tick();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "INFO|HandlerTimeTask|call InitData to refresh cache"),
              1);
    EXPECT_FALSE(Has(lines, "INFO|HandlerTimeTask|call RemoveFileWatch"));  // dropped unread
    EXPECT_EQ(Weak("echo1111"), 1u);  // the one reload read both files
}

TEST_F(ReloadTick, TicksAfterFinalizeFindNoMonitor) {
    ASSERT_EQ(PPC_Finalize(), PPC_OK);
    EXPECT_EQ(gMonitorFd, -1);
    config_.Write(Config(dic_, 10, 16));
    EXPECT_EQ(Tick(), Expect(kIdleTick));
    EXPECT_EQ(Tick(), Expect(kIdleTick));
    EXPECT_EQ(MinLen(), 8);
    // Finalisation leaves the timer armed.
    itimerval timer{};
    ASSERT_EQ(getitimer(ITIMER_REAL, &timer), 0);
    EXPECT_EQ(timer.it_interval.tv_sec, 3600);
}

TEST_F(ReloadTick, DeliveredSignalOnlyMarksTickDueForTheNextCall) {
    config_.Write(Config(dic_, 10, 16));
    struct sigaction before {};
    sigaction(SIGALRM, nullptr, &before);
    testenv::ClearLog();
    ASSERT_EQ(kill(getpid(), SIGALRM), 0);  // a lone thread takes it before kill returns
    EXPECT_EQ(tickDue.load(), 1);
    EXPECT_TRUE(LogEntries().empty());  // nothing logged or loaded in the handler
    EXPECT_EQ(MinLen(), 10);            // the next call ran the tick first
    EXPECT_EQ(tickDue.load(), 0);
    EXPECT_TRUE(Has(LogEntries(), "INFO|HandlerTimeTask|File close for writing\n"));
    // The handler stays installed after a delivery.
    struct sigaction after {};
    sigaction(SIGALRM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

TEST_F(ReloadTick, HostThatRunsTicksKeepsThemOffOtherCalls) {
    config_.Write(Config(dic_, 10, 16));
    EXPECT_EQ(PPC_RunDueTick(), PPC_OK);  // nothing due: nothing runs
    EXPECT_EQ(MinLen(), 8);
    ASSERT_EQ(kill(getpid(), SIGALRM), 0);
    EXPECT_EQ(MinLen(), 8);  // the host runs ticks now: a query does not
    EXPECT_EQ(PPC_RunDueTick(), PPC_OK);
    EXPECT_EQ(MinLen(), 10);
}

TEST(InitTimer, ArmsTimerWithConfiguredPeriod) {
    ConfigFile config;
    TempDir dir;
    const std::string dic = dir.WriteFile("dic.txt", "alpha123\n");
    config.Write(Config(dic, 8, 16, 2));
    testenv::ClearLog();
    ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
    itimerval timer{};
    ASSERT_EQ(getitimer(ITIMER_REAL, &timer), 0);
    EXPECT_EQ(timer.it_interval.tv_sec, 120);
    EXPECT_EQ(timer.it_interval.tv_usec, 0);
    EXPECT_GT(timer.it_value.tv_sec, 110);
    EXPECT_EQ(From(LogEntries(), "InitTimer"),
              (Lines{"INFO|InitTimer|call signal",
                     "INFO|InitTimer|call setitimer TIMER_INTERVAL_SECONDS=120"}));
    // Like signal() on Linux: stays installed, restarts system calls, blocks
    // SIGALRM while it runs.
    struct sigaction current {};
    sigaction(SIGALRM, nullptr, &current);
    EXPECT_NE(current.sa_handler, SIG_DFL);
    EXPECT_NE(current.sa_handler, SIG_IGN);
    EXPECT_EQ(current.sa_flags & (SA_RESTART | SA_RESETHAND | SA_NODEFER | SA_SIGINFO), SA_RESTART);
}

TEST(InitTimer, ZeroPeriodLeavesTimerDisarmed) {
    ConfigFile config;
    TempDir dir;
    const std::string dic = dir.WriteFile("dic.txt", "alpha123\n");
    config.Write(Config(dic, 8, 16, 0));
    ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
    itimerval timer{};
    ASSERT_EQ(getitimer(ITIMER_REAL, &timer), 0);
    EXPECT_EQ(timer.it_value.tv_sec, 0);
    EXPECT_EQ(timer.it_interval.tv_sec, 0);
    EXPECT_EQ(InitTimer(), 0);
}

TEST(InitTimer, NegativePeriodFailsAndClosesMonitor) {
    ConfigFile config;
    TempDir dir;
    const std::string dic = dir.WriteFile("dic.txt", "alpha123\n");
    config.Write(Config(dic, 8, 16, -1));
    testenv::ClearLog();
    EXPECT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_ERR_TIMER);
    EXPECT_EQ(gMonitorFd, -1);
    EXPECT_EQ(gCfgFileWd, -1);
    EXPECT_EQ(gDicFileWd, -1);
    const Lines lines = LogEntries();
    EXPECT_TRUE(Has(lines, "INFO|InitTimer|call setitimer TIMER_INTERVAL_SECONDS=-60"));
    EXPECT_FALSE(Has(lines, "INFO|PrintAllInfoToLog|PwdPolicyLib version 1.1.2"));
    EXPECT_EQ(InitTimer(), 3002);
}

// Unloading the library disarms the timer and gives SIGALRM back, unless
// the host took SIGALRM over itself. Runs a program that loads the library
// with dlopen, so that dlclose really unmaps it.
class Unload : public ::testing::TestWithParam<const char*> {};

TEST_P(Unload, RestoresDispositionAndClosesMonitor) {
    ConfigFile config;
    TempDir dir;
    const std::string dic = dir.WriteFile("dic.txt", "alpha123\n");
    config.Write(Config(dic, 8, 16));
    const char* argv[] = {PWDPOLICY_UNLOAD_HELPER, PWDPOLICY_LIBRARY, GetParam(), nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

INSTANTIATE_TEST_SUITE_P(ReloadTimerRelease, Unload,
                         ::testing::Values("restore", "host-owned", "finalized", "cycles"));
