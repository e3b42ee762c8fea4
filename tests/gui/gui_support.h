// The Qt window with the real shell over test doubles (fake ports, in-memory
// settings and images), under Qt's offscreen platform.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <functional>

#include "app/shell.h"
#include "platform/qt/qt_window.h"
#include "support/fake_serial.h"
#include "support/manual_clock.h"
#include "support/memory_resources.h"
#include "support/shell_fixture.h"

namespace orlant::test {

// The one QApplication of the test program, made on first use.
QApplication& TestApplication();

// Runs the event loop until `done()` holds or `timeoutMs` pass.
bool ProcessUntil(const std::function<bool()>& done, int timeoutMs = 3000);
// Runs the event loop for queued work only (no waiting).
void ProcessPending();

// Presses and releases `key` on whatever has the focus in `window`, as the
// keyboard would.
void PressKey(QWidget* window, int key);

// Passes everything to the shell and counts what the window delivered.
class CountingProcedure : public WindowProcedure {
public:
    explicit CountingProcedure(Shell& shell) : shell_(shell) {}
    void onPaint() override {
        ++paints;
        shell_.onPaint();
    }
    void onSize(int kind, int width, int height) override {
        ++sizes;
        lastSize = {kind, width, height};
        shell_.onSize(kind, width, height);
    }
    void onTimer() override {
        ++ticks;
        shell_.onTimer();
    }
    void onCommand(int id) override {
        commands.push_back(id);
        shell_.onCommand(id);
    }
    void onMessage(const PostedMessage& message) override {
        messages.push_back(message.id);
        shell_.onMessage(message);
    }

    int paints = 0, sizes = 0, ticks = 0;
    struct Size {
        int kind, width, height;
    } lastSize{-1, 0, 0};
    std::vector<int> commands;
    std::vector<uint32_t> messages;

private:
    Shell& shell_;
};

class QtShellFixture : public ::testing::Test {
protected:
    QtShellFixture();
    ~QtShellFixture() override;

    // Attaches, starts the shell, shows the window and waits until it is
    // the active window with the first page painted.
    void startAndShow();

    QApplication& app = TestApplication();
    qt::QtWindow window;
    ManualClock clock;
    RecordingDesktop desktop;
    FakePorts ports;
    MemorySettings settings;
    MemoryResources resources;
    std::shared_ptr<FakeDevice> com1 = std::make_shared<FakeDevice>();
    Shell shell{Services{window, clock, desktop, ports, settings, resources}};
    CountingProcedure procedure{shell};
    // Runs inside the window's teardown, after the shell's.
    std::function<void()> afterTeardown;
    bool tornDown = false;
};

}  // namespace orlant::test
