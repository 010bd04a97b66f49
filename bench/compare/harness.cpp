// One workload driver, compiled once per implementation (-DIMPL_OURS,
// -DIMPL_CRACKLIB, -DIMPL_PWQUALITY or -DIMPL_PASSWDQC), so that every
// implementation runs the same loop, the same probes and the same clock.
//
//   harness DICT WEAK_PROBES STRONG_PROBES SECONDS
//
// DICT is what the implementation loads: the word list itself (ours), the
// packed dictionary prefix (cracklib, libpwquality) or the binary filter
// (passwdqc). Prints "key value" lines: ns per call of each workload, how
// many probes each check judged as expected, and for ours the dictionary's
// memory per line of the list.
//
// Ours runs as a host does, through the C interface only: it puts its
// configuration at the fixed path inside a private mount namespace
// (testenv::MakeConfigFolderPrivate, needs root), so the machine's own file
// is never touched.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#if defined(IMPL_OURS)
#include "TestEnv.h"
#include "pwdpolicy.h"
#elif defined(IMPL_CRACKLIB)
#include <crack.h>
#elif defined(IMPL_PWQUALITY)
#include <pwquality.h>
#elif defined(IMPL_PASSWDQC)
#include <passwdqc.h>
#else
#error "define one IMPL_*"
#endif

