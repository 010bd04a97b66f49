#include "check/PolicyJudge.h"

#include <cstring>

#include "pwdpolicy.h"

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

}  // namespace

unsigned int JudgePassword(const char* password, const ppc_PolicyInfo& policy,
                           unsigned int specialCharCheckInd) {
    const auto* pwd = reinterpret_cast<const unsigned char*>(password);
    const int32_t length = static_cast<int32_t>(strlen(password));
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
