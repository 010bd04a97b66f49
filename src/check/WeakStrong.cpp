#include "lifecycle/DataGuard.h"
#include "lifecycle/Globals.h"
#include "pwdpolicy.h"

extern "C" unsigned int PPC_IsWeakPwd(const char* pwd, unsigned int* isWeak) {
    TickDeferral deferral;
    // Also taken while the dictionary is off: PPC_Initialize then answers
    // "already initialised" and the search runs on what the dictionary holds.
    if (!InitFlagIsSet() || __atomic_load_n(&gWeakPwdUseInd, __ATOMIC_ACQUIRE) == 0) {
        PPC_Initialize(nullptr, 0, 1);
    }
    if (pwd == nullptr) return PPC_ERR_BAD_ARGUMENT;
    // Searched in place: the password is never copied, so no copy of it is
    // left behind in freed memory.
    *isWeak = weakpwdDic.Contains(pwd) ? 1 : 0;
    return PPC_OK;
}

extern "C" unsigned int PPC_IsStrongPwd(const char* pwd, unsigned int* isStrong) {
    if (pwd == nullptr) return PPC_ERR_BAD_ARGUMENT;
    TickDeferral deferral;
    unsigned int verdict = PPC_MATCH;
    const unsigned int matched = PPC_IsMatchPolicy(pwd, 0, 0, &verdict);
    if (matched != PPC_OK) return matched;
    *isStrong = 0;
    // Too long still counts as strong: the strong check has no upper limit.
    if (verdict != PPC_MATCH && verdict != PPC_TOO_LONG) return PPC_OK;
    unsigned int isWeak = 0;
    const unsigned int searched = PPC_IsWeakPwd(pwd, &isWeak);
    if (isWeak == 0) *isStrong = 1;
    return searched;
}
