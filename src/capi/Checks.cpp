// PPC_IsMatchPolicy, PPC_IsWeakPwd and PPC_IsStrongPwd: argument checks,
// the on-demand initialisation, then one read of the snapshot in force.
#include <new>
#include <string>

#include "capi/Lookups.h"
#include "check/Utf8Text.h"
#include "lifecycle/Globals.h"
#include "lifecycle/Reloader.h"
#include "lifecycle/Snapshot.h"
#include "pwdpolicy.h"
#include "support/Log.h"

namespace {

// PPC_IsMatchPolicy's judgement on `data`. Logs and returns what
// PPC_IsMatchPolicy does.
unsigned int MatchIn(const Snapshot& data, const char* pwd, int policyId, unsigned int specialCharCheckInd,
                     unsigned int* result) {
    const PolicyInForce* policy = data.Policy(policyId);
    if (policy == nullptr) {
        PPC_LOG_ERROR("PPC_IsMatchPolicy", "policy == NULL,policyId= %i\n", policyId);
        return PPC_ERR_NO_POLICY;
    }
    try {
        *result = VerdictIn(*policy, pwd, specialCharCheckInd);
    } catch (const std::bad_alloc&) {
        PPC_LOG_ERROR("PPC_IsMatchPolicy", "out of memory normalising a password for policy %i\n", policyId);
        return PPC_ERR_ALLOC;
    }
    return PPC_OK;
}

// In the dictionary, or (when one is configured) in the breach table. The
// empty password is never looked up in the table: the dictionary never
// holds it either.
bool IsWeakIn(const Snapshot& data, const char* pwd) { return InDictionary(data, pwd) || InBreachTable(data, pwd); }

// IsWeakIn for the strong check: also the NFKC form when policy 0
// normalises. Throws std::bad_alloc.
bool IsWeakForPolicyIn(const Snapshot& data, const char* pwd) {
    if (IsWeakIn(data, pwd)) return true;
    const PolicyInForce* policy = data.Policy(0);
    if (policy == nullptr || !policy->rules.normalizeNfkc) return false;
    Wiped<std::string> normalised;
    return NormalizeNfkc(pwd, &normalised.text) && normalised.text != pwd && IsWeakIn(data, normalised.text.c_str());
}

// A process whose first call initialised the component without the
// dictionary (PPC_GenSecPwdByPolicy does, or a host passing weakPwdUseInd
// 0) answers "not weak" to every password until it finalises and
// initialises again with the dictionary. Said once a process, so that a
// busy host's log is not flooded. A dictionary loaded before the switch
// stays in force: then there is nothing to say.
void WarnIfDictionaryNeverLoaded() {
    static bool warned = false;
    if (DictionaryInUse() || __atomic_load_n(&warned, __ATOMIC_RELAXED)) return;
    if (!dataInForce.Read([](const Snapshot& data) { return data.dictionary.weakPwdMap().empty(); })) return;
    if (__atomic_exchange_n(&warned, true, __ATOMIC_RELAXED)) return;
    PPC_LOG_WARN("PPC_IsWeakPwd",
                 "the weak-password dictionary is not loaded: the component was initialised "
                 "with weakPwdUseInd 0 (as PPC_GenSecPwdByPolicy does on demand), so no "
                 "password is found weak until PPC_Finalize and PPC_Initialize with "
                 "weakPwdUseInd 1\n");
}

}  // namespace

extern "C" unsigned int PPC_IsMatchPolicy(const char* pwd, int policyId,
                                          unsigned int specialCharCheckInd, unsigned int* result) {
    RunDueTick();
    if (pwd == nullptr || specialCharCheckInd > 1) return PPC_ERR_BAD_ARGUMENT;
    if (!InitFlagIsSet()) PPC_Initialize(nullptr, 0, 1);
    return dataInForce.Read([&](const Snapshot& data) {
        return MatchIn(data, pwd, policyId, specialCharCheckInd, result);
    });
}

extern "C" unsigned int PPC_IsWeakPwd(const char* pwd, unsigned int* isWeak) {
    RunDueTick();
    // Also taken while the dictionary is off: PPC_Initialize then answers
    // "already initialised" and the search runs on what is in force.
    if (!InitFlagIsSet() || !DictionaryInUse()) PPC_Initialize(nullptr, 0, 1);
    WarnIfDictionaryNeverLoaded();
    if (pwd == nullptr) return PPC_ERR_BAD_ARGUMENT;
    // Searched in place: the password is never copied, so no copy of it is
    // left behind in freed memory.
    *isWeak = dataInForce.Read([pwd](const Snapshot& data) { return IsWeakIn(data, pwd); }) ? 1 : 0;
    return PPC_OK;
}

extern "C" unsigned int PPC_IsStrongPwd(const char* pwd, unsigned int* isStrong) try {
    if (pwd == nullptr) return PPC_ERR_BAD_ARGUMENT;
    RunDueTick();
    if (!InitFlagIsSet()) PPC_Initialize(nullptr, 0, 1);
    unsigned int verdict = PPC_MATCH;
    bool searched = false;
    bool weak = false;
    // Policy 0 and the dictionary from one snapshot, so from the same load.
    const unsigned int matched = dataInForce.Read([&](const Snapshot& data) {
        const unsigned int code = MatchIn(data, pwd, 0, 0, &verdict);
        // Too long still counts as strong: the strong check has no upper limit.
        if (code == PPC_OK && (verdict == PPC_MATCH || verdict == PPC_TOO_LONG) && InitFlagIsSet()) {
            searched = true;
            weak = IsWeakForPolicyIn(data, pwd);
        }
        return code;
    });
    if (matched != PPC_OK) return matched;
    *isStrong = 0;
    if (verdict != PPC_MATCH && verdict != PPC_TOO_LONG) return PPC_OK;
    if (!searched) {
        // Initialisation failed above or a finalisation came between: the
        // weak half initialises again, as PPC_IsWeakPwd does.
        PPC_Initialize(nullptr, 0, 1);
        weak = dataInForce.Read([pwd](const Snapshot& data) { return IsWeakForPolicyIn(data, pwd); });
    }
    WarnIfDictionaryNeverLoaded();
    if (!weak) *isStrong = 1;
    return PPC_OK;
} catch (const std::bad_alloc&) {
    // Only a policy 0 that normalises allocates.
    PPC_LOG_ERROR("PPC_IsStrongPwd", "out of memory normalising a password\n");
    return PPC_ERR_ALLOC;
}
