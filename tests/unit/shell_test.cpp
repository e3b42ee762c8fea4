#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "app/ids.h"
#include "support/shell_fixture.h"

namespace orlant {
namespace {

using test::ShellFixture;

class ShellTest : public ShellFixture {};

// Index of the first recorded call that starts with `prefix`.
long callIndex(const std::vector<std::string>& calls, const std::string& prefix) {
    auto it = std::find_if(calls.begin(), calls.end(),
                           [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    return it == calls.end() ? -1 : it - calls.begin();
}

TEST_F(ShellTest, StartsUpInOrder) {
    settings.keys[PORT_KEY][PORT_VALUE] = 1;
    start();
    EXPECT_EQ(window.title, WindowTitle);
    std::vector<long> order = {
        callIndex(window.calls, "title "),
        callIndex(window.calls, "status "),
        callIndex(window.calls, "radio 1010"),
        callIndex(window.calls, "timer 100"),
    };
    for (long i : order) EXPECT_GE(i, 0);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    EXPECT_EQ(window.log, (std::vector<std::string>{"Opening Device Com1 ...",
                                                    "Device Com1 opened successfully."}));
    EXPECT_EQ(shell.state().guide.step, STEP_CONNECT_CABLE);
    EXPECT_EQ(shell.state().InitialClientWidth, window.client.width());
    // Each port button tells which device it opens.
    EXPECT_EQ(window.toolTips[ID_COM3], "/dev/fake3");
    // The port is set up before the receive thread may use it.
    EXPECT_EQ(com1->events(), (std::vector<std::string>{"purge", "configure 38400 8 parity 1 stop 0 flags 0",
                                                        "dtr rts"}));
    EXPECT_TRUE(window.pumpUntil([&] { return com1->waits() > 0; }));
}

TEST_F(ShellTest, TeardownStopsTheReceiveThreadAndClosesThePort) {
    start();
    ASSERT_TRUE(window.pumpUntil([&] { return com1->waits() > 0; }));
    shell.teardown();
    EXPECT_EQ(shell.state().ReceiveStopRequested, 1);
    EXPECT_TRUE(com1->closed());
    EXPECT_FALSE(shell.port().isOpen());
    EXPECT_EQ(window.beeps, 0);  // our own close is no failure
}

TEST_F(ShellTest, TeardownWithNoPortEndsTheIdleThreadAtOnce) {
    ports.devices.clear();
    window.boxAnswers = {BoxAnswer::Ok};
    start();
    shell.teardown();  // would hang here if the idle pause ignored the stop
    EXPECT_FALSE(shell.port().isOpen());
}

// Every command id of the window's table and what it visibly does; ids
// outside the table, and the guide's texts, do nothing at all.
TEST_F(ShellTest, RoutesEveryCommand) {
    start();
    window.tick();  // the line is seen: Next is enabled on page 1
    auto endedWith0 = [&] { return window.endCode == 0; };
    auto asked = [&](const char* question) {
        return [this, question] { return !window.boxes.empty() && window.boxes.back().text == question; };
    };
    auto selected = [&](int n) {
        return [this, n] {
            return ports.opened.back() == n && settings.keys[PORT_KEY][PORT_VALUE] == uint32_t(n);
        };
    };
    auto nothing = [&] { return window.calls.empty() && com1->written().empty(); };
    // COM1 as it is opened again, for the stream.
    auto reopened = std::make_shared<test::FakeDevice>();
    const std::map<int, std::function<bool()>> effects = {
        {ID_CANCEL, endedWith0},
        {ID_CLOSE, endedWith0},
        {ID_CLEAR_LOG, [&] { return window.log.empty(); }},
        {ID_RAW_TRACE, [&] { return shell.state().RawTraceEnabled == 1; }},
        {ID_SAVE_LOG, [&] { return desktop.opened.size() == 1; }},
        {ID_SAVE_SELECTED, [&] { return desktop.opened.size() == 1; }},
        {ID_COM1, selected(1)},
        {ID_COM2, selected(2)},
        {ID_COM3, selected(3)},
        {ID_COM4, selected(4)},
        {ID_NEXT, [&] { return shell.state().guide.step == STEP_READY_UNIT; }},
        {ID_BACK, [&] { return shell.state().guide.step == STEP_CONNECT_CABLE; }},
        {ID_ERASE_FLASH, asked("Are you sure you want to erase the flash?")},
        {ID_BOOTLOADER_DOWNLOAD, asked("Are you sure you want to download the bootloader code?")},
        {ID_STREAM_38400, [&] {
             return window.pumpUntil([&] {
                 return shell.state().guide.step == STEP_FINISHING && shell.state().rawBusy == 0;
             }) && reopened->written().size() == 250000;
         }},
        // The service transfers over the packet link are not part of this
        // program yet: their commands are answered with nothing.
        {ID_SEND_CODE19, nothing},
        {ID_NLEC_SEND_OR_HALT, nothing},
        {ID_NLEC_RECEIVE, nothing},
        {ID_SEND_BITMAP, nothing},
        {ID_RECEIVE_SETTINGS, nothing},
        {ID_SEND_SETTINGS, nothing},
        {ID_RECEIVE_PROGRAM, nothing},
        {ID_SEND_PROGRAM, nothing},
    };
    std::string tmp = ::testing::TempDir();
    setenv("TMPDIR", tmp.c_str(), 1);
    ports.devices[2] = std::make_shared<test::FakeDevice>();
    // In table order: Next comes before Back, and COM1 is open again before
    // the stream.
    std::vector<int> order;
    for (const auto& route : Shell::commandTable()) order.push_back(route.id);
    std::stable_partition(order.begin(), order.end(), [](int id) { return id != ID_STREAM_38400; });
    for (int id : order) {
        SCOPED_TRACE(id);
        auto effect = effects.find(id);
        ASSERT_NE(effect, effects.end()) << "no expectation for command " << id;
        window.endCode = -1;
        window.log = {"x"};
        window.calls.clear();
        window.boxes.clear();
        window.boxAnswers = {BoxAnswer::Cancel};
        shell.state().RawTraceEnabled = 0;
        desktop.opened.clear();
        if (id == ID_STREAM_38400) {
            ports.devices[1] = reopened;
            shell.onCommand(ID_COM1);
        }
        shell.onCommand(id);
        window.pump();
        EXPECT_TRUE(effect->second());
    }
    EXPECT_EQ(effects.size(), Shell::commandTable().size());
    unsetenv("TMPDIR");

    for (int id : std::vector<int>{ID_OK, ID_LOG_LIST, ID_STATUS_LINE, 1009, 1020, ID_PROMPT,
                                   ID_HEADING, ID_TEXT2, ID_TEXT1, 0, 9999}) {
        SCOPED_TRACE(id);
        window.calls.clear();
        window.log = {"x"};
        shell.onCommand(id);
        window.pump();
        EXPECT_TRUE(window.calls.empty());
        EXPECT_EQ(window.log.size(), 1u);
    }
}

TEST_F(ShellTest, ClearingTheLogIsQueuedBehindWaitingLines) {
    start();
    shell.onCommand(ID_CLEAR_LOG);
    EXPECT_FALSE(window.log.empty());  // posted, not done yet
    window.pump();
    EXPECT_TRUE(window.log.empty());
}

TEST_F(ShellTest, RawDoneEndsTheStripBeepsAndMovesToFinishing) {
    start();
    shell.strip().create(250, StripRange::Short);
    int beeps = window.beeps;
    window.post(PostedMessage(MSG_RAW_DONE, 0, 1));
    window.pump();
    EXPECT_FALSE(window.stripShown);
    EXPECT_EQ(window.beeps, beeps + 1);
    EXPECT_EQ(shell.state().guide.step, STEP_FINISHING);
    auto beep = std::find(window.calls.rbegin(), window.calls.rend(), "beep");
    EXPECT_NE(std::find(window.calls.rbegin(), beep, "invalidate"), beep);  // after the beep

    // With no strip it still beeps and moves on.
    shell.state().guide.step = STEP_CONNECT_CABLE;
    window.post(PostedMessage(MSG_RAW_DONE, 0, 1));
    window.pump();
    EXPECT_EQ(window.beeps, beeps + 2);
    EXPECT_EQ(shell.state().guide.step, STEP_FINISHING);
}

TEST_F(ShellTest, ANewStripReplacesTheOldOne) {
    start();
    shell.strip().create(70000, StripRange::Short);
    EXPECT_EQ(window.stripUpper, 70000u - 65536u);  // the short range keeps 16 bits
    shell.strip().create(70000, StripRange::Full);
    EXPECT_EQ(window.stripUpper, 70000u);
    EXPECT_EQ(std::count(window.calls.begin(), window.calls.end(), "strip destroy"), 1);
    const Rect& r = window.stripRect;
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, window.client.bottom - 10);
    EXPECT_EQ(r.height(), 10);
    EXPECT_EQ(r.width(), window.client.right - 20);
    shell.strip().advance(5);
    shell.strip().advance(5);
    EXPECT_EQ(window.stripPosition, 10u);
}

TEST_F(ShellTest, TheLogListKeepsItsMarginsWhenTheWindowIsResized) {
    start();
    Rect list = window.controlRect(ID_LOG_LIST);
    const Rect& client = window.client;
    shell.onSize(SIZE_MAXIMIZED, client.width() + 100, client.height() + 50);
    EXPECT_EQ(window.controlRect(ID_LOG_LIST).width(), list.width() + 100);
    EXPECT_EQ(window.controlRect(ID_LOG_LIST).height(), list.height() + 50);
    shell.onSize(SIZE_MINIMIZED, 0, 0);
    EXPECT_EQ(window.controlRect(ID_LOG_LIST).width(), list.width() + 100);
    shell.onSize(SIZE_RESTORED, client.width(), client.height());
    EXPECT_EQ(window.controlRect(ID_LOG_LIST).width(), list.width());
}

}  // namespace
}  // namespace orlant
