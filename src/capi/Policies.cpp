// PPC_GetPolicy and PPC_GetPolicyIds: the policies of the snapshot in force.
// Neither initialises the component.
#include "lifecycle/Reloader.h"
#include "lifecycle/Snapshot.h"
#include "pwdpolicy.h"

extern "C" unsigned int PPC_GetPolicy(int policyId, int* lenArray, int lenArraySize,
                                      const char** specialChar) {
    constexpr int kLimitCount = 5;
    RunDueTick();
    const unsigned int found = dataInForce.Read([&](const Snapshot& data) {
        const PolicyInForce* policy = data.Policy(policyId);
        if (policy == nullptr) return PPC_ERR_NO_POLICY;
        if (lenArraySize == kLimitCount) {
            lenArray[0] = policy->record.minlen;
            lenArray[1] = policy->record.maxlen;
            lenArray[2] = policy->record.minclass;
            lenArray[3] = policy->record.allowminlen;
            lenArray[4] = policy->record.allowminclass;
        }
        *specialChar = policy->stableSpecialChar;
        return PPC_OK;
    });
    if (found == PPC_OK) return PPC_OK;
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

extern "C" unsigned int PPC_GetPolicyIds(int* ids, unsigned int capacity, unsigned int* count) {
    if (count == nullptr || (ids == nullptr && capacity > 0)) return PPC_ERR_BAD_ARGUMENT;
    RunDueTick();
    *count = dataInForce.Read([&](const Snapshot& data) {
        unsigned int held = 0;
        for (const auto& entry : data.policies) {
            if (held < capacity) ids[held] = entry.first;
            ++held;
        }
        return held;
    });
    return PPC_OK;
}
