// The cable between a PC's serial port and the simulated readout, with the
// timing of the two UARTs at its ends.
//
// Principles of operation: a byte occupies the line for its bit times
// (start, data, parity, stop: eleven at the program's settings) at the speed
// its sender uses when the byte goes out. The PC side has a transmit buffer
// of TX_CAPACITY bytes, like a real port's driver: bytes wait there until the
// line has carried them, and a speed change applies at once to whatever is
// still waiting. What arrives at a receiver set to another speed is garbled.
// Like the model, the line has no clock of its own: run() moves it to a time.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>

#include "platform/serial.h"
#include "sim/readout_model.h"
#include "sim/speed_mismatch.h"

namespace orlant::sim {

// Bit times of one byte with `settings`; 11 for 8 data bits, odd parity, 1 stop.
double bitsPerByte(const LineSettings& settings);

class SimLine {
public:
    static constexpr size_t TX_CAPACITY = 4096;
    static constexpr double UNIT_BITS_PER_BYTE = 11;  // the unit always uses 8O1

    void setPcSettings(const LineSettings& settings) { pc_ = settings; }
    const LineSettings& pcSettings() const { return pc_; }

    // Buffers as many of `n` bytes as there is room for; returns how many.
    size_t write(const uint8_t* bytes, size_t n, uint64_t nowUs);
    size_t txQueued() const { return tx_.size(); }
    size_t txRoom() const { return TX_CAPACITY - tx_.size(); }
    // When the first `k` buffered bytes will have left the PC (k ≥ 1).
    uint64_t leftByUs(size_t k) const;

    size_t rxQueued() const { return rx_.size(); }
    size_t read(uint8_t* buffer, size_t max);
    // Drops what waits in the transmit buffer and everything received.
    void purge();

    // The next time a byte finishes crossing, either way.
    std::optional<uint64_t> nextEventUs() const;
    // Moves the line to `nowUs`: bytes that have crossed by then reach the
    // unit (or nobody, when `unit` is null) or the PC's receive queue.
    void run(uint64_t nowUs, ReadoutModel* unit);

private:
    struct InFlight {
        uint8_t value;
        uint32_t baud;
        double doneUs;
    };
    double pcByteUs() const;

    LineSettings pc_;
    std::deque<uint8_t> tx_;
    double txFreeUs_ = 0;  // when the PC's UART finished its latest byte
    std::deque<InFlight> fromUnit_;
    double unitFreeUs_ = 0;
    std::deque<uint8_t> rx_;
    SpeedMismatch pcReceiver_;
};

// Moves the unit and its line (null when no port holds the cable) to
// `nowUs` together, stopping at each of the unit's own events on the way so
// that every byte meets the unit in the state it was in at that moment.
void runWorld(ReadoutModel& unit, SimLine* line, uint64_t nowUs);

}  // namespace orlant::sim
