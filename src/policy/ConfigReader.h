// Feeds the configuration file to the INI parser one whole line at a time.
//
// inih reads through a fixed line buffer (INI_MAX_LINE, 200 bytes in
// Debian's build) and, reading with fgets, takes the rest of a longer line
// as a line of its own: the tail of a long "specialchar=" value could set a
// key or open a section, and every later line number would be off by one.
// This reader hands the parser each line whole or, when a line does not fit
// the parser's buffer, an empty line in its place and an ERROR line naming
// it. Either way the parser counts one line per line of the file, so the
// line numbers it reports are the file's own.
#ifndef PWDPOLICY_POLICY_CONFIGREADER_H
#define PWDPOLICY_POLICY_CONFIGREADER_H

#include <ini.h>

#include <cstdio>
#include <string>

class ConfigReader {
public:
    // Reads `file` from its current position; `path` only names it in the
    // log. Neither is owned.
    ConfigReader(FILE* file, const std::string& path) : file_(file), path_(path) {}

    // The parser's reader (fgets-like): `stream` is a ConfigReader. Places
    // the next line of at most `size` - 1 bytes, newline not counted, in
    // `buffer`, or an empty line for a longer one. Null at the end of the
    // file. Allocates nothing: a huge line is skipped byte by byte.
    static char* ReadLine(char* buffer, int size, void* stream);

    // The number of the line handed out last: during a handler call, the
    // line of the key being handled. 0 before the first.
    int LineNumber() const { return lineNumber_; }
    // How many lines were too long and were ignored.
    int LongLines() const { return longLines_; }
    // The longest line the parser takes whole, in bytes (newline not
    // counted); 0 before the first line.
    int LongestLine() const { return longestLine_; }

    // Parses the whole stream with inih, calling `handler` for each key.
    // Returns what ini_parse_stream returns.
    int Parse(ini_handler handler, void* user);

private:
    FILE* file_;
    const std::string& path_;
    int lineNumber_ = 0;
    int longLines_ = 0;
    int longestLine_ = 0;
};

// Parses `file` as ini_parse_file does, but never splits a line (above).
// `path` names the file in the log.
int ParseConfigFile(FILE* file, const std::string& path, ini_handler handler, void* user);

#endif  // PWDPOLICY_POLICY_CONFIGREADER_H
