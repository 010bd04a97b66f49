// Files far larger than any real configuration or dictionary: they must
// load completely, with the answers they imply, in reasonable time. Sizes
// and memory are printed for the record (the benchmarks measure them
// properly); nothing here asserts a time or a size.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "TestEnv.h"
#include "check/WeakPwdDic.h"
#include "policy/PolicyCfg.h"

namespace {

// Peak resident memory of this process so far, in MiB.
long PeakRssMiB() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Writes `count` lines "w<i>" (2 to 8 bytes each) through one large buffer.
void WriteNumberedLines(const std::string& path, int count) {
    std::ofstream out(path, std::ios::binary);
    std::string block;
    block.reserve(1 << 20);
    char line[16];
    for (int i = 0; i < count; ++i) {
        const int length = snprintf(line, sizeof line, "w%d\n", i);
        block.append(line, static_cast<size_t>(length));
        if (block.size() > (1 << 20) - 16) {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
            block.clear();
        }
    }
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// Sanitizers multiply the cost of every allocation: a tenth of the lines.
constexpr int kLines = 1000000;
#else
constexpr int kLines = 10000000;
#endif

TEST(LargeDictionary, TenMillionLinesLoadAndAnswer) {
    testenv::TempDir dir;
    const std::string path = dir.Path() + "/huge.dic";
    WriteNumberedLines(path, kLines);

    const long rssBefore = PeakRssMiB();
    const auto start = std::chrono::steady_clock::now();
    WeakPwdDic dic;
    ASSERT_EQ(dic.Init(path), 0);
    const double seconds = SecondsSince(start);
    const long rssAfter = PeakRssMiB();

    size_t entries = 0;
    for (const auto& [length, list] : dic.weakPwdMap) entries += list.size();
    EXPECT_EQ(entries, static_cast<size_t>(kLines));
    EXPECT_EQ(dic.weakPwdMap.size(), std::to_string(kLines - 1).size());  // "w0" to "w9999999"
    EXPECT_TRUE(dic.Contains("w0"));
    EXPECT_TRUE(dic.Contains("w" + std::to_string(kLines / 2)));
    EXPECT_TRUE(dic.Contains("  w" + std::to_string(kLines - 1) + " "));
    EXPECT_FALSE(dic.Contains("w" + std::to_string(kLines)));
    EXPECT_FALSE(dic.Contains("W0"));

    printf("%d-line dictionary: loaded in %.1f s, peak RSS %ld MiB -> %ld MiB, index %zu MiB\n",
           kLines, seconds, rssBefore, rssAfter, dic.IndexMemoryBytes() >> 20);
    RecordProperty("load_seconds", std::to_string(seconds));
    RecordProperty("peak_rss_mib", static_cast<int>(rssAfter));
}

TEST(LargeDictionary, OneLineOfSixteenMiBIsOneEntry) {
    testenv::TempDir dir;
    const std::string word(16u << 20, 'q');
    const std::string path = dir.WriteFile("long.dic", " " + word + " \r\nshort\n");
    WeakPwdDic dic;
    ASSERT_EQ(dic.Init(path), 0);
    EXPECT_TRUE(dic.Contains(word));
    EXPECT_TRUE(dic.Contains("short"));
    EXPECT_FALSE(dic.Contains(word.substr(1)));
}

TEST(LargeConfig, HundredThousandSectionsLoadAndReload) {
    constexpr int kSections = 100000;
    testenv::TempDir dir;
    std::string text = "[POLICY0]\nminlen=9\nmaxlen=40\nminclass=2\nspecialchar=!#space\n";
    for (int id = 1; id < kSections; ++id) {
        text += "[POLICY" + std::to_string(id) + "]\nmaxlen=" + std::to_string(id % 1000) + "\n";
    }
    const std::string path = dir.WriteFile("ppc.conf", text);

    const auto start = std::chrono::steady_clock::now();
    PolicyCfg store;
    ASSERT_EQ(store.Init(path), 0);
    const double firstLoad = SecondsSince(start);
    const ppc_PolicyInfo* last = store.GetPolicyByID(kSections - 1);
    ASSERT_NE(last, nullptr);
    ASSERT_EQ(store.Init(path), 0);  // a reload of the same file changes nothing
    const double bothLoads = SecondsSince(start);

    EXPECT_EQ(store.sectionMap.size(), static_cast<size_t>(kSections));
    EXPECT_EQ(store.policyMap.size(), static_cast<size_t>(kSections));
    EXPECT_EQ(store.GetPolicyByID(kSections - 1), last);
    // Each section after policy 0 starts as its copy, then takes its maxlen.
    EXPECT_EQ(last->minlen, 9);
    EXPECT_EQ(last->maxlen, (kSections - 1) % 1000);
    EXPECT_EQ(last->specialchar, "!# ");
    EXPECT_EQ(store.GetPolicyByID(kSections), nullptr);

    printf("100,000-section configuration: first load %.2f s, reload %.2f s, peak RSS %ld MiB\n",
           firstLoad, bothLoads - firstLoad, PeakRssMiB());
    RecordProperty("first_load_seconds", std::to_string(firstLoad));
}

}  // namespace
