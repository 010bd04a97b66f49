#include "monitor/FileMonitor.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include "support/Log.h"
#include "support/ReloadLock.h"

int32_t gMonitorFd = -1;
int32_t gCfgFileWd = -1;
int32_t gDicFileWd = -1;
int32_t gBreachTableWd[kMaxTableWatches] = {-1, -1, -1, -1, -1, -1, -1, -1,
                                             -1, -1, -1, -1, -1, -1, -1, -1};

namespace {

// The process that created the instance in gMonitorFd (0: none created
// here). A child of fork() inherits the descriptor, but the instance and its
// watches stay shared with the parent: the child must neither remove them
// nor read events.
pid_t monitorOwner = 0;

bool MonitorIsOurs() { return gMonitorFd >= 0 && (monitorOwner == 0 || monitorOwner == getpid()); }

// Drops this process's copy of an inherited instance, leaving the parent's
// watches alone. REQUIRES: the reload lock.
void ForgetInheritedMonitor() {
    close(gMonitorFd);
    gMonitorFd = -1;
    gCfgFileWd = -1;
    gDicFileWd = -1;
    std::fill(std::begin(gBreachTableWd), std::end(gBreachTableWd), -1);
    monitorOwner = 0;
}

constexpr int32_t kMonitorNotCreated = 1;
constexpr int32_t kWatchFailed = 3003;

// Adds one watch unless `descriptor` already holds one.
bool AddOneWatch(const char* path, int32_t& descriptor, uint32_t mask = kWatchMask) {
    if (descriptor >= 0) return true;
    PPC_LOG_INFO("AddFileWatch", "inotify_add_watch %s\n", path);
    descriptor = inotify_add_watch(gMonitorFd, path, mask);
    if (descriptor >= 0) return true;
    const int error = errno;
    PPC_LOG_ERROR("AddFileWatch", "inotify_add_watch %s failed,error=%d\n", path, error);
    return false;
}

}  // namespace

int32_t AddFileWatch(const char* cfgFile, const char* dicFile) {
    ReloadLock lock;
    PPC_LOG_INFO("AddFileWatch", "call inotify_init1\n");
    if (gMonitorFd >= 0 && !MonitorIsOurs()) ForgetInheritedMonitor();
    if (gMonitorFd < 0) {
        // Not close-on-exec: the instance is inherited like any descriptor
        // the host opens without asking otherwise.
        gMonitorFd = inotify_init1(IN_NONBLOCK);
        if (gMonitorFd < 0) {
            const int error = errno;
            PPC_LOG_ERROR("AddFileWatch", "inotify_init1 failed,error=%d\n", error);
            return kMonitorNotCreated;
        }
        monitorOwner = getpid();
    }
    int32_t result = 0;
    if (!AddOneWatch(cfgFile, gCfgFileWd)) result = kWatchFailed;
    if (!AddOneWatch(dicFile, gDicFileWd)) result = kWatchFailed;
    return result;
}

bool AddTableWatch(int index, const char* tableFile) {
    ReloadLock lock;
    return AddOneWatch(tableFile, gBreachTableWd[index], kTableWatchMask);
}

int32_t RemoveFileWatch() {
    ReloadLock lock;
    if (gMonitorFd < 0) return 0;
    if (!MonitorIsOurs()) {
        gCfgFileWd = -1;  // the parent's watches, not ours to remove
        gDicFileWd = -1;
        std::fill(std::begin(gBreachTableWd), std::end(gBreachTableWd), -1);
        return 0;
    }
    if (gCfgFileWd >= 0) {
        if (inotify_rm_watch(gMonitorFd, gCfgFileWd) != 0) {
            const int error = errno;
            PPC_LOG_DEBUG("RemoveFileWatch", "inotify_rm_watch gCfgFileWd %d\n\n", error);
        }
        gCfgFileWd = -1;
    }
    if (gDicFileWd >= 0) {
        if (inotify_rm_watch(gMonitorFd, gDicFileWd) != 0) {
            const int error = errno;
            PPC_LOG_DEBUG("RemoveFileWatch", "inotify_rm_watch gDicFileWd %d\n\n", error);
        }
        gDicFileWd = -1;
    }
    for (int32_t& table : gBreachTableWd) {
        if (table < 0) continue;
        if (inotify_rm_watch(gMonitorFd, table) != 0) {
            const int error = errno;
            PPC_LOG_DEBUG("RemoveFileWatch", "inotify_rm_watch gBreachTableWd %d\n\n", error);
        }
        table = -1;
    }
    return 0;
}

int32_t CloseFileMonitor() {
    ReloadLock lock;
    if (gMonitorFd < 0) return 0;
    RemoveFileWatch();
    close(gMonitorFd);
    gMonitorFd = -1;
    monitorOwner = 0;
    return 0;
}

bool MonitorIsOwn() {
    ReloadLock lock;
    return MonitorIsOurs();
}

ssize_t ReadMonitorEvents(char* buffer, size_t size) {
    ReloadLock lock;
    return read(MonitorIsOurs() ? gMonitorFd : -1, buffer, size);
}

void CloseMonitorAtUnload() {
    ReloadLock lock;
    // Closing drops this process's reference; the kernel removes the
    // watches with the instance's last reference, so no removal is needed
    // (and a child's removal would reach into its parent's instance).
    if (gMonitorFd >= 0) ForgetInheritedMonitor();
}
