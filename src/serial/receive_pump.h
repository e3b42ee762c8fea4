// The receive thread: waits on the open port without polling, drains what
// the unit sent in chunks of at most 511 bytes and hands each chunk to the
// frame receiver (or, while a raw operation listens, to that operation).
//
// While no port is open it looks again every 500 ms. It never writes the
// port handle: a device that went away is reported to the window thread,
// which closes it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "app/app_state.h"
#include "app/ids.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "serial/serial_port.h"

namespace orlant {

constexpr size_t RX_CHUNK_MAX = 511;
constexpr uint32_t RX_IDLE_MS = 500;

// Takes the bytes of received frames (the packet link's receiver).
class ByteReceiver {
public:
    virtual ~ByteReceiver() = default;
    virtual void receiveBytes(const uint8_t* bytes, size_t count) = 0;
};

class ReceivePump {
public:
    ReceivePump(Window& window, Clock& clock, const SerialPort& port, AppState& state);
    ~ReceivePump();

    void setReceiver(ByteReceiver* receiver) { receiver_ = receiver; }
    void start();
    // Ends the thread: call after setting ReceiveStopRequested and closing
    // the port.
    void join();
    // The thread's loop; returns 1 when asked to stop.
    int run();

    // A raw operation takes the received bytes for itself while listening.
    void listenRaw(bool on);
    // Waits up to `ms` for raw bytes; returns how many were taken.
    size_t takeRaw(uint8_t* buffer, size_t max, uint32_t ms);

private:
    void drainReceived(SerialDevice& device);
    void deliver(const uint8_t* bytes, size_t count);

    Window& window_;
    Clock& clock_;
    const SerialPort& port_;
    AppState& state_;
    ByteReceiver* receiver_ = nullptr;
    std::thread thread_;

    std::mutex lock_;
    std::condition_variable wake_;  // idle pause and raw listeners
    bool listening_ = false;
    std::deque<uint8_t> raw_;
};

}  // namespace orlant
