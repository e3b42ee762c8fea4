// The main window on Qt Widgets: dialog template 101 with the service panel
// below it.
//
// Principles of operation: the window presents and forwards; the core's
// window procedure decides. Controls clicked become onCommand(id), Esc and
// the close box become command 2 (as a dialog's Esc is), the timer becomes
// onTimer(), and messages posted or sent from other threads run in order on
// this thread through one queue (window_queue.h). The core is never called
// from inside a Qt paint event: invalidate() schedules one onPaint() from
// the event loop, and paintEvent only draws what the core already gave (the
// indicator bar and the pictures).
//
// The core's "client area" is the dialog's own area: the service panel hangs
// below it and is left out of clientRect() and of the sizes onSize() gets,
// so opening the panel leaves the log list the size the core gave it.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "platform/qt/dialog_template.h"
#include "platform/qt/window_queue.h"
#include "platform/window.h"

class QListWidget;
class QProgressBar;
class QTimer;
class QToolButton;

namespace orlant::qt {

class ServicePanel;

class QtWindow : public QWidget, public Window {
public:
    QtWindow();
    ~QtWindow() override;

    // `procedure` gets paints, ticks, commands and messages; `teardown` runs
    // once when the program ends, before the event loop stops.
    void attach(WindowProcedure* procedure, std::function<void()> teardown);
    // Runs the event loop until endProgram(); returns the exit code.
    int run();
    bool ended() const { return ended_; }

    void setServicePanelShown(bool shown);
    bool servicePanelShown() const;
    QWidget* control(int id) const;  // null for an id the layout lacks
    QToolButton* serviceToggle() const { return serviceToggle_; }
    const DialogUnits& dialogUnits() const { return units_; }
    // Posts and sends from other threads not yet run.
    size_t pendingCrossThread() const { return queue_.pending(); }

    // --- Window ----------------------------------------------------------
    void setTitle(const std::string& text) override;
    void setText(int id, const std::string& text) override;
    void setEnabled(int id, bool enabled) override;
    bool isEnabled(int id) const override;
    void setShown(int id, bool shown) override;
    void checkRadio(int id) override;
    void setToolTip(int id, const std::string& text) override;
    Rect clientRect() const override;
    void resizeControl(int id, int width, int height) override;
    Rect controlRect(int id) const override;
    void invalidate(bool erase) override;
    void drawBar(Color color, const Rect& rect) override;
    void showPicture(int slot, int pictureId) override;
    int logAdd(const std::string& line) override;
    void logSetTop(int index) override;
    void logReset() override;
    int logCount() const override;
    bool logIsSelected(int index) const override;
    std::optional<std::string> logLine(int index) const override;
    void setStatus(const std::string& text) override;
    void stripCreate(const Rect& rect) override;
    void stripDestroy() override;
    void stripSetRange(uint32_t upper) override;
    void stripSetPos(uint32_t pos) override;
    uint32_t stripPos() const override;
    BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxButtons buttons,
                         BoxIcon icon, bool owned) override;
    void beep() override;
    std::optional<std::string> openFileDialog(const std::string& title,
                                              const std::string& filter) override;
    std::optional<std::string> saveFileDialog(const std::string& title,
                                              const std::string& filter) override;
    void post(PostedMessage message) override;
    void send(const std::function<void()>& fn) override;
    void startTimer(int periodMs) override;
    void endProgram(int exitCode) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildDialog();
    void buildServicePanel();
    void command(int id);
    void paintNow();
    void reportSize();
    void closeAndTeardown(int exitCode);
    void reportStartup();
    int panelHeight() const;

    DialogUnits units_;
    QSize dialogSize_;  // the template's client area in pixels
    std::map<int, QWidget*> controls_;
    ServicePanel* panel_ = nullptr;
    QToolButton* serviceToggle_ = nullptr;
    QProgressBar* strip_ = nullptr;
    QTimer* timer_ = nullptr;

    WindowProcedure* procedure_ = nullptr;
    std::function<void()> teardown_;
    WindowQueue queue_;

    QColor barColor_;
    QRect barRect_;
    std::map<int, QPixmap> pictures_;  // by resource id, loaded on first use
    int slotPicture_[3] = {0, 0, 0};
    uint32_t stripUpper_ = 100;
    uint32_t stripPosition_ = 0;

    bool paintScheduled_ = false;
    bool ending_ = false;
    bool ended_ = false;
    int exitCode_ = 0;
    bool probeStartup_ = false;
    bool painted_ = false;
};

}  // namespace orlant::qt
