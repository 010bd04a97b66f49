// Building a breach table from downloaded hash lists and password lists.
#ifndef PWDPOLICY_BREACH_BREACHBUILDER_H
#define PWDPOLICY_BREACH_BREACHBUILDER_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "breach/BreachInput.h"

namespace breach {

struct BuildOptions {
    std::vector<std::string> inputs;
    std::string output;
    InputFormat format = InputFormat::kAuto;
    // Keeps only keys whose counts, summed over all inputs, reach this.
    uint32_t minCount = 1;
    // The false-positive rate the table must not exceed.
    double falsePositiveRate = 1e-9;
    // Keys held in memory before a sorted run goes to a temporary file.
    size_t memoryBytes = size_t{768} << 20;
    // Where runs go; empty: the output's directory.
    std::string tempDir;
    // Called now and then with the phase ("reading", "merging", "writing")
    // and the number of entries done in it.
    std::function<void(const char* phase, uint64_t done)> progress;
};

struct BuildResult {
    std::string error;      // empty on success
    uint64_t keysRead = 0;  // entries read, duplicates included
    uint64_t entries = 0;   // distinct fingerprints in the table
    uint64_t fileBytes = 0;
    size_t runs = 0;        // sorted runs written to temporary files
};

// Builds the table into a temporary file beside `output` and renames it
// into place, so that no reader ever sees a half-built table.
BuildResult BuildTable(const BuildOptions& options);

}  // namespace breach

#endif  // PWDPOLICY_BREACH_BREACHBUILDER_H
