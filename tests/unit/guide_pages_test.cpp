#include <gtest/gtest.h>

#include "app/ids.h"
#include "guide/guide_pages.h"
#include "support/fake_window.h"

namespace orlant {
namespace {

struct Buttons {
    const char* backCaption;  // null: untouched
    int backEnabled;          // 1 on, 0 off, -1 untouched
    int backShown;
    const char* nextCaption;
    int nextEnabled;
    int nextShown;
};

struct PageCase {
    int32_t step;
    LineState line;
    int32_t boot;
    int32_t hint;
    const char* heading;
    const char* text1;
    const char* text2;
    const char* prompt;
    Buttons buttons;
    int ports;  // 1 on and shown, 0 off and hidden, -1 untouched
    int picture1, picture2;
};

std::optional<bool> tri(int v) { return v < 0 ? std::nullopt : std::optional<bool>(v == 1); }
std::optional<std::string> caption(const char* c) {
    return c ? std::optional<std::string>(c) : std::nullopt;
}

TEST(GuidePages, EachPageForEachLineStateAndChoice) {
    const auto closed = LINE_PORT_CLOSED, none = LINE_NO_UNIT, ready = LINE_UNIT_READY;
    const char* step1Text1 = "Turn the Orlant power switch to the OFF position.";
    const char* step1Text2 =
        "Connect a serial cable between the Orlant and a serial port on your PC.  Refer to the "
        "Orlant user's manual for more information on the cable requirements.";
    const char* step3Text2 =
        "Refer to the menu on the Orlant display.  Check the version of the bootloader.  If it is "
        "not v1.1.0 or greater then you need to download the bootloader before downloading the "
        "software.";
    const char* speed115 =
        "On the Orlant select 115 200 for the download speed by pressing the numeric key "
        "associated with the menu option.";
    const char* hint57 = "If the download failed at 115 200, use the slower 57 600 transfer speed.";
    const char* step8Text1 =
        "Please verify that the number of data bytes transmitted (2229360) matches the number of "
        "bytes received by the Orlant.  The Orlant shows the number in parenthesis at the bottom "
        "of the display.";
    const Buttons step1Off{"Back", 0, -1, "Next", 0, -1};
    const Buttons step4Off{"57 600", 0, 1, "115 200", 0, 1};
    const Buttons running{nullptr, 0, -1, nullptr, 0, -1};

    const std::vector<PageCase> cases = {
        {1, closed, 0, 0, "STEP 1 - Connecting the Serial Cable", step1Text1, step1Text2,
         "The COM port is not open.  Select the correct port below.", step1Off, 1, 199, 201},
        {1, none, 0, 0, "STEP 1 - Connecting the Serial Cable", step1Text1, step1Text2,
         "When the cable is connected, press NEXT", {"Back", 0, -1, "Next", 1, -1}, 1, 199, 201},
        {1, ready, 0, 0, "STEP 1 - Connecting the Serial Cable", step1Text1, step1Text2,
         "The Orlant must be OFF to proceed.", step1Off, 1, 199, 201},
        {2, none, 0, 0, "STEP 2 - Readying the Orlant",
         "Press and hold the \"C\" key on the Orlant keypad.",
         "While holding the \"C\" key, turn the Orlant power switch to the ON position.  Wait 2 "
         "seconds and release the \"C\" key.",
         "When the Orlant's Bootloader menu appears, press NEXT.", {"Back", 1, -1, "Next", 1, -1},
         0, 202, 200},
        {3, ready, 0, 0, "STEP 3 - Preparing the Orlant for Download", speed115, step3Text2,
         "Select \"Bootloader\", or \"Software\".", {"Bootloader", 1, 1, "Software", 1, 1}, -1,
         205, 204},
        {3, ready, 0, 1, "STEP 3 - Preparing the Orlant for Download", hint57, step3Text2,
         "Select \"Bootloader\", or \"Software\".", {"Bootloader", 1, 1, "Software", 1, 1}, -1,
         205, 204},
        {3, ready, 1, 1, "STEP 3 - Preparing the Orlant for Download", speed115, step3Text2,
         "Select \"Bootloader\", or \"Software\".", {"Bootloader", 1, 1, "Software", 1, 1}, -1,
         205, 204},
        {4, none, 0, 0, "STEP 4 - Downloading the Software", "Please wait ...", "", "", step4Off,
         -1, 204, 0},
        {4, ready, 1, 0, "STEP 4 - Downloading the Bootloader",
         "The Orlant is ready to receive the download.",
         "Start the download by clicking the button below which matches the Orlant's download "
         "speed.",
         "Select the download speed.", {"57 600", 1, 1, "115 200", 1, 1}, -1, 204, 0},
        {5, ready, 0, 0, "Download in Progress (57 600)",
         "The Orlant software is being transferred.  This operation takes up to ? minutes to "
         "complete.",
         "", "Downloading software, please wait . . . ", running, -1, 206, 0},
        {5, ready, 1, 0, "Download in Progress (57 600)",
         "The Orlant bootloader is being transferred.  This operation takes up to 1 minute to "
         "complete.",
         "", "Downloading bootloader, please wait . . . ", running, -1, 206, 0},
        {6, ready, 0, 0, "Download in Progress (115 200)",
         "The Orlant software is being transferred.  This operation takes up to 7 minutes to "
         "complete.",
         "", "Downloading software, please wait . . . ", running, -1, 206, 0},
        {6, ready, 1, 0, "Download in Progress (115 200)",
         "The Orlant bootloader is being transferred.  This operation takes up to 30 seconds to "
         "complete.",
         "", "Downloading bootloader, please wait . . . ", running, -1, 206, 0},
        {7, ready, 0, 0, "", "Please wait while the readout finishes receiving the data.", "", "",
         {nullptr, 0, 0, nullptr, 0, 0}, -1, 208, 0},
        {8, none, 0, 0, "Download Complete", step8Text1,
         "Press the ENTER key on the Orlant to restart the unit.", "Press CLOSE to exit this program.",
         {"Back", 1, 1, nullptr, 0, 0}, -1, 208, 197},
        {8, none, 1, 0, "Download Complete", step8Text1,
         "Press the ENTER key on the Orlant to restart the unit and install the bootloader.",
         "Press BACK to load the software.", {"Back", 1, 1, nullptr, 0, 0}, -1, 208, 197},
    };
    for (const PageCase& c : cases) {
        SCOPED_TRACE("step " + std::to_string(c.step) + " line " + std::to_string(c.line) +
                     " boot " + std::to_string(c.boot) + " hint " + std::to_string(c.hint));
        GuideState guide{c.step, c.boot, c.hint};
        auto page = GuidePageFor(guide, c.line, 2229360);
        ASSERT_TRUE(page.has_value());
        EXPECT_EQ(page->heading, c.heading);
        EXPECT_EQ(page->text1, c.text1);
        EXPECT_EQ(page->text2, c.text2);
        EXPECT_EQ(page->prompt, c.prompt);
        EXPECT_EQ(page->back.caption, caption(c.buttons.backCaption));
        EXPECT_EQ(page->back.enabled, tri(c.buttons.backEnabled));
        EXPECT_EQ(page->back.shown, tri(c.buttons.backShown));
        EXPECT_EQ(page->next.caption, caption(c.buttons.nextCaption));
        EXPECT_EQ(page->next.enabled, tri(c.buttons.nextEnabled));
        EXPECT_EQ(page->next.shown, tri(c.buttons.nextShown));
        EXPECT_EQ(page->portButtons, tri(c.ports));
        EXPECT_EQ(page->picture1, c.picture1);
        EXPECT_EQ(page->picture2, c.picture2);
    }
}

TEST(GuidePages, AStepOutsideTheGuidePaintsNothing) {
    for (int32_t step : {0, 9, -1}) {
        test::FakeWindow window;
        AppState state;
        state.guide.step = step;
        PaintGuidePage(window, state);
        EXPECT_TRUE(window.calls.empty());
    }
}

TEST(GuidePages, ADownloadPageDropsTheSlowerSpeedHintAndLeavesWhatItDoesNotName) {
    test::FakeWindow window;
    AppState state;
    state.guide = GuideState{STEP_CHOOSE_IMAGE, 0, 1};
    PaintGuidePage(window, state);
    state.guide.step = STEP_DOWNLOAD_57600;
    PaintGuidePage(window, state);
    EXPECT_EQ(state.guide.lowerSpeedHint, 0);
    // Page 5 keeps page 3's captions; page 3 never touched the port buttons.
    EXPECT_EQ(window.texts[ID_BACK], "Bootloader");
    EXPECT_EQ(window.shown.count(ID_COM1), 0u);
    EXPECT_EQ(window.pictures[2], 0);
}

}  // namespace
}  // namespace orlant
