// A clock the test moves. A pause moves it too, at once, so code that
// waits in simulated time runs without really waiting.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/clock.h"

namespace orlant::test {

class ManualClock : public Clock {
public:
    explicit ManualClock(uint32_t start = 0) : now_(start) {}
    uint32_t tickMs() override { return now_.load(); }
    void sleepMs(uint32_t ms) override {
        now_ += ms;
        {
            std::lock_guard<std::mutex> hold(lock_);
            sleeps_.push_back(ms);
        }
        if (onSleep) onSleep(ms);
    }
    // Runs after each pause, on the pausing thread.
    std::function<void(uint32_t)> onSleep;
    // Simulated time passes at once, unless the condition already holds.
    bool waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& wake, uint32_t ms,
                 const std::function<bool()>& done) override {
        if (done()) return true;
        if (holdTime) {
            // Time stands still: wait a little for real, so another thread
            // can make `done()` hold.
            wake.wait_for(lock, std::chrono::milliseconds(5), done);
            return done();
        }
        sleepMs(ms);
        return done();
    }
    // While set, waits on a condition do not move the clock.
    std::atomic<bool> holdTime{false};
    void advance(uint32_t ms) { now_ += ms; }
    std::vector<uint32_t> sleeps() {
        std::lock_guard<std::mutex> hold(lock_);
        return sleeps_;
    }

private:
    std::atomic<uint32_t> now_;
    std::mutex lock_;
    std::vector<uint32_t> sleeps_;
};

}  // namespace orlant::test
