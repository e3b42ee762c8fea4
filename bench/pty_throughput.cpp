// How fast the termios device's write() moves an image through a
// pseudo-terminal when nothing paces it, and what a receive thread blocked
// in waitReceived() costs while the line is idle.
//
// The writer sends 8 MiB in pieces of 16384 bytes, as the image stream
// does, while another thread reads the master side as fast as it can. A
// real port is paced by its baud rate (115200 baud is about 10 KiB/s); this
// measures the device's own overhead, which must stay far above that.
//
//   pty_throughput [MiB] [idle seconds]
#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/posix_ports.h"

using namespace orlant;
using Clock = std::chrono::steady_clock;

namespace {

constexpr size_t kPiece = 16384;
constexpr int kRuns = 5;

Pty openPtyOrExit() {
    auto pty = openPty();
    if (!pty) {
        std::perror("pseudo-terminal");
        std::exit(1);
    }
    return *pty;
}

// Reads `total` bytes from `fd`; false if the far end stopped first.
bool drainMaster(int fd, size_t total) {
    std::vector<uint8_t> buffer(65536);
    size_t got = 0;
    pollfd readable{fd, POLLIN, 0};
    while (got < total && poll(&readable, 1, 10000) > 0) {
        const ssize_t n = read(fd, buffer.data(), buffer.size());
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return got == total;
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double cpuSeconds(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto tv = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return tv(usage.ru_utime) + tv(usage.ru_stime);
}

double throughputRun(SerialDevice& device, int master, const std::vector<uint8_t>& image) {
    bool complete = false;
    const auto start = Clock::now();
    std::thread reader([&] { complete = drainMaster(master, image.size()); });
    for (size_t offset = 0; offset < image.size(); offset += kPiece) {
        const size_t n = std::min(kPiece, image.size() - offset);
        const IoCount written = device.write(image.data() + offset, n);
        if (written.count != n) {
            std::fprintf(stderr, "write stopped: %s\n", written.error.text().c_str());
            std::exit(1);
        }
    }
    const SysError drained = device.drain();
    reader.join();
    const double elapsed = seconds(Clock::now() - start);
    if (!complete || drained.isError()) {
        std::fprintf(stderr, "the far end did not get everything\n");
        std::exit(1);
    }
    return static_cast<double>(image.size()) / (1024.0 * 1024.0) / elapsed;
}

void idleCost(SerialDevice& device, double idleSeconds) {
    clockid_t threadClock{};
    WaitOutcome::Kind ended = WaitOutcome::Failed;
    std::thread waiter([&] { ended = device.waitReceived().kind; });
    // Give the waiter time to block before the clocks are read.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    pthread_getcpuclockid(waiter.native_handle(), &threadClock);
    const double threadBefore = cpuSeconds(threadClock);
    const double processBefore = processCpuSeconds();
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
    const double wall = seconds(Clock::now() - start);
    const double threadCpu = cpuSeconds(threadClock) - threadBefore;
    const double processCpu = processCpuSeconds() - processBefore;
    device.wake();
    waiter.join();
    std::printf("idle wait: %.1f s wall, waiting thread %.3f ms CPU (%.4f %% of a core), "
                "process %.3f ms CPU (%.4f %%), ended %s\n",
                wall, threadCpu * 1e3, 100.0 * threadCpu / wall, processCpu * 1e3,
                100.0 * processCpu / wall, ended == WaitOutcome::Woken ? "Woken" : "otherwise");
}

}  // namespace

int main(int argc, char** argv) {
    const size_t mebibytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 8;
    const double idleSeconds = argc > 2 ? std::strtod(argv[2], nullptr) : 5.0;

    Pty pty = openPtyOrExit();
    PosixPorts ports({{1, pty.slave}});
    OpenResult opened = ports.open(1);
    if (!opened.device) {
        std::fprintf(stderr, "open %s: %s\n", pty.slave.c_str(), opened.error.text().c_str());
        return 1;
    }
    SerialDevice& device = *opened.device;
    device.configure({115200, 8, PARITY_ODD, STOPBITS_ONE, 0});
    device.purge();

    std::vector<uint8_t> image(mebibytes * 1024 * 1024);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 31 + 7);

    std::vector<double> rates;
    for (int run = 0; run < kRuns; ++run) rates.push_back(throughputRun(device, pty.master, image));
    std::sort(rates.begin(), rates.end());
    std::printf("write through a pseudo-terminal, %zu MiB in %zu-byte pieces, %d runs: "
                "median %.1f MiB/s (min %.1f, max %.1f)\n",
                mebibytes, kPiece, kRuns, rates[kRuns / 2], rates.front(), rates.back());

    idleCost(device, idleSeconds);
    device.close();
    close(pty.master);
    return 0;
}
