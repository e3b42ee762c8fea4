// orlant-readout-sim: the simulated readout on a pseudo-terminal, for
// running the program (or a test) against it across a process boundary.
//
// Principles of operation: the program opens the pseudo-terminal's slave
// side as its serial port; this tool holds the master side. Bytes the
// program writes are taken off the master only as fast as the line would
// carry them at the speed the program set on the slave (termios), so the
// program's writes back up as they would on a real port; the unit's answers
// are written to the master once the line has carried them. One thread: a
// ppoll() on the master and stdin, with a timeout until the unit's next
// event, and SIGINT/SIGTERM unblocked only inside that ppoll().
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "sim/sim_line.h"
#include "sim/unit_time.h"

namespace {

using namespace orlant;
using namespace orlant::sim;

const char* const HELP = R"(Usage: orlant-readout-sim [options]

Runs a simulated Orlant readout on a pseudo-terminal and prints the path of
its slave side; point the program's COM port at that path (or at --link).

Options:
  --link PATH        also make a symbolic link PATH to the pseudo-terminal
                     (removed again at exit)
  --auto             the unit acts by itself: it powers on with "C" held into
                     the bootloader menu, picks the --speed, and restarts with
                     ENTER (C held) a few seconds after a download or erase
  --menu             start switched on in the bootloader menu without a speed
                     picked, where the unit takes the erase request 0x07 0x06
                     at 115200 baud (with --speed: that speed picked)
  --speed S          115200 (menu key "1") or 57600 (menu key "2");
                     115200 unless given
  --erase-ms N       how long the erase takes, in the unit's milliseconds
                     (default 50000)
  --time-scale F     run the unit and the line F times faster than real time
                     (default 1; tests use 1000)
  --quiet            print nothing but the pseudo-terminal's path
  --help             this text

While it runs, lines on standard input work the unit's keys:
  power   the power switch        c      hold or release "C"
  1, 2    the menu's speed keys   enter  ENTER (restart)
  show    print the display

The tool prints what the unit shows and does: display changes, the count of
a download, the end of an erase.

Pseudo-terminals have no modem lines, so the unit's CTS (its "on and ready"
signal) cannot be seen through a pty: a program reading the modem status
gets "unreadable". Use the program's --simulate for that.
SIGINT and SIGTERM end the tool cleanly.
)";

struct Options {
    std::string link;
    bool autoActs = false;
    bool menu = false;
    std::optional<uint32_t> speed;
    uint64_t eraseMs = 50000;
    double timeScale = 1.0;
    bool quiet = false;
};

volatile sig_atomic_t stopRequested = 0;
void onStopSignal(int) { stopRequested = 1; }

[[noreturn]] void usage(const std::string& complaint) {
    std::fprintf(stderr, "orlant-readout-sim: %s\nTry --help.\n", complaint.c_str());
    std::exit(2);
}

Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) usage(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--help") {
            std::fputs(HELP, stdout);
            std::exit(0);
        } else if (arg == "--link") {
            o.link = value();
        } else if (arg == "--auto") {
            o.autoActs = true;
        } else if (arg == "--menu") {
            o.menu = true;
        } else if (arg == "--quiet") {
            o.quiet = true;
        } else if (arg == "--speed") {
            const std::string s = value();
            if (s != "115200" && s != "57600") usage("--speed takes 115200 or 57600");
            o.speed = static_cast<uint32_t>(std::stoul(s));
        } else if (arg == "--erase-ms") {
            char* end = nullptr;
            const std::string s = value();
            o.eraseMs = std::strtoull(s.c_str(), &end, 10);
            if (s.empty() || *end != '\0') usage("--erase-ms takes a number of milliseconds");
        } else if (arg == "--time-scale") {
            char* end = nullptr;
            const std::string s = value();
            o.timeScale = std::strtod(s.c_str(), &end);
            if (s.empty() || *end != '\0' || !(o.timeScale > 0)) {
                usage("--time-scale takes a number above 0");
            }
        } else {
            usage("unknown option " + arg);
        }
    }
    return o;
}

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "orlant-readout-sim: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

