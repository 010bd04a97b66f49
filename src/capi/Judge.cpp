// PPC_JudgePassword: every rule at once, with the password's context.
#include <new>
#include <string>

#include "capi/Lookups.h"
#include "check/ContextRules.h"
#include "check/PolicyJudge.h"
#include "check/Utf8Text.h"
#include "lifecycle/Globals.h"
#include "lifecycle/Reloader.h"
#include "lifecycle/Snapshot.h"
#include "pwdpolicy.h"
#include "support/Log.h"

namespace {

// What one read of the snapshot found.
struct SnapshotFindings {
    PolicyRules rules;
    PolicyBreaks breaks;
    unsigned int verdict = PPC_MATCH;
    bool weak = false;
    bool breached = false;
};

void FillContext(const PPC_PasswordContext* given, PasswordContext* context) {
    if (given == nullptr) return;
    if (given->userName != nullptr) context->AddName(given->userName);
    if (given->fullName != nullptr) context->AddName(given->fullName);
    for (unsigned int i = 0; i < given->wordCount; ++i) {
        if (given->words[i] != nullptr) context->AddWord(given->words[i]);
    }
    if (given->oldPassword != nullptr) context->SetOldPassword(given->oldPassword);
}

// The policy's rules, the dictionary and the breach table, all from
// `data`; `*judged` receives the text the context rules compare when there
// is a context to compare.
unsigned int FindIn(const Snapshot& data, const char* pwd, int policyId, unsigned int specialCharCheckInd,
                    bool wantText, SnapshotFindings* found, std::string* judged) {
    const PolicyInForce* policy = data.Policy(policyId);
    if (policy == nullptr) {
        PPC_LOG_ERROR("PPC_JudgePassword", "policy == NULL,policyId= %i\n", policyId);
        return PPC_ERR_NO_POLICY;
    }
    found->rules = policy->rules;
    const std::string_view given(pwd);
    const PreparedPassword prepared(given, policy->rules);
    found->breaks = FindPolicyBreaks(prepared, policy->record, policy->rules, policy->bytes, specialCharCheckInd);
    found->verdict = FirstVerdict(found->breaks);
    // The bytes as given, and the NFKC form when it differs.
    const bool normalised = prepared.Valid() && prepared.Text() != given;
    found->weak = InDictionary(data, given) || (normalised && InDictionary(data, prepared.Text()));
    found->breached = InBreachTable(data, given) || (normalised && InBreachTable(data, prepared.Text()));
    if (wantText) judged->assign(prepared.Text());
    return PPC_OK;
}

void Add(PPC_Judgement* judgement, bool applies, unsigned int reason) {
    if (applies && judgement->reasonCount < PPC_MAX_REASONS) judgement->reasons[judgement->reasonCount++] = reason;
}

}  // namespace

extern "C" unsigned int PPC_JudgePassword(const char* pwd, int policyId, unsigned int specialCharCheckInd,
                                          const PPC_PasswordContext* context, PPC_Judgement* judgement) try {
    RunDueTick();
    if (pwd == nullptr || judgement == nullptr || specialCharCheckInd > 1 ||
        (context != nullptr && context->words == nullptr && context->wordCount > 0)) {
        return PPC_ERR_BAD_ARGUMENT;
    }
    if (!InitFlagIsSet()) PPC_Initialize(nullptr, 0, 1);

    PasswordContext words;
    FillContext(context, &words);
    SnapshotFindings found;
    Wiped<std::string> judged;
    // The context rules run after the read, which stays a lookup: their cost
    // grows with the context, and a publication waits for every reader.
    const unsigned int code = dataInForce.Read([&](const Snapshot& data) {
        return FindIn(data, pwd, policyId, specialCharCheckInd, !words.Empty(), &found, &judged.text);
    });
    if (code != PPC_OK) return code;
    const ContextBreaks near = FindContextBreaks(words.Empty() ? std::string_view() : judged.text, words, found.rules);

    PPC_Judgement result{};
    result.verdict = found.verdict;
    const PolicyBreaks& breaks = found.breaks;
    // The policy's rules in PPC_IsMatchPolicy's precedence, so that the
    // first reason is the verdict; then the others by number.
    Add(&result, breaks.invalidUtf8, PPC_REASON_INVALID_UTF8);
    Add(&result, breaks.tooShort, PPC_REASON_TOO_SHORT);
    Add(&result, breaks.badSpecial, PPC_REASON_BAD_SPECIAL_CHAR);
    Add(&result, breaks.tooFewClasses, PPC_REASON_TOO_FEW_CLASSES);
    Add(&result, breaks.tooLong, PPC_REASON_TOO_LONG);
    Add(&result, breaks.repeated, PPC_REASON_REPEATED_CHARS);
    Add(&result, breaks.sequential, PPC_REASON_SEQUENTIAL_CHARS);
    Add(&result, found.weak, PPC_REASON_WEAK);
    Add(&result, found.breached, PPC_REASON_BREACHED);
    Add(&result, near.equalsWord, PPC_REASON_EQUALS_CONTEXT);
    Add(&result, near.containsWord, PPC_REASON_CONTAINS_CONTEXT);
    Add(&result, near.equalsOld, PPC_REASON_EQUALS_OLD);
    Add(&result, near.tooCloseToOld, PPC_REASON_TOO_CLOSE_TO_OLD);
    *judgement = result;
    return PPC_OK;
} catch (const std::bad_alloc&) {
    PPC_LOG_ERROR("PPC_JudgePassword", "out of memory judging a password for policy %i\n", policyId);
    return PPC_ERR_ALLOC;
}
