// The main window as laid out from dialog template 101, with the real shell.
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

#include <cerrno>

#include "app/event_log.h"
#include "app/ids.h"
#include "gui_support.h"
#include "platform/qt/service_panel.h"

namespace orlant::test {
namespace {

using qt::DialogUnits;

// Dialog units to pixels the way Windows maps a dialog rectangle: each edge
// by MulDiv with the base units, rounded half up.
Rect expectedRect(const DialogUnits& u, int x, int y, int w, int h) {
    auto mx = [&](int du) { return (du * u.charWidth * 2 + 4) / 8; };
    auto my = [&](int du) { return (du * u.charHeight * 2 + 8) / 16; };
    return Rect{mx(x), my(y), mx(x + w), my(y + h)};
}

void expectRect(const Rect& actual, const Rect& expected, int id) {
    EXPECT_EQ(actual.left, expected.left) << "control " << id;
    EXPECT_EQ(actual.top, expected.top) << "control " << id;
    EXPECT_EQ(actual.right, expected.right) << "control " << id;
    EXPECT_EQ(actual.bottom, expected.bottom) << "control " << id;
}

using MainWindow = QtShellFixture;

TEST_F(MainWindow, DialogFontIsArialOrItsMetricTwin) {
    // Without Arial or Liberation Sans every control lands elsewhere.
    QString family = QFontInfo(qt::DialogFont()).family();
    EXPECT_TRUE(family == "Arial" || family == "Liberation Sans")
        << family.toStdString() << " (install fonts-liberation2)";
    DialogUnits units = window.dialogUnits();
    EXPECT_EQ(units.charWidth, 8);
    EXPECT_EQ(units.charHeight, 15);
}

TEST_F(MainWindow, ShowsTheTitleAndTheTemplateLayout) {
    startAndShow();
    EXPECT_EQ(window.windowTitle().toStdString(),
              "Orlant (v1.1.0) 2 Dodi Software Download Utility");

    const DialogUnits& u = window.dialogUnits();
    Rect client = window.clientRect();
    Rect whole = expectedRect(u, 0, 0, 227, 188);
    EXPECT_EQ(client.width(), whole.right);
    EXPECT_EQ(client.height(), whole.bottom);
    EXPECT_EQ(window.width(), whole.right) << "the frame is not sizeable";
    EXPECT_EQ(window.pos(), QPoint(0, 0));

    struct Placed {
        int id, x, y, w, h;
    };
    const Placed placed[] = {
        {ID_CLOSE, 169, 145, 50, 14}, {ID_NEXT, 61, 145, 50, 14},  {ID_BACK, 7, 145, 50, 14},
        {ID_COM1, 7, 167, 34, 10},    {ID_COM4, 184, 167, 34, 10}, {ID_HEADING, 7, 7, 212, 18},
        {ID_TEXT2, 7, 82, 155, 40},
    };
    for (const Placed& p : placed) {
        ASSERT_NE(window.control(p.id), nullptr) << "control " << p.id;
        EXPECT_TRUE(window.control(p.id)->isVisible()) << "control " << p.id;
        expectRect(window.controlRect(p.id), expectedRect(u, p.x, p.y, p.w, p.h), p.id);
    }
}

TEST_F(MainWindow, TabOrderFollowsTheTemplate) {
    startAndShow();
    std::vector<int> order;
    QWidget* widget = window.control(ID_CLOSE);
    for (int i = 0; i < 50 && order.size() < 7; ++i, widget = widget->nextInFocusChain()) {
        if (!(widget->focusPolicy() & Qt::TabFocus)) continue;
        for (int id : {ID_CLOSE, ID_COM1, ID_COM2, ID_COM3, ID_COM4, ID_NEXT, ID_BACK}) {
            if (window.control(id) == widget) order.push_back(id);
        }
    }
    EXPECT_EQ(order, (std::vector<int>{ID_CLOSE, ID_COM1, ID_COM2, ID_COM3, ID_COM4, ID_NEXT,
                                       ID_BACK}));
}

TEST_F(MainWindow, FirstPaintAppliesTheCoresFirstPage) {
    startAndShow();
    auto text = [&](int id) { return qobject_cast<QLabel*>(window.control(id))->text(); };
    EXPECT_EQ(text(ID_HEADING), "STEP 1 - Connecting the Serial Cable");
    EXPECT_EQ(text(ID_TEXT1), "Turn the Orlant power switch to the OFF position.");
    EXPECT_FALSE(window.isEnabled(ID_BACK));
    EXPECT_TRUE(window.isEnabled(ID_CLOSE));
    auto* com1Button = qobject_cast<QAbstractButton*>(window.control(ID_COM1));
    EXPECT_TRUE(com1Button->isChecked());
}

TEST_F(MainWindow, GuidePicturesAreDrawnInTheirSlots) {
    startAndShow();
    // Page 1 shows the power switch (199) in slot 1 and the cable (201) in 2.
    QImage shown = window.grab().toImage();
    const int pictures[] = {0, 199, 201};
    for (int slot = 1; slot <= 2; ++slot) {
        QImage picture(QStringLiteral(":/pictures/%1.png").arg(pictures[slot]));
        ASSERT_FALSE(picture.isNull()) << "picture " << pictures[slot] << " is not built in";
        QRect place = qt::PictureSlot(slot);
        EXPECT_EQ(shown.copy(place).convertToFormat(QImage::Format_RGB32),
                  picture.copy(0, 0, place.width(), place.height())
                      .convertToFormat(QImage::Format_RGB32))
            << "slot " << slot;
    }
}

TEST_F(MainWindow, IgnoresControlsTheLayoutLacks) {
    startAndShow();
    const int absent[] = {ID_SEND_BITMAP, ID_RECEIVE_PROGRAM, 1020, 9999};
    for (int id : absent) {
        window.setText(id, "x");
        window.setEnabled(id, true);
        window.setShown(id, true);
        window.resizeControl(id, 10, 10);
        window.checkRadio(id);
        EXPECT_FALSE(window.isEnabled(id)) << id;
        EXPECT_EQ(window.controlRect(id).width(), 0) << id;
    }
}

TEST_F(MainWindow, ServicePanelOpensWithF12AndTheToggle) {
    // The shell measures the list's size at start, while the panel is hidden.
    Rect listAtStart = window.controlRect(ID_LOG_LIST);
    ASSERT_GT(listAtStart.width(), 0);
    ASSERT_GT(listAtStart.height(), 0);
    startAndShow();
    int dialogHeight = window.height();
    EXPECT_FALSE(window.servicePanelShown());
    EXPECT_FALSE(window.control(ID_LOG_LIST)->isVisible());
    EXPECT_TRUE(window.serviceToggle()->isVisible());

    PressKey(&window, Qt::Key_F12);
    ASSERT_TRUE(ProcessUntil([&] { return window.control(ID_LOG_LIST)->isVisible(); }));
    EXPECT_GT(window.height(), dialogHeight);
    EXPECT_TRUE(window.serviceToggle()->isChecked());
    // The list sits below the dialog area, and the shell's resize rule,
    // run on the growth, leaves it the size it had.
    EXPECT_GE(window.controlRect(ID_LOG_LIST).top, dialogHeight);
    ProcessPending();
    EXPECT_EQ(procedure.lastSize.kind, SIZE_RESTORED);
    EXPECT_EQ(procedure.lastSize.height, dialogHeight);
    expectRect(window.controlRect(ID_LOG_LIST), listAtStart, ID_LOG_LIST);
    EXPECT_TRUE(window.control(ID_STATUS_LINE)->isVisible());
    for (const qt::ServiceButton& b : qt::ServiceButtons()) {
        ASSERT_NE(window.control(b.id), nullptr) << b.caption;
        EXPECT_TRUE(window.control(b.id)->isVisible()) << b.caption;
        EXPECT_TRUE(window.rect().contains(window.control(b.id)->geometry().translated(0, dialogHeight)))
            << b.caption << " lies outside the window";
    }

    window.serviceToggle()->click();
    ASSERT_TRUE(ProcessUntil([&] { return !window.control(ID_LOG_LIST)->isVisible(); }));
    EXPECT_EQ(window.height(), dialogHeight);
    EXPECT_FALSE(window.serviceToggle()->isChecked());
}

TEST_F(MainWindow, ServiceButtonsReachTheShell) {
    startAndShow();
    window.setServicePanelShown(true);
    auto click = [&](int id) { qobject_cast<QPushButton*>(window.control(id))->click(); };

    auto* trace = qobject_cast<QPushButton*>(window.control(ID_RAW_TRACE));
    click(ID_RAW_TRACE);
    EXPECT_EQ(shell.state().RawTraceEnabled.load(), 1);
    EXPECT_TRUE(trace->isChecked()) << "the button shows that tracing is on";
    click(ID_RAW_TRACE);
    EXPECT_EQ(shell.state().RawTraceEnabled.load(), 0);
    EXPECT_FALSE(trace->isChecked());

    window.logAdd("one");
    window.logAdd("two");
    click(ID_CLEAR_LOG);
    // The clear is posted, so it happens when the loop takes it.
    EXPECT_GE(window.logCount(), 2);
    ASSERT_TRUE(ProcessUntil([&] { return window.logCount() == 0; }));

    // A port button reaches the shell too, which reopens COM1.
    qobject_cast<QAbstractButton*>(window.control(ID_COM1))->click();
    EXPECT_EQ(procedure.commands.back(), ID_COM1);
    EXPECT_EQ(ports.opened.back(), 1);
}

TEST_F(MainWindow, LogLinesFromTheCoreLandInTheList) {
    startAndShow();
    window.setServicePanelShown(true);
    auto* list = qobject_cast<QListWidget*>(window.control(ID_LOG_LIST));
    int before = list->count();
    LogMessage(window, SysError(), "%d%% done", 100);
    LogMessage(window, SysError(ENOENT), "Cannot open %s", "x.txt");
    ASSERT_EQ(list->count(), before + 3);
    EXPECT_EQ(list->item(before)->text(), "100% done");
    EXPECT_EQ(list->item(before + 1)->text(), "Cannot open x.txt");
    EXPECT_FALSE(list->item(before + 2)->text().isEmpty()) << "the system's text for ENOENT";

    // Enough lines to scroll: the newest stays in view.
    for (int i = 0; i < 40; ++i) AppendLogLine(window, "line " + std::to_string(i));
    ProcessPending();
    QListWidgetItem* last = list->item(list->count() - 1);
    EXPECT_TRUE(list->viewport()->rect().intersects(list->visualItemRect(last)));

    list->item(1)->setSelected(true);
    EXPECT_TRUE(window.logIsSelected(1));
    EXPECT_FALSE(window.logIsSelected(0));
    EXPECT_EQ(window.logLine(before), std::optional<std::string>("100% done"));
    EXPECT_EQ(window.logLine(list->count()), std::nullopt);
}

TEST_F(MainWindow, MinimisingAndRestoringAreReported) {
    startAndShow();
    window.showMinimized();
    ASSERT_TRUE(ProcessUntil([&] { return procedure.lastSize.kind == SIZE_MINIMIZED; }));
    window.showNormal();
    ASSERT_TRUE(ProcessUntil([&] { return procedure.lastSize.kind == SIZE_RESTORED; }));
    EXPECT_EQ(procedure.lastSize.width, window.width());
    EXPECT_EQ(procedure.lastSize.height, window.height());
}

TEST_F(MainWindow, StatusLineShowsOneLine) {
    startAndShow();
    window.setStatus("Sending Settings...");
    EXPECT_EQ(qobject_cast<QLabel*>(window.control(ID_STATUS_LINE))->text(), "Sending Settings...");
}

TEST_F(MainWindow, ProgressStripAlongTheBottomEdge) {
    startAndShow();
    shell.strip().create(2000, StripRange::Full);
    auto strips = window.findChildren<QProgressBar*>();
    ASSERT_EQ(strips.size(), 1);
    Rect client = window.clientRect();
    EXPECT_EQ(strips[0]->geometry(), QRect(10, client.bottom - 10, client.right - 20, 10));
    EXPECT_TRUE(strips[0]->isVisible());

    shell.strip().setPos(500);
    EXPECT_EQ(window.stripPos(), 500u);
    EXPECT_EQ(strips[0]->value(), strips[0]->maximum() / 4);
    shell.strip().advance(5000);  // a bar keeps its position inside its range
    EXPECT_EQ(window.stripPos(), 2000u);

    // A second strip replaces the first; destroying leaves none.
    shell.strip().create(70000, StripRange::Short);
    EXPECT_EQ(window.findChildren<QProgressBar*>().size(), 1);
    shell.strip().destroy();
    EXPECT_TRUE(window.findChildren<QProgressBar*>().isEmpty());
}

}  // namespace
}  // namespace orlant::test
