#include "platform/posix/termios_device.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "platform/posix/termios_settings.h"

namespace orlant {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Between two looks at the output queue while draining.
constexpr int kDrainPollMs = 2;
// On top of the time the queued bytes need on the line.
constexpr auto kDrainMargin = std::chrono::milliseconds(1000);
// Bit times one byte takes on the line: start, 8 data, parity, stop.
constexpr uint64_t kBitsPerByte = 11;
// poll() saying "readable" while nothing is queued, this many times in a
// row, means the driver is broken: the device counts as lost.
constexpr int kMaxEmptyReadable = 100;

// Unix98 pseudo-terminal slaves (/dev/pts/N) have these major numbers.
constexpr unsigned kPtySlaveMajorFirst = 136;
constexpr unsigned kPtySlaveMajorLast = 143;

bool isPseudoTerminal(int fd) {
    struct stat info{};
    if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) return false;
    const unsigned m = major(info.st_rdev);
    return m >= kPtySlaveMajorFirst && m <= kPtySlaveMajorLast;
}

bool meansGone(int err) { return err == EIO || err == ENXIO || err == ENODEV; }

// How long `bytes` may take to leave the port at `baud`: twice the line time
// (adapters buffer and pace in bursts) plus a margin.
SteadyClock::duration drainBudget(int bytes, uint32_t baud) {
    const uint64_t lineMs = static_cast<uint64_t>(bytes) * kBitsPerByte * 1000 / std::max(baud, 1u);
    return std::chrono::milliseconds(2 * lineMs) + kDrainMargin;
}

void signal(int eventFd) {
    const uint64_t one = 1;
    // Fails only when the counter is about to overflow: it is signalled then.
    [[maybe_unused]] ssize_t ignored = ::write(eventFd, &one, sizeof one);
}

WaitOutcome outcome(WaitOutcome::Kind kind, SysError error = {}) {
    WaitOutcome result;
    result.kind = kind;
    result.error = std::move(error);
    return result;
}

}  // namespace

class TermiosDevice::Use {
public:
    explicit Use(const TermiosDevice& device)
        : lock(device.fdLock_), fd(device.closing_.load() ? -1 : device.fd_) {}
    explicit operator bool() const { return fd >= 0; }

    std::shared_lock<std::shared_mutex> lock;  // first: held before fd is read
    const int fd;
};

std::shared_ptr<TermiosDevice> TermiosDevice::adopt(int fd, SysError& error) {
    const int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    const int closeFd = wakeFd < 0 ? -1 : eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (closeFd < 0) {
        error = SysError(static_cast<uint32_t>(errno));
        if (wakeFd >= 0) ::close(wakeFd);
        ::close(fd);
        return nullptr;
    }
    return std::shared_ptr<TermiosDevice>(
        new TermiosDevice(fd, wakeFd, closeFd, isPseudoTerminal(fd)));
}

TermiosDevice::~TermiosDevice() {
    close();
    ::close(wakeFd_);
    ::close(closeFd_);
}

void TermiosDevice::noteFailure(int err) {
    if (meansGone(err)) lost_ = true;
}

SysError TermiosDevice::configure(const LineSettings& wanted) {
    Use use(*this);
    if (!use) return SysError(EBADF);
    termios t{};
    if (tcgetattr(use.fd, &t) != 0) return SysError(static_cast<uint32_t>(errno));
    if (SysError e = applyLineSettings(wanted, t); e.isError()) return e;
    if (pseudoTerminal_) {
        // No wire, so no parity or byte size: the kernel keeps CS8 without
        // PARENB, and glibc's tcsetattr() reports the dropped bits as EINVAL.
        t.c_cflag = (t.c_cflag & ~(CSIZE | PARENB)) | CS8;
    }
    if (tcsetattr(use.fd, TCSANOW, &t) != 0) return SysError(static_cast<uint32_t>(errno));
    std::lock_guard lock(settingsLock_);
    settings_ = wanted;
    return {};
}

