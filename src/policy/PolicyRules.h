// The per-policy rules beyond lengths in bytes and character classes: how
// length is counted, whether the password is normalised, whether the class
// rules apply, and the checks that only the judge with context
// (PPC_JudgePassword) makes. A policy that sets none of their keys keeps
// every default, and then judges exactly as the plain policy does.
#ifndef PWDPOLICY_POLICY_POLICYRULES_H
#define PWDPOLICY_POLICY_POLICYRULES_H

#include <cstdint>

struct PolicyRules {
    // "lengthUnit": byte (default) or codepoint. Counting code points needs
    // valid UTF-8: anything else gets its own verdict.
    bool countCodePoints = false;
    // "normalize": none (default) or NFKC, applied before every check.
    bool normalizeNfkc = false;
    // "composition": classes (default) or none. None drops minclass and the
    // special set: every character counts, as long as the length fits.
    bool noComposition = false;
    // "contextCheck": 0 (default) or 1. The user's names, further context
    // words and the old password are compared with the password.
    bool contextCheck = false;
    // "minOldDiff": the fewest characters in which the password must differ
    // from the old one (edit distance, case ignored); 0 (default): no rule.
    int32_t minOldDiff = 0;
    // "maxRepeat": the longest run of one character allowed; 0: no limit.
    int32_t maxRepeat = 0;
    // "maxSequence": the longest run of consecutive characters allowed, up
    // or down ("abcd", "4321"); 0: no limit.
    int32_t maxSequence = 0;

    // Whether the policy check itself differs from the byte-counting one.
    bool ChangesMatch() const { return countCodePoints || normalizeNfkc || noComposition; }
    // Whether the text must be valid UTF-8.
    bool NeedsUtf8() const { return countCodePoints || normalizeNfkc; }
};

// What ApplyRuleKey made of a key.
enum class RuleKey {
    kNotARule,  // not one of the keys above
    kTaken,
    kBadValue,  // one of them, with a value it cannot take: the rule is unchanged
};

// Sets the rule that policy key `name` names from `value`.
RuleKey ApplyRuleKey(PolicyRules& rules, const char* name, const char* value);

#endif  // PWDPOLICY_POLICY_POLICYRULES_H
