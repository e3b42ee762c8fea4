// The line monitor: on every timer tick it reads CTS, which the unit raises
// while it is on and ready, draws the coloured bar at the top of the window
// and keeps LineState for the guide. The unit drops CTS once it has taken in
// a whole image, which moves the guide from its finishing step to the last.
#pragma once

#include "app/app_state.h"
#include "platform/window.h"
#include "serial/serial_port.h"

namespace orlant {

// Where the bar is drawn: it keeps the width measured at start-up.
Rect LineBarRect(const AppState& state);

// The state the line is in, from the port, its modem status and the step.
LineState ClassifyLine(bool portOpen, ModemStatus modem, int32_t step);

void UpdateLineIndicator(Window& window, const SerialPort& port, AppState& state);

}  // namespace orlant
