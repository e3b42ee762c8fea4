// Line settings in termios terms: which flags a LineSettings becomes.
//
// Kept apart from the device so that the choice of flags can be checked
// without a port: a pseudo-terminal forces CS8 and clears PARENB whatever
// it is asked, so only this function shows that odd parity is requested.
#pragma once

#include <termios.h>

#include "platform/serial.h"

namespace orlant {

// The termios speed constant for a standard rate from 300 to 230400 baud;
// B0 for any other rate.
speed_t termiosSpeed(uint32_t baud);

// Turns `t` into the raw line that `settings` describe and returns no
// error; or returns EINVAL (ENOTSUP for DSR flow, which termios cannot do)
// and leaves `t` as it was.
//
// A byte that arrives with a parity or framing error is dropped by the
// driver (INPCK with IGNPAR) rather than marked (PARMRK): the frame
// receiver has no way to tell a mark from data, and a dropped byte shows up
// as a bad checksum that the link resends anyway. A break is dropped too
// (IGNBRK) instead of reading as a NUL byte.
SysError applyLineSettings(const LineSettings& settings, termios& t);

}  // namespace orlant
