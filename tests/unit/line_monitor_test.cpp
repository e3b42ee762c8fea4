#include <gtest/gtest.h>

#include "serial/line_monitor.h"
#include "support/fake_serial.h"
#include "support/fake_window.h"

namespace orlant {
namespace {

using test::FakeDevice;
using test::FakeWindow;

TEST(LineMonitor, EachLineConditionGivesItsColourStateAndRepaint) {
    enum Port { Closed, Open };
    enum Repaint { None, NoErase, Erase };
    struct Case {
        const char* name;
        Port port;
        ModemStatus modem;
        int32_t step;
        LineState before;
        Color color;
        LineState after;
        Repaint repaint;
        int32_t stepAfter;
    };
    const auto on = ModemStatus::CtsOn, off = ModemStatus::CtsOff,
               unreadable = ModemStatus::Unreadable;
    const std::vector<Case> cases = {
        {"port closed", Closed, on, 3, LINE_UNIT_READY, Color::Black, LINE_PORT_CLOSED, NoErase, 3},
        {"port closed at step 7 stays", Closed, off, 7, LINE_PORT_CLOSED, Color::Black,
         LINE_PORT_CLOSED, None, 7},
        {"cts off", Open, off, 3, LINE_PORT_CLOSED, Color::Red, LINE_NO_UNIT, NoErase, 3},
        {"unreadable", Open, unreadable, 4, LINE_UNIT_READY, Color::Red, LINE_NO_UNIT, NoErase, 4},
        {"cts on at step 1", Open, on, 1, LINE_NO_UNIT, Color::Red, LINE_NO_UNIT, None, 1},
        {"cts on at step 2", Open, on, 2, LINE_PORT_CLOSED, Color::Red, LINE_NO_UNIT, NoErase, 2},
        {"cts on at step 3", Open, on, 3, LINE_NO_UNIT, Color::Green, LINE_UNIT_READY, Erase, 3},
        {"unchanged ready", Open, on, 4, LINE_UNIT_READY, Color::Green, LINE_UNIT_READY, None, 4},
        {"cts off at step 7", Open, off, 7, LINE_NO_UNIT, Color::Red, LINE_NO_UNIT, Erase, 8},
        {"unreadable at step 7", Open, unreadable, 7, LINE_NO_UNIT, Color::Red, LINE_NO_UNIT,
         Erase, 8},
        {"cts on at step 7", Open, on, 7, LINE_UNIT_READY, Color::Green, LINE_UNIT_READY, None, 7},
        {"cts off at step 6", Open, off, 6, LINE_UNIT_READY, Color::Red, LINE_NO_UNIT, NoErase, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWindow window;
        SerialPort port;
        auto device = std::make_shared<FakeDevice>();
        device->modem = c.modem;
        if (c.port == Open) port.set(device, 1);
        AppState state;
        state.InitialClientWidth = 454;
        state.guide.step = c.step;
        state.lineState = c.before;

        UpdateLineIndicator(window, port, state);
        EXPECT_EQ(window.bars, 1);
        EXPECT_EQ(window.barColor, c.color);
        EXPECT_EQ(window.barRect.left, 10);
        EXPECT_EQ(window.barRect.top, 1);
        EXPECT_EQ(window.barRect.right, 444);
        EXPECT_EQ(window.barRect.bottom, 8);
        EXPECT_EQ(state.lineState, c.after);
        EXPECT_EQ(state.guide.step, c.stepAfter);
        EXPECT_EQ(window.invalidations > 0, c.repaint != None);
        EXPECT_EQ(window.erasingInvalidations > 0, c.repaint == Erase);
    }
}

}  // namespace
}  // namespace orlant
