#include "lifecycle/DataGuard.h"

#include <linux/futex.h>
#include <linux/membarrier.h>
#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace guard {

ReaderSlot readerSlots[kReaderSlots];
alignas(64) std::atomic<int32_t> writerActive{0};
bool asymmetricReaders = false;
__thread ThreadState threadState PPC_GUARD_TLS = {};

namespace {

// Readers of threads that found no free slot.
alignas(64) std::atomic<int32_t> sharedReaders{0};
// Slots below this index have been claimed at some time; writers scan them.
std::atomic<int32_t> slotHighWater{0};

pthread_key_t slotKey;
bool slotKeyReady = false;
pthread_once_t slotKeyOnce = PTHREAD_ONCE_INIT;

long Futex(std::atomic<int32_t>* word, int op, int32_t value) {
    return syscall(SYS_futex, reinterpret_cast<int32_t*>(word), op, value, nullptr, nullptr, 0);
}

// Gives a thread's slot back when the thread ends; runs on that thread.
void ReleaseSlot(void* value) {
    const intptr_t index = reinterpret_cast<intptr_t>(value) - 1;
    // A section opened later in this thread's exit (another key's
    // destructor) must not use a slot that another thread may claim now.
    threadState.slot = -1;
    readerSlots[index].active.store(0, std::memory_order_relaxed);
    readerSlots[index].claimed.store(0, std::memory_order_release);
}

void CreateSlotKey() { slotKeyReady = pthread_key_create(&slotKey, ReleaseSlot) == 0; }

// 1 + the index of a slot claimed for this thread, or -1 when none is free
// or the slot could not be given back at thread exit.
int ClaimSlot() {
    pthread_once(&slotKeyOnce, CreateSlotKey);
    if (!slotKeyReady) return -1;
    for (int index = 0; index < kReaderSlots; ++index) {
        if (readerSlots[index].claimed.load(std::memory_order_relaxed) != 0) continue;
        if (readerSlots[index].claimed.exchange(1, std::memory_order_acq_rel) != 0) continue;
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

// Spins briefly on a reader's count, then yields the core to it: readers
// hold their sections for one lookup.
void WaitUntilZero(const std::atomic<int32_t>& count) {
    for (int spins = 0; count.load(std::memory_order_seq_cst) != 0; ++spins) {
        if (spins > 64) sched_yield();
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

__attribute__((constructor)) void ChooseReaderFences() { asymmetricReaders = RegisterMembarrier(); }

}  // namespace

// The way in when the inline one did not get through: the thread's first
// section (no slot yet), a writer at work, or no membarrier.
void EnterReadSlow() {
    ThreadState& state = threadState;
    if (state.slot == 0) state.slot = ClaimSlot();
    std::atomic<int32_t>& count =
        state.slot > 0 ? readerSlots[state.slot - 1].active : sharedReaders;
    for (;;) {
        // A full barrier of the reader's own, so this is correct with or
        // without the writer's membarrier: the reader sees the flag, or the
        // writer sees the count.
        count.fetch_add(1, std::memory_order_seq_cst);
        if (writerActive.load(std::memory_order_seq_cst) == 0) return;
        count.fetch_sub(1, std::memory_order_seq_cst);
        WaitWhileWriterActive();
    }
}

void LeaveReadSlow() { sharedReaders.fetch_sub(1, std::memory_order_release); }

}  // namespace guard

using namespace guard;

WriteSection::WriteSection() {
    // A writer inside its own reader section would wait for itself forever.
    if (threadState.readDepth != 0) abort();
    writerActive.store(1, std::memory_order_seq_cst);
    // Every reader thread now runs a full barrier: one that has stored its
    // slot is seen below, one that has not yet will see the flag.
    if (asymmetricReaders) syscall(SYS_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0);
    const int32_t slots = slotHighWater.load(std::memory_order_seq_cst);
    for (int32_t index = 0; index < slots; ++index) WaitUntilZero(readerSlots[index].active);
    WaitUntilZero(sharedReaders);
}

WriteSection::~WriteSection() {
    writerActive.store(0, std::memory_order_seq_cst);
    Futex(&writerActive, FUTEX_WAKE_PRIVATE, INT32_MAX);
}

void GuardChildAfterFork() {
    writerActive.store(0, std::memory_order_relaxed);
    // Sections that other threads had open are gone with those threads, and
    // so are their slots; this thread keeps its own, and its open section.
    const int own = threadState.slot - 1;
    const int32_t inSection = threadState.readDepth != 0 ? 1 : 0;
    for (int index = 0; index < kReaderSlots; ++index) {
        readerSlots[index].active.store(index == own ? inSection : 0, std::memory_order_relaxed);
        readerSlots[index].claimed.store(index == own ? 1 : 0, std::memory_order_relaxed);
    }
    sharedReaders.store(own < 0 ? inSection : 0, std::memory_order_relaxed);
}
