// Loading the configuration file at the fixed path into the global store, and PPC_GetPolicy.
#include <gtest/gtest.h>

#include <climits>
#include <sstream>
#include <string>
#include <vector>

#include "FailingNew.h"
#include "TestEnv.h"
#include "lifecycle/Globals.h"
#include "policy/PolicyCfg.h"
#include "pwdpolicy.h"

using namespace std::string_literals;
using testenv::ConfigFile;
using Lines = std::vector<std::string>;

namespace {

constexpr int kUntouched = -12345;

// Writes `text` and loads it, which must succeed.
void Load(const ConfigFile& config, const std::string& text) {
    config.Write(text);
    ASSERT_EQ(policyCfgObj.Init(ConfigFile::Path()), 0) << text;
}

// The store by id, one "id:minlen,maxlen,minclass,allowminlen,allowminclass,specialchar" a policy.
std::string Dump() {
    std::ostringstream text;
    for (const auto& [id, p] : policyCfgObj.policyMap) {
        text << id << ':' << p.minlen << ',' << p.maxlen << ',' << p.minclass << ',' << p.allowminlen << ','
             << p.allowminclass << ',' << p.specialchar << ' ';
    }
    return text.str();
}

// PPC_GetPolicy's answer: "code:", six slots of the caller's array ("-" if not written), the text.
std::string Query(int policyId, int size) {
    int limits[6] = {kUntouched, kUntouched, kUntouched, kUntouched, kUntouched, kUntouched};
    const char* special = "unset";
    std::ostringstream text;
    text << PPC_GetPolicy(policyId, limits, size, &special) << ':';
    for (int limit : limits) text << (limit == kUntouched ? "-" : std::to_string(limit)) << ',';
    text << special;
    return text.str();
}

}  // namespace

// "space" in a special set is one blank, the search resuming two characters after it; integers
// convert like strtol in base 10, keeping the low 32 bits.
TEST(PolicyConfig, ValuesSectionsKeysAndCopiesOfPolicyZero) {
    ConfigFile config;
    for (auto [value, stored] : {std::pair{"xspacey", "x y"}, {"space", " "}, {"spacespace", " space"},
                                 {"spacespacespace", " space "}, {"!spaceXspace", "! X "}, {"SPACE", "SPACE"}}) {
        Load(config, "[POLICY1]\nspecialchar="s + value + "\n");
        EXPECT_EQ(policyCfgObj.GetPolicyByID(1)->specialchar, stored) << value;
    }
    for (auto [value, stored] : {std::pair{"abc", 0}, {"12abc", 12}, {"-3", -3}, {"+7", 7}, {"0x10", 0},
                                 {"010", 10}, {"4294967297", 1}, {"2147483648", INT32_MIN},
                                 {"-2147483649", INT32_MAX}, {"99999999999999999999", -1},  // LONG_MAX
                                 {"-99999999999999999999", 0}}) {                         // LONG_MIN
        Load(config, "[POLICY1]\nminlen="s + value + "\n");
        EXPECT_EQ(policyCfgObj.GetPolicyByID(1)->minlen, stored) << value;
    }
    // Ids from the seventh character on; a new section after policy 0 in the same load copies it (1,
    // loaded above, is updated in place). Unknown keys and sections are ignored.
    Load(config, "[POLICY3]\nminlen=3\n"
                 "[POLICY]\nminlen=10\nallowminlen=5\nallowminclass=1\nspecialchar=ab\n"
                 "[MYPOLICY1]\nmaxlen=11\n"     // seventh character 'C': policy 0
                 "[BASICPOLICY]\nminclass=2\n"  // a policy section, seventh 'O': policy 0
                 "[POLICY1]\nminlen=1\n"
                 "[POLICY01]\nmaxlen=21\n"  // the same record as POLICY1
                 "[XXXXXX7POLICY]\nspecialchar=c\n"
                 "[POLICY-4]\nminlen=-4\n"
                 "[POLICY0]\nminlen=99\nweakPwdDic=/x\nMinlen=4\n"  // after the copies
                 "[BASIC]\nminlen=5\n[basic]\nweakPwdDic=/y\n[OTHER]\nkey=value\n[Policy7]\nminlen=1\n");
    EXPECT_EQ(policyCfgObj.sectionMap.size(), 9u);
    EXPECT_EQ(Dump(), "-4:-4,11,2,5,1,ab 0:99,11,2,5,1,ab 1:1,21,3,6,2,SPACE 3:3,32,3,6,2, 7:10,11,2,5,1,c ");
    EXPECT_EQ(policyCfgObj.defaultPolicy, nullptr);
    EXPECT_EQ(policyCfgObj.GetWeakPwdDicFile(), "");
}

