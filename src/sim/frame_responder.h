// The place where the unit's side of the framed packet protocol plugs in.
//
// In normal operation (switched on without "C") the unit listens at 38400
// baud for the utility's packet frames. The model hands every byte it takes
// in there, garbled ones included, to the responder and sends back what the
// responder answers, after the answer faults (silence, delay, noise) have had
// their say. Without a responder the unit takes the bytes in and says nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orlant::sim {

class FrameResponder {
public:
    virtual ~FrameResponder() = default;
    // Bytes taken in at `nowUs` (the unit's time); returns the bytes to send.
    virtual std::vector<uint8_t> onBytes(const uint8_t* bytes, size_t n, uint64_t nowUs) = 0;
    // The unit was switched off or restarted: a half-read frame is gone.
    virtual void reset() {}
};

}  // namespace orlant::sim
