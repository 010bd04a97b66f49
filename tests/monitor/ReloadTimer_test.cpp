// The file monitor and the reload timer's ticks, against real files and the kernel.
#include "lifecycle/Reloader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include "ReloadTestUtil.h"
#include "TestEnv.h"
#include "lifecycle/Globals.h"
#include "monitor/FileMonitor.h"

extern char** environ;

namespace {

using namespace reloadtest;
using Lines = std::vector<std::string>;

const std::string kConfigPath = PPC_CONFIG_PATH;

// One tick's own lines, the monitor's and errors; the paths written "$C" and "$D".
Lines Tick(const std::string& dic) {
    testenv::ClearLog();
    HandlerTimeTask(SIGALRM);
    Lines lines;
    for (std::string line : testenv::LogEntries()) {
        if (line.find("|HandlerTimeTask|") == std::string::npos &&
            line.find("|RemoveFileWatch|") == std::string::npos && line.rfind("ERROR|", 0) != 0) {
            continue;
        }
        for (const auto& [path, mark] : {std::pair{kConfigPath, "$C"}, std::pair{dic, "$D"}}) {
            if (const size_t at = line.find(path); at != std::string::npos) line.replace(at, path.size(), mark);
        }
        lines.push_back(line);
    }
    return lines;
}

// The data in force and the watches (numbered 1, 2, ... and not reused soon).
std::string State() {
    std::string weak;
    for (const char* word : {"alpha123", "charlie789", "echo1111"}) {
        if (Weak(word) == 1) weak += std::string(" ") + word;
    }
    return "minlen " + std::to_string(MinLen()) + ", watches " + std::to_string(gCfgFileWd) + " " +
           std::to_string(gDicFileWd) + ", weak" + weak;
}

class ReloadTick : public ::testing::Test {
public:
    void SetUp() override {
        dic_ = dir_.WriteFile("dic.txt", "alpha123\nbravo456\n");
        Write(8);
        ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
        ASSERT_EQ(State(), "minlen 8, watches 1 2, weak alpha123");
    }
    void Write(int minlen) { config_.Write(Config(dic_, minlen, 16)); }

    testenv::ConfigFile config_;
    testenv::TempDir dir_;
    std::string dic_;
};

const std::string kTick = "DEBUG|HandlerTimeTask|call HandlerTimeTask";
const std::string kBegin = "DEBUG|HandlerTimeTask|call read begin";
const std::string kEnd = "DEBUG|HandlerTimeTask|call read end";
const std::string kClosed = "INFO|HandlerTimeTask|File close for writing\n";
const std::string kDeleted = "INFO|HandlerTimeTask|File was deleted\n";
const std::string kIgnored = "INFO|HandlerTimeTask|Unrecognized event mask 32768\n";  // a watch removed
const std::string kReload = "INFO|HandlerTimeTask|call InitData to refresh cache";
const std::string kRemove = "INFO|HandlerTimeTask|call RemoveFileWatch";
const std::string kGone = "DEBUG|RemoveFileWatch|inotify_rm_watch gCfgFileWd 22\n";  // the kernel dropped it
const std::string kRenew = "INFO|HandlerTimeTask|call InitFileMonitor";

void Nothing(ReloadTick&) {}

// A change to the files and the tick after it, then a second change and tick.
const struct TickCase {
    const char* name;
    std::function<void(ReloadTick&)> change;
    Lines tick;
    std::string state;
    std::function<void(ReloadTick&)> later;
    Lines laterTick;
    std::string laterState;
} kTickCases[] = {
    // The renewed watch follows the new file; the old watch's removal comes next tick.
    {"ReplaceByRenameReloadsAndFollowsNewFile",
     [](ReloadTick& t) { ReplaceByRename(kConfigPath, Config(t.dic_, 12, 16)); },
     {kTick, kBegin, kEnd, kDeleted, kReload, kRemove, kGone, kRenew}, "minlen 12, watches 3 4, weak alpha123",
     [](ReloadTick& t) { t.Write(13); }, {kTick, kBegin, kEnd, kIgnored, kClosed, kReload},
     "minlen 13, watches 3 4, weak alpha123"},
    // The failed load keeps the data; a file created before the next renewal goes unnoticed.
    {"DeletedConfigurationIsWatchedAgainOnlyAfterRenewal", [](ReloadTick& t) { t.config_.Remove(); },
     {kTick, kBegin, kEnd, kDeleted, kReload, kRemove, kGone, kRenew,
      "ERROR|AddFileWatch|inotify_add_watch $C failed,error=2"},
     "minlen 8, watches -1 3, weak alpha123", [](ReloadTick& t) { t.Write(14); },
     {kTick, kBegin, kEnd, kIgnored}, "minlen 8, watches -1 3, weak alpha123"},
    // Back with other content: both removed watches come before the change.
    {"DictionaryMovedAwayAndBack",
     [](ReloadTick& t) { ASSERT_EQ(rename(t.dic_.c_str(), (t.dic_ + ".away").c_str()), 0); },
     {kTick, kBegin, kEnd, "INFO|HandlerTimeTask|File was removed\n", kReload, kRemove, kRenew,
      "ERROR|AddFileWatch|inotify_add_watch $D failed,error=2"},
     "minlen 8, watches 3 -1, weak alpha123",
     [](ReloadTick& t) {
         ReplaceByRename(t.dic_, "charlie789\n");
         t.Write(9);
     },
     {kTick, kBegin, kEnd, kIgnored, kIgnored, kClosed, kReload}, "minlen 9, watches 3 -1, weak charlie789"},
    // In place, then the dictionary renamed over: one reload reads both, no renewal.
    {"OneReloadPerTickWhateverTheRecords",
     [](ReloadTick& t) {
         t.Write(9);
         ReplaceByRename(t.dic_, "echo1111\n");
     },
     {kTick, kBegin, kEnd, kClosed, kReload}, "minlen 9, watches 1 2, weak echo1111", Nothing,
     {kTick, kBegin, kEnd}, "minlen 9, watches 1 2, weak echo1111"},
};

void PrintTo(const TickCase& c, std::ostream* out) { *out << c.name; }

class TickEvents : public ReloadTick, public ::testing::WithParamInterface<TickCase> {};

}  // namespace

