// SIGALRM lands wherever a host's threads happen to be: inside malloc, in
// localtime_r, in stdio, each holding a lock of the C library. Workers loop
// in exactly those while the configuration is rewritten and SIGALRM is sent
// to each of them hundreds of times, and to the process while the main
// thread blocks it. The handler may only mark a tick due: anything more
// would deadlock on the lock its own thread holds (the watchdog turns such
// a hang into a failure; under ThreadSanitizer an unsafe call is reported).
// Afterwards the next call sees the last configuration.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ReloadTestUtil.h"
#include "TestEnv.h"
#include "Watchdog.h"

TEST(SignalStorm, HostThreadsInMallocLocaltimeAndStdioNeverHang) {
    using reloadtest::Config;
    testenv::Watchdog watchdog(std::chrono::seconds(90));
    testenv::ConfigFile config;
    testenv::TempDir dir;
    const std::string dictionary = dir.WriteFile("dic.txt", "alpha123\n");
    config.Write(Config(dictionary, 8));
    ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
    reloadtest::SetAlarmBlocked(true);  // threads started from here inherit the block

    std::atomic<bool> stop{false};
    std::atomic<long> queries{0};
    FILE* out = fopen((dir.Path() + "/stdio.txt").c_str(), "w");
    ASSERT_NE(out, nullptr);
    const std::function<void()> loops[] = {
        [] {
            // Small bins to mmap-sized blocks.
            for (size_t size = 16; size < (1 << 22); size *= 3) free(malloc(size));
        },
        [] { free(malloc(40)); },
        [] {
            const time_t now = time(nullptr);
            struct tm parts {};
            localtime_r(&now, &parts);
        },
        [out] {
            fprintf(out, "line %ld %s\n", random(), "some text to format");
            if (ftell(out) > (1 << 16)) rewind(out);
        },
        // A host thread that uses the component meanwhile, so that due
        // ticks also run during the storm, in normal context.
        [&queries] {
            unsigned int strong = 0;
            PPC_IsStrongPwd("Abcdefgh12!", &strong);
            ++queries;
        },
    };
    std::vector<std::thread> workers;
    for (const auto& loop : loops) {
        workers.emplace_back([&stop, &loop] {
            reloadtest::SetAlarmBlocked(false);
            while (!stop.load(std::memory_order_relaxed)) loop();
        });
    }
    while (queries.load() == 0) std::this_thread::yield();  // not vacuous: ticks run meanwhile
    int minlen = 8;
    for (int round = 0; round < 300; ++round) {
        for (std::thread& worker : workers) {
            config.Write(Config(dictionary, minlen = 8 + (minlen - 7) % 20));
            pthread_kill(worker.native_handle(), SIGALRM);
        }
        config.Write(Config(dictionary, minlen = 8 + (minlen - 7) % 20));
        kill(getpid(), SIGALRM);  // blocked here: one of the workers takes it
    }
    stop = true;
    for (std::thread& worker : workers) worker.join();
    fclose(out);

    EXPECT_EQ(reloadtest::MinLen(), minlen);
    unsigned int verdict = 99;
    const std::string justShort(static_cast<size_t>(minlen - 1), 'a');
    EXPECT_EQ(PPC_IsMatchPolicy((justShort + "1").c_str(), 0, 0, &verdict), PPC_OK);
    EXPECT_EQ(verdict, PPC_MATCH);
    EXPECT_EQ(PPC_IsMatchPolicy(justShort.c_str(), 0, 0, &verdict), PPC_OK);
    EXPECT_EQ(verdict, PPC_TOO_SHORT);
}
