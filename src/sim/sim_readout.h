// One simulated readout shared by everyone who reaches it: the serial
// devices of SimSerialPorts, the "Simulated readout" window and tests.
//
// Principles of operation:
// - The unit's time is the given Clock's time since construction, times
//   `timeScale` (1 = real time; tests use 1000, so the 50 s erase takes
//   50 ms). Nothing runs in the background: every call first moves the unit
//   and its cable to the current time (catch-up), so whoever asks sees what
//   has happened by then.
// - Whoever has to wait for the line (a full transmit buffer, a drain, a
//   wait for received bytes) naps through Clock::waitFor() until the next
//   thing on the line is due, at most MAX_NAP_MS at a time, and is woken
//   early by anything that changes the picture (a write, wake(), close(), a
//   key pressed on the unit). With nothing due it sleeps on the condition
//   variable alone, so nothing spins. With a manual clock the naps move the
//   clock, so a test's waits cost no real time.
// - One mutex guards the unit and every cable end.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "sim/readout_model.h"
#include "sim/sim_line.h"
#include "sim/unit_time.h"

namespace orlant::sim {

// The unit as its window and tests see it at one moment.
struct ReadoutView {
    UnitState state = UnitState::Off;
    bool powered = false;
    bool holdingC = false;
    bool cts = false;
    bool autoActs = false;
    uint32_t speed = 0;  // chosen in the menu, 0 for none
    std::vector<std::string> display;
    DownloadCounts counts;
    uint64_t erasesDone = 0;
    uint64_t nowUs = 0;  // the unit's time
};

// The PC's end of one cable, held by an open SimSerialDevice.
struct SimPortEnd {
    int number = 0;
    bool attached = false;  // this cable reaches the unit
    bool closed = false;
    bool woken = false;
    SimLine line;
};

class SimulatedReadout {
public:
    static constexpr uint32_t MAX_NAP_MS = 20;

    // `timeScale` > 0: how many times faster than real time the unit and its
    // line run.
    SimulatedReadout(Clock& clock, double timeScale = 1.0, ReadoutSettings settings = {});

    SimulatedReadout(const SimulatedReadout&) = delete;
    SimulatedReadout& operator=(const SimulatedReadout&) = delete;

    // The operator at the unit.
    void setPower(bool on);
    void togglePower();
    void setHoldC(bool held);
    void pressKey(char key);  // '1' picks 115 200, '2' picks 57 600
    void pressEnter();
    void setAutoActs(bool on);

    void setFaults(const FaultSettings& faults);
    void setFrameResponder(std::shared_ptr<FrameResponder> responder);

    ReadoutView view();
    std::vector<std::string> takeEvents();
    double timeScale() const { return time_.scale(); }

private:
    friend class SimSerialDevice;
    friend class SimSerialPorts;

    // The unit's time now; call with the lock held.
    uint64_t nowLocked() { return time_.nowUs(); }
    void catchUpLocked();
    // Tells every waiter that something changed.
    void changedLocked();
    // Lets the unit's time pass until `done()` holds or `end` is closed;
    // naps aim at `target()` (the time the caller's wait can next end), or at
    // the next event on any line when it gives none. Returns done().
    bool awaitLocked(std::unique_lock<std::mutex>& hold, const SimPortEnd& end,
                     const std::function<bool()>& done,
                     const std::function<std::optional<uint64_t>()>& target);
    std::optional<uint64_t> nextEventLocked() const;
    template <typename Act>
    void operate(Act act);

    std::mutex lock_;
    std::condition_variable changed_;
    uint64_t generation_ = 0;  // bumped by changedLocked()
    UnitTime time_;
    ReadoutModel model_;
    std::vector<std::shared_ptr<SimPortEnd>> ends_;  // the open ports
};

}  // namespace orlant::sim
