// What the check entry points ask of one snapshot: a policy's verdict and
// the dictionary and breach-table lookups, shared by Checks.cpp and
// Judge.cpp.
#ifndef PWDPOLICY_CAPI_LOOKUPS_H
#define PWDPOLICY_CAPI_LOOKUPS_H

#include <string_view>

#include "lifecycle/Snapshot.h"

// PPC_IsMatchPolicy's verdict for `pwd` under `policy`. Allocates only for
// a policy that normalises, and then throws std::bad_alloc when memory runs
// out.
unsigned int VerdictIn(const PolicyInForce& policy, const char* pwd, unsigned int specialCharCheckInd);

// In the dictionary of `data` (trimmed as the dictionary trims).
bool InDictionary(const Snapshot& data, std::string_view pwd);
// In the breach table of `data`, when it has one. The empty password is
// never looked up: the dictionary never holds it either.
bool InBreachTable(const Snapshot& data, std::string_view pwd);

#endif  // PWDPOLICY_CAPI_LOOKUPS_H
