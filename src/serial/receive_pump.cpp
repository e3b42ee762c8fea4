#include "serial/receive_pump.h"

#include <algorithm>

#include "app/event_log.h"

namespace orlant {

ReceivePump::ReceivePump(Window& window, Clock& clock, const SerialPort& port, AppState& state)
    : window_(window), clock_(clock), port_(port), state_(state) {}

ReceivePump::~ReceivePump() { join(); }

void ReceivePump::start() {
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
}

void ReceivePump::join() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        wake_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
}

int ReceivePump::run() {
    auto stopping = [this] { return state_.ReceiveStopRequested != 0; };
    if (stopping()) return 1;
    std::shared_ptr<SerialDevice> lost;
    for (;;) {
        for (auto device = port_.handle(); device && device != lost; device = port_.handle()) {
            WaitOutcome outcome = device->waitReceived();
            switch (outcome.kind) {
            case WaitOutcome::Received:
                drainReceived(*device);
                break;
            case WaitOutcome::Woken:
                break;
            case WaitOutcome::Event:
                AppendLogLine(window_, RenderEventMask(outcome.mask));
                break;
            case WaitOutcome::Failed:
                // Our own port change or close ends the wait this way too;
                // only a failure on the port still in use is the operator's news.
                if (port_.handle() == device && !stopping()) {
                    window_.send([this] { window_.beep(); });
                    lost = device;
                    window_.post(PostedMessage(MSG_PORT_LOST, 0, 0, device));
                }
                break;
            case WaitOutcome::Lost:
                lost = device;
                window_.post(PostedMessage(MSG_PORT_LOST, 0, 0, device));
                break;
            }
            if (stopping()) return 1;
        }
        std::unique_lock<std::mutex> hold(lock_);
        if (clock_.waitFor(hold, wake_, RX_IDLE_MS, stopping)) return 1;
    }
}

void ReceivePump::drainReceived(SerialDevice& device) {
    uint8_t chunk[RX_CHUNK_MAX];
    for (;;) {
        size_t n = device.readQueued(chunk, RX_CHUNK_MAX);
        if (n == 0) return;
        deliver(chunk, n);
        if (state_.RawTraceEnabled != 0) AppendLogLine(window_, RenderRawTrace(chunk, n));
    }
}

void ReceivePump::deliver(const uint8_t* bytes, size_t count) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (listening_) {
            raw_.insert(raw_.end(), bytes, bytes + count);
            wake_.notify_all();
            return;
        }
    }
    if (receiver_ != nullptr) receiver_->receiveBytes(bytes, count);
}

void ReceivePump::listenRaw(bool on) {
    std::lock_guard<std::mutex> hold(lock_);
    listening_ = on;
    raw_.clear();
}

size_t ReceivePump::takeRaw(uint8_t* buffer, size_t max, uint32_t ms) {
    std::unique_lock<std::mutex> hold(lock_);
    clock_.waitFor(hold, wake_, ms, [this] { return !raw_.empty(); });
    size_t n = std::min(max, raw_.size());
    std::copy_n(raw_.begin(), n, buffer);
    raw_.erase(raw_.begin(), raw_.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
}

}  // namespace orlant
