// The simulated Orlant readout: one model of the unit, whatever carries its
// bytes (the in-process serial device or a pseudo-terminal).
//
// Principles of operation:
// - The model has no clock and no thread. Every call carries the unit's
//   current time in microseconds; time only moves forward, and each call
//   first lets everything happen that was due by then (boot, end of an
//   erase, end of a download, the unit's own actions). The carrier asks
//   nextDueUs() when the model next wants to act and calls advance() then.
// - States: Off → (power on) Booting → Normal, or Menu when "C" was held
//   for the whole boot time. In the Menu key "1" picks 115 200 and key "2"
//   picks 57 600; the first byte after that makes it Receiving, and
//   silence for `finishIdleUs` after that makes it Finished: CTS drops and
//   the display shows "Received (N)". ENTER restarts (Booting again) from
//   any state but Off.
// - The erase handshake belongs to the bootloader menu before a speed is
//   picked: the menu listens at 115 200 there, and 0x07 0x06 starts the
//   erase (Erasing, CTS off); `eraseUs` later the unit answers 0x07 0x06 and
//   is Finished until ENTER.
// - CTS is on in Normal, Menu and Receiving, off otherwise (unless a fault
//   holds it). A raw image gets no answer at all: only the count shows it.
// - Bytes sent at a speed the unit is not listening at arrive garbled
//   (SpeedMismatch) and count as garbage; the display counts every byte the
//   unit's UART gave it, as a real unit would.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/frame_responder.h"
#include "sim/readout_settings.h"
#include "sim/speed_mismatch.h"

namespace orlant::sim {

enum class UnitState { Off, Booting, Normal, Menu, Receiving, Erasing, Finished };

// FNV-1a over bytes in order, the fingerprint of what a download delivered.
constexpr uint64_t HASH_START = 14695981039346656037ull;
uint64_t hashBytes(const uint8_t* bytes, size_t n, uint64_t hash = HASH_START);

struct DownloadCounts {
    uint64_t good = 0;     // bytes taken in at the speed chosen on the unit
    uint64_t garbage = 0;  // garbled bytes: the sender used another speed
    uint64_t hash = HASH_START;  // of every byte taken in, garbage included
    uint64_t total() const { return good + garbage; }
};

// One byte the unit sends, with the speed it is sent at and the time it is
// ready for the line.
struct OutByte {
    uint8_t value = 0;
    uint32_t baud = 0;
    uint64_t readyUs = 0;
};

class ReadoutModel {
public:
    explicit ReadoutModel(ReadoutSettings settings = {});

    // What the operator does on the unit.
    void setPower(bool on, uint64_t nowUs);
    void setHoldC(bool held, uint64_t nowUs);
    void pressKey(char key, uint64_t nowUs);  // '1' or '2' in the menu
    void pressEnter(uint64_t nowUs);
    void setAutoActs(bool on, uint64_t nowUs);

    void setFaults(const FaultSettings& faults) { settings_.faults = faults; }
    const ReadoutSettings& settings() const { return settings_; }
    void setFrameResponder(std::shared_ptr<FrameResponder> responder);

    // Bytes that crossed the line from the PC, sent at `sentAtBaud`.
    void receive(const uint8_t* bytes, size_t n, uint32_t sentAtBaud, uint64_t nowUs);
    // Takes the bytes ready to go onto the line by `nowUs`, oldest first.
    std::vector<OutByte> takeOutput(uint64_t nowUs);

    void advance(uint64_t nowUs);
    std::optional<uint64_t> nextDueUs() const;

    bool cts() const;
    // The speed the unit's UART listens at; 0 while it takes nothing in.
    uint32_t listenBaud() const;
    UnitState state() const { return state_; }
    bool powered() const { return state_ != UnitState::Off; }
    bool holdingC() const { return holdingC_; }
    uint32_t speed() const { return speed_; }  // chosen in the menu, 0 for none
    bool autoActs() const { return settings_.autoActs.enabled; }
    const DownloadCounts& counts() const { return counts_; }
    uint64_t erasesDone() const { return erasesDone_; }
    uint64_t nowUs() const { return now_; }

    // The display, top line first; empty while the unit is off.
    std::vector<std::string> display() const;
    // What the unit did since the last call ("bootloader menu", "erase done").
    std::vector<std::string> takeEvents();

private:
    void enter(UnitState next, uint64_t at);
    void restart(uint64_t at);
    void chooseSpeed(char key);
    void fireTimersUpTo(uint64_t nowUs);
    void runAuto(uint64_t at);
    void scheduleAuto(uint64_t at);
    bool autoHasWork() const;
    void takeIn(uint8_t byte, bool garbled, uint64_t at, std::vector<uint8_t>& forFrames);
    void answer(const std::vector<uint8_t>& bytes, uint32_t baud, uint64_t at);
    void note(std::string text);

    ReadoutSettings settings_;
    std::shared_ptr<FrameResponder> responder_;
    UnitState state_ = UnitState::Off;
    uint64_t now_ = 0;
    bool holdingC_ = false;
    bool menuRequested_ = false;  // "C" held since power-on
    bool finishedErase_ = false;  // Finished after an erase, not a download
    uint32_t speed_ = 0;
    int lastMenuByte_ = -1;       // for spotting 0x07 0x06
    DownloadCounts counts_;
    uint64_t erasesDone_ = 0;
    uint64_t bytesIn_ = 0;        // fault counters, per direction
    uint64_t bytesOut_ = 0;
    SpeedMismatch mismatch_;

    std::optional<uint64_t> bootDoneUs_;
    std::optional<uint64_t> lastByteUs_;
    std::optional<uint64_t> eraseDoneUs_;
    std::optional<uint64_t> autoUs_;
    std::deque<OutByte> outbox_;
    std::deque<std::string> events_;
};

}  // namespace orlant::sim
