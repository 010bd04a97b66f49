// The table format: where keys may sit, its edges, damage met by lookups, refused files, sets of tables.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "breach/BreachBuilder.h"
#include "breach/BreachFormat.h"
#include "breach/BreachHash.h"
#include "breach/BreachTable.h"
#include "breach/KeyPartitioner.h"
#include "breach/PageChecksum.h"
#include "breach/Placement.h"
#include "breach/TableSet.h"

using breach::BreachTable;
using breach::Lookup;

namespace {

constexpr uint64_t kSeed = 0x5eed5eed5eed5eedULL;
constexpr uint32_t kSlotsPerPage = 1088;  // 30-bit fingerprints

uint64_t Random(uint64_t i) {  // splitmix64
    uint64_t x = i * 0x9E3779B97F4A7C15ULL + 0x1234567ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

std::vector<uint64_t> RandomKeys(uint64_t first, size_t count) {
    std::vector<uint64_t> keys;
    for (size_t i = 0; i < count; ++i) keys.push_back(Random(first + i));
    return keys;
}

// Downloader lines whose keys (first 16 hex digits) are `keys`.
std::string KeyLines(const std::vector<uint64_t>& keys) {
    std::string text;
    char line[64];
    for (uint64_t key : keys) text.append(line, snprintf(line, sizeof line, "%016" PRIX64 "%024d:1\n", key, 0));
    return text;
}

struct Built {
    breach::BuildResult result;
    std::unique_ptr<BreachTable> table;
};

Built Build(const testenv::TempDir& dir, const std::string& name, const std::vector<uint64_t>& keys,
            uint32_t segmentPages = 0, double rate = 1e-9, std::vector<std::string> skip = {}) {
    breach::BuildOptions options;
    options.inputs = {dir.WriteFile(name + ".txt", KeyLines(keys))};
    options.output = dir.Path() + "/" + name;
    options.seed = kSeed;
    options.segmentPages = segmentPages;
    options.falsePositiveRate = rate;
    options.skipMembersOf = std::move(skip);
    Built built{breach::BuildTable(options), nullptr};
    EXPECT_EQ(built.result.error, "");
    std::string problem;
    built.table = BreachTable::Open(options.output, &problem);
    EXPECT_NE(built.table, nullptr) << problem;
    return built;
}

// 2,600 keys starting in the first of four pages: more than their two-page window holds, not twice.
std::vector<uint64_t> CrowdedKeys() {
    const breach::Placement placement(kSlotsPerPage, 1927, 4);
    std::vector<uint64_t> keys;
    for (uint64_t i = 0; keys.size() < 2600; ++i) {
        if (placement.FirstStart(breach::MixKey(Random(i), kSeed)) < kSlotsPerPage) keys.push_back(Random(i));
    }
    return keys;
}

size_t CountFound(const BreachTable& table, const std::vector<uint64_t>& keys) {
    return std::count_if(keys.begin(), keys.end(), [&](uint64_t key) { return table.ContainsKey(key); });
}

void Patch(const std::string& path, uint64_t offset, const std::string& bytes) {
    const int fd = open(path.c_str(), O_WRONLY);
    ASSERT_EQ(pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)), static_cast<ssize_t>(bytes.size()));
    close(fd);
}

void FlipBit(const std::string& path, uint64_t offset, int bit) {
    Patch(path, offset, std::string(1, static_cast<char>(testenv::ReadFile(path)[offset] ^ (1 << bit))));
}

}  // namespace

// Every start stays in its key's two-page window, in later blocks, never crossing a segment or the end.
TEST(Placement, ChancesStayInTheirWindowAndInsideSegments) {
    const struct { uint32_t segmentPages; uint64_t pages; } shapes[] = {{2, 2}, {2, 3}, {2, 6}, {3, 7}, {1927, 2000}};
    for (const auto& shape : shapes) {
        const breach::Placement placement(kSlotsPerPage, shape.segmentPages, shape.pages);
        const uint64_t segment = uint64_t{shape.segmentPages} * kSlotsPerPage;
        const auto crosses = [&](uint64_t start) {
            return start / segment != (start + breach::kRibbonWidth - 1) / segment ||
                   start + breach::kRibbonWidth > placement.Slots();
        };
        uint64_t previous = 0;
        for (uint64_t i = 0; i <= 20000; ++i) {
            const uint64_t mixed = i == 20000 ? ~uint64_t{0} : (UINT64_MAX / 20000) * i;
            uint64_t start = placement.FirstStart(mixed);
            const std::string where = std::to_string(shape.pages) + " pages, mixed " + std::to_string(mixed);
            ASSERT_GE(start, previous) << where;
            ASSERT_LT(start, (shape.pages - 1) * kSlotsPerPage) << where;
            ASSERT_FALSE(crosses(start)) << where;
            previous = start;
            const uint64_t windowLast = placement.WindowLast(start);
            const uint64_t windowEnd = std::min(start / kSlotsPerPage + 2, shape.pages) * kSlotsPerPage;
            ASSERT_EQ(windowLast, windowEnd - breach::kRibbonWidth) << where;
            for (uint32_t chance = 1; placement.NextStart(Random(i), chance, start, windowLast, &start); ++chance) {
                ASSERT_FALSE(crosses(start)) << where;
                ASSERT_LE(start, windowLast) << where;
            }
            ASSERT_GE(start / breach::kBlockSlots, windowLast / breach::kBlockSlots) << where;  // the window is used up
        }
    }
}

