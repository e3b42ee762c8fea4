#include "sim/readout_model.h"

#include <algorithm>
#include <utility>

namespace orlant::sim {

namespace {
constexpr uint8_t ERASE_FIRST = 0x07;
constexpr uint8_t ERASE_SECOND = 0x06;
constexpr uint8_t CORRUPT_MASK = 0x5A;  // any non-zero mask changes the byte
constexpr size_t MAX_EVENTS = 256;
// Timers that fire in one advance() are few (boot, auto action, finish); the
// bound only stops a mis-set timer from looping.
constexpr int MAX_TIMERS_PER_ADVANCE = 64;

bool isNth(uint64_t count, uint32_t every) { return every != 0 && count % every == 0; }
}  // namespace

uint64_t hashBytes(const uint8_t* bytes, size_t n, uint64_t hash) {
    for (size_t i = 0; i < n; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

ReadoutModel::ReadoutModel(ReadoutSettings settings) : settings_(std::move(settings)) {
    scheduleAuto(0);
}

void ReadoutModel::setFrameResponder(std::shared_ptr<FrameResponder> responder) {
    responder_ = std::move(responder);
}

void ReadoutModel::setPower(bool on, uint64_t nowUs) {
    advance(nowUs);
    if (on == powered()) return;
    if (on) {
        note("power on");
        restart(now_);
    } else {
        note("power off");
        enter(UnitState::Off, now_);
    }
}

void ReadoutModel::setHoldC(bool held, uint64_t nowUs) {
    advance(nowUs);
    if (held == holdingC_) return;
    holdingC_ = held;
    // Letting go of "C" before the boot time is over starts normal operation.
    if (!held && state_ == UnitState::Booting) menuRequested_ = false;
    note(held ? "\"C\" held" : "\"C\" released");
    scheduleAuto(now_);
}

void ReadoutModel::pressKey(char key, uint64_t nowUs) {
    advance(nowUs);
    chooseSpeed(key);
    scheduleAuto(now_);
}

void ReadoutModel::chooseSpeed(char key) {
    // The speed can be changed until the first byte of the image arrives.
    if (state_ != UnitState::Menu) return;
    const uint32_t chosen = key == '1' ? SPEED_115200 : key == '2' ? SPEED_57600 : 0;
    if (chosen == 0) return;
    speed_ = chosen;
    lastMenuByte_ = -1;
    note(std::string("key \"") + key + "\": speed " + std::to_string(chosen));
}

void ReadoutModel::pressEnter(uint64_t nowUs) {
    advance(nowUs);
    if (!powered()) return;
    note("ENTER: restart");
    restart(now_);
}

void ReadoutModel::setAutoActs(bool on, uint64_t nowUs) {
    advance(nowUs);
    settings_.autoActs.enabled = on;
    autoUs_.reset();
    scheduleAuto(now_);
}

void ReadoutModel::restart(uint64_t at) {
    menuRequested_ = holdingC_;
    enter(UnitState::Booting, at);
    bootDoneUs_ = at + settings_.bootUs;
}

void ReadoutModel::enter(UnitState next, uint64_t at) {
    state_ = next;
    bootDoneUs_.reset();
    eraseDoneUs_.reset();
    autoUs_.reset();
    if (next == UnitState::Off || next == UnitState::Booting) {
        speed_ = 0;
        lastMenuByte_ = -1;
        lastByteUs_.reset();
        outbox_.clear();
        if (responder_) responder_->reset();
    }
    if (next == UnitState::Menu) counts_ = DownloadCounts{};
    scheduleAuto(at);
}

void ReadoutModel::advance(uint64_t nowUs) {
    fireTimersUpTo(nowUs);
    now_ = std::max(now_, nowUs);
}

void ReadoutModel::fireTimersUpTo(uint64_t nowUs) {
    for (int i = 0; i < MAX_TIMERS_PER_ADVANCE; ++i) {
        const std::optional<uint64_t> finishUs =
            lastByteUs_ && state_ == UnitState::Receiving
                ? std::optional<uint64_t>(*lastByteUs_ + settings_.finishIdleUs)
                : std::nullopt;
        std::optional<uint64_t> due;
        for (const auto& t : {bootDoneUs_, finishUs, eraseDoneUs_, autoUs_}) {
            if (t && (!due || *t < *due)) due = t;
        }
        if (!due || *due > nowUs) return;
        const uint64_t at = std::max(now_, *due);
        now_ = at;
        if (bootDoneUs_ && *bootDoneUs_ == *due) {
            note(menuRequested_ ? "bootloader menu" : "normal operation");
            enter(menuRequested_ ? UnitState::Menu : UnitState::Normal, at);
        } else if (finishUs && *finishUs == *due) {
            note("finished taking in the data: " + std::to_string(counts_.total()) + " bytes (" +
                 std::to_string(counts_.garbage) + " garbled)");
            finishedErase_ = false;
            lastByteUs_.reset();
            enter(UnitState::Finished, at);
        } else if (eraseDoneUs_ && *eraseDoneUs_ == *due) {
            ++erasesDone_;
            note("erase done");
            finishedErase_ = true;
            enter(UnitState::Finished, at);
            answer({ERASE_FIRST, ERASE_SECOND}, ERASE_BAUD, at);
        } else {
            autoUs_.reset();
            runAuto(at);
        }
    }
}

std::optional<uint64_t> ReadoutModel::nextDueUs() const {
    std::optional<uint64_t> due;
    auto consider = [&due](std::optional<uint64_t> t) {
        if (t && (!due || *t < *due)) due = t;
    };
    consider(bootDoneUs_);
    consider(eraseDoneUs_);
    consider(autoUs_);
    if (lastByteUs_ && state_ == UnitState::Receiving) {
        consider(*lastByteUs_ + settings_.finishIdleUs);
    }
    if (!outbox_.empty()) consider(outbox_.front().readyUs);
    return due;
}

bool ReadoutModel::cts() const {
    switch (settings_.faults.cts) {
    case CtsFault::StuckOn: return true;
    case CtsFault::StuckOff: return false;
    case CtsFault::None: break;
    }
    return state_ == UnitState::Normal || state_ == UnitState::Menu ||
           state_ == UnitState::Receiving;
}

uint32_t ReadoutModel::listenBaud() const {
    switch (state_) {
    case UnitState::Normal: return FRAMED_BAUD;
    case UnitState::Menu: return speed_ != 0 ? speed_ : ERASE_BAUD;
    case UnitState::Receiving: return speed_;
    default: return 0;
    }
}

void ReadoutModel::receive(const uint8_t* bytes, size_t n, uint32_t sentAtBaud, uint64_t nowUs) {
    advance(nowUs);
    std::vector<uint8_t> forFrames;
    std::vector<uint8_t> heard;
    for (size_t i = 0; i < n; ++i) {
        const uint32_t listen = listenBaud();
        if (listen == 0) return;  // off, starting, erasing or finished: nothing taken in
        uint8_t byte = bytes[i];
        ++bytesIn_;
        if (isNth(bytesIn_, settings_.faults.toUnit.dropEvery)) continue;
        if (isNth(bytesIn_, settings_.faults.toUnit.corruptEvery)) byte ^= CORRUPT_MASK;
        heard.clear();
        const size_t garbled = mismatch_.receive(byte, sentAtBaud, listen, heard);
        for (uint8_t b : heard) takeIn(b, garbled != 0, now_, forFrames);
    }
    if (!forFrames.empty() && responder_) {
        answer(responder_->onBytes(forFrames.data(), forFrames.size(), now_), FRAMED_BAUD, now_);
    }
}

void ReadoutModel::takeIn(uint8_t byte, bool garbled, uint64_t at,
                          std::vector<uint8_t>& forFrames) {
    if (state_ == UnitState::Normal) {
        forFrames.push_back(byte);
        return;
    }
    if (state_ == UnitState::Menu && speed_ == 0) {
        if (lastMenuByte_ == ERASE_FIRST && byte == ERASE_SECOND) {
            note("erasing user storage");
            enter(UnitState::Erasing, at);
            eraseDoneUs_ = at + settings_.eraseUs;
            return;
        }
        lastMenuByte_ = byte;
        return;
    }
    if (state_ == UnitState::Menu) {
        note("receiving data at " + std::to_string(speed_));
        enter(UnitState::Receiving, at);
    }
    if (state_ != UnitState::Receiving) return;
    (garbled ? counts_.garbage : counts_.good) += 1;
    counts_.hash = hashBytes(&byte, 1, counts_.hash);
    lastByteUs_ = at;
}

void ReadoutModel::answer(const std::vector<uint8_t>& bytes, uint32_t baud, uint64_t at) {
    if (bytes.empty()) return;
    const FaultSettings& faults = settings_.faults;
    if (faults.silent) {
        note("stays silent");
        return;
    }
    const uint64_t ready = at + faults.answerDelayUs;
    auto send = [&](uint8_t byte) {
        ++bytesOut_;
        if (isNth(bytesOut_, faults.fromUnit.dropEvery)) return;
        if (isNth(bytesOut_, faults.fromUnit.corruptEvery)) byte ^= CORRUPT_MASK;
        outbox_.push_back(OutByte{byte, baud, ready});
    };
    for (uint8_t b : faults.noiseBeforeAnswer) send(b);
    for (uint8_t b : bytes) send(b);
}

std::vector<OutByte> ReadoutModel::takeOutput(uint64_t nowUs) {
    advance(nowUs);
    std::vector<OutByte> ready;
    while (!outbox_.empty() && outbox_.front().readyUs <= now_) {
        ready.push_back(outbox_.front());
        outbox_.pop_front();
    }
    return ready;
}

void ReadoutModel::note(std::string text) {
    if (events_.size() == MAX_EVENTS) events_.pop_front();
    events_.push_back(std::move(text));
}

std::vector<std::string> ReadoutModel::takeEvents() {
    std::vector<std::string> taken(events_.begin(), events_.end());
    events_.clear();
    return taken;
}

}  // namespace orlant::sim
