// A serial device and port opener for tests: the test queues what the unit
// "sends", sets CTS, and reads back what the program wrote and when it
// changed speed.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

#include "platform/serial.h"
#include "platform/settings.h"

namespace orlant::test {

class FakeDevice : public SerialDevice {
public:
    // --- what the test controls -------------------------------------------
    void receive(const std::vector<uint8_t>& bytes);  // the unit sends
    void failNextWait(WaitOutcome::Kind kind);        // the next wait ends so
    ModemStatus modem = ModemStatus::Unreadable;
    size_t writeLimit = SIZE_MAX;  // most bytes one write() takes
    size_t writesBeforeStall = SIZE_MAX;  // after these, writes take nothing

    // --- what the test reads back ---------------------------------------------
    std::vector<uint8_t> written();
    std::vector<size_t> writeSizes();
    std::vector<std::string> events();  // "configure 38400", "purge", "drain", "baud 115200", ...
    bool closed();
    int waits();

    // --- SerialDevice ---------------------------------------------------------
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
    ModemStatus modemStatus() override { return modem; }
    void close() override;

private:
    void event(std::string what);
    mutable std::mutex lock_;
    std::condition_variable changed_;
    LineSettings settings_;
    std::deque<uint8_t> rx_;
    std::vector<uint8_t> tx_;
    std::vector<size_t> writeSizes_;
    std::vector<std::string> events_;
    std::deque<WaitOutcome::Kind> scripted_;
    bool woken_ = false;
    bool closed_ = false;
    int waits_ = 0;
    size_t writes_ = 0;
};

class FakePorts : public SerialPorts {
public:
    // COM numbers that open, each to its own device.
    std::map<int, std::shared_ptr<FakeDevice>> devices;
    // COM numbers that fail, with the system error and advice.
    std::map<int, OpenResult> failures;
    std::vector<int> opened;

    OpenResult open(int n) override;
    std::string describe(int n) const override { return "/dev/fake" + std::to_string(n); }
};

// An in-memory settings store; each operation can be made to fail.
class MemorySettings : public SettingsStore {
public:
    std::map<std::string, std::map<std::string, uint32_t>> keys;
    SysError openError, createError, readError, writeError;  // set to fail

    bool openKey(const std::string& key, SysError& error) override;
    bool createKey(const std::string& key, SysError& error) override;
    bool readValue(const std::string& key, const std::string& name, uint32_t& value,
                   SysError& error) override;
    bool writeValue(const std::string& key, const std::string& name, uint32_t value,
                    SysError& error) override;
};

}  // namespace orlant::test
