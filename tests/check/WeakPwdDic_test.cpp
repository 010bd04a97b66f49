// The weak-password dictionary on files of its own (no configuration).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
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

// What the file should load, read independently of the component: LF
// separated lines, trimmed, up to the first empty one.
EntryMap ExpectedEntries(const std::string& content) {
    EntryMap entries;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        const std::string entry = WeakPwdDic::Trim(content.substr(start, end - start));
        if (entry.empty()) break;
        entries[static_cast<int32_t>(entry.size())].push_back(entry);
        start = end + 1;
    }
    return entries;
}

// The loaded map as owned strings, to compare with expected maps.
EntryMap Entries(const WeakPwdDic::WeakPwdMap& loaded) {
    EntryMap entries;
    for (const auto& [length, list] : loaded) entries[length].assign(list.begin(), list.end());
    return entries;
}

// The lookup as a walk of the entries of one length.
template <class Map>
bool WalkFinds(const Map& entries, const std::string& pwd) {
    const std::string trimmed = WeakPwdDic::Trim(pwd);
    const auto list = entries.find(static_cast<int32_t>(trimmed.size()));
    if (list == entries.end()) return false;
    for (const auto& entry : list->second) {
        if (entry == trimmed) return true;
    }
    return false;
}

template <class Map>
void ExpectInvariants(const Map& entries) {
    for (const auto& [length, list] : entries) {
        EXPECT_GE(length, 1);
        EXPECT_FALSE(list.empty());
        for (const auto& entry : list) EXPECT_EQ(entry.size(), static_cast<size_t>(length));
    }
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

TEST(WeakPwdDic, FileThatCannotBeOpenedKeepsTheContent) {
    TempDir dir;
    WeakPwdDic dic;
    ASSERT_EQ(dic.Init(dir.WriteFile("d", "letmein\n")), 0);
    ASSERT_EQ(mkfifo((dir.Path() + "/fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.Path() + "/sub");
    std::filesystem::create_symlink(dir.Path() + "/loop", dir.Path() + "/loop");
    const std::string paths[] = {dir.Path() + "/missing", "", dir.Path() + "/sub",
                                 dir.Path() + "/fifo", dir.Path() + "/loop", "/etc/passwd/x"};
    testenv::ClearLog();
    for (const std::string& path : paths) {
        EXPECT_EQ(dic.Init(path), 12) << path;
        EXPECT_TRUE(dic.IsWeakPwd("letmein")) << path;
    }
    EXPECT_EQ(InitLines(), Lines{});
}

TEST(WeakPwdDic, IndexAgreesWithAWalkOfTheMap) {
    std::mt19937 random(20240611);
    const std::string alphabet = std::string("abcAB01 \t\r\x80\xff", 13) + std::string(1, '\0');
    auto randomText = [&](size_t maxLength) {
        std::string text(1 + random() % maxLength, ' ');
        for (char& ch : text) ch = alphabet[random() % alphabet.size()];
        return text;
    };
    std::string content;
    for (int i = 0; i < 5000; ++i) content += randomText(12) + "x\n";  // never empty when trimmed
    for (int i = 0; i < 200; ++i) content += randomText(3) + "\n";     // may end the dictionary

    TempDir dir;
    WeakPwdDic dic;
    ASSERT_EQ(dic.Init(dir.WriteFile("d", content)), 0);
    const EntryMap expected = ExpectedEntries(content);
    ASSERT_EQ(Entries(dic.weakPwdMap), expected);
    ExpectInvariants(dic.weakPwdMap);

    std::vector<std::string> entries;
    for (const auto& [length, list] : expected) entries.insert(entries.end(), list.begin(), list.end());
    int weakSeen = 0;
    for (int i = 0; i < 50000; ++i) {
        std::string probe;
        switch (random() % 3) {
            case 0: probe = entries[random() % entries.size()]; break;
            case 1: probe = std::string(random() % 3, ' ') + entries[random() % entries.size()] +
                            std::string(random() % 3, ' ') + (random() % 2 ? "\r" : ""); break;
            default: probe = randomText(14); break;
        }
        const bool weak = dic.IsWeakPwd(probe);
        ASSERT_EQ(weak, WalkFinds(dic.weakPwdMap, probe)) << probe;
        weakSeen += weak;
    }
    EXPECT_GT(weakSeen, 10000);
}

TEST(WeakPwdDic, BinaryContentLoadsWithoutCrashing) {
    TempDir dir;
    std::mt19937 random(7);
    std::string binary(1 << 20, '\0');
    for (char& ch : binary) ch = static_cast<char>(random() % 256 == 0 ? '\n' : random() % 256);
    struct Case {
        const char* name;
        std::string content;
    } cases[] = {
        {"nul inside lines", std::string("ab\0cd\n\0\0\nok\n", 12)},
        {"binary", binary},
    };
    for (const Case& c : cases) {
        WeakPwdDic dic;
        ASSERT_EQ(dic.Init(dir.WriteFile("d", c.content)), 0) << c.name;
        EXPECT_EQ(Entries(dic.weakPwdMap), ExpectedEntries(c.content)) << c.name;
        ExpectInvariants(dic.weakPwdMap);
    }
    WeakPwdDic dic;
    ASSERT_EQ(dic.Init(dir.WriteFile("d", cases[0].content)), 0);
    EXPECT_TRUE(dic.IsWeakPwd(std::string("ab\0cd", 5)));
    EXPECT_TRUE(dic.IsWeakPwd(std::string("\0\0", 2)));
    EXPECT_FALSE(dic.IsWeakPwd("ab"));
}

TEST(WeakPwdDic, LinesOfAHundredThousandBytes) {
    TempDir dir;
    const std::string huge(100000, 'x');
    const std::string other = std::string(70000, 'y') + "z";  // crosses read chunks
    WeakPwdDic dic;
    ASSERT_EQ(dic.Init(dir.WriteFile("d", "short\n" + huge + "\n" + other)), 0);
    EXPECT_EQ(dic.weakPwdMap.size(), 3u);
    EXPECT_TRUE(dic.IsWeakPwd(huge));
    EXPECT_TRUE(dic.IsWeakPwd(" " + other + " "));
    EXPECT_FALSE(dic.IsWeakPwd(huge.substr(1)));
    EXPECT_TRUE(dic.IsWeakPwd("short"));
}

TEST(WeakPwdDic, TwoHundredMegabyteFile) {
    TempDir dir;
    const std::string path = dir.Path() + "/big.dic";
    constexpr size_t kTarget = 200u << 20;
    size_t written = 0;
    int lines = 0;
    {
        std::ofstream out(path, std::ios::binary);
        std::string line;
        while (written < kTarget) {
            // 100 to 299 bytes, all distinct.
            line = "pw" + std::to_string(lines) + "#";
            line.append(100 + lines % 200 - line.size(), 'k');
            out << line << '\n';
            written += line.size() + 1;
            ++lines;
        }
    }
    WeakPwdDic dic;
    testenv::ClearLog();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(dic.Init(path), 0);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::filesystem::remove(path);
    RecordProperty("load_seconds", std::to_string(seconds));
    EXPECT_EQ(InitLines(), Lines{"INFO|Init|weakPwdMap.size()= 200"});
    size_t entries = 0;
    for (const auto& entry : dic.weakPwdMap) entries += entry.second.size();
    EXPECT_EQ(entries, static_cast<size_t>(lines));
    std::string last = "pw" + std::to_string(lines - 1) + "#";
    last.append(100 + (lines - 1) % 200 - last.size(), 'k');
    EXPECT_TRUE(dic.IsWeakPwd(last));
    EXPECT_TRUE(dic.IsWeakPwd(std::string("pw0#").append(96, 'k')));
    EXPECT_FALSE(dic.IsWeakPwd(std::string("pw0#").append(97, 'k')));
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
