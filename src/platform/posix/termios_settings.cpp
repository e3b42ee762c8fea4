#include "platform/posix/termios_settings.h"

#include <cerrno>

namespace orlant {
namespace {

struct SpeedEntry {
    uint32_t baud;
    speed_t speed;
};

constexpr SpeedEntry kSpeeds[] = {
    {300, B300},     {600, B600},     {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},   {9600, B9600},     {19200, B19200},
    {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
};

constexpr uint8_t kXon = 17;
constexpr uint8_t kXoff = 19;

bool byteSizeFlag(uint8_t byteSize, tcflag_t& flag) {
    switch (byteSize) {
        case 5: flag = CS5; return true;
        case 6: flag = CS6; return true;
        case 7: flag = CS7; return true;
        case 8: flag = CS8; return true;
        default: return false;
    }
}

bool parityFlags(uint8_t parity, tcflag_t& flags) {
    switch (parity) {
        case PARITY_NONE: flags = 0; return true;
        case PARITY_ODD: flags = PARENB | PARODD; return true;
        case PARITY_EVEN: flags = PARENB; return true;
#ifdef CMSPAR
        // With CMSPAR the parity bit is fixed: PARODD makes it 1 (mark).
        case PARITY_MARK: flags = PARENB | CMSPAR | PARODD; return true;
        case PARITY_SPACE: flags = PARENB | CMSPAR; return true;
#endif
        default: return false;
    }
}

bool stopBitsFlag(uint8_t stopBits, uint8_t byteSize, tcflag_t& flag) {
    switch (stopBits) {
        case STOPBITS_ONE: flag = 0; return true;
        case STOPBITS_TWO: flag = CSTOPB; return true;
        // UARTs send one and a half stop bits for CSTOPB only at 5 data bits.
        case STOPBITS_ONE_HALF: flag = CSTOPB; return byteSize == 5;
        default: return false;
    }
}

}  // namespace

speed_t termiosSpeed(uint32_t baud) {
    for (const SpeedEntry& entry : kSpeeds) {
        if (entry.baud == baud) return entry.speed;
    }
    return B0;
}

SysError applyLineSettings(const LineSettings& s, termios& t) {
    constexpr uint32_t kKnownFlags = PORT_DSR_FLOW | PORT_CTS_FLOW | PORT_XONXOFF;
    if ((s.flags & PORT_DSR_FLOW) != 0) return SysError(ENOTSUP);
    const speed_t speed = termiosSpeed(s.baud);
    tcflag_t size = 0, parity = 0, stop = 0;
    if (speed == B0 || (s.flags & ~kKnownFlags) != 0 || !byteSizeFlag(s.byteSize, size) ||
        !parityFlags(s.parity, parity) || !stopBitsFlag(s.stopBits, s.byteSize, stop)) {
        return SysError(EINVAL);
    }

    termios raw = t;
    cfmakeraw(&raw);
    tcflag_t cleared = CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS;
#ifdef CMSPAR
    cleared |= CMSPAR;
#endif
    raw.c_cflag &= ~cleared;
    raw.c_cflag |= size | parity | stop | CLOCAL | CREAD;
    if ((s.flags & PORT_CTS_FLOW) != 0) raw.c_cflag |= CRTSCTS;

    raw.c_iflag &= ~(IXON | IXOFF | IXANY | PARMRK | INPCK);
    raw.c_iflag |= IGNPAR | IGNBRK;
    if (s.parity != PARITY_NONE) raw.c_iflag |= INPCK;
    if ((s.flags & PORT_XONXOFF) != 0) raw.c_iflag |= IXON | IXOFF;
    raw.c_cc[VSTART] = kXon;
    raw.c_cc[VSTOP] = kXoff;
    // Reads never wait in the driver: the receive thread waits in poll().
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;

    if (cfsetispeed(&raw, speed) != 0 || cfsetospeed(&raw, speed) != 0) return SysError(EINVAL);
    t = raw;
    return {};
}

}  // namespace orlant
