// Aborts a test that hangs, with a message; uses no signal (the library owns SIGALRM). InChild runs a
// check in a fork() child, which SIGALRM ends if it hangs.
#ifndef PWDPOLICY_TESTS_SUPPORT_WATCHDOG_H
#define PWDPOLICY_TESTS_SUPPORT_WATCHDOG_H

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>

namespace testenv {

class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit)
        : waiter_(std::async(std::launch::async, [done = done_.get_future(), limit] {
              if (done.wait_for(limit) == std::future_status::ready) return;
              fprintf(stderr, "watchdog: not finished after %d s, aborting\n", static_cast<int>(limit.count()));
              abort();
          })) {}
    ~Watchdog() { done_.set_value(); }  // then waiter_'s destructor waits

private:
    std::promise<void> done_;
    std::future<void> waiter_;  // after done_
};

// Exit status of `child` run in a fork() child, or 128 + the signal that ended it (SIGALRM after 20 s).
inline int InChild(const std::function<int()>& child) {
    const pid_t pid = fork();
    if (pid == 0) {
        signal(SIGALRM, SIG_DFL);
        alarm(20);
        _exit(child());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace testenv

#endif  // PWDPOLICY_TESTS_SUPPORT_WATCHDOG_H
