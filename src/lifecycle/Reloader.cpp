#include "lifecycle/Reloader.h"

#include <sys/inotify.h>
#include <sys/time.h>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "breach/TableSet.h"
#include "lifecycle/Globals.h"
#include "monitor/FileMonitor.h"
#include "pwdpolicy.h"
#include "support/Log.h"
#include "support/ReloadLock.h"

static_assert(kMaxTableWatches >= static_cast<int>(breach::kMaxTablesInSet), "a watch for every table of a set");

int32_t timerLock = 0;
std::atomic<int32_t> tickDue{0};

namespace {

constexpr int32_t kTimerNotArmed = 3002;
constexpr int32_t kWatchFailed = 3003;
constexpr int32_t kMonitorNotCreated = 1;
// One read takes at most this many bytes of events.
constexpr ssize_t kEventBufferSize = 8191;
// The fixed part of a kernel inotify record: wd, mask, cookie, len.
constexpr ssize_t kEventHeaderSize = 16;

enum class EventAction { kIgnore, kReload, kReloadAndRenew };

// Classifies one record by the first test that holds; logs its line.
EventAction Classify(uint32_t mask) {
    if (mask & IN_CLOSE_WRITE) {
        PPC_LOG_INFO("HandlerTimeTask", "File close for writing\n\n");
        return EventAction::kReload;
    }
    if (mask & IN_CREATE) {
        PPC_LOG_INFO("HandlerTimeTask", "File created\n\n");
        return EventAction::kReload;
    }
    if (mask & (IN_DELETE | IN_DELETE_SELF)) {
        PPC_LOG_INFO("HandlerTimeTask", "File was deleted\n\n");
        return EventAction::kReloadAndRenew;
    }
    if (mask & (IN_MOVED_FROM | IN_MOVED_TO | IN_MOVE_SELF)) {
        PPC_LOG_INFO("HandlerTimeTask", "File was removed\n\n");
        return EventAction::kReloadAndRenew;
    }
    // Only the breach table's watch asks for attribute changes: a table
    // renamed over (monitor/FileMonitor.h). The watch must then follow the
    // path.
    if (mask & IN_ATTRIB) {
        PPC_LOG_INFO("HandlerTimeTask", "Breach table changed\n\n");
        return EventAction::kReloadAndRenew;
    }
    PPC_LOG_INFO("HandlerTimeTask", "Unrecognized event mask %d\n\n", static_cast<int32_t>(mask));
    return EventAction::kIgnore;
}

// Whether the tick's last load failed. Guarded by the reload lock.
bool lastLoadFailed = false;

void Reload() {
    PPC_LOG_INFO("HandlerTimeTask", "call InitData to refresh cache\n");
    lastLoadFailed = InitData() != 0;
}

void RenewWatches() {
    PPC_LOG_INFO("HandlerTimeTask", "call RemoveFileWatch\n");
    RemoveFileWatch();
    PPC_LOG_INFO("HandlerTimeTask", "call InitFileMonitor\n");
    InitFileMonitor();
}

// The breach tables the store names; none when the value is not a usable
// list (the load reports why).
std::vector<std::string> TablePaths() {
    std::vector<std::string> paths;
    breach::ParseTableList(policyCfgObj.breachedPwdTableFile, &paths);
    return paths;
}

// The watches this process's monitor lacks for the files of the last load.
int MissingWatches() {
    if (!MonitorIsOwn()) return 0;
    int missing = (gCfgFileWd < 0) + (gDicFileWd < 0);
    const size_t tables = TablePaths().size();
    for (size_t index = 0; index < tables; ++index) missing += gBreachTableWd[index] < 0;
    return missing;
}

// Reads pending records without blocking and reloads at the first one that
// asks for it; after a deletion or a move the watches are renewed. At most
// one reload a tick. By default the rest of that read is dropped. With
// reload recovery ([BASIC] reloadRecovery=1) every record is read, so that a
// renewal asked for anywhere in it is made, and a tick also reloads when
// its last load failed or a watch that was missing could be added again (a
// file deleted and created again).
void PollMonitorOnce() {
    const bool recovery = policyCfgObj.reloadRecovery == 1;
    bool due = false;
    if (recovery && lastLoadFailed) {
        PPC_LOG_INFO("HandlerTimeTask", "Load failed last time: reload again\n\n");
        due = true;
    }
    if (const int missing = recovery ? MissingWatches() : 0; missing > 0) {
        PPC_LOG_INFO("HandlerTimeTask", "call InitFileMonitor to add %d missing watches\n", missing);
        InitFileMonitor();
        if (MissingWatches() < missing) due = true;  // a file is back: it changed unseen
    }
    PPC_LOG_DEBUG("HandlerTimeTask", "call read begin\n");
    // A fixed local buffer: reading events allocates nothing.
    alignas(struct inotify_event) char buffer[kEventBufferSize];
    const ssize_t count = ReadMonitorEvents(buffer, kEventBufferSize);
    PPC_LOG_DEBUG("HandlerTimeTask", "call read end\n");
    bool reloaded = false;
    bool renew = false;
    // offset <= count - 16: a failed read (-1) or a short one walks nothing.
    for (ssize_t offset = 0; offset <= count - kEventHeaderSize;) {
        uint32_t mask = 0;
        uint32_t nameLength = 0;
        memcpy(&mask, buffer + offset + offsetof(struct inotify_event, mask), sizeof mask);
        memcpy(&nameLength, buffer + offset + offsetof(struct inotify_event, len), sizeof nameLength);
        offset += kEventHeaderSize + static_cast<ssize_t>(nameLength);
        const EventAction action = Classify(mask);
        if (action == EventAction::kIgnore) continue;
        if (!reloaded) Reload();
        reloaded = true;
        renew = renew || action == EventAction::kReloadAndRenew;
        if (!recovery) break;  // the rest of the read is dropped
    }
    if (due && !reloaded) Reload();
    if (renew) RenewWatches();
}

// One tick, in normal context; the caller's errno stays its own.
void RunTick() {
    const int savedErrno = errno;
    PPC_LOG_DEBUG("HandlerTimeTask", "call HandlerTimeTask\n");
    // One atomic test-and-set: a tick that finds an earlier one at work
    // leaves at once, without touching the flag.
    if (__atomic_exchange_n(&timerLock, 1, __ATOMIC_ACQUIRE) == 1) {
        errno = savedErrno;
        return;
    }
    {
        // Waits for a load by PPC_Initialize or a finalisation to end.
        ReloadLock lock;
        try {
            PollMonitorOnce();
        } catch (const std::exception& error) {
            // Out of memory outside the loads' own handling: the data in
            // force stays, and the next tick tries again.
            PPC_LOG_ERROR("HandlerTimeTask", "tick failed: %s\n", error.what());
        }
    }
    __atomic_store_n(&timerLock, 0, __ATOMIC_RELEASE);
    errno = savedErrno;
}

// What SIGALRM runs: async-signal-safe, nothing but a lock-free store.
void MarkTickDue(int /*signalNumber*/) {
    const int savedErrno = errno;
    tickDue.store(1, std::memory_order_relaxed);
    errno = savedErrno;
}

// Set by the first PPC_RunDueTick: from then on only the host's own calls
// of it run ticks, so that no request thread pays for a reload.
std::atomic<bool> hostRunsTicks{false};

// The disposition before ours, given back when the library unloads.
struct sigaction previousAlarmAction {};
bool previousAlarmSaved = false;

}  // namespace

