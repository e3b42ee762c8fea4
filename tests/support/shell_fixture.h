// A shell over fakes: a recording window, a manual clock, fake ports and an
// in-memory settings store. COM1 opens a fake device unless a test says not.
#pragma once

#include <gtest/gtest.h>

#include "app/shell.h"
#include "platform/posix/posix_desktop.h"
#include "support/fake_serial.h"
#include "support/fake_window.h"
#include "support/manual_clock.h"
#include "support/memory_resources.h"

namespace orlant::test {

// Real temporary files; a viewer that only records what it was given.
class RecordingDesktop : public PosixDesktop {
public:
    bool openInTextViewer(const std::string& path) override {
        opened.push_back(path);
        return true;
    }
    std::vector<std::string> opened;
};

class ShellFixture : public ::testing::Test {
protected:
    ShellFixture() { ports.devices[1] = com1; }
    ~ShellFixture() override {
        window.close();
        shell.teardown();
    }
    void start() {
        window.attach(&shell);
        shell.start();
        window.pump();
    }
    // Indices of `lines` in the log, in order; fails if one is missing.
    bool logHas(const std::string& line) const {
        for (const auto& l : window.log)
            if (l == line) return true;
        return false;
    }

    FakeWindow window;
    ManualClock clock;
    RecordingDesktop desktop;
    FakePorts ports;
    MemorySettings settings;
    MemoryResources resources;
    std::shared_ptr<FakeDevice> com1 = std::make_shared<FakeDevice>();
    Shell shell{Services{window, clock, desktop, ports, settings, resources}};
};

}  // namespace orlant::test
