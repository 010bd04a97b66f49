#include "support/ReloadLock.h"

#include <pthread.h>

namespace {
pthread_mutex_t reloadMutex = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;
}  // namespace

ReloadLock::ReloadLock() { pthread_mutex_lock(&reloadMutex); }

ReloadLock::~ReloadLock() { pthread_mutex_unlock(&reloadMutex); }

void ReloadLockPrepareFork() { pthread_mutex_lock(&reloadMutex); }

void ReloadLockParentAfterFork() { pthread_mutex_unlock(&reloadMutex); }

void ReloadLockChildAfterFork() {
    // The child's copy is held by the forking thread under its old id, which
    // a recursive mutex would not accept an unlock from: start a fresh one.
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&reloadMutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}
