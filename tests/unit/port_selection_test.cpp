#include <gtest/gtest.h>

#include <cerrno>

#include "app/ids.h"
#include "app/port_selection.h"
#include "support/shell_fixture.h"

namespace orlant {
namespace {

using test::FakeDevice;
using test::FakePorts;
using test::FakeWindow;
using test::ManualClock;
using test::MemorySettings;

// What the remembered value becomes at start-up: the button shown, the port
// opened, the log, and what the store holds afterwards.
TEST(RememberedPort, EachStoredStateStartsTheRightPort) {
    enum Stored { None, KeyOnly, Value, Corrupt, Unwritable };
    struct Case {
        const char* name;
        Stored stored;
        uint32_t value;
        int radio;
        int opened;
        std::vector<std::string> log;
        bool valueAfter;  // the store holds PortId afterwards
    };
    const std::vector<Case> cases = {
        {"no key", None, 0, ID_COM1, 1, {}, true},
        {"key without value", KeyOnly, 0, ID_COM1, 1,
         {"RegQueryValueEx failed.", "No such file or directory"}, false},
        {"zero", Value, 0, ID_COM1, 1, {}, true},
        {"minus five", Value, static_cast<uint32_t>(-5), ID_COM1, 1, {}, true},
        {"three", Value, 3, ID_COM3, 3, {}, true},
        {"seven", Value, 7, ID_COM1, 7, {}, true},
        {"nine", Value, 9, ID_COM1, 9, {}, true},
        {"corrupt", Corrupt, 0, ID_COM1, 1,
         {"RegQueryValueEx failed.", "settings.ini:2: not a number"}, false},
        {"unwritable", Unwritable, 0, ID_COM1, 1,
         {"RegCreateKeyEx failed.", "Permission denied"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWindow window;
        ManualClock clock;
        test::RecordingDesktop desktop;
        FakePorts ports;
        MemorySettings settings;
        for (int n : {1, 3, 7, 9}) ports.devices[n] = std::make_shared<FakeDevice>();
        switch (c.stored) {
        case None: break;
        case KeyOnly: settings.keys[PORT_KEY]; break;
        case Value: settings.keys[PORT_KEY][PORT_VALUE] = c.value; break;
        case Corrupt: settings.openError = SysError::because("settings.ini:2: not a number"); break;
        case Unwritable: settings.createError = SysError(EACCES); break;
        }
        test::MemoryResources resources;
        Shell shell{Services{window, clock, desktop, ports, settings, resources}};
        window.attach(&shell);
        shell.start();
        window.pump();
        EXPECT_EQ(window.checkedRadio, c.radio);
        ASSERT_EQ(ports.opened.size(), 1u);
        EXPECT_EQ(ports.opened[0], c.opened);
        std::vector<std::string> expected = c.log;
        expected.push_back("Opening Device Com" + std::to_string(c.opened) + " ...");
        expected.push_back("Device Com" + std::to_string(c.opened) + " opened successfully.");
        EXPECT_EQ(window.log, expected);
        bool hasValue = settings.keys.count(PORT_KEY) && settings.keys[PORT_KEY].count(PORT_VALUE);
        EXPECT_EQ(hasValue, c.valueAfter);
        if (c.stored == None) {
            EXPECT_EQ(settings.keys[PORT_KEY][PORT_VALUE], 1u);
        }
        window.close();
        shell.teardown();
    }
}

TEST(RememberedPort, WritingReportsEachFailure) {
    FakeWindow window;
    MemorySettings settings;
    EXPECT_EQ(WritePortId(window, settings, 3), 3u);
    EXPECT_EQ(settings.keys[PORT_KEY][PORT_VALUE], 3u);

    settings.writeError = SysError(EROFS);
    EXPECT_EQ(WritePortId(window, settings, 4), 0u);
    EXPECT_EQ(settings.keys[PORT_KEY][PORT_VALUE], 3u);  // the old value stays
    EXPECT_EQ(window.log, (std::vector<std::string>{"RegSetValueEx failed.",
                                                    "Read-only file system"}));
}

class PortChange : public test::ShellFixture {};

TEST_F(PortChange, ClosesTheOldPortWithPausesThenOpensTheNew) {
    auto com2 = std::make_shared<FakeDevice>();
    ports.devices[2] = com2;
    start();
    ASSERT_TRUE(window.pumpUntil([&] { return com1->waits() > 0; }));
    window.log.clear();
    auto sleepsBefore = clock.sleeps().size();

    shell.onCommand(ID_COM2);
    window.pump();
    EXPECT_EQ(window.log, (std::vector<std::string>{"Opening Device Com2 ...",
                                                    "Closing current device ...",
                                                    "Device Com2 opened successfully."}));
    auto events = com1->events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[events.size() - 2], "wake");
    EXPECT_EQ(events.back(), "close");
    auto sleeps = clock.sleeps();
    std::vector<uint32_t> pauses;
    for (size_t i = sleepsBefore; i < sleeps.size(); ++i)
        if (sleeps[i] == 250) pauses.push_back(sleeps[i]);
    EXPECT_EQ(pauses.size(), 2u);
    EXPECT_EQ(shell.port().handle(), com2);
    EXPECT_EQ(settings.keys[PORT_KEY][PORT_VALUE], 2u);
    // The receive thread moves over to the new port.
    EXPECT_TRUE(window.pumpUntil([&] { return com2->waits() > 0; }));
}

TEST_F(PortChange, APortThatCannotOpenIsReportedAndStillRemembered) {
    OpenResult denied;
    denied.error = SysError(EACCES);
    denied.advice = "Add your user to the group 'dialout'.";
    ports.failures[3] = denied;
    start();
    window.log.clear();
    int beeps = window.beeps;

    shell.onCommand(ID_COM3);
    window.pump();
    EXPECT_EQ(window.log, (std::vector<std::string>{
                              "Opening Device Com3 ...", "Closing current device ...",
                              "Unable to open com port.", "Permission denied",
                              "Add your user to the group 'dialout'."}));
    EXPECT_EQ(window.beeps, beeps + 1);
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].text,
              "Unable to open the selected com port.  Another device may be using the port.  "
              "Select another port.");
    EXPECT_EQ(window.boxes[0].caption, WindowTitle);
    EXPECT_EQ(window.boxes[0].buttons, BoxButtons::Ok);
    EXPECT_EQ(window.boxes[0].icon, BoxIcon::None);
    EXPECT_FALSE(shell.port().isOpen());
    EXPECT_EQ(settings.keys[PORT_KEY][PORT_VALUE], 3u);
    window.tick();
    EXPECT_EQ(window.barColor, Color::Black);
}

TEST_F(PortChange, ALostDeviceIsClosedOnceAndTheBarTurnsBlack) {
    start();
    ASSERT_TRUE(window.pumpUntil([&] { return com1->waits() > 0; }));
    com1->failNextWait(WaitOutcome::Lost);
    ASSERT_TRUE(window.pumpUntil([&] { return !shell.port().isOpen(); }));
    EXPECT_TRUE(com1->closed());
    EXPECT_EQ(window.log.back(),
              "Device Com1 stopped responding and was closed (cable or adapter removed?).  Select "
              "the port again.");
    window.tick();
    EXPECT_EQ(window.barColor, Color::Black);
    EXPECT_EQ(shell.state().lineState, LINE_PORT_CLOSED);
}

}  // namespace
}  // namespace orlant
