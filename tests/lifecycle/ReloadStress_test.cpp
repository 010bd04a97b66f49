// Readers query while the main thread flips configuration and dictionary between
// two versions and signals every thread: each answer must come wholly from one.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ReloadTestUtil.h"
#include "TestEnv.h"
#include "Watchdog.h"

namespace {

using namespace reloadtest;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Version {
    int limits[5];
    const char* special;
    const char* dictionary;
    const char* onlyHere;
};
// Everything differs between the two, so a mix of them shows.
const Version kVersions[2] = {
    {{8, 16, 3, 6, 2}, "!@", "commonWeak1\nalphaOnly11\n", "alphaOnly11"},
    {{10, 20, 3, 9, 1}, "#$%", "commonWeak1\nbravoOnly22\n", "bravoOnly22"},
};

const char* const kKeys[5] = {"minlen", "maxlen", "minclass", "allowminlen", "allowminclass"};

std::string ConfigText(const Version& v, const std::string& dictionary) {
    std::string text = "[BASIC]\nweakPwdDic=" + dictionary + "\n[POLICY0]\nspecialchar=" + v.special + "\n";
    for (int i = 0; i < 5; ++i) text += kKeys[i] + ("=" + std::to_string(v.limits[i])) + "\n";
    return text;
}

std::atomic<long> mixed{0}, wordsLost{0};

void ReadOnce() {
    int limits[5] = {};
    const char* special = nullptr;
    bool whole = false;
    const bool ok = PPC_GetPolicy(0, limits, 5, &special) == PPC_OK;
    for (const Version& v : kVersions) {
        whole = whole || (memcmp(limits, v.limits, sizeof limits) == 0 && strcmp(special, v.special) == 0);
    }
    mixed += !(ok && whole);
    wordsLost += !(Weak("commonWeak1") == 1 && Weak("neverWeak99") == 0);
}

}  // namespace

// SIGALRM lands in host threads inside malloc, localtime_r and stdio, each holding a C library lock,
// and in the readers, which run the due ticks. The handler may only mark a tick due, or the thread deadlocks (the watchdog fails the
// hang; ThreadSanitizer an unsafe call). Meanwhile the readers see whole versions. Each replacement is
// signalled until in force (up to 5 s): a tick that finds another at work leaves at once.
TEST(ReloadStress, SignalsInMallocLocaltimeAndStdioNeverHang) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    const std::string dictionary = dir.WriteFile("dic.txt", kVersions[0].dictionary);
    config.Write(ConfigText(kVersions[0], dictionary));
    ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
    testenv::Watchdog watchdog(60s);
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (int i = 0; i < 6; ++i) {
        threads.emplace_back([&stop] {
            // A lower priority leaves the flipping thread enough of the two cores.
            setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
            while (!stop.load(std::memory_order_relaxed)) ReadOnce();
        });
    }
    // Host threads that sit in malloc (up to mmap sizes), localtime_r and stdio when the signal lands.
    FILE* out = fopen("/dev/null", "w");
    const std::function<void()> hostWork[] = {
        [] { for (size_t size = 16; size < (1 << 22); size *= 3) free(malloc(size)); },
        [] { const time_t now = time(nullptr); struct tm parts; localtime_r(&now, &parts); },
        [out] { fprintf(out, "line %ld %s\n", random(), "some text to format"); },
    };
    for (const auto& work : hostWork) {
        threads.emplace_back([&stop, work] { while (!stop.load(std::memory_order_relaxed)) work(); });
    }
    // A replacement between a reload and the renewal of its watches goes unseen (by default): the next
    // one, of the other file, reloads both.
    long seen = 0;
    const auto replace = [&](const std::string& path, const std::string& text, const std::function<bool()>& loaded) {
        ReplaceByRename(path, text);
        for (const auto given = Clock::now() + 5s; !loaded() && Clock::now() < given;) {
            for (std::thread& thread : threads) pthread_kill(thread.native_handle(), SIGALRM);
            kill(getpid(), SIGALRM);
            std::this_thread::sleep_for(50us);
        }
        seen += loaded();
    };
    for (auto end = Clock::now() + 10s; Clock::now() < end;) {
        for (const Version& v : {kVersions[1], kVersions[0]}) {
            replace(PPC_CONFIG_PATH, ConfigText(v, dictionary), [&] { return MinLen() == v.limits[0]; });
            replace(dictionary, v.dictionary, [&] { return Weak(v.onlyHere) == 1; });
        }
    }
    stop = true;
    for (std::thread& thread : threads) thread.join();
    fclose(out);
    EXPECT_EQ(mixed.load(), 0);
    EXPECT_EQ(wordsLost.load(), 0);
    EXPECT_GT(seen, 0);  // not vacuous: reloads happened (how many is up to the machine)
    EXPECT_EQ(MinLen(), kVersions[0].limits[0]);
}
