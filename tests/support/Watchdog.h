// Aborts a test that hangs, with a message; uses no signal (the library owns SIGALRM).
#ifndef PWDPOLICY_TESTS_SUPPORT_WATCHDOG_H
#define PWDPOLICY_TESTS_SUPPORT_WATCHDOG_H

#include <chrono>
#include <cstdio>
#include <cstdlib>
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

}  // namespace testenv

#endif  // PWDPOLICY_TESTS_SUPPORT_WATCHDOG_H