void TermiosDevice::purge() {
    Use use(*this);
    if (use) tcflush(use.fd, TCIOFLUSH);
}

void TermiosDevice::raiseDtrRts() {
    Use use(*this);
    if (!use) return;
    // With CTS flow control the driver drives RTS itself.
    int lines = TIOCM_DTR;
    if ((settings().flags & PORT_CTS_FLOW) == 0) lines |= TIOCM_RTS;
    // A pseudo-terminal has no modem lines (ENOTTY/EINVAL): nothing to raise.
    ioctl(use.fd, TIOCMBIS, &lines);
}

SysError TermiosDevice::setBaud(uint32_t baud) {
    const speed_t speed = termiosSpeed(baud);
    if (speed == B0) return SysError(EINVAL);
    Use use(*this);
    if (!use) return SysError(EBADF);
    // Changing the speed under bytes still in the driver garbles them: the
    // tail of an image must leave at the speed it was written at. A drain
    // that fails for another reason than close still lets the change go on.
    const SysError drained = drainOn(use.fd);
    if (closing_) return SysError(EBADF);
    termios t{};
    if (tcgetattr(use.fd, &t) != 0) return SysError(static_cast<uint32_t>(errno));
    if (cfsetispeed(&t, speed) != 0 || cfsetospeed(&t, speed) != 0) return SysError(EINVAL);
    if (tcsetattr(use.fd, TCSANOW, &t) != 0) return SysError(static_cast<uint32_t>(errno));
    {
        std::lock_guard lock(settingsLock_);
        settings_.baud = baud;
    }
    return drained;
}

LineSettings TermiosDevice::settings() const {
    std::lock_guard lock(settingsLock_);
    return settings_;
}

size_t TermiosDevice::queuedOn(int fd) {
    int count = 0;
    if (ioctl(fd, FIONREAD, &count) != 0) {
        noteFailure(errno);
        return 0;
    }
    return count > 0 ? static_cast<size_t>(count) : 0;
}

size_t TermiosDevice::queued() {
    Use use(*this);
    return use ? queuedOn(use.fd) : 0;
}

size_t TermiosDevice::readQueued(uint8_t* buffer, size_t max) {
    Use use(*this);
    if (!use) return 0;
    const size_t wanted = std::min(max, queuedOn(use.fd));
    if (wanted == 0) return 0;
    for (;;) {
        const ssize_t got = ::read(use.fd, buffer, wanted);
        if (got > 0) return static_cast<size_t>(got);
        if (got == 0) {
            // End of file on a terminal that had bytes queued: it hung up.
            lost_ = true;
            return 0;
        }
        if (errno == EINTR) continue;
        noteFailure(errno);
        return 0;
    }
}

