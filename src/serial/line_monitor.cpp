#include "serial/line_monitor.h"

namespace orlant {

Rect LineBarRect(const AppState& state) { return Rect{10, 1, state.InitialClientWidth - 10, 8}; }

LineState ClassifyLine(bool portOpen, ModemStatus modem, int32_t step) {
    if (!portOpen) return LINE_PORT_CLOSED;
    if (modem != ModemStatus::CtsOn) return LINE_NO_UNIT;
    return step <= STEP_READY_UNIT ? LINE_NO_UNIT : LINE_UNIT_READY;
}

void UpdateLineIndicator(Window& window, const SerialPort& port, AppState& state) {
    auto device = port.handle();
    ModemStatus modem = device ? device->modemStatus() : ModemStatus::Unreadable;
    LineState next = ClassifyLine(device != nullptr, modem, state.guide.step);

    static constexpr Color colors[] = {Color::Black, Color::Red, Color::Green};
    window.drawBar(colors[next], LineBarRect(state));

    if (next != state.lineState) window.invalidate(next == LINE_UNIT_READY);
    state.lineState = next;

    // A level test: a unit that dropped CTS before step 7 began still moves
    // the guide on at the next tick.
    bool ctsOff = device != nullptr && modem != ModemStatus::CtsOn;
    if (ctsOff && state.guide.step == STEP_FINISHING) {
        state.guide.step = STEP_COMPLETE;
        window.invalidate(true);
    }
}

}  // namespace orlant
