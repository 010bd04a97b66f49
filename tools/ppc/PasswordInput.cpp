#include "PasswordInput.h"

#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

namespace ppc {
namespace {

// The terminal settings to restore, for the interrupt handler. Written
// before the handler is installed and only read by it.
struct termios savedTerminal;
volatile sig_atomic_t echoIsOff = 0;

// Runs in signal context: only tcsetattr, signal and raise, all safe there.
void RestoreAndReraise(int signalNumber) {
    if (echoIsOff) tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

// Echo off for the life of the object.
class EchoOff {
public:
    EchoOff() {
        if (tcgetattr(STDIN_FILENO, &savedTerminal) != 0) return;
        struct sigaction action {};
        action.sa_handler = RestoreAndReraise;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &oldInt_);
        sigaction(SIGTERM, &action, &oldTerm_);
        sigaction(SIGHUP, &action, &oldHup_);
        struct termios quiet = savedTerminal;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;  // the Enter still moves to a new line
        echoIsOff = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        active_ = true;
    }
    ~EchoOff() {
        if (!active_) return;
        if (echoIsOff) tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
        echoIsOff = 0;
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
        sigaction(SIGHUP, &oldHup_, nullptr);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    bool active_ = false;
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
    struct sigaction oldHup_ {};
};

}  // namespace

std::string RefusalOf(const std::string& password) {
    if (password.size() <= kMaxPasswordBytes) return "";
    return "the password is longer than " + std::to_string(kMaxPasswordBytes) + " bytes";
}

PasswordReader::PasswordReader() : terminal_(isatty(STDIN_FILENO) == 1) {}

PasswordReader::~PasswordReader() { explicit_bzero(line_, sizeof line_); }

const char* PasswordReader::Next() {
    std::optional<EchoOff> quiet;
    if (terminal_) {
        quiet.emplace();
        std::fputs("Password (Ctrl-D ends): ", stderr);
        std::fflush(stderr);
    }
    size_t length = 0;
    bool tooLong = false;
    bool holdsNul = false;
    int c = getc_unlocked(stdin);
    if (c == EOF) return nullptr;
    for (; c != EOF && c != '\n'; c = getc_unlocked(stdin)) {
        holdsNul = holdsNul || c == '\0';
        if (length < kMaxPasswordBytes + 1) {
            line_[length++] = static_cast<char>(c);
        } else {
            tooLong = true;  // the rest of the line is read and dropped
        }
    }
    ++lineNumber_;
    if (length > 0 && line_[length - 1] == '\r') --length;
    tooLong = tooLong || length > kMaxPasswordBytes;
    line_[std::min(length, kMaxPasswordBytes)] = '\0';
    if (!holdsNul && !tooLong) return line_;
    explicit_bzero(line_, sizeof line_);
    refusal_ = "line " + std::to_string(lineNumber_) +
               (holdsNul ? ": the password holds a NUL byte, which would cut it short"
                         : ": the password is longer than " + std::to_string(kMaxPasswordBytes) + " bytes");
    return nullptr;
}

}  // namespace ppc
