// How queries keep clear of a publication: the inside of
// DataInForce::Read and DataInForce::Publish (lifecycle/Snapshot.h), and
// nothing else uses it.
//
// A reader holds a ReadSection while it reads the snapshot in force. A
// publication swaps the snapshot pointer inside one WriteSection: the
// writer raises a flag, waits until no reader is inside a section, swaps,
// and lowers the flag. Readers thus wait for one pointer swap at most,
// never for a load, and once the section has ended no reader can still see
// the snapshot that was replaced, which is then destroyed.
//
// Why not a pthread_rwlock: its read lock writes one shared cache line, so
// two threads checking passwords fight over that line; it missed both
// targets the queries are held to (bench/Guard_bench.cpp measures it beside
// this guard). Here each reading thread owns a slot, a cache line of its own:
// entering is a store to the slot and a load of the writer flag. The writer
// pays for ordering the two with membarrier(MEMBARRIER_CMD_PRIVATE_EXPEDITED),
// a full barrier on every thread of the process. Without membarrier (older
// kernels, ThreadSanitizer, which does not model it) the reader orders them
// itself with an atomic exchange. Threads beyond kReaderSlots count on one
// shared counter instead.
//
// Nothing here runs in signal context: SIGALRM only marks a tick due, and the
// tick runs at the start of a later call (lifecycle/Reloader.h).
#ifndef PWDPOLICY_LIFECYCLE_DATAGUARD_H
#define PWDPOLICY_LIFECYCLE_DATAGUARD_H

#include <atomic>
#include <cstdint>

namespace guard {

constexpr int kReaderSlots = 256;
struct alignas(64) ReaderSlot {
    std::atomic<int32_t> active{0};   // 1 while its thread is inside a section
    std::atomic<int32_t> claimed{0};  // 1 while a live thread owns the slot
};
extern ReaderSlot readerSlots[kReaderSlots];
// 1 while a writer moves new content in.
extern std::atomic<int32_t> writerActive;
// True when writers issue membarrier, so that readers need no fence. Set
// once while the library loads, before any reader runs.
extern bool asymmetricReaders;

struct ThreadState {
    int readDepth;  // open ReadSections on this thread
    int slot;       // 1 + slot index; 0 = none claimed yet; -1 = counts on the shared counter
};
// __thread rather than thread_local: no initialisation wrapper to test on
// every access. Initial-exec: a fixed offset from the thread pointer, not a
// __tls_get_addr call per access (the library's static TLS is a few bytes).
// Not under AddressSanitizer: GCC 12's UBSan null check then misreads the
// variable's address in a statically linked test and reports a null access.
#if defined(__SANITIZE_ADDRESS__)
#define PPC_GUARD_TLS
#else
#define PPC_GUARD_TLS __attribute__((tls_model("initial-exec")))
#endif
extern __thread ThreadState threadState PPC_GUARD_TLS;

void EnterReadSlow();
void LeaveReadSlow();

}  // namespace guard

// Shared read access to the snapshot in force. Nests on one thread. Hold it
// only for a lookup: a writer waits for every open section.
class ReadSection {
public:
    ReadSection() {
        guard::ThreadState& state = guard::threadState;
        if (state.readDepth++ != 0) return;
        if (state.slot > 0 && guard::asymmetricReaders) {
            std::atomic<int32_t>& active = guard::readerSlots[state.slot - 1].active;
            active.store(1, std::memory_order_relaxed);
            // Only the compiler must keep the store before the load: the
            // writer's membarrier orders them on the processor.
            std::atomic_signal_fence(std::memory_order_seq_cst);
            if (guard::writerActive.load(std::memory_order_acquire) == 0) return;
            active.store(0, std::memory_order_release);
        }
        guard::EnterReadSlow();  // first section of the thread, a writer at work, or no membarrier
    }
    ~ReadSection() {
        guard::ThreadState& state = guard::threadState;
        if (--state.readDepth != 0) return;
        if (state.slot > 0) {
            guard::readerSlots[state.slot - 1].active.store(0, std::memory_order_release);
        } else {
            guard::LeaveReadSlow();
        }
    }
    ReadSection(const ReadSection&) = delete;
    ReadSection& operator=(const ReadSection&) = delete;
};

// True while this thread is inside a ReadSection: it must not publish (the
// writer would wait for this very thread).
inline bool InReadSection() { return guard::threadState.readDepth != 0; }

// Exclusive access to the snapshot pointer, for the moment a publication
// swaps it. REQUIRES: one writer at a time (the reload lock), and no
// ReadSection open on this thread.
class WriteSection {
public:
    WriteSection();
    ~WriteSection();
    WriteSection(const WriteSection&) = delete;
    WriteSection& operator=(const WriteSection&) = delete;
};

// fork() support (lifecycle/ForkSafety.cpp): the child starts with no
// writer and no reader inside a section but the forking thread's own (the
// threads that held the others do not exist there). The parent holds the
// reload lock meanwhile, so no publication is half done.
void GuardChildAfterFork();

#endif  // PWDPOLICY_LIFECYCLE_DATAGUARD_H
