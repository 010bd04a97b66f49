// Passwords from standard input, so they never have to appear on a command
// line (where ps and shell history would show them).
#ifndef PPC_TOOL_PASSWORDINPUT_H
#define PPC_TOOL_PASSWORDINPUT_H

#include <termios.h>

#include <cstddef>
#include <string>

namespace ppc {

// The longest password the tool takes, in bytes; a longer line or argument
// is refused rather than held whole in memory.
constexpr size_t kMaxPasswordBytes = 4096;

// Why the tool refuses `password` as given on the command line (too long),
// or empty when it takes it.
std::string RefusalOf(const std::string& password);

// Reads one password per line from standard input. On a terminal it
// prompts on standard error and turns echo off while a line is typed; the
// terminal is put back also when the tool is interrupted. The line buffer
// is wiped before it is released.
class PasswordReader {
public:
    PasswordReader();
    ~PasswordReader();
    PasswordReader(const PasswordReader&) = delete;
    PasswordReader& operator=(const PasswordReader&) = delete;

    // The next password, NUL-terminated and without its line end (LF, or CR
    // LF), valid until the next call; null at the end of the input, or when
    // the line is refused (it holds a NUL byte, which would cut the password
    // short, or is longer than kMaxPasswordBytes): Refusal() then says why.
    const char* Next();
    const std::string& Refusal() const { return refusal_; }
    // Number of the line that Next returned last, from 1.
    size_t LineNumber() const { return lineNumber_; }
    bool IsTerminal() const { return terminal_; }

private:
    char line_[kMaxPasswordBytes + 1];
    std::string refusal_;
    size_t lineNumber_ = 0;
    bool terminal_ = false;
};

}  // namespace ppc

#endif  // PPC_TOOL_PASSWORDINPUT_H
