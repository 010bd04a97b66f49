#include "check/PolicyJudge.h"

#include <cstring>

#include "check/Utf8Text.h"
#include "pwdpolicy.h"

namespace {

enum : uint8_t { kUpper = 1, kLower = 2, kDigit = 4, kSpecial = 8, kClassBits = 15 };

// Class of every byte value, decided by the value alone: no locale, and each
// byte of a multi-byte character counts on its own (as special).
constexpr uint8_t ClassOf(int b) {
    return b >= 'A' && b <= 'Z' ? kUpper : b >= 'a' && b <= 'z' ? kLower : b >= '0' && b <= '9' ? kDigit : kSpecial;
}
struct ClassTable {
    uint8_t classOf[256];
    constexpr ClassTable() : classOf() {
        for (int b = 0; b < 256; ++b) classOf[b] = ClassOf(b);
    }
};
constexpr ClassTable kClasses;
constexpr int8_t kClassCount[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};

// The OR of table[byte] over `length` bytes at `pwd`. No branch per byte,
// and four accumulators, so that the lookups do not wait for one another's
// OR: the loop runs at the speed of the loads.
unsigned OrOfTable(const unsigned char* pwd, size_t length, const uint8_t* table) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    size_t i = 0;
    for (; i + 4 <= length; i += 4) {
        a |= table[pwd[i]];
        b |= table[pwd[i + 1]];
        c |= table[pwd[i + 2]];
        d |= table[pwd[i + 3]];
    }
    for (; i < length; ++i) a |= table[pwd[i]];
    return a | b | c | d;
}

// The classes of `length` bytes at `pwd`, with kOutsideSet when one of them
// is a special byte outside the set (and specialCharCheckInd is 1).
unsigned ScanAll(const unsigned char* pwd, size_t length, const ByteTable& table, unsigned int specialCharCheckInd) {
    const unsigned flags = OrOfTable(pwd, length, table.of);
    return specialCharCheckInd == 1 ? flags : flags & kClassBits;
}

// The longest run of equal characters, and of characters each one above,
// or each one below, the one before it.
void LongestRuns(const std::u32string& chars, int64_t* repeat, int64_t* sequence) {
    int64_t same = 0, up = 0, down = 0;
    *repeat = *sequence = chars.empty() ? 0 : 1;
    for (size_t i = 0; i < chars.size(); ++i) {
        const bool hasPrevious = i > 0;
        same = hasPrevious && chars[i] == chars[i - 1] ? same + 1 : 1;
        up = hasPrevious && chars[i] == chars[i - 1] + 1 ? up + 1 : 1;
        down = hasPrevious && chars[i] + 1 == chars[i - 1] ? down + 1 : 1;
        if (same > *repeat) *repeat = same;
        if (up > *sequence) *sequence = up;
        if (down > *sequence) *sequence = down;
    }
}

}  // namespace

ByteTable MakeByteTable(const std::string& specialchar) {
    ByteTable table{};
    for (int b = 0; b < 256; ++b) {
        table.of[b] = kClasses.classOf[b];
        if (table.of[b] == kSpecial && specialchar.find(static_cast<char>(b)) == std::string::npos) {
            table.of[b] |= ByteTable::kOutsideSet;
        }
    }
    return table;
}

unsigned int JudgePassword(const char* password, const ppc_PolicyInfo& policy, const ByteTable& table,
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
        constexpr int32_t kStride = 16;
        for (int32_t i = 0; i < length; i += kStride) {
            flags |= OrOfTable(pwd + i, static_cast<size_t>(length - i > kStride ? kStride : length - i),
                               kClasses.classOf);
            if (kClassCount[flags] >= policy.minclass) break;
        }
    } else {
        // A disallowed byte anywhere gives its verdict, so the whole password
        // is scanned and the verdict read from the flags at the end.
        flags = ScanAll(pwd, static_cast<size_t>(length), table, 1);
        if ((flags & ByteTable::kOutsideSet) != 0) return PPC_BAD_SPECIAL_CHAR;
    }
    if (kClassCount[flags] < policy.minclass) return PPC_TOO_FEW_CLASSES;
    if (length > policy.maxlen) return PPC_TOO_LONG;
    return PPC_MATCH;
}

PreparedPassword::PreparedPassword(std::string_view password, const PolicyRules& rules) : text_(password) {
    if (rules.normalizeNfkc && !IsAscii(text_)) {
        if (!NormalizeNfkc(text_, &normalised_)) {
            length_ = -1;
            return;
        }
        text_ = normalised_;
    }
    const int64_t codePoints = rules.NeedsUtf8() ? CountCodePoints(text_) : 0;
    length_ = codePoints < 0 ? -1 : rules.countCodePoints ? codePoints : static_cast<int64_t>(text_.size());
}

PreparedPassword::~PreparedPassword() { explicit_bzero(normalised_.data(), normalised_.size()); }

PolicyBreaks FindPolicyBreaks(const PreparedPassword& password, const ppc_PolicyInfo& policy,
                              const PolicyRules& rules, const ByteTable& table, unsigned int specialCharCheckInd) {
    PolicyBreaks breaks;
    if (!password.Valid()) {
        breaks.invalidUtf8 = true;
        return breaks;
    }
    const std::string_view text = password.Text();
    // Lengths compare as 64-bit values: a code-point count is never cut to
    // 32 bits, and a byte count compares as the plain check's does.
    const int64_t length = rules.countCodePoints ? password.Length() : static_cast<int32_t>(text.size());
    breaks.tooShort = length < policy.minlen;
    breaks.tooLong = length > policy.maxlen;
    if (!rules.noComposition) {
        const unsigned flags = ScanAll(reinterpret_cast<const unsigned char*>(text.data()), text.size(), table,
                                       specialCharCheckInd);
        breaks.badSpecial = (flags & ByteTable::kOutsideSet) != 0;
        breaks.tooFewClasses = kClassCount[flags & kClassBits] < policy.minclass;
    }
    if (rules.maxRepeat > 0 || rules.maxSequence > 0) {
        Wiped<std::u32string> chars;
        Characters(text, &chars.text);
        int64_t repeat = 0, sequence = 0;
        LongestRuns(chars.text, &repeat, &sequence);
        breaks.repeated = rules.maxRepeat > 0 && repeat > rules.maxRepeat;
        breaks.sequential = rules.maxSequence > 0 && sequence > rules.maxSequence;
    }
    return breaks;
}

unsigned int FirstVerdict(const PolicyBreaks& breaks) {
    if (breaks.invalidUtf8) return PPC_INVALID_UTF8;
    if (breaks.tooShort) return PPC_TOO_SHORT;
    if (breaks.badSpecial) return PPC_BAD_SPECIAL_CHAR;
    if (breaks.tooFewClasses) return PPC_TOO_FEW_CLASSES;
    if (breaks.tooLong) return PPC_TOO_LONG;
    return PPC_MATCH;
}
