// Benchmark twin of the reader/writer guard as a plain pthread_rwlock, the
// simplest design: bench/Guard_bench.cpp shows what it costs beside the
// per-thread slots that the component uses.
#ifndef PWDPOLICY_LIFECYCLE_DATAGUARD_H
#define PWDPOLICY_LIFECYCLE_DATAGUARD_H

#include <pthread.h>

inline pthread_rwlock_t twinDataLock = PTHREAD_RWLOCK_INITIALIZER;
inline __thread int twinReadDepth = 0;

class ReadSection {
public:
    ReadSection() {
        if (twinReadDepth++ == 0) pthread_rwlock_rdlock(&twinDataLock);
    }
    ~ReadSection() {
        if (--twinReadDepth == 0) pthread_rwlock_unlock(&twinDataLock);
    }
    ReadSection(const ReadSection&) = delete;
    ReadSection& operator=(const ReadSection&) = delete;
};

class WriteSection {
public:
    WriteSection() { pthread_rwlock_wrlock(&twinDataLock); }
    ~WriteSection() { pthread_rwlock_unlock(&twinDataLock); }
    WriteSection(const WriteSection&) = delete;
    WriteSection& operator=(const WriteSection&) = delete;
};

inline void GuardChildAfterFork() {}

#endif  // PWDPOLICY_LIFECYCLE_DATAGUARD_H
