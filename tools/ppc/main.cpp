// ppc: the PwdPolicy library on the command line, for operators and
// scripts. Parses the command line and hands over to one command.
#include <CLI/CLI.hpp>
#include <pwdpolicy.h>

#include <clocale>
#include <exception>
#include <iostream>
#include <optional>
#include <string>

#include "Commands.h"
#include "Output.h"
#include "VerdictWords.h"

namespace {

void AddJsonFlag(CLI::App* command, bool* json) {
    command->add_flag("--json", *json, "Answer in JSON (one object a line) for scripts");
}

void AddPasswordArgument(CLI::App* command, ppc::PasswordArgument* password) {
    command->add_option("password", password->text,
                        "The password; omit it or give - to read one a line from standard "
                        "input (without echo on a terminal)");
}

}  // namespace

int main(int argc, char** argv) try {
    // Messages in the user's language; numbers and everything else stay
    // as in the C locale, so output that scripts read does not move.
    setlocale(LC_MESSAGES, "");
    setlocale(LC_CTYPE, "");
    verdictwords::BindMessages();
    CLI::App app{"Judge, check and generate passwords with the PwdPolicy library.\n"
                 "Exit status: 0 passes, 1 breaks a rule, 2 usage error, 3 the library failed.",
                 "ppc"};
    app.set_version_flag("--version", PPC_VERSION, "Print the library version and exit");
    app.require_subcommand(1);
    bool json = false;
    AddJsonFlag(&app, &json);

    ppc::CheckOptions check;
    CLI::App* checkCommand = app.add_subcommand("check", "Judge passwords against a policy");
    checkCommand->add_option("--policy", check.policy, "Policy id (default 0)");
    checkCommand->add_flag("--special-check", check.specialCheck,
                           "Also refuse characters outside the policy's special set");
    checkCommand->add_flag("--all-rules", check.allRules,
                           "Judge with every rule (dictionary, breach table, the policy's limits on runs "
                           "and context) and list every reason; implied by the context options");
    checkCommand->add_option("--user", check.user, "The user name the password is for");
    checkCommand->add_option("--full-name", check.fullName, "The user's full name (GECOS field)");
    checkCommand->add_option("--context", check.contextWords,
                             "A further context word, such as the service's name (repeatable)");
    checkCommand->add_option("--old-password-fd", check.oldPasswordFd,
                             "Read the old password from this descriptor's first line (0: standard input, "
                             "when the password is an argument); never give it on the command line")
        ->check(CLI::NonNegativeNumber);
    AddPasswordArgument(checkCommand, &check.password);
    AddJsonFlag(checkCommand, &json);

    ppc::PasswordArgument weak;
    CLI::App* weakCommand =
        app.add_subcommand("weak", "Tell whether passwords are in the weak-password dictionary "
                                   "(exit 1 when weak)");
    AddPasswordArgument(weakCommand, &weak);
    AddJsonFlag(weakCommand, &json);

    ppc::PasswordArgument strong;
    CLI::App* strongCommand = app.add_subcommand(
        "strong", "Tell whether passwords are strong: policy 0 without its maximum, and not weak");
    AddPasswordArgument(strongCommand, &strong);
    AddJsonFlag(strongCommand, &json);

    ppc::GenOptions gen;
    CLI::App* genCommand = app.add_subcommand(
        "gen", "Generate unpredictable passwords from the kernel's random generator, one a line; "
               "--json adds the strength in bits");
    genCommand->add_option("--policy", gen.policy, "Policy id (default 0)");
    genCommand->add_option("--length", gen.length, "Length (default: the policy's minlen)")
        ->check(CLI::Range(6u, 65536u));
    genCommand->add_option("--count", gen.count, "How many (default 1)")->check(CLI::Range(1u, 100000u));
    genCommand->add_flag("--reproducible", gen.reproducible,
                         "Use the rand() generator of PPC_GenSecPwdByPolicy, for hosts that need "
                         "its sequence. Its passwords are PREDICTABLE: one reveals the others");
    genCommand->add_flag("--allow-blank-ends", gen.allowBlankEnds,
                         "Keep passwords that begin or end with a blank (by default they are "
                         "drawn again, since forms that trim would lose the blank)");
    AddJsonFlag(genCommand, &json);

    int policyId = 0;
    CLI::App* policyCommand = app.add_subcommand("policy", "Show one policy (default 0)");
    policyCommand->add_option("id", policyId, "Policy id");
    AddJsonFlag(policyCommand, &json);

    CLI::App* policiesCommand =
        app.add_subcommand("policies", "Show every policy of the configuration as a table");
    AddJsonFlag(policiesCommand, &json);

    CLI::App* configCommand = app.add_subcommand("config", "Work with the configuration");
    configCommand->require_subcommand(1);
    std::optional<std::string> configFile;
    CLI::App* configCheckCommand = configCommand->add_subcommand(
        "check", "Load a configuration and its dictionary as the library would and report what "
                 "is wrong, each finding with its line (exit 0 only when nothing is)");
    configCheckCommand->add_option("file", configFile,
                                   "A candidate configuration to judge instead of the live "
                                   PPC_CONFIG_PATH ", which is then neither read nor touched");
    AddJsonFlag(configCommand, &json);
    AddJsonFlag(configCheckCommand, &json);
    ppc::ConfigInitOptions init;
    CLI::App* configInitCommand = configCommand->add_subcommand(
        "init", "Put the sample configuration and dictionary at " PPC_CONFIG_PATH
                " and beside it, where no file is yet (an existing file is never replaced)");
    configInitCommand->add_option("--from", init.sampleDir,
                                  "Directory of the samples ppc.conf and weakpwd.dic")
        ->capture_default_str();
    configInitCommand->add_option("--root", init.root,
                                  "Place them under this directory instead of / "
                                  "(an image or a chroot being prepared)");
    AddJsonFlag(configInitCommand, &json);

    CLI::App* watchCommand = app.add_subcommand(
        "watch", "Run the library with its reload timer and show each reload; Ctrl-C ends");
    AddJsonFlag(watchCommand, &json);

    CLI::App* breachCommand =
        app.add_subcommand("breach", "Build and inspect breached-password tables");
    breachCommand->require_subcommand(1);
    AddJsonFlag(breachCommand, &json);
    ppc::BreachBuildOptions breachBuild;
    CLI::App* breachBuildCommand = breachCommand->add_subcommand(
        "build", "Build a table from downloaded hash lists (40 hex digits:count) or password "
                 "lists (one a line); written beside TABLE and renamed into place");
    breachBuildCommand->add_option("-o,--output", breachBuild.output, "The table to write")->required();
    breachBuildCommand->add_option("inputs", breachBuild.inputs, "Lists to read; - is standard input")
        ->required();
    breachBuildCommand->add_option("--min-count", breachBuild.minCount,
                                   "Keep only hashes seen at least this often (default 1)")
        ->check(CLI::Range(1u, 0xFFFFFFFFu));
    breachBuildCommand->add_option("--fp-rate", breachBuild.falsePositiveRate,
                                   "Highest false-positive rate a lookup may have (default 1e-9)")
        ->check(CLI::Range(9.1e-13, 0.25));
    breachBuildCommand->add_option("--format", breachBuild.format,
                                   "auto (default: by each file's first line), hashes or passwords")
        ->check(CLI::IsMember({"auto", "hashes", "passwords"}));
    breachBuildCommand->add_option("--memory", breachBuild.memoryMiB,
                                   "MiB of memory the build may use (default 768)")
        ->check(CLI::Range(1u, 65536u));
    breachBuildCommand->add_option("--temp-dir", breachBuild.tempDir,
                                   "Directory for the temporary file (default: the table's)");
    breachBuildCommand->add_option("--skip-members-of", breachBuild.skipMembersOf,
                                   "Leave out what these tables (comma-separated) hold: builds a delta");
    AddJsonFlag(breachBuildCommand, &json);
    std::string breachTable;
    bool breachVerify = false;
    CLI::App* breachInfoCommand =
        breachCommand->add_subcommand("info", "Show a table's entries, size, false-positive rate "
                                              "and build parameters");
    breachInfoCommand->add_option("table", breachTable, "The table, or several separated by commas")->required();
    breachInfoCommand->add_flag("--verify", breachVerify, "Also read the whole file and check every page");
    AddJsonFlag(breachInfoCommand, &json);
    ppc::PasswordArgument breachPassword;
    CLI::App* breachCheckCommand = breachCommand->add_subcommand(
        "check", "Tell whether passwords are in a table (exit 1 when one is)");
    breachCheckCommand->add_option("table", breachTable, "The table, or several separated by commas")->required();
    AddPasswordArgument(breachCheckCommand, &breachPassword);
    bool breachCount = false;
    breachCheckCommand->add_flag("--count", breachCount, "Print only how many of the passwords are breached");
    AddJsonFlag(breachCheckCommand, &json);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return ppc::kExitUsage;
    }

    const ppc::Output out(json);
    if (*checkCommand) return ppc::RunCheck(check, out);
    if (*weakCommand) return ppc::RunWeak(weak, out);
    if (*strongCommand) return ppc::RunStrong(strong, out);
    if (*genCommand) return ppc::RunGen(gen, out);
    if (*policyCommand) return ppc::RunPolicy(policyId, out);
    if (*policiesCommand) return ppc::RunPolicies(out);
    if (*configCheckCommand) return ppc::RunConfigCheck(configFile, out);
    if (*configInitCommand) return ppc::RunConfigInit(init, out);
    if (*watchCommand) return ppc::RunWatch(out);
    if (*breachBuildCommand) return ppc::RunBreachBuild(breachBuild, out);
    if (*breachInfoCommand) return ppc::RunBreachInfo(breachTable, breachVerify, out);
    if (*breachCheckCommand) return ppc::RunBreachCheck(breachTable, breachPassword, breachCount, out);
    return ppc::kExitUsage;
} catch (const std::exception& e) {
    std::cerr << "ppc: " << e.what() << '\n';
    return ppc::kExitFailure;
}
