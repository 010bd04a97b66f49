#include "lifecycle/DataGuard.h"
#include "lifecycle/Globals.h"
#include "monitor/ReloadTimer.h"
#include "policy/PolicyCfg.h"
#include "pwdpolicy.h"

extern "C" unsigned int PPC_GetPolicy(int policyId, int* lenArray, int lenArraySize,
                                      const char** specialChar) {
    constexpr int kLimitCount = 5;
    RunDueTick();
    ReadSection read;
    const ppc_PolicyInfo* policy = policyCfgObj.GetPolicyByID(policyId);
    if (policy != nullptr) {
        if (lenArraySize == kLimitCount) {
            lenArray[0] = policy->minlen;
            lenArray[1] = policy->maxlen;
            lenArray[2] = policy->minclass;
            lenArray[3] = policy->allowminlen;
            lenArray[4] = policy->allowminclass;
        }
        *specialChar = policyCfgObj.StableSpecialChar(*policy);
        return PPC_OK;
    }
    if (lenArraySize == kLimitCount) {
        lenArray[0] = kFallbackMinLen;
        lenArray[1] = policyId == 0 ? kFallbackMaxLenDefault : kFallbackMaxLenOther;
        lenArray[2] = kFallbackMinClass;
        lenArray[3] = kFallbackAllowMinLen;
        lenArray[4] = kFallbackAllowMinClass;
    }
    *specialChar = kFallbackSpecialChars;
    return PPC_ERR_NO_POLICY;
}
