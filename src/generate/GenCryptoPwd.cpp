// Passwords an attacker must not predict: the same policies, lengths, result
// codes and buffer ownership as PPC_GenSecPwdByPolicy, but every character
// and every swap drawn from the kernel, without bias. rand() is left alone,
// so hosts that rely on its reproducible sequence keep it.
#include <string.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "generate/GenPolicy.h"
#include "generate/KernelRandom.h"
#include "lifecycle/Reloader.h"
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
        uint64_t seen[4] = {0, 0, 0, 0};  // one bit a byte value
        for (const unsigned char* c = reinterpret_cast<const unsigned char*>(specialChars); *c;
             ++c) {
            const uint64_t bit = uint64_t{1} << (*c & 63);
            if (IsAsciiAlnum(*c) || (seen[*c >> 6] & bit) != 0) continue;
            seen[*c >> 6] |= bit;
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
    char* buffer = static_cast<char*>(AllocMem(static_cast<size_t>(length) + 1));
    if (buffer == nullptr) return PPC_ERR_ALLOC;

    const Alphabet alphabet(specialChars);
    // 2L - 1 draws in order: one character of each class, the other
    // characters from the whole alphabet, then the Fisher-Yates swaps from
    // the top down. Their bounds do not depend on earlier values, so they
    // are drawn in groups that share one 32-bit value: a 16-character
    // password takes seven, 28 bytes, and one read of 2L bytes covers it.
    const int32_t classes = alphabet.classCount;
    const int64_t draws = 2 * static_cast<int64_t>(length) - 1;
    auto boundAt = [&](int64_t t) -> uint32_t {
        if (t < classes) return alphabet.classStart[t + 1] - alphabet.classStart[t];
        if (t < length) return alphabet.size;
        return static_cast<uint32_t>(2 * static_cast<int64_t>(length) - t);  // swap at L-1-(t-L)
    };
    KernelRandom random(std::min<size_t>(2 * static_cast<size_t>(length), KernelRandom::kBatchLimit));
    constexpr int kMaxGroup = 24;  // 2^24 holds at most 24 bounds of 2 or more
    uint32_t bounds[kMaxGroup];
    uint32_t values[kMaxGroup];
    for (int64_t t = 0; t < draws;) {
        int count = 0;
        uint64_t product = 1;
        while (count < kMaxGroup && t + count < draws) {
            const uint32_t bound = boundAt(t + count);
            if (count > 0 && product * bound > KernelRandom::kGroupLimit) break;
            bounds[count++] = bound;
            product *= bound;
        }
        random.BelowEach(bounds, count, values);
        for (int k = 0; k < count; ++k, ++t) {
            if (t < classes) {
                buffer[t] = alphabet.chars[alphabet.classStart[t] + values[k]];
            } else if (t < length) {
                buffer[t] = alphabet.chars[values[k]];
            } else {
                const int64_t i = 2 * static_cast<int64_t>(length) - 1 - t;
                const char held = buffer[i];
                buffer[i] = buffer[values[k]];
                buffer[values[k]] = held;
            }
        }
    }
    explicit_bzero(values, sizeof values);
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
    RunDueTick();
    // Initialises as PPC_GenSecPwdByPolicy does, so that a host mixing both
    // generators sees one behaviour; PPC_Initialize seeds rand() for the
    // other generator, this one never draws from it.
    const char* specialChars = nullptr;
    const unsigned int found = TakePolicyForGeneration(policyId, pwdLen, &specialChars);
    if (found != PPC_OK) return found;
    const unsigned int result = GenCryptoPwd(specialChars, pwd, pwdLen);
    if (result != PPC_OK) {
        PPC_LOG_ERROR("PPC_GenCryptoPwdByPolicy", "Call GenCryptoPwd failed : %d\n",
                      static_cast<int>(result));
    }
    return result;
}