uint32_t baudOf(speed_t speed) {
    static const std::pair<speed_t, uint32_t> table[] = {
        {B300, 300},       {B1200, 1200},     {B2400, 2400},     {B4800, 4800},
        {B9600, 9600},     {B19200, 19200},   {B38400, 38400},   {B57600, 57600},
        {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
    };
    for (const auto& [code, baud] : table) {
        if (code == speed) return baud;
    }
    return 38400;  // a speed no serial port of the program uses
}

// The line settings the program put on the slave side.
LineSettings settingsOf(int slaveFd, const LineSettings& fallback) {
    termios t{};
    if (tcgetattr(slaveFd, &t) != 0) return fallback;
    LineSettings s;
    s.baud = baudOf(cfgetospeed(&t));
    const tcflag_t size = t.c_cflag & CSIZE;
    s.byteSize = size == CS5 ? 5 : size == CS6 ? 6 : size == CS7 ? 7 : 8;
    s.parity = (t.c_cflag & PARENB) == 0 ? PARITY_NONE
               : (t.c_cflag & PARODD) != 0 ? PARITY_ODD
                                           : PARITY_EVEN;
    s.stopBits = (t.c_cflag & CSTOPB) != 0 ? STOPBITS_TWO : STOPBITS_ONE;
    return s;
}

// Opens the pty pair; the slave stays open here too, so the master does not
// see a hang-up each time the program closes its port. The slave starts raw
// at 38400 8O1, so nothing is echoed before the program sets it up.
void openPty(int& master, int& slave, std::string& path) {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) fail("posix_openpt");
    const char* name = ptsname(master);
    if (name == nullptr) fail("ptsname");
    path = name;
    slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) fail("open " + path);
    termios t{};
    if (tcgetattr(slave, &t) != 0) fail("tcgetattr");
    cfmakeraw(&t);
    t.c_cflag |= PARENB | PARODD | CLOCAL | CREAD;
    cfsetispeed(&t, B38400);
    cfsetospeed(&t, B38400);
    if (tcsetattr(slave, TCSANOW, &t) != 0) fail("tcsetattr");
    if (fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK) != 0) fail("fcntl");
}

class Reporter {
public:
    explicit Reporter(bool quiet) : quiet_(quiet) {}
    void report(ReadoutModel& unit) {
        const std::vector<std::string> events = unit.takeEvents();
        if (quiet_) return;
        const double seconds = static_cast<double>(unit.nowUs()) / 1e6;
        for (const std::string& e : events) std::printf("[%10.3f s] %s\n", seconds, e.c_str());
        std::vector<std::string> shown = unit.display();
        if (shown != display_) {
            display_ = shown;
            printDisplay();
        }
        std::fflush(stdout);
    }
    void printDisplay() {
        std::string text = display_.empty() ? "(dark)" : "";
        for (const std::string& line : display_) text += (text.empty() ? "" : " | ") + line;
        std::printf("display: %s\n", text.c_str());
        std::fflush(stdout);
    }

private:
    bool quiet_;
    std::vector<std::string> display_;
};

// One line from stdin: a key of the unit.
void operate(const std::string& command, ReadoutModel& unit, uint64_t now, Reporter& reporter) {
    if (command == "power") {
        unit.setPower(!unit.powered(), now);
    } else if (command == "c") {
        unit.setHoldC(!unit.holdingC(), now);
    } else if (command == "1" || command == "2") {
        unit.pressKey(command[0], now);
    } else if (command == "enter") {
        unit.pressEnter(now);
    } else if (command == "show") {
        reporter.printDisplay();
    } else if (!command.empty()) {
        std::fprintf(stderr, "orlant-readout-sim: keys are power, c, 1, 2, enter, show\n");
    }
}

