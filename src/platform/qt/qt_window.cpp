#include "platform/qt/qt_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <cstdio>

#include "app/ids.h"
#include "platform/qt/service_panel.h"
#include "platform/qt/startup_probe.h"

// The guide's pictures are compiled into this library; resources of a
// static library register only when something refers to them.
static void registerPictures() { Q_INIT_RESOURCE(pictures); }

namespace orlant::qt {

namespace {

// A dialog's frame: caption, system menu, minimise and maximise boxes, and
// no sizing border.
constexpr Qt::WindowFlags kDialogFrame = Qt::Window | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                                         Qt::WindowCloseButtonHint |
                                         Qt::MSWindowsFixedSizeDialogHint;

// The "Service" toggle sits in the free space between Next and Close.
constexpr int kToggleDu[4] = {115, 147, 50, 10};

QColor fromColorRef(Color color) {
    auto value = static_cast<uint32_t>(color);  // 0x00BBGGRR
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

}  // namespace

QtWindow::QtWindow()
    : QWidget(nullptr, kDialogFrame), queue_([this] {
          QMetaObject::invokeMethod(
              this,
              [this] {
                  queue_.runOne([this](const PostedMessage& message) {
                      if (procedure_ != nullptr && !ending_) procedure_->onMessage(message);
                  });
              },
              Qt::QueuedConnection);
      }) {
    registerPictures();
    setFont(DialogFont());
    units_ = MeasureDialogUnits(font());
    dialogSize_ = QSize(units_.x(kDialogWidthDu), units_.y(kDialogHeightDu));
    buildDialog();
    buildServicePanel();
    // The dialog itself holds the focus at start, as a dialog that sets no
    // focus does: no button is armed for Space, and Tab reaches Close first.
    setFocusPolicy(Qt::StrongFocus);
    setFocus(Qt::OtherFocusReason);

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (procedure_ != nullptr && !ending_) procedure_->onTimer();
    });
    new QShortcut(QKeySequence(Qt::Key_Escape), this, [this] { command(ID_CANCEL); });
    new QShortcut(QKeySequence(Qt::Key_F12), this,
                  [this] { setServicePanelShown(!servicePanelShown()); });

    setFixedSize(dialogSize_);
    move(0, 0);
    probeStartup_ = StartupProbeRequested();
}

QtWindow::~QtWindow() {
    queue_.close();
    procedure_ = nullptr;
}

void QtWindow::buildDialog() {
    QWidget* previous = nullptr;
    for (const ControlRow& row : MainDialogTemplate()) {
        QString text = QString::fromUtf8(row.text);
        QWidget* widget = nullptr;
        int id = row.id;
        if (row.kind == ControlKind::Text) {
            auto* label = new QLabel(text, this);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(row.align);
            label->setWordWrap(row.wraps);
            widget = label;
        } else if (row.kind == ControlKind::PushButton) {
            auto* button = new QPushButton(text, this);
            connect(button, &QPushButton::clicked, this, [this, id] { command(id); });
            widget = button;
        } else {
            auto* radio = new QRadioButton(text, this);
            connect(radio, &QRadioButton::clicked, this, [this, id] { command(id); });
            widget = radio;
        }
        widget->setGeometry(units_.rect(row.x, row.y, row.w, row.h));
        // Wrapped text stops short of a picture beside it rather than run
        // under it.
        for (int slot = 1; slot <= 2 && row.wraps; ++slot) {
            QRect place = PictureSlot(slot);
            QRect area = widget->geometry();
            if (place.left() <= area.right() && place.top() <= area.bottom() &&
                place.bottom() >= area.top()) {
                widget->setContentsMargins(0, 0, area.right() - place.left() + 4, 0);
            }
        }
        controls_[id] = widget;
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previous != nullptr) setTabOrder(previous, widget);
            previous = widget;
        }
    }
}

void QtWindow::buildServicePanel() {
    serviceToggle_ = new QToolButton(this);
    serviceToggle_->setText(QStringLiteral("Service"));
    serviceToggle_->setToolTip(QStringLiteral("Event log and service commands (F12)"));
    serviceToggle_->setCheckable(true);
    serviceToggle_->setAutoRaise(true);
    serviceToggle_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    serviceToggle_->setArrowType(Qt::DownArrow);
    serviceToggle_->setGeometry(units_.rect(kToggleDu[0], kToggleDu[1], kToggleDu[2], kToggleDu[3]));
    connect(serviceToggle_, &QToolButton::clicked, this,
            [this](bool checked) { setServicePanelShown(checked); });

    panel_ = new ServicePanel(this, units_, [this](int id) { command(id); });
    panel_->move(0, dialogSize_.height());
    panel_->hide();
    for (const auto& [id, widget] : panel_->controls()) controls_[id] = widget;
}

void QtWindow::attach(WindowProcedure* procedure, std::function<void()> teardown) {
    procedure_ = procedure;
    teardown_ = std::move(teardown);
}

int QtWindow::run() {
    if (!ending_) {
        int code = QApplication::exec();
        // The loop was stopped by someone else: end the way endProgram does.
        if (!ending_) closeAndTeardown(code);
    }
    return exitCode_;
}

void QtWindow::command(int id) {
    if (procedure_ != nullptr && !ending_) procedure_->onCommand(id);
}

