// Passwords an attacker must not predict: the same policies, lengths, result
// codes and buffer ownership as PPC_GenSecPwdByPolicy, but every character
// and every swap drawn from the kernel, without bias. rand() is left alone,
// so hosts that rely on its reproducible sequence keep it.
#include <string.h>

#include <cstdint>
#include <cstdlib>

#include "generate/KernelRandom.h"
#include "lifecycle/DataGuard.h"
#include "lifecycle/Globals.h"
#include "pwdpolicy.h"
#include "support/Log.h"

namespace {

// The length rules of PPC_GenSecPwd, so that a host can switch generators
// without reading lengths differently: a request below 6 becomes 3006 and is
// written back, and 2147483647 (whose buffer size overflows) is refused.
constexpr int32_t kMinRequestedLength = 6;
constexpr int32_t kSubstituteLength = 3006;

constexpr char kLower[] = "abcdefghijklmnopqrstuvwxyz";
constexpr char kUpper[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr char kDigits[] = "0123456789";

bool IsAsciiAlnum(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The characters a password is drawn from, grouped by class. The special
// class is the distinct bytes of the policy's set that are not ASCII letters
// or digits: a repeat would make its byte likelier, and a letter or digit in
// the set already belongs to its own class, so neither may count twice.
// Classes do not overlap, so "one of each class" is what the checker counts.
struct Alphabet {
    // 62 letters and digits plus at most 193 other non-NUL bytes.
    char chars[256];
    uint32_t size = 0;
    uint32_t classStart[5] = {0};  // class i is chars[classStart[i], classStart[i+1])
    int classCount = 0;

    explicit Alphabet(const char* specialChars) {
        AddClass(kLower);
        AddClass(kUpper);
        AddClass(kDigits);
        bool seen[256] = {false};
        for (const unsigned char* c = reinterpret_cast<const unsigned char*>(specialChars); *c;
             ++c) {
            if (IsAsciiAlnum(*c) || seen[*c]) continue;
            seen[*c] = true;
            chars[size++] = static_cast<char>(*c);
        }
        if (size > classStart[classCount]) ++classCount;
        classStart[classCount] = size;
    }

    void AddClass(const char* text) {
        while (*text) chars[size++] = *text++;
        classStart[++classCount] = size;
    }
};

// The generator behind PPC_GenCryptoPwdByPolicy: one character of each class
// at the front, the rest drawn from the whole alphabet, then a Fisher-Yates
// shuffle, so every position has the same distribution.
unsigned int GenCryptoPwd(const char* specialChars, char** pwd, unsigned int* pwdLen) {
    int32_t length = static_cast<int32_t>(*pwdLen);
    if (length < kMinRequestedLength) {
        length = kSubstituteLength;
        *pwdLen = static_cast<unsigned int>(length);
    }
    if (length == INT32_MAX) return PPC_ERR_ALLOC;
    TickDeferral deferral;  // a tick must not run inside our malloc
    char* buffer = static_cast<char*>(AllocMem(static_cast<size_t>(length) + 1));
    if (buffer == nullptr) return PPC_ERR_ALLOC;

    const Alphabet alphabet(specialChars);
    // Two bytes a draw: `length` characters and length - 1 swaps, plus room
    // for a rejection or two. Longer passwords take 4-byte swap draws past
    // 65536 and simply refill.
    KernelRandom random(4 * static_cast<size_t>(length));
    for (int c = 0; c < alphabet.classCount; ++c) {
        const uint32_t first = alphabet.classStart[c];
        buffer[c] = alphabet.chars[first + random.Below(alphabet.classStart[c + 1] - first)];
    }
    for (int32_t i = alphabet.classCount; i < length; ++i) {
        buffer[i] = alphabet.chars[random.Below(alphabet.size)];
    }
    for (int32_t i = length - 1; i > 0; --i) {
        const uint32_t j = random.Below(static_cast<uint32_t>(i) + 1);
        const char held = buffer[i];
        buffer[i] = buffer[j];
        buffer[j] = held;
    }
    if (random.Failed()) {
        PPC_LOG_ERROR("GenCryptoPwd", "getrandom failed : %d\n", random.Error());
        explicit_bzero(buffer, static_cast<size_t>(length));
        free(buffer);
        return PPC_ERR_ALLOC;
    }
    buffer[length] = '\0';
    *pwd = buffer;
    return PPC_OK;
}

}  // namespace

extern "C" unsigned int PPC_GenCryptoPwdByPolicy(int policyId, char** pwd, unsigned int* pwdLen) {
    TickDeferral deferral;
    // Initialises as PPC_GenSecPwdByPolicy does, so that a host mixing both
    // generators sees one behaviour; PPC_Initialize seeds rand() for the
    // other generator, this one never draws from it.
    if (!InitFlagIsSet()) PPC_Initialize(nullptr, 0, 0);
    const char* specialChars = nullptr;
    {
        ReadSection read;
        const ppc_PolicyInfo* policy = policyCfgObj.GetPolicyByID(policyId);
        if (policy == nullptr) return PPC_ERR_NO_POLICY;
        if (static_cast<int32_t>(*pwdLen) < kMinRequestedLength) {
            *pwdLen = static_cast<unsigned int>(policy->minlen);
        }
        specialChars = policyCfgObj.StableSpecialChar(*policy);
    }
    const unsigned int result = GenCryptoPwd(specialChars, pwd, pwdLen);
    if (result != PPC_OK) {
        PPC_LOG_ERROR("PPC_GenCryptoPwdByPolicy", "Call GenCryptoPwd failed : %d\n",
                      static_cast<int>(result));
    }
    return result;
}
