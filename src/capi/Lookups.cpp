#include "capi/Lookups.h"

#include "check/PolicyJudge.h"
#include "check/Trim.h"

unsigned int VerdictIn(const PolicyInForce& policy, const char* pwd, unsigned int specialCharCheckInd) {
    if (!policy.rules.ChangesMatch()) return JudgePassword(pwd, policy.record, policy.bytes, specialCharCheckInd);
    // The limits on runs have no verdict: not worth their scan here.
    PolicyRules rules = policy.rules;
    rules.maxRepeat = rules.maxSequence = 0;
    const PreparedPassword prepared(pwd, rules);
    return FirstVerdict(FindPolicyBreaks(prepared, policy.record, rules, policy.bytes, specialCharCheckInd));
}

bool InDictionary(const Snapshot& data, std::string_view pwd) { return data.dictionary.Contains(pwd); }

bool InBreachTable(const Snapshot& data, std::string_view pwd) {
    const std::string_view trimmed = TrimPassword(pwd);
    return data.breachTables != nullptr && !trimmed.empty() && data.breachTables->ContainsPassword(trimmed);
}