// Tables of no key, one, six pages in 2-page segments (the smallest and largest mixed keys take the first
// and last start), the same with 8-bit fingerprints, and a crowded window (overflow in exception pages).
// Every member is found; strangers as often as the fingerprints allow, a count the seed fixes.
TEST(BreachFormat, EveryMemberIsFoundInEveryBlockPageSegmentAndException) {
    testenv::TempDir dir;
    std::vector<uint64_t> six = RandomKeys(0, 5 * 1082 - 2);
    const std::vector<uint64_t> search = RandomKeys(1000000, 200000);
    const auto mixedLess = [](uint64_t a, uint64_t b) { return breach::MixKey(a, kSeed) < breach::MixKey(b, kSeed); };
    six.push_back(*std::min_element(search.begin(), search.end(), mixedLess));
    six.push_back(*std::max_element(search.begin(), search.end(), mixedLess));
    const breach::Placement sixPages(kSlotsPerPage, 2, 6);
    EXPECT_EQ(sixPages.FirstStart(breach::MixKey(six[six.size() - 2], kSeed)), 0u);
    EXPECT_EQ(sixPages.FirstStart(breach::MixKey(six.back(), kSeed)), 5 * kSlotsPerPage - 1);
    const std::vector<uint64_t> none, one{42}, crowded = CrowdedKeys(), strangers = RandomKeys(5000000, 100000);
    const struct {
        const char* name;
        const std::vector<uint64_t>& keys;
        uint32_t segmentPages;  // 0: the builder's choice
        double rate;
        uint64_t dataPages, exceptions, resultBits, strangersFound;
    } cases[] = {
        {"none", none, 0, 1e-9, 0, 0, 30, 0},      {"one", one, 0, 1e-9, 2, 0, 30, 0},
        {"six", six, 2, 1e-9, 6, 0, 30, 0},        {"weak", six, 0, 0.01, 3, 0, 8, 384},
        {"crowded", crowded, 0, 1e-9, 4, 1382, 30, 0},
    };
    std::string files;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Built built = Build(dir, c.name, c.keys, c.segmentPages, c.rate);
        files += testenv::ReadFile(dir.Path() + "/" + c.name).substr(breach::kPageBytes);  // after the header
        const breach::BreachHeader& header = built.table->Header();
        EXPECT_EQ(header.hashId, 1u);  // SHA-1, as the file says to every reader
        EXPECT_EQ(header.dataPages, c.dataPages);
        if (c.segmentPages != 0) EXPECT_EQ(header.segmentPages, c.segmentPages);
        EXPECT_EQ(header.resultBits, c.resultBits);
        EXPECT_EQ(header.exceptionCount, c.exceptions);
        EXPECT_EQ(built.table->FalsePositiveRate(), c.keys.empty() ? 0 : std::ldexp(1.0, -int(c.resultBits)));
        EXPECT_EQ(built.table->Entries(), c.keys.size());
        EXPECT_EQ(CountFound(*built.table, c.keys), c.keys.size());
        EXPECT_EQ(CountFound(*built.table, strangers), c.strangersFound);
    }
    // The pages written for these keys and this seed: a table built by one release must read the
    // same in the next, so a change here is a change of format. (The header holds the build's time.)
    uint8_t digest[breach::kSha1Bytes];
    breach::Sha1(files, digest);
    char hex[2 * sizeof digest + 1];
    for (size_t i = 0; i < sizeof digest; ++i) snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    EXPECT_STREQ(hex, "1c2690421e15606e41bcf2198ca6626224654279");
}

