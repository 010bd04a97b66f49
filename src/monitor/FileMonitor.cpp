#include "monitor/FileMonitor.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <string>

#include "lifecycle/DataGuard.h"
#include "lifecycle/Globals.h"
#include "support/Log.h"

int32_t gMonitorFd = -1;
int32_t gCfgFileWd = -1;
int32_t gDicFileWd = -1;

namespace {

constexpr int32_t kMonitorNotCreated = 1;
constexpr int32_t kWatchFailed = 3003;

// Adds one watch unless `descriptor` already holds one.
bool AddOneWatch(const char* path, int32_t& descriptor) {
    if (descriptor >= 0) return true;
    PPC_LOG_INFO("AddFileWatch", "inotify_add_watch %s\n", path);
    descriptor = inotify_add_watch(gMonitorFd, path, kWatchMask);
    if (descriptor >= 0) return true;
    const int error = errno;
    PPC_LOG_ERROR("AddFileWatch", "inotify_add_watch %s failed,error=%d\n", path, error);
    return false;
}

}  // namespace

int32_t AddFileWatch(const char* cfgFile, const char* dicFile) {
    ReloadLock lock;
    PPC_LOG_INFO("AddFileWatch", "call inotify_init1\n");
    if (gMonitorFd < 0) {
        // Not close-on-exec: the instance is inherited like any descriptor
        // the host opens without asking otherwise.
        gMonitorFd = inotify_init1(IN_NONBLOCK);
        if (gMonitorFd < 0) {
            const int error = errno;
            PPC_LOG_ERROR("AddFileWatch", "inotify_init1 failed,error=%d\n", error);
            return kMonitorNotCreated;
        }
    }
    int32_t result = 0;
    if (!AddOneWatch(cfgFile, gCfgFileWd)) result = kWatchFailed;
    if (!AddOneWatch(dicFile, gDicFileWd)) result = kWatchFailed;
    return result;
}

int32_t InitFileMonitor() {
    std::string dicFile;
    try {
        dicFile = policyCfgObj.GetWeakPwdDicFile();
    } catch (const std::bad_alloc&) {
        // Reached from PPC_Initialize and from a tick: nothing may escape.
        // Without the path the dictionary cannot be watched.
        return kWatchFailed;
    }
    return AddFileWatch(kConfigFilePath, dicFile.c_str());
}

int32_t RemoveFileWatch() {
    ReloadLock lock;
    if (gMonitorFd < 0) return 0;
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
    return 0;
}

int32_t CloseFileMonitor() {
    ReloadLock lock;
    if (gMonitorFd < 0) return 0;
    RemoveFileWatch();
    close(gMonitorFd);
    gMonitorFd = -1;
    return 0;
}
