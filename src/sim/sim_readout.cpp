#include "sim/sim_readout.h"

#include <utility>

namespace orlant::sim {

SimulatedReadout::SimulatedReadout(Clock& clock, double timeScale, ReadoutSettings settings)
    : time_(clock, timeScale), model_(std::move(settings)) {}

void SimulatedReadout::catchUpLocked() {
    const uint64_t now = time_.nowUs();
    SimLine* cable = nullptr;
    for (const auto& end : ends_) {
        if (end->attached) {
            cable = &end->line;
        } else {
            end->line.run(now, nullptr);
        }
    }
    runWorld(model_, cable, now);
}

void SimulatedReadout::changedLocked() {
    ++generation_;
    changed_.notify_all();
}

std::optional<uint64_t> SimulatedReadout::nextEventLocked() const {
    std::optional<uint64_t> next = model_.nextDueUs();
    for (const auto& end : ends_) {
        const std::optional<uint64_t> t = end->line.nextEventUs();
        if (t && (!next || *t < *next)) next = t;
    }
    return next;
}

bool SimulatedReadout::awaitLocked(std::unique_lock<std::mutex>& hold, const SimPortEnd& end,
                                   const std::function<bool()>& done,
                                   const std::function<std::optional<uint64_t>()>& target) {
    // Ends with done(), close(), or never: a wait for the unit's answer may
    // rightly last for ever (a silent unit), as on a real port.
    for (;;) {
        if (end.closed) return false;
        catchUpLocked();
        if (done()) return true;
        std::optional<uint64_t> until = target ? target() : std::nullopt;
        if (!until) until = nextEventLocked();
        const uint64_t seen = generation_;
        const std::function<bool()> changed = [this, seen] { return generation_ != seen; };
        if (!until) {
            changed_.wait(hold, changed);
            continue;
        }
        time_.clock().waitFor(hold, changed_, time_.realMsUntil(*until, MAX_NAP_MS), changed);
    }
}

template <typename Act>
void SimulatedReadout::operate(Act act) {
    std::lock_guard hold(lock_);
    catchUpLocked();
    act(model_, model_.nowUs());
    changedLocked();
}

void SimulatedReadout::setPower(bool on) {
    operate([on](ReadoutModel& m, uint64_t now) { m.setPower(on, now); });
}

void SimulatedReadout::togglePower() {
    operate([](ReadoutModel& m, uint64_t now) { m.setPower(!m.powered(), now); });
}

void SimulatedReadout::setHoldC(bool held) {
    operate([held](ReadoutModel& m, uint64_t now) { m.setHoldC(held, now); });
}

void SimulatedReadout::pressKey(char key) {
    operate([key](ReadoutModel& m, uint64_t now) { m.pressKey(key, now); });
}

void SimulatedReadout::pressEnter() {
    operate([](ReadoutModel& m, uint64_t now) { m.pressEnter(now); });
}

void SimulatedReadout::setAutoActs(bool on) {
    operate([on](ReadoutModel& m, uint64_t now) { m.setAutoActs(on, now); });
}

void SimulatedReadout::setFaults(const FaultSettings& faults) {
    operate([&faults](ReadoutModel& m, uint64_t) { m.setFaults(faults); });
}

void SimulatedReadout::setFrameResponder(std::shared_ptr<FrameResponder> responder) {
    operate([&responder](ReadoutModel& m, uint64_t) { m.setFrameResponder(std::move(responder)); });
}

ReadoutView SimulatedReadout::view() {
    std::lock_guard hold(lock_);
    catchUpLocked();
    ReadoutView v;
    v.state = model_.state();
    v.powered = model_.powered();
    v.holdingC = model_.holdingC();
    v.cts = model_.cts();
    v.autoActs = model_.autoActs();
    v.speed = model_.speed();
    v.display = model_.display();
    v.counts = model_.counts();
    v.erasesDone = model_.erasesDone();
    v.nowUs = model_.nowUs();
    return v;
}

std::vector<std::string> SimulatedReadout::takeEvents() {
    std::lock_guard hold(lock_);
    catchUpLocked();
    return model_.takeEvents();
}

}  // namespace orlant::sim
