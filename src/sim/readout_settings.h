// What can be set on the simulated readout: its timings, the faults it
// injects and whether it acts by itself. All times are the unit's own time
// in microseconds; the line's time scale stretches or shrinks them as a whole.
#pragma once

#include <cstdint>
#include <vector>

namespace orlant::sim {

constexpr uint32_t SPEED_115200 = 115200;  // menu key "1"
constexpr uint32_t SPEED_57600 = 57600;    // menu key "2"
constexpr uint32_t FRAMED_BAUD = 38400;    // normal operation: packet frames
constexpr uint32_t ERASE_BAUD = 115200;    // the bootloader menu's own speed
constexpr uint64_t US_PER_S = 1'000'000;

// Faults on the bytes of one direction, each counted over every byte of that
// direction since the unit was made. 0 switches a fault off.
struct ByteFault {
    uint32_t dropEvery = 0;     // every Nth byte is lost on the wire
    uint32_t corruptEvery = 0;  // every Nth byte arrives with other bits
};

enum class CtsFault { None, StuckOn, StuckOff };

struct FaultSettings {
    ByteFault toUnit;    // bytes the unit takes in
    ByteFault fromUnit;  // bytes the unit sends
    // Sent just before every answer (the erase answer, a frame): a stray byte
    // such as {0x55}, or a whole wrong pair such as {1, 2}.
    std::vector<uint8_t> noiseBeforeAnswer;
    bool silent = false;        // the unit does its work but never answers
    CtsFault cts = CtsFault::None;
    uint64_t answerDelayUs = 0;  // extra time before every answer
};

// The unit "acting by itself", as an operator following the guide would:
// power on with "C" held into the bootloader menu, pick a speed, and after a
// download or an erase press ENTER (with "C" held, so it is back in the menu).
struct AutoSettings {
    bool enabled = false;
    uint32_t speed = SPEED_115200;  // 115200, 57600, or 0: stay in the menu, pick none
    uint64_t actAfterUs = 1 * US_PER_S;      // pause before each action
    uint64_t restartAfterUs = 5 * US_PER_S;  // how long a finished unit shows its count
};

struct ReadoutSettings {
    // "C" must be held this long after power-on for the bootloader menu; the
    // guide tells the operator to hold it for 2 seconds.
    uint64_t bootUs = 1 * US_PER_S;
    // Silence after the last byte of a download that makes the unit decide it
    // has taken in the whole image.
    uint64_t finishIdleUs = 2 * US_PER_S;
    uint64_t eraseUs = 50 * US_PER_S;
    FaultSettings faults;
    AutoSettings autoActs;
};

}  // namespace orlant::sim
