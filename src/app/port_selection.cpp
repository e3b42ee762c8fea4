#include "app/port_selection.h"

#include <cerrno>

#include "app/event_log.h"
#include "app/ids.h"

namespace orlant {

uint32_t ReadPortId(Window& window, SettingsStore& settings) {
    uint32_t value = 1;
    SysError error;
    if (settings.openKey(PORT_KEY, error)) {
        if (!settings.readValue(PORT_KEY, PORT_VALUE, value, error)) {
            LogMessage(window, error, "RegQueryValueEx failed.");
            return 0;
        }
        return value;
    }
    // A store that is there but cannot be read or understood is not a first
    // start: creating the key would overwrite what the user has.
    if (error.code != ENOENT || !error.reason.empty()) {
        LogMessage(window, error, "RegQueryValueEx failed.");
        return 0;
    }
    if (!settings.createKey(PORT_KEY, error)) {
        LogMessage(window, error, "RegCreateKeyEx failed.");
        return 0;
    }
    if (!settings.writeValue(PORT_KEY, PORT_VALUE, value, error)) {
        LogMessage(window, error, "RegSetValueEx failed.");
        return 0;
    }
    return 1;
}

uint32_t WritePortId(Window& window, SettingsStore& settings, uint32_t n) {
    SysError error;
    if (!settings.openKey(PORT_KEY, error) && !settings.createKey(PORT_KEY, error)) {
        LogMessage(window, error, "RegCreateKeyEx failed.");
        return 0;
    }
    if (!settings.writeValue(PORT_KEY, PORT_VALUE, n, error)) {
        LogMessage(window, error, "RegSetValueEx failed.");
        return 0;
    }
    return n;
}

int RadioForPort(int32_t n) {
    switch (n) {
    case 2: return ID_COM2;
    case 3: return ID_COM3;
    case 4: return ID_COM4;
    default: return ID_COM1;
    }
}

void OpenSelectedPort(const PortContext& context, int n) {
    Window& window = context.window;
    LogMessage(window, 0, "Opening Device Com%d ...", n);
    if (auto old = context.port.take()) {
        // The receive thread's pending wait ends now and finds no port.
        old->wake();
        context.clock.sleepMs(250);
        old->close();
        LogMessage(window, 0, "Closing current device ...");
        context.clock.sleepMs(250);
    }
    OpenResult result;
    auto device = OpenPort(context.ports, n, FRAME_BAUD, 8, PARITY_ODD, STOPBITS_ONE, 0, result);
    context.port.set(device, n);
    if (device) {
        LogMessage(window, 0, "Device Com%d opened successfully.", n);
        return;
    }
    LogMessage(window, result.error, "Unable to open com port.");
    if (!result.advice.empty()) AppendLogLine(window, result.advice);
    window.beep();
    window.messageBox(
        "Unable to open the selected com port.  Another device may be using the port.  Select "
        "another port.",
        WindowTitle, BoxButtons::Ok, BoxIcon::None, true);
}

void DropLostPort(const PortContext& context, const SerialDevice* lost) {
    auto current = context.port.handle();
    if (!current || current.get() != lost) return;
    context.port.take();
    current->close();
    LogMessage(context.window, 0,
               "Device Com%d stopped responding and was closed (cable or adapter removed?).  "
               "Select the port again.",
               context.port.number());
}

}  // namespace orlant
