// How close the raw image stream comes to the line rate, through the core's
// own path: the guide's speed button starts StartImageDownload and its
// worker, which writes 16384-byte pieces and reports progress to the window
// thread after each one.
//
// 1. Line efficiency: the simulated readout at real time (time scale 1), the
//    unit in its bootloader menu at 115 200 or 57 600. Measured from the
//    button to the moment the unit has counted the image's last byte;
//    efficiency = bytes / seconds / (baud / 11), 11 bit times per byte (8
//    data bits, odd parity, a stop bit). Each byte the unit took in is
//    checked (count, garbled bytes, fingerprint). The time to MSG_RAW_DONE
//    is shown too: it adds the worker's deliberate 100 ms pause and the
//    change back to 38400.
// 2. Writer throughput: the same worker through the termios back end into a
//    pseudo-terminal, which does not pace, with a thread reading the master
//    side as fast as it can. Started with command 1015, since a pseudo-
//    terminal has no CTS for the guide to wait for.
//
// The window is the tests' recording double, pumped by this thread as the
// window thread would be. Goal: at least 99.5 % of the line rate.
//
//   stream_efficiency [image KiB for the line runs] [MiB for the pty runs] [line runs]
#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/ids.h"
#include "app/shell.h"
#include "platform/posix/posix_desktop.h"
#include "platform/posix/posix_ports.h"
#include "sim/sim_serial.h"
#include "support/fake_serial.h"
#include "support/fake_window.h"

using namespace orlant;
using Steady = std::chrono::steady_clock;

namespace {

constexpr double GOAL = 0.995;
constexpr int TIMEOUT_MS = 120000;
// A pseudo-terminal's speed depends on when the kernel's worker moves its
// buffer, which varies a lot from run to run: more runs, and the median.
constexpr int PTY_RUNS = 7;

double seconds(Steady::duration d) { return std::chrono::duration<double>(d).count(); }

[[noreturn]] void die(const std::string& why) {
    std::fprintf(stderr, "stream_efficiency: %s\n", why.c_str());
    std::exit(1);
}

// The images the bench streams, made up here instead of the linked ones so
// that a run takes seconds.
class BenchResources : public Resources {
public:
    explicit BenchResources(size_t softwareBytes) : software_(softwareBytes) {
        for (size_t i = 0; i < software_.size(); ++i)
            software_[i] = static_cast<uint8_t>(i * 31 + 7);
    }
    std::optional<EmbeddedFile> findEmbedded(const std::string& name) override {
        if (name != "ORLANT_2_REVO_SOFTWARE") return std::nullopt;
        return EmbeddedFile{software_.data(), software_.size()};
    }
    const std::vector<uint8_t>& software() const { return software_; }

private:
    std::vector<uint8_t> software_;
};

// The shell over the window double, started as the program starts it.
struct Bench {
    Bench(SerialPorts& ports, Resources& resources)
        : shell(Services{window, systemClock(), desktop, ports, settings, resources}) {
        window.attach(&shell);
        shell.start();
        window.pump();
    }
    ~Bench() {
        window.close();
        shell.teardown();
    }
    void press(int id) {
        shell.onCommand(id);
        window.pump();
    }
    // Pumps, with the line monitor's tick every 100 ms, until `done()`.
    template <typename Done>
    void await(const char* what, Done done) {
        const auto limit = Steady::now() + std::chrono::milliseconds(TIMEOUT_MS);
        auto nextTick = Steady::now();
        while (!done()) {
            if (Steady::now() > limit) die(std::string("timed out waiting for ") + what);
            if (Steady::now() >= nextTick) {
                window.tick();
                nextTick += std::chrono::milliseconds(100);
            }
            window.pumpUntil(done, 5);
        }
    }

