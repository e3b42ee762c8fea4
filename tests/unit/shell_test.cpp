#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

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

// Every command id and what it visibly does. Ids not in the window's table
// and the guide's texts do nothing at all.
TEST_F(ShellTest, RoutesEveryCommand) {
    start();
    struct Case {
        int id;
        std::function<bool()> happened;
    };
    auto endedWith0 = [&] { return window.endCode == 0; };
    const std::vector<Case> cases = {
        {ID_CANCEL, endedWith0},
        {ID_CLOSE, endedWith0},
        {ID_CLEAR_LOG, [&] { return window.log.empty(); }},
        {ID_RAW_TRACE, [&] { return shell.state().RawTraceEnabled == 1; }},
        {ID_SAVE_LOG, [&] { return desktop.opened.size() == 1; }},
        {ID_SAVE_SELECTED, [&] { return desktop.opened.size() == 1; }},
        {ID_COM1, [&] { return ports.opened.size() == 2; }},
        {ID_COM2, [&] { return ports.opened.back() == 2 && settings.keys[PORT_KEY][PORT_VALUE] == 2; }},
    };
    std::string tmp = ::testing::TempDir();
    setenv("TMPDIR", tmp.c_str(), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        window.endCode = -1;
        window.log = {"x"};
        shell.state().RawTraceEnabled = 0;
        desktop.opened.clear();
        window.boxAnswers = {BoxAnswer::Ok};
        shell.onCommand(c.id);
        window.pump();
        EXPECT_TRUE(c.happened());
    }
    unsetenv("TMPDIR");

    for (int id : std::vector<int>{ID_OK, ID_LOG_LIST, ID_STATUS_LINE, 1009, 1020, ID_PROMPT, ID_HEADING, ID_TEXT2,
                   ID_TEXT1, 0, 9999}) {
        SCOPED_TRACE(id);
        auto before = window.calls.size();
        window.log = {"x"};
        shell.onCommand(id);
        window.pump();
        EXPECT_EQ(window.calls.size(), before);
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
