// Aborts the process, with a message, when a test has not finished in time: a hang fails clearly
// instead of as a ctest timeout. Uses no signal, so it works while the component owns SIGALRM.
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
              fprintf(stderr, "watchdog: not finished after %lld s, aborting\n",
                      static_cast<long long>(limit.count()));
              abort();
          })) {}
    ~Watchdog() {
        done_.set_value();
        waiter_.wait();
    }

private:
    std::promise<void> done_;
    std::future<void> waiter_;  // after done_: starts once done_ exists
};

}  // namespace testenv

#endif  // PWDPOLICY_TESTS_SUPPORT_WATCHDOG_H
