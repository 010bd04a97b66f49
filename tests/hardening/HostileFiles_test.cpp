// The configuration and the dictionary are the operator's files, but what
// stands at their paths can be anything: a directory, a FIFO, a symlink
// loop, a file that vanishes or shrinks under the reader. Every case here
// has a defined outcome: the load fails with its code (or succeeds), the
// process neither crashes nor hangs nor leaks a descriptor, and a failed
// load leaves the data already in force untouched.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "TestEnv.h"
#include "TestPasswords.h"
#include "lifecycle/Globals.h"
#include "pwdpolicy.h"

namespace {

constexpr int32_t kConfigUnreadable = 1005;
constexpr int32_t kDictionaryUnreadable = 12;

int OpenDescriptors() {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    while (dir != nullptr && readdir(dir) != nullptr) ++count;
    if (dir != nullptr) closedir(dir);
    return count;
}

// A component initialised from a configuration with policy 0 (minlen 8)
// and policy 1 (minlen 12), and a dictionary that holds kWeak.
class Loaded : public ::testing::Test {
protected:
    void SetUp() override {
        dicPath_ = dir_.WriteFile("weak.dic", std::string("123456\n") + testpasswords::kWeak + "\n");
        config_.Write(ConfigText(8));
        ASSERT_EQ(PPC_Initialize(nullptr, 0, 1), PPC_OK);
        ExpectDataInForce();
        descriptors_ = OpenDescriptors();
    }
    void TearDown() override { EXPECT_EQ(OpenDescriptors(), descriptors_) << "descriptor leak"; }

    std::string ConfigText(int minlen) const { return ConfigText(minlen, dicPath_); }
    static std::string ConfigText(int minlen, const std::string& dictionary) {
        return "[BASIC]\nweakPwdDic=" + dictionary + "\ntimerInterval=60\n[POLICY0]\nminlen=" +
               std::to_string(minlen) + "\nmaxlen=32\nminclass=3\n[POLICY1]\nminlen=12\n";
    }

    // The data loaded by SetUp is what the component answers with.
    static void ExpectDataInForce() {
        int limits[5] = {};
        const char* special = nullptr;
        ASSERT_EQ(PPC_GetPolicy(0, limits, 5, &special), PPC_OK);
        EXPECT_EQ(limits[0], 8);
        ASSERT_EQ(PPC_GetPolicy(1, limits, 5, &special), PPC_OK);
        EXPECT_EQ(limits[0], 12);
        unsigned int weak = 0;
        ASSERT_EQ(PPC_IsWeakPwd(testpasswords::kWeak, &weak), PPC_OK);
        EXPECT_EQ(weak, 1u);
        ASSERT_EQ(PPC_IsWeakPwd(testpasswords::kStrong, &weak), PPC_OK);
        EXPECT_EQ(weak, 0u);
    }

    // Runs a load on another thread: a load that blocks (on a FIFO, say)
    // fails the test instead of hanging it.
    static int32_t LoadWithin(std::function<int32_t()> load) {
        std::packaged_task<int32_t()> task(std::move(load));
        std::future<int32_t> result = task.get_future();
        std::thread(std::move(task)).detach();
        if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ADD_FAILURE() << "the load did not return within 10 s";
            fflush(nullptr);
            _exit(1);  // the blocked thread cannot be joined
        }
        return result.get();
    }

    testenv::ConfigFile config_;
    testenv::TempDir dir_;
    std::string dicPath_;
    int descriptors_ = 0;
};

// Things that stand at a path and are not a readable regular file. Each
// `make` replaces what is at `path` and returns the path to load.
struct HostilePath {
    const char* kind;
    std::string (*make)(const std::string& path);
    bool forConfig;  // the configuration's path is fixed: only what stands there varies
};
const HostilePath kHostilePaths[] = {
    {"missing", [](const std::string& path) { return path; }, true},
    {"directory", [](const std::string& path) { mkdir(path.c_str(), 0755); return path; }, true},
    {"fifo", [](const std::string& path) { mkfifo(path.c_str(), 0644); return path; }, true},
    {"symlink to itself",
     [](const std::string& path) { (void)symlink(path.c_str(), path.c_str()); return path; }, true},
    {"empty path", [](const std::string&) { return std::string(); }, false},
    {"below a regular file",
     [](const std::string& path) { std::ofstream(path) << "x\n"; return path + "/weak.dic"; }, false},
};

