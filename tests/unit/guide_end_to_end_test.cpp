// The whole guide against the simulated readout: the real core, the real
// line pacing (sped up), the unit counting what it takes in.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/ids.h"
#include "sim/sim_readout.h"
#include "sim/sim_serial.h"
#include "support/shell_fixture.h"

namespace orlant {
namespace {

using namespace std::chrono_literals;

// 250 000 bytes at 115 200 take 24 s of the unit's time: 48 ms here.
constexpr double FAST = 500;

class GuideEndToEnd : public ::testing::Test {
protected:
    explicit GuideEndToEnd(double timeScale = FAST) {
        sim::ReadoutSettings unit;
        // The unit's pause before it decides the image is complete, long
        // enough that a scheduling hiccup on a loaded machine is no pause.
        unit.finishIdleUs = static_cast<uint64_t>(timeScale) * sim::US_PER_S / 5;
        readout = std::make_shared<sim::SimulatedReadout>(systemClock(), timeScale, unit);
        ports = std::make_unique<sim::SimSerialPorts>(readout);
        shell = std::make_unique<Shell>(
            Services{window, systemClock(), desktop, *ports, settings, resources});
        window.attach(shell.get());
        shell->start();
        window.pump();
    }
    ~GuideEndToEnd() override {
        window.close();
        shell->teardown();
    }
    // Runs the 100 ms timer (faster, to keep up with the sped-up unit) until
    // `done()` holds; false after ten real seconds.
    bool runUntil(const std::function<bool()>& done) {
        auto limit = std::chrono::steady_clock::now() + 10s;
        while (!done()) {
            if (std::chrono::steady_clock::now() > limit) return false;
            window.tick();
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }
    int32_t step() { return shell->state().guide.step; }
    void press(int id) {
        shell->onCommand(id);
        window.pump();
    }
    // The operator: power on with "C" held, and pick the speed in the menu.
    void startUnitInMenu(char speedKey) {
        readout->setHoldC(true);
        readout->setPower(true);
        ASSERT_TRUE(runUntil([&] { return readout->view().state == sim::UnitState::Menu; }));
        readout->setHoldC(false);
        readout->pressKey(speedKey);
    }
    // Steps 1 to 4 as the pages ask, ending on the speed choice.
    void walkToSpeedChoice(char speedKey) {
        ASSERT_TRUE(runUntil([&] { return window.isEnabled(ID_NEXT); }));  // cable seen
        press(ID_NEXT);
        ASSERT_EQ(step(), STEP_READY_UNIT);
        startUnitInMenu(speedKey);
        press(ID_NEXT);
        ASSERT_EQ(step(), STEP_CHOOSE_IMAGE);
        press(ID_NEXT);  // "Software"
        ASSERT_EQ(step(), STEP_CHOOSE_SPEED);
        ASSERT_TRUE(runUntil([&] { return window.isEnabled(ID_NEXT); }));  // unit ready
        EXPECT_EQ(window.barColor, Color::Green);
    }

    test::FakeWindow window;
    test::RecordingDesktop desktop;
    test::MemorySettings settings;
    test::MemoryResources resources;
    std::shared_ptr<sim::SimulatedReadout> readout;
    std::unique_ptr<sim::SimSerialPorts> ports;
    std::unique_ptr<Shell> shell;
};

// Nearly real time, so that the port's transmit buffer (4 KiB, a third of a
// second at 115 200) outlasts the pause after the last write: the tail of
// the image reaches the unit only if the stream waits for it before going
// back to 38400.
class GuideEndToEndNearRealTime : public GuideEndToEnd {
protected:
    GuideEndToEndNearRealTime() : GuideEndToEnd(2) { resources.set("ORLANT_2_REVO_SOFTWARE", 30000); }
};

TEST_F(GuideEndToEndNearRealTime, TheUnitCountsEveryByteThePageReports) {
    walkToSpeedChoice('1');
    press(ID_NEXT);  // "115 200"
    EXPECT_EQ(step(), STEP_DOWNLOAD_115200);
    ASSERT_TRUE(runUntil([&] { return step() == STEP_COMPLETE; }));

    const auto& image = resources.files["ORLANT_2_REVO_SOFTWARE"];
    sim::ReadoutView unit = readout->view();
    EXPECT_EQ(unit.counts.good, image.size());
    EXPECT_EQ(unit.counts.garbage, 0u);
    EXPECT_EQ(unit.counts.hash, sim::hashBytes(image.data(), image.size()));
    EXPECT_EQ(shell->state().reportedImageSize, static_cast<int32_t>(unit.counts.good));
    EXPECT_NE(window.texts[ID_TEXT1].find("(30000)"), std::string::npos);
    EXPECT_EQ(window.texts[ID_HEADING], "Download Complete");
    EXPECT_EQ(window.log, (std::vector<std::string>{
                              "Opening Device Com1 ...", "Device Com1 opened successfully.",
                              "Loading new software version ... (~4 min.)", "Done loading."}));
}

TEST_F(GuideEndToEnd, TheWrongSpeedEndsGarbledAndBackSuggestsTheSlowerOne) {
    walkToSpeedChoice('2');  // the unit listens at 57 600
    press(ID_NEXT);          // but the operator clicks 115 200
    ASSERT_TRUE(runUntil([&] { return step() == STEP_COMPLETE; }));
    sim::ReadoutView unit = readout->view();
    EXPECT_EQ(unit.counts.good, 0u);
    EXPECT_GT(unit.counts.garbage, 0u);
    EXPECT_NE(unit.counts.total(), static_cast<uint64_t>(shell->state().reportedImageSize));

    press(ID_BACK);
    EXPECT_EQ(step(), STEP_CHOOSE_IMAGE);
    EXPECT_EQ(window.texts[ID_TEXT1],
              "If the download failed at 115 200, use the slower 57 600 transfer speed.");
}

TEST_F(GuideEndToEnd, TheFlashEraseCompletesAgainstTheUnit) {
    readout->setHoldC(true);
    readout->setPower(true);
    ASSERT_TRUE(runUntil([&] { return readout->view().state == sim::UnitState::Menu; }));
    readout->setHoldC(false);
    window.boxAnswers = {BoxAnswer::Ok};
    press(ID_ERASE_FLASH);
    ASSERT_TRUE(runUntil([&] { return step() == STEP_FINISHING || step() == STEP_COMPLETE; }));
    EXPECT_EQ(readout->view().erasesDone, 1u);
    EXPECT_EQ(window.log.back(), "Done erasing user storage.");
}

}  // namespace
}  // namespace orlant
