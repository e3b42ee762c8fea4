// The settings file: the outcomes the remembered port relies on, as one
// table, then corrupt files, places that cannot be written, and rewrites
// that must keep what a person put in the file.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "platform/posix/ini_document.h"
#include "platform/posix/settings_file.h"

namespace orlant {
namespace {

namespace fs = std::filesystem;

const std::string kKey = "SOFTWARE\\Kestrum\\DalvoCommPort";
const std::string kName = "PortId";
const std::string kHeader = "[" + kKey + "]\n";

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orlant-settings-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        path = dir + "/config/orlant-download/settings.ini";
    }
    void TearDown() override { fs::remove_all(dir); }

    void put(const std::string& text) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    std::optional<std::string> contents() const {
        std::ifstream in(path, std::ios::binary);
        if (!in) return std::nullopt;
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string dir;
    std::string path;
};

// What the program does with its remembered port, against each state of
// the file: open the key, read the value; when the key is missing, create
// it and store 1.
TEST_F(SettingsFileTest, OutcomesOfEachStateOfTheFile) {
    struct Case {
        const char* what;
        std::optional<std::string> file;  // nothing: no file at all
        uint32_t openError;
        uint32_t readError;
        uint32_t value;
    };
    const Case cases[] = {
        {"no file", std::nullopt, ENOENT, ENOENT, 0},
        {"other key only", "[SOFTWARE\\Other]\nPortId=3\n", ENOENT, ENOENT, 0},
        {"key without value", kHeader, 0, ENOENT, 0},
        {"key with another value", kHeader + "Other=2\n", 0, ENOENT, 0},
        {"zero", kHeader + "PortId=0\n", 0, 0, 0},
        {"minus five", kHeader + "PortId=-5\n", 0, 0, 0xFFFFFFFBu},
        {"three", kHeader + "PortId=3\n", 0, 0, 3},
        {"seven", kHeader + "PortId=7\n", 0, 0, 7},
        {"nine, blanks and CRLF", "# kept\r\n[ " + kKey + " ]\r\n  PortId = 9 \r\n", 0, 0, 9},
        {"largest", kHeader + "PortId=4294967295\n", 0, 0, 0xFFFFFFFFu},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(fs::path(path).parent_path());
        if (c.file) put(*c.file);
        SettingsFile settings(path);
        SysError error;
        EXPECT_EQ(settings.openKey(kKey, error), c.openError == 0);
        EXPECT_EQ(error.code, c.openError);
        uint32_t value = 12345;
        EXPECT_EQ(settings.readValue(kKey, kName, value, error), c.readError == 0);
        EXPECT_EQ(error.code, c.readError);
        EXPECT_EQ(value, c.readError == 0 ? c.value : 12345u);
        EXPECT_EQ(contents(), c.file) << "reading must not change the file";
    }
}

TEST_F(SettingsFileTest, CreateKeyMakesAPrivateFileAndAValueIsAddedToIt) {
    SettingsFile settings(path);
    SysError error;
    ASSERT_TRUE(settings.createKey(kKey, error)) << error.text();
    EXPECT_TRUE(settings.openKey(kKey, error));
    EXPECT_EQ(contents(), kHeader);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(fs::path(path).parent_path()).permissions(), fs::perms::owner_all);

    uint32_t value = 0;
    EXPECT_FALSE(settings.readValue(kKey, kName, value, error));
    ASSERT_TRUE(settings.writeValue(kKey, kName, 1, error)) << error.text();
    EXPECT_EQ(contents(), kHeader + "PortId=1\n");
    ASSERT_TRUE(settings.createKey(kKey, error));  // an existing key is opened, not reset
    EXPECT_TRUE(settings.readValue(kKey, kName, value, error));
    EXPECT_EQ(value, 1u);
}

TEST_F(SettingsFileTest, ValuesRoundTrip) {
    SettingsFile settings(path);
    SysError error;
    ASSERT_TRUE(settings.createKey(kKey, error));
    for (int32_t stored : {0, -5, 3, 7, 9, INT32_MIN, INT32_MAX}) {
        const auto bits = static_cast<uint32_t>(stored);
        ASSERT_TRUE(settings.writeValue(kKey, kName, bits, error)) << stored;
        EXPECT_EQ(contents(), kHeader + "PortId=" + std::to_string(stored) + "\n");
        uint32_t value = 0;
        ASSERT_TRUE(settings.readValue(kKey, kName, value, error)) << error.text();
        EXPECT_EQ(value, bits);
    }
}

