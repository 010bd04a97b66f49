#include "monitor/ReloadTimer.h"

#include <sys/inotify.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <csignal>
#include <cstring>

#include "lifecycle/DataGuard.h"
#include "lifecycle/Globals.h"
#include "monitor/FileMonitor.h"
#include "support/Log.h"

int32_t timerLock = 0;

namespace {

constexpr int32_t kTimerNotArmed = 3002;
// One read takes at most this many bytes of events.
constexpr ssize_t kEventBufferSize = 8191;
// The fixed part of a kernel inotify record: wd, mask, cookie, len.
constexpr ssize_t kEventHeaderSize = 16;

// What SIGALRM did before our handler, given back when the library unloads.
sighandler_t previousAlarmHandler = SIG_DFL;

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
    PPC_LOG_INFO("HandlerTimeTask", "Unrecognized event mask %d\n\n", static_cast<int32_t>(mask));
    return EventAction::kIgnore;
}

// Reads pending records without blocking and acts on the first one that
// asks for a reload; the rest of that read is dropped.
// REQUIRES: the reload lock, so that PPC_Finalize cannot close the
// descriptor under the read.
void PollMonitorOnce() {
    PPC_LOG_DEBUG("HandlerTimeTask", "call read begin\n");
    // A fixed local buffer: reading events allocates nothing.
    alignas(struct inotify_event) char buffer[kEventBufferSize];
    const ssize_t count = read(gMonitorFd, buffer, kEventBufferSize);
    PPC_LOG_DEBUG("HandlerTimeTask", "call read end\n");
    // offset <= count - 16: a failed read (-1) or a short one walks nothing.
    for (ssize_t offset = 0; offset <= count - kEventHeaderSize;) {
        uint32_t mask = 0;
        uint32_t nameLength = 0;
        memcpy(&mask, buffer + offset + offsetof(struct inotify_event, mask), sizeof mask);
        memcpy(&nameLength, buffer + offset + offsetof(struct inotify_event, len), sizeof nameLength);
        offset += kEventHeaderSize + static_cast<ssize_t>(nameLength);
        const EventAction action = Classify(mask);
        if (action == EventAction::kIgnore) continue;
        PPC_LOG_INFO("HandlerTimeTask", "call InitData to refresh cache\n");
        InitData();
        if (action == EventAction::kReloadAndRenew) {
            PPC_LOG_INFO("HandlerTimeTask", "call RemoveFileWatch\n");
            RemoveFileWatch();
            PPC_LOG_INFO("HandlerTimeTask", "call InitFileMonitor\n");
            InitFileMonitor();
        }
        break;  // at most one reload per tick
    }
}

// Clears timerLock when the tick ends, however it ends.
class TimerLockRelease {
public:
    TimerLockRelease() = default;
    ~TimerLockRelease() { __atomic_store_n(&timerLock, 0, __ATOMIC_RELEASE); }
    TimerLockRelease(const TimerLockRelease&) = delete;
    TimerLockRelease& operator=(const TimerLockRelease&) = delete;
};

// One tick. Ticks that arrive meanwhile on this thread wait for its end.
void RunTick() {
    TickDeferral deferral;
    PPC_LOG_DEBUG("HandlerTimeTask", "call HandlerTimeTask\n");
    // One atomic test-and-set: a tick that finds an earlier one at work
    // leaves at once, without touching the flag.
    if (__atomic_exchange_n(&timerLock, 1, __ATOMIC_ACQUIRE) == 1) return;
    TimerLockRelease release;
    // Never waits: if another thread holds the reload lock, that thread
    // runs this tick when it lets go.
    TickLock lock;
    if (!lock.Owned()) return;
    try {
        PollMonitorOnce();
    } catch (...) {
        // Out of memory in the load: the store keeps what it had, and
        // nothing may unwind out of a signal handler.
    }
}

}  // namespace

int32_t InitTimer() {
    const int32_t period = policyCfgObj.GetTimeInterval();
    PPC_LOG_INFO("InitTimer", "call signal\n");
    // signal() on Linux keeps the handler installed, blocks SIGALRM on the
    // thread while it runs, and restarts interrupted system calls.
    const sighandler_t previous = signal(SIGALRM, HandlerTimeTask);
    if (previous != SIG_ERR && previous != HandlerTimeTask) previousAlarmHandler = previous;
    struct itimerval setting {};
    setting.it_interval.tv_sec = period;
    setting.it_value.tv_sec = period;
    PPC_LOG_INFO("InitTimer", "call setitimer TIMER_INTERVAL_SECONDS=%i\n", period);
    struct itimerval replaced {};
    return setitimer(ITIMER_REAL, &setting, &replaced) == 0 ? 0 : kTimerNotArmed;
}

// Runs in signal context. Everything that is not async-signal-safe (the
// load, the log) is reached only on a thread that holds none of the
// component's locks and is in none of its sections: see DeferTickIfBusy.
void HandlerTimeTask(int /*signalNumber*/) {
    if (DeferTickIfBusy()) return;
    const int savedErrno = errno;  // the interrupted code's errno stays its own
    RunTick();
    errno = savedErrno;
}

ReloadTimerRelease::~ReloadTimerRelease() {
    struct sigaction current {};
    if (sigaction(SIGALRM, nullptr, &current) != 0 || current.sa_handler != HandlerTimeTask) return;
    struct itimerval off {};
    setitimer(ITIMER_REAL, &off, nullptr);
    // Ignoring first discards a SIGALRM already pending, which the earlier
    // disposition (often the default: terminate) would otherwise receive.
    // Nothing is left to do at unload if either fails.
    (void)signal(SIGALRM, SIG_IGN);
    (void)signal(SIGALRM, previousAlarmHandler);
    // Wait for a tick still running on another thread; a tick that found
    // the lock busy meanwhile is dropped, not run on objects about to go.
    TickDeferral outer;
    {
        ReloadLock waitForRunningTick;
        DropTickRequest();
    }
    guardThreadState.tickPending = 0;
}
