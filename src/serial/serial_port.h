// The one open port of the program.
//
// Only the window thread replaces the device; every other thread takes its
// own reference before each use. A thread holding a reference to a device
// that has since been closed gets failures from it, never someone else's
// port: the device object outlives its last user.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/serial.h"

namespace orlant {

class SerialPort {
public:
    std::shared_ptr<SerialDevice> handle() const { return handle_.load(); }
    int number() const { return number_.load(); }
    bool isOpen() const { return handle() != nullptr; }

    // Window thread only.
    void set(std::shared_ptr<SerialDevice> device, int number) {
        number_ = number;
        handle_.store(std::move(device));
    }
    // Clears the handle at once and gives back what it held.
    std::shared_ptr<SerialDevice> take() { return handle_.exchange(nullptr); }

private:
    std::atomic<std::shared_ptr<SerialDevice>> handle_;
    std::atomic<int> number_{0};
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
