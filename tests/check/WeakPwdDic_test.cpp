// The weak-password dictionary on files of its own (no configuration).
#include <gtest/gtest.h>

#include <list>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "FailingNew.h"
#include "TestEnv.h"
#include "check/WeakPwdDic.h"

using testenv::TempDir;
using Lines = std::vector<std::string>;
using EntryMap = std::map<int32_t, std::list<std::string>>;

namespace {

Lines InitLines() {
    Lines lines;
    for (const std::string& line : testenv::LogEntries()) {
        if (line.find("|Init|") != std::string::npos) lines.push_back(line);
    }
    return lines;
}

// The loaded map as owned strings, to compare with expected maps.
EntryMap Entries(const WeakPwdDic::WeakPwdMap& loaded) {
    EntryMap entries;
    for (const auto& [length, list] : loaded) entries[length].assign(list.begin(), list.end());
    return entries;
}

}  // namespace

TEST(WeakPwdDicTrim, RemovesOneTrailingCrThenBlanks) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"abc", "abc"},       {"abc \r", "abc"},      {"abc\r ", "abc\r"}, {"\r", ""},
        {"", ""},             {"   ", "   "},        {" \r", " "},        {"  a b  ", "a b"},
        {"\tabc", "\tabc"},   {"abc\r\r", "abc\r"},   {"\rabc", "\rabc"},  {" x\t ", "x\t"},
        {std::string("a\0b ", 4), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        std::string input = c.in;
        EXPECT_EQ(WeakPwdDic::Trim(input), c.out) << c.in;
        EXPECT_EQ(input, c.in);
    }
}

TEST(WeakPwdDic, ReadingStopsAtTheFirstEmptyLine) {
    TempDir dir;
    const EntryMap two{{6, {"abc123"}}, {8, {"password"}}};
    struct Case {
        const char* name;
        std::string content;
        EntryMap entries;
    } cases[] = {
        {"lf", "abc123\npassword\n\nlater1\n", two},
        {"crlf", "abc123\r\npassword\r\n\r\nlater1\r\n", two},
        {"no final newline", "abc123\npassword\n\nlater1", two},
        {"padded, then a lone CR", "  abc123 \npassword\n\r\nlater1\n", two},
        {"empty first line", "\nabc123\n", {}},
        {"empty file", "", {}},
    };
    for (const Case& c : cases) {
        WeakPwdDic dic;
        ASSERT_EQ(dic.Init(dir.WriteFile("d", "later1\n")), 0);  // replaced, never merged
        testenv::ClearLog();
        ASSERT_EQ(dic.Init(dir.WriteFile("d", c.content)), 0) << c.name;
        EXPECT_EQ(Entries(dic.weakPwdMap), c.entries) << c.name;
        EXPECT_EQ(dic.IsWeakPwd("abc123"), !c.entries.empty()) << c.name;
        EXPECT_FALSE(dic.IsWeakPwd("later1")) << c.name;
        EXPECT_EQ(InitLines(), Lines{"INFO|Init|weakPwdMap.size()= " + std::to_string(c.entries.size())})
            << c.name;
    }
}

TEST(WeakPwdDic, EntriesAreExactTrimmedBytesWithDuplicatesKept) {
    TempDir dir;
    WeakPwdDic dic;
    testenv::ClearLog();
    ASSERT_EQ(dic.Init(dir.WriteFile("d", "abc\nabc\nxyz\n\tqrs\nPassword\n   \nsecret\n")), 0);
    EXPECT_EQ(Entries(dic.weakPwdMap), (EntryMap{{3, {"abc", "abc", "xyz", "   "}},
                                        {4, {"\tqrs"}},
                                        {6, {"secret"}},
                                        {8, {"Password"}}}));
    EXPECT_EQ(InitLines(), Lines{"INFO|Init|weakPwdMap.size()= 4"});
    struct Case {
        const char* pwd;
        bool weak;
    } cases[] = {
        {"abc", true},      {"\tqrs", true},      {"qrs", false},     {"Password", true},
        {"password", false}, {"   ", true},        {" secret  ", true}, {"secret\r", true},
        {"secret\r ", false}, {"", false},         {" ", false},       {"abc\t", false},
    };
    for (const Case& c : cases) EXPECT_EQ(dic.IsWeakPwd(c.pwd), c.weak) << '"' << c.pwd << '"';
}

