// The inotify instance that watches the configuration file, the dictionary
// and the breach table. A tick polls it (lifecycle/Reloader.h); nothing here
// blocks, and nothing here knows what the files hold.
//
// The descriptors are guarded by the reload lock (support/ReloadLock.h):
// every operation here takes it, and so does a tick for its whole run.
#ifndef PWDPOLICY_MONITOR_FILEMONITOR_H
#define PWDPOLICY_MONITOR_FILEMONITOR_H

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

extern int32_t gMonitorFd;  // inotify instance, negative while there is none
extern int32_t gCfgFileWd;  // watch on the configuration file, -1 when none
extern int32_t gDicFileWd;  // watch on the dictionary file, -1 when none
// Watches on the breach tables (a base and its deltas), in the order the
// configuration names them; -1 where there is none.
constexpr int kMaxTableWatches = 16;
extern int32_t gBreachTableWd[kMaxTableWatches];

// Both files are watched for a close after writing, creation, deletion and
// moves: a rewritten file is reported when its writer closes it.
constexpr uint32_t kWatchMask = 4040;  // 0xFC8
// The breach table is replaced by renaming a new file over it while every
// host still has the old one mapped, so the old file's deletion is reported
// only when the last mapping goes. Its link count dropping to 0 is reported
// at once, as a change of attributes.
constexpr uint32_t kTableWatchMask = kWatchMask | 0x4;  // | IN_ATTRIB

// Creates the instance if there is none and adds each missing watch.
// 0; 1 when the instance could not be created; 3003 when a watch failed.
int32_t AddFileWatch(const char* cfgFile, const char* dicFile);
// Removes the watches; the instance stays open. Always 0.
int32_t RemoveFileWatch();
// Removes both watches and closes the instance. Always 0; harmless twice.
// In a child of fork() that inherited the instance, only closes its copy:
// the watches belong to the parent.
int32_t CloseFileMonitor();

// Adds the watch of breach table `index` (kTableWatchMask) unless there is
// one. False when it could not be added (an ERROR line says why). REQUIRES:
// an instance, created by AddFileWatch.
bool AddTableWatch(int index, const char* tableFile);

// True when this process created the instance in gMonitorFd (false without
// one, and in a child of fork() that inherited its parent's).
bool MonitorIsOwn();

// Reads pending records into `buffer` without blocking: the count read, or
// -1 when none is pending or there is no instance. In a child of fork()
// that inherited its parent's instance nothing is read, so that the child
// never takes the parent's events.
ssize_t ReadMonitorEvents(char* buffer, size_t size);
// Closes this process's copy of the instance when the library unloads.
void CloseMonitorAtUnload();

#endif  // PWDPOLICY_MONITOR_FILEMONITOR_H
