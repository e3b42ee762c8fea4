// One serial device as the core sees it, and how a COM number opens one.
//
// Principles of operation: every call may come from any thread. A device
// stays a valid object for as long as someone holds it, even after close():
// calls on a closed device fail at once instead of touching a descriptor the
// system may have handed to someone else. waitReceived() blocks without
// polling and ends when bytes are queued, when wake() is called (a port
// change) or when the device is closed or lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/system.h"

namespace orlant {

// Flow-control flags of a line.
constexpr uint32_t PORT_DSR_FLOW = 1;
constexpr uint32_t PORT_CTS_FLOW = 2;
constexpr uint32_t PORT_XONXOFF = 4;

// Parity and stop-bit codes as the program passes them.
constexpr uint8_t PARITY_NONE = 0, PARITY_ODD = 1, PARITY_EVEN = 2, PARITY_MARK = 3,
                  PARITY_SPACE = 4;
constexpr uint8_t STOPBITS_ONE = 0, STOPBITS_ONE_HALF = 1, STOPBITS_TWO = 2;

struct LineSettings {
    uint32_t baud = 38400;
    uint8_t byteSize = 8;
    uint8_t parity = PARITY_ODD;
    uint8_t stopBits = STOPBITS_ONE;
    uint32_t flags = 0;
};

enum class ModemStatus { CtsOn, CtsOff, Unreadable };

struct WaitOutcome {
    enum Kind {
        Received,  // bytes are queued
        Woken,     // wake() or a port change: an empty event mask
        Event,     // some other line event, given in `mask`
        Failed,    // the wait itself failed (closed device, error)
        Lost,      // the device went away (adapter unplugged)
    } kind = Failed;
    uint32_t mask = 0;
    SysError error;
};

struct IoCount {
    size_t count = 0;  // bytes taken
    SysError error;    // why fewer than asked were taken
};

class SerialDevice {
public:
    virtual ~SerialDevice() = default;

    virtual SysError configure(const LineSettings& settings) = 0;
    // Drops pending output and everything received but not read.
    virtual void purge() = 0;
    // Raises DTR and RTS, unless handshake flow control owns them.
    virtual void raiseDtrRts() = 0;
    // Changes the baud rate only, once what was written has left the port.
    virtual SysError setBaud(uint32_t baud) = 0;
    virtual LineSettings settings() const = 0;

    // Bytes received and not read yet.
    virtual size_t queued() = 0;
    // Reads at most `max` of the bytes already queued; never waits.
    virtual size_t readQueued(uint8_t* buffer, size_t max) = 0;
    // Blocks until the driver has taken all `n` bytes, the device fails or
    // it is closed. Returns how many it took.
    virtual IoCount write(const uint8_t* bytes, size_t n) = 0;
    // Blocks until every byte written has left the port (or close/failure).
    virtual SysError drain() = 0;

    virtual WaitOutcome waitReceived() = 0;
    virtual void wake() = 0;

    virtual ModemStatus modemStatus() = 0;

    // Ends every pending wait, write and drain, then releases the device.
    virtual void close() = 0;
};

struct OpenResult {
    std::shared_ptr<SerialDevice> device;  // null on failure
    SysError error;                         // why not
    std::string advice;                     // what the operator can do about it
};

class SerialPorts {
public:
    virtual ~SerialPorts() = default;
    // Opens COM `n` exclusively, raw, with both queues untouched.
    virtual OpenResult open(int n) = 0;
    // The device COM `n` stands for, in words for a tooltip.
    virtual std::string describe(int n) const = 0;
};

}  // namespace orlant