// --- the service panel -----------------------------------------------------

bool QtWindow::servicePanelShown() const { return panel_->isVisibleTo(this); }

int QtWindow::panelHeight() const { return servicePanelShown() ? panel_->nominalHeight() : 0; }

void QtWindow::setServicePanelShown(bool shown) {
    serviceToggle_->setChecked(shown);
    serviceToggle_->setArrowType(shown ? Qt::UpArrow : Qt::DownArrow);
    if (shown == servicePanelShown()) return;
    panel_->setVisible(shown);
    // The window grows downward by the panel; the dialog area stays.
    setFixedSize(dialogSize_.width(), dialogSize_.height() + panelHeight());
}

QWidget* QtWindow::control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

// --- painting ----------------------------------------------------------------

void QtWindow::invalidate(bool /*erase: every Qt repaint starts from the background*/) {
    if (!paintScheduled_ && !ending_) {
        paintScheduled_ = true;
        QMetaObject::invokeMethod(this, [this] { paintNow(); }, Qt::QueuedConnection);
    }
    update();
}

void QtWindow::paintNow() {
    paintScheduled_ = false;
    if (procedure_ != nullptr && !ending_) procedure_->onPaint();
    update();
}

void QtWindow::drawBar(Color color, const Rect& rect) {
    QRect old = barRect_;
    QColor colour = fromColorRef(color);
    QRect next(rect.left, rect.top, rect.width(), rect.height());
    // The bar is asked for on every tick; what the screen already shows
    // needs no new paint (an idle program should cost nothing).
    if (colour == barColor_ && next == old) return;
    barColor_ = colour;
    barRect_ = next;
    update(old.united(barRect_));
}

void QtWindow::showPicture(int slot, int pictureId) {
    if (slot != 1 && slot != 2) return;
    slotPicture_[slot] = pictureId;
    if (pictureId != 0 && pictures_.find(pictureId) == pictures_.end()) {
        // A picture not built into the program is remembered as missing, so
        // the slot simply stays empty.
        pictures_[pictureId] = QPixmap(QStringLiteral(":/pictures/%1.png").arg(pictureId));
    }
    update(PictureSlot(slot));
}

void QtWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (barRect_.isValid()) painter.fillRect(barRect_, barColor_);
    for (int slot = 1; slot <= 2; ++slot) {
        auto it = pictures_.find(slotPicture_[slot]);
        if (slotPicture_[slot] == 0 || it == pictures_.end() || it->second.isNull()) continue;
        QRect place = PictureSlot(slot);
        // Like a BitBlt of the slot's size from the picture's origin.
        painter.drawPixmap(place.topLeft(), it->second, QRect(QPoint(0, 0), place.size()));
    }
    if (probeStartup_ && !painted_) {
        painted_ = true;
        reportStartup();
    }
}

void QtWindow::reportStartup() {
    std::fprintf(stderr, "first-paint-ms %ld\n", MillisecondsSinceProcessStart().value_or(-1));
    std::fflush(stderr);
    QTimer::singleShot(1000, this, [this] {
        std::fprintf(stderr, "idle-rss-kb %ld\n", ResidentKilobytes().value_or(-1));
        std::fflush(stderr);
        endProgram(0);
    });
}

// --- window events -------------------------------------------------------------

void QtWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (servicePanelShown()) {
        panel_->setGeometry(0, dialogSize_.height(), width(), height() - dialogSize_.height());
    }
    reportSize();
}

void QtWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) reportSize();
}

void QtWindow::reportSize() {
    if (procedure_ == nullptr || ending_) return;
    if (isMinimized()) {
        procedure_->onSize(SIZE_MINIMIZED, 0, 0);
        return;
    }
    Rect client = clientRect();
    procedure_->onSize(isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED, client.width(),
                       client.height());
}

void QtWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Showing a window asks it to paint, and the page is the core's to apply.
    if (!event->spontaneous()) invalidate(false);
}

void QtWindow::closeEvent(QCloseEvent* event) {
    if (ending_) {
        event->accept();
        return;
    }
    // The close box ends the program as Esc does: through the core.
    event->ignore();
    if (procedure_ != nullptr) {
        command(ID_CANCEL);
    } else {
        endProgram(0);
    }
}

// --- threads and the end -----------------------------------------------------

void QtWindow::post(PostedMessage message) { queue_.post(std::move(message)); }

void QtWindow::send(const std::function<void()>& fn) {
    if (QThread::currentThread() == thread()) {
        fn();
        return;
    }
    queue_.sendAndWait(fn);
}

void QtWindow::startTimer(int periodMs) { timer_->start(periodMs); }

void QtWindow::endProgram(int exitCode) {
    QMetaObject::invokeMethod(
        this, [this, exitCode] { closeAndTeardown(exitCode); }, Qt::QueuedConnection);
}

void QtWindow::closeAndTeardown(int exitCode) {
    if (ending_) return;
    ending_ = true;
    exitCode_ = exitCode;
    // Release every thread waiting in send() before the core joins them.
    queue_.close();
    timer_->stop();
    if (teardown_) teardown_();
    ended_ = true;
    hide();
    // Ends the main loop and any modal box's loop running under it.
    QCoreApplication::exit(exitCode);
}

}  // namespace orlant::qt
