// Feeds the configuration file to the INI parser one whole line at a time.
//
// inih reads through a fixed line buffer (INI_MAX_LINE, 200 bytes in
// Debian's build) and, reading with fgets, takes the rest of a longer line
// as a line of its own: the tail of a long "specialchar=" value could set a
// key or open a section, and every later line number would be off by one.
// This reader hands the parser each line whole or, when a line does not fit
// the parser's buffer, an empty line in its place, an ERROR line naming it
// and a note in the load report. When that line is a section header, the
// key lines after it, up to the next header, are ignored the same way
// (WARN line and note): they would otherwise land in the section before it,
// and could weaken that policy. Either way the parser counts one line per
// line of the file, so the line numbers it reports are the file's own.
//
// It reads the file itself, in blocks, retrying a read that a signal
// interrupts. A read error ends the file there, as its end would, and is
// noted in the load report.
#ifndef PWDPOLICY_POLICY_CONFIGREADER_H
#define PWDPOLICY_POLICY_CONFIGREADER_H

#include <ini.h>

#include <string>

#include "support/InputFile.h"
#include "support/LoadReport.h"

class ConfigReader {
public:
    // Reads `file` from its current position; `path` names it in the log
    // and in `report` (which may be null). None of them is owned.
    ConfigReader(InputFile& file, const std::string& path, LoadReport* report)
        : file_(file), path_(path), report_(report) {}

    // Parses the whole file with inih, calling `handler` for each key.
    // Returns what ini_parse_stream returns.
    int Parse(ini_handler handler, void* user);

    // The number of the line handed out last: during a handler call, the
    // line of the key being handled. 0 before the first.
    int LineNumber() const { return lineNumber_; }

private:
    // The parser's reader (fgets-like): `stream` is a ConfigReader. Places
    // the next line of at most `size` - 1 bytes, newline not counted, in
    // `buffer`, or an empty line for a longer one. Null at the end of the
    // file or on a read error. Allocates nothing: a huge line is skipped.
    static char* ReadLine(char* buffer, int size, void* stream);
    // The next byte of the file, or -1 at its end or on an error.
    int NextByte();

    InputFile& file_;
    const std::string& path_;
    LoadReport* report_;
    int lineNumber_ = 0;
    bool readFailed_ = false;
    int ignoredHeaderLine_ = 0;  // an over-long section header whose keys are being ignored
    char block_[4096];
    int blockLength_ = 0;
    int blockOffset_ = 0;
};

#endif  // PWDPOLICY_POLICY_CONFIGREADER_H
