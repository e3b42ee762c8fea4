// What the raw operations (the image stream and the flash erase) share:
// the port, the busy guard, one worker thread, and how they report their
// end to the window.
//
// A raw operation writes the port directly, outside the framed protocol. At
// most one runs; `rawBusy` is raised before its worker can run and lowered
// only after the worker's last use of the port.
#pragma once

#include <cstdint>
#include <string>
#include <thread>

#include "app/app_state.h"
#include "app/progress_strip.h"
#include "platform/clock.h"
#include "platform/resources.h"
#include "platform/window.h"
#include "serial/receive_pump.h"
#include "serial/serial_port.h"

namespace orlant {

// How long writes may take nothing before the operation gives up: an
// unplugged adapter or a closed port must not keep a worker busy for ever.
constexpr uint32_t RAW_STALL_LIMIT_MS = 10000;
// A fruitless write is tried again after this pause.
constexpr uint32_t RAW_RETRY_PAUSE_MS = 100;

// lParam of MSG_RAW_DONE.
constexpr int64_t RAW_DONE_OK = 1;
constexpr int64_t RAW_DONE_FAILED = 0;

struct RawContext {
    Window& window;
    Clock& clock;
    SerialPort& port;
    Resources& resources;
    ProgressStrip& strip;
    AppState& state;
    ReceivePump& pump;
};

// The one worker thread of the raw operations.
class RawWorker {
public:
    ~RawWorker() { join(); }
    template <typename Fn>
    void start(Fn&& fn) {
        join();  // the previous one has lowered rawBusy and is ending
        thread_ = std::thread(std::forward<Fn>(fn));
    }
    void join() {
        if (thread_.joinable()) thread_.join();
    }

private:
    std::thread thread_;
};

// Writes all `n` bytes to whatever port is open, advancing past what each
// write takes. Gives up when nothing has been taken for RAW_STALL_LIMIT_MS
// or the program is closing. `progress` runs after each write that took
// something, with the total so far. Returns how many bytes were written.
template <typename Progress>
size_t WriteRaw(RawContext& context, const uint8_t* bytes, size_t n, size_t piece,
                Progress&& progress);

// Posts the end of a raw operation; a failure carries its reason.
void PostRawDone(Window& window, bool ok, const std::string& reason);

// The window's side of MSG_RAW_DONE: the strip goes, a beep, and the guide
// moves to its finishing step. A failed operation is not a finished
// download: its reason is shown and an interrupted download returns to the
// speed choice, where the operator can start it again.
void HandleRawDone(Window& window, AppState& state, ProgressStrip& strip,
                   const PostedMessage& message);

// ---------------------------------------------------------------------------

template <typename Progress>
size_t WriteRaw(RawContext& context, const uint8_t* bytes, size_t n, size_t piece,
                Progress&& progress) {
    size_t done = 0;
    uint32_t lastProgress = context.clock.tickMs();
    while (done < n && context.state.ReceiveStopRequested == 0) {
        size_t ask = n - done < piece ? n - done : piece;
        auto device = context.port.handle();
        size_t took = device ? device->write(bytes + done, ask).count : 0;
        if (took > 0) {
            done += took;
            lastProgress = context.clock.tickMs();
            progress(done);
            continue;
        }
        if (context.clock.tickMs() - lastProgress >= RAW_STALL_LIMIT_MS) break;
        context.clock.sleepMs(RAW_RETRY_PAUSE_MS);
    }
    return done;
}

}  // namespace orlant
