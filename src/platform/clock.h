// Time as the core sees it: a millisecond tick that wraps at 2^32, and a
// pause. Tests give the core a manual clock, so nothing in them really waits.
#pragma once

#include <cstdint>

namespace orlant {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since some start; wraps at 2^32, so compare by difference.
    virtual uint32_t tickMs() = 0;
    // Blocks the calling thread for about `ms` milliseconds.
    virtual void sleepMs(uint32_t ms) = 0;
};

// The real clock of the machine.
Clock& systemClock();

}  // namespace orlant