// Every check made at open, each with its problem (the table has exception pages, all checked).
TEST(BreachFormat, UnusableFilesAreRefusedWithTheirProblem) {
    testenv::TempDir dir;
    Build(dir, "good", CrowdedKeys());
    const std::string bytes = testenv::ReadFile(dir.Path() + "/good");
    auto patched = [&bytes](size_t at, const std::string& with) { return std::string(bytes).replace(at, with.size(), with); };
    auto headerWith = [&bytes](auto change) {  // a header changed and sealed again
        std::string page = bytes.substr(0, breach::kPageBytes);
        breach::BreachHeader header;
        memcpy(&header, page.data(), sizeof header);
        change(header);
        memcpy(page.data(), &header, sizeof header);
        breach::SealPage(reinterpret_cast<uint8_t*>(page.data()), 0, 0);
        return page + bytes.substr(breach::kPageBytes);
    };
    const std::pair<std::string, std::string> cases[] = {
        {dir.WriteFile("headerOnly", bytes.substr(0, 200)), "truncated: file has 200 bytes, header says 4096"},
        {dir.WriteFile("magic", patched(0, "PK")), "bad magic: not a breach table"},
        {dir.WriteFile("v1", patched(8, std::string("\x01", 1))),
         "format version 1 is no longer read (it cannot detect damage): rebuild the table with ppc breach build"},
        {dir.WriteFile("v3", patched(8, std::string("\x03", 1))), "unsupported format version 3 (this reader knows 2)"},
        {dir.WriteFile("checksum", patched(48, "\xff")), "header checksum mismatch"},
        {dir.WriteFile("bits", headerWith([](auto& h) { h.resultBits = 41; })), "bad parameters: resultBits"},
        {dir.WriteFile("pages", headerWith([](auto& h) { h.dataPages = 1; })), "bad parameters: dataPages"},
        {dir.WriteFile("entries", headerWith([](auto& h) { h.entryCount = (uint64_t{1} << 36) + 1; })),
         "bad parameters: entryCount"},
        {dir.WriteFile("cut", bytes.substr(0, bytes.size() - 1)), "truncated: file has"},
        {dir.WriteFile("long", bytes + "x"), "size mismatch: file has"},
        {dir.WriteFile("zeroed", patched(breach::kPageBytes, std::string(4 * breach::kPageBytes, '\0'))),
         "damaged: page 1 fails its checksum"},
        {dir.WriteFile("exception", patched(5 * breach::kPageBytes + 8, "\xff\xff")),
         "damaged: page 5 fails its checksum"},
        {dir.Path(), "not a regular file"},
        {dir.Path() + "/none", "cannot open: No such file or directory"},
    };
    for (const auto& [path, expected] : cases) {
        std::string problem;
        EXPECT_EQ(BreachTable::Open(path, &problem), nullptr) << expected;
        EXPECT_EQ(problem.rfind(expected, 0), 0u) << expected << ": " << problem;
    }
}

// The largest table the header allows, as a sparse file with only the pages opening samples written:
// it opens (no size or index overflows), and lookups that read its unwritten pages answer "breached".
TEST(BreachFormat, TheLargestTableOpens) {
    testenv::TempDir dir;
    breach::BreachHeader header = Build(dir, "small", RandomKeys(0, 100)).table->Header();
    const uint64_t pages = breach::kMaxEntries / 1082 + 2;
    header.dataPages = pages;
    header.entryCount = breach::kMaxEntries;
    header.fileBytes = breach::FileBytes(pages, 0);
    const std::string path = dir.Path() + "/largest";
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(header.fileBytes)), 0);
    for (uint64_t k = 0; k < 9; ++k) {  // the header, then the data pages opening checks
        std::string page(breach::kPageBytes, '\0');
        if (k == 0) memcpy(page.data(), &header, sizeof header);
        const uint64_t number = k < 2 ? k : k == 2 ? pages : 1 + (pages - 1) * (k - 2) / 7;
        breach::SealPage(reinterpret_cast<uint8_t*>(page.data()), number, k == 0 ? 0 : kSeed);
        ASSERT_EQ(pwrite(fd, page.data(), page.size(), static_cast<off_t>(number * breach::kPageBytes)),
                  static_cast<ssize_t>(page.size()));
    }
    close(fd);
    std::string problem;
    const auto table = BreachTable::Open(path, &problem);
    ASSERT_NE(table, nullptr) << problem;
    EXPECT_EQ(CountFound(*table, RandomKeys(0, 100)), 100u);
    EXPECT_GE(table->DamagedPages(), 90u);
}

