#include "PasswordInput.h"

#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

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

// Room for any sensible password up front, so getline rarely has to grow
// the buffer and leave an unwiped copy behind in freed memory.
constexpr size_t kInitialCapacity = 4096;

PasswordReader::PasswordReader() : terminal_(isatty(STDIN_FILENO) == 1) {
    line_ = static_cast<char*>(malloc(kInitialCapacity));
    if (line_ != nullptr) capacity_ = kInitialCapacity;
}

PasswordReader::~PasswordReader() {
    if (line_ != nullptr) explicit_bzero(line_, capacity_);
    free(line_);
}

const char* PasswordReader::Next() {
    ssize_t length;
    if (terminal_) {
        EchoOff quiet;
        std::fputs("Password (Ctrl-D ends): ", stderr);
        std::fflush(stderr);
        length = getline(&line_, &capacity_, stdin);
    } else {
        length = getline(&line_, &capacity_, stdin);
    }
    if (length < 0) return nullptr;
    ++lineNumber_;
    if (length > 0 && line_[length - 1] == '\n') line_[--length] = '\0';
    if (length > 0 && line_[length - 1] == '\r') line_[--length] = '\0';
    return line_;
}

}  // namespace ppc
