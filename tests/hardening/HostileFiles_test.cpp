// The configuration and the dictionary are the operator's files, but what
// stands at their paths can be anything: a directory, a FIFO, a symlink
// loop, a file that vanishes or shrinks under the reader. Every case here
// has a defined outcome: the load fails with its code (or succeeds), the
// process neither crashes nor hangs nor leaks a descriptor, and a failed
// load leaves the data already in force untouched.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <future>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "TestEnv.h"
#include "TestPasswords.h"
#include "lifecycle/Globals.h"
#include "monitor/ReloadTimer.h"
#include "pwdpolicy.h"

namespace {

constexpr int32_t kConfigUnreadable = 1005;
constexpr int32_t kDictionaryUnreadable = 12;

// The process's address-space size, from /proc/self/statm (in pages).
size_t VirtualMemoryBytes() {
    unsigned long pages = 0;
    FILE* statm = fopen("/proc/self/statm", "r");
    if (statm != nullptr) {
        if (fscanf(statm, "%lu", &pages) != 1) pages = 0;
        fclose(statm);
    }
    return pages * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

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

    std::string ConfigText(int minlen) const {
        return "[BASIC]\nweakPwdDic=" + dicPath_ + "\ntimerInterval=60\n[POLICY0]\nminlen=" +
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
    static int32_t LoadWithin(std::chrono::seconds limit) {
        std::packaged_task<int32_t()> task(InitData);
        std::future<int32_t> result = task.get_future();
        std::thread(std::move(task)).detach();
        if (result.wait_for(limit) != std::future_status::ready) {
            ADD_FAILURE() << "the load did not return within " << limit.count() << " s";
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

TEST_F(Loaded, ConfigReplacedByDirectoryFailsAndKeepsData) {
    config_.Remove();
    ASSERT_EQ(mkdir(testenv::ConfigFile::Path(), 0755), 0);
    EXPECT_EQ(InitData(), kConfigUnreadable);
    ExpectDataInForce();
}

TEST_F(Loaded, DictionaryReplacedByDirectoryFailsAndKeepsData) {
    ASSERT_EQ(unlink(dicPath_.c_str()), 0);
    ASSERT_EQ(mkdir(dicPath_.c_str(), 0755), 0);
    EXPECT_EQ(InitData(), kDictionaryUnreadable);
    ExpectDataInForce();
}

TEST_F(Loaded, ConfigFifoIsRejectedWithoutBlocking) {
    config_.Remove();
    ASSERT_EQ(mkfifo(testenv::ConfigFile::Path(), 0644), 0);
    EXPECT_EQ(LoadWithin(std::chrono::seconds(10)), kConfigUnreadable);
    ExpectDataInForce();
}

TEST_F(Loaded, DictionaryFifoIsRejectedWithoutBlocking) {
    ASSERT_EQ(unlink(dicPath_.c_str()), 0);
    ASSERT_EQ(mkfifo(dicPath_.c_str(), 0644), 0);
    EXPECT_EQ(LoadWithin(std::chrono::seconds(10)), kDictionaryUnreadable);
    ExpectDataInForce();
}

TEST_F(Loaded, SymlinkLoopsFailAndKeepData) {
    // The dictionary: two links that point at each other.
    const std::string other = dir_.Path() + "/other.dic";
    ASSERT_EQ(unlink(dicPath_.c_str()), 0);
    ASSERT_EQ(symlink(other.c_str(), dicPath_.c_str()), 0);
    ASSERT_EQ(symlink(dicPath_.c_str(), other.c_str()), 0);
    EXPECT_EQ(InitData(), kDictionaryUnreadable);
    ExpectDataInForce();

    // The configuration: a link to itself.
    config_.Remove();
    ASSERT_EQ(symlink(testenv::ConfigFile::Path(), testenv::ConfigFile::Path()), 0);
    EXPECT_EQ(InitData(), kConfigUnreadable);
    ExpectDataInForce();
}

// Running as root, mode bits do not stop a read, and neither does a
// directory without search permission: such files are loaded. What root
// cannot open is a path that does not resolve, so that is what is tested
// for the failure; the mode test checks whichever outcome the process's
// privileges call for.
TEST_F(Loaded, UnopenablePathFailsAndKeepsData) {
    const std::string file = dir_.WriteFile("plain.txt", "x\n");
    const std::string throughFile = file + "/weak.dic";  // ENOTDIR
    config_.Write("[BASIC]\nweakPwdDic=" + throughFile + "\n");
    EXPECT_EQ(InitData(), kDictionaryUnreadable);
    config_.Write("[BASIC]\nweakPwdDic=" + dir_.Path() + "/absent/weak.dic\n");  // ENOENT
    EXPECT_EQ(InitData(), kDictionaryUnreadable);
    ExpectDataInForce();
}

TEST_F(Loaded, UnreadableModeFollowsTheProcessPrivileges) {
    ASSERT_EQ(chmod(dicPath_.c_str(), 0), 0);
    const int probe = open(dicPath_.c_str(), O_RDONLY);
    const bool readable = probe >= 0;
    if (probe >= 0) close(probe);
    RecordProperty("mode_000_readable", readable ? "yes (privileged)" : "no");
    dir_.WriteFile("next.dic", "other\n");
    const std::string next = dir_.Path() + "/next.dic";
    ASSERT_EQ(chmod(next.c_str(), 0), 0);
    config_.Write(ConfigText(8) + "[BASIC]\nweakPwdDic=" + next + "\n");
    if (readable) {
        EXPECT_EQ(InitData(), 0);  // root: the file is read, whatever its mode
        unsigned int weak = 1;
        ASSERT_EQ(PPC_IsWeakPwd(testpasswords::kWeak, &weak), PPC_OK);
        EXPECT_EQ(weak, 0u);
    } else {
        EXPECT_EQ(InitData(), kDictionaryUnreadable);
        ExpectDataInForce();
    }
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// A dictionary larger than the memory the process may have: a sparse file
// of zero bytes, one line that never ends. The load must fail like an
// unreadable file (the C interface cannot let std::bad_alloc through), and
// the data in force must stay. The address-space limit stands in for a
// machine without the memory; sanitizers reserve too much for it to work.
TEST_F(Loaded, DictionaryLargerThanMemoryFailsAndKeepsData) {
    const std::string huge = dir_.Path() + "/huge.dic";
    const int fd = open(huge.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, off_t{1} << 30), 0);  // 1 GiB, no disk used
    close(fd);
    config_.Write(ConfigText(8) + "[BASIC]\nweakPwdDic=" + huge + "\n");

    struct rlimit limit {};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &limit), 0);
    const struct rlimit saved = limit;
    limit.rlim_cur = static_cast<rlim_t>(VirtualMemoryBytes()) + (rlim_t{256} << 20);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &limit), 0);
    const int32_t result = InitData();
    ASSERT_EQ(setrlimit(RLIMIT_AS, &saved), 0);
    EXPECT_EQ(result, kDictionaryUnreadable);
    ExpectDataInForce();
}
#endif

// The watch reports a change, and the file is gone by the time the tick
// loads it: the load fails and the data stays.
class Watched : public Loaded {
protected:
    void SetUp() override {
        dicPath_ = dir_.WriteFile("weak.dic", std::string("123456\n") + testpasswords::kWeak + "\n");
        config_.Write(ConfigText(8));
        // timerInterval 60: the timer's first tick is an hour away, so the
        // only ticks are the ones the test runs.
        ASSERT_EQ(PPC_Initialize(nullptr, 1, 1), PPC_OK);
        ExpectDataInForce();
    }
    void TearDown() override { PPC_Finalize(); }

