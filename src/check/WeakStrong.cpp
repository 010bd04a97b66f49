#include <optional>

#include "breach/BreachScreen.h"
#include "check/MatchPolicy.h"
#include "check/Trim.h"
#include "lifecycle/DataGuard.h"
#include "lifecycle/Globals.h"
#include "monitor/ReloadTimer.h"
#include "pwdpolicy.h"
#include "support/Log.h"

namespace {

// PPC_IsWeakPwd's on-demand initialisation. Also taken while the dictionary
// is off: PPC_Initialize then answers "already initialised" and the search
// runs on what the dictionary holds.
bool WeakCheckWouldInitialize() {
    return !InitFlagIsSet() || __atomic_load_n(&gWeakPwdUseInd, __ATOMIC_ACQUIRE) == 0;
}

// A process whose first call initialised the component without the
// dictionary (PPC_GenSecPwdByPolicy does, or a host passing weakPwdUseInd
// 0) answers "not weak" to every password until it finalises and
// initialises again with the dictionary. Said once a process, so that a
// busy host's log is not flooded. A dictionary loaded before the switch
// stays in force: then there is nothing to say.
void WarnIfDictionaryNeverLoaded() {
    static bool warned = false;
    if (__atomic_load_n(&warned, __ATOMIC_RELAXED)) return;
    {
        ReadSection read;
        if (!weakpwdDic.weakPwdMap.empty()) return;
    }
    if (__atomic_exchange_n(&warned, true, __ATOMIC_RELAXED)) return;
    PPC_LOG_WARN("PPC_IsWeakPwd",
                 "the weak-password dictionary is not loaded: the component was initialised "
                 "with weakPwdUseInd 0 (as PPC_GenSecPwdByPolicy does on demand), so no "
                 "password is found weak until PPC_Finalize and PPC_Initialize with "
                 "weakPwdUseInd 1\n");
}

// In the dictionary, or (when one is configured) in the breach table. One
// section over both: they come from the same load.
bool IsWeakInForce(const char* pwd) {
    ReadSection read;
    return weakpwdDic.Contains(pwd) || breachScreen.Contains(TrimPassword(pwd));
}

}  // namespace

extern "C" unsigned int PPC_IsWeakPwd(const char* pwd, unsigned int* isWeak) {
    RunDueTick();
    if (WeakCheckWouldInitialize()) PPC_Initialize(nullptr, 0, 1);
    if (__atomic_load_n(&gWeakPwdUseInd, __ATOMIC_ACQUIRE) == 0) WarnIfDictionaryNeverLoaded();
    if (pwd == nullptr) return PPC_ERR_BAD_ARGUMENT;
    // Searched in place: the password is never copied, so no copy of it is
    // left behind in freed memory.
    *isWeak = IsWeakInForce(pwd) ? 1 : 0;
    return PPC_OK;
}

extern "C" unsigned int PPC_IsStrongPwd(const char* pwd, unsigned int* isStrong) {
    if (pwd == nullptr) return PPC_ERR_BAD_ARGUMENT;
    RunDueTick();
    if (!InitFlagIsSet()) PPC_Initialize(nullptr, 0, 1);
    // One section over both halves: the policy and the dictionary come from
    // the same load.
    std::optional<ReadSection> read(std::in_place);
    unsigned int verdict = PPC_MATCH;
    const unsigned int matched = MatchPolicyInForce(pwd, 0, 0, &verdict);
    if (matched != PPC_OK) return matched;
    *isStrong = 0;
    // Too long still counts as strong: the strong check has no upper limit.
    if (verdict != PPC_MATCH && verdict != PPC_TOO_LONG) return PPC_OK;
    if (!InitFlagIsSet()) {
        // Initialisation failed above or a finalisation came between: the
        // weak check initialises again, which loads, which must not happen
        // inside a section.
        read.reset();
        PPC_Initialize(nullptr, 0, 1);
        read.emplace();
    }
    if (__atomic_load_n(&gWeakPwdUseInd, __ATOMIC_ACQUIRE) == 0) WarnIfDictionaryNeverLoaded();
    if (!IsWeakInForce(pwd)) *isStrong = 1;
    return PPC_OK;
}
