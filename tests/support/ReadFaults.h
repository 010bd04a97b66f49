// Linked in, replaces read(2) for the program and the library: short reads, EINTR and read errors on
// demand, for one file only, so that everything else the process reads is left alone.
#ifndef PWDPOLICY_TESTS_SUPPORT_READFAULTS_H
#define PWDPOLICY_TESTS_SUPPORT_READFAULTS_H

#include <cstddef>
#include <string>

namespace testenv {

struct ReadFaults {
    size_t chunk = 0;     // at most this many bytes a read; 0: as many as asked
    bool interrupt = false;  // every other read fails with EINTR before reading anything
    long failAt = -1;     // once this many bytes were read, reads fail with EIO; negative: never
};

// Reads of `path` (the file it names now) follow `faults` until DisarmReadFaults.
void ArmReadFaults(const std::string& path, const ReadFaults& faults);
void DisarmReadFaults();

}  // namespace testenv

#endif  // PWDPOLICY_TESTS_SUPPORT_READFAULTS_H
