#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/event_log.h"
#include "platform/posix/posix_desktop.h"
#include "support/fake_window.h"
#include "support/shell_fixture.h"

namespace orlant {
namespace {

using test::FakeWindow;

struct TraceCase {
    std::vector<uint8_t> bytes;
    std::string line;
};

TEST(RawTrace, RendersEachByteClass) {
    const std::vector<TraceCase> cases = {
        {{126, 126, 10, 0, 65, 255}, "RAW_DATA: ~~[10][0]A[-1]"},
        {{0, 31, 32, 126, 127, 128, 255}, "RAW_DATA: [0][31] ~[127][-128][-1]"},
        {{}, "RAW_DATA: "},
        {{'%', 'd', '%', 's'}, "RAW_DATA: %d%s"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RenderRawTrace(c.bytes.data(), c.bytes.size()), c.line);
    }
}

TEST(RawTrace, AWholeChunkOfWideBytesRendersWhole) {
    std::vector<uint8_t> chunk(511, 0x80);  // each renders as "[-128]"
    std::string line = RenderRawTrace(chunk.data(), chunk.size());
    EXPECT_EQ(line.size(), 10u + 6u * 511u);
    EXPECT_EQ(line.substr(line.size() - 12), "[-128][-128]");
}

TEST(EventMaskLine, ShowsTheMaskInDecimal) {
    EXPECT_EQ(RenderEventMask(128), "WaitCommEvent dwEvtMask: 128");
}

TEST(LogMessage, AddsTheSystemTextOnlyForAnError) {
    FakeWindow window;
    LogMessage(window, 0, "Opening Device Com%d ...", 3);
    ASSERT_EQ(window.log.size(), 1u);
    EXPECT_EQ(window.log[0], "Opening Device Com3 ...");

    LogMessage(window, ENOENT, "Unable to open com port.");
    ASSERT_EQ(window.log.size(), 3u);
    EXPECT_EQ(window.log[1], "Unable to open com port.");
    EXPECT_EQ(window.log[2], "No such file or directory");

    LogMessage(window, SysError::because("line 3: not a number"), "RegQueryValueEx failed.");
    EXPECT_EQ(window.log.back(), "line 3: not a number");

    // A code the system has no text for adds no second line.
    LogMessage(window, 99999, "odd");
    EXPECT_EQ(window.log.back(), "odd");
}

TEST(LogMessage, CutsALongLineAt1023Characters) {
    FakeWindow window;
    std::string longText(3000, 'x');
    LogMessage(window, 0, "%s!", longText.c_str());
    ASSERT_EQ(window.log.size(), 1u);
    EXPECT_EQ(window.log[0], std::string(1023, 'x'));
}

TEST(LogMessage, LinesFromAnotherThreadArriveWhileABoxIsOpen) {
    FakeWindow window;
    std::thread worker;
    // The box stays "open" until the worker's lines have been taken, the way
    // a modal box keeps handling the window's messages.
    window.onBox = [&](const test::BoxCall&) {
        worker = std::thread([&] {
            LogMessage(window, 0, "Loading new bootloader ... ");
            LogMessage(window, 0, "Done loading.");
        });
        EXPECT_TRUE(window.pumpUntil([&] { return window.log.size() == 2; }));
    };
    window.messageBox("question", "caption", BoxButtons::YesNo, BoxIcon::Question, true);
    worker.join();
    EXPECT_EQ(window.log, (std::vector<std::string>{"Loading new bootloader ... ", "Done loading."}));
}

TEST(LogMessage, MirrorsEachLineToTheLogFile) {
    auto path = std::filesystem::temp_directory_path() / "orlant-mirror-test.log";
    std::FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    SetLogMirror(file);
    FakeWindow window;
    LogMessage(window, ENOENT, "first %d%%", 100);
    // Flushed line by line: readable before anything is closed.
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "first 100%\nNo such file or directory\n");
    SetLogMirror(nullptr);
    std::fclose(file);
    std::filesystem::remove(path);
}

using test::RecordingDesktop;

class SaveLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("orlant-save-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        setenv("TMPDIR", dir.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("TMPDIR");
        std::filesystem::remove_all(dir);
    }
    std::string savedText() {
        EXPECT_EQ(desktop.opened.size(), 1u);
        if (desktop.opened.empty()) return {};
        std::ifstream in(desktop.opened[0]);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::filesystem::path dir;
    FakeWindow window;
    RecordingDesktop desktop;
};

TEST_F(SaveLogTest, WritesEveryLineAsShown) {
    window.log = {"100% done", "%s %d", std::string(2000, 'L')};
    SaveLog(window, desktop, false);
    EXPECT_EQ(savedText(), "100% done\n%s %d\n" + std::string(2000, 'L') + "\n");
    auto name = std::filesystem::path(desktop.opened[0]);
    EXPECT_EQ(name.parent_path(), dir);
    EXPECT_EQ(name.filename().string().rfind("dvl", 0), 0u);
    auto perms = std::filesystem::status(name).permissions();
    EXPECT_EQ(perms & (std::filesystem::perms::group_all | std::filesystem::perms::others_all),
              std::filesystem::perms::none);
}

TEST_F(SaveLogTest, WritesOnlyTheSelectedLines) {
    window.log = {"a", "b", "c", "d"};
    window.selected = {1, 3};
    SaveLog(window, desktop, true);
    EXPECT_EQ(savedText(), "b\nd\n");
}

TEST_F(SaveLogTest, AnEmptyLogOrEmptySelectionStillMakesAFile) {
    SaveLog(window, desktop, false);
    EXPECT_EQ(savedText(), "");
    desktop.opened.clear();
    window.log = {"a"};
    SaveLog(window, desktop, true);
    EXPECT_EQ(savedText(), "");
}

TEST_F(SaveLogTest, EachSaveGetsANewFile) {
    window.log = {"a"};
    SaveLog(window, desktop, false);
    SaveLog(window, desktop, false);
    ASSERT_EQ(desktop.opened.size(), 2u);
    EXPECT_NE(desktop.opened[0], desktop.opened[1]);
}

TEST_F(SaveLogTest, BeepsWhenNoFileCanBeMade) {
    setenv("TMPDIR", (dir / "missing").c_str(), 1);
    window.log = {"a"};
    SaveLog(window, desktop, false);
    EXPECT_EQ(window.beeps, 1);
    EXPECT_TRUE(desktop.opened.empty());
}

}  // namespace
}  // namespace orlant
