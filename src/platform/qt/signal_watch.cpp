#include "platform/qt/signal_watch.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace orlant::qt {

namespace {

constexpr int kWatched[] = {SIGTERM, SIGINT};

// The handler can reach only globals; there is one watch at a time.
int pipeFds[2] = {-1, -1};

extern "C" void onSignalArrived(int signo) {
    int saved = errno;
    unsigned char byte = static_cast<unsigned char>(signo);
    // A full pipe already holds a wake-up, so a lost byte changes nothing.
    [[maybe_unused]] ssize_t n = write(pipeFds[1], &byte, 1);
    errno = saved;
}

}  // namespace

SignalWatch::SignalWatch(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipeFds[0] = pipeFds[1] = -1;
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(pipeFds[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { drain(); });
    struct sigaction action {};
    action.sa_handler = onSignalArrived;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signo : kWatched) sigaction(signo, &action, nullptr);
}

SignalWatch::~SignalWatch() {
    for (int signo : kWatched) std::signal(signo, SIG_DFL);
    notifier_.reset();
    for (int& fd : pipeFds) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
}

void SignalWatch::drain() {
    unsigned char bytes[16];
    // Bounded: the pipe is non-blocking and each read empties up to 16.
    for (int round = 0; round < 64; ++round) {
        ssize_t n = read(pipeFds[0], bytes, sizeof bytes);
        if (n <= 0) return;
        for (ssize_t i = 0; i < n; ++i) onSignal_(bytes[i]);
    }
}

}  // namespace orlant::qt
