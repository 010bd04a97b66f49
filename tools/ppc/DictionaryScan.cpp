#include "DictionaryScan.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace ppc {
namespace {

bool EmptyOnceTrimmed(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line.empty();  // a line of blanks stays: blanks alone are an entry
}

}  // namespace

DictionaryScan ScanDictionary(const std::string& path) {
    DictionaryScan scan;
    struct stat info {};
    if (path.empty()) {
        scan.openError = "no path";
        return scan;
    }
    if (stat(path.c_str(), &info) != 0) {
        scan.openError = std::strerror(errno);
        return scan;
    }
    if (!S_ISREG(info.st_mode)) {
        scan.openError = "not a regular file";
        return scan;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        scan.openError = std::strerror(errno);
        return scan;
    }
    scan.opened = true;
    std::string line;
    size_t number = 0;
    while (std::getline(file, line)) {
        ++number;
        if (scan.endLine != 0) {
            if (!EmptyOnceTrimmed(line)) ++scan.ignoredLines;
        } else if (EmptyOnceTrimmed(line)) {
            scan.endLine = number;
        } else {
            ++scan.entries;
        }
    }
    return scan;
}

}  // namespace ppc
