// The words for the component's verdicts, shared by ppc and pam_pwdpolicy so
// that an operator reads the same reason for a password whichever of the two
// judged it. Header-only: both link the library through its public header
// alone, and neither should carry a copy of the other's text.
#ifndef PWDPOLICY_TOOLS_COMMON_VERDICTWORDS_H
#define PWDPOLICY_TOOLS_COMMON_VERDICTWORDS_H

#include <pwdpolicy.h>

#include <string>

namespace verdictwords {

// The limits of a policy that a verdict's words name.
struct PolicyLimits {
    int id = 0;
    int minlen = 0;
    int maxlen = 0;
    int minclass = 0;
};

// Why PPC_IsWeakPwd answered 1.
constexpr const char kWeak[] = "in the weak-password dictionary";

// The number of character classes in `pwd`, classifying each byte by value
// alone as the component does: upper, lower, digit, everything else.
inline int CountClasses(const char* pwd) {
    bool upper = false, lower = false, digit = false, special = false;
    for (const unsigned char* at = reinterpret_cast<const unsigned char*>(pwd); *at; ++at) {
        if (*at >= 'A' && *at <= 'Z') {
            upper = true;
        } else if (*at >= 'a' && *at <= 'z') {
            lower = true;
        } else if (*at >= '0' && *at <= '9') {
            digit = true;
        } else {
            special = true;
        }
    }
    return upper + lower + digit + special;
}

// A verdict of PPC_IsMatchPolicy in words, with the limit that the password
// missed; `classes` is the password's CountClasses.
inline std::string VerdictText(unsigned int verdict, const PolicyLimits& policy, int classes) {
    switch (verdict) {
        case PPC_MATCH:
            return "matches policy " + std::to_string(policy.id);
        case PPC_TOO_SHORT:
            return "shorter than the minimum length " + std::to_string(policy.minlen);
        case PPC_TOO_LONG:
            return "longer than the maximum length " + std::to_string(policy.maxlen);
        case PPC_TOO_FEW_CLASSES:
            return "has " + std::to_string(classes) +
                   (classes == 1 ? " character class" : " character classes") +
                   ", policy requires " + std::to_string(policy.minclass);
        case PPC_BAD_SPECIAL_CHAR:
            return "contains a character not in the policy's special set";
        default:
            return "unknown verdict " + std::to_string(verdict);
    }
}

}  // namespace verdictwords

#endif  // PWDPOLICY_TOOLS_COMMON_VERDICTWORDS_H
