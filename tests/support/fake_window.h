// A window for tests: records every call, keeps the state of each control,
// answers message boxes and file dialogs from a script, and runs posted
// messages and cross-thread sends only when the test pumps it.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/window.h"

namespace orlant::test {

struct BoxCall {
    std::string text;
    std::string caption;
    BoxButtons buttons;
    BoxIcon icon;
    bool owned;
};

class FakeWindow : public Window {
public:
    FakeWindow();

    // The procedure posted messages and timer ticks go to.
    void attach(WindowProcedure* procedure) { procedure_ = procedure; }

    // Runs every queued send and posted message, including those queued
    // while running. Returns how many ran.
    int pump();
    // Pumps until `done()` holds or `ms` milliseconds pass.
    bool pumpUntil(const std::function<bool()>& done, int ms = 2000);
    // Delivers onTimer() `ticks` times, pumping after each.
    void tick(int ticks = 1);
    size_t pendingPosts();

    // --- script and record -------------------------------------------------
    std::deque<BoxAnswer> boxAnswers;  // answers in order; Ok/No when empty
    std::function<void(const BoxCall&)> onBox;  // runs while a box is "open"
    std::deque<std::optional<std::string>> fileAnswers;
    std::vector<BoxCall> boxes;
    std::vector<std::string> calls;  // one line per call, in order
    int beeps = 0;
    int invalidations = 0;
    int erasingInvalidations = 0;
    int endCode = -1;  // set by endProgram

    // --- state ---------------------------------------------------------------
    std::string title;
    std::map<int, std::string> texts;
    std::map<int, bool> enabled;
    std::map<int, bool> shown;
    int checkedRadio = 0;
    std::map<int, std::string> toolTips;
    Rect client{0, 0, 454, 406};
    std::map<int, Rect> controls;  // rectangles of controls that exist
    Color barColor = Color::Black;
    Rect barRect;
    int bars = 0;
    int pictures[3] = {0, 0, 0};
    std::vector<std::string> log;
    std::set<int> selected;
    std::string status;
    bool stripShown = false;
    Rect stripRect;
    uint32_t stripUpper = 0;
    uint32_t stripPosition = 0;
    std::vector<uint32_t> stripPositions;  // every position set, in order
    int stripsCreated = 0;
    int timerPeriod = 0;

    // --- Window --------------------------------------------------------------
    void setTitle(const std::string& text) override;
    void setText(int id, const std::string& text) override;
    void setEnabled(int id, bool on) override;
    bool isEnabled(int id) const override;
    void setShown(int id, bool on) override;
    void checkRadio(int id) override;
    void setToolTip(int id, const std::string& text) override { toolTips[id] = text; }
    Rect clientRect() const override { return client; }
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
    BoxAnswer messageBox(const std::string& text, const std::string& caption,
                         BoxButtons buttons, BoxIcon icon, bool owned) override;
    void beep() override;
    std::optional<std::string> openFileDialog(const std::string& title,
                                              const std::string& filter) override;
    std::optional<std::string> saveFileDialog(const std::string& title,
                                              const std::string& filter) override;
    void post(PostedMessage message) override;
    void send(const std::function<void()>& fn) override;
    void startTimer(int periodMs) override;
    void endProgram(int exitCode) override;

    // After this, send() from other threads returns without running, as the
    // real window does once it is closing.
    void close();

private:
    struct Job {
        std::function<void()> fn;  // a send
        PostedMessage message;     // or a post
        bool isSend = false;
        bool done = false;
    };
    bool onWindowThread() const { return std::this_thread::get_id() == owner_; }
    void record(std::string line);

    std::thread::id owner_;
    WindowProcedure* procedure_ = nullptr;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Job>> queue_;
    bool closing_ = false;
};

}  // namespace orlant::test
