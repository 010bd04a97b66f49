// The inotify instance and its two watches, driven directly.
#include "monitor/FileMonitor.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "support/SupportLib.h"

using testenv::LogEntries;
using testenv::TempDir;

using Lines = std::vector<std::string>;

TEST(AddFileWatch, MissingConfigurationStillWatchesDictionary) {
    TempDir dir;
    const std::string dic = dir.WriteFile("dic.txt", "secret\n");
    const std::string missing = dir.Path() + "/no-such.conf";
    testenv::ClearLog();

    EXPECT_EQ(AddFileWatch(missing.c_str(), dic.c_str()), 3003);
    EXPECT_GE(gMonitorFd, 0);
    EXPECT_EQ(gCfgFileWd, -1);
    EXPECT_GE(gDicFileWd, 0);
    EXPECT_EQ(LogEntries(), (Lines{
                                "INFO|AddFileWatch|call inotify_init1",
                                "INFO|AddFileWatch|inotify_add_watch " + missing,
                                "ERROR|AddFileWatch|inotify_add_watch " + missing + " failed,error=2",
                                "INFO|AddFileWatch|inotify_add_watch " + dic,
                            }));

    // A second call reuses the instance and only tries what is missing.
    const int32_t monitor = gMonitorFd;
    const int32_t dicWatch = gDicFileWd;
    const std::string cfg = dir.WriteFile("ppc.conf", "[BASIC]\n");
    testenv::ClearLog();
    EXPECT_EQ(AddFileWatch(cfg.c_str(), dic.c_str()), 0);
    EXPECT_EQ(gMonitorFd, monitor);
    EXPECT_EQ(gDicFileWd, dicWatch);
    EXPECT_GE(gCfgFileWd, 0);
    EXPECT_EQ(LogEntries(), (Lines{"INFO|AddFileWatch|call inotify_init1",
                                   "INFO|AddFileWatch|inotify_add_watch " + cfg}));

    // Complete: nothing but the first line.
    testenv::ClearLog();
    EXPECT_EQ(AddFileWatch(cfg.c_str(), dic.c_str()), 0);
    EXPECT_EQ(LogEntries(), Lines{"INFO|AddFileWatch|call inotify_init1"});
}

TEST(AddFileWatch, ReportsCloseAfterWriteButNotEachWrite) {
    TempDir dir;
    const std::string cfg = dir.WriteFile("ppc.conf", "[BASIC]\n");
    const std::string dic = dir.WriteFile("dic.txt", "secret\n");
    ASSERT_EQ(AddFileWatch(cfg.c_str(), dic.c_str()), 0);
    // Never blocks a tick; not close-on-exec.
    EXPECT_NE(fcntl(gMonitorFd, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_EQ(fcntl(gMonitorFd, F_GETFD) & FD_CLOEXEC, 0);

    alignas(inotify_event) char buffer[4096];
    const int fd = open(cfg.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "x", 1), 1);
    EXPECT_EQ(read(gMonitorFd, buffer, sizeof buffer), -1);  // a write alone: nothing
    EXPECT_EQ(errno, EAGAIN);
    close(fd);
    const ssize_t got = read(gMonitorFd, buffer, sizeof buffer);
    ASSERT_EQ(got, static_cast<ssize_t>(sizeof(inotify_event)));
    inotify_event event;
    memcpy(&event, buffer, sizeof event);
    EXPECT_EQ(event.wd, gCfgFileWd);
    EXPECT_EQ(event.mask, static_cast<uint32_t>(IN_CLOSE_WRITE));
}

TEST(RemoveFileWatch, KeepsInstanceAndClearsBothDescriptors) {
    EXPECT_EQ(RemoveFileWatch(), 0);  // no instance: nothing to do
    EXPECT_EQ(CloseFileMonitor(), 0);
    EXPECT_EQ(gMonitorFd, -1);

    TempDir dir;
    const std::string cfg = dir.WriteFile("ppc.conf", "[BASIC]\n");
    const std::string dic = dir.WriteFile("dic.txt", "secret\n");
    ASSERT_EQ(AddFileWatch(cfg.c_str(), dic.c_str()), 0);
    const int32_t monitor = gMonitorFd;
    // The kernel drops a watch itself when its file goes; removing it again
    // fails with EINVAL, which is only worth a DEBUG line.
    ASSERT_EQ(unlink(cfg.c_str()), 0);
    testenv::ClearLog();
    EXPECT_EQ(RemoveFileWatch(), 0);
    EXPECT_EQ(gMonitorFd, monitor);
    EXPECT_EQ(gCfgFileWd, -1);
    EXPECT_EQ(gDicFileWd, -1);
    // A DEBUG line: written only while CheckLogLevel(1) lets it through.
    EXPECT_EQ(LogEntries(), CheckLogLevel(1) >= 0
                                ? Lines{"DEBUG|RemoveFileWatch|inotify_rm_watch gCfgFileWd 22\n"}
                                : Lines{});

    EXPECT_EQ(CloseFileMonitor(), 0);
    EXPECT_EQ(gMonitorFd, -1);
    EXPECT_EQ(fcntl(monitor, F_GETFD), -1);  // really closed
    EXPECT_EQ(CloseFileMonitor(), 0);        // and harmless twice
}
