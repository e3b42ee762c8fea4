// The Qt back end's smaller parts: the command line, file dialog filters,
// and signals turned into events of the window thread.
#include <gtest/gtest.h>

#include <csignal>

#include "gui_support.h"
#include "platform/qt/command_line.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/signal_watch.h"

namespace orlant::test {
namespace {

struct LineCase {
    std::vector<std::string> args;
    bool ok;
    bool help, version;
    std::optional<std::string> logFile;
    std::string errorHas;  // a piece of the complaint
};

TEST(CommandLine, ReadsEachOptionAndRefusesTheRest) {
    const LineCase cases[] = {
        {{}, true, false, false, std::nullopt, ""},
        {{"--help"}, true, true, false, std::nullopt, ""},
        {{"--version"}, true, false, true, std::nullopt, ""},
        {{"--log-file", "a b.log"}, true, false, false, "a b.log", ""},
        {{"--log-file=x.log"}, true, false, false, "x.log", ""},
        {{"--log-file", "x.log", "--help"}, true, true, false, "x.log", ""},
        {{"--log-file"}, false, false, false, std::nullopt, "needs a value (PATH)"},
        {{"--log-file="}, false, false, false, std::nullopt, "needs a file name"},
        {{"--help=yes"}, false, false, false, std::nullopt, "takes no value"},
        {{"--frobnicate"}, false, false, false, std::nullopt, "unknown option '--frobnicate'"},
        {{"-h"}, false, false, false, std::nullopt, "unknown option '-h'"},
        {{"file.txt"}, false, false, false, std::nullopt, "unknown option 'file.txt'"},
        {{"--version", "--bogus"}, false, false, false, std::nullopt, "'--bogus'"},
    };
    for (const LineCase& c : cases) {
        std::string shown;
        for (const auto& a : c.args) shown += a + " ";
        ParsedCommandLine parsed = ParseCommandLine(c.args);
        EXPECT_EQ(parsed.ok(), c.ok) << shown;
        if (!c.ok) {
            EXPECT_NE(parsed.error.find(c.errorHas), std::string::npos) << shown << parsed.error;
            continue;
        }
        EXPECT_EQ(parsed.options.help, c.help) << shown;
        EXPECT_EQ(parsed.options.version, c.version) << shown;
        EXPECT_EQ(parsed.options.logFile, c.logFile) << shown;
    }
}

TEST(CommandLine, UsageNamesEveryOptionAndVersionIsTheRelease) {
    std::string usage = UsageText();
    EXPECT_EQ(usage.rfind("Usage: orlant-download", 0), 0u) << usage;
    for (const char* option : {"--help", "--version", "--log-file PATH"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(VersionText(), "orlant-download 1.1.0");
}

TEST(FileFilter, WindowsPairsBecomeQtFilters) {
    using namespace std::string_literals;
    struct Case {
        std::string given;
        const char* qt;
    };
    const Case cases[] = {
        {"Text files\0*.txt\0All files\0*.*\0\0"s, "Text files (*.txt);;All files (*)"},
        {"Bitmaps\0*.bmp;*.txt\0"s, "Bitmaps (*.bmp *.txt)"},
        {"Settings (*.set);;All (*)", "Settings (*.set);;All (*)"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(qt::QtFileFilter(c.given).toStdString(), c.qt);
}

TEST(SignalWatch, ATermSignalBecomesAnEventOfTheWindowThread) {
    TestApplication();
    std::vector<int> seen;
    {
        qt::SignalWatch watch([&](int signo) { seen.push_back(signo); });
        ASSERT_TRUE(watch.active());
        std::raise(SIGTERM);
        std::raise(SIGINT);
        EXPECT_TRUE(seen.empty()) << "the handler itself must only wake the loop";
        EXPECT_TRUE(ProcessUntil([&] { return seen.size() == 2; }));
    }
    EXPECT_EQ(seen, (std::vector<int>{SIGTERM, SIGINT}));
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << "the default action is back once the watch ends";
}

}  // namespace
}  // namespace orlant::test
