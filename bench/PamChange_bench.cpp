// What one password change costs a fresh process, as each passwd run pays
// it: libpam loads pam_pwdpolicy, the module loads the library, initialises
// it from the configuration (and its dictionary) and judges one password.
// Each iteration runs bench/pam_change in a new process; the first case is
// the same process with a stack of pam_permit only, the floor the module
// adds to. Real time, since the work happens in the child.
//
// This benchmark writes the fixed configuration path, in a private mount
// namespace (testenv::MakeConfigFolderPrivate; needs root).
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "DictionaryGen.h"
#include "breach/BreachBuilder.h"
#include "TestEnv.h"

extern char** environ;

namespace {

// Accepted by the sample policy 0 and in neither dictionary.
constexpr const char kPassword[] = "Kv9#Lumen-Canary4";

struct Setup {
    testenv::TempDir dir;
    std::string sampleConfig;
    std::string largeConfig;
    std::string tableConfig;  // the sample dictionary and a 1,000,000-entry breach table
};

Setup* setup = nullptr;

std::string SampleConfig(const std::string& dictionary) {
    std::string text = testenv::ReadFile(PWDPOLICY_SAMPLE_CONFIG);
    const std::string key = "weakPwdDic=";
    const size_t at = text.find(key);
    const size_t end = text.find('\n', at);
    return text.replace(at + key.size(), end - at - key.size(), dictionary);
}

void RunChange(benchmark::State& state, const char* service) {
    const std::string confdir = setup->dir.Path() + "/pam.d";
    std::vector<char*> args{const_cast<char*>(PAM_CHANGE_PATH), const_cast<char*>(confdir.c_str()),
                            const_cast<char*>(service), const_cast<char*>(kPassword), nullptr};
    for (auto _ : state) {
        pid_t child = 0;
        if (posix_spawn(&child, PAM_CHANGE_PATH, nullptr, nullptr, args.data(), environ) != 0) {
            state.SkipWithError("cannot start pam_change");
            return;
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the password change failed");
            return;
        }
    }
}

void BM_PasswordChange_PermitOnly(benchmark::State& state) { RunChange(state, "permit"); }

void BM_PasswordChange_SampleConfig(benchmark::State& state) {
    testenv::ConfigFile config;
    config.Write(setup->sampleConfig);
    RunChange(state, "pwdpolicy");
}

void BM_PasswordChange_Dictionary1M(benchmark::State& state) {
    testenv::ConfigFile config;
    config.Write(setup->largeConfig);
    RunChange(state, "pwdpolicy");
}

void BM_PasswordChange_BreachTable1M(benchmark::State& state) {
    testenv::ConfigFile config;
    config.Write(setup->tableConfig);
    RunChange(state, "pwdpolicy");
}

BENCHMARK(BM_PasswordChange_PermitOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(50);
BENCHMARK(BM_PasswordChange_SampleConfig)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(50);
BENCHMARK(BM_PasswordChange_Dictionary1M)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_PasswordChange_BreachTable1M)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(50);

}  // namespace

int main(int argc, char** argv) {
    if (!testenv::MakeConfigFolderPrivate()) return 1;
    Setup prepared;
    setup = &prepared;
    const std::string& dir = prepared.dir.Path();
    prepared.sampleConfig = SampleConfig(PWDPOLICY_SAMPLE_DICTIONARY);
    const std::string large = dir + "/weak-1m.dic";
    if (!benchdict::WriteDictionary(large, benchdict::GenerateEntries(1000000))) {
        std::perror(large.c_str());
        return 1;
    }
    prepared.largeConfig = SampleConfig(large);
    // The same million entries as a breach table instead of a dictionary.
    breach::BuildOptions table;
    table.inputs = {large};
    table.format = breach::InputFormat::kPasswords;
    table.output = dir + "/breached-1m.tbl";
    const breach::BuildResult built = breach::BuildTable(table);
    if (!built.error.empty()) {
        fprintf(stderr, "%s\n", built.error.c_str());
        return 1;
    }
    prepared.tableConfig = "[BASIC]\nbreachedPwdTable=" + table.output + "\n" + prepared.sampleConfig;
    std::filesystem::create_directories(dir + "/pam.d");
    // The children log into the scratch directory, not the machine's log.
    setenv("VC_LOG_FILE", (dir + "/log-%p").c_str(), 1);
    prepared.dir.WriteFile("pam.d/permit", "password required pam_permit.so\n");
    prepared.dir.WriteFile("pam.d/pwdpolicy", "password requisite " PAM_MODULE_PATH
                                               "\npassword required pam_permit.so\n");

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
