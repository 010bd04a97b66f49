// What `ppc config check` reports: a configuration file and the dictionary
// and breach table it names, loaded the way the component loads them but
// into scratch copies, and judged finding by finding, line by line.
//
// Not part of libpwdpolicy.so: the tool links this folder and the data
// folders it uses (policy, check, breach, support) into itself, so the
// library exports nothing for it.
#ifndef PWDPOLICY_DIAGNOSE_CONFIGDIAGNOSIS_H
#define PWDPOLICY_DIAGNOSE_CONFIGDIAGNOSIS_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace diagnose {

enum class Severity { kError, kWarning, kNote };

struct Finding {
    Severity severity;
    // The configuration line the finding is about, 1 for the first; 0 for
    // the file as a whole. Dictionary findings name their own line in the
    // message and carry the configuration line that names the dictionary.
    int line;
    std::string message;
};

// What the candidate would give the component.
struct ConfigSummary {
    bool readable = false;           // opened and parsed
    std::vector<int32_t> policyIds;  // ascending
    bool timerIntervalSet = false;
    int32_t timerInterval = 60;      // minutes
    std::string dictionaryPath;      // empty when the file names none
    bool dictionaryLoaded = false;
    size_t dictionaryEntries = 0;
    std::string breachTablePath;     // empty when the file names none
    bool breachTableOpened = false;
    uint64_t breachTableEntries = 0;
    uint64_t breachTableBytes = 0;
    double breachTableAgeDays = 0;
    double breachTableFalsePositiveRate = 0;
};

// Loads the configuration file `path` and the files it names into scratch
// copies: nothing of the component's is read or touched, and no lock is
// taken. Calls `report` once for each finding, in the order found.
ConfigSummary DiagnoseConfigFile(const std::string& path, const std::function<void(const Finding&)>& report);

}  // namespace diagnose

#endif  // PWDPOLICY_DIAGNOSE_CONFIGDIAGNOSIS_H