    // The tick saw the change and tried the load (the test is not vacuous).
    static void ExpectReloadAttempted() {
        bool attempted = false;
        for (const std::string& entry : testenv::LogEntries()) {
            attempted = attempted || entry == "INFO|HandlerTimeTask|call InitData to refresh cache";
        }
        EXPECT_TRUE(attempted);
    }
};

TEST_F(Watched, ConfigRewrittenThenDeletedBeforeTheTick) {
    config_.Write(ConfigText(10));
    config_.Remove();
    HandlerTimeTask(SIGALRM);
    ExpectReloadAttempted();
    ExpectDataInForce();
}

TEST_F(Watched, DictionaryRewrittenThenDeletedBeforeTheTick) {
    dir_.WriteFile("weak.dic", "replacement\n");
    ASSERT_EQ(unlink(dicPath_.c_str()), 0);
    HandlerTimeTask(SIGALRM);
    ExpectReloadAttempted();
    ExpectDataInForce();
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

TEST(TruncatedWhileRead, ConfigLoadsValuesFromThePrefixes) {
    testenv::TempDir dir;
    // Single-digit values: a cut line gives an empty value (0) or the digit.
    std::string first = "[POLICY0]\nminlen=7\nmaxlen=7\nminclass=1\n";
    std::string second = "[POLICY0]\nminlen=9\nmaxlen=9\nminclass=2\n";
    for (int i = 1; i < 400; ++i) {
        first += "[POLICY" + std::to_string(i) + "]\nminlen=7\n";
        second += "[POLICY" + std::to_string(i) + "]\nminlen=9\n";
    }
    const std::string path = dir.WriteFile("ppc.conf", first);
    const Rewriter rewriter(path, first, second, 1024);
    PolicyCfg store;
    for (int load = 0; load < 300; ++load) {
        ASSERT_EQ(store.Init(path), 0);
        for (const auto& [id, record] : store.policyMap) {
            // 8 is the starting value of a policy whose section came before
            // any policy 0 of the same load.
            EXPECT_TRUE(record.minlen == 0 || record.minlen == 7 || record.minlen == 8 ||
                        record.minlen == 9)
                << "policy " << id << " minlen " << record.minlen;
            EXPECT_GE(id, 0);
            EXPECT_LT(id, 400);
        }
    }
}

}  // namespace
