// The inotify instance and its two watches, driven directly.
#include "monitor/FileMonitor.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "TestEnv.h"

using testenv::LogEntries;
using Lines = std::vector<std::string>;

TEST(AddFileWatch, MissingConfigurationStillWatchesDictionary) {
    testenv::TempDir dir;
    const std::string dic = dir.WriteFile("dic.txt", "secret\n");
    const std::string missing = dir.Path() + "/no-such.conf";
    testenv::ClearLog();
    EXPECT_EQ(AddFileWatch(missing.c_str(), dic.c_str()), 3003);
    EXPECT_GE(gMonitorFd, 0);
    EXPECT_EQ(gCfgFileWd, -1);
    EXPECT_GE(gDicFileWd, 0);
    EXPECT_EQ(LogEntries(), (Lines{"INFO|AddFileWatch|call inotify_init1", "INFO|AddFileWatch|inotify_add_watch " + missing,
                                   "ERROR|AddFileWatch|inotify_add_watch " + missing + " failed,error=2",
                                   "INFO|AddFileWatch|inotify_add_watch " + dic}));

    // A second call reuses the instance and only tries what is missing;
    // once complete, it logs nothing but its first line.
    const int32_t monitor = gMonitorFd;
    const int32_t dicWatch = gDicFileWd;
    const std::string cfg = dir.WriteFile("ppc.conf", "[BASIC]\n");
    for (const Lines& expected : {Lines{"INFO|AddFileWatch|call inotify_init1", "INFO|AddFileWatch|inotify_add_watch " + cfg},
                                  Lines{"INFO|AddFileWatch|call inotify_init1"}}) {
        testenv::ClearLog();
        EXPECT_EQ(AddFileWatch(cfg.c_str(), dic.c_str()), 0);
        EXPECT_EQ(LogEntries(), expected);
        EXPECT_EQ(gMonitorFd, monitor);
        EXPECT_EQ(gDicFileWd, dicWatch);
        EXPECT_GE(gCfgFileWd, 0);
    }
}

TEST(AddFileWatch, ReportsCloseAfterWriteButNotEachWrite) {
    testenv::TempDir dir;
    const std::string cfg = dir.WriteFile("ppc.conf", "[BASIC]\n");
    ASSERT_EQ(AddFileWatch(cfg.c_str(), dir.WriteFile("dic.txt", "secret\n").c_str()), 0);
    // Never blocks a tick; not close-on-exec.
    EXPECT_NE(fcntl(gMonitorFd, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_EQ(fcntl(gMonitorFd, F_GETFD) & FD_CLOEXEC, 0);

    inotify_event events[4];
    const int fd = open(cfg.c_str(), O_WRONLY | O_APPEND);
    ASSERT_EQ(write(fd, "x", 1), 1);
    EXPECT_EQ(read(gMonitorFd, events, sizeof events), -1);  // a write alone: nothing
    EXPECT_EQ(errno, EAGAIN);
    close(fd);
    ASSERT_EQ(read(gMonitorFd, events, sizeof events), static_cast<ssize_t>(sizeof(inotify_event)));
    EXPECT_EQ(events[0].wd, gCfgFileWd);
    EXPECT_EQ(events[0].mask, static_cast<uint32_t>(IN_CLOSE_WRITE));
}

// Without an instance both do nothing. The kernel drops a watch itself when
// its file goes; removing it again fails, which is only worth a DEBUG line
// (pinned with the ticks that remove watches).
TEST(RemoveFileWatch, KeepsInstanceAndClearsBothDescriptors) {
    EXPECT_EQ(RemoveFileWatch(), 0);
    EXPECT_EQ(CloseFileMonitor(), 0);
    EXPECT_EQ(gMonitorFd, -1);
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
    EXPECT_EQ(CloseFileMonitor(), 0);        // and harmless twice
}
