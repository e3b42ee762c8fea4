// Time as the core sees it: a millisecond tick that wraps at 2^32, and
// pauses. Tests give the core a manual clock, so nothing in them really waits.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace orlant {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since some start; wraps at 2^32, so compare by difference.
    virtual uint32_t tickMs() = 0;
    // Blocks the calling thread for about `ms` milliseconds.
    virtual void sleepMs(uint32_t ms) = 0;
    // A pause that ends early once `done()` holds; whoever makes it hold
    // notifies `wake` while holding `lock`'s mutex. Returns done().
    virtual bool waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                         uint32_t ms, const std::function<bool()>& done) = 0;
};

// The real clock of the machine.
Clock& systemClock();

}  // namespace orlant
