#include "check/MatchPolicy.h"

#include <cstring>

#include "lifecycle/DataGuard.h"
#include "lifecycle/Globals.h"
#include "monitor/ReloadTimer.h"
#include "pwdpolicy.h"
#include "support/Log.h"

namespace {

enum : uint8_t { kUpper = 1, kLower = 2, kDigit = 4, kSpecial = 8 };

// Class of every byte value, decided by the value alone: no locale, and each
// byte of a multi-byte character counts on its own (as special).
struct ClassTable {
    uint8_t classOf[256];
    constexpr ClassTable() : classOf() {
        for (int b = 0; b < 256; ++b) {
            classOf[b] = b >= 'A' && b <= 'Z'   ? kUpper
                         : b >= 'a' && b <= 'z' ? kLower
                         : b >= '0' && b <= '9' ? kDigit
                                                : kSpecial;
        }
    }
};
constexpr ClassTable kClasses;
constexpr int8_t kClassCount[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};

// The verdict for `pwd` under `policy`. The first broken rule wins in the
// order: too short, disallowed special byte, too few classes, too long.
// Reads the password and the special set in place; allocates nothing.
unsigned int Judge(const unsigned char* pwd, const ppc_PolicyInfo& policy,
                   unsigned int specialCharCheckInd) {
    const int32_t length = static_cast<int32_t>(strlen(reinterpret_cast<const char*>(pwd)));
    if (length < policy.minlen) return PPC_TOO_SHORT;
    unsigned flags = 0;
    if (specialCharCheckInd == 0) {
        // Nothing later can change the verdict once enough classes are seen.
        // Looked at every kStride bytes rather than after each one: the test
        // sits on the loop's critical path, and a few more bytes of a scan
        // that is ending anyway cost less than a branch per byte.
        constexpr int32_t kStride = 8;
        for (int32_t i = 0; i < length;) {
            const int32_t stop = length - i > kStride ? i + kStride : length;
            for (; i < stop; ++i) flags |= kClasses.classOf[pwd[i]];
            if (kClassCount[flags] >= policy.minclass) break;
        }
    } else {
        const char* allowed = policy.specialchar.data();
        const size_t allowedCount = policy.specialchar.size();
        for (int32_t i = 0; i < length; ++i) {
            const uint8_t byteClass = kClasses.classOf[pwd[i]];
            flags |= byteClass;
            if (byteClass == kSpecial &&
                (allowedCount == 0 || memchr(allowed, pwd[i], allowedCount) == nullptr)) {
                return PPC_BAD_SPECIAL_CHAR;
            }
        }
    }
    if (kClassCount[flags] < policy.minclass) return PPC_TOO_FEW_CLASSES;
    if (length > policy.maxlen) return PPC_TOO_LONG;
    return PPC_MATCH;
}

}  // namespace

unsigned int MatchPolicyInForce(const char* pwd, int policyId, unsigned int specialCharCheckInd,
                                unsigned int* result) {
    const ppc_PolicyInfo* policy = policyCfgObj.GetPolicyByID(policyId);
    if (policy == nullptr) {
        PPC_LOG_ERROR("PPC_IsMatchPolicy", "policy == NULL,policyId= %i\n", policyId);
        return PPC_ERR_NO_POLICY;
    }
    *result = Judge(reinterpret_cast<const unsigned char*>(pwd), *policy, specialCharCheckInd);
    return PPC_OK;
}

extern "C" unsigned int PPC_IsMatchPolicy(const char* pwd, int policyId,
                                          unsigned int specialCharCheckInd, unsigned int* result) {
    RunDueTick();
    if (pwd == nullptr || specialCharCheckInd > 1) return PPC_ERR_BAD_ARGUMENT;
    if (!InitFlagIsSet()) PPC_Initialize(nullptr, 0, 1);
    ReadSection read;
    return MatchPolicyInForce(pwd, policyId, specialCharCheckInd, result);
}
