// How reloads, queries and finalisation keep clear of each other.
//
// A reload (InitData) runs inside the SIGALRM handler on whichever host
// thread the signal lands on, while other threads read the policy store and
// the dictionary. Four rules make that safe:
//
// 1. Deferred ticks. Every entry point of the component runs inside a
//    TickDeferral: a thread-local depth counter. A tick whose signal lands on
//    a thread with a non-zero depth does not run there and then; it marks
//    itself pending and runs, synchronously, when that thread leaves its
//    outermost section. So a handler never runs on a thread that holds one of
//    our locks, sits in one of our reader sections, or is inside malloc or
//    stdio on our behalf. This costs two thread-local increments, where
//    blocking SIGALRM around each query would cost two system calls.
//
// 2. Reader sections. Queries read the store and the dictionary in place
//    inside a ReadSection. Each thread claims a reader slot of its own (a
//    cache line) the first time: entering is a plain store of 1 to that slot
//    and a load of the writer flag; leaving is a store of 0. The writer pays
//    for the ordering instead: after raising its flag it issues
//    membarrier(MEMBARRIER_CMD_PRIVATE_EXPEDITED), which runs a full memory
//    barrier on every thread of the process, so a reader either sees the
//    flag or the writer sees its slot. Where the kernel has no membarrier
//    (or under ThreadSanitizer, which does not model it) entering takes an
//    atomic exchange instead. Threads beyond the slot count share 64
//    striped counters with atomic increments. Readers never write a line
//    in common, so they scale.
//
// 3. Write sections. A load builds its new data outside any section, then
//    swaps or copies it into the live objects inside a WriteSection, which
//    raises the writer flag and waits for the reader counters to drain. By
//    rule 1 the writer never runs on a thread that is itself inside a reader
//    section, so the wait always ends. Writers are serialised by the
//    recursive reloadLock, which also guards the inotify descriptors, so a
//    tick never reads a descriptor that PPC_Finalize is closing.
//
// 4. A tick never waits in the handler. It only tries the reload lock. When
//    another thread holds it (an initialisation loading, a finalisation
//    closing the monitor), the tick leaves a request behind and returns; the
//    holder runs the tick itself, as a pending tick of its own thread, when
//    it lets go of the lock (after a second try, so that no request is left
//    behind with nobody to see it). Without this, a handler blocked on the
//    lock would tie the interrupted thread to whatever the holder waits
//    for: a host thread interrupted inside malloc holds an arena lock that
//    the holder's load may need, and both would hang.
//
// Readers therefore see every record, special set and dictionary wholly
// before or wholly after a load, and nothing a reader can still see is
// freed. PPC_GetPolicy's special-set text is handed out of its section: it
// is an immutable copy the store keeps for its whole life (PolicyCfg).
//
// Compiling with PPC_UNGUARDED removes rules 1 to 3 (the benchmark's
// baseline); the reload lock stays, so the monitor keeps its descriptors
// safe.
#ifndef PWDPOLICY_LIFECYCLE_DATAGUARD_H
#define PWDPOLICY_LIFECYCLE_DATAGUARD_H

#include <atomic>
#include <csignal>
#include <cstdint>

// Per-thread state of the guard. Initial-exec TLS: the handler reads it, and
// that model never allocates on first access, so it is async-signal-safe.
struct GuardThreadState {
    int deferDepth;                   // open TickDeferrals on this thread
    int readDepth;                    // open ReadSections on this thread
    int lockDepth;                    // nested ReloadLocks held by this thread
    int stripe;                       // 1 + reader counter index; 0 = unassigned
    int slot;                         // 1 + reader slot index; 0 = none yet, -1 = none free
    int heldStripe;                   // the open section counts on the stripe, not the slot
    volatile sig_atomic_t tickPending;  // a tick arrived while deferDepth > 0
};
// __thread rather than thread_local: no initialisation wrapper to test on
// every access.
extern __thread GuardThreadState guardThreadState __attribute__((tls_model("initial-exec")));

