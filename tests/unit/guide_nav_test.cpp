#include <gtest/gtest.h>

#include "app/ids.h"
#include "guide/guide_nav.h"
#include "guide/guide_pages.h"
#include "support/shell_fixture.h"

namespace orlant {
namespace {

TEST(GuideMoves, EveryButtonAtEveryStep) {
    using K = GuideButtonKind;
    using F = GuideFlag;
    struct Case {
        K button;
        int32_t from;
        std::optional<GuideMove> move;
    };
    const std::vector<Case> cases = {
        {K::Next, 1, GuideMove{2, F::None, true, 0}},
        {K::Next, 2, GuideMove{3, F::None, false, 0}},
        {K::Next, 3, GuideMove{4, F::SoftwareChosen, true, 0}},
        {K::Next, 4, GuideMove{6, F::None, true, 115200}},
        {K::Next, 5, std::nullopt}, {K::Next, 6, std::nullopt},
        {K::Next, 7, std::nullopt}, {K::Next, 8, std::nullopt},
        {K::Back, 1, std::nullopt},
        {K::Back, 2, GuideMove{1, F::None, true, 0}},
        {K::Back, 3, GuideMove{4, F::BootloaderChosen, true, 0}},
        {K::Back, 4, GuideMove{5, F::None, true, 57600}},
        {K::Back, 5, std::nullopt}, {K::Back, 6, std::nullopt}, {K::Back, 7, std::nullopt},
        {K::Back, 8, GuideMove{3, F::LowerSpeedHint, true, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.button)) + " at " + std::to_string(c.from));
        auto move = GuideMoveFor(c.button, c.from);
        ASSERT_EQ(move.has_value(), c.move.has_value());
        if (!move) continue;
        EXPECT_EQ(move->to, c.move->to);
        EXPECT_EQ(move->flag, c.move->flag);
        EXPECT_EQ(move->erase, c.move->erase);
        EXPECT_EQ(move->startBaud, c.move->startBaud);
    }
}

class GuideTest : public test::ShellFixture {
protected:
    void SetUp() override {
        com1->modem = ModemStatus::CtsOn;
        start();
        window.tick();  // the line monitor has looked at the line once
    }
    void walkTo(int32_t step) {
        while (shell.state().guide.step < step) {
            shell.onCommand(ID_NEXT);
            window.tick();
        }
    }
};

TEST_F(GuideTest, ADisabledButtonDoesNothing) {
    com1->modem = ModemStatus::CtsOff;
    window.tick();
    walkTo(STEP_CHOOSE_SPEED);  // Next at step 1 needs the cable: CTS off is "no unit" here
    ASSERT_EQ(shell.state().guide.step, STEP_CHOOSE_SPEED);
    EXPECT_FALSE(window.isEnabled(ID_NEXT));
    shell.onCommand(ID_NEXT);
    shell.onCommand(ID_BACK);
    EXPECT_EQ(shell.state().guide.step, STEP_CHOOSE_SPEED);
    EXPECT_TRUE(com1->written().empty());
}

TEST_F(GuideTest, ASecondNextBeforeARepaintStartsNoDownload) {
    com1->modem = ModemStatus::CtsOff;
    window.tick();
    shell.onCommand(ID_NEXT);
    shell.onCommand(ID_NEXT);
    ASSERT_EQ(shell.state().guide.step, STEP_CHOOSE_IMAGE);
    // The unit is ready and the operator double-clicks "Software": the
    // second click meets page 4's disabled speed button.
    com1->modem = ModemStatus::CtsOn;
    shell.onCommand(ID_NEXT);
    shell.onCommand(ID_NEXT);
    EXPECT_EQ(shell.state().guide.step, STEP_CHOOSE_SPEED);
    EXPECT_EQ(shell.state().rawBusy, 0);
}

TEST_F(GuideTest, ALostUnitDisablesTheSpeedButtonsAtTheTick) {
    walkTo(STEP_CHOOSE_SPEED);
    ASSERT_TRUE(window.isEnabled(ID_NEXT));
    com1->modem = ModemStatus::CtsOff;
    shell.onTimer();  // no repaint has run yet
    EXPECT_FALSE(window.isEnabled(ID_NEXT));
    EXPECT_FALSE(window.isEnabled(ID_BACK));
}

TEST_F(GuideTest, AnImageThatCannotBeHadReturnsToTheSpeedChoice) {
    resources.files.erase("ORLANT_2_REVO_SOFTWARE");
    walkTo(STEP_CHOOSE_SPEED);
    shell.onCommand(ID_NEXT);
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].text,
              "Internal Error 001.  Unable to extract software for upload to unit.");
    EXPECT_EQ(window.boxes[0].icon, BoxIcon::Error);
    EXPECT_FALSE(window.boxes[0].owned);
    EXPECT_EQ(shell.state().guide.step, STEP_CHOOSE_SPEED);
    EXPECT_TRUE(window.isEnabled(ID_NEXT));
    EXPECT_FALSE(window.stripShown);
}

TEST_F(GuideTest, BackFromTheLastPageHintsAtTheSlowerSpeedAfterSoftware) {
    for (int32_t boot : {0, 1}) {
        SCOPED_TRACE(boot);
        shell.state().guide.step = STEP_COMPLETE;
        shell.state().guide.bootloaderChosen = boot;
        shell.onPaint();
        shell.onCommand(ID_BACK);
        EXPECT_EQ(shell.state().guide.step, STEP_CHOOSE_IMAGE);
        EXPECT_EQ(shell.state().guide.lowerSpeedHint, 1);
        EXPECT_EQ(window.texts[ID_TEXT1],
                  boot == 0 ? "If the download failed at 115 200, use the slower 57 600 transfer speed."
                            : "On the Orlant select 115 200 for the download speed by pressing the "
                              "numeric key associated with the menu option.");
    }
}

}  // namespace
}  // namespace orlant
