// Reading the lists a breach table is built from.
#ifndef PWDPOLICY_BREACH_BREACHINPUT_H
#define PWDPOLICY_BREACH_BREACHINPUT_H

#include <cstdint>
#include <functional>
#include <string>

namespace breach {

enum class InputFormat {
    kAuto,       // decided by the file's first non-empty line
    kHashes,     // the downloader's: 40 hex digits (either case), ":count" optional
    kPasswords,  // one password a line, trimmed as the dictionary trims
};

// Called once per entry read: its key and how often the list says it was seen.
using KeySink = std::function<void(uint64_t key, uint32_t count)>;

// Reads `path` ("-": standard input) in `format` and hands every entry to
// `sink`. Empty lines are skipped; a password list's line is trimmed first
// and skipped when nothing is left. Returns "" or what went wrong with the
// file and line ("list.txt:7: not a hash line").
std::string ReadInput(const std::string& path, InputFormat format, const KeySink& sink);

}  // namespace breach

#endif  // PWDPOLICY_BREACH_BREACHINPUT_H
