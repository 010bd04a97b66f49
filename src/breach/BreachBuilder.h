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
    // The false-positive rate the table must not exceed: 2^-r with the
    // smallest r that meets it (8 <= r <= 40).
    double falsePositiveRate = 1e-9;
    // The build's memory, all told (a few MiB more at most).
    size_t memoryBytes = size_t{768} << 20;
    // Where the temporary file goes; empty: the output's directory.
    std::string tempDir;
    // Tables whose members are left out (a delta: only what they lack).
    std::vector<std::string> skipMembersOf;
    // Mixes the keys; 0: chosen at random (tests fix it to place keys).
    uint64_t seed = 0;
    // Pages a segment holds; 0: about 2^21 slots' worth (tests make it
    // small to reach segment boundaries with few keys).
    uint32_t segmentPages = 0;
    // Called now and then with the phase ("reading", "sorting", "solving")
    // and the number of keys done in it.
    std::function<void(const char* phase, uint64_t done)> progress;
};

struct BuildResult {
    std::string error;       // empty on success
    uint64_t keysRead = 0;   // entries read, duplicates included
    uint64_t skipped = 0;    // read but already in a table of skipMembersOf
    uint64_t entries = 0;    // distinct keys in the table
    uint64_t exceptions = 0; // of them, kept in the exception pages
    uint64_t fileBytes = 0;
    uint64_t spoolBytes = 0; // the temporary file at its largest
};

// The fingerprint bits for a false-positive rate: 0 when none of 8..40
// meets it (a rate below 2^-40).
uint32_t ResultBitsFor(double falsePositiveRate);

// Builds the table into a temporary file beside `output` and renames it
// into place, so that no reader ever sees a half-built table.
BuildResult BuildTable(const BuildOptions& options);

}  // namespace breach

#endif  // PWDPOLICY_BREACH_BREACHBUILDER_H
