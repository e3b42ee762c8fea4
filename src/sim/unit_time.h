// The simulated unit's time: a Clock's milliseconds since the start, run
// `scale` times faster (1 = real time), in microseconds that never wrap.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/clock.h"

namespace orlant::sim {

class UnitTime {
public:
    UnitTime(Clock& clock, double scale)
        : clock_(clock), scale_(scale > 0 ? scale : 1.0), lastTick_(clock.tickMs()) {}

    Clock& clock() { return clock_; }
    double scale() const { return scale_; }

    uint64_t nowUs() {
        const uint32_t tick = clock_.tickMs();
        elapsedMs_ += static_cast<uint32_t>(tick - lastTick_);  // the tick wraps; the difference does not
        lastTick_ = tick;
        return skippedUs_ + static_cast<uint64_t>(static_cast<double>(elapsedMs_) * 1000.0 * scale_);
    }

    // Moves the unit's time ahead at once, as for a unit that starts out
    // already past its boot.
    void skip(uint64_t us) { skippedUs_ += us; }

    // Real milliseconds until the unit's time `atUs`, at least 1 and at most `cap`.
    uint32_t realMsUntil(uint64_t atUs, uint32_t cap) {
        const uint64_t now = nowUs();
        const double ms = static_cast<double>(atUs > now ? atUs - now : 0) / (1000.0 * scale_);
        return static_cast<uint32_t>(std::clamp(std::ceil(ms), 1.0, static_cast<double>(cap)));
    }

private:
    Clock& clock_;
    const double scale_;
    uint32_t lastTick_;
    uint64_t elapsedMs_ = 0;
    uint64_t skippedUs_ = 0;
};

}  // namespace orlant::sim
