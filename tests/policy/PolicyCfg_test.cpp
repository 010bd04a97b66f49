// Loading the configuration file at the fixed path into the global store.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "FailingNew.h"
#include "TestEnv.h"
#include "lifecycle/Globals.h"
#include "policy/PolicyCfg.h"

using testenv::ConfigFile;
using Lines = std::vector<std::string>;

namespace {

// Loads `text` from the fixed path into the global store.
int32_t Load(const ConfigFile& config, const std::string& text) {
    config.Write(text);
    return policyCfgObj.Init(ConfigFile::Path());
}

const ppc_PolicyInfo& Policy(int32_t id) {
    static const ppc_PolicyInfo kAbsent{-99, -99, -99, -99, -99, "absent"};
    const ppc_PolicyInfo* policy = policyCfgObj.GetPolicyByID(id);
    return policy != nullptr ? *policy : kAbsent;
}

std::vector<int32_t> Limits(const ppc_PolicyInfo& p) {
    return {p.minlen, p.maxlen, p.minclass, p.allowminlen, p.allowminclass};
}

Lines HandlerLines() {
    Lines lines;
    for (const std::string& line : testenv::LogEntries()) {
        if (line.find("|HandlerCfgVal|") != std::string::npos) lines.push_back(line);
    }
    return lines;
}

}  // namespace

TEST(PolicyConfig, SpaceWordBecomesBlank) {
    struct Case {
        const char* value;
        const char* stored;
    } cases[] = {
        {"xspacey", "x y"},          {"spacespace", " space"},  {"space", " "},
        {"spacespacespace", " space "}, {"!spaceXspace", "! X "}, {"SPACE", "SPACE"},
        {"spac", "spac"},            {"aa!!", "aa!!"},          {"spacepace", " pace"},
    };
    ConfigFile config;
    std::string text;
    Lines expectedLog;
    for (size_t i = 0; i < std::size(cases); ++i) {
        text += "[POLICY" + std::to_string(i + 1) + "]\nspecialchar=" + cases[i].value + "\n";
        expectedLog.push_back(std::string("INFO|HandlerCfgVal|policyObj->specialchar= ") + cases[i].stored);
    }
    testenv::ClearLog();
    ASSERT_EQ(Load(config, text), 0);
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(Policy(static_cast<int32_t>(i + 1)).specialchar, cases[i].stored) << cases[i].value;
    }
    EXPECT_EQ(HandlerLines(), expectedLog);
}

TEST(PolicyConfig, SectionIdIsReadFromTheSeventhCharacter) {
    ConfigFile config;
    ASSERT_EQ(Load(config,
                   "[POLICY3]\nminlen=3\n"
                   "[POLICY]\nminlen=10\n"
                   "[MYPOLICY1]\nmaxlen=11\n"     // seventh character 'C': policy 0
                   "[BASICPOLICY]\nminclass=2\n"  // a policy section, seventh 'O': policy 0
                   "[POLICY1]\nminlen=1\n"
                   "[POLICY01]\nmaxlen=21\n"  // the same record as POLICY1
                   "[XXXXXX7POLICY]\nminlen=7\n"
                   "[POLICY-4]\nminlen=-4\n"),
              0);
    EXPECT_EQ(policyCfgObj.sectionMap.size(), 8u);
    std::vector<int32_t> ids;
    for (const auto& entry : policyCfgObj.policyMap) ids.push_back(entry.first);
    EXPECT_EQ(ids, (std::vector<int32_t>{-4, 0, 1, 3, 7}));
    EXPECT_EQ(Policy(0).minlen, 10);
    EXPECT_EQ(Policy(0).maxlen, 11);
    EXPECT_EQ(Policy(0).minclass, 2);
    EXPECT_EQ(Policy(1).minlen, 1);
    EXPECT_EQ(Policy(1).maxlen, 21);
    EXPECT_EQ(Policy(3).minlen, 3);
    EXPECT_EQ(Policy(7).minlen, 7);
    EXPECT_EQ(Policy(-4).minlen, -4);
}