// Readers in their sections, spread over stripes so that threads on
// different cores do not fight over one cache line.
constexpr int kReaderStripes = 64;
struct alignas(64) ReaderCounter {
    std::atomic<int32_t> count{0};
};
extern ReaderCounter readerCounters[kReaderStripes];
// One reader slot per thread that reads: 1 while it is inside a section.
constexpr int kReaderSlots = 256;
struct alignas(64) ReaderSlot {
    std::atomic<int32_t> active{0};
    std::atomic<int32_t> claimed{0};
};
extern ReaderSlot readerSlots[kReaderSlots];
// 1 while a writer publishes. Readers wait on it with a futex.
extern std::atomic<int32_t> writerActive;
// True when writers issue membarrier, so readers need no fence of their own.
// Set once when the library is loaded, before any reader can run.
extern bool asymmetricReaders;

// Slow paths, out of line.
void RunPendingTick();
void EnterReadSlow();
void LeaveReadStripe();

// Holds off ticks on this thread until the outermost section ends.
class TickDeferral {
public:
    TickDeferral() {
#ifndef PPC_UNGUARDED
        ++guardThreadState.deferDepth;
        std::atomic_signal_fence(std::memory_order_seq_cst);
#endif
    }
    ~TickDeferral() {
#ifndef PPC_UNGUARDED
        std::atomic_signal_fence(std::memory_order_seq_cst);
        const int depth = --guardThreadState.deferDepth;
        // The new depth must be in memory before the flag is read: a signal
        // in between then runs its tick at once instead of being lost.
        std::atomic_signal_fence(std::memory_order_seq_cst);
        if (depth == 0 && guardThreadState.tickPending) RunPendingTick();
#endif
    }
    TickDeferral(const TickDeferral&) = delete;
    TickDeferral& operator=(const TickDeferral&) = delete;
};

// Called first thing by the SIGALRM handler. True when this thread is inside
// a section: the tick has been marked pending and must return at once.
// Async-signal-safe.
bool DeferTickIfBusy();

// Shared read access to the store and the dictionary. Nests on one thread.
class ReadSection {
public:
    ReadSection() {
#ifndef PPC_UNGUARDED
        if (guardThreadState.readDepth++ != 0) return;
        const int slot = guardThreadState.slot;
        if (slot > 0 && asymmetricReaders) {
            std::atomic<int32_t>& active = readerSlots[slot - 1].active;
            active.store(1, std::memory_order_relaxed);
            // Only the compiler must keep the store before the load; the
            // writer's membarrier orders them on the processor.
            std::atomic_signal_fence(std::memory_order_seq_cst);
            if (writerActive.load(std::memory_order_acquire) == 0) return;
            active.store(0, std::memory_order_release);
        }
        EnterReadSlow();  // first section of this thread, a writer at work, or no membarrier
#endif
    }
    ~ReadSection() {
#ifndef PPC_UNGUARDED
        if (--guardThreadState.readDepth != 0) return;
        if (guardThreadState.heldStripe == 0) {
            readerSlots[guardThreadState.slot - 1].active.store(0, std::memory_order_release);
        } else {
            LeaveReadStripe();
        }
#endif
    }
    ReadSection(const ReadSection&) = delete;
    ReadSection& operator=(const ReadSection&) = delete;

private:
    TickDeferral deferral_;
};

// Serialises loads and monitor changes among themselves (recursive), without
// excluding readers. Loads parse and build under it. When the outermost
// ReloadLock of a thread ends, a tick that found the lock busy (TryTick)
// becomes a pending tick of this thread.
class ReloadLock {
public:
    ReloadLock();
    ~ReloadLock();
    ReloadLock(const ReloadLock&) = delete;
    ReloadLock& operator=(const ReloadLock&) = delete;

protected:
    struct TryTag {};
    explicit ReloadLock(TryTag);
    bool owned_ = true;

private:
    TickDeferral deferral_;
};

// The reload lock as a tick takes it: without waiting. When another thread
// holds the lock, Owned() is false and the holder will run the tick when it
// lets go (rule 4 above). Async-signal-safe.
class TickLock : public ReloadLock {
public:
    TickLock() : ReloadLock(TryTag{}) {}
    bool Owned() const { return owned_; }
};

// Drops a tick request that no thread has taken up yet (library unload).
void DropTickRequest();

// Exclusive access to the live store and dictionary, for the short moment a
// load publishes what it built. REQUIRES: no ReadSection on this thread.
class WriteSection {
public:
    WriteSection();
    ~WriteSection();
    WriteSection(const WriteSection&) = delete;
    WriteSection& operator=(const WriteSection&) = delete;

private:
    ReloadLock lock_;
};

#endif  // PWDPOLICY_LIFECYCLE_DATAGUARD_H
