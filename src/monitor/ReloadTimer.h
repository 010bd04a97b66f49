// The periodic reload: SIGALRM from ITIMER_REAL runs HandlerTimeTask, which
// polls the file monitor and reloads the data when a watched file changed.
// The component owns SIGALRM and ITIMER_REAL for the whole process once the
// timer is armed.
#ifndef PWDPOLICY_MONITOR_RELOADTIMER_H
#define PWDPOLICY_MONITOR_RELOADTIMER_H

#include <cstdint>

// 1 while a tick is at work. Taken with one atomic exchange.
extern int32_t timerLock;

// Installs HandlerTimeTask for SIGALRM and arms ITIMER_REAL with the period
// of PolicyCfg::GetTimeInterval. 0, or 3002 when setitimer failed.
int32_t InitTimer();

// One tick. Runs as the SIGALRM handler, on whichever thread the signal
// lands; called directly it runs one tick synchronously. When the signal
// lands inside one of the component's own sections the tick is postponed
// to the end of that section (lifecycle/DataGuard.h).
void HandlerTimeTask(int signalNumber);

// Disarms the timer and gives SIGALRM back its earlier disposition when the
// library is unloaded, if our handler is still the one installed, so that
// no signal is aimed at unmapped code.
class ReloadTimerRelease {
public:
    ReloadTimerRelease() = default;
    ~ReloadTimerRelease();
    ReloadTimerRelease(const ReloadTimerRelease&) = delete;
    ReloadTimerRelease& operator=(const ReloadTimerRelease&) = delete;
};

#endif  // PWDPOLICY_MONITOR_RELOADTIMER_H
