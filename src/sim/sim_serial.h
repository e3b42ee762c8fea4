// Serial ports with a simulated readout at the far end of the cable, behind
// the same interface as the termios back end, with working modem lines.
//
// Which COM number reaches the unit: with `unitPort` 0 (the default), the
// unit's one cable follows the port choice: whichever COM number is opened
// reaches it. With `unitPort` n only COM n does. Any other port opens to an
// empty line: CTS off, the bytes written go nowhere, nothing ever arrives.
// While one port holds the cable a second one opened meanwhile gets an empty
// line. Opening a COM number that is open already fails with EBUSY, like the
// exclusive open of a real port.
//
// Unlike the termios back end, setBaud() does not wait for the transmit
// buffer: bytes still buffered leave at the new speed and reach the unit
// garbled. The program has to drain() before it changes speed; this back end
// is how the tests prove that it does.
#pragma once

#include <memory>
#include <string>

#include "platform/serial.h"
#include "sim/sim_readout.h"

namespace orlant::sim {

class SimSerialDevice final : public SerialDevice {
public:
    SimSerialDevice(std::shared_ptr<SimulatedReadout> readout, std::shared_ptr<SimPortEnd> end);
    ~SimSerialDevice() override;

    SimSerialDevice(const SimSerialDevice&) = delete;
    SimSerialDevice& operator=(const SimSerialDevice&) = delete;

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

    bool dtrRtsRaised() const;

private:
    std::shared_ptr<SimulatedReadout> readout_;
    std::shared_ptr<SimPortEnd> end_;
    bool dtrRts_ = false;  // guarded by the readout's lock
};

class SimSerialPorts final : public SerialPorts {
public:
    explicit SimSerialPorts(std::shared_ptr<SimulatedReadout> readout, int unitPort = 0);

    OpenResult open(int n) override;
    std::string describe(int n) const override;

    SimulatedReadout& readout() { return *readout_; }

private:
    std::shared_ptr<SimulatedReadout> readout_;
    const int unitPort_;
};

}  // namespace orlant::sim