TEST_F(SettingsFileTest, WritingAValueNeedsTheKeyAndASafeName) {
    SettingsFile settings(path);
    SysError error;
    EXPECT_FALSE(settings.writeValue(kKey, kName, 1, error));
    EXPECT_EQ(error.code, uint32_t{ENOENT});
    EXPECT_FALSE(contents());
    ASSERT_TRUE(settings.createKey(kKey, error));
    for (const std::string name : {"", "Port=Id", "[PortId]", "Port\nId", " PortId"}) {
        EXPECT_FALSE(settings.writeValue(kKey, name, 1, error)) << name;
        EXPECT_EQ(error.code, uint32_t{EINVAL});
    }
    for (const std::string& key : std::vector<std::string>{"", "A]B", "A\nB", kDevicesKey}) {
        EXPECT_FALSE(settings.createKey(key, error)) << key;
        EXPECT_EQ(error.code, uint32_t{EINVAL});
    }
    EXPECT_EQ(contents(), kHeader);
}

TEST_F(SettingsFileTest, ACorruptFileFailsEveryCallWithWhereAndWhy) {
    struct Case {
        std::string file;
        std::string reason;  // after "<path>:"
    };
    const Case cases[] = {
        {"PortId=1\n", "1: \"PortId\" stands before any [KEY] line"},
        {kHeader + "PortId=abc\n", "2: the value of \"PortId\" is not a number: \"abc\""},
        {kHeader + "PortId=4294967296\n", "2: the value of \"PortId\" is not a number"},
        {kHeader + "PortId=\n", "2: the value of \"PortId\" is not a number: \"\""},
        {kHeader + "PortId=0x3\n", "2: the value of \"PortId\" is not a number"},
        {kHeader + "just words\n", "2: expected NAME=VALUE or [KEY], found \"just words\""},
        {"[" + kKey + "\nPortId=1\n", "1: a section must be written [KEY]"},
        {"[]\n", "1: a section must be written [KEY]"},
        {kHeader + "PortId=1\nPortId=2\n", "3: \"PortId\" is given twice"},
        {kHeader + "\n" + kHeader, "3: [" + kKey + "] appears twice"},
        {std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10), "1: unreadable characters"},
        {kHeader + "PortId=1\n\x01\x02\n", "3: unreadable characters"},
        {"[" + kDevicesKey + "]\nPort1=/dev/ttyUSB0\n", "2: expected ComN=PATH"},
        {"[" + kDevicesKey + "]\nCom0=/dev/ttyUSB0\n", "2: expected ComN=PATH"},
        {"[" + kDevicesKey + "]\nCom2=\n", "2: \"Com2\" names no device"},
        {std::string(70000, '#'), " too large for a settings file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        put(c.file);
        SettingsFile settings(path);
        SysError error;
        uint32_t value = 0;
        const auto failsWithReason = [&](bool ok) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(error.reason.rfind(path + ":" + c.reason, 0), 0u) << error.reason;
        };
        failsWithReason(settings.openKey(kKey, error));
        failsWithReason(settings.createKey(kKey, error));
        failsWithReason(settings.readValue(kKey, kName, value, error));
        failsWithReason(settings.writeValue(kKey, kName, 1, error));
        const std::map<int, std::string> paths = settings.devicePaths(error);
        EXPECT_TRUE(paths.empty());
        EXPECT_TRUE(error.isError());
        EXPECT_EQ(contents(), c.file) << "a corrupt file is never rewritten";
    }
}

TEST_F(SettingsFileTest, APlaceThatCannotHoldTheFileGivesTheSystemsReason) {
    // A regular file where a directory should be fails for root as well.
    put("");
    const std::string underFile = path + "/settings.ini";
    SettingsFile settings(underFile);
    SysError error;
    uint32_t value = 0;
    EXPECT_FALSE(settings.openKey(kKey, error));
    EXPECT_EQ(error.code, uint32_t{ENOTDIR});
    EXPECT_FALSE(settings.createKey(kKey, error));
    EXPECT_EQ(error.code, uint32_t{ENOTDIR});
    EXPECT_FALSE(settings.readValue(kKey, kName, value, error));
    EXPECT_EQ(error.code, uint32_t{ENOTDIR});
    EXPECT_FALSE(error.text().empty());

    SettingsFile aDirectory(fs::path(path).parent_path().string());
    EXPECT_FALSE(aDirectory.openKey(kKey, error));
    EXPECT_TRUE(error.isError());
}