TEST(PolicyConfig, NewSectionStartsAsCopyOfPolicyZeroOfTheSameLoad) {
    ConfigFile config;
    ASSERT_EQ(Load(config,
                   "[POLICY2]\nminlen=9\n"  // before policy 0: fallback values
                   "[POLICY0]\nminlen=8\nmaxlen=15\nminclass=4\nallowminlen=5\nallowminclass=1\n"
                   "specialchar=ab\n"
                   "[POLICY5]\nmaxlen=20\n"
                   "[POLICY0]\nminlen=99\n"  // after the copy: policy 5 keeps 8
                   "[POLICY6]\nspecialchar=c\n"
                   "[POLICY7]\nspecialchar=\n[POLICY8]\nminlen=1\n"),
              0);
    EXPECT_EQ(Limits(Policy(2)), (std::vector<int32_t>{9, 32, 3, 6, 2}));
    EXPECT_EQ(Policy(2).specialchar, "");
    EXPECT_EQ(Limits(Policy(5)), (std::vector<int32_t>{8, 20, 4, 5, 1}));
    EXPECT_EQ(Policy(5).specialchar, "ab");
    EXPECT_EQ(Limits(Policy(6)), (std::vector<int32_t>{99, 15, 4, 5, 1}));
    EXPECT_EQ(Policy(6).specialchar, "c");
    EXPECT_EQ(Limits(Policy(7)), (std::vector<int32_t>{99, 15, 4, 5, 1}));
    EXPECT_EQ(policyCfgObj.defaultPolicy, nullptr);
}

TEST(PolicyConfig, IntegersConvertLikeStrtolKeepingLow32Bits) {
    struct Case {
        const char* value;
        int32_t stored;
    } cases[] = {
        {"abc", 0},         {"12abc", 12},          {"-3", -3},
        {"+7", 7},          {"0x10", 0},            {"", 0},
        {"007", 7},         {"4294967297", 1},      {"2147483648", INT32_MIN},
        {"-2147483649", INT32_MAX}, {"99999999999999999999", -1},  // saturates at LONG_MAX
        {"-99999999999999999999", 0},                               // LONG_MIN
        {"12 34", 12},
    };
    ConfigFile config;
    std::string text = "[BASIC]\ntimerInterval=5x\n";
    for (size_t i = 0; i < std::size(cases); ++i) {
        text += "[POLICY" + std::to_string(i + 1) + "]\nminlen=" + cases[i].value + "\n";
    }
    ASSERT_EQ(Load(config, text), 0);
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(Policy(static_cast<int32_t>(i + 1)).minlen, cases[i].stored) << cases[i].value;
    }
    EXPECT_EQ(policyCfgObj.timerInterval, 5);
}

TEST(PolicyConfig, UnknownKeysAndSectionsAreLoggedAndIgnored) {
    ConfigFile config;
    testenv::ClearLog();
    ASSERT_EQ(Load(config,
                   "[BASIC]\nminlen=5\n"
                   "[POLICY0]\nweakPwdDic=/x\nMinlen=4\n"
                   "[basic]\nweakPwdDic=/y\n"
                   "[OTHER]\nkey=value\n"
                   "[Policy7]\nminlen=1\n"),
              0);
    EXPECT_EQ(HandlerLines(), (Lines{
                                  "WARN|HandlerCfgVal|unknown section BASIC and name minlen",
                                  "WARN|HandlerCfgVal|unknown section POLICY0 and name weakPwdDic",
                                  "WARN|HandlerCfgVal|unknown section POLICY0 and name Minlen",
                                  "INFO|HandlerCfgVal|unknown section basic",
                                  "INFO|HandlerCfgVal|unknown section OTHER",
                                  "INFO|HandlerCfgVal|unknown section Policy7",
                              }));
    EXPECT_EQ(policyCfgObj.GetWeakPwdDicFile(), "");
    EXPECT_EQ(policyCfgObj.GetPolicyByID(7), nullptr);
    EXPECT_EQ(Limits(Policy(0)), (std::vector<int32_t>{8, 15, 3, 6, 2}));
}

