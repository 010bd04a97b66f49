// The one lock of the reload path. It serialises everything that changes
// what the component loads or watches: a load and its publication (InitData,
// from PPC_Initialize or a tick), a tick as a whole, and every change to the
// file monitor's descriptors (PPC_Finalize closing them included).
// Recursive, because a tick calls InitData and the monitor's own functions,
// each of which also takes it when called alone.
//
// Queries never take it: they read the published snapshot
// (lifecycle/Snapshot.h) and wait for nothing but a publication's pointer
// swap.
#ifndef PWDPOLICY_SUPPORT_RELOADLOCK_H
#define PWDPOLICY_SUPPORT_RELOADLOCK_H

class ReloadLock {
public:
    ReloadLock();
    ~ReloadLock();
    ReloadLock(const ReloadLock&) = delete;
    ReloadLock& operator=(const ReloadLock&) = delete;
};

// fork() support (lifecycle/ForkSafety.cpp): the parent holds the lock
// while the process is copied, so that no load is half done in the child,
// which starts with a fresh, free lock.
void ReloadLockPrepareFork();
void ReloadLockParentAfterFork();
void ReloadLockChildAfterFork();

#endif  // PWDPOLICY_SUPPORT_RELOADLOCK_H