int32_t InitTimer() {
    int32_t period = 0;
    {
        ReloadLock lock;  // the store is the loader's: a tick may be loading into it
        period = policyCfgObj.GetTimeInterval();
    }
    PPC_LOG_INFO("InitTimer", "call signal\n");
    // What signal() sets on Linux: the handler stays installed after each
    // delivery, SIGALRM is blocked on the thread while it runs, and
    // interrupted system calls restart.
    struct sigaction action {};
    action.sa_handler = MarkTickDue;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    struct sigaction previous {};
    if (sigaction(SIGALRM, &action, &previous) == 0 && previous.sa_handler != MarkTickDue) {
        previousAlarmAction = previous;
        previousAlarmSaved = true;
    }
    struct itimerval setting {};
    setting.it_interval.tv_sec = period;
    setting.it_value.tv_sec = period;
    PPC_LOG_INFO("InitTimer", "call setitimer TIMER_INTERVAL_SECONDS=%i\n", period);
    struct itimerval replaced {};
    return setitimer(ITIMER_REAL, &setting, &replaced) == 0 ? 0 : kTimerNotArmed;
}

int32_t InitFileMonitor() {
    // The paths of the load in force, read under the lock that loads take.
    ReloadLock lock;
    int32_t result = AddFileWatch(kConfigFilePath, policyCfgObj.weakPwdDicFile.c_str());
    if (result == kMonitorNotCreated) return result;
    try {
        const std::vector<std::string> tables = TablePaths();
        for (size_t index = 0; index < tables.size(); ++index) {
            if (!AddTableWatch(static_cast<int>(index), tables[index].c_str())) result = kWatchFailed;
        }
    } catch (const std::exception&) {
        result = kWatchFailed;  // reached from PPC_Initialize too: nothing may escape
    }
    return result;
}

void HandlerTimeTask(int /*signalNumber*/) { RunTick(); }

void RunDueTickSlow() {
    if (hostRunsTicks.load(std::memory_order_relaxed)) return;
    if (tickDue.exchange(0, std::memory_order_acq_rel) == 0) return;  // another thread took it
    RunTick();
}

void ResetTickAfterFork() {
    __atomic_store_n(&timerLock, 0, __ATOMIC_RELAXED);
    tickDue.store(0, std::memory_order_relaxed);
}

extern "C" unsigned int PPC_RunDueTick(void) {
    hostRunsTicks.store(true, std::memory_order_relaxed);
    if (tickDue.exchange(0, std::memory_order_acq_rel) != 0) RunTick();
    return PPC_OK;
}

void StopTimer() {
    struct sigaction current {};
    if (sigaction(SIGALRM, nullptr, &current) != 0 || current.sa_handler != MarkTickDue) return;
    struct itimerval off {};
    setitimer(ITIMER_REAL, &off, nullptr);
    // Ignoring first discards a SIGALRM already pending, which the earlier
    // disposition (often the default: terminate) would receive.
    (void)signal(SIGALRM, SIG_IGN);
    if (previousAlarmSaved) {
        (void)sigaction(SIGALRM, &previousAlarmAction, nullptr);
    } else {
        (void)signal(SIGALRM, SIG_DFL);
    }
    tickDue.store(0, std::memory_order_relaxed);
}

ReloaderRelease::~ReloaderRelease() {
    StopTimer();
    // A tick or load still running on another thread ends first.
    ReloadLock lock;
    CloseMonitorAtUnload();
    tickDue.store(0, std::memory_order_relaxed);
}
