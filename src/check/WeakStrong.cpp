#include <optional>

#include "breach/BreachScreen.h"
#include "check/MatchPolicy.h"
#include "check/Trim.h"
#include "lifecycle/DataGuard.h"
#include "lifecycle/Globals.h"
#include "monitor/ReloadTimer.h"
#include "pwdpolicy.h"

namespace {

// PPC_IsWeakPwd's on-demand initialisation. Also taken while the dictionary
// is off: PPC_Initialize then answers "already initialised" and the search
// runs on what the dictionary holds.
bool WeakCheckWouldInitialize() {
    return !InitFlagIsSet() || __atomic_load_n(&gWeakPwdUseInd, __ATOMIC_ACQUIRE) == 0;
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
    if (!IsWeakInForce(pwd)) *isStrong = 1;
    return PPC_OK;
}
