// Where the download guide stands. Window thread only; the line monitor
// reads the step and moves it from 7 to 8.
#pragma once

#include <cstdint>

namespace orlant {

enum GuideStep : int32_t {
    STEP_CONNECT_CABLE = 1,
    STEP_READY_UNIT = 2,
    STEP_CHOOSE_IMAGE = 3,
    STEP_CHOOSE_SPEED = 4,
    STEP_DOWNLOAD_57600 = 5,
    STEP_DOWNLOAD_115200 = 6,
    STEP_FINISHING = 7,
    STEP_COMPLETE = 8,
};

struct GuideState {
    int32_t step = STEP_CONNECT_CABLE;
    int32_t bootloaderChosen = 0;
    int32_t lowerSpeedHint = 0;
};

enum LineState : int32_t {
    LINE_PORT_CLOSED = 0,
    LINE_NO_UNIT = 1,
    LINE_UNIT_READY = 2,
};

}  // namespace orlant
