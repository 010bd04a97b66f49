// A directory, FIFO or missing file where a file is loaded: the load fails with its code,
// never blocks or leaks a descriptor, and leaves the data in force untouched.
#include <sys/stat.h>

#include <filesystem>
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

std::string ConfigText(const std::string& dictionary, const std::string& table = "") {
    return "[BASIC]\nweakPwdDic=" + dictionary + "\nbreachedPwdTable=" + table +
           "\ntimerInterval=60\n[POLICY0]\nminlen=8\n[POLICY1]\nminlen=12\n";
}

void ExpectDataInForce() {
    int limits[5] = {};
    const char* special = nullptr;
    unsigned int weak = 0, strong = 1;
    ASSERT_EQ(PPC_GetPolicy(1, limits, 5, &special), PPC_OK);
    ASSERT_EQ(PPC_IsWeakPwd(testpasswords::kWeak, &weak), PPC_OK);
    ASSERT_EQ(PPC_IsWeakPwd(testpasswords::kStrong, &strong), PPC_OK);
    EXPECT_EQ(limits[0], 12);
    EXPECT_EQ(weak, 1u);
    EXPECT_EQ(strong, 0u);
}

}  // namespace

TEST(HostileFiles, UnreadablePathsFailAndKeepTheData) {
    const testenv::Watchdog watchdog(std::chrono::seconds(60));  // a load that blocks (on a FIFO, say)
    testenv::ConfigFile config;
    testenv::TempDir dir;
    const std::string good = dir.WriteFile("weak.dic", std::string(testpasswords::kWeak) + "\n");
    config.Write(ConfigText(good));
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 1), PPC_OK);
    const long descriptors = OpenDescriptors();
    const std::string bad = dir.Path() + "/bad";
    // What `make` leaves at a path; none: the dictionary's path is empty (for the table, no table at all).
    const struct {
        const char* kind;
        void (*make)(const char* path);
    } kinds[] = {
        {"missing", [](const char*) {}},
        {"directory", [](const char* path) { mkdir(path, 0755); }},
        {"fifo", [](const char* path) { mkfifo(path, 0644); }},
        {"empty path", nullptr},
    };
    for (const auto& hostile : kinds) {
        SCOPED_TRACE(hostile.kind);
        if (hostile.make != nullptr) hostile.make(bad.c_str());
        config.Write(ConfigText(hostile.make != nullptr ? bad : ""));
        EXPECT_EQ(InitData(), kDictionaryUnreadable);
        ExpectDataInForce();
        fs::remove_all(bad);
        if (hostile.make == nullptr) continue;
        hostile.make(bad.c_str());
        config.Write(ConfigText(good, bad));
        EXPECT_EQ(InitData(), kBreachTableUnusable);
        ExpectDataInForce();
        fs::remove_all(bad);
        config.Remove();  // the configuration's path is fixed: only what stands there varies
        hostile.make(testenv::ConfigFile::Path());
        EXPECT_EQ(InitData(), kConfigUnreadable);
        ExpectDataInForce();
        config.Remove();
    }
    EXPECT_EQ(OpenDescriptors(), descriptors) << "descriptor leak";
}
