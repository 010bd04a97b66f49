// The periodic reload. SIGALRM from ITIMER_REAL only marks a tick due; the
// tick itself (HandlerTimeTask: poll the file monitor, reload the data when
// a watched file changed) runs in normal context, at the start of the next
// call into the component on any thread, or when a host calls
// PPC_RunDueTick. The component owns SIGALRM and ITIMER_REAL for the whole
// process once the timer is armed.
//
// Why not in the handler: the signal interrupts host code anywhere, inside
// malloc or localtime or holding a lock of its own, and a load allocates,
// logs and takes locks.
#ifndef PWDPOLICY_MONITOR_RELOADTIMER_H
#define PWDPOLICY_MONITOR_RELOADTIMER_H

#include <atomic>
#include <cstdint>

// 1 while a tick is at work. Taken with one atomic exchange.
extern int32_t timerLock;

// 1 when SIGALRM arrived and no thread has taken the tick up yet. Set by
// the signal handler; lock-free, so async-signal-safe.
extern std::atomic<int32_t> tickDue;

// Installs the SIGALRM handler and arms ITIMER_REAL with the period of
// PolicyCfg::GetTimeInterval. 0, or 3002 when setitimer failed.
int32_t InitTimer();

// One tick, at once, on the calling thread: the DEBUG line, the busy flag,
// the monitor read and, on a qualifying change, the reload. What the
// installed SIGALRM handler leads to, one call later.
void HandlerTimeTask(int signalNumber);

// Runs the tick that SIGALRM marked due, if any, unless another thread is
// loading already or this thread is inside a ReadSection (the tick then
// stays due for the next call). Begins every PPC_ function.
void RunDueTickSlow();
inline void RunDueTick() {
    if (tickDue.load(std::memory_order_relaxed) != 0) RunDueTickSlow();
}

// Clears the tick state in a child after fork (lifecycle/ForkSafety.cpp).
void ResetTickAfterFork();

// Disarms the timer, gives SIGALRM back its earlier disposition and closes
// the file monitor when the library is unloaded, so that no signal is aimed
// at unmapped code and no inotify instance is left behind.
class ReloadTimerRelease {
public:
    ReloadTimerRelease() = default;
    ~ReloadTimerRelease();
    ReloadTimerRelease(const ReloadTimerRelease&) = delete;
    ReloadTimerRelease& operator=(const ReloadTimerRelease&) = delete;
};

#endif  // PWDPOLICY_MONITOR_RELOADTIMER_H
