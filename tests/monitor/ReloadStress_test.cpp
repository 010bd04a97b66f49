// Reader threads query without pause while the main thread flips the
// configuration and the dictionary between two versions and sends SIGALRM
// to the process and to each reader. Every answer must come wholly from one
// version: a record, special set or dictionary seen half rewritten gives an
// answer that neither version can give.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ReloadTestUtil.h"
#include "TestEnv.h"
#include "Watchdog.h"
#include "lifecycle/DataGuard.h"

namespace {

using namespace reloadtest;
using Clock = std::chrono::steady_clock;

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

std::string ConfigText(const Version& v, const std::string& dictionary) {
    char text[512];
    snprintf(text, sizeof text,
             "[BASIC]\nweakPwdDic=%s\n[POLICY0]\nminlen=%d\nmaxlen=%d\nminclass=%d\nallowminlen=%d\n"
             "allowminclass=%d\nspecialchar=%s\n",
             dictionary.c_str(), v.limits[0], v.limits[1], v.limits[2], v.limits[3], v.limits[4], v.special);
    return text;
}

std::atomic<bool> stop{false};
std::atomic<long> failures{0};
std::string firstFailure;  // written by the first failure only

void Check(bool ok, const char* what, long value) {
    if (!ok && failures.fetch_add(1) == 0) firstFailure = what + std::string(" ") + std::to_string(value);
}

// One version's minlen long, with at least one special and only that version's.
bool FromOneVersion(const char* pwd, unsigned int length) {
    for (const Version& v : kVersions) {
        if (length != static_cast<unsigned int>(v.limits[0]) || strlen(pwd) != length) continue;
        std::string specials;
        for (const char* c = pwd; *c != '\0'; ++c) {
            if (!isalnum(static_cast<unsigned char>(*c))) specials += *c;
        }
        return !specials.empty() && specials.find_first_not_of(v.special) == std::string::npos;
    }
    return false;
}

void ReadLoop() {
    // A lower priority leaves the flipping thread enough of the two cores.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
    while (!stop.load(std::memory_order_relaxed)) {
        {
            ReadSection hold;  // the special set is the store's: no reload while it is read
            int limits[5] = {};
            const char* special = nullptr;
            const bool ok = PPC_GetPolicy(0, limits, 5, &special) == PPC_OK;
            bool whole = false;
            for (const Version& v : kVersions) {
                whole = whole ||
                        (memcmp(limits, v.limits, sizeof limits) == 0 && strcmp(special, v.special) == 0);
            }
            Check(ok && whole, "policy minlen*100+maxlen", limits[0] * 100 + limits[1]);
        }
        // 9 bytes, '!': A matches, B finds it too short; A's set with B's minlen gives 4.
        unsigned int verdict = 99;
        PPC_IsMatchPolicy("Abcdefg1!", 0, 1, &verdict);
        Check(verdict == PPC_MATCH || verdict == PPC_TOO_SHORT, "short verdict", verdict);
        // 19 bytes, '#': A refuses the special, B matches; B's set with A's maxlen gives 2.
        verdict = 99;
        PPC_IsMatchPolicy("Abcdefghijklmnopq1#", 0, 1, &verdict);
        Check(verdict == PPC_MATCH || verdict == PPC_BAD_SPECIAL_CHAR, "long verdict", verdict);
        Check(Weak("commonWeak1") == 1, "common word", 0);
        Check(Weak("neverWeak99") == 0, "absent word", 0);
        char* pwd = nullptr;
        unsigned int length = 0;
        const bool generated = PPC_GenSecPwdByPolicy(0, &pwd, &length) == PPC_OK;
        Check(generated && FromOneVersion(pwd, length), "generated length", length);
        free(pwd);
    }
}

void SignalEveryone(std::vector<std::thread>& threads) {
    for (std::thread& thread : threads) pthread_kill(thread.native_handle(), SIGALRM);
    kill(getpid(), SIGALRM);
}

class ReloadStress : public ::testing::Test {
protected:
    void SetUp() override {
        dictionary_ = dir_.WriteFile("dic.txt", kVersions[0].dictionary);
        config_.Write(ConfigText(kVersions[0], dictionary_));
        ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
        // The main thread writes files between ticks, so takes no SIGALRM;
        // threads started from here inherit the block and lift it themselves.
        SetAlarmBlocked(true);
    }

    // Four readers and `others` run while the files flip for `duration`.
    // With `await`, each replacement is signalled until it is in force, for
    // up to 5 s: a tick that finds another at work leaves at once, and that
    // one may have read the queue too early.
    void Run(std::chrono::seconds duration, bool await, std::vector<std::function<void()>> others) {
        testenv::Watchdog watchdog(std::chrono::seconds(60));
        others.insert(others.end(), 4, ReadLoop);
        std::vector<std::thread> threads;
        for (const auto& body : others) {
            threads.emplace_back([&body] {
                SetAlarmBlocked(false);
                body();
            });
        }
        const auto replace = [&](const std::string& path, const std::string& text,
                                 const std::function<bool()>& loaded) {
            ReplaceByRename(path, text);
            SignalEveryone(threads);
            for (const auto end = Clock::now() + std::chrono::seconds(5);
                 await && !loaded() && Clock::now() < end;) {
                std::this_thread::sleep_for(std::chrono::microseconds(50));
                SignalEveryone(threads);
            }
        };
        for (auto end = Clock::now() + duration; Clock::now() < end;) {
            for (const Version& v : {kVersions[1], kVersions[0]}) {
                replace(PPC_CONFIG_PATH, ConfigText(v, dictionary_), [&] { return MinLen() == v.limits[0]; });
                replace(dictionary_, v.dictionary, [&] { return Weak(v.onlyHere) == 1; });
            }
        }
        stop = true;
        for (std::thread& thread : threads) thread.join();
        EXPECT_EQ(failures.load(), 0) << "first: " << firstFailure;
    }

    testenv::ConfigFile config_;
    testenv::TempDir dir_;
    std::string dictionary_;
};

}  // namespace

TEST_F(ReloadStress, ReadersSeeWholeVersionsDuringReloads) {
    Run(std::chrono::seconds(10), true, {});
    // Not vacuous: reloads happened while the readers ran. (How many is up
    // to the machine: a bound of half the replacements failed 1 run in 15.)
    EXPECT_NE(testenv::ReadFile(testenv::LogPath()).find("call InitData to refresh cache"), std::string::npos);
}

TEST_F(ReloadStress, FinalizeAndInitializeMeanwhile) {
    std::atomic<long> cycles{0};
    Run(std::chrono::seconds(5), false, {[&cycles] {
            while (!stop.load(std::memory_order_relaxed)) {
                PPC_Finalize();
                PPC_Initialize(nullptr, 1, 1);  // 1002 when a query got there first
                ++cycles;
            }
        }});
    EXPECT_GT(cycles.load(), 0);
}