TEST_P(TickEvents, LogAndLoadAsTheRecordsAsk) {
    const TickCase& c = GetParam();
    c.change(*this);
    EXPECT_EQ(Tick(dic_), c.tick);
    EXPECT_EQ(State(), c.state);
    c.later(*this);
    EXPECT_EQ(Tick(dic_), c.laterTick);
    EXPECT_EQ(State(), c.laterState);
    EXPECT_EQ(timerLock, 0);
}

INSTANTIATE_TEST_SUITE_P(ReloadTick, TickEvents, ::testing::ValuesIn(kTickCases),
                         [](const auto& info) { return std::string(info.param.name); });

// What one tick's reload misses, by default and with [BASIC] reloadRecovery=1: the dictionary in force
// after each sequence of changes, each followed by a tick.
class Recovery : public ReloadTick, public ::testing::WithParamInterface<int> {
public:
    void WriteWith(const std::string& dic, int minlen) {
        config_.Write(Config(dic, minlen, 16) + "[BASIC]\nreloadRecovery=" + std::to_string(GetParam()) + "\n");
    }
    std::string Words() {
        std::string weak;
        for (const char* word : {"alpha123", "charlie789", "echo1111"}) {
            if (Weak(word) == 1) weak += std::string(word) + " ";
        }
        return weak;
    }
};

TEST_P(Recovery, LastDictionaryInForceOnlyWithRecovery) {
    const bool on = GetParam() == 1;
    const std::string dic2 = dir_.Path() + "/dic2.txt";
    const struct {
        const char* name;
        std::function<void()> first, second;
    } sequences[] = {
        // One tick reads "rewritten in place" first: by default the dictionary's dropped watch is not renewed.
        {"in place, then the dictionary renamed over",
         [&] { WriteWith(dic_, 9), ReplaceByRename(dic_, "echo1111\n"); },
         [&] { ReplaceByRename(dic_, "charlie789\n"); }},
        // The failed reload keeps the old dictionary; the file created again is not watched by default.
        {"dictionary deleted, then created again", [&] { ASSERT_EQ(unlink(dic_.c_str()), 0); },
         [&] { dir_.WriteFile("dic.txt", "charlie789\n"); }},
        // The configuration names a dictionary not there yet: by default nothing retries the load.
        {"a failed load", [&] { WriteWith(dic2, 9); }, [&] { dir_.WriteFile("dic2.txt", "charlie789\n"); }},
    };
    for (const auto& sequence : sequences) {
        SCOPED_TRACE(sequence.name);
        ReplaceByRename(dic_, "alpha123\n");
        WriteWith(dic_, 8);
        ASSERT_EQ(PPC_Finalize(), PPC_OK);
        ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
        sequence.first();
        HandlerTimeTask(SIGALRM);
        sequence.second();
        HandlerTimeTask(SIGALRM);
        EXPECT_EQ(Words(), on ? "charlie789 " : sequence.name[0] == 'i' ? "echo1111 " : "alpha123 ");
        EXPECT_EQ(gDicFileWd >= 0, on || sequence.name[0] != 'd');  // the file created again is watched
        unlink(dic2.c_str());
    }
}

