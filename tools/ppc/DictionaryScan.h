// The weak-password dictionary file read by the component's rules, to tell
// an operator how much of it takes effect.
#ifndef PPC_TOOL_DICTIONARYSCAN_H
#define PPC_TOOL_DICTIONARYSCAN_H

#include <cstddef>
#include <string>

namespace ppc {

struct DictionaryScan {
    bool opened = false;
    std::string openError;     // strerror text when not opened
    size_t entries = 0;        // lines taken before the first empty one
    size_t endLine = 0;        // the empty line that ended it early, or 0
    size_t ignoredLines = 0;   // non-empty lines after that one
};

// Reads `path` line by line. A line is an entry once one CR at its end and
// its leading and trailing blanks are dropped; the first line that leaves
// nothing ends the dictionary, however much follows.
DictionaryScan ScanDictionary(const std::string& path);

}  // namespace ppc

#endif  // PPC_TOOL_DICTIONARYSCAN_H
