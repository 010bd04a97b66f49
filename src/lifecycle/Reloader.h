// The reload path, from the signal to the published snapshot, all in this
// folder:
//
//   SIGALRM (ITIMER_REAL, armed by InitTimer)
//     -> MarkTickDue: sets tickDue, nothing else (async-signal-safe)
//   the next PPC_ call on any thread, or the host's PPC_RunDueTick
//     -> RunDueTick: one relaxed load; when a tick is due, runs it
//   a tick (HandlerTimeTask), under the reload lock (support/ReloadLock.h):
//     -> reads the file monitor's pending records (monitor/FileMonitor.h)
//     -> logs one line per record up to the first that asks for a reload
//     -> InitData (Loader.cpp): loads the files, publishes the new snapshot
//        (Snapshot.h) and keeps the load report
//     -> after a deletion or a move, renews the watches (InitFileMonitor)
//
// Why not in the signal handler: the signal interrupts host code anywhere,
// inside malloc or localtime or holding a lock of its own, and a load
// allocates, logs and takes locks.
#ifndef PWDPOLICY_LIFECYCLE_RELOADER_H
#define PWDPOLICY_LIFECYCLE_RELOADER_H

#include <atomic>
#include <cstdint>

// 1 while a tick is at work: a tick that finds it set leaves at once.
// Taken with one atomic exchange.
extern int32_t timerLock;

// 1 when SIGALRM arrived and no thread has taken the tick up yet. Set by the
// signal handler; lock-free, so async-signal-safe.
extern std::atomic<int32_t> tickDue;

// Installs the SIGALRM handler (MarkTickDue) and arms ITIMER_REAL with the
// period of PolicyCfg::GetTimeInterval. 0, or 3002 when setitimer failed.
int32_t InitTimer();

// Watches the configuration file and the dictionary the store names, and the
// breach table when the store names one. Returns what AddFileWatch returns,
// or 3003 when only the table's watch failed.
int32_t InitFileMonitor();

// One tick, at once, on the calling thread: the DEBUG line, the busy flag,
// the monitor read and, on a qualifying change, the reload. What the
// installed SIGALRM handler leads to, one call later.
// Never install it as a signal handler: a tick allocates, logs and takes
// locks, none of which is safe in signal context.
void HandlerTimeTask(int signalNumber);

// Runs the tick that SIGALRM marked due, if any. Begins every PPC_ function,
// before it reads any data.
void RunDueTickSlow();
inline void RunDueTick() {
    if (tickDue.load(std::memory_order_relaxed) != 0) RunDueTickSlow();
}

// Disarms ITIMER_REAL and gives SIGALRM back the disposition it had before
// InitTimer, unless the host has installed a handler of its own since (then
// both stay the host's). PPC_Finalize and unloading call it: a timer left
// armed would survive exec and kill the next program with SIGALRM.
void StopTimer();

// Clears the tick state in a child after fork (lifecycle/ForkSafety.cpp).
void ResetTickAfterFork();

// Disarms the timer, gives SIGALRM back its earlier disposition and closes
// the file monitor when the library is unloaded, so that no signal is aimed
// at unmapped code and no inotify instance is left behind.
class ReloaderRelease {
public:
    ReloaderRelease() = default;
    ~ReloaderRelease();
    ReloaderRelease(const ReloaderRelease&) = delete;
    ReloaderRelease& operator=(const ReloaderRelease&) = delete;
};

#endif  // PWDPOLICY_LIFECYCLE_RELOADER_H
