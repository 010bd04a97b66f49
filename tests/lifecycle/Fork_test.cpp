// Hosts that fork after initialising. A child shares its parent's inotify
// instance: it must never change the parent's watches, and it must never
// hang on a lock or a reader section that a thread of the parent held when
// the process was copied.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include "TestEnv.h"
#include "Watchdog.h"
#include "lifecycle/Globals.h"
#include "monitor/FileMonitor.h"
#include "monitor/ReloadTimer.h"
#include "pwdpolicy.h"

namespace {

std::string Config(const std::string& dictionary, int minlen) {
    return "[BASIC]\nweakPwdDic=" + dictionary + "\n[POLICY0]\nminlen=" + std::to_string(minlen) +
           "\nmaxlen=40\nminclass=2\nspecialchar=!@\n";
}

int MinLen() {
    int limits[5] = {};
    const char* special = nullptr;
    PPC_GetPolicy(0, limits, 5, &special);
    return limits[0];
}

// Exit status of `child`, or -1 when it has not ended within 20 s (it is
// then killed): a hung child fails the test instead of hanging it.
int WaitBounded(pid_t child) {
    for (int waited = 0; waited < 2000; ++waited) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return -1;
}

class Fork : public ::testing::Test {
protected:
    void SetUp() override {
        dictionary_ = dir_.WriteFile("dic.txt", "alpha123\n");
        config_.Write(Config(dictionary_, 8));
        ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
    }

    testenv::ConfigFile config_;
    testenv::TempDir dir_;
    std::string dictionary_;
};

}  // namespace

TEST_F(Fork, ChildThatFinalizesLeavesParentReloading) {
    const int parentCfgWatch = gCfgFileWd;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(PPC_Finalize() == PPC_OK && gMonitorFd == -1 ? 0 : 1);
    ASSERT_EQ(WaitBounded(child), 0);

    EXPECT_EQ(gCfgFileWd, parentCfgWatch);
    config_.Write(Config(dictionary_, 12));
    HandlerTimeTask(SIGALRM);
    EXPECT_EQ(MinLen(), 12);
}

TEST_F(Fork, ChildNeitherReadsNorRenewsParentWatches) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        config_.Write(Config(dictionary_, 14));
        HandlerTimeTask(SIGALRM);  // reads nothing from the parent's instance
        const bool noReload = MinLen() == 8;
        // A monitor of its own, then gone with it.
        const bool ownMonitor = PPC_Finalize() == PPC_OK && PPC_Initialize(nullptr, 1, 1) == PPC_OK &&
                                gMonitorFd >= 0 && MinLen() == 14;
        _exit(noReload && ownMonitor && PPC_Finalize() == PPC_OK ? 0 : 1);
    }
    ASSERT_EQ(WaitBounded(child), 0);
    HandlerTimeTask(SIGALRM);  // the child's write is still in the parent's queue
    EXPECT_EQ(MinLen(), 14);
}

TEST_F(Fork, ForkDuringReloadsGivesUsableChildren) {
    testenv::Watchdog watchdog(std::chrono::seconds(90));
    std::atomic<bool> stop{false};
    std::thread reloader([&] {
        for (int minlen = 8; !stop.load(); minlen = minlen == 8 ? 9 : 8) {
            config_.Write(Config(dictionary_, minlen));
            HandlerTimeTask(SIGALRM);
        }
    });
    for (int i = 0; i < 40; ++i) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            unsigned int strong = 9;
            const bool used = PPC_IsStrongPwd("Abcdefgh12!", &strong) == PPC_OK && strong == 1 &&
                              (MinLen() == 8 || MinLen() == 9);
            _exit(used && PPC_Finalize() == PPC_OK ? 0 : 1);
        }
        EXPECT_EQ(WaitBounded(child), 0) << "child " << i;
    }
    stop = true;
    reloader.join();
}
