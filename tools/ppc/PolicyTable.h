// Policies laid out for people: used by policy, policies and watch.
#ifndef PPC_TOOL_POLICYTABLE_H
#define PPC_TOOL_POLICYTABLE_H

#include <string>
#include <vector>

#include "Component.h"

namespace ppc {

// One row per policy under a heading row, columns named after the
// configuration keys. Ends with a newline.
std::string PolicyTable(const std::vector<PolicyView>& policies);

// One policy, a key a line with what it means. No final newline.
std::string PolicyDetail(const PolicyView& policy);

// "maxlen 32 -> 16, specialchar !# -> !#$" for the fields that differ.
std::string PolicyChanges(const PolicyView& before, const PolicyView& after);

}  // namespace ppc

#endif  // PPC_TOOL_POLICYTABLE_H
