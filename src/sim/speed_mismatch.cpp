#include "sim/speed_mismatch.h"

namespace orlant::sim {

size_t SpeedMismatch::receive(uint8_t byte, uint32_t sentAt, uint32_t listenAt,
                              std::vector<uint8_t>& out) {
    if (sentAt == listenAt || sentAt == 0 || listenAt == 0) {
        carry_ = 0;
        out.push_back(byte);
        return 0;
    }
    carry_ += static_cast<double>(listenAt) / sentAt;
    size_t made = 0;
    // A faster receiver frames at most a few bytes per sent byte; the bound
    // only guards against absurd speeds.
    for (; carry_ >= 1.0 && made < 64; ++made) {
        out.push_back(garbled(byte));
        carry_ -= 1.0;
    }
    return made;
}

uint8_t SpeedMismatch::garbled(uint8_t byte) {
    noise_ ^= noise_ << 13;
    noise_ ^= noise_ >> 17;
    noise_ ^= noise_ << 5;
    const uint8_t value = static_cast<uint8_t>(byte ^ (noise_ >> 24));
    // Never the byte that was sent: a garbled byte must not pass for a good one.
    return value == byte ? static_cast<uint8_t>(~byte) : value;
}

}  // namespace orlant::sim