// Damage in pages opening does not sample (1, 5, 9, 13, 17, 21, 25, 30 of 30): a lookup starting on a
// damaged page answers "breached", members are still found, others are unchanged, each page logged once.
TEST(BreachFormat, DamageMetByALookupFailsClosedAndIsLoggedOncePerPage) {
    testenv::TempDir dir;
    const std::vector<uint64_t> members = RandomKeys(0, 28 * 1082 + 1);
    const Built pristine = Build(dir, "pristine", members);
    ASSERT_EQ(pristine.table->Header().dataPages, 30u);
    const std::vector<uint64_t> strangers = RandomKeys(10000000, 20000);
    const breach::Placement placement(kSlotsPerPage, 1927, 30);
    const uint64_t page = breach::kPageBytes;
    const struct {
        const char* what;
        std::set<uint64_t> pages;  // data pages, counted from 0
        void (*damage)(const std::string& path);
    } cases[] = {
        {"zeroed", {5, 6, 7}, [](const std::string& p) { Patch(p, 6 * page, std::string(3 * page, '\0')); }},
        {"first and last byte", {1, 27}, [](const std::string& p) { FlipBit(p, 2 * page, 0), FlipBit(p, 29 * page - 1, 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.WriteFile(c.what, testenv::ReadFile(dir.Path() + "/pristine"));
        c.damage(path);
        std::string problem;
        const auto table = BreachTable::Open(path, &problem);
        ASSERT_NE(table, nullptr) << problem;
        testenv::ClearLog();
        for (int round = 0; round < 2; ++round) EXPECT_EQ(CountFound(*table, members), members.size());
        size_t failedClosed = 0;
        for (uint64_t key : strangers) {
            const uint64_t first = placement.FirstStart(breach::MixKey(key, kSeed)) / kSlotsPerPage;
            const Lookup found = table->Find(key);
            if (c.pages.count(first) != 0) {
                ASSERT_EQ(found, Lookup::kDamaged) << key;
                ++failedClosed;
            } else if (c.pages.count(first + 1) == 0) {
                ASSERT_EQ(found == Lookup::kAbsent, !pristine.table->ContainsKey(key)) << key;
            }
        }
        EXPECT_GT(failedClosed, 0u);
        EXPECT_EQ(table->DamagedPages(), c.pages.size());
        EXPECT_EQ(testenv::LogEntries().size(), c.pages.size());
        const breach::VerifyReport report = table->Verify();
        EXPECT_EQ(report.damagedPages, c.pages.size());
        EXPECT_EQ(report.firstDamaged.front(), *c.pages.begin() + 1);
    }
}

// Lists of tables parse. A delta built from the grown list with --skip-members-of the base holds only
// what the base lacks; the set of both finds every member, and a set that cannot open names the table.
TEST(TableSet, ListsParseAndABaseAndItsDeltaFindEveryMember) {
    const struct { const char* value; std::vector<std::string> paths; const char* problem; } cases[] = {
        {" \t", {}, ""},
        {" /data/base.tbl , /data/delta 1.tbl,/d2 ", {"/data/base.tbl", "/data/delta 1.tbl", "/d2"}, ""},
        {"/a,", {}, "an empty path in the list"},
        {"/a, /b, /a", {}, "/a is listed twice"},
        {"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17", {}, "more than 16 tables"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> paths{"left over"};
        EXPECT_EQ(breach::ParseTableList(c.value, &paths), c.problem) << c.value;
        EXPECT_EQ(paths, c.paths) << c.value;
    }
    testenv::TempDir dir;
    const std::vector<uint64_t> grown = RandomKeys(0, 4000);
    const Built base = Build(dir, "base", RandomKeys(0, 3000));
    const Built delta = Build(dir, "delta", grown, 0, 1e-9, {dir.Path() + "/base"});
    EXPECT_EQ(delta.result.skipped, 3000u);
    EXPECT_EQ(delta.table->Entries(), 1000u);
    std::string problem;
    const auto set = breach::TableSet::Open({dir.Path() + "/base", dir.Path() + "/delta"}, &problem);
    ASSERT_NE(set, nullptr) << problem;
    for (uint64_t key : grown) ASSERT_EQ(set->Find(key), Lookup::kPresent) << key;
    EXPECT_EQ(set->Entries(), 4000u);
    EXPECT_DOUBLE_EQ(set->FalsePositiveRate(), 2 * base.table->FalsePositiveRate());
    EXPECT_EQ(breach::TableSet::Open({dir.Path() + "/base", dir.Path() + "/none"}, &problem), nullptr);
    EXPECT_EQ(problem, dir.Path() + "/none: cannot open: No such file or directory");
}

// Counted keys over several spooled chunks: sorted, summed across chunks, kept from the minimum on.
TEST(KeyPartitioner, SortsSumsAndFiltersAcrossChunks) {
    testenv::TempDir dir;
    breach::KeyPartitioner partitioner(1 << 20, dir.Path(), true);
    for (uint64_t round = 0; round < 3; ++round) {
        for (uint64_t i = 1000; i-- > 0;) partitioner.Add(i * 7, i % 3 == 0 ? 1 : 0);
    }
    EXPECT_GT(partitioner.SpoolBytes(), 3 * 4096u);
    EXPECT_EQ(partitioner.Sort(2, nullptr), 334u);
    std::vector<uint64_t> kept;
    partitioner.ForEach([&](uint64_t mixed) { kept.push_back(mixed); });
    ASSERT_EQ(kept.size(), 334u);
    for (size_t k = 0; k < kept.size(); ++k) ASSERT_EQ(kept[k], 21 * k);
}
