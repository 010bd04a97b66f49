// Entry points of the library for the ppc tool alone: not an interface for
// hosts, and no promise beyond the tool built with the library. They live in
// namespace pwdpolicy_internal, the only C++ names the library exports
// besides the long-standing exported classes, functions and globals. This header is self-contained
// (standard types only), since the tool sees no other internal header.
#ifndef PWDPOLICY_DIAGNOSE_CONFIGDIAGNOSIS_H
#define PWDPOLICY_DIAGNOSE_CONFIGDIAGNOSIS_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pwdpolicy_internal {

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
    bool readable = false;          // opened and parsed
    std::vector<int32_t> policyIds;  // ascending
    bool timerIntervalSet = false;
    int32_t timerInterval = 60;     // minutes
    std::string dictionaryPath;     // empty when the file names none
    bool dictionaryLoaded = false;
    size_t dictionaryEntries = 0;
    std::string breachTablePath;    // empty when the file names none
    bool breachTableOpened = false;
    uint64_t breachTableEntries = 0;
    uint64_t breachTableBytes = 0;
    double breachTableAgeDays = 0;
    double breachTableFalsePositiveRate = 0;
};

// Loads the configuration file `path` and the dictionary it names the way
// the component loads them, but into a scratch store and a scratch
// dictionary: the component's own store, dictionary, monitor and the fixed
// configuration path are neither read nor touched (unless `path` is that
// file). Calls `report` once for each finding, in the order found; the
// component's own log lines of the load are written as usual. Serialised
// with other diagnoses; do not call from a thread that takes reload ticks.
ConfigSummary DiagnoseConfigFile(const std::string& path,
                                 const std::function<void(const Finding&)>& report);

// What the component holds now (after PPC_Initialize): the ids of its
// policies, the dictionary path and the reload period in minutes.
struct StoreView {
    std::vector<int32_t> policyIds;
    std::string dictionaryPath;
    int32_t timerInterval = 60;
};
StoreView ReadStore();

}  // namespace pwdpolicy_internal

#endif  // PWDPOLICY_DIAGNOSE_CONFIGDIAGNOSIS_H
