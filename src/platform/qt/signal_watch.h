// SIGTERM and SIGINT as events of the window thread.
//
// A signal handler may do almost nothing, so it only writes the signal's
// number into a pipe; the event loop watches the pipe's other end and calls
// back on the window thread, where the program can end the way the close
// box ends it, tearing down in order. A signal that arrives before the
// event loop runs waits in the pipe.
#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace orlant::qt {

class SignalWatch {
public:
    // Watches SIGTERM and SIGINT from now on; `onSignal` gets the number.
    // One watch at a time.
    explicit SignalWatch(std::function<void(int)> onSignal);
    ~SignalWatch();  // the default actions apply again

    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    // False when the pipe could not be made; the signals then keep their
    // default action, which ends the program without teardown.
    bool active() const { return notifier_ != nullptr; }

private:
    void drain();

    std::function<void(int)> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace orlant::qt
