// The one open port of the program.
//
// Only the window thread replaces the device; every other thread takes its
// own reference before each use. A thread holding a reference to a device
// that has since been closed gets failures from it, never someone else's
// port: the device object outlives its last user.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/serial.h"

namespace orlant {

class SerialPort {
public:
    std::shared_ptr<SerialDevice> handle() const {
        std::lock_guard<std::mutex> hold(lock_);
        return handle_;
    }
    int number() const {
        std::lock_guard<std::mutex> hold(lock_);
        return number_;
    }
    bool isOpen() const { return handle() != nullptr; }

    // Window thread only.
    void set(std::shared_ptr<SerialDevice> device, int number) {
        std::lock_guard<std::mutex> hold(lock_);
        number_ = number;
        handle_ = std::move(device);
    }
    // Clears the handle at once and gives back what it held.
    std::shared_ptr<SerialDevice> take() {
        std::lock_guard<std::mutex> hold(lock_);
        return std::exchange(handle_, nullptr);
    }

private:
    // Held only to copy or swap the pointer, never across a call on the device.
    mutable std::mutex lock_;
    std::shared_ptr<SerialDevice> handle_;
    int number_ = 0;
};

// Opens COM `n` and sets the line up: both queues purged (whatever the unit
// sent before is lost), the settings applied, DTR and RTS raised. Once the
// device is open the set-up steps cannot make it fail.
std::shared_ptr<SerialDevice> OpenPort(SerialPorts& ports, int n, uint32_t baud, uint8_t byteSize,
                                       uint8_t parity, uint8_t stopBits, uint32_t flags,
                                       OpenResult& result);

// Changes only the speed of the open port, after what was written has left
// it: a raw image must not lose its tail to the change back to 38400.
void SetPortBaud(const SerialPort& port, uint32_t baud);

}  // namespace orlant
