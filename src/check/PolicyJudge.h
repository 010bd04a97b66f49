#ifndef PWDPOLICY_CHECK_POLICYJUDGE_H
#define PWDPOLICY_CHECK_POLICYJUDGE_H

#include "policy/PolicyInfo.h"

// The verdict of PPC_IsMatchPolicy for `password` (NUL-terminated) under
// `policy`: PPC_MATCH or the first rule broken, in the order too short,
// disallowed special byte (only when specialCharCheckInd is 1), too few
// classes, too long. Each byte is classed by its value alone. Reads the
// password and the special set in place; allocates nothing.
unsigned int JudgePassword(const char* password, const ppc_PolicyInfo& policy,
                           unsigned int specialCharCheckInd);

#endif  // PWDPOLICY_CHECK_POLICYJUDGE_H
