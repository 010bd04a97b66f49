// The reader/writer guard on its own (lifecycle/DataGuard.h): slots given
// back at thread exit, threads beyond the slots, a writer that waits for
// every open section and readers that wait for a publication, nesting, and a
// fork child that starts clean. "Still waiting" is checked after a pause:
// a correct guard can never fail that check, a broken one is caught in
// nearly every run.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "Watchdog.h"
#include "lifecycle/DataGuard.h"

namespace {

using namespace std::chrono_literals;

// A gate that threads wait at until it opens.
class Gate {
public:
    void Open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }
    void Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        opened_.wait(lock, [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

// Runs a publication on a thread of its own; Done() once it has got in.
class Writer {
public:
    Writer()
        : thread_([this] {
              ReloadLock lock;
              WriteSection write;
              done_ = true;
          }) {}
    ~Writer() { thread_.join(); }
    bool Done() const { return done_; }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

int ClaimedSlots() {
    int claimed = 0;
    for (const guard::ReaderSlot& slot : guard::readerSlots) claimed += slot.claimed.load();
    return claimed;
}

TEST(DataGuard, ThreadExitGivesItsSlotBack) {
    int slot = 0;
    std::thread([&slot] {
        ReadSection read;
        slot = guard::threadState.slot;
    }).join();
    ASSERT_GT(slot, 0);
    EXPECT_EQ(guard::readerSlots[slot - 1].claimed.load(), 0);
    EXPECT_EQ(guard::readerSlots[slot - 1].active.load(), 0);
}

// More reading threads than slots: the rest count on the shared counter, and
// a writer waits for those too. Every slot is free again once they end.
TEST(DataGuard, WriterWaitsForReadersBeyondTheSlots) {
    testenv::Watchdog watchdog(60s);
    constexpr int kThreads = guard::kReaderSlots + 8;
    const int claimedBefore = ClaimedSlots();
    std::atomic<int> inside{0};
    std::atomic<int> shared{0};
    Gate leave;
    std::vector<std::thread> readers;
    for (int i = 0; i < kThreads; ++i) {
        readers.emplace_back([&] {
            ReadSection read;
            if (guard::threadState.slot < 0) ++shared;
            ++inside;
            leave.Wait();
        });
    }
    while (inside.load() < kThreads) std::this_thread::yield();
    EXPECT_EQ(shared.load(), kThreads - (guard::kReaderSlots - claimedBefore));
    {
        Writer writer;
        std::this_thread::sleep_for(100ms);
        EXPECT_FALSE(writer.Done()) << "a writer got in while readers were inside";
        leave.Open();
        for (std::thread& reader : readers) reader.join();
    }
    EXPECT_EQ(ClaimedSlots(), claimedBefore);
}

// The one reader left inside is on the shared counter: the writer must
// still wait for it.
TEST(DataGuard, WriterWaitsForASharedCounterReader) {
    testenv::Watchdog watchdog(60s);
    std::vector<std::thread> holders;  // hold every free slot
    Gate release;
    std::atomic<int> holding{0};
    const int freeSlots = guard::kReaderSlots - ClaimedSlots();
    for (int i = 0; i < freeSlots; ++i) {
        holders.emplace_back([&] {
            { ReadSection claim; }  // claims a slot, then leaves the section
            ++holding;
            release.Wait();
        });
    }
    while (holding.load() < freeSlots) std::this_thread::yield();
    Gate leave;
    std::atomic<bool> inside{false};
    std::thread reader([&] {
        ReadSection read;
        EXPECT_LT(guard::threadState.slot, 0);
        inside = true;
        leave.Wait();
    });
    while (!inside.load()) std::this_thread::yield();
    {
        Writer writer;
        std::this_thread::sleep_for(100ms);
        EXPECT_FALSE(writer.Done());
        leave.Open();
    }
    reader.join();
    release.Open();
    for (std::thread& holder : holders) holder.join();
}

// A reader arriving during a publication waits for it to end.
TEST(DataGuard, ReaderWaitsForAPublication) {
    testenv::Watchdog watchdog(60s);
    std::atomic<bool> read{false};
    std::thread reader;
    {
        ReloadLock lock;
        WriteSection write;
        reader = std::thread([&read] {
            ReadSection section;
            read = true;
        });
        std::this_thread::sleep_for(100ms);
        EXPECT_FALSE(read.load()) << "a reader got in during a publication";
    }
    reader.join();
    EXPECT_TRUE(read.load());
}

// Sections nest: the thread stays inside until its outermost one ends, and
// a nested publication ends with its outermost WriteSection.
TEST(DataGuard, NestedSectionsEndWithTheOutermost) {
    testenv::Watchdog watchdog(60s);
    std::atomic<bool> innerClosed{false};
    Gate closeOuter;
    std::thread reader([&] {
        ReadSection outer;
        { ReadSection inner; }
        EXPECT_TRUE(InReadSection());
        innerClosed = true;
        closeOuter.Wait();
    });
    while (!innerClosed.load()) std::this_thread::yield();
    {
        Writer writer;
        std::this_thread::sleep_for(100ms);
        EXPECT_FALSE(writer.Done()) << "a writer got in while the outer section was open";
        closeOuter.Open();
    }
    reader.join();
    EXPECT_FALSE(InReadSection());

    ReloadLock lock;
    {
        WriteSection outer;
        { WriteSection inner; }
        EXPECT_EQ(guard::writerActive.load(), 1);
    }
    EXPECT_EQ(guard::writerActive.load(), 0);
}

// fork() with the guard's hooks around it, as the library's pthread_atfork
// handlers (lifecycle/ForkSafety.cpp, which Fork_test covers through the C
// interface) call them. Called here directly, so that the test means the
// same with the guard linked statically, where nothing registers them.
pid_t ForkWithGuardHooks() {
    GuardPrepareFork();
    const pid_t child = fork();
    if (child == 0) {
        GuardChildAfterFork();
    } else {
        GuardParentAfterFork();
    }
    return child;
}

// A fork while another thread is inside a section, and while the forking
// thread itself is: the child publishes without waiting for the thread
// that is not there, and keeps its own section.
TEST(DataGuard, ForkChildStartsWithoutTheParentsReaders) {
    testenv::Watchdog watchdog(60s);
    Gate leave;
    std::atomic<bool> inside{false};
    std::thread other([&] {
        ReadSection read;
        inside = true;
        leave.Wait();
    });
    while (!inside.load()) std::this_thread::yield();
    pid_t child = 0;
    {
        ReadSection own;
        child = ForkWithGuardHooks();
        if (child == 0) _exit(InReadSection() ? 0 : 3);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    child = ForkWithGuardHooks();
    if (child == 0) {
        alarm(20);  // a hang ends the child with SIGALRM
        {
            ReloadLock lock;
            WriteSection write;
        }
        _exit(0);
    }
    ASSERT_GT(child, 0);
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    leave.Open();
    other.join();
}

}  // namespace
