// The "Simulated readout" window: its buttons are the unit's controls, and
// its display follows the unit.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "gui_support.h"
#include "platform/qt/readout_window.h"
#include "sim/sim_readout.h"

namespace orlant {
namespace {

TEST(ReadoutWindow, TheOperatorStartsTheUnitInItsMenuAndPicksASpeed) {
    test::TestApplication();
    // One real millisecond is a second of the unit's time: the boot is quick.
    sim::SimulatedReadout readout(systemClock(), 1000);
    qt::ReadoutWindow window(readout);
    window.show();
    EXPECT_EQ(window.windowTitle(), "Simulated readout");

    window.cButton()->click();      // hold "C"
    window.powerButton()->click();  // switch on
    ASSERT_TRUE(test::ProcessUntil([&] { return readout.view().state == sim::UnitState::Menu; }));
    EXPECT_TRUE(readout.view().cts);
    window.cButton()->click();  // let go
    window.key2Button()->click();
    EXPECT_EQ(readout.view().speed, 57600u);
    window.refresh();
    EXPECT_TRUE(window.display()->text().contains("57 600"));

    window.powerButton()->click();  // off
    window.refresh();
    EXPECT_FALSE(readout.view().powered);
    EXPECT_FALSE(readout.view().cts);
}

TEST(ReadoutWindow, ActingByItselfIsSwitchedFromTheWindow) {
    test::TestApplication();
    sim::SimulatedReadout readout(systemClock(), 1000);
    qt::ReadoutWindow window(readout);
    window.autoBox()->click();
    EXPECT_TRUE(readout.view().autoActs);
    ASSERT_TRUE(test::ProcessUntil([&] { return readout.view().state == sim::UnitState::Menu; }));
}

}  // namespace
}  // namespace orlant