// The rule keys are copied with policy 0's record; a value they cannot take leaves the rule as it was,
// with a note in the load report.
TEST(PolicyConfig, RuleKeysLoadSilentlyAndCopyWithPolicyZero) {
    ConfigFile config;
    config.Write("[POLICY0]\nlengthUnit=codepoint\nnormalize=NFKC\ncomposition=none\ncontextCheck=1\n"
                 "minOldDiff=3\nmaxRepeat=2\nmaxSequence=4\n"
                 "[POLICY1]\nnormalize=nfkc\nmaxRepeat=-1\nminOldDiff=3x\nlengthUnit=byte\n"
                 "[POLICY2]\ncontextCheck=0\n");
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    const auto rules = [](int id) {
        const PolicyRules& r = policyCfgObj.rulesMap.at(id);
        return std::to_string(r.countCodePoints) + std::to_string(r.normalizeNfkc) + std::to_string(r.noComposition) +
               std::to_string(r.contextCheck) + "," + std::to_string(r.minOldDiff) + "," +
               std::to_string(r.maxRepeat) + "," + std::to_string(r.maxSequence);
    };
    EXPECT_EQ(rules(0), "1111,3,2,4");
    EXPECT_EQ(rules(1), "0111,3,2,4");
    EXPECT_EQ(rules(2), "1110,3,2,4");
    std::string bad;  // the lines of the bad values' notes
    PPC_VisitLoadReport([](const PPC_LoadNote* note, void* lines) {
            if (note->reason == PPC_NOTE_BAD_VALUE) *static_cast<std::string*>(lines) += std::to_string(note->line) + " ";
        }, &bad);
    EXPECT_EQ(bad, "10 11 12 ");
}

// A reload updates records in place and keeps what the file dropped; one that runs out of memory
// anywhere leaves the store as it was.
TEST(PolicyConfig, ReloadUpdatesInPlaceKeepsWhatTheFileDroppedAndSurvivesOutOfMemory) {
    EXPECT_EQ(policyCfgObj.GetTimeInterval(), 3600);
    ConfigFile config;
    Load(config, "");
    EXPECT_EQ(Dump(), "");
    Load(config, "[BASIC]\nweakPwdDic=/a.dic\ntimerInterval=1\n"
                 "[POLICY0]\nminlen=8\nmaxlen=50\n[POLICY2]\nmaxlen=20\n");
    const ppc_PolicyInfo* two = policyCfgObj.GetPolicyByID(2);
    // POLICY2 and BASIC are gone; POLICY3 is new but policy 0 is not, so nothing is copied.
    Load(config, "[POLICY0]\nminlen=9\n[POLICY3]\nminlen=12\n");
    EXPECT_EQ(Dump(), "0:9,50,3,6,2, 2:8,20,3,6,2, 3:12,32,3,6,2, ");
    EXPECT_EQ(policyCfgObj.GetWeakPwdDicFile(), "/a.dic");
    EXPECT_EQ(policyCfgObj.GetTimeInterval(), 60);
    Load(config, "[POLICY2]\nmaxlen=25\nspecialchar=#\n");
    EXPECT_EQ(policyCfgObj.GetPolicyByID(2), two);
    EXPECT_EQ(two->maxlen, 25);
    EXPECT_EQ(two->specialchar, "#");
    for (auto [value, seconds] : {std::pair{"0", 0}, {"-2", -120}, {"5x", 300}, {"35791394", 2147483640}}) {
        Load(config, std::string("[BASIC]\ntimerInterval=") + value + "\n");
        EXPECT_EQ(policyCfgObj.GetTimeInterval(), seconds) << value;
    }
    const std::string before = Dump();
    config.Write(
        "[BASIC]\nweakPwdDic=/a-much-longer-dictionary-path-than-before.dic\n"
        "[POLICY0]\nminlen=10\nspecialchar=#$%&space-long-enough-to-allocate\n"
        "[POLICY1]\nmaxlen=11\n[POLICY2]\nminlen=12\n[POLICY3-WITH-A-NAME-THAT-ALLOCATES]\nminlen=13\n");
    const std::string path = ConfigFile::Path();
    for (long count = 0;; ++count) {  // fail each allocation of the load in turn until one gets through
        testenv::FailAllocationAfter(count);
        const int32_t result = policyCfgObj.Init(path);
        testenv::FailAllocationAfter(-1);
        if (!testenv::AllocationFailed()) {
            EXPECT_EQ(result, 0);
            break;
        }
        ASSERT_LT(result, 0) << count;
        ASSERT_EQ(Dump(), before) << count;
        ASSERT_EQ(policyCfgObj.GetWeakPwdDicFile(), "/a.dic");
    }
    EXPECT_EQ(policyCfgObj.GetPolicyByID(3)->minlen, 13);
}

