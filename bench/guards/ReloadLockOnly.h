// The parts of lifecycle/DataGuard.h that the benchmark twins keep as they
// are: loads stay serialised, so only the readers' side differs.
#ifndef PWDPOLICY_BENCH_GUARDS_RELOADLOCKONLY_H
#define PWDPOLICY_BENCH_GUARDS_RELOADLOCKONLY_H

#include <pthread.h>

inline pthread_mutex_t twinReloadMutex = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;

class ReloadLock {
public:
    ReloadLock() { pthread_mutex_lock(&twinReloadMutex); }
    struct TryTag {};
    explicit ReloadLock(TryTag) : owned_(pthread_mutex_trylock(&twinReloadMutex) == 0) {}
    ~ReloadLock() {
        if (owned_) pthread_mutex_unlock(&twinReloadMutex);
    }
    bool Owned() const { return owned_; }
    ReloadLock(const ReloadLock&) = delete;
    ReloadLock& operator=(const ReloadLock&) = delete;

private:
    bool owned_ = true;
};

inline void GuardPrepareFork() {}
inline void GuardParentAfterFork() {}
inline void GuardChildAfterFork() {}

#endif  // PWDPOLICY_BENCH_GUARDS_RELOADLOCKONLY_H