ReadoutSettings settingsFrom(const Options& o) {
    ReadoutSettings s;
    s.eraseUs = o.eraseMs * 1000;
    s.autoActs.enabled = o.autoActs;
    s.autoActs.speed = o.speed.value_or(SPEED_115200);
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);

    sigset_t stopSignals, runMask;
    sigemptyset(&stopSignals);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stopSignals, sig);
    sigprocmask(SIG_BLOCK, &stopSignals, &runMask);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &action, nullptr);

    int master = -1, slave = -1;
    std::string path;
    openPty(master, slave, path);
    if (!options.link.empty()) {
        struct stat st {};
        if (lstat(options.link.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) unlink(options.link.c_str());
        if (symlink(path.c_str(), options.link.c_str()) != 0) fail("symlink " + options.link);
    }
    std::printf("%s\n", path.c_str());
    if (!options.link.empty() && !options.quiet) {
        std::printf("link: %s -> %s\n", options.link.c_str(), path.c_str());
    }
    std::fflush(stdout);

    UnitTime time(systemClock(), options.timeScale);
    ReadoutModel unit(settingsFrom(options));
    Reporter reporter(options.quiet);
    if (options.menu) {
        // Switched on with "C" held before the tool started: already booted.
        unit.setHoldC(true, 0);
        unit.setPower(true, 0);
        time.skip(unit.settings().bootUs);
        unit.setHoldC(false, time.nowUs());
        if (options.speed) unit.pressKey(*options.speed == SPEED_57600 ? '2' : '1', time.nowUs());
    }
    SimLine line;
    std::deque<uint8_t> toMaster;  // carried by the line, not yet taken by the pty
    bool stdinOpen = true;
    std::string stdinLine;
    uint8_t buffer[SimLine::TX_CAPACITY];

    while (!stopRequested) {
        line.setPcSettings(settingsOf(slave, line.pcSettings()));
        const uint64_t now = time.nowUs();
        runWorld(unit, &line, now);
        while (line.rxQueued() > 0) {
            const size_t n = line.read(buffer, sizeof buffer);
            toMaster.insert(toMaster.end(), buffer, buffer + n);
        }
        while (!toMaster.empty()) {
            const size_t n = std::min(toMaster.size(), sizeof buffer);
            std::copy_n(toMaster.begin(), n, buffer);
            const ssize_t wrote = write(master, buffer, n);
            if (wrote <= 0) break;  // the pty is full (EAGAIN): wait for POLLOUT
            toMaster.erase(toMaster.begin(), toMaster.begin() + wrote);
        }
        reporter.report(unit);

        pollfd fds[2] = {{master, 0, 0}, {STDIN_FILENO, 0, 0}};
        if (line.txRoom() > 0) fds[0].events |= POLLIN;
        if (!toMaster.empty()) fds[0].events |= POLLOUT;
        if (stdinOpen) fds[1].events = POLLIN;
        std::optional<uint64_t> next = unit.nextDueUs();
        const std::optional<uint64_t> lineNext = line.nextEventUs();
        if (lineNext && (!next || *lineNext < *next)) next = lineNext;
        // With a full line the program's bytes wait in the pty until the line
        // has room; the baud it sets is read again at least this often.
        constexpr uint32_t MAX_WAIT_MS = 200;
        const uint32_t waitMs = next ? time.realMsUntil(*next, MAX_WAIT_MS) : MAX_WAIT_MS;
        const timespec timeout{static_cast<time_t>(waitMs / 1000),
                               static_cast<long>(waitMs % 1000) * 1000000L};
        if (ppoll(fds, stdinOpen ? 2 : 1, &timeout, &runMask) < 0) {
            if (errno == EINTR) continue;
            fail("ppoll");
        }
        if ((fds[0].revents & POLLIN) != 0) {
            const ssize_t got = read(master, buffer, line.txRoom());
            if (got > 0) line.write(buffer, static_cast<size_t>(got), time.nowUs());
        }
        if (stdinOpen && (fds[1].revents & (POLLIN | POLLHUP)) != 0) {
            char c = 0;
            const ssize_t got = read(STDIN_FILENO, &c, 1);
            if (got <= 0) {
                stdinOpen = false;
            } else if (c == '\n') {
                const uint64_t at = time.nowUs();
                runWorld(unit, &line, at);  // what the line carried before the key press
                operate(stdinLine, unit, at, reporter);
                stdinLine.clear();
            } else if (stdinLine.size() < 64) {
                stdinLine += c;
            }
        }
    }
    if (!options.link.empty()) unlink(options.link.c_str());
    close(slave);
    close(master);
    if (!options.quiet) std::printf("stopped\n");
    return 0;
}
