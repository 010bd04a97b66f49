// SIGALRM lands wherever a host's threads happen to be: inside malloc, in
// localtime_r, in stdio, each holding a lock of the C library. Workers loop
// in exactly those while the configuration is rewritten and SIGALRM is sent
// to each of them hundreds of times, and to the process while the main
// thread blocks it. The handler may only mark a tick due: anything more
// would deadlock on the lock its own thread holds (the watchdog turns such
// a hang into a failure; under ThreadSanitizer an unsafe call is reported).
// Afterwards the next call sees the last configuration.
#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "TestEnv.h"
#include "Watchdog.h"
#include "pwdpolicy.h"

namespace {

constexpr int kSignalsPerWorker = 300;

std::string Config(const std::string& dictionary, int minlen) {
    return "[BASIC]\nweakPwdDic=" + dictionary + "\n[POLICY0]\nminlen=" + std::to_string(minlen) +
           "\nmaxlen=40\nminclass=2\nspecialchar=!@\n";
}

void AllocateLoop(const std::atomic<bool>& stop) {
    size_t size = 16;
    while (!stop.load(std::memory_order_relaxed)) {
        void* a = malloc(size);
        void* b = malloc(size * 7 + 1);
        free(a);
        free(b);
        size = size > (1 << 20) ? 16 : size * 3;  // small bins to mmap-sized blocks
    }
}

void LocalTimeLoop(const std::atomic<bool>& stop) {
    time_t now = time(nullptr);
    struct tm parts {};
    while (!stop.load(std::memory_order_relaxed)) localtime_r(&now, &parts);
}

void StdioLoop(const std::atomic<bool>& stop, const std::string& path) {
    FILE* out = fopen(path.c_str(), "w");
    ASSERT_NE(out, nullptr);
    for (long i = 0; !stop.load(std::memory_order_relaxed); ++i) {
        fprintf(out, "line %ld %s\n", i, "some text to format");
        if (i % 4096 == 0) rewind(out);
    }
    fclose(out);
}

void SetAlarmBlocked(bool blocked) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGALRM);
    pthread_sigmask(blocked ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

}  // namespace

TEST(SignalStorm, HostThreadsInMallocLocaltimeAndStdioNeverHang) {
    testenv::Watchdog watchdog(std::chrono::seconds(90));
    testenv::ConfigFile config;
    testenv::TempDir dir;
    const std::string dictionary = dir.WriteFile("dic.txt", "alpha123\n");
    config.Write(Config(dictionary, 8));
    ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
    SetAlarmBlocked(true);  // threads started from here inherit the block

    std::atomic<bool> stop{false};
    std::atomic<long> queries{0};
    std::vector<std::thread> workers;
    const auto unblocked = [](auto loop) {
        return [loop] {
            SetAlarmBlocked(false);
            loop();
        };
    };
    workers.emplace_back(unblocked([&] { AllocateLoop(stop); }));
    workers.emplace_back(unblocked([&] { AllocateLoop(stop); }));
    workers.emplace_back(unblocked([&] { LocalTimeLoop(stop); }));
    workers.emplace_back(unblocked([&] { StdioLoop(stop, dir.Path() + "/stdio.txt"); }));
    // A host thread that uses the component meanwhile, so that due ticks
    // also run during the storm, in normal context.
    workers.emplace_back(unblocked([&] {
        while (!stop.load(std::memory_order_relaxed)) {
            unsigned int strong = 0;
            PPC_IsStrongPwd("Abcdefgh12!", &strong);
            queries.fetch_add(1, std::memory_order_relaxed);
        }
    }));

    int minlen = 8;
    for (int round = 0; round < kSignalsPerWorker; ++round) {
        for (std::thread& worker : workers) {
            config.Write(Config(dictionary, minlen = 8 + (minlen - 7) % 20));
            pthread_kill(worker.native_handle(), SIGALRM);
        }
        config.Write(Config(dictionary, minlen = 8 + (minlen - 7) % 20));
        kill(getpid(), SIGALRM);  // blocked here: one of the workers takes it
    }
    stop = true;
    for (std::thread& worker : workers) worker.join();

    int limits[5] = {};
    const char* special = nullptr;
    EXPECT_EQ(PPC_GetPolicy(0, limits, 5, &special), PPC_OK);
    EXPECT_EQ(limits[0], minlen);
    unsigned int verdict = 99;
    const std::string justShort(static_cast<size_t>(minlen - 1), 'a');
    EXPECT_EQ(PPC_IsMatchPolicy((justShort + "1").c_str(), 0, 0, &verdict), PPC_OK);
    EXPECT_EQ(verdict, PPC_MATCH);
    EXPECT_EQ(PPC_IsMatchPolicy(justShort.c_str(), 0, 0, &verdict), PPC_OK);
    EXPECT_EQ(verdict, PPC_TOO_SHORT);
    EXPECT_GT(queries.load(), 0);
}