INSTANTIATE_TEST_SUITE_P(ReloadTick, Recovery, ::testing::Values(0, 1));

TEST_F(ReloadTick, BusyFlagMakesTickLeaveAtOnce) {
    Write(9);
    timerLock = 1;
    EXPECT_EQ(Tick(dic_), Lines{kTick});
    EXPECT_EQ(timerLock, 1);
    EXPECT_EQ(MinLen(), 8);  // nothing read, nothing loaded
    timerLock = 0;
    Tick(dic_);
    EXPECT_EQ(MinLen(), 9);
}

// Finalisation closes the monitor and disarms the timer; a tick run by hand finds no monitor.
TEST_F(ReloadTick, TicksAfterFinalizeFindNoMonitor) {
    ASSERT_EQ(PPC_Finalize(), PPC_OK);
    Write(10);
    EXPECT_EQ(Tick(dic_), (Lines{kTick, kBegin, kEnd}));
    EXPECT_EQ(MinLen(), 8);  // PPC_GetPolicy does not initialise on demand
    EXPECT_EQ(gMonitorFd, -1);
    itimerval timer{};
    ASSERT_EQ(getitimer(ITIMER_REAL, &timer), 0);
    EXPECT_EQ(timer.it_interval.tv_sec, 0);
}

// The handler only marks the tick due for the next call; once the host runs
// ticks itself (PPC_RunDueTick), queries leave them to it.
TEST_F(ReloadTick, DeliveredSignalMarksTickDueForNextCallOrHost) {
    Write(10);
    testenv::ClearLog();
    ASSERT_EQ(kill(getpid(), SIGALRM), 0);  // a lone thread takes it before kill returns
    EXPECT_EQ(tickDue.load(), 1);
    EXPECT_TRUE(testenv::LogEntries().empty());
    EXPECT_EQ(MinLen(), 10);
    Write(11);
    EXPECT_EQ(PPC_RunDueTick(), PPC_OK);  // nothing due: nothing runs
    EXPECT_EQ(MinLen(), 10);
    ASSERT_EQ(kill(getpid(), SIGALRM), 0);
    EXPECT_EQ(MinLen(), 10);
    EXPECT_EQ(PPC_RunDueTick(), PPC_OK);
    EXPECT_EQ(MinLen(), 11);
}

// timerInterval in minutes: 0 leaves the timer disarmed; a negative one fails the
// initialisation, which closes the monitor again and writes no banner.
class InitTimerPeriod : public ::testing::TestWithParam<int> {};

TEST_P(InitTimerPeriod, ArmsTimerOrFailsAndClosesMonitor) {
    const int period = GetParam() * 60;
    const bool ok = period >= 0;
    testenv::ConfigFile config;
    testenv::TempDir dir;
    config.Write(Config(dir.WriteFile("dic.txt", "alpha123\n"), 8, 16, GetParam()));
    testenv::ClearLog();
    EXPECT_EQ(PPC_Initialize(nullptr, 1, 1), ok ? PPC_OK : PPC_ERR_TIMER);
    itimerval timer{};
    ASSERT_EQ(getitimer(ITIMER_REAL, &timer), 0);
    EXPECT_EQ(timer.it_interval.tv_sec, ok ? period : 0);
    EXPECT_EQ(timer.it_interval.tv_usec, 0);
    EXPECT_GE(timer.it_value.tv_sec, ok ? period - 10 : 0);
    EXPECT_LE(timer.it_value.tv_sec, ok ? period : 0);
    const Lines lines = testenv::LogEntries();
    const Lines timerLines = {"INFO|PPC_Initialize|call InitTimer.Init", "INFO|InitTimer|call signal",
                              "INFO|InitTimer|call setitimer TIMER_INTERVAL_SECONDS=" + std::to_string(period)};
    const auto at = std::search(lines.begin(), lines.end(), timerLines.begin(), timerLines.end());
    EXPECT_EQ(lines.end() - at, ok ? 5 : 3);
    EXPECT_EQ(gMonitorFd >= 0 && gDicFileWd >= 0, ok);
    EXPECT_EQ(InitTimer(), ok ? 0 : 3002);
    // Like signal() on Linux: stays installed, restarts calls, blocks SIGALRM meanwhile.
    struct sigaction current {};
    sigaction(SIGALRM, nullptr, &current);
    EXPECT_NE(current.sa_handler, SIG_DFL);
    EXPECT_NE(current.sa_handler, SIG_IGN);
    EXPECT_EQ(current.sa_flags & (SA_RESTART | SA_RESETHAND | SA_NODEFER | SA_SIGINFO), SA_RESTART);
}