SysError TermiosDevice::awaitWritable(int fd) {
    for (;;) {
        pollfd fds[2] = {{closeFd_, POLLIN, 0}, {fd, POLLOUT, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return SysError(static_cast<uint32_t>(errno));
        }
        if (fds[0].revents != 0) return SysError(EBADF);
        if ((fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            lost_ = true;
            return SysError(ENODEV);
        }
        if ((fds[1].revents & POLLOUT) != 0) return {};
    }
}

IoCount TermiosDevice::write(const uint8_t* bytes, size_t n) {
    IoCount result;
    Use use(*this);
    if (!use) {
        result.error = SysError(EBADF);
        return result;
    }
    // Each pass either moves bytes into the driver or waits for room.
    while (result.count < n) {
        const ssize_t put = ::write(use.fd, bytes + result.count, n - result.count);
        if (put > 0) {
            result.count += static_cast<size_t>(put);
            continue;
        }
        const int err = put < 0 ? errno : EIO;
        if (err == EINTR) continue;
        if (err == EAGAIN) {
            result.error = awaitWritable(use.fd);
            if (result.error.isError()) break;
            continue;
        }
        noteFailure(err);
        result.error = SysError(static_cast<uint32_t>(err));
        break;
    }
    return result;
}

SysError TermiosDevice::drainOn(int fd) {
    const LineSettings line = settings();
    int pending = 0;
    int largest = 0;
    SteadyClock::time_point deadline{};
    // TIOCOUTQ instead of tcdrain(): tcdrain() cannot be cut short by close()
    // from another thread, a poll() on the close descriptor can.
    for (;;) {
        if (ioctl(fd, TIOCOUTQ, &pending) != 0) {
            noteFailure(errno);
            return SysError(static_cast<uint32_t>(errno));
        }
        if (pending <= 0) break;
        const auto now = SteadyClock::now();
        if (pending > largest) {
            largest = pending;
            deadline = now + drainBudget(pending, line.baud);
        } else if (now > deadline) {
            return SysError(ETIMEDOUT);
        }
        pollfd closed = {closeFd_, POLLIN, 0};
        if (poll(&closed, 1, kDrainPollMs) > 0) return SysError(EBADF);
    }
    // The count above leaves out what sits in the UART's or the adapter's own
    // FIFO, a few dozen bytes at most; tcdrain() waits for those. Without flow
    // control nothing can hold them up, so the wait is short.
    if ((line.flags & (PORT_CTS_FLOW | PORT_XONXOFF)) == 0) {
        while (tcdrain(fd) != 0) {
            if (errno == EINTR) continue;
            noteFailure(errno);
            return SysError(static_cast<uint32_t>(errno));
        }
    }
    return {};
}

SysError TermiosDevice::drain() {
    Use use(*this);
    return use ? drainOn(use.fd) : SysError(EBADF);
}

WaitOutcome TermiosDevice::waitReceived() {
    Use use(*this);
    if (!use) return outcome(WaitOutcome::Failed, SysError(EBADF));
    int emptyReadable = 0;
    for (;;) {
        if (lost_ && !lostReported_.exchange(true)) {
            return outcome(WaitOutcome::Lost, SysError(ENODEV));
        }
        // Once the loss is reported the descriptor is left out: a hung-up
        // terminal is readable for ever.
        const int watched = lostReported_ ? -1 : use.fd;
        pollfd fds[3] = {{closeFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}, {watched, POLLIN, 0}};
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR) continue;
            return outcome(WaitOutcome::Failed, SysError(static_cast<uint32_t>(errno)));
        }
        if (fds[0].revents != 0) return outcome(WaitOutcome::Failed, SysError(EBADF));
        if (fds[1].revents != 0) {
            uint64_t count = 0;
            [[maybe_unused]] ssize_t ignored = ::read(wakeFd_, &count, sizeof count);
            return outcome(WaitOutcome::Woken);
        }
        if ((fds[2].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            lost_ = true;
            continue;
        }
        if ((fds[2].revents & POLLIN) != 0) {
            if (queuedOn(use.fd) > 0) return outcome(WaitOutcome::Received);
            if (++emptyReadable >= kMaxEmptyReadable) lost_ = true;
        }
    }
}

void TermiosDevice::wake() { signal(wakeFd_); }

ModemStatus TermiosDevice::modemStatus() {
    Use use(*this);
    if (!use) return ModemStatus::Unreadable;
    int lines = 0;
    if (ioctl(use.fd, TIOCMGET, &lines) != 0) {
        // ENOTTY or EINVAL: a pseudo-terminal, which has no modem lines.
        noteFailure(errno);
        return ModemStatus::Unreadable;
    }
    return (lines & TIOCM_CTS) != 0 ? ModemStatus::CtsOn : ModemStatus::CtsOff;
}

void TermiosDevice::close() {
    if (closing_.exchange(true)) return;
    signal(closeFd_);
    std::unique_lock lock(fdLock_);
    // Output still queued would hold up the close for up to the driver's
    // closing_wait (30 s on a UART); whoever closes has given up on it.
    tcflush(fd_, TCOFLUSH);
    ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
}

}  // namespace orlant
