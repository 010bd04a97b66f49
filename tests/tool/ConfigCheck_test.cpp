// ppc config check, run as a process.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include "TestEnv.h"
#include "ToolRunner.h"

using nlohmann::json;
using toolrun::Ppc;

namespace {

// The findings of one run, each as "severity: message".
std::vector<std::string> Findings(const json& report) {
    std::vector<std::string> found;
    for (const json& finding : report.at("findings")) {
        const int line = finding.at("line").get<int>();
        found.push_back(finding.at("severity").get<std::string>() + ": " +
                        (line > 0 ? "line " + std::to_string(line) + ": " : "") +
                        finding.at("message").get<std::string>());
    }
    return found;
}

// True when some finding starts with `prefix`.
bool Has(const std::vector<std::string>& findings, const std::string& prefix) {
    for (const std::string& finding : findings) {
        if (finding.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

}  // namespace

TEST(ConfigCheck, SoundConfigurationPasses) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    const std::string dictionary = dir.WriteFile("weak.dic", "password\nqwerty\n");
    config.Write("[BASIC]\nweakPwdDic=" + dictionary + "\ntimerInterval=2\n"
                 "[POLICY0]\nminlen=8\nmaxlen=32\nminclass=3\nspecialchar=!#space\n"
                 "[POLICY1]\nminlen=12\n");
    const toolrun::Run run = Ppc({"config", "check"});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find(dictionary + " (2 entries)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("no problems found"), std::string::npos);

    const json report = json::parse(Ppc({"config", "check", "--json"}).out);
    EXPECT_EQ(report.at("ok"), true);
    EXPECT_EQ(report.at("policies"), json::parse("[0, 1]"));
    EXPECT_EQ(report.at("dictionaryEntries"), 2);
    EXPECT_EQ(report.at("timerInterval"), 2);
}

TEST(ConfigCheck, MissingConfigurationOrDictionary) {
    testenv::ConfigFile config;
    config.Remove();
    const toolrun::Run missing = Ppc({"config", "check"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("error: cannot open the configuration "
                               "/usr/local/vesticor/conf/ppc.conf"),
              std::string::npos)
        << missing.out;

    config.Write("[BASIC]\nweakPwdDic=/nonexistent/weak.dic\n[POLICY1]\nminlen=8\n");
    const std::vector<std::string> found =
        Findings(json::parse(Ppc({"config", "check", "--json"}).out));
    EXPECT_TRUE(Has(found, "error: line 2: the dictionary /nonexistent/weak.dic cannot be opened"));
    EXPECT_TRUE(Has(found, "error: there is no policy 0"));
}

TEST(ConfigCheck, IgnoredSectionsAndKeysAreNamed) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    config.Write("stray=1\n[BASIC]\nweakPwdDic=" + dir.WriteFile("d", "x\n") +
                 "\ncolour=blue\n[basic]\ntimerInterval=1\n[POLICY0]\nminlen=8\nmaxlen=16\n"
                 "specialchar=!\nmaxLen=20\nweakPwdDic=x\n[MYPOLICY1]\nminlen=9\n");
    const json report = json::parse(Ppc({"config", "check", "--json"}).out);
    const std::vector<std::string> found = Findings(report);
    EXPECT_EQ(report.at("ok"), false);
    EXPECT_TRUE(Has(found, "warning: line 1: keys before the first section are ignored"));
    EXPECT_TRUE(Has(found, "warning: line 4: [BASIC] key colour is ignored"));
    EXPECT_TRUE(Has(found, "warning: line 6: section [basic] is ignored"));
    EXPECT_TRUE(Has(found, "warning: line 11: [POLICY0] key maxLen is ignored"));
    EXPECT_TRUE(Has(found, "warning: line 12: [POLICY0] key weakPwdDic is ignored"));
    EXPECT_TRUE(Has(found, "warning: line 14: section [MYPOLICY1] is read as policy 0"));
    EXPECT_TRUE(Has(found, "note: [BASIC] sets no timerInterval"));
}

TEST(ConfigCheck, ValuesThatMakeNoSense) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    config.Write("[BASIC]\nweakPwdDic=" + dir.WriteFile("d", "x\n") +
                 "\ntimerInterval=0\n"
                 "[POLICY0]\nminlen=20\nmaxlen=16\nminclass=5\nspecialchar=!\n"
                 "[POLICY1]\nminlen=ten\nminclass=3\nspecialchar=\n"
                 "[POLICY2]\nminlen=12abc\nmaxlen=40\nminclass=3\nspecialchar=!a1\n");
    const std::vector<std::string> found =
        Findings(json::parse(Ppc({"config", "check", "--json"}).out));
    EXPECT_TRUE(Has(found, "error: line 5: policy 0: minlen 20 is above maxlen 16"));
    EXPECT_TRUE(Has(found, "error: line 5: policy 0: minclass 5 is above 4"));
    EXPECT_TRUE(Has(found, "error: line 10: [POLICY1] minlen = \"ten\" is not a number"));
    EXPECT_TRUE(Has(found, "error: line 10: policy 1 has an empty special set"));
    EXPECT_TRUE(Has(found, "warning: line 10: policy 1: minlen 0 is below 6"));
    EXPECT_TRUE(Has(found, "warning: line 14: [POLICY2] minlen = \"12abc\" has text after the number"));
    EXPECT_TRUE(Has(found, "warning: line 14: policy 2: the special set holds letters or digits (a1)"));
    EXPECT_TRUE(Has(found, "error: line 3: [BASIC] timerInterval 0 is not a period"));
    // Errors are listed before warnings.
    EXPECT_EQ(found.front().rfind("error: ", 0), 0u);
    EXPECT_EQ(found.back().rfind("error: ", 0), std::string::npos);
}

TEST(ConfigCheck, SectionOrderAndDictionaryCutShort) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    const std::string dictionary = dir.WriteFile("weak.dic", "password\r\nqwerty\n\nletmein\n");
    config.Write("[BASIC]\nweakPwdDic=" + dictionary +
                 "\ntimerInterval=1\n[POLICY3]\nminlen=10\n[POLICY0]\nminlen=8\nmaxlen=16\n"
                 "minclass=3\nspecialchar=!\n[POLICY1]\nminlen=8\n[POLICY01]\nmaxlen=20\n");
    const json report = json::parse(Ppc({"config", "check", "--json"}).out);
    const std::vector<std::string> found = Findings(report);
    EXPECT_EQ(report.at("dictionaryEntries"), 2);
    EXPECT_TRUE(Has(found, "warning: line 2: dictionary line 3 is empty and ends the dictionary: "
                           "the line after it is ignored"));
    EXPECT_TRUE(Has(found, "warning: line 5: section [POLICY3] comes before policy 0's"));
    EXPECT_FALSE(Has(found, "warning: line 12: section [POLICY1] comes before"));
    EXPECT_TRUE(Has(found, "warning: line 14: [POLICY1], [POLICY01] both stand for policy 1"));
}

// A line longer than the parser's 199 bytes is ignored whole: its tail sets
// no key and opens no section, and the lines after it keep their numbers.
// A candidate given as FILE is judged on its own: the live configuration,
// broken here, is neither read nor touched.
TEST(ConfigCheck, CandidateFileIsJudgedAndTheLiveFileLeftAlone) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    const std::string live = "[POLICY0]\nminlen=oops\n";
    config.Write(live);
    struct stat before {};
    ASSERT_EQ(stat(testenv::ConfigFile::Path(), &before), 0);

