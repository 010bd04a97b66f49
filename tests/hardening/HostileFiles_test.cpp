// A directory, FIFO or symlink loop where a file is loaded: the load fails with its code, never blocks
// or leaks a descriptor, and leaves the data in force untouched.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "TestEnv.h"
#include "TestPasswords.h"
#include "Watchdog.h"
#include "lifecycle/Globals.h"
#include "pwdpolicy.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t kConfigUnreadable = 1005;
constexpr int32_t kDictionaryUnreadable = 12;
constexpr int32_t kBreachTableUnusable = 13;

long OpenDescriptors() { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); }

class Loaded : public ::testing::Test {
protected:
    void SetUp() override {
        RestoreDictionary();
        config_.Write(ConfigText(dicPath_));
        ASSERT_EQ(PPC_Initialize(nullptr, 0, 1), PPC_OK);
        descriptors_ = OpenDescriptors();
    }
    void TearDown() override { EXPECT_EQ(OpenDescriptors(), descriptors_) << "descriptor leak"; }

    void RestoreDictionary() {
        fs::remove_all(dir_.Path() + "/weak.dic");
        dicPath_ = dir_.WriteFile("weak.dic", std::string("123456\n") + testpasswords::kWeak + "\n");
    }
    static std::string ConfigText(const std::string& dictionary, const std::string& table = "") {
        return "[BASIC]\nweakPwdDic=" + dictionary + "\nbreachedPwdTable=" + table +
               "\ntimerInterval=60\n[POLICY0]\nminlen=8\nmaxlen=32\nminclass=3\n[POLICY1]\nminlen=12\n";
    }

    static void ExpectDataInForce() {
        int limits[5] = {};
        const char* special = nullptr;
        ASSERT_EQ(PPC_GetPolicy(1, limits, 5, &special), PPC_OK);
        EXPECT_EQ(limits[0], 12);
        unsigned int weak = 0, strong = 1;
        ASSERT_EQ(PPC_IsWeakPwd(testpasswords::kWeak, &weak), PPC_OK);
        ASSERT_EQ(PPC_IsWeakPwd(testpasswords::kStrong, &strong), PPC_OK);
        EXPECT_EQ(weak, 1u);
        EXPECT_EQ(strong, 0u);
    }

    testenv::ConfigFile config_;
    testenv::TempDir dir_;
    std::string dicPath_;
    long descriptors_ = 0;
};

// Not a readable regular file: `make` replaces what is at `path` and returns the path to load.
const struct HostilePath {
    const char* kind;
    std::string (*make)(const std::string& path);
    bool forConfig;  // the configuration's path is fixed: only what stands there varies
    bool forTable;   // an empty path is no table at all
} kHostilePaths[] = {
    {"missing", [](const std::string& path) { return path; }, true, true},
    {"directory", [](const std::string& path) { mkdir(path.c_str(), 0755); return path; }, true, true},
    {"fifo", [](const std::string& path) { mkfifo(path.c_str(), 0644); return path; }, true, true},
    {"symlink to itself", [](const std::string& p) { (void)symlink(p.c_str(), p.c_str()); return p; }, true, true},
    {"empty path", [](const std::string&) { return std::string(); }, false, false},
    {"below a regular file", [](const std::string& p) { std::ofstream(p) << "x\n"; return p + "/x"; }, false, true},
};

TEST_F(Loaded, UnreadablePathsFailAndKeepTheData) {
    const testenv::Watchdog watchdog(std::chrono::seconds(60));  // a load that blocks (on a FIFO, say)
    const std::string config = testenv::ConfigFile::Path();
    const std::string table = dir_.Path() + "/breach.tbl";
    for (const HostilePath& hostile : kHostilePaths) {
        SCOPED_TRACE(hostile.kind);
        fs::remove_all(dicPath_);
        const std::string dictionary = hostile.make(dicPath_);
        config_.Write(ConfigText(dictionary));
        EXPECT_EQ(InitData(), kDictionaryUnreadable);
        ExpectDataInForce();
        RestoreDictionary();

        if (hostile.forTable) {
            const std::string tablePath = hostile.make(table);
            config_.Write(ConfigText(dicPath_, tablePath));
            EXPECT_EQ(InitData(), kBreachTableUnusable);
            ExpectDataInForce();
            fs::remove_all(table);
        }
        if (!hostile.forConfig) continue;
        config_.Remove();
        hostile.make(config);
        EXPECT_EQ(InitData(), kConfigUnreadable);
        ExpectDataInForce();
        config_.Remove();
    }
}

}  // namespace
