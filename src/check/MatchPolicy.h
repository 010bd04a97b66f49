#ifndef PWDPOLICY_CHECK_MATCHPOLICY_H
#define PWDPOLICY_CHECK_MATCHPOLICY_H

// PPC_IsMatchPolicy's judgement on the data in force, without its argument
// checks and on-demand initialisation, for callers that already hold the
// ReadSection it needs (PPC_IsStrongPwd). Logs and returns what
// PPC_IsMatchPolicy would.
unsigned int MatchPolicyInForce(const char* pwd, int policyId, unsigned int specialCharCheckInd,
                                unsigned int* result);

#endif  // PWDPOLICY_CHECK_MATCHPOLICY_H
