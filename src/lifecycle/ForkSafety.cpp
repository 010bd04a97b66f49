// fork() in a host that uses the component. Without these handlers a child
// could inherit a mutex held by a thread that does not exist in it (a fork
// during a reload left children hung in PPC_Finalize), or reader sections
// that will never end. The prepare handler takes the locks in the order the
// component itself takes them (ppcInitFlagLock, then the reload lock, then
// the log's clock lock), so a fork waits for a load in progress to finish,
// and no thread of ours is inside localtime_r holding the C library's
// time-zone lock, which a child's first log line would wait on forever. The file monitor's side is in
// FileMonitor.cpp: a child never touches its parent's watches.
#include <pthread.h>

#include "lifecycle/DataGuard.h"
#include "lifecycle/Globals.h"
#include "lifecycle/Reloader.h"
#include "support/Log.h"
#include "support/ReloadLock.h"

namespace {

void PrepareFork() {
    pthread_mutex_lock(&ppcInitFlagLock);
    ReloadLockPrepareFork();
    PpcLogPrepareFork();  // a leaf: held for one localtime_r at most
}

void ParentAfterFork() {
    PpcLogParentAfterFork();
    ReloadLockParentAfterFork();
    pthread_mutex_unlock(&ppcInitFlagLock);
}

void ChildAfterFork() {
    PpcLogChildAfterFork();
    ReloadLockChildAfterFork();
    GuardChildAfterFork();
    pthread_mutex_init(&ppcInitFlagLock, nullptr);
    ResetTickAfterFork();
}

// glibc removes the handlers again when the library is unloaded.
__attribute__((constructor)) void RegisterForkHandlers() {
    pthread_atfork(PrepareFork, ParentAfterFork, ChildAfterFork);
}

}  // namespace
