// Hosts that fork after initialising. A child shares its parent's inotify
// instance: it must never read it or change the parent's watches, and it
// must never hang on a lock or a reader section that a thread of the parent
// held when the process was copied.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <string>
#include <thread>

#include "../monitor/ReloadTestUtil.h"
#include "TestEnv.h"
#include "Watchdog.h"
#include "lifecycle/Globals.h"
#include "monitor/FileMonitor.h"
#include "monitor/ReloadTimer.h"

namespace {

using namespace reloadtest;

// fork(); a child that hangs is ended by SIGALRM after 20 s.
pid_t ForkBounded() {
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGALRM, SIG_DFL);
        alarm(20);
    }
    return child;
}

int Status(pid_t child) {
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
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

// The child's tick reads nothing from the parent's instance and its
// PPC_Finalize leaves the parent's watches; initialised again, it has a
// monitor of its own. The child's write is then still in the parent's queue.
TEST_F(Fork, ChildNeitherReadsNorChangesParentWatches) {
    const int parentCfgWatch = gCfgFileWd;
    const pid_t child = ForkBounded();
    ASSERT_GE(child, 0);
    if (child == 0) {
        config_.Write(Config(dictionary_, 14));
        HandlerTimeTask(SIGALRM);
        if (MinLen() != 8) _exit(1);
        if (PPC_Finalize() != PPC_OK || gMonitorFd != -1) _exit(2);
        if (PPC_Initialize(nullptr, 1, 1) != PPC_OK || gMonitorFd < 0 || MinLen() != 14) _exit(3);
        _exit(PPC_Finalize() == PPC_OK ? 0 : 4);
    }
    ASSERT_EQ(Status(child), 0);
    EXPECT_EQ(gCfgFileWd, parentCfgWatch);
    HandlerTimeTask(SIGALRM);
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
        const pid_t child = ForkBounded();
        ASSERT_GE(child, 0);
        if (child == 0) {
            unsigned int strong = 9;
            const bool used = PPC_IsStrongPwd("Abcdefgh12!", &strong) == PPC_OK && strong == 1 &&
                              (MinLen() == 8 || MinLen() == 9);
            _exit(used && PPC_Finalize() == PPC_OK ? 0 : 1);
        }
        EXPECT_EQ(Status(child), 0) << "child " << i;
    }
    stop = true;
    reloader.join();
}