    test::FakeWindow window;
    PosixDesktop desktop;
    test::MemorySettings settings;
    Shell shell;
};

struct LineRun {
    double toLastByte = 0;  // seconds from the button to the unit's count of the last byte
    double toRawDone = 0;   // seconds from the button to MSG_RAW_DONE handled
};

LineRun lineRun(uint32_t baud, BenchResources& resources) {
    const std::vector<uint8_t>& image = resources.software();
    sim::ReadoutSettings unitSettings;
    unitSettings.bootUs = 50'000;  // the boot is no part of the measure
    auto unit = std::make_shared<sim::SimulatedReadout>(systemClock(), 1.0, unitSettings);
    sim::SimSerialPorts ports(unit);
    Bench bench(ports, resources);
    AppState& state = bench.shell.state();

    // The operator's steps: the unit into its menu, the speed on the unit,
    // then the guide up to the speed choice.
    unit->setHoldC(true);
    unit->setPower(true);
    bench.await("the bootloader menu", [&] { return unit->view().state == sim::UnitState::Menu; });
    unit->setHoldC(false);
    unit->pressKey(baud == sim::SPEED_115200 ? '1' : '2');
    bench.await("the line to the unit", [&] { return state.lineState == LINE_NO_UNIT; });
    bench.press(ID_NEXT);
    bench.press(ID_NEXT);
    bench.press(ID_NEXT);  // "Software"
    bench.await("the speed buttons", [&] {
        return state.guide.step == STEP_CHOOSE_SPEED && state.lineState == LINE_UNIT_READY;
    });

    const auto start = Steady::now();
    bench.press(baud == sim::SPEED_115200 ? ID_NEXT : ID_BACK);
    if (state.rawBusy == 0) die("the speed button started no download");
    bench.await("the unit to count the last byte",
                [&] { return unit->view().counts.total() >= image.size(); });
    LineRun run;
    run.toLastByte = seconds(Steady::now() - start);
    bench.await("the end of the stream",
                [&] { return state.rawBusy == 0 && state.guide.step >= STEP_FINISHING; });
    run.toRawDone = seconds(Steady::now() - start);

    const sim::DownloadCounts counts = unit->view().counts;
    if (counts.good != image.size() || counts.garbage != 0 ||
        counts.hash != sim::hashBytes(image.data(), image.size())) {
        die("the unit took in " + std::to_string(counts.good) + " bytes and " +
            std::to_string(counts.garbage) + " garbled ones, not the image");
    }
    return run;
}

Pty openPtyOrExit() {
    auto pty = openPty();
    if (!pty) die("cannot make a pseudo-terminal");
    return *pty;
}

// Seconds from command 1015 until the master side has read the whole image.
double ptyRun(BenchResources& resources) {
    const size_t total = resources.software().size();
    Pty pty = openPtyOrExit();
    PosixPorts ports({{1, pty.slave}});
    Bench bench(ports, resources);
    AppState& state = bench.shell.state();
    if (!bench.shell.port().isOpen()) die("COM1 did not open on " + pty.slave);

    std::atomic<bool> received{false};
    Steady::time_point lastByte;
    std::thread reader([&] {
        std::vector<uint8_t> buffer(65536);
        size_t got = 0;
        pollfd readable{pty.master, POLLIN, 0};
        while (got < total && poll(&readable, 1, 10000) > 0) {
            const ssize_t n = read(pty.master, buffer.data(), buffer.size());
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        lastByte = Steady::now();
        received = got == total;
    });
    const auto start = Steady::now();
    bench.press(ID_STREAM_38400);
    if (state.rawBusy == 0) die("command 1015 started no download");
    bench.await("the end of the stream", [&] { return state.rawBusy == 0; });
    reader.join();
    close(pty.master);
    if (!received) die("the master side did not get the whole image");
    return seconds(lastByte - start);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const size_t lineKiB = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 64;
    const size_t ptyMiB = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 8;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 3;
    if (lineKiB == 0 || ptyMiB == 0 || runs < 1) {
        std::fprintf(stderr, "usage: stream_efficiency [KiB >0] [MiB >0] [runs >0]\n");
        return 2;
    }

    bool metGoal = true;
    BenchResources lineImage(lineKiB * 1024);
    for (uint32_t baud : {sim::SPEED_115200, sim::SPEED_57600}) {
        const double lineRate = baud / 11.0;  // bytes per second
        std::vector<double> efficiency, rawDone;
        for (int i = 0; i < runs; ++i) {
            const LineRun run = lineRun(baud, lineImage);
            efficiency.push_back(static_cast<double>(lineKiB * 1024) / run.toLastByte / lineRate);
            rawDone.push_back(run.toRawDone);
        }
        const double worst = *std::min_element(efficiency.begin(), efficiency.end());
        metGoal = metGoal && worst >= GOAL;
        std::printf(
            "stream at %6u baud, %zu KiB through the simulated readout, %d runs: "
            "median %.2f %% of the line rate (worst %.2f %%, best %.2f %%); "
            "ideal %.3f s, to MSG_RAW_DONE %.3f s (median)\n",
            baud, lineKiB, runs, 100 * median(efficiency), 100 * worst,
            100 * *std::max_element(efficiency.begin(), efficiency.end()),
            static_cast<double>(lineKiB * 1024) / lineRate, median(rawDone));
    }

    BenchResources ptyImage(ptyMiB * 1024 * 1024);
    std::vector<double> rates;
    for (int i = 0; i < PTY_RUNS; ++i)
        rates.push_back(static_cast<double>(ptyMiB) / ptyRun(ptyImage));
    std::printf(
        "stream through a pseudo-terminal, %zu MiB in 16384-byte writes, %d runs: "
        "median %.1f MiB/s (min %.1f, max %.1f)\n",
        ptyMiB, PTY_RUNS, median(rates), *std::min_element(rates.begin(), rates.end()),
        *std::max_element(rates.begin(), rates.end()));

    std::printf("goal: at least %.1f %% of the line rate in every run: %s\n", 100 * GOAL,
                metGoal ? "met" : "NOT met");
    return metGoal ? 0 : 1;
}