// Binary junk is skipped, also a line that starts with NUL; a line over 199 bytes is ignored whole, its head and its tail. The keys after
// a section header too long to read belong to no section: never to the one before it.
TEST(PolicyConfig, HostileLinesAreSkippedAndTheRestLoads) {
    ConfigFile config;
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 131 + 7) % 256);
    Load(config, std::string("[POLICY2]\nmin\0len=5\nminlen=6\0junk\n", 34) + binary +
                     std::string("\n\0junk", 6) + "\n[POLICY2]\nmaxlen\n=\n[\nmaxlen=2\n");
    EXPECT_EQ(Dump(), "2:6,2,3,6,2, ");
    const std::string head = "specialchar=" + std::string(187, '!');  // 199 bytes
    Load(config, "[POLICY0]\nminclass=3\n" + head + "minclass=1\n" +  // line 3
                     "minlen=8\n" + head + "[POLICY9]\n" +  // line 5
                     "minlen=9\n[POLICY1]\n" + head + "\n");  // fits exactly
    EXPECT_EQ(Dump(), "0:9,15,3,6,2, 1:9,15,3,6,2," + std::string(187, '!') + " 2:6,2,3,6,2, ");
    Load(config, "[POLICY0]\nminlen=12\nminclass=4\n[POLICY1_" + std::string(220, 'x') +
                     "]\nminlen=4\n; a comment\nminclass=1\n[POLICY4]\nmaxlen=20\n");
    EXPECT_EQ(Dump(), "0:12,15,4,6,2, 1:9,15,3,6,2," + std::string(187, '!') + " 2:6,2,3,6,2, 4:8,20,3,6,2, ");
}

// Before any load: the fallback record, code 3005, unlogged and without initialising. Then the ids in
// force, ascending, as many as fit; the count says how many there are; then the store across reloads.
TEST(GetPolicy, FallbackValuesIdsInForceAndTheStoreAcrossReloadsAndFinalize) {
    const std::string fallback = "~!#$%^&*()-_=+\\|[{}]:,<.>?";
    EXPECT_EQ(Query(0, 5), "3005:8,15,3,6,2,-," + fallback);
    for (int id : {7, -1, INT_MIN}) EXPECT_EQ(Query(id, 5), "3005:8,32,3,6,2,-," + fallback) << id;
    for (int size : {4, 6, 0, -5}) EXPECT_EQ(Query(0, size), "3005:-,-,-,-,-,-," + fallback) << size;
    EXPECT_EQ(testenv::LogEntries(), Lines{});
    unsigned int count = 99;
    EXPECT_EQ(PPC_GetPolicyIds(nullptr, 0, &count), PPC_OK);
    EXPECT_EQ(count, 0u);
    ConfigFile config;
    config.Write("[POLICY7]\nminlen=8\n[POLICY-3]\nminlen=8\n[POLICY0]\nminlen=8\n");
    ASSERT_EQ(PPC_Initialize(nullptr, 0, 0), PPC_OK);
    int ids[4] = {9, 9, 9, 9};
    EXPECT_EQ(PPC_GetPolicyIds(ids, 2, &count), PPC_OK);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ((std::vector<int>(ids, ids + 4)), (std::vector<int>{-3, 0, 9, 9}));
    EXPECT_EQ(PPC_GetPolicyIds(ids, 4, &count), PPC_OK);
    EXPECT_EQ((std::vector<int>(ids, ids + 4)), (std::vector<int>{-3, 0, 7, 9}));
    EXPECT_EQ(PPC_GetPolicyIds(nullptr, 1, &count), PPC_ERR_BAD_ARGUMENT);
    EXPECT_EQ(PPC_GetPolicyIds(ids, 4, nullptr), PPC_ERR_BAD_ARGUMENT);

    // A text handed out stays unchanged across reloads, short (inside the record's string) or long.
    const std::string longSet = "~!#$%^&*()-_=+|[{}]:,<.>?";
    config.Write("[POLICY0]\nminlen=9\nmaxlen=18\nminclass=4\nallowminlen=7\nallowminclass=1\n"
                 "specialchar=!spacespace#\n[POLICY-2]\nspecialchar=" + longSet + "\n");
    ASSERT_EQ(InitData(), 0);
    EXPECT_EQ(Query(0, 5), "0:9,18,4,7,1,-,! space#");
    EXPECT_EQ(Query(-2, 5), "0:8,32,3,6,2,-," + longSet);  // new, but policy 0 is not: no copy
    for (int size : {4, 6}) EXPECT_EQ(Query(0, size), "0:-,-,-,-,-,-,! space#") << size;
    int limits[5];
    const char *shortBefore = nullptr, *longBefore = nullptr, *again = nullptr;
    ASSERT_EQ(PPC_GetPolicy(0, limits, 5, &shortBefore), PPC_OK);
    ASSERT_EQ(PPC_GetPolicy(-2, limits, 5, &longBefore), PPC_OK);
    config.Write("[POLICY0]\nmaxlen=30\nspecialchar=$%\n[POLICY-2]\nspecialchar=" + longSet + "@@\n");
    ASSERT_EQ(InitData(), 0);
    EXPECT_STREQ(shortBefore, "! space#");
    EXPECT_STREQ(longBefore, longSet.c_str());
    EXPECT_EQ(Query(0, 5), "0:9,30,4,7,1,-,$%");
    EXPECT_EQ(Query(-2, 5), "0:8,32,3,6,2,-," + longSet + "@@");
    config.Write("[POLICY0]\nspecialchar=!spacespace#\n");
    ASSERT_EQ(InitData(), 0);
    ASSERT_EQ(PPC_GetPolicy(0, limits, 5, &again), PPC_OK);
    EXPECT_EQ(again, shortBefore);

    ASSERT_EQ(PPC_Finalize(), PPC_OK);
    config.Remove();
    EXPECT_EQ(Query(0, 5), "0:9,30,4,7,1,-,! space#");
}
