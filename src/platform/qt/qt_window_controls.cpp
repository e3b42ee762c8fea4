// The Qt window's controls as the core names them: texts, states, the log
// list, the status line, the progress strip, message boxes and file
// dialogs. The window's life (events, painting, threads, the end) is in
// qt_window.cpp.
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>
#include <algorithm>

#include "app/ids.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_window.h"
#include "platform/qt/service_panel.h"

namespace orlant::qt {

namespace {

// The strip shows its position in steps of this many parts of the whole, so
// a range beyond what a QProgressBar holds (an int) still shows right.
constexpr int kStripSteps = 10000;

Rect toRect(const QRect& r) {
    return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

}  // namespace

// --- controls ----------------------------------------------------------------

void QtWindow::setTitle(const std::string& text) { setWindowTitle(QString::fromStdString(text)); }

void QtWindow::setText(int id, const std::string& text) {
    QWidget* widget = control(id);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(QString::fromStdString(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(QString::fromStdString(text));
    }
}

void QtWindow::setEnabled(int id, bool enabled) {
    if (QWidget* widget = control(id)) widget->setEnabled(enabled);
}

bool QtWindow::isEnabled(int id) const {
    QWidget* widget = control(id);
    return widget != nullptr && widget->isEnabled();
}

void QtWindow::setShown(int id, bool shown) {
    if (QWidget* widget = control(id)) widget->setVisible(shown);
}

void QtWindow::checkRadio(int id) {
    if (auto* radio = qobject_cast<QRadioButton*>(control(id))) radio->setChecked(true);
}

void QtWindow::setToolTip(int id, const std::string& text) {
    if (QWidget* widget = control(id)) widget->setToolTip(QString::fromStdString(text));
}

Rect QtWindow::clientRect() const { return Rect{0, 0, width(), height() - panelHeight()}; }

void QtWindow::resizeControl(int id, int width, int height) {
    if (QWidget* widget = control(id)) widget->resize(std::max(0, width), std::max(0, height));
}

Rect QtWindow::controlRect(int id) const {
    QWidget* widget = control(id);
    if (widget == nullptr) return Rect{};
    return toRect(QRect(widget->mapTo(this, QPoint(0, 0)), widget->size()));
}

// --- the log list and the status line -------------------------------------

int QtWindow::logAdd(const std::string& line) {
    QListWidget* list = panel_->list();
    list->addItem(QString::fromStdString(line));
    return list->count() - 1;
}

void QtWindow::logSetTop(int index) {
    QListWidget* list = panel_->list();
    if (QListWidgetItem* item = list->item(index)) {
        list->scrollToItem(item, QAbstractItemView::PositionAtTop);
    }
}

void QtWindow::logReset() { panel_->list()->clear(); }

int QtWindow::logCount() const { return panel_->list()->count(); }

bool QtWindow::logIsSelected(int index) const {
    QListWidgetItem* item = panel_->list()->item(index);
    return item != nullptr && item->isSelected();
}

std::optional<std::string> QtWindow::logLine(int index) const {
    QListWidgetItem* item = panel_->list()->item(index);
    if (item == nullptr) return std::nullopt;
    return item->text().toStdString();
}

void QtWindow::setStatus(const std::string& text) { setText(ID_STATUS_LINE, text); }

// --- the progress strip ----------------------------------------------------------

void QtWindow::stripCreate(const Rect& rect) {
    stripDestroy();
    strip_ = new QProgressBar(this);
    strip_->setTextVisible(false);
    strip_->setRange(0, kStripSteps);
    stripUpper_ = 100;  // a new strip's range, as a common control's
    strip_->setGeometry(rect.left, rect.top, rect.width(), rect.height());
    stripPosition_ = 0;
    strip_->setValue(0);
    strip_->show();
    strip_->raise();
}

void QtWindow::stripDestroy() {
    delete strip_;
    strip_ = nullptr;
    stripPosition_ = 0;
}

void QtWindow::stripSetRange(uint32_t upper) {
    if (strip_ == nullptr) return;
    stripUpper_ = upper;
    stripSetPos(stripPosition_);
}

void QtWindow::stripSetPos(uint32_t pos) {
    if (strip_ == nullptr) return;
    // A progress bar keeps its position inside its range.
    stripPosition_ = std::min(pos, stripUpper_);
    uint64_t steps = stripUpper_ == 0 ? 0 : uint64_t{stripPosition_} * kStripSteps / stripUpper_;
    strip_->setValue(static_cast<int>(steps));
}

uint32_t QtWindow::stripPos() const { return stripPosition_; }

// --- dialogs ---------------------------------------------------------------------

BoxAnswer QtWindow::messageBox(const std::string& text, const std::string& caption,
                               BoxButtons buttons, BoxIcon icon, bool owned) {
    if (ending_) return EscapeAnswer(buttons);
    return RunMessageBox(owned ? this : nullptr, text, caption, buttons, icon);
}

void QtWindow::beep() { QApplication::beep(); }

std::optional<std::string> QtWindow::openFileDialog(const std::string& title,
                                                    const std::string& filter) {
    return AskFileName(this, FileDialogKind::Open, title, filter);
}

std::optional<std::string> QtWindow::saveFileDialog(const std::string& title,
                                                    const std::string& filter) {
    return AskFileName(this, FileDialogKind::Save, title, filter);
}

}  // namespace orlant::qt
