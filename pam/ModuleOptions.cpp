#include "ModuleOptions.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace pampwdpolicy {
namespace {

// A decimal integer in [low, high] that is all of `text`.
bool ParseInt(const char* text, long low, long high, int* value) {
    if (*text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
    *value = static_cast<int>(parsed);
    return true;
}

// The value of `arg` when it is "name=value", else null.
const char* ValueOf(const char* arg, const char* name) {
    const size_t length = std::strlen(name);
    if (std::strncmp(arg, name, length) != 0 || arg[length] != '=') return nullptr;
    return arg + length + 1;
}

// More attempts than this is a typo, not a policy: each one prompts twice.
constexpr long kMaxRetry = 100;

}  // namespace

OptionProblems ParseModuleOptions(int argc, const char** argv, ModuleOptions* options) {
    OptionProblems problems;
    for (int i = 0; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg == nullptr) continue;
        const char* value = nullptr;
        bool valid = true;
        if ((value = ValueOf(arg, "policy")) != nullptr) {
            valid = ParseInt(value, INT_MIN, INT_MAX, &options->policy);
        } else if ((value = ValueOf(arg, "retry")) != nullptr) {
            valid = ParseInt(value, 1, kMaxRetry, &options->retry);
        } else if ((value = ValueOf(arg, "enforcing")) != nullptr) {
            int enforcing = 1;
            valid = ParseInt(value, 0, 1, &enforcing);
            if (valid) options->enforcing = enforcing == 1;
        } else if (std::strcmp(arg, "enforce_for_root") == 0) {
            options->enforceForRoot = true;
        } else if (std::strcmp(arg, "use_authtok") == 0) {
            options->useAuthtok = true;
        } else if (std::strcmp(arg, "debug") == 0) {
            options->debug = true;
        } else {
            problems.unknown.emplace_back(arg);
        }
        if (!valid) problems.malformed.emplace_back(arg);
    }
    return problems;
}

}  // namespace pampwdpolicy
