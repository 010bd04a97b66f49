// The reload path: ticks on real files and the kernel, the timer, unloading, reload recovery.
#include "lifecycle/Reloader.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "ReloadTestUtil.h"
#include "TestEnv.h"
#include "lifecycle/Globals.h"
#include "monitor/FileMonitor.h"

extern char** environ;

namespace {

using namespace reloadtest;

// Which of the words the dictionaries below may hold are weak, each after a blank.
std::string WeakWords() {
    std::string weak;
    for (const char* word : {"alpha123", "charlie789", "echo1111"}) {
        if (Weak(word) == 1) weak += std::string(" ") + word;
    }
    return weak;
}

// The data in force and the watches (numbered 1, 2, ... and not reused soon).
std::string State() {
    return "minlen " + std::to_string(MinLen()) + ", watches " + std::to_string(gCfgFileWd) + " " +
           std::to_string(gDicFileWd) + ", weak" + WeakWords();
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

// A change and a tick, then a second change and tick: the data in force and the watches after each. A
// renewal gives both watches new numbers; a failed add leaves -1. (One reload a tick: Recovery below.)
void ExpectTicks(const std::string& first, const std::function<void()>& change, const std::string& then) {
    HandlerTimeTask(SIGALRM);
    EXPECT_EQ(State(), first);
    change();
    HandlerTimeTask(SIGALRM);
    EXPECT_EQ(State(), then);
    EXPECT_EQ(timerLock, 0);
}

}  // namespace

// The renewed watch follows the new file, which the next change is seen in.
TEST_F(ReloadTick, ReplaceByRenameReloadsAndFollowsNewFile) {
    ReplaceByRename(PPC_CONFIG_PATH, Config(dic_, 12, 16));
    ExpectTicks("minlen 12, watches 3 4, weak alpha123", [&] { Write(13); }, "minlen 13, watches 3 4, weak alpha123");
}

// The failed load keeps the data; a file created before the next renewal goes unnoticed.
TEST_F(ReloadTick, DeletedConfigurationIsWatchedAgainOnlyAfterRenewal) {
    config_.Remove();
    ExpectTicks("minlen 8, watches -1 3, weak alpha123", [&] { Write(14); }, "minlen 8, watches -1 3, weak alpha123");
}

TEST_F(ReloadTick, DictionaryMovedAwayAndBack) {
    ASSERT_EQ(rename(dic_.c_str(), (dic_ + ".away").c_str()), 0);
    ExpectTicks("minlen 8, watches 3 -1, weak alpha123", [&] { ReplaceByRename(dic_, "charlie789\n"), Write(9); },
                "minlen 9, watches 3 -1, weak charlie789");
}

// What one tick's reload misses, by default and with [BASIC] reloadRecovery=1: the dictionary in force
// after each sequence of changes, each followed by a tick.
class Recovery : public ReloadTick, public ::testing::WithParamInterface<int> {
public:
    void WriteWith(const std::string& dic, int minlen) {
        config_.Write(Config(dic, minlen, 16) + "[BASIC]\nreloadRecovery=" + std::to_string(GetParam()) + "\n");
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
        EXPECT_EQ(WeakWords(), on ? " charlie789" : sequence.name[0] == 'i' ? " echo1111" : " alpha123");
        EXPECT_EQ(gDicFileWd >= 0, on || sequence.name[0] != 'd');  // the file created again is watched
        unlink(dic2.c_str());
    }
}

INSTANTIATE_TEST_SUITE_P(ReloadTick, Recovery, ::testing::Values(0, 1));

// A tick that finds the busy flag set leaves at once. The handler only marks the tick due for the next
// call; once the host runs ticks itself (PPC_RunDueTick), queries leave them to it.
TEST_F(ReloadTick, BusyFlagAndDeliveredSignalMarkingTheTickDue) {
    Write(9);
    timerLock = 1;
    HandlerTimeTask(SIGALRM);
    EXPECT_EQ(timerLock, 1);
    EXPECT_EQ(MinLen(), 8);  // nothing read, nothing loaded
    timerLock = 0;
    Write(10);
    ASSERT_EQ(kill(getpid(), SIGALRM), 0);  // a lone thread takes it before kill returns
    EXPECT_EQ(tickDue.load(), 1);
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
// initialisation, which closes the monitor again.
class InitTimerPeriod : public ::testing::TestWithParam<int> {};

TEST_P(InitTimerPeriod, ArmsTimerOrFailsAndClosesMonitor) {
    const int period = GetParam() * 60;
    const bool ok = period >= 0;
    testenv::ConfigFile config;
    testenv::TempDir dir;
    const sighandler_t earlier = [](int) {};
    signal(SIGALRM, earlier);
    config.Write(Config(dir.WriteFile("dic.txt", "alpha123\n"), 8, 16, GetParam()));
    EXPECT_EQ(PPC_Initialize(nullptr, 1, 1), ok ? PPC_OK : PPC_ERR_TIMER);
    itimerval timer{};
    ASSERT_EQ(getitimer(ITIMER_REAL, &timer), 0);
    EXPECT_EQ(timer.it_interval.tv_sec, ok ? period : 0);
    EXPECT_EQ(timer.it_value.tv_sec > period - 10 && timer.it_value.tv_sec <= period, ok);
    EXPECT_EQ(ppcInitFlag, ok);
    EXPECT_EQ(gMonitorFd >= 0 && gDicFileWd >= 0, ok);
    // Like signal() on Linux: stays installed, restarts calls, blocks SIGALRM meanwhile.
    struct sigaction current {};
    sigaction(SIGALRM, nullptr, &current);
    EXPECT_NE(current.sa_handler, SIG_DFL);
    EXPECT_EQ(current.sa_flags & (SA_RESTART | SA_RESETHAND | SA_NODEFER | SA_SIGINFO), SA_RESTART);
    if (!ok) return;
    ASSERT_EQ(PPC_Finalize(), PPC_OK);  // disarms the timer, gives SIGALRM back to the earlier handler
    ASSERT_EQ(getitimer(ITIMER_REAL, &timer) + sigaction(SIGALRM, nullptr, &current), 0);
    EXPECT_EQ(timer.it_value.tv_sec + timer.it_value.tv_usec, 0);
    EXPECT_EQ(current.sa_handler, earlier);
}

INSTANTIATE_TEST_SUITE_P(InitTimer, InitTimerPeriod, ::testing::Values(2, 0, -1));

// Unloading the library (by dlopen, so that dlclose really unmaps it) without PPC_Finalize.
TEST(ReloadTimerRelease, UnloadRestoresDispositionAndClosesMonitor) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    config.Write(Config(dir.WriteFile("dic.txt", "alpha123\n"), 8, 16));
    const char* argv[] = {PWDPOLICY_UNLOAD_HELPER, PWDPOLICY_LIBRARY, nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0) << "exit code * 256 + signal";
}