TEST(PolicyConfig, ReloadUpdatesInPlaceAndKeepsWhatTheFileDropped) {
    ConfigFile config;
    ASSERT_EQ(Load(config,
                   "[BASIC]\nweakPwdDic=/a.dic\ntimerInterval=1\n"
                   "[POLICY0]\nminlen=8\nmaxlen=50\n[POLICY2]\nmaxlen=20\n"),
              0);
    const ppc_PolicyInfo* two = policyCfgObj.GetPolicyByID(2);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->minlen, 8);  // copied from policy 0

    // POLICY2 and the BASIC keys are gone; POLICY3 is new and, although it
    // follows POLICY0, policy 0 was not created in this load: no copy.
    ASSERT_EQ(Load(config, "[POLICY0]\nminlen=9\n[POLICY3]\nminlen=12\n"), 0);
    EXPECT_EQ(policyCfgObj.GetPolicyByID(2), two);
    EXPECT_EQ(two->maxlen, 20);
    EXPECT_EQ(Policy(0).minlen, 9);
    EXPECT_EQ(Policy(0).maxlen, 50);
    EXPECT_EQ(Limits(Policy(3)), (std::vector<int32_t>{12, 32, 3, 6, 2}));
    EXPECT_EQ(policyCfgObj.GetWeakPwdDicFile(), "/a.dic");
    EXPECT_EQ(policyCfgObj.GetTimeInterval(), 60);

    ASSERT_EQ(Load(config, "[POLICY2]\nmaxlen=25\nspecialchar=#\n"), 0);
    EXPECT_EQ(policyCfgObj.GetPolicyByID(2), two);
    EXPECT_EQ(two->maxlen, 25);
    EXPECT_EQ(two->specialchar, "#");
}

TEST(PolicyConfig, EmptyFileLoadsNothingAndTimeIntervalIsMinutesTimesSixty) {
    EXPECT_EQ(policyCfgObj.GetTimeInterval(), 3600);
    ConfigFile config;
    ASSERT_EQ(Load(config, ""), 0);
    EXPECT_TRUE(policyCfgObj.policyMap.empty());
    EXPECT_EQ(policyCfgObj.GetTimeInterval(), 3600);
    for (auto [value, seconds] : {std::pair{"1", 60}, {"0", 0}, {"-2", -120}, {"35791394", 2147483640}}) {
        ASSERT_EQ(Load(config, std::string("[BASIC]\ntimerInterval=") + value + "\n"), 0);
        EXPECT_EQ(policyCfgObj.GetTimeInterval(), seconds) << value;
    }
}

TEST(PolicyConfig, HostileContentStillLoads) {
    ConfigFile config;
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 131 + 7) % 256);
    const std::string longValue(300, 'z');
    ASSERT_EQ(Load(config, std::string("[POLICY0]\nmin\0len=5\nminlen=6\0junk\n", 34) + binary +
                               "\n[POLICY1]\nspecialchar=" + longValue + "\nminlen=4\n" +
                               "[POLICY2]\nmaxlen\n=\n[\nminlen=2\n"),
              0);
    EXPECT_EQ(Policy(0).minlen, 6);
    EXPECT_EQ(Policy(1).minlen, 4);
    EXPECT_EQ(Policy(1).specialchar, "");  // too long for the parser: ignored whole
    EXPECT_EQ(Policy(2).minlen, 2);

    std::string text = "[POLICY0]\nminlen=10\nmaxlen=40\n";
    for (int id = 3; id <= 10000; ++id) {
        text += "[POLICY" + std::to_string(id) + "]\nmaxlen=" + std::to_string(id) + "\n";
    }
    ASSERT_EQ(Load(config, text), 0);
    EXPECT_EQ(policyCfgObj.policyMap.size(), 10001u);  // 0, 1, 2 and 3..10000
    EXPECT_EQ(Policy(10000).maxlen, 10000);
    EXPECT_EQ(Policy(10000).minlen, 8);  // policy 0 is not new in this load: no copy
    // A second load of the same file rewrites in place and adds nothing.
    ASSERT_EQ(Load(config, text), 0);
    EXPECT_EQ(policyCfgObj.policyMap.size(), 10001u);
}

