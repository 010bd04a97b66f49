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
//    inside a ReadSection: an atomic increment of one of 64 cache-line
//    padded counters (chosen by thread), then a check that no writer is
//    active. Readers never write shared lines in common, so they scale.
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
// freed. A pointer handed out of a section (PPC_GetPolicy's special set) is
// outside this promise once the section has ended.
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
// 1 while a writer publishes. Readers wait on it with a futex.
extern std::atomic<int32_t> writerActive;

// Slow paths, out of line.
void RunPendingTick();
void EnterReadSlow();

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
        const int stripe = guardThreadState.stripe;
        if (stripe != 0) {
            // The increment and the flag load pair with the writer's flag
            // store and counter loads: one of the two sides always sees the
            // other.
            std::atomic<int32_t>& count = readerCounters[stripe - 1].count;
            count.fetch_add(1, std::memory_order_seq_cst);
            if (writerActive.load(std::memory_order_seq_cst) == 0) return;
            count.fetch_sub(1, std::memory_order_seq_cst);
        }
        EnterReadSlow();  // first section of this thread, or a writer at work
#endif
    }
    ~ReadSection() {
#ifndef PPC_UNGUARDED
        if (--guardThreadState.readDepth == 0) {
            readerCounters[guardThreadState.stripe - 1].count.fetch_sub(1, std::memory_order_release);
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
