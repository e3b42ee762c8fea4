#include "sim/sim_serial.h"

#include <algorithm>
#include <cerrno>
#include <utility>

namespace orlant::sim {

namespace {
// A blocked write wakes when this much room is free, not byte by byte, so a
// stream in real time wakes about a hundred times a second.
constexpr size_t WRITE_WAKE_ROOM = 1024;
}  // namespace

SimSerialDevice::SimSerialDevice(std::shared_ptr<SimulatedReadout> readout,
                                 std::shared_ptr<SimPortEnd> end)
    : readout_(std::move(readout)), end_(std::move(end)) {}

SimSerialDevice::~SimSerialDevice() { close(); }

SysError SimSerialDevice::configure(const LineSettings& settings) {
    if (settings.baud == 0) return SysError(EINVAL);
    std::lock_guard hold(readout_->lock_);
    if (end_->closed) return SysError(EBADF);
    readout_->catchUpLocked();
    end_->line.setPcSettings(settings);
    readout_->changedLocked();
    return {};
}

void SimSerialDevice::purge() {
    std::lock_guard hold(readout_->lock_);
    if (end_->closed) return;
    readout_->catchUpLocked();
    end_->line.purge();
    readout_->changedLocked();
}

void SimSerialDevice::raiseDtrRts() {
    std::lock_guard hold(readout_->lock_);
    if (!end_->closed) dtrRts_ = true;
}

bool SimSerialDevice::dtrRtsRaised() const {
    std::lock_guard hold(readout_->lock_);
    return dtrRts_;
}

SysError SimSerialDevice::setBaud(uint32_t baud) {
    if (baud == 0) return SysError(EINVAL);
    std::lock_guard hold(readout_->lock_);
    if (end_->closed) return SysError(EBADF);
    // Bytes that left before now went at the old speed; the rest, still in
    // the buffer, go at the new one.
    readout_->catchUpLocked();
    LineSettings s = end_->line.pcSettings();
    s.baud = baud;
    end_->line.setPcSettings(s);
    readout_->changedLocked();
    return {};
}

LineSettings SimSerialDevice::settings() const {
    std::lock_guard hold(readout_->lock_);
    return end_->line.pcSettings();
}

size_t SimSerialDevice::queued() {
    std::lock_guard hold(readout_->lock_);
    if (end_->closed) return 0;
    readout_->catchUpLocked();
    return end_->line.rxQueued();
}

size_t SimSerialDevice::readQueued(uint8_t* buffer, size_t max) {
    std::lock_guard hold(readout_->lock_);
    if (end_->closed) return 0;
    readout_->catchUpLocked();
    return end_->line.read(buffer, max);
}

IoCount SimSerialDevice::write(const uint8_t* bytes, size_t n) {
    std::unique_lock hold(readout_->lock_);
    IoCount result;
    SimLine& line = end_->line;
    while (result.count < n) {
        if (end_->closed) {
            result.error = SysError(EBADF);
            return result;
        }
        readout_->catchUpLocked();
        const size_t took = line.write(bytes + result.count, n - result.count, readout_->nowLocked());
        if (took > 0) readout_->changedLocked();
        result.count += took;
        if (result.count == n) break;
        const size_t wanted = std::min(n - result.count, WRITE_WAKE_ROOM);
        (void)readout_->awaitLocked(
            hold, *end_, [&line, wanted] { return line.txRoom() >= wanted; },
            [&line, wanted] { return line.leftByUs(wanted); });
    }
    return result;
}

SysError SimSerialDevice::drain() {
    std::unique_lock hold(readout_->lock_);
    SimLine& line = end_->line;
    const bool drained = readout_->awaitLocked(
        hold, *end_, [&line] { return line.txQueued() == 0; },
        [&line] { return line.leftByUs(line.txQueued()); });
    return drained ? SysError() : SysError(EBADF);
}

WaitOutcome SimSerialDevice::waitReceived() {
    std::unique_lock hold(readout_->lock_);
    SimPortEnd& end = *end_;
    (void)readout_->awaitLocked(
        hold, end, [&end] { return end.woken || end.line.rxQueued() > 0; }, nullptr);
    WaitOutcome outcome;
    if (end.closed) {
        outcome.kind = WaitOutcome::Failed;
        outcome.error = SysError(EBADF);
    } else if (end.woken) {
        end.woken = false;
        outcome.kind = WaitOutcome::Woken;
    } else {
        outcome.kind = WaitOutcome::Received;
    }
    return outcome;
}

void SimSerialDevice::wake() {
    std::lock_guard hold(readout_->lock_);
    end_->woken = true;
    readout_->changedLocked();
}

ModemStatus SimSerialDevice::modemStatus() {
    std::lock_guard hold(readout_->lock_);
    if (end_->closed) return ModemStatus::Unreadable;
    readout_->catchUpLocked();
    if (!end_->attached) return ModemStatus::CtsOff;
    return readout_->model_.cts() ? ModemStatus::CtsOn : ModemStatus::CtsOff;
}

void SimSerialDevice::close() {
    std::lock_guard hold(readout_->lock_);
    if (end_->closed) return;
    readout_->catchUpLocked();
    end_->closed = true;
    auto& ends = readout_->ends_;
    ends.erase(std::remove(ends.begin(), ends.end(), end_), ends.end());
    readout_->changedLocked();
}

SimSerialPorts::SimSerialPorts(std::shared_ptr<SimulatedReadout> readout, int unitPort)
    : readout_(std::move(readout)), unitPort_(unitPort) {}

OpenResult SimSerialPorts::open(int n) {
    OpenResult result;
    if (n < 1) {
        result.error = SysError(ENOENT);
        result.advice = "COM port numbers start at 1.";
        return result;
    }
    auto end = std::make_shared<SimPortEnd>();
    end->number = n;
    {
        std::lock_guard hold(readout_->lock_);
        readout_->catchUpLocked();
        bool cableTaken = false;
        for (const auto& other : readout_->ends_) {
            if (other->number == n) {
                result.error = SysError(EBUSY);
                result.advice = "COM" + std::to_string(n) + " is already open.";
                return result;
            }
            cableTaken = cableTaken || other->attached;
        }
        end->attached = !cableTaken && (unitPort_ == 0 || unitPort_ == n);
        readout_->ends_.push_back(end);
        readout_->changedLocked();
    }
    result.device = std::make_shared<SimSerialDevice>(readout_, std::move(end));
    return result;
}

std::string SimSerialPorts::describe(int n) const {
    if (unitPort_ == 0 || unitPort_ == n) return "COM" + std::to_string(n) + ": simulated readout";
    return "COM" + std::to_string(n) + ": simulated port, no unit attached";
}

}  // namespace orlant::sim
