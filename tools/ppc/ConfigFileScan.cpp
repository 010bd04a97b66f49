#include "ConfigFileScan.h"

#include <ini.h>

#include <algorithm>
#include <cstdlib>

namespace ppc {
namespace {

constexpr size_t kSectionIdOffset = 6;  // the length of "POLICY"

int KeepKeyLine(void* user, const char* section, const char* name, const char* value) {
    // Some inih builds also call the handler for a section header alone,
    // with no name: that is not a key line.
    if (name == nullptr) return 1;
    auto* scan = static_cast<ConfigScan*>(user);
    scan->keys.push_back(KeyLine{section ? section : "", name, value ? value : ""});
    return 1;  // non-zero: only malformed lines count as errors
}

}  // namespace

ConfigScan ScanConfigFile(const char* path) {
    ConfigScan scan;
    scan.parseResult = ini_parse(path, KeepKeyLine, &scan);
    return scan;
}

bool IsPolicySection(const std::string& section) {
    return section.find("POLICY") != std::string::npos;
}

int32_t PolicyIdOf(const std::string& section) {
    const char* digits = section.size() >= kSectionIdOffset ? section.c_str() + kSectionIdOffset : "";
    return static_cast<int32_t>(static_cast<uint32_t>(strtol(digits, nullptr, 10)));
}

std::vector<int> ConfiguredPolicyIds(const ConfigScan& scan) {
    std::vector<int> ids;
    for (const KeyLine& key : scan.keys) {
        if (IsPolicySection(key.section)) ids.push_back(PolicyIdOf(key.section));
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

}  // namespace ppc
