#include "lifecycle/DataGuard.h"

#include <linux/futex.h>
#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "monitor/ReloadTimer.h"

__thread GuardThreadState guardThreadState __attribute__((tls_model("initial-exec"))) = {};

ReaderCounter readerCounters[kReaderStripes];
alignas(64) std::atomic<int32_t> writerActive{0};

namespace {

std::atomic<uint32_t> nextStripe{0};

pthread_mutex_t reloadMutex = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;

long Futex(std::atomic<int32_t>* word, int op, int32_t value) {
    return syscall(SYS_futex, reinterpret_cast<int32_t*>(word), op, value, nullptr, nullptr, 0);
}

ReaderCounter& MyCounter() {
    GuardThreadState& state = guardThreadState;
    if (state.stripe == 0) {
        state.stripe = 1 + static_cast<int>(nextStripe.fetch_add(1, std::memory_order_relaxed) %
                                            kReaderStripes);
    }
    return readerCounters[state.stripe - 1];
}

}  // namespace

void RunPendingTick() {
    guardThreadState.tickPending = 0;
    // The tick runs at the end of someone's call: leave its errno alone.
    const int savedErrno = errno;
    HandlerTimeTask(SIGALRM);
    errno = savedErrno;
}

bool DeferTickIfBusy() {
#ifdef PPC_UNGUARDED
    return false;
#else
    if (guardThreadState.deferDepth > 0) {
        guardThreadState.tickPending = 1;
        return true;
    }
    return false;
#endif
}

// The section's way in when the inline one did not get through: the
// thread's first section (no stripe yet), or a writer at work.
void EnterReadSlow() {
    ReaderCounter& counter = MyCounter();
    for (;;) {
        // The increment and the flag load pair with the writer's flag store
        // and counter loads: one of the two sides always sees the other.
        counter.count.fetch_add(1, std::memory_order_seq_cst);
        if (writerActive.load(std::memory_order_seq_cst) == 0) return;
        counter.count.fetch_sub(1, std::memory_order_seq_cst);
        while (writerActive.load(std::memory_order_seq_cst) != 0) {
            Futex(&writerActive, FUTEX_WAIT_PRIVATE, 1);
        }
    }
}

namespace {
// Set by a tick that found the reload lock held by another thread; taken up
// by the holder when it lets go (DataGuard.h, rule 4).
std::atomic<int32_t> tickRequested{0};
}  // namespace

ReloadLock::ReloadLock() {
    pthread_mutex_lock(&reloadMutex);
    ++guardThreadState.lockDepth;
}

ReloadLock::ReloadLock(TryTag) {
#ifdef PPC_UNGUARDED
    // No deferred ticks in this build: wait like any other caller.
    pthread_mutex_lock(&reloadMutex);
#else
    if (pthread_mutex_trylock(&reloadMutex) != 0) {
        // Ask the holder to run the tick, then look again: the holder may
        // have let go and checked for requests before ours was made.
        tickRequested.store(1, std::memory_order_seq_cst);
        if (pthread_mutex_trylock(&reloadMutex) != 0) {
            owned_ = false;
            return;
        }
        // We run it ourselves; a holder that took the request meanwhile
        // runs one more tick, which finds nothing left to read.
        tickRequested.store(0, std::memory_order_relaxed);
    }
#endif
    ++guardThreadState.lockDepth;
}

ReloadLock::~ReloadLock() {
    if (!owned_) return;
    const bool outermost = --guardThreadState.lockDepth == 0;
    pthread_mutex_unlock(&reloadMutex);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (outermost && tickRequested.load(std::memory_order_relaxed) != 0 &&
        tickRequested.exchange(0, std::memory_order_seq_cst) != 0) {
        // deferral_ ends right after this body and runs it, unless an outer
        // section of this thread is still open.
        guardThreadState.tickPending = 1;
    }
}

void DropTickRequest() { tickRequested.store(0, std::memory_order_seq_cst); }

namespace {
[[maybe_unused]] int writeDepth = 0;  // guarded by reloadMutex
}

WriteSection::WriteSection() {
#ifndef PPC_UNGUARDED
    if (guardThreadState.readDepth != 0) abort();  // would wait for itself forever
    if (writeDepth++ > 0) return;
    writerActive.store(1, std::memory_order_seq_cst);
    for (ReaderCounter& counter : readerCounters) {
        // Readers hold their sections for a lookup at most: spin briefly,
        // then yield the core to them.
        for (int spins = 0; counter.count.load(std::memory_order_seq_cst) != 0; ++spins) {
            if (spins > 64) sched_yield();
        }
    }
#endif
}

WriteSection::~WriteSection() {
#ifndef PPC_UNGUARDED
    if (--writeDepth > 0) return;
    writerActive.store(0, std::memory_order_seq_cst);
    Futex(&writerActive, FUTEX_WAKE_PRIVATE, INT32_MAX);
#endif
}
