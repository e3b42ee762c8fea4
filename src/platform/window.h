// The main window as the core sees it.
//
// Principles of operation: the core decides, the window presents. Every
// call here runs on the window thread except post() and send(), which any
// thread may use to reach it. Controls are named by the ids of the dialog
// template (see app/ids.h). Ids the layout does not carry are accepted and
// ignored, the way a dialog ignores messages to a control it lacks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace orlant {

// A message posted to the window thread; the core's window procedure
// receives it in order with everything else the window does.
struct PostedMessage {
    PostedMessage() = default;
    explicit PostedMessage(uint32_t i, int64_t w = 0, int64_t l = 0, std::shared_ptr<void> d = {})
        : id(i), wParam(w), lParam(l), data(std::move(d)) {}
    uint32_t id = 0;
    int64_t wParam = 0;
    int64_t lParam = 0;
    std::shared_ptr<void> data;  // owned payload (a received frame), freed with the message
};

// What the window delivers to the core. Implemented by the core's shell.
class WindowProcedure {
public:
    virtual ~WindowProcedure() = default;
    virtual void onPaint() = 0;                       // repaint request
    virtual void onSize(int kind, int width, int height) = 0;
    virtual void onTimer() = 0;                       // the 100 ms timer
    virtual void onCommand(int id) = 0;               // a control was used
    virtual void onMessage(const PostedMessage& message) = 0;
};

enum class Color : uint32_t { Black = 0x000000, Red = 0x0000FF, Green = 0x00FF00 };

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

enum class BoxButtons { Ok, OkCancel, YesNo };
enum class BoxIcon { None, Question, Error };
enum class BoxAnswer { Ok, Cancel, Yes, No };

// The SIZE_* kinds of a resize notification.
constexpr int SIZE_RESTORED = 0;
constexpr int SIZE_MINIMIZED = 1;
constexpr int SIZE_MAXIMIZED = 2;

class Window {
public:
    virtual ~Window() = default;

    // --- controls -------------------------------------------------------
    virtual void setTitle(const std::string& text) = 0;
    virtual void setText(int id, const std::string& text) = 0;
    virtual void setEnabled(int id, bool enabled) = 0;
    virtual bool isEnabled(int id) const = 0;
    virtual void setShown(int id, bool shown) = 0;
    // Checks `id` and clears the other buttons of its group (1010-1013).
    virtual void checkRadio(int id) = 0;
    // A hint shown when the pointer rests on control `id`.
    virtual void setToolTip(int id, const std::string& text) = 0;
    virtual Rect clientRect() const = 0;
    // Moves nothing; gives control `id` a new size (the log-list rule).
    virtual void resizeControl(int id, int width, int height) = 0;
    virtual Rect controlRect(int id) const = 0;

    // --- painting -------------------------------------------------------
    // Asks for onPaint() soon; `erase` clears the background first.
    virtual void invalidate(bool erase) = 0;
    // The line indicator bar; `rect` excludes its right and bottom edges.
    virtual void drawBar(Color color, const Rect& rect) = 0;
    // Shows picture resource `pictureId` in slot 1 or 2; 0 empties the slot.
    virtual void showPicture(int slot, int pictureId) = 0;

    // --- the event log list (1002) and the status line (1008) -----------
    virtual int logAdd(const std::string& line) = 0;  // returns its index
    virtual void logSetTop(int index) = 0;
    virtual void logReset() = 0;
    virtual int logCount() const = 0;
    virtual bool logIsSelected(int index) const = 0;
    virtual std::optional<std::string> logLine(int index) const = 0;
    virtual void setStatus(const std::string& text) = 0;

    // --- the progress strip along the bottom edge -----------------------
    virtual void stripCreate(const Rect& rect) = 0;
    virtual void stripDestroy() = 0;
    virtual void stripSetRange(uint32_t upper) = 0;
    virtual void stripSetPos(uint32_t pos) = 0;
    virtual uint32_t stripPos() const = 0;

    // --- dialogs and sounds ----------------------------------------------
    // Modal; posted messages and timer ticks keep being handled while open.
    virtual BoxAnswer messageBox(const std::string& text, const std::string& caption,
                                 BoxButtons buttons, BoxIcon icon, bool owned) = 0;
    virtual void beep() = 0;
    // Empty result: the operator cancelled.
    virtual std::optional<std::string> openFileDialog(const std::string& title,
                                                      const std::string& filter) = 0;
    virtual std::optional<std::string> saveFileDialog(const std::string& title,
                                                      const std::string& filter) = 0;

    // --- threads ----------------------------------------------------------
    // Queue a message for the window procedure and return at once.
    virtual void post(PostedMessage message) = 0;
    // Run `fn` on the window thread and wait for it. On the window thread it
    // runs at once. Once the window is closing, it returns without running.
    virtual void send(const std::function<void()>& fn) = 0;
    // Deliver onTimer() every `periodMs` from now on.
    virtual void startTimer(int periodMs) = 0;

    // Ends the program with `exitCode` once the current handler returns.
    virtual void endProgram(int exitCode) = 0;
};

}  // namespace orlant
