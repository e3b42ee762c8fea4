#include "serial/serial_port.h"

namespace orlant {

std::shared_ptr<SerialDevice> OpenPort(SerialPorts& ports, int n, uint32_t baud, uint8_t byteSize,
                                       uint8_t parity, uint8_t stopBits, uint32_t flags,
                                       OpenResult& result) {
    result = ports.open(n);
    if (!result.device) return nullptr;
    SerialDevice& device = *result.device;
    device.purge();
    LineSettings settings;
    settings.baud = baud;
    settings.byteSize = byteSize;
    settings.parity = parity;
    settings.stopBits = stopBits;
    settings.flags = flags;
    (void)device.configure(settings);
    device.raiseDtrRts();
    return result.device;
}

void SetPortBaud(const SerialPort& port, uint32_t baud) {
    auto device = port.handle();
    if (!device) return;
    (void)device->drain();
    (void)device->setBaud(baud);
}

}  // namespace orlant