// The parser's buffer holds 199 bytes of a line. A longer line is ignored
// whole: neither its head nor a tail that reads like a key or a section
// takes effect, and the lines after it keep their numbers.
TEST(PolicyConfig, OverLongLineIsIgnoredWholeAndNamedByItsLine) {
    ConfigFile config;
    const std::string head = "specialchar=" + std::string(187, '!');  // 199 bytes
    ASSERT_EQ(Load(config, "[POLICY0]\nminclass=3\n" +
                               head + "minclass=1\n" +            // line 3
                               "minlen=8\n" +
                               head + "[POLICY9]\n" +             // line 5
                               "minlen=9\n" +
                               "[POLICY1]\n" + head + "\n"),     // line 8: fits exactly
              0);
    EXPECT_EQ(Policy(0).minclass, 3);
    EXPECT_EQ(Policy(0).minlen, 9);
    EXPECT_EQ(Policy(0).specialchar, "");
    EXPECT_EQ(policyCfgObj.GetPolicyByID(9), nullptr);
    EXPECT_EQ(Policy(1).specialchar, std::string(187, '!'));
    Lines errors;
    for (const std::string& line : testenv::LogEntries()) {
        if (line.rfind("ERROR|", 0) == 0) errors.push_back(line);
    }
    const std::string tail = std::string(" of ") + ConfigFile::Path() +
                             " is longer than 199 bytes and is ignored whole";
    EXPECT_EQ(errors, (Lines{"ERROR|ConfigReader|line 3" + tail, "ERROR|ConfigReader|line 5" + tail}));
}

TEST(PolicyConfig, RunningOutOfMemoryLeavesTheStoreAsItWas) {
    ConfigFile config;
    ASSERT_EQ(Load(config, "[BASIC]\nweakPwdDic=/a.dic\n[POLICY0]\nminlen=8\nspecialchar=!\n[POLICY1]\nmaxlen=9\n"),
              0);
    const auto before = policyCfgObj.policyMap;
    config.Write(
        "[BASIC]\nweakPwdDic=/a-much-longer-dictionary-path-than-before.dic\n"
        "[POLICY0]\nminlen=10\nspecialchar=#$%&space-long-enough-to-allocate\n"
        "[POLICY1]\nmaxlen=11\n[POLICY2]\nminlen=12\n[POLICY3-WITH-A-NAME-THAT-ALLOCATES]\nminlen=13\n");
    // Fail each allocation of the load in turn until one load gets through.
    const std::string path = ConfigFile::Path();
    for (long count = 0;; ++count) {
        testenv::FailAllocationAfter(count);
        const int32_t result = policyCfgObj.Init(path);
        testenv::FailAllocationAfter(-1);
        if (!testenv::AllocationFailed()) {
            EXPECT_EQ(result, 0);
            break;
        }
        ASSERT_LT(result, 0) << count;
        ASSERT_EQ(policyCfgObj.policyMap.size(), before.size()) << count;
        for (const auto& [id, record] : before) {
            const ppc_PolicyInfo& now = Policy(id);
            ASSERT_EQ(Limits(now), Limits(record)) << count;
            ASSERT_EQ(now.specialchar, record.specialchar) << count;
        }
        ASSERT_EQ(policyCfgObj.GetWeakPwdDicFile(), "/a.dic");
        ASSERT_EQ(policyCfgObj.defaultPolicy, nullptr);
    }
    EXPECT_EQ(Policy(0).minlen, 10);
    EXPECT_EQ(Policy(3).minlen, 13);
}
