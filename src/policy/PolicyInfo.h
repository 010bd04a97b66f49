#ifndef PWDPOLICY_POLICY_POLICYINFO_H
#define PWDPOLICY_POLICY_POLICYINFO_H

#include <cstdint>
#include <string>

// One password policy. Records live in the policy store and are handed out
// by pointer; a load rewrites their fields in place.
struct ppc_PolicyInfo {
    int32_t minlen;         // minimum length in bytes
    int32_t maxlen;         // maximum length in bytes
    int32_t minclass;       // classes (upper, lower, digit, special) required
    int32_t allowminlen;    // reported by PPC_GetPolicy only
    int32_t allowminclass;  // reported by PPC_GetPolicy only
    std::string specialchar;  // bytes that count as special characters
};

#endif  // PWDPOLICY_POLICY_POLICYINFO_H