// Every load fails with its code, without blocking, and the data in force
// stays: the configuration and the dictionary, loaded alone (PolicyCfg::Init,
// WeakPwdDic::Init) and together (InitData).
TEST_F(Loaded, UnreadablePathsFailAndKeepTheData) {
    const std::string config = testenv::ConfigFile::Path();
    for (const HostilePath& hostile : kHostilePaths) {
        SCOPED_TRACE(hostile.kind);
        std::filesystem::remove_all(dicPath_);
        const std::string dictionary = hostile.make(dicPath_);
        EXPECT_EQ(LoadWithin([&] { return weakpwdDic.Init(dictionary); }), kDictionaryUnreadable);
        config_.Write(ConfigText(8, dictionary));
        EXPECT_EQ(LoadWithin(InitData), kDictionaryUnreadable);
        ExpectDataInForce();
        std::filesystem::remove_all(dicPath_);
        dir_.WriteFile("weak.dic", std::string("123456\n") + testpasswords::kWeak + "\n");

        if (!hostile.forConfig) continue;
        config_.Remove();
        hostile.make(config);
        EXPECT_LT(LoadWithin([&] { return policyCfgObj.Init(config); }), 0);
        EXPECT_EQ(LoadWithin(InitData), kConfigUnreadable);
        ExpectDataInForce();
        config_.Remove();
    }
}

// Rewrites `path` over and over, alternating two contents, each truncated
// first and then written in pieces of `piece` bytes, until destroyed.
class Rewriter {
public:
    Rewriter(const std::string& path, const std::string& first, const std::string& second,
             size_t piece)
        : thread_([this, path, first, second, piece] {
              for (int round = 0; !stop_.load(); ++round) {
                  const std::string& text = round % 2 == 0 ? second : first;
                  const int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
                  if (fd < 0) continue;
                  for (size_t at = 0; at < text.size(); at += piece) {
                      const size_t size = std::min(piece, text.size() - at);
                      if (write(fd, text.data() + at, size) < 0) break;
                  }
                  close(fd);
              }
          }) {}
    ~Rewriter() {
        stop_ = true;
        thread_.join();
    }
    Rewriter(const Rewriter&) = delete;
    Rewriter& operator=(const Rewriter&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A writer truncates and rewrites the file while the main thread loads it
// again and again. The two contents have the same layout (only letters or
// digits differ), so whatever mix of them a load meets, its lines keep
// their shape: each load must give lines of that shape, with at most the
// last one cut short. Nothing may crash.
TEST(TruncatedWhileRead, DictionaryLoadsOnlyWholeLinesAndOneCutLine) {
    testenv::TempDir dir;
    std::string first, second;
    char line[32];
    for (int i = 0; i < 4000; ++i) {
        snprintf(line, sizeof line, "first-%05d\n", i);
        first += line;
        snprintf(line, sizeof line, "later-%05d\n", i);
        second += line;
    }
    const std::string path = dir.WriteFile("weak.dic", first);
    const Rewriter rewriter(path, first, second, 4096);
    // Position by position, a byte of "first-" or "later-", then digits.
    const auto hasShape = [](std::string_view entry) {
        if (entry.empty() || entry.size() > 11) return false;
        for (size_t at = 0; at < entry.size(); ++at) {
            const char byte = entry[at];
            if (at < 5 && byte != "first"[at] && byte != "later"[at]) return false;
            if (at == 5 && byte != '-') return false;
            if (at > 5 && (byte < '0' || byte > '9')) return false;
        }
        return true;
    };
    WeakPwdDic dic;
    int partial = 0;  // loads that met a file being rewritten
    for (int load = 0; load < 300; ++load) {
        ASSERT_EQ(dic.Init(path), 0);
        int cut = 0;
        size_t entries = 0;
        for (const auto& [length, list] : dic.weakPwdMap) {
            ASSERT_FALSE(list.empty());
            for (const std::string_view entry : list) {
                ASSERT_EQ(static_cast<int32_t>(entry.size()), length);
                ASSERT_TRUE(hasShape(entry)) << entry;
                if (entry.size() < 11) ++cut;
                ++entries;
            }
        }
        EXPECT_LE(cut, 1) << "load " << load;
        EXPECT_LE(entries, 4000u);
        if (entries != 4000) ++partial;
    }
    RecordProperty("partial_loads", partial);
}

}  // namespace
