// One open terminal device (a serial port or a pseudo-terminal) behind the
// SerialDevice interface.
//
// Principles of operation:
// - The descriptor stays non-blocking. Whoever has to wait (for received
//   bytes, for room to write, for the line to drain) waits in poll() on the
//   descriptor together with two event descriptors: `wakeFd_`, which wake()
//   signals and the next wait consumes, and `closeFd_`, which close()
//   signals once and for good.
// - Every call that touches the descriptor holds `fdLock_` shared for the
//   whole call, its poll() included. close() first signals `closeFd_`, so
//   every such poll() returns, then takes the lock exclusively and closes
//   the descriptor. No thread can therefore be inside a system call on the
//   descriptor's number when it is closed and handed out again; calls that
//   come later find the device closed and fail at once with EBADF.
// - A device that went away (a USB adapter unplugged, the far side of a
//   pseudo-terminal closed) shows up as POLLHUP/POLLERR or as EIO, ENXIO or
//   ENODEV. waitReceived() reports that once as Lost; later waits then
//   watch only wake() and close(), so a receive loop never spins on it.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <shared_mutex>

#include "platform/serial.h"

namespace orlant {

class TermiosDevice final : public SerialDevice {
public:
    // Takes over `fd`, an open terminal (O_NONBLOCK, held exclusively by the
    // caller's open). Returns null and closes `fd` when the event
    // descriptors cannot be made.
    static std::shared_ptr<TermiosDevice> adopt(int fd, SysError& error);
    ~TermiosDevice() override;

    TermiosDevice(const TermiosDevice&) = delete;
    TermiosDevice& operator=(const TermiosDevice&) = delete;

    SysError configure(const LineSettings& settings) override;
    void purge() override;
    void raiseDtrRts() override;
    SysError setBaud(uint32_t baud) override;
    LineSettings settings() const override;

    size_t queued() override;
    size_t readQueued(uint8_t* buffer, size_t max) override;
    IoCount write(const uint8_t* bytes, size_t n) override;
    SysError drain() override;

    WaitOutcome waitReceived() override;
    void wake() override;

    ModemStatus modemStatus() override;

    void close() override;

private:
    TermiosDevice(int fd, int wakeFd, int closeFd, bool pseudoTerminal)
        : fd_(fd), wakeFd_(wakeFd), closeFd_(closeFd), pseudoTerminal_(pseudoTerminal) {}

    // The descriptor for the length of one call, or -1 once closing began.
    class Use;

    size_t queuedOn(int fd);
    SysError awaitWritable(int fd);
    SysError drainOn(int fd);
    // Remembers that the device went away when `err` says so.
    void noteFailure(int err);

    mutable std::shared_mutex fdLock_;
    int fd_;
    std::atomic<bool> closing_{false};
    const int wakeFd_;
    const int closeFd_;
    const bool pseudoTerminal_;

    mutable std::mutex settingsLock_;
    LineSettings settings_;

    std::atomic<bool> lost_{false};
    std::atomic<bool> lostReported_{false};
};

}  // namespace orlant
