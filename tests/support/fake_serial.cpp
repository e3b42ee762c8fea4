#include "support/fake_serial.h"

#include <algorithm>
#include <cerrno>

namespace orlant::test {

void FakeDevice::event(std::string what) { events_.push_back(std::move(what)); }

void FakeDevice::receive(const std::vector<uint8_t>& bytes) {
    std::lock_guard<std::mutex> hold(lock_);
    rx_.insert(rx_.end(), bytes.begin(), bytes.end());
    changed_.notify_all();
}

void FakeDevice::failNextWait(WaitOutcome::Kind kind) {
    std::lock_guard<std::mutex> hold(lock_);
    scripted_.push_back(kind);
    changed_.notify_all();
}

std::vector<uint8_t> FakeDevice::written() {
    std::lock_guard<std::mutex> hold(lock_);
    return tx_;
}
std::vector<size_t> FakeDevice::writeSizes() {
    std::lock_guard<std::mutex> hold(lock_);
    return writeSizes_;
}
std::vector<std::string> FakeDevice::events() {
    std::lock_guard<std::mutex> hold(lock_);
    return events_;
}
bool FakeDevice::closed() {
    std::lock_guard<std::mutex> hold(lock_);
    return closed_;
}
int FakeDevice::waits() {
    std::lock_guard<std::mutex> hold(lock_);
    return waits_;
}

SysError FakeDevice::configure(const LineSettings& settings) {
    std::lock_guard<std::mutex> hold(lock_);
    settings_ = settings;
    event("configure " + std::to_string(settings.baud) + " " + std::to_string(settings.byteSize) +
          " parity " + std::to_string(settings.parity) + " stop " +
          std::to_string(settings.stopBits) + " flags " + std::to_string(settings.flags));
    return {};
}
void FakeDevice::purge() {
    std::lock_guard<std::mutex> hold(lock_);
    rx_.clear();
    event("purge");
}
void FakeDevice::raiseDtrRts() {
    std::lock_guard<std::mutex> hold(lock_);
    event("dtr rts");
}
SysError FakeDevice::setBaud(uint32_t baud) {
    std::lock_guard<std::mutex> hold(lock_);
    if (closed_) return SysError(EBADF);
    settings_.baud = baud;
    event("baud " + std::to_string(baud));
    return {};
}
LineSettings FakeDevice::settings() const {
    std::lock_guard<std::mutex> hold(lock_);
    return settings_;
}
size_t FakeDevice::queued() {
    std::lock_guard<std::mutex> hold(lock_);
    return rx_.size();
}
size_t FakeDevice::readQueued(uint8_t* buffer, size_t max) {
    std::lock_guard<std::mutex> hold(lock_);
    size_t n = std::min(max, rx_.size());
    std::copy_n(rx_.begin(), n, buffer);
    rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
}
IoCount FakeDevice::write(const uint8_t* bytes, size_t n) {
    std::lock_guard<std::mutex> hold(lock_);
    if (closed_) return {0, SysError(EBADF)};
    ++writes_;
    size_t take = writes_ > writesBeforeStall ? 0 : std::min(n, writeLimit);
    tx_.insert(tx_.end(), bytes, bytes + take);
    writeSizes_.push_back(take);
    return {take, take < n ? SysError(EIO) : SysError()};
}
SysError FakeDevice::drain() {
    std::lock_guard<std::mutex> hold(lock_);
    event("drain");
    return closed_ ? SysError(EBADF) : SysError();
}
WaitOutcome FakeDevice::waitReceived() {
    std::unique_lock<std::mutex> hold(lock_);
    ++waits_;
    changed_.notify_all();
    changed_.wait(hold, [&] { return closed_ || woken_ || !rx_.empty() || !scripted_.empty(); });
    WaitOutcome outcome;
    if (!scripted_.empty()) {
        outcome.kind = scripted_.front();
        scripted_.pop_front();
        if (outcome.kind == WaitOutcome::Event) outcome.mask = 128;
    } else if (closed_) {
        outcome.kind = WaitOutcome::Failed;
        outcome.error = SysError(EBADF);
    } else if (woken_) {
        woken_ = false;
        outcome.kind = WaitOutcome::Woken;
    } else {
        outcome.kind = WaitOutcome::Received;
    }
    return outcome;
}
void FakeDevice::wake() {
    std::lock_guard<std::mutex> hold(lock_);
    woken_ = true;
    event("wake");
    changed_.notify_all();
}
void FakeDevice::close() {
    std::lock_guard<std::mutex> hold(lock_);
    closed_ = true;
    event("close");
    changed_.notify_all();
}

OpenResult FakePorts::open(int n) {
    opened.push_back(n);
    auto failure = failures.find(n);
    if (failure != failures.end()) return failure->second;
    auto device = devices.find(n);
    if (device == devices.end()) {
        OpenResult missing;
        missing.error = SysError(ENOENT);
        return missing;
    }
    OpenResult result;
    result.device = device->second;
    return result;
}

bool MemorySettings::openKey(const std::string& key, SysError& error) {
    if (openError.isError()) return error = openError, false;
    if (keys.count(key) == 0) return error = SysError(ENOENT), false;
    return true;
}
bool MemorySettings::createKey(const std::string& key, SysError& error) {
    if (createError.isError()) return error = createError, false;
    keys[key];
    return true;
}
bool MemorySettings::readValue(const std::string& key, const std::string& name, uint32_t& value,
                               SysError& error) {
    if (readError.isError()) return error = readError, false;
    auto k = keys.find(key);
    if (k == keys.end() || k->second.count(name) == 0) return error = SysError(ENOENT), false;
    value = k->second.at(name);
    return true;
}
bool MemorySettings::writeValue(const std::string& key, const std::string& name, uint32_t value,
                                SysError& error) {
    if (writeError.isError()) return error = writeError, false;
    keys[key][name] = value;
    return true;
}

}  // namespace orlant::test
