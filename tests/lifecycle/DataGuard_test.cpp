// The reader/writer guard on its own. "Still waiting" is checked after a pause:
// a correct guard never fails that, a broken one nearly always does.
#include "lifecycle/DataGuard.h"

#include <gtest/gtest.h>
#include <linux/membarrier.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <optional>
#include <thread>
#include <vector>

#include "Watchdog.h"
#include "support/ReloadLock.h"

namespace {

using namespace std::chrono_literals;

// A publication on a thread of its own.
std::future<void> Publish() { return std::async(std::launch::async, [] { ReloadLock lock; WriteSection write; }); }

int ClaimedSlots() {
    int claimed = 0;
    for (const guard::ReaderSlot& slot : guard::readerSlots) claimed += slot.claimed.load();
    return claimed;
}

void AwaitCount(const std::atomic<int>& count, int wanted) {
    while (count.load() < wanted) std::this_thread::yield();
}

// Where the kernel offers membarrier, readers need no fence (docs/benchmarks.md's guard cost rests on it).
TEST(DataGuard, ReadersNeedNoFenceWhereTheKernelOffersMembarrier) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "fenced readers under ThreadSanitizer";
#endif
    const long offered = syscall(SYS_membarrier, MEMBARRIER_CMD_QUERY, 0, 0);
    if (offered < 0 || (offered & MEMBARRIER_CMD_PRIVATE_EXPEDITED) == 0) GTEST_SKIP() << "no membarrier";
    EXPECT_TRUE(guard::asymmetricReaders);
}

// Threads beyond the slots count on a shared counter: with the slotted ones
// out, the writer still waits for them. Exiting threads give their slots back.
TEST(DataGuard, WriterWaitsForReadersBeyondTheSlotsAndExitsFreeThem) {
    testenv::Watchdog watchdog(60s);
    const int claimedBefore = ClaimedSlots();
    constexpr int kThreads = guard::kReaderSlots + 8;
    std::atomic<int> ready{0};
    std::atomic<int> onShared{0};
    std::promise<void> leave;
    std::shared_future<void> left = leave.get_future().share();
    std::vector<std::thread> readers;
    for (int i = 0; i < kThreads; ++i) {
        readers.emplace_back([&, left] {
            std::optional<ReadSection> read(std::in_place);
            guard::threadState.slot > 0 ? read.reset() : void(++onShared);
            ++ready;
            left.wait();
        });
    }
    AwaitCount(ready, kThreads);
    EXPECT_EQ(onShared.load(), 8 + claimedBefore);
    std::future<void> writer = Publish();
    EXPECT_EQ(writer.wait_for(100ms), std::future_status::timeout) << "a writer got in beside shared readers";
    leave.set_value();
    for (std::thread& reader : readers) reader.join();
    writer.get();
    EXPECT_EQ(ClaimedSlots(), claimedBefore);
}

// Nested read sections end with the outermost; readers wait for a publication.
TEST(DataGuard, NestedSectionsEndWithTheOutermostReadersWaitForPublication) {
    testenv::Watchdog watchdog(60s);
    std::atomic<int> innerClosed{0};
    std::promise<void> closeOuter;
    std::thread reader([&] {
        ReadSection outer;
        { ReadSection inner; }
        EXPECT_TRUE(InReadSection());
        ++innerClosed;
        closeOuter.get_future().wait();
    });
    AwaitCount(innerClosed, 1);
    std::future<void> writer = Publish();
    EXPECT_EQ(writer.wait_for(100ms), std::future_status::timeout) << "a writer got in beside the outer section";
    closeOuter.set_value();
    writer.get();
    reader.join();
    EXPECT_FALSE(InReadSection());

    std::future<void> late;
    {
        ReloadLock lock;
        WriteSection write;
        late = std::async(std::launch::async, [] { ReadSection section; });
        EXPECT_EQ(late.wait_for(100ms), std::future_status::timeout) << "a reader got in during a publication";
    }
    late.get();
    EXPECT_EQ(guard::writerActive.load(), 0);
}

// `child`'s exit status in a fork() child, between the guard's fork hooks (called directly: a static
// link registers no pthread_atfork handlers). The child needs no lock of the parent's meanwhile.
int ForkWithGuardHooks(int (*child)()) {
    ReloadLockPrepareFork();
    const int status = testenv::InChild([child] {
        ReloadLockChildAfterFork();
        GuardChildAfterFork();
        return child();
    });
    ReloadLockParentAfterFork();
    return status;
}

// Forked while this and another thread read: the child keeps its own section
// and publishes without waiting for the thread that is not there.
TEST(DataGuard, ForkChildStartsWithoutTheParentsReaders) {
    testenv::Watchdog watchdog(60s);
    std::promise<void> leave;
    std::atomic<int> inside{0};
    std::thread other([&] {
        ReadSection read;
        ++inside;
        leave.get_future().wait();
    });
    AwaitCount(inside, 1);
    {
        ReadSection own;
        // Its own slot only: the other thread's is free for the child's threads.
        EXPECT_EQ(ForkWithGuardHooks([] { return InReadSection() && ClaimedSlots() == 1 ? 0 : 3; }), 0);
    }
    EXPECT_EQ(ForkWithGuardHooks([] { ReloadLock lock; WriteSection write; return 0; }), 0);
    leave.set_value();
    other.join();
}

}  // namespace
