// The main window's procedure: start-up, teardown, and the routing of every
// message and command to the part of the program that owns it.
#pragma once

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/port_selection.h"
#include "app/progress_strip.h"
#include "platform/clock.h"
#include "guide/raw_operation.h"
#include "platform/desktop.h"
#include "platform/resources.h"
#include "platform/serial.h"
#include "platform/settings.h"
#include "platform/window.h"
#include "serial/receive_pump.h"
#include "serial/serial_port.h"

namespace orlant {

// What the platform gives the core.
struct Services {
    Window& window;
    Clock& clock;
    Desktop& desktop;
    SerialPorts& ports;
    SettingsStore& settings;
    Resources& resources;
};

class Shell : public WindowProcedure {
public:
    explicit Shell(Services services);
    ~Shell() override;

    // The window has been created: set it up. Returns when the first page is
    // painted.
    void start();
    // The window is going away: stop what runs, close what is open.
    void teardown();

    void onPaint() override;
    void onSize(int kind, int width, int height) override;
    void onTimer() override;
    void onCommand(int id) override;
    void onMessage(const PostedMessage& message) override;

    AppState& state() { return state_; }
    ProgressStrip& strip() { return strip_; }
    SerialPort& port() { return port_; }
    ReceivePump& pump() { return pump_; }

    // One row per command id the window answers. A row without an action
    // belongs to a part of the program not built yet.
    struct Route {
        int id;
        void (Shell::*action)();
    };
    static const std::vector<Route>& commandTable();

private:
    void endProgram();
    void clearLog();
    void toggleRawTrace();
    void saveAllLines();
    void saveSelectedLines();
    void selectCom1() { selectPort(1); }
    void selectCom2() { selectPort(2); }
    void selectCom3() { selectPort(3); }
    void selectCom4() { selectPort(4); }
    void selectPort(int n);
    PortContext portContext() { return {window_, services_.clock, services_.ports, port_}; }
    RawContext rawContext() {
        return {window_, services_.clock, port_, services_.resources, strip_, state_, pump_};
    }
    void eraseFlash();
    void stream38400();
    void guideNext();
    void guideBack();
    void downloadBootloader();

    Services services_;
    Window& window_;
    AppState state_;
    ProgressStrip strip_;
    SerialPort port_;
    ReceivePump pump_;
    RawWorker raw_;
    bool started_ = false;
    bool tornDown_ = false;
};

}  // namespace orlant
