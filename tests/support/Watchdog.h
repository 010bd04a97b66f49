// Aborts the process when a test has not finished in time: a hang is a
// failure with a message, not a ctest timeout to puzzle over. Uses no
// signal, so it works while the component owns SIGALRM.
#ifndef PWDPOLICY_TESTS_SUPPORT_WATCHDOG_H
#define PWDPOLICY_TESTS_SUPPORT_WATCHDOG_H

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace testenv {

class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread_([this, limit] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!done_.wait_for(lock, limit, [this] { return finished_; })) {
                  fprintf(stderr, "watchdog: not finished after %lld s, aborting\n",
                          static_cast<long long>(limit.count()));
                  abort();
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;  // last: starts after the members it uses
};

}  // namespace testenv

#endif  // PWDPOLICY_TESTS_SUPPORT_WATCHDOG_H
