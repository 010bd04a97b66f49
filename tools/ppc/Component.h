// The tool's few dealings with the component beyond single calls: starting
// it the way each command needs, and reading a policy into a copy it owns.
#ifndef PPC_TOOL_COMPONENT_H
#define PPC_TOOL_COMPONENT_H

#include <string>
#include <vector>

#include "Output.h"

namespace ppc {

// Which data a command needs loaded before its first call.
enum class Needs {
    kPolicies,                // configuration only, as the generator's own start
    kPoliciesAndDictionary,   // configuration and dictionary, as the checks' own start
};

// Calls PPC_Initialize for this process without monitor and timer, so that
// a configuration that cannot be loaded is reported as such instead of
// surfacing later as a missing policy. Returns PPC_OK or the failing code.
unsigned int StartComponent(Needs needs);

// A sentence on why PPC_Initialize failed with `code`.
std::string StartFailureDetail(unsigned int code);

// One policy as PPC_GetPolicy reports it, copied out of the store.
struct PolicyView {
    int id = 0;
    int minlen = 0;
    int maxlen = 0;
    int minclass = 0;
    int allowminlen = 0;
    int allowminclass = 0;
    std::string specialchar;

    bool operator==(const PolicyView& other) const;
    bool operator!=(const PolicyView& other) const { return !(*this == other); }
    Json ToJson() const;
};

// Reads policy `id` into *view. Returns PPC_OK, or PPC_ERR_NO_POLICY (then
// *view holds the fallback values the interface reports).
unsigned int ReadPolicy(int id, PolicyView* view);

// The ids of the policies in force, ascending.
std::vector<int> PolicyIds();

// The dictionary file the component's last load named (from its load
// report); empty when that load named none.
std::string LoadedDictionaryPath();

}  // namespace ppc

#endif  // PPC_TOOL_COMPONENT_H