// A generated file of 20,000 lines that holds every edge of the format at
// places spread over many read blocks: LF and CR LF ends, padding, one
// final CR removed and a second kept, a CR before a trailing space, tabs,
// NUL and high bytes inside a line, a line of blanks, duplicates and a
// line of 200,000 bytes. Each line is written from the entry it must give.
// With a stop line, the lines after it give nothing; without one, the last
// line has no LF. The cores use letters and digits only, so a '~' makes a
// near miss that no entry can equal.
TEST(WeakPwdDic, GeneratedFileWithEveryEdgeOfTheFormat) {
    std::mt19937 random(1807);
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    auto core = [&] {
        std::string text(4 + random() % 20, ' ');
        for (char& ch : text) ch = alphabet[random() % alphabet.size()];
        return text;
    };
    std::vector<std::string> entries;
    std::string body;
    for (int i = 0; i < 20000; ++i) {
        std::string entry = core(), line;
        switch (i % 10) {
            case 0: line = entry + "\n"; break;
            case 1: line = entry + "\r\n"; break;
            case 2: line = "  " + entry + "   \r\n"; break;
            case 3: entry += "\r"; line = entry + "\r\n"; break;     // only the last CR goes
            case 4: entry += "\r"; line = entry + " \n"; break;       // a CR before a blank stays
            case 5: entry = "\t" + entry + "\t"; line = " " + entry + "\n"; break;
            case 6: entry[entry.size() / 2] = '\0'; line = entry + "\n"; break;
            case 7: entry += "\x80\xff"; line = entry + "\r\n"; break;
            case 8: entry = entries[random() % entries.size()]; line = entry + "\n"; break;  // a duplicate
            default: entry = std::string(1 + i / 1000, ' '); line = entry + "\n"; break;     // blanks only
        }
        entries.push_back(entry);
        body += line;
    }
    const std::string longLine = std::string(200000, 'L') + "7";
    entries.push_back(longLine);
    body += longLine + "\r\n";
    const std::string lastEntry = "last" + core();
    entries.push_back(lastEntry);
    std::set<size_t> lengths;
    for (const std::string& entry : entries) lengths.insert(entry.size());

    struct Variant {
        const char* name;
        std::string content;
    } variants[] = {
        {"stop line, then more lines", body + " " + lastEntry + "\n\r\nafter1\n" + core() + "~\n"},
        {"no final LF", body + lastEntry},
    };
    TempDir dir;
    for (const Variant& v : variants) {
        WeakPwdDic dic;
        testenv::ClearLog();
        ASSERT_EQ(dic.Init(dir.WriteFile("d", v.content)), 0) << v.name;
        EXPECT_EQ(InitLines(), Lines{"INFO|Init|weakPwdMap.size()= " + std::to_string(lengths.size())})
            << v.name;
        size_t loaded = 0;
        for (const auto& [length, list] : dic.weakPwdMap) loaded += list.size();
        EXPECT_EQ(loaded, entries.size()) << v.name;
        for (const std::string& entry : entries) {
            if (entry.find_first_not_of(' ') == std::string::npos) {
                ASSERT_TRUE(dic.IsWeakPwd(entry)) << v.name << ": " << entry.size() << " blanks";
                continue;
            }
            // Padded, as a password is trimmed like a line: an entry that
            // ends in a CR keeps it.
            ASSERT_TRUE(dic.IsWeakPwd(" " + entry + " ")) << v.name << ": " << entry;
            std::string nearMiss = entry;
            nearMiss[random() % entry.size()] = '~';
            ASSERT_FALSE(dic.IsWeakPwd(" " + nearMiss + " ")) << v.name << ": " << nearMiss;
            ASSERT_FALSE(dic.IsWeakPwd(entry + "~")) << v.name << ": " << entry;
        }
        EXPECT_FALSE(dic.IsWeakPwd("after1")) << v.name;
        EXPECT_FALSE(dic.IsWeakPwd(std::string(21, ' '))) << v.name;
        EXPECT_FALSE(dic.IsWeakPwd(longLine.substr(1))) << v.name;
    }
}

// Enough distinct entries that many share the index's 16 tag bits with
// another entry on their probe path: each must still be found by its bytes,
// not taken for a duplicate of a namesake tag.
TEST(WeakPwdDic, EveryEntryOfAQuarterMillionIsFound) {
    constexpr int kEntries = 1 << 18;
    std::string content;
    for (int i = 0; i < kEntries; ++i) content += "w" + std::to_string(i) + "\n";
    TempDir dir;
    WeakPwdDic dic;
    ASSERT_EQ(dic.Init(dir.WriteFile("d", content)), 0);
    int missing = 0;
    for (int i = 0; i < kEntries; ++i) missing += dic.IsWeakPwd("w" + std::to_string(i)) ? 0 : 1;
    EXPECT_EQ(missing, 0);
    EXPECT_FALSE(dic.IsWeakPwd("w" + std::to_string(kEntries)));
}

TEST(WeakPwdDic, RunningOutOfMemoryKeepsTheContent) {
    TempDir dir;
    WeakPwdDic dic;
    ASSERT_EQ(dic.Init(dir.WriteFile("old", "letmein\n")), 0);
    std::string content;
    for (int i = 0; i < 300; ++i) content += "entry-number-" + std::to_string(i) + std::string(i % 40, 'q') + "\n";
    const std::string path = dir.WriteFile("new", content);
    for (long count = 0;; ++count) {
        std::string argument = path;  // moved in: the call itself allocates nothing
        testenv::FailAllocationAfter(count);
        const int32_t result = dic.Init(std::move(argument));
        testenv::FailAllocationAfter(-1);
        // A failure after the new content is in force (while the old one is
        // freed) still succeeds; any earlier one keeps the old content.
        if (result == 0) break;
        ASSERT_TRUE(testenv::AllocationFailed()) << count;
        ASSERT_EQ(result, 12) << count;
        ASSERT_TRUE(dic.IsWeakPwd("letmein")) << count;
        ASSERT_EQ(dic.weakPwdMap.size(), 1u) << count;
    }
    EXPECT_FALSE(dic.IsWeakPwd("letmein"));
    EXPECT_TRUE(dic.IsWeakPwd("entry-number-299" + std::string(299 % 40, 'q')));
}