    const std::string good = "[BASIC]\nweakPwdDic=" + dir.WriteFile("weak.dic", "password\n") +
                             "\ntimerInterval=5\n[POLICY0]\nminlen=8\nmaxlen=32\nminclass=3\n"
                             "specialchar=!#\n";
    const std::string head = "specialchar=" + std::string(187, '#');  // 199 bytes
    const std::string overLong = good + head + "minclass=1\n" + head + "[POLICY9]\nmaxlen=9\n";
    const std::string goodPath = dir.WriteFile("good.conf", good);
    const std::string overLongPath = dir.WriteFile("long.conf", overLong);
    const std::string brokenPath = dir.WriteFile("broken.conf", "[POLICY0]\nminlen=8\n");

    const toolrun::Run passed = Ppc({"config", "check", goodPath});
    EXPECT_EQ(passed.status, 0) << passed.out;
    EXPECT_NE(passed.out.find("configuration  " + goodPath), std::string::npos) << passed.out;

    const json report = json::parse(Ppc({"config", "check", "--json", overLongPath}).out);
    EXPECT_EQ(report.at("ok"), false);
    EXPECT_EQ(report.at("policies"), json::parse("[0]"));  // no policy 9
    EXPECT_EQ(Findings(report),
              (std::vector<std::string>{
                  "error: line 9: longer than 199 bytes: ignored whole, so no part of it sets a key "
                  "or opens a section",
                  "error: line 10: longer than 199 bytes: ignored whole, so no part of it sets a "
                  "key or opens a section",
                  "note: line 11: [POLICY0] maxlen is set again: the last value counts"}))
        << report.dump();

    const toolrun::Run broken = Ppc({"config", "check", brokenPath});
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.out.find("error: [BASIC] names no dictionary"), std::string::npos) << broken.out;
    EXPECT_EQ(Ppc({"config", "check", dir.Path() + "/absent.conf"}).status, 1);

    struct stat after {};
    ASSERT_EQ(stat(testenv::ConfigFile::Path(), &after), 0);
    EXPECT_EQ(testenv::ReadFile(testenv::ConfigFile::Path()), live);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST(ConfigCheck, BreachTableIsReportedAndAProblemIsAnError) {
    testenv::ConfigFile config;
    testenv::TempDir dir;
    const std::string dictionary = dir.WriteFile("weak.dic", "password\n");
    const std::string table = dir.Path() + "/breached.tbl";
    ASSERT_EQ(Ppc({"breach", "build", "-o", table, dir.WriteFile("list", "a\nb\nc\n")}).status, 0);
    const std::string basic = "[BASIC]\nweakPwdDic=" + dictionary + "\ntimerInterval=2\nbreachedPwdTable=";
    const std::string policy = "\n[POLICY0]\nminlen=8\nmaxlen=32\nminclass=3\nspecialchar=!#\n";

    config.Write(basic + table + policy);
    const toolrun::Run run = Ppc({"config", "check"});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("breach table   " + table + " (3 entries, 0.0 MB, built 0 days ago)"),
              std::string::npos) << run.out;

    const std::string broken = dir.WriteFile("broken.tbl", "");
    config.Write(basic + broken + policy);
    const json report = json::parse(Ppc({"config", "check", "--json"}).out);
    EXPECT_EQ(report.at("ok"), false);
    EXPECT_EQ(report.at("breachTable").at("path"), broken);
    EXPECT_TRUE(Has(Findings(report), "error: line 4: the breach table " + broken +
                                          " cannot be used: truncated: file has 0 bytes, header says 128: "
                                          "hosts that use the dictionary cannot start the component"));
}
