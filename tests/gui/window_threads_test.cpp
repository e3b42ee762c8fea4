// Other threads reaching the window, modal boxes that keep the window
// working, and the ways the program ends.
#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <thread>

#include "app/event_log.h"
#include "app/ids.h"
#include "gui_support.h"
#include "platform/qt/window_queue.h"

namespace orlant::test {
namespace {

// Waits, without running any event loop, until `done()` holds: the state
// another thread reaches on its own. Bounded at about two seconds.
bool SpinUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 2000 && !done(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

// Runs the window until the program ends; a test whose end never comes gets
// exit code 99 after five seconds instead of hanging.
int RunWithDeadline(qt::QtWindow& window) {
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [&] { window.endProgram(99); });
    deadline.start(5000);
    return window.run();
}

// --- the queue alone, the test thread standing in for the window thread -------

TEST(WindowQueue, PostsAndSendsRunInTheOrderMade) {
    std::atomic<int> wakes{0};
    WindowQueue queue([&] { ++wakes; });
    std::vector<std::string> seen;
    auto deliver = [&](const PostedMessage& m) { seen.push_back("post " + std::to_string(m.id)); };

    queue.post(PostedMessage{1});
    std::thread sender([&] { EXPECT_TRUE(queue.sendAndWait([&] { seen.push_back("send"); })); });
    ASSERT_TRUE(SpinUntil([&] { return queue.pending() == 2; }));
    queue.post(PostedMessage{2});
    for (int i = 0; i < 3; ++i) queue.runOne(deliver);
    sender.join();

    EXPECT_EQ(seen, (std::vector<std::string>{"post 1", "send", "post 2"}));
    EXPECT_EQ(wakes.load(), 3) << "one wake per job";
    queue.runOne(deliver);  // an extra wake finds nothing
    EXPECT_EQ(seen.size(), 3u);
}

TEST(WindowQueue, CloseReleasesWaitingSendersWithoutRunningThem) {
    WindowQueue queue([] {});
    bool ran = false;
    bool result = true;
    std::thread sender([&] { result = queue.sendAndWait([&] { ran = true; }); });
    ASSERT_TRUE(SpinUntil([&] { return queue.pending() == 1; }));
    queue.close();
    sender.join();
    EXPECT_FALSE(result);
    EXPECT_FALSE(ran);

    // Once closed nothing is queued or run any more.
    std::thread late([&] { result = queue.sendAndWait([&] { ran = true; }); });
    late.join();
    queue.post(PostedMessage{9});
    EXPECT_EQ(queue.pending(), 0u);
    queue.runOne([&](const PostedMessage&) { ran = true; });
    EXPECT_FALSE(ran);
}

TEST(WindowQueue, ASendRunningWhenTheWindowClosesKeepsItsSenderWaiting) {
    // The send's function itself lets the window close (as a modal box in
    // it would); its sender's locals must outlive the function.
    WindowQueue queue([] {});
    std::atomic<bool> returned{false};
    std::thread sender([&] {
        int local = 0;
        queue.sendAndWait([&] {
            queue.close();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            EXPECT_FALSE(returned.load()) << "the sender left while its function ran";
            local = 1;
        });
        EXPECT_EQ(local, 1);
        returned = true;
    });
    ASSERT_TRUE(SpinUntil([&] { return queue.pending() == 1; }));
    queue.runOne([](const PostedMessage&) {});
    sender.join();
    EXPECT_TRUE(returned.load());
}

// --- the window ----------------------------------------------------------------

using WindowThreads = QtShellFixture;

// Answers the next message box with `button` once `ready()` holds (or after
// five seconds, so a broken test ends), after handing it to `inspect`.
void AnswerNextBox(QMessageBox::StandardButton button, std::function<bool()> ready,
                   std::function<void(QMessageBox&)> inspect = {}) {
    auto* poll = new QTimer;
    auto started = std::chrono::steady_clock::now();
    QObject::connect(poll, &QTimer::timeout, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        bool late = std::chrono::steady_clock::now() - started > std::chrono::seconds(5);
        if (box == nullptr || (!ready() && !late)) return;
        poll->stop();
        poll->deleteLater();
        if (inspect) inspect(*box);
        box->button(button)->click();
    });
    poll->start(5);
}

TEST_F(WindowThreads, ABoxKeepsHandlingSendsPostsAndTicks) {
    startAndShow();
    constexpr uint32_t kProbe = WM_USER + 0x77;
    std::atomic<bool> workerDone{false};
    std::thread worker;
    int ticksAtOpen = -1;
    QTimer::singleShot(0, [&] {
        // Runs inside the box's own loop.
        ticksAtOpen = procedure.ticks;
        worker = std::thread([&] {
            AppendLogLine(window, "from the worker");  // blocks until the window ran it
            window.post(PostedMessage{kProbe});
            workerDone = true;
        });
    });
    auto allSeen = [&] {
        bool posted = std::find(procedure.messages.begin(), procedure.messages.end(), kProbe) !=
                      procedure.messages.end();
        return workerDone && posted && ticksAtOpen >= 0 && procedure.ticks >= ticksAtOpen + 2;
    };
    AnswerNextBox(QMessageBox::Ok, allSeen);
    BoxAnswer answer =
        window.messageBox("Please wait", WindowTitle, BoxButtons::Ok, BoxIcon::None, true);
    if (worker.joinable()) worker.join();

    EXPECT_EQ(answer, BoxAnswer::Ok);
    EXPECT_TRUE(workerDone.load());
    EXPECT_EQ(window.logLine(window.logCount() - 1), std::optional<std::string>("from the worker"));
    EXPECT_EQ(procedure.messages.back(), kProbe);
    EXPECT_GE(procedure.ticks, ticksAtOpen + 2) << "the timer stopped while the box was open";
}

TEST_F(WindowThreads, BoxesShowWhatTheCoreAsksAndAnswerWhatWasClicked) {
    startAndShow();
    struct Case {
        BoxButtons buttons;
        BoxIcon icon;
        bool owned;
        QMessageBox::StandardButton click;
        BoxAnswer answer;
        QMessageBox::Icon shownIcon;
    };
    const Case cases[] = {
        {BoxButtons::Ok, BoxIcon::Error, true, QMessageBox::Ok, BoxAnswer::Ok,
         QMessageBox::Critical},
        {BoxButtons::OkCancel, BoxIcon::None, true, QMessageBox::Cancel, BoxAnswer::Cancel,
         QMessageBox::NoIcon},
        {BoxButtons::OkCancel, BoxIcon::None, false, QMessageBox::Ok, BoxAnswer::Ok,
         QMessageBox::NoIcon},
        {BoxButtons::YesNo, BoxIcon::Question, true, QMessageBox::Yes, BoxAnswer::Yes,
         QMessageBox::Question},
        {BoxButtons::YesNo, BoxIcon::Question, false, QMessageBox::No, BoxAnswer::No,
         QMessageBox::Question},
    };
    for (const Case& c : cases) {
        QWidget* parent = reinterpret_cast<QWidget*>(1);
        QString caption, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int buttons = 0;
        AnswerNextBox(c.click, [] { return true; }, [&](QMessageBox& box) {
            parent = box.parentWidget();
            caption = box.windowTitle();
            text = box.text();
            icon = box.icon();
            buttons = static_cast<int>(box.buttons().size());
        });
        BoxAnswer answer =
            window.messageBox("Are you sure?", WindowTitle, c.buttons, c.icon, c.owned);
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(parent, c.owned ? &window : nullptr);
        EXPECT_EQ(caption.toStdString(), WindowTitle);
        EXPECT_EQ(text, "Are you sure?");
        EXPECT_EQ(icon, c.shownIcon);
        EXPECT_EQ(buttons, c.buttons == BoxButtons::Ok ? 1 : 2);
    }
}

TEST_F(WindowThreads, PostsFromAnotherThreadArriveInOrder) {
    startAndShow();
    std::thread worker([&] {
        for (uint32_t i = 0; i < 50; ++i) window.post(PostedMessage{WM_USER + 0x100 + i});
    });
    worker.join();
    ASSERT_TRUE(ProcessUntil([&] { return procedure.messages.size() >= 50; }));
    for (uint32_t i = 0; i < 50; ++i) EXPECT_EQ(procedure.messages[i], WM_USER + 0x100 + i);
}

TEST_F(WindowThreads, ASendOnTheWindowThreadRunsAtOnce) {
    startAndShow();
    bool ran = false;
    window.send([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST_F(WindowThreads, RepaintRequestsBecomeOneLaterPaint) {
    startAndShow();
    ProcessPending();
    int before = procedure.paints;
    for (int i = 0; i < 5; ++i) window.invalidate(i % 2 == 0);
    EXPECT_EQ(procedure.paints, before) << "the core was called from inside invalidate()";
    ProcessPending();
    EXPECT_EQ(procedure.paints, before + 1);
}

TEST_F(WindowThreads, TheTimerTicks) {
    startAndShow();
    int before = procedure.ticks;
    EXPECT_TRUE(ProcessUntil([&] { return procedure.ticks >= before + 2; }));
}

TEST_F(WindowThreads, EnterDoesNothingAndNoButtonStartsFocused) {
    startAndShow();
    // As a dialog that sets no focus: Space at start presses nothing.
    EXPECT_EQ(QApplication::focusWidget(), &window);
    PressKey(&window, Qt::Key_Space);
    window.control(ID_CLOSE)->setFocus();
    PressKey(&window, Qt::Key_Return);
    window.setFocus();
    PressKey(&window, Qt::Key_Enter);
    ProcessPending();
    EXPECT_TRUE(procedure.commands.empty());
    EXPECT_FALSE(window.ended());
    EXPECT_TRUE(window.isVisible());
}

TEST_F(WindowThreads, EndingReleasesAWorkerBlockedInSend) {
    startAndShow();
    window.endProgram(0);  // queued ahead of the worker's send
    std::atomic<bool> ran{false}, returned{false};
    std::thread worker([&] {
        window.send([&] { ran = true; });
        returned = true;
    });
    ASSERT_TRUE(SpinUntil([&] { return window.pendingCrossThread() == 1; }));
    // The core's teardown joins its threads; this one is blocked in send().
    afterTeardown = [&] { worker.join(); };
    EXPECT_EQ(RunWithDeadline(window), 0);
    EXPECT_TRUE(returned.load());
    EXPECT_FALSE(ran.load()) << "a send ran after the window closed";
    EXPECT_TRUE(tornDown);
}

TEST_F(WindowThreads, EndingWhileABoxIsOpenClosesIt) {
    startAndShow();
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] { window.endProgram(0); });
        window.messageBox("Still here?", WindowTitle, BoxButtons::YesNo, BoxIcon::Question, true);
    });
    EXPECT_EQ(RunWithDeadline(window), 0);
    EXPECT_TRUE(tornDown);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// Each way the operator can end the program ends it at once with code 0,
// after the shell's teardown.
struct Ending {
    const char* name;
    std::function<void(qt::QtWindow&)> act;
};

void PrintTo(const Ending& ending, std::ostream* out) { *out << ending.name; }

class WindowEnding : public QtShellFixture, public ::testing::WithParamInterface<Ending> {};

TEST_P(WindowEnding, EndsWithExitCodeZero) {
    startAndShow();
    QTimer::singleShot(0, [&] { GetParam().act(window); });
    EXPECT_EQ(RunWithDeadline(window), 0);
    EXPECT_TRUE(tornDown);
    EXPECT_TRUE(window.ended());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(shell.state().ReceiveStopRequested.load(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, WindowEnding,
    ::testing::Values(
        Ending{"Esc", [](qt::QtWindow& w) { PressKey(&w, Qt::Key_Escape); }},
        Ending{"EscWithTheListFocused",
               [](qt::QtWindow& w) {
                   w.setServicePanelShown(true);
                   w.control(ID_LOG_LIST)->setFocus();
                   PressKey(&w, Qt::Key_Escape);
               }},
        Ending{"CloseBox", [](qt::QtWindow& w) { w.close(); }},
        Ending{"CloseButton",
               [](qt::QtWindow& w) {
                   qobject_cast<QPushButton*>(w.control(ID_CLOSE))->click();
               }}),
    [](const ::testing::TestParamInfo<Ending>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orlant::test
