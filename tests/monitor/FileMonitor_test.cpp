// The inotify instance and its watches, on their own.
#include "monitor/FileMonitor.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "TestEnv.h"
#include "Watchdog.h"

// A watch that cannot be added is -1 and the other is still tried; a second call adds only what is
// missing, on the same instance, which never blocks a tick and is inherited like any descriptor.
TEST(AddFileWatch, FillsInWhatIsMissingOnOneInstance) {
    testenv::TempDir dir;
    const std::string dic = dir.WriteFile("dic.txt", "secret\n");
    const std::string cfg = dir.Path() + "/ppc.conf";
    EXPECT_EQ(AddFileWatch(cfg.c_str(), dic.c_str()), 3003);
    EXPECT_NE(fcntl(gMonitorFd, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_EQ(fcntl(gMonitorFd, F_GETFD) & FD_CLOEXEC, 0);
    EXPECT_EQ(gCfgFileWd, -1);
    EXPECT_GE(gDicFileWd, 0);
    const int32_t monitor = gMonitorFd;
    dir.WriteFile("ppc.conf", "[BASIC]\n");
    EXPECT_EQ(AddFileWatch(cfg.c_str(), dic.c_str()), 0);  // which watches it adds: the Recovery cases
    EXPECT_EQ(gMonitorFd, monitor);
    for (int i = 0; i < kMaxTableWatches; ++i) {  // every table slot starts empty, so each table is watched
        EXPECT_TRUE(AddTableWatch(i, dic.c_str()));
        EXPECT_GT(gBreachTableWd[i], 0) << i;
    }
    for (int i = 0; i < 2; ++i) EXPECT_EQ(CloseFileMonitor(), 0);  // closed, then nothing to close
    EXPECT_EQ(fcntl(monitor, F_GETFD), -1);
}

// A forked child leaves its parent's instance alone and makes its own, also on descriptor 0 (stdin closed).
TEST(AddFileWatch, ChildMakesAnInstanceOfItsOwn) {
    testenv::TempDir dir;
    const std::string cfg = dir.WriteFile("ppc.conf", "[BASIC]\n");
    const std::string dic = dir.WriteFile("dic.txt", "secret\n");
    close(0);
    ASSERT_EQ(AddFileWatch(cfg.c_str(), dic.c_str()), 0);
    ASSERT_EQ(gMonitorFd, 0);
    EXPECT_EQ(testenv::InChild([&] {
                  const bool inherited = !MonitorIsOwn() && gMonitorFd == 0;
                  return inherited && AddFileWatch(cfg.c_str(), dic.c_str()) == 0 && MonitorIsOwn() && gCfgFileWd >= 0
                             ? 0 : 1;
              }),
              0);
    EXPECT_TRUE(MonitorIsOwn());
}
