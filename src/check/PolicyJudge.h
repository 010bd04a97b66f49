#ifndef PWDPOLICY_CHECK_POLICYJUDGE_H
#define PWDPOLICY_CHECK_POLICYJUDGE_H

#include <cstdint>
#include <string>
#include <string_view>

#include "policy/PolicyInfo.h"
#include "policy/PolicyRules.h"

// Per byte value: its class (bits 1 upper, 2 lower, 4 digit, 8 special),
// plus kOutsideSet for a special byte that a policy's special set lacks.
// Built once per policy and load, so the special-character check is one
// table lookup a byte, like the class count itself.
struct ByteTable {
    static constexpr uint8_t kOutsideSet = 16;
    uint8_t of[256];
};

// The table of a policy whose special set is `specialchar`.
ByteTable MakeByteTable(const std::string& specialchar);

// The verdict of PPC_IsMatchPolicy for `password` (NUL-terminated) under
// `policy`, whose table `table` is: PPC_MATCH or the first rule broken, in
// the order too short, disallowed special byte (only when
// specialCharCheckInd is 1), too few classes, too long. Each byte is classed
// by its value alone. Reads the password in place; allocates nothing.
unsigned int JudgePassword(const char* password, const ppc_PolicyInfo& policy, const ByteTable& table,
                           unsigned int specialCharCheckInd);

// Every policy rule that a password breaks.
struct PolicyBreaks {
    bool invalidUtf8 = false;
    bool tooShort = false;
    bool tooLong = false;
    bool tooFewClasses = false;
    bool badSpecial = false;
    bool repeated = false;
    bool sequential = false;
};

// A password as a policy with rules judges it: its NFKC form when the
// policy normalises, else the bytes as given.
class PreparedPassword {
public:
    // Throws std::bad_alloc.
    PreparedPassword(std::string_view password, const PolicyRules& rules);
    ~PreparedPassword();
    PreparedPassword(const PreparedPassword&) = delete;
    PreparedPassword& operator=(const PreparedPassword&) = delete;

    // False when the policy needs UTF-8 and the password is not.
    bool Valid() const { return length_ >= 0; }
    // The text judged: normalised, or the password in place.
    std::string_view Text() const { return text_; }
    // The length in the policy's unit; -1 when not Valid.
    int64_t Length() const { return length_; }

private:
    std::string normalised_;
    std::string_view text_;
    int64_t length_ = 0;
};

// Every rule of `policy` and `rules` that `password` breaks, the
// repetition and sequence limits included. Throws std::bad_alloc (only when
// a limit on runs is set).
PolicyBreaks FindPolicyBreaks(const PreparedPassword& password, const ppc_PolicyInfo& policy,
                              const PolicyRules& rules, const ByteTable& table, unsigned int specialCharCheckInd);

// PPC_IsMatchPolicy's verdict for these breaks: the first in the order
// invalid UTF-8, too short, disallowed special byte, too few classes, too
// long (the limits on runs have no verdict).
unsigned int FirstVerdict(const PolicyBreaks& breaks);

#endif  // PWDPOLICY_CHECK_POLICYJUDGE_H
