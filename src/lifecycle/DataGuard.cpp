#include "lifecycle/DataGuard.h"

#include <linux/futex.h>
#include <linux/membarrier.h>
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
ReaderSlot readerSlots[kReaderSlots];
alignas(64) std::atomic<int32_t> writerActive{0};
bool asymmetricReaders = false;

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

// Slots below this index have been claimed at some time; writers scan them.
std::atomic<int32_t> slotHighWater{0};
pthread_key_t slotKey;
bool slotKeyReady = false;
pthread_once_t slotKeyOnce = PTHREAD_ONCE_INIT;

// Gives a thread's slot back when the thread ends; runs on that thread.
void ReleaseSlot(void* value) {
    const intptr_t index = reinterpret_cast<intptr_t>(value) - 1;
    // A section opened later in this thread's exit (another destructor)
    // must not use a slot another thread may claim now: it takes a stripe.
    guardThreadState.slot = -1;
    readerSlots[index].active.store(0, std::memory_order_relaxed);
    readerSlots[index].claimed.store(0, std::memory_order_release);
}

void CreateSlotKey() { slotKeyReady = pthread_key_create(&slotKey, ReleaseSlot) == 0; }

// Claims a reader slot for this thread: 1 + its index, or -1 when all are
// taken (the thread then counts on a stripe).
int ClaimSlot() {
    pthread_once(&slotKeyOnce, CreateSlotKey);
    if (!slotKeyReady) return -1;
    for (int index = 0; index < kReaderSlots; ++index) {
        if (readerSlots[index].claimed.load(std::memory_order_relaxed) != 0) continue;
        if (readerSlots[index].claimed.exchange(1, std::memory_order_acq_rel) != 0) continue;
        // Without the exit hook the slot would never come back: use a stripe.
        if (pthread_setspecific(slotKey, reinterpret_cast<void*>(intptr_t{index} + 1)) != 0) {
            readerSlots[index].claimed.store(0, std::memory_order_release);
            return -1;
        }
        int32_t high = slotHighWater.load(std::memory_order_relaxed);
        while (high < index + 1 &&
               !slotHighWater.compare_exchange_weak(high, index + 1, std::memory_order_seq_cst)) {
        }
        return index + 1;
    }
    return -1;
}

void WaitWhileWriterActive() {
    while (writerActive.load(std::memory_order_seq_cst) != 0) {
        Futex(&writerActive, FUTEX_WAIT_PRIVATE, 1);
    }
}

bool RegisterMembarrier() {
#if defined(__SANITIZE_THREAD__)
    return false;  // ThreadSanitizer does not see the barrier's ordering
#else
    const long supported = syscall(SYS_membarrier, MEMBARRIER_CMD_QUERY, 0, 0);
    if (supported < 0 || (supported & MEMBARRIER_CMD_PRIVATE_EXPEDITED) == 0) return false;
    return syscall(SYS_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0) == 0;
#endif
}

// Decided while the library loads, before any thread can read.
__attribute__((constructor)) void ChooseReaderFences() { asymmetricReaders = RegisterMembarrier(); }

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
// thread's first section (no slot yet), a writer at work, or a kernel
// without membarrier.
void EnterReadSlow() {
    GuardThreadState& state = guardThreadState;
    if (state.slot == 0) state.slot = ClaimSlot();
    if (state.slot > 0) {
        std::atomic<int32_t>& active = readerSlots[state.slot - 1].active;
        state.heldStripe = 0;
        for (;;) {
            // A full barrier of the reader's own: correct with or without
            // the writer's membarrier, and this is the slow path.
            active.exchange(1, std::memory_order_seq_cst);
            if (writerActive.load(std::memory_order_seq_cst) == 0) return;
            active.store(0, std::memory_order_seq_cst);
            WaitWhileWriterActive();
        }
    }
    ReaderCounter& counter = MyCounter();
    state.heldStripe = 1;
    for (;;) {
        // The increment and the flag load pair with the writer's flag store
        // and counter loads: one of the two sides always sees the other.
        counter.count.fetch_add(1, std::memory_order_seq_cst);
        if (writerActive.load(std::memory_order_seq_cst) == 0) return;
        counter.count.fetch_sub(1, std::memory_order_seq_cst);
        WaitWhileWriterActive();
    }
}

void LeaveReadStripe() { MyCounter().count.fetch_sub(1, std::memory_order_release); }

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
    // Every reader thread now runs a full barrier: one that has stored its
    // slot is seen below, one that has not yet will see the flag.
    if (asymmetricReaders) syscall(SYS_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0);
    // Readers hold their sections for a lookup at most: spin briefly, then
    // yield the core to them.
    const int32_t slots = slotHighWater.load(std::memory_order_seq_cst);
    for (int32_t index = 0; index < slots; ++index) {
        std::atomic<int32_t>& active = readerSlots[index].active;
        for (int spins = 0; active.load(std::memory_order_seq_cst) != 0; ++spins) {
            if (spins > 64) sched_yield();
        }
    }
    for (ReaderCounter& counter : readerCounters) {
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
