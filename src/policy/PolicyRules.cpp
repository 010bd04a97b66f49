#include "policy/PolicyRules.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// A whole decimal number from 0 to 1,000,000 (a limit no password
// reaches); anything else is a bad value, not a silent 0.
bool ReadLimit(const char* value, int32_t* out) {
    char* end = nullptr;
    errno = 0;
    const long number = strtol(value, &end, 10);
    if (end == value || *end != '\0' || errno == ERANGE || number < 0 || number > 1000000) return false;
    *out = static_cast<int32_t>(number);
    return true;
}

// One of two words; case matters, as for every name in the file.
bool ReadChoice(const char* value, const char* off, const char* on, bool* out) {
    if (strcmp(value, off) == 0) {
        *out = false;
    } else if (strcmp(value, on) == 0) {
        *out = true;
    } else {
        return false;
    }
    return true;
}

}  // namespace

RuleKey ApplyRuleKey(PolicyRules& rules, const char* name, const char* value) {
    bool ok = false;
    if (strcmp(name, "lengthUnit") == 0) {
        ok = ReadChoice(value, "byte", "codepoint", &rules.countCodePoints);
    } else if (strcmp(name, "normalize") == 0) {
        ok = ReadChoice(value, "none", "NFKC", &rules.normalizeNfkc);
    } else if (strcmp(name, "composition") == 0) {
        ok = ReadChoice(value, "classes", "none", &rules.noComposition);
    } else if (strcmp(name, "contextCheck") == 0) {
        ok = ReadChoice(value, "0", "1", &rules.contextCheck);
    } else if (strcmp(name, "minOldDiff") == 0) {
        ok = ReadLimit(value, &rules.minOldDiff);
    } else if (strcmp(name, "maxRepeat") == 0) {
        ok = ReadLimit(value, &rules.maxRepeat);
    } else if (strcmp(name, "maxSequence") == 0) {
        ok = ReadLimit(value, &rules.maxSequence);
    } else {
        return RuleKey::kNotARule;
    }
    return ok ? RuleKey::kTaken : RuleKey::kBadValue;
}
