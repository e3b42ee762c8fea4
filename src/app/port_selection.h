// Which COM port the program uses: the number remembered for the user, the
// radio buttons that change it, and reopening the port on a choice.
#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "platform/serial.h"
#include "platform/settings.h"
#include "platform/window.h"
#include "serial/serial_port.h"

namespace orlant {

constexpr const char* PORT_KEY = "SOFTWARE\\Kestrum\\DalvoCommPort";
constexpr const char* PORT_VALUE = "PortId";
// The line every port starts with.
constexpr uint32_t FRAME_BAUD = 38400;

// The remembered number, or 0 when it cannot be read. A first start creates
// it with 1; a key without the value is a failure and creates nothing.
uint32_t ReadPortId(Window& window, SettingsStore& settings);
// Stores `n`; returns it, or 0 when it cannot be stored.
uint32_t WritePortId(Window& window, SettingsStore& settings, uint32_t n);

// The radio button shown for a remembered number: Com2-Com4 for 2-4, Com1
// for anything else (a remembered 7 still opens COM7).
int RadioForPort(int32_t n);

struct PortContext {
    Window& window;
    Clock& clock;
    SerialPorts& ports;
    SerialPort& port;
};

// Closes the open port, if any, and opens COM `n` at 38400 baud. The
// outcome is in the log and, on failure, in a message box.
void OpenSelectedPort(const PortContext& context, int n);

// The receive thread found the device gone (an adapter pulled out): close it
// and say so once. Does nothing if the port was changed meanwhile.
void DropLostPort(const PortContext& context, const SerialDevice* lost);

}  // namespace orlant
