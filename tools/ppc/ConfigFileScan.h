// The configuration file as the component's parser sees it: every key line
// with its section, in file order. The interface has no call that lists
// policies, so the tool learns which ids exist from the section names.
#ifndef PPC_TOOL_CONFIGFILESCAN_H
#define PPC_TOOL_CONFIGFILESCAN_H

#include <cstdint>
#include <string>
#include <vector>

namespace ppc {

struct KeyLine {
    std::string section;
    std::string name;
    std::string value;
};

struct ConfigScan {
    // ini_parse's result: 0, the number of the first malformed line, or
    // negative when the file cannot be read.
    int parseResult = 0;
    std::vector<KeyLine> keys;
};

// Reads `path` with ini_parse, the parser the component itself uses.
ConfigScan ScanConfigFile(const char* path);

// The component's rules for section names: a section whose name contains
// "POLICY" is a policy section (even "BASICPOLICY"), and its id is the
// number read from its seventh character on, truncated to 32 bits.
bool IsPolicySection(const std::string& section);
int32_t PolicyIdOf(const std::string& section);

// Ids of the policy sections that have at least one key, ascending, each
// once. A section without keys never reaches the component.
std::vector<int> ConfiguredPolicyIds(const ConfigScan& scan);

}  // namespace ppc

#endif  // PPC_TOOL_CONFIGFILESCAN_H
