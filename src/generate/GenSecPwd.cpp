#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "generate/GenPolicy.h"
#include "lifecycle/Globals.h"
#include "lifecycle/Reloader.h"
#include "lifecycle/Snapshot.h"
#include "pwdpolicy.h"
#include "support/Log.h"

namespace {

constexpr char kDigits[] = "0123456789";
constexpr char kLower[] = "abcdefghijklmnopqrstuvwxyz";
constexpr char kUpper[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr int32_t kDigitCount = 10;
constexpr int32_t kLetterCount = 26;
// Below this a request is too short to hold the guaranteed classes: the
// policy functions use the policy's minlen instead.
constexpr int32_t kMinRequestedLength = 6;
// What the generator makes of a length below kMinRequestedLength. Kept
// because hosts read the length back from *pwdLen.
constexpr int32_t kSubstituteLength = 3006;

// One character of `set` (size `size` > 0), by one rand() draw. The modulo
// bias is part of the reproducible output and is kept on purpose.
inline char Draw(const char* set, int32_t size) { return set[rand() % size]; }

// Block size: the first 4n characters hold n lower-case letters, n
// upper-case letters, n digits and n mixed characters.
int32_t BlockSize(int32_t length) {
    const int32_t quarter = length / 4;
    return quarter == 1 ? 1 : quarter - 1;
}

}  // namespace

extern "C" unsigned int PPC_GenSecPwd(const char* specialChars, char** pwd, unsigned int* pwdLen) {
    RunDueTick();
    int32_t length = static_cast<int32_t>(*pwdLen);
    if (length < kMinRequestedLength) {
        length = kSubstituteLength;
        *pwdLen = static_cast<unsigned int>(length);
    }
    // length + 1 would overflow; refuse before allocating anything.
    if (length == INT32_MAX) return PPC_ERR_ALLOC;
    char* buffer = static_cast<char*>(AllocMem(static_cast<size_t>(length) + 1));
    if (buffer == nullptr) return PPC_ERR_ALLOC;

    const int32_t block = BlockSize(length);
    const int32_t specialCount = static_cast<int32_t>(strlen(specialChars));
    bool specialPlaced = false;
    for (int32_t i = 0; i < block; ++i) {
        buffer[i] = Draw(kLower, kLetterCount);
        buffer[block + i] = Draw(kUpper, kLetterCount);
        buffer[2 * block + i] = Draw(kDigits, kDigitCount);
        if (specialCount > 0 && !specialPlaced) {
            buffer[3 * block + i] = Draw(specialChars, specialCount);
            specialPlaced = true;
        } else if (i % 2 == 1) {
            buffer[3 * block + i] = Draw(kLower, kLetterCount);
        } else {
            buffer[3 * block + i] = Draw(kUpper, kLetterCount);
        }
    }
    for (int32_t i = 4 * block; i < length; ++i) {
        const int kind = rand() % 10;
        if (kind == 0) {
            buffer[i] = Draw(kDigits, kDigitCount);
        } else if (kind == 1 && specialCount > 0) {
            buffer[i] = Draw(specialChars, specialCount);
        } else if (kind % 2 == 1) {
            buffer[i] = Draw(kUpper, kLetterCount);
        } else {
            buffer[i] = Draw(kLower, kLetterCount);
        }
    }
    // Every swap partner ranges over the whole password (not Fisher-Yates);
    // the order of rand() calls is part of the reproducible output.
    for (int32_t i = 0; i < length; ++i) {
        const int32_t j = rand() % length;
        const char held = buffer[i];
        buffer[i] = buffer[j];
        buffer[j] = held;
    }
    buffer[length] = '\0';
    *pwd = buffer;
    return PPC_OK;
}

unsigned int TakePolicyForGeneration(int policyId, unsigned int* pwdLen, const char** specialChars) {
    if (!InitFlagIsSet()) PPC_Initialize(nullptr, 0, 0);
    return dataInForce.Read([&](const Snapshot& data) {
        const PolicyInForce* policy = data.Policy(policyId);
        if (policy == nullptr) return PPC_ERR_NO_POLICY;
        if (static_cast<int32_t>(*pwdLen) < kMinRequestedLength) {
            *pwdLen = static_cast<unsigned int>(policy->record.minlen);
        }
        *specialChars = policy->stableSpecialChar;
        return PPC_OK;
    });
}

extern "C" unsigned int PPC_GenSecPwdByPolicy(int policyId, char** pwd, unsigned int* pwdLen) {
    RunDueTick();
    const char* specialChars = nullptr;
    const unsigned int found = TakePolicyForGeneration(policyId, pwdLen, &specialChars);
    if (found != PPC_OK) return found;
    const unsigned int result = PPC_GenSecPwd(specialChars, pwd, pwdLen);
    if (result != PPC_OK) {
        PPC_LOG_ERROR("PPC_GenSecPwdByPolicy", "Call GenSecPwd failed : %d\n",
                      static_cast<int>(result));
    }
    return result;
}

extern "C" unsigned int PPC_GenDefaultSecPwd(char** pwd, unsigned int* pwdLen) {
    return PPC_GenSecPwdByPolicy(0, pwd, pwdLen);
}