TEST_F(SettingsFileTest, PermissionsAreTheSystemsToRefuse) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads and writes whatever the mode says";
    put(kHeader + "PortId=2\n");
    const fs::path folder = fs::path(path).parent_path();
    SettingsFile settings(path);
    SysError error;

    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(settings.writeValue(kKey, kName, 3, error));
    EXPECT_EQ(error.code, uint32_t{EACCES});
    fs::permissions(folder, fs::perms::owner_all);

    fs::permissions(path, fs::perms::none);
    EXPECT_FALSE(settings.openKey(kKey, error));
    EXPECT_EQ(error.code, uint32_t{EACCES});
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(contents(), kHeader + "PortId=2\n");
}

TEST_F(SettingsFileTest, ARewriteKeepsEverythingElseAndLeavesNoTemporaryFile) {
    const std::string before =
        "# written by hand\n"
        "[SOFTWARE\\Other]\n"
        "Colour=3\n"
        "\n" +
        kHeader +
        "Other=1\n"
        "\n"
        "[" + kDevicesKey + "]\n"
        "Com1=/dev/ttyUSB0\n"
        "Com7=/dev/serial/by-id/usb-FTDI_a=b\n";
    put(before);
    SettingsFile settings(path);
    SysError error;
    ASSERT_TRUE(settings.writeValue(kKey, kName, 3, error)) << error.text();
    std::string expected = before;
    expected.insert(expected.find("Other=1\n") + 8, "PortId=3\n");
    EXPECT_EQ(contents(), expected);

    ASSERT_TRUE(settings.writeValue(kKey, kName, 4, error));
    expected.replace(expected.find("PortId=3"), 8, "PortId=4");
    EXPECT_EQ(contents(), expected);

    ASSERT_TRUE(settings.createKey("SOFTWARE\\Third", error));
    EXPECT_EQ(contents(), expected + "\n[SOFTWARE\\Third]\n");

    int entries = 0;
    for ([[maybe_unused]] const auto& entry :
         fs::directory_iterator(fs::path(path).parent_path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);

    const std::map<int, std::string> paths = settings.devicePaths(error);
    EXPECT_FALSE(error.isError());
    EXPECT_EQ(paths, (std::map<int, std::string>{{1, "/dev/ttyUSB0"},
                                                 {7, "/dev/serial/by-id/usb-FTDI_a=b"}}));
}

TEST_F(SettingsFileTest, NoDevicesSectionMeansNoPaths) {
    SettingsFile settings(path);
    SysError error;
    EXPECT_TRUE(settings.devicePaths(error).empty());
    EXPECT_FALSE(error.isError());
    put(kHeader + "PortId=1\n");
    EXPECT_TRUE(settings.devicePaths(error).empty());
    EXPECT_FALSE(error.isError());
}

TEST(SettingsFileLocationTest, FollowsTheXdgConfigDirectory) {
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string xdg = savedXdg ? savedXdg : "", home = savedHome ? savedHome : "";

    setenv("HOME", "/home/tech", 1);
    setenv("XDG_CONFIG_HOME", "/srv/conf", 1);
    EXPECT_EQ(SettingsFile::defaultPath(), "/srv/conf/orlant-download/settings.ini");
    setenv("XDG_CONFIG_HOME", "relative/conf", 1);  // not absolute: ignored
    EXPECT_EQ(SettingsFile::defaultPath(), "/home/tech/.config/orlant-download/settings.ini");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(SettingsFile::defaultPath(), "/home/tech/.config/orlant-download/settings.ini");

    savedXdg ? setenv("XDG_CONFIG_HOME", xdg.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    savedHome ? setenv("HOME", home.c_str(), 1) : unsetenv("HOME");
}

}  // namespace
}  // namespace orlant