INSTANTIATE_TEST_SUITE_P(InitTimer, InitTimerPeriod, ::testing::Values(2, 0, -1));

// Unloading disarms the timer and gives SIGALRM back unless the host took it
// over; the helper uses dlopen, so that dlclose really unmaps the library.
class Unload : public ::testing::TestWithParam<const char*> {};

TEST_P(Unload, RestoresDispositionAndClosesMonitor) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    config.Write(Config(dir.WriteFile("dic.txt", "alpha123\n"), 8, 16));
    const char* argv[] = {PWDPOLICY_UNLOAD_HELPER, PWDPOLICY_LIBRARY, GetParam(), nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0) << "exit code * 256 + signal";
}

INSTANTIATE_TEST_SUITE_P(ReloadTimerRelease, Unload,
                         ::testing::Values("restore", "host-owned", "cycles"));

TEST(AddFileWatch, MissingConfigurationStillWatchesDictionary) {
    testenv::TempDir dir;
    const std::string dic = dir.WriteFile("dic.txt", "secret\n");
    const std::string missing = dir.Path() + "/no-such.conf";
    testenv::ClearLog();
    EXPECT_EQ(AddFileWatch(missing.c_str(), dic.c_str()), 3003);
    EXPECT_NE(fcntl(gMonitorFd, F_GETFL) & O_NONBLOCK, 0);  // never blocks a tick
    EXPECT_EQ(fcntl(gMonitorFd, F_GETFD) & FD_CLOEXEC, 0);
    EXPECT_EQ(gCfgFileWd, -1);
    EXPECT_GE(gDicFileWd, 0);
    EXPECT_EQ(testenv::LogEntries(),
              (Lines{"INFO|AddFileWatch|call inotify_init1", "INFO|AddFileWatch|inotify_add_watch " + missing,
                     "ERROR|AddFileWatch|inotify_add_watch " + missing + " failed,error=2",
                     "INFO|AddFileWatch|inotify_add_watch " + dic}));

    // Again: same instance, only what is missing is tried; once complete, one line.
    const int32_t monitor = gMonitorFd;
    const int32_t dicWatch = gDicFileWd;
    const std::string cfg = dir.WriteFile("ppc.conf", "[BASIC]\n");
    const std::string init = "INFO|AddFileWatch|call inotify_init1";
    for (const Lines& expected : {Lines{init, "INFO|AddFileWatch|inotify_add_watch " + cfg}, Lines{init}}) {
        testenv::ClearLog();
        EXPECT_EQ(AddFileWatch(cfg.c_str(), dic.c_str()), 0);
        EXPECT_EQ(testenv::LogEntries(), expected);
        EXPECT_EQ(gMonitorFd, monitor);
        EXPECT_EQ(gDicFileWd, dicWatch);
        EXPECT_GE(gCfgFileWd, 0);
    }
}

// Without an instance both do nothing; a watch the kernel dropped is removed quietly.
TEST(RemoveFileWatch, KeepsInstanceAndClearsBothDescriptors) {
    EXPECT_EQ(RemoveFileWatch(), 0);
    EXPECT_EQ(CloseFileMonitor(), 0);
    testenv::TempDir dir;
    const std::string cfg = dir.WriteFile("ppc.conf", "[BASIC]\n");
    ASSERT_EQ(AddFileWatch(cfg.c_str(), dir.WriteFile("dic.txt", "secret\n").c_str()), 0);
    const int32_t monitor = gMonitorFd;
    ASSERT_EQ(unlink(cfg.c_str()), 0);
    EXPECT_EQ(RemoveFileWatch(), 0);
    EXPECT_EQ(gMonitorFd, monitor);
    EXPECT_EQ(gCfgFileWd, -1);
    EXPECT_EQ(gDicFileWd, -1);
    EXPECT_EQ(CloseFileMonitor(), 0);
    EXPECT_EQ(gMonitorFd, -1);
    EXPECT_EQ(fcntl(monitor, F_GETFD), -1);  // really closed
}
