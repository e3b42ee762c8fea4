#include <gtest/gtest.h>

#include <algorithm>

#include "app/ids.h"
#include "guide/flash_erase.h"
#include "guide/image_stream.h"
#include "support/shell_fixture.h"

namespace orlant {
namespace {

class RawTest : public test::ShellFixture {
protected:
    void SetUp() override {
        com1->modem = ModemStatus::CtsOn;
        start();
        window.log.clear();
    }
    // Pumps the window until the raw operation has posted its end and the
    // window has handled it.
    bool finish() {
        return window.pumpUntil([&] {
            return shell.state().rawBusy == 0 && window.pendingPosts() == 0 &&
                   (shell.state().guide.step == STEP_FINISHING ||
                    shell.state().guide.step == STEP_COMPLETE || !window.boxes.empty());
        });
    }
    std::vector<std::string> bauds() {
        std::vector<std::string> out;
        for (const auto& e : com1->events())
            if (e.rfind("baud", 0) == 0 || e == "drain") out.push_back(e);
        return out;
    }
};

TEST_F(RawTest, AnImageGoesOutInPiecesWithTheStripFollowing) {
    shell.state().guide = GuideState{STEP_CHOOSE_SPEED, 0, 0};
    window.tick();
    shell.onCommand(ID_NEXT);  // "115 200"
    EXPECT_EQ(shell.state().guide.step, STEP_DOWNLOAD_115200);
    EXPECT_EQ(window.stripUpper, 250u);
    ASSERT_TRUE(finish());

    std::vector<size_t> pieces(15, 16384);
    pieces.push_back(4240);
    EXPECT_EQ(com1->writeSizes(), pieces);
    EXPECT_EQ(com1->written(), resources.files["ORLANT_2_REVO_SOFTWARE"]);
    // Thousands of bytes sent after each piece: 16, 32, 49, ..., 245, 250.
    std::vector<uint32_t> positions;
    for (uint32_t k = 1; k <= 15; ++k) positions.push_back(k * 16384 / 1000);
    positions.push_back(250);
    EXPECT_EQ(positions[2], 49u);
    auto seen = window.stripPositions;
    seen.erase(seen.begin());  // the 0 the strip starts at
    EXPECT_EQ(seen, positions);
    EXPECT_EQ(window.log, (std::vector<std::string>{"Loading new software version ... (~4 min.)",
                                                    "Done loading."}));
    // The image leaves the port before the speed goes back to 38400.
    EXPECT_EQ(bauds(), (std::vector<std::string>{"drain", "baud 115200", "drain", "baud 38400"}));
    EXPECT_FALSE(window.stripShown);
    EXPECT_EQ(shell.state().reportedImageSize, 250000);
    EXPECT_EQ(com1->settings().baud, 38400u);
}

TEST_F(RawTest, AStartIsRefusedWhileAnotherRawOperationRuns) {
    shell.state().rawBusy = 1;
    RawContext context = {window, clock, shell.port(), resources, shell.strip(), shell.state(),
                          shell.pump()};
    RawWorker worker;
    EXPECT_EQ(StartImageDownload(context, worker, 115200), 0);
    EXPECT_EQ(StartBootloaderDownload(context, worker), 0);
    window.boxAnswers = {BoxAnswer::Ok};
    shell.onCommand(ID_ERASE_FLASH);
    EXPECT_TRUE(com1->written().empty());
    EXPECT_TRUE(bauds().empty());
    EXPECT_FALSE(window.stripShown);
    shell.state().rawBusy = 0;
}

TEST_F(RawTest, Command1015StreamsTheChosenImageAt38400FromAnyStep) {
    shell.onCommand(ID_STREAM_38400);
    ASSERT_TRUE(finish());
    EXPECT_EQ(com1->written().size(), 250000u);
    EXPECT_EQ(bauds(), (std::vector<std::string>{"drain", "baud 38400", "drain", "baud 38400"}));
    EXPECT_EQ(shell.state().guide.step, STEP_FINISHING);
}

TEST_F(RawTest, Command1019AsksThenStreamsTheBootloaderWhateverWasChosen) {
    for (int32_t chosen : {0, 1}) {
        SCOPED_TRACE(chosen);
        shell.state().guide.bootloaderChosen = chosen;
        window.boxAnswers = {BoxAnswer::No};
        shell.onCommand(ID_BOOTLOADER_DOWNLOAD);
        EXPECT_EQ(shell.state().rawBusy, 0);
        window.boxAnswers = {BoxAnswer::Yes};
        shell.onCommand(ID_BOOTLOADER_DOWNLOAD);
        ASSERT_TRUE(finish());
        EXPECT_EQ(window.boxes.back().text, "Are you sure you want to download the bootloader code?");
        EXPECT_EQ(window.boxes.back().icon, BoxIcon::Question);
        EXPECT_EQ(window.boxes.back().buttons, BoxButtons::YesNo);
        EXPECT_EQ(shell.state().guide.bootloaderChosen, chosen);
        EXPECT_EQ(shell.state().reportedImageSize, 5000);
        EXPECT_EQ(window.log.front(), "Loading new bootloader ... ");
        window.log.clear();
    }
}

TEST_F(RawTest, EachUnusableImageHasItsInternalError) {
    struct Case {
        bool bootloaderCommand;
        std::function<void()> breakIt;
        const char* text;
    };
    const std::vector<Case> cases = {
        {false, [&] { resources.files.erase("ORLANT_2_REVO_SOFTWARE"); },
         "Internal Error 001.  Unable to extract software for upload to unit."},
        {false, [&] { resources.set("ORLANT_2_REVO_SOFTWARE", 0); },
         "Internal Error 002.  Unable to extract software for upload to unit."},
        {false, [&] { resources.nullBytes = true; },
         "Internal Error 004.  Unable to extract software for upload to unit."},
        {true, [&] { resources.files.erase("BOOTLOADER"); },
         "Internal Error 101.  Unable to extract bootloader software for upload to unit."},
        {true, [&] { resources.set("BOOTLOADER", 0); },
         "Internal Error 102.  Unable to extract bootloader software for upload to unit."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        resources = test::MemoryResources();
        c.breakIt();
        window.boxes.clear();
        window.boxAnswers = {BoxAnswer::Yes};
        shell.onCommand(c.bootloaderCommand ? ID_BOOTLOADER_DOWNLOAD : ID_STREAM_38400);
        ASSERT_FALSE(window.boxes.empty());
        EXPECT_EQ(window.boxes.back().text, c.text);
        EXPECT_EQ(window.boxes.back().caption, WindowTitle);
        EXPECT_FALSE(window.stripShown);
        EXPECT_EQ(shell.state().rawBusy, 0);
    }
    EXPECT_TRUE(bauds().empty());
}

TEST_F(RawTest, AStreamThatStallsEndsAsFailedAndReturnsToTheSpeedChoice) {
    com1->writesBeforeStall = 3;
    shell.state().guide = GuideState{STEP_CHOOSE_SPEED, 0, 0};
    window.tick();
    shell.onCommand(ID_BACK);  // "57 600"
    ASSERT_TRUE(finish());
    EXPECT_EQ(com1->written().size(), 3u * 16384u);
    EXPECT_EQ(shell.state().guide.step, STEP_CHOOSE_SPEED);
    EXPECT_EQ(window.log.back(),
              "Download stopped after 49152 of 250000 bytes: the port took no data for 10 seconds.");
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].icon, BoxIcon::Error);
    EXPECT_FALSE(window.stripShown);
    EXPECT_EQ(com1->settings().baud, 38400u);
}

TEST_F(RawTest, AStreamWithNoPortEndsAsFailed) {
    shell.port().take()->close();
    shell.onCommand(ID_STREAM_38400);
    ASSERT_TRUE(finish());
    EXPECT_EQ(shell.state().rawBusy, 0);
    EXPECT_EQ(window.boxes.size(), 1u);
    EXPECT_NE(shell.state().guide.step, STEP_FINISHING);
}

TEST(EraseAnswer, FoundWhereverItStarts) {
    struct Case {
        std::vector<std::vector<uint8_t>> chunks;
        bool found;
    };
    const std::vector<Case> cases = {
        {{{7, 6}}, true},
        {{{1, 2}, {7, 6}}, true},
        {{{9}, {7}, {6}}, true},  // a stray byte before the answer
        {{{9, 7}, {6, 0}}, true},
        {{{7, 7, 6}}, true},
        {{{6, 7}}, false},
        {{{7, 1, 6}}, false},
        {{{7}, {5}, {6}}, false},
    };
    for (const Case& c : cases) {
        EraseAnswerScanner scanner;
        bool found = false;
        for (const auto& chunk : c.chunks) found = found || scanner.feed(chunk.data(), chunk.size());
        EXPECT_EQ(found, c.found);
    }
}

TEST_F(RawTest, TheEraseAsksSendsSevenSixAndWaitsForTheAnswer) {
    window.boxAnswers = {BoxAnswer::Cancel};
    shell.onCommand(ID_ERASE_FLASH);
    EXPECT_EQ(window.boxes.back().text, "Are you sure you want to erase the flash?");
    EXPECT_EQ(window.boxes.back().buttons, BoxButtons::OkCancel);
    EXPECT_TRUE(com1->written().empty());
    EXPECT_TRUE(bauds().empty());

    clock.holdTime = true;  // the unit takes its time to answer
    window.boxAnswers = {BoxAnswer::Ok};
    shell.onCommand(ID_ERASE_FLASH);
    ASSERT_TRUE(window.pumpUntil([&] { return window.log.size() == 1; }));
    EXPECT_EQ(window.log[0], "Erasing user storage on flash ... (~50 sec.)");
    EXPECT_EQ(com1->written(), (std::vector<uint8_t>{7, 6}));
    com1->receive({1, 2});
    com1->receive({9, 7});
    com1->receive({6});
    ASSERT_TRUE(finish());
    EXPECT_EQ(window.log.back(), "Done erasing user storage.");
    EXPECT_EQ(shell.state().guide.step, STEP_FINISHING);
    // The erase leaves the port at its speed.
    EXPECT_EQ(com1->settings().baud, 115200u);
}

TEST_F(RawTest, AnEraseRequestCutInHalfSendsOnlyTheMissingByte) {
    com1->writeLimit = 1;
    clock.holdTime = true;
    window.boxAnswers = {BoxAnswer::Ok};
    shell.onCommand(ID_ERASE_FLASH);
    ASSERT_TRUE(window.pumpUntil([&] { return window.log.size() == 1; }));
    EXPECT_EQ(com1->written(), (std::vector<uint8_t>{7, 6}));
    com1->receive({7, 6});
    ASSERT_TRUE(finish());
}

TEST_F(RawTest, AnEraseWithoutAnswerOrPortFailsClearly) {
    window.boxAnswers = {BoxAnswer::Ok};
    shell.state().guide.step = STEP_CHOOSE_IMAGE;
    shell.onCommand(ID_ERASE_FLASH);
    ASSERT_TRUE(finish());  // the manual clock runs out the answer limit at once
    EXPECT_EQ(window.log.back(), "The unit did not confirm the erase within 120 seconds.");
    EXPECT_EQ(shell.state().guide.step, STEP_CHOOSE_IMAGE);
    EXPECT_EQ(window.boxes.back().icon, BoxIcon::Error);

    shell.port().take()->close();
    window.boxes.clear();
    window.boxAnswers = {BoxAnswer::Ok};
    shell.onCommand(ID_ERASE_FLASH);
    EXPECT_EQ(window.log.back(), "Unable to erase the flash: no com port is open.");
    EXPECT_EQ(window.boxes.size(), 2u);
    EXPECT_EQ(shell.state().rawBusy, 0);
}

}  // namespace
}  // namespace orlant
