// The ppc commands. Each takes its parsed options and an Output, calls the
// component only through its public interface, and returns an ExitStatus.
#ifndef PPC_TOOL_COMMANDS_H
#define PPC_TOOL_COMMANDS_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Output.h"

namespace ppc {

// A password given on the command line; absent or "-" means standard input.
struct PasswordArgument {
    std::optional<std::string> text;
    bool FromInput() const { return !text.has_value() || *text == "-"; }
};

struct CheckOptions {
    int policy = 0;
    bool specialCheck = false;
    PasswordArgument password;
    // The context: with any of it, or allRules, check judges with
    // PPC_JudgePassword and lists every reason.
    bool allRules = false;
    std::optional<std::string> user;
    std::optional<std::string> fullName;
    std::vector<std::string> contextWords;
    std::optional<int> oldPasswordFd;  // the old password: the first line read from it
    bool Judging() const {
        return allRules || user || fullName || !contextWords.empty() || oldPasswordFd;
    }
};

struct ConfigInitOptions {
    std::string sampleDir = PPC_SAMPLE_DIR;  // holds ppc.conf and weakpwd.dic
    std::string root = "/";                  // the fixed path is placed under it
};

struct GenOptions {
    int policy = 0;
    std::optional<unsigned int> length;  // absent: the policy's minlen
    unsigned int count = 1;
    // The rand() generator, whose passwords are predictable, instead of the
    // kernel's.
    bool reproducible = false;
    // Keep passwords that begin or end with a blank (forms that trim lose it).
    bool allowBlankEnds = false;
};

struct BreachBuildOptions {
    std::string output;
    std::vector<std::string> inputs;
    uint32_t minCount = 1;
    double falsePositiveRate = 1e-9;
    std::string format = "auto";  // auto, hashes or passwords
    unsigned int memoryMiB = 768;
    std::string tempDir;  // empty: beside the output
    std::string skipMembersOf;  // tables, comma-separated: their members are left out
};

// check: the policy verdict in words; 0 matches, 1 breaks a rule. Judging,
// every reason in words, and JSON lists their codes.
int RunCheck(const CheckOptions& options, const Output& out);
// weak: 0 when not in the dictionary, 1 when it is.
int RunWeak(const PasswordArgument& password, const Output& out);
// strong: 0 when strong, 1 when not, with the reason.
int RunStrong(const PasswordArgument& password, const Output& out);
// gen: generated passwords, one a line; --json adds the generator and the
// passwords' strength in bits.
int RunGen(const GenOptions& options, const Output& out);
// policy: one policy's limits and special set.
int RunPolicy(int policy, const Output& out);
// policies: every policy that the configuration file has a section for.
int RunPolicies(const Output& out);
// config check: what is wrong with a configuration and the dictionary it
// names: `file` when given (the live configuration is then left alone),
// else the live configuration.
int RunConfigCheck(const std::optional<std::string>& file, const Output& out);
// config init: the samples at the fixed path, where no file is yet.
int RunConfigInit(const ConfigInitOptions& options, const Output& out);
// watch: start with monitor and timer, report each reload until Ctrl-C.
int RunWatch(const Output& out);

// breach build: a table from downloaded hash lists and password lists.
int RunBreachBuild(const BreachBuildOptions& options, const Output& out);
// breach info: each table's size, false-positive rate and build parameters
// (`tables`: one path, or several separated by commas); with `verify`, every
// page is checked and the status is 1 when one is damaged.
int RunBreachInfo(const std::string& tables, bool verify, const Output& out);
// breach check: 0 when no password is in the tables, 1 when one is; with
// `count`, one line with how many of the passwords read are breached.
int RunBreachCheck(const std::string& tables, const PasswordArgument& password, bool count, const Output& out);

}  // namespace ppc

#endif  // PPC_TOOL_COMMANDS_H
