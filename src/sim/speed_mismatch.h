// What a UART listening at one speed makes of bytes sent at another.
//
// A receiver at the wrong speed frames the wrong bits: it sees framing and
// parity errors and values that have nothing to do with what was sent, and
// about (listening speed / sending speed) bytes for every byte on the wire,
// since it frames a byte in its own eleven bit times. Both ends of the
// simulated line use this, so a mismatch looks the same in either direction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orlant::sim {

class SpeedMismatch {
public:
    // Appends to `out` what the receiver gets for `byte`; returns how many of
    // the appended bytes are garbled (0 when both speeds agree).
    size_t receive(uint8_t byte, uint32_t sentAt, uint32_t listenAt, std::vector<uint8_t>& out);

private:
    uint8_t garbled(uint8_t byte);

    double carry_ = 0;          // fraction of a received byte owed so far
    uint32_t noise_ = 0x9E3779B9u;      // xorshift state: deterministic, so runs repeat
};

}  // namespace orlant::sim