namespace {

double CpuSeconds() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

std::vector<std::string> ReadLines(const char* path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

// Calls `one` on the probes in turn until `seconds` of CPU time have gone,
// after a short warm-up; prints the CPU nanoseconds per call. `one` returns
// true when the implementation judged the probe as expected; the count of
// those over the first kChecked probes (the warm-up) is printed too.
void Measure(const char* key, const std::vector<std::string>& probes, double seconds,
             const std::function<bool(const char*)>& one) {
    constexpr size_t kChecked = 200;  // the slowest peers take 2 ms a call
    const size_t checked = std::min(probes.size(), kChecked);
    size_t expected = 0;
    for (size_t i = 0; i < checked; ++i) expected += one(probes[i].c_str()) ? 1 : 0;
    size_t calls = 0;
    const double start = CpuSeconds();
    double now = start;
    while (now - start < seconds) {
        for (int i = 0; i < 64; ++i) one(probes[calls++ % probes.size()].c_str());
        now = CpuSeconds();
    }
    printf("%s.ns %.1f\n%s.expected %zu/%zu\n", key, (now - start) * 1e9 / calls, key, expected,
           checked);
}

[[maybe_unused]] void MeasureGeneration(double seconds, const std::function<void()>& one) {
    size_t calls = 0;
    for (int i = 0; i < 16; ++i) one();
    const double start = CpuSeconds();
    double now = start;
    while (now - start < seconds) {
        for (int i = 0; i < 16; ++i, ++calls) one();
        now = CpuSeconds();
    }
    printf("generate.ns %.1f\n", (now - start) * 1e9 / calls);
}

#if defined(IMPL_OURS)
size_t ResidentBytes() {
    long pages = 0, resident = 0;
    FILE* statm = fopen("/proc/self/statm", "r");
    if (statm == nullptr) return 0;
    if (fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    fclose(statm);
    return static_cast<size_t>(resident) * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}
#endif

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: %s DICT WEAK_PROBES STRONG_PROBES SECONDS\n", argv[0]);
        return 2;
    }
    const char* dict = argv[1];
    const std::vector<std::string> weak = ReadLines(argv[2]);
    const std::vector<std::string> strong = ReadLines(argv[3]);
    const double seconds = atof(argv[4]);
    if (weak.empty() || strong.empty()) {
        fprintf(stderr, "no probes\n");
        return 2;
    }

#if defined(IMPL_OURS)
    // The sample policy 0 and the list as the dictionary, loaded by
    // PPC_Initialize(NULL, 0, 1) as a host loads them.
    if (!testenv::MakeConfigFolderPrivate()) {
        fprintf(stderr, "cannot make the configuration folder private (needs root)\n");
        return 1;
    }
    const testenv::ConfigFile config;  // removed at exit, in the private folder
    config.Write(std::string("[BASIC]\nweakPwdDic=") + dict +
                 "\n[POLICY0]\nminlen=8\nmaxlen=32\nminclass=3\n"
                 "specialchar=~!#$%^&*()-_=+\\|[{}]:,<.>?space\n");
    const size_t residentBefore = ResidentBytes();
    const unsigned int initialized = PPC_Initialize(nullptr, 0, 1);
    if (initialized != PPC_OK) {
        fprintf(stderr, "PPC_Initialize returned %u for the list %s\n", initialized, dict);
        return 1;
    }
    const size_t residentAfter = ResidentBytes();
    const size_t lines = ReadLines(dict).size();
    printf("mem.entries %zu\nmem.rss_per_entry %.1f\n", lines,
           double(residentAfter - residentBefore) / double(lines));

    auto isWeak = [](const char* pwd) {
        unsigned int answer = 2;
        PPC_IsWeakPwd(pwd, &answer);
        return answer == 1;
    };
    auto isStrong = [](const char* pwd) {
        unsigned int answer = 2;
        PPC_IsStrongPwd(pwd, &answer);
        return answer == 1;
    };
    Measure("weak.IsWeakPwd", weak, seconds, isWeak);
    Measure("weak.IsStrongPwd", weak, seconds, [&](const char* pwd) { return !isStrong(pwd); });
    Measure("strong.IsWeakPwd", strong, seconds, [&](const char* pwd) { return !isWeak(pwd); });
    Measure("strong.IsStrongPwd", strong, seconds, isStrong);
    MeasureGeneration(seconds, [] {
        char* pwd = nullptr;
        unsigned int length = 16;
        if (PPC_GenSecPwd("~!#$%^&*()-_=+\\|[{}]:,<.>?", &pwd, &length) == PPC_OK) free(pwd);
    });

#elif defined(IMPL_CRACKLIB)
    // FascistCheck: length and character-variety rules, then the password and
    // its mangled forms (case, reversal, plurals, ...) looked up in the
    // packed dictionary, which it opens and closes on every call.
    auto rejects = [dict](const char* pwd) { return FascistCheck(pwd, dict) != nullptr; };
    Measure("weak.check", weak, seconds, rejects);
    Measure("strong.check", strong, seconds, [&](const char* pwd) { return !rejects(pwd); });

#elif defined(IMPL_PWQUALITY)
    // pwquality_check: length and class credits, repeats, sequences, then
    // cracklib's FascistCheck on the packed dictionary, then a score.
    pwquality_settings_t* settings = pwquality_default_settings();
    if (settings == nullptr) return 1;
    const char* options[] = {"minlen=6", "dictcheck=1", "usercheck=0", "gecoscheck=0",
                             "maxrepeat=0", "maxsequence=0", "maxclassrepeat=0", "enforcing=1"};
    for (const char* option : options) pwquality_set_option(settings, option);
    pwquality_set_str_value(settings, PWQ_SETTING_DICT_PATH, dict);
    auto rejects = [settings](const char* pwd) {
        void* aux = nullptr;
        const int score = pwquality_check(settings, pwd, nullptr, nullptr, &aux);
        if (aux != nullptr) {
            char message[PWQ_MAX_ERROR_MESSAGE_LEN];
            pwquality_strerror(message, sizeof message, score, aux);  // releases aux
        }
        return score < 0;
    };
    Measure("weak.check", weak, seconds, rejects);
    Measure("strong.check", strong, seconds, [&](const char* pwd) { return !rejects(pwd); });
    // 96 bits: about what 16 characters from a 62-to-90 symbol alphabet hold.
    MeasureGeneration(seconds, [settings] {
        char* pwd = nullptr;
        if (pwquality_generate(settings, 96, &pwd) == 0) free(pwd);
    });
    pwquality_free_settings(settings);

#elif defined(IMPL_PASSWDQC)
    // passwdqc_check: length per kind of password, character variety, the
    // built-in word list and substring matches, then the binary filter.
    // Lengths are relaxed so that every probe reaches the filter.
    passwdqc_params_t params;
    passwdqc_params_reset(&params);
    const std::string filter = std::string("filter=") + dict;
    const char* options[] = {"min=1,1,1,1,1", "max=72", "random=96", filter.c_str()};
    char* reason = nullptr;
    if (passwdqc_params_parse(&params, &reason, 4, options) != 0) {
        fprintf(stderr, "passwdqc: %s\n", reason ? reason : "bad options");
        return 1;
    }
    auto rejects = [&params](const char* pwd) {
        return passwdqc_check(&params.qc, pwd, nullptr, nullptr) != nullptr;
    };
    Measure("weak.check", weak, seconds, rejects);
    Measure("strong.check", strong, seconds, [&](const char* pwd) { return !rejects(pwd); });
    MeasureGeneration(seconds, [&params] {
        char* pwd = passwdqc_random(&params.qc);
        if (pwd != nullptr) free(pwd);
    });
    passwdqc_params_free(&params);
#endif
    return 0;
}
