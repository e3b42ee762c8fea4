// The termios back end over a pseudo-terminal pair: the device under test
// opens the slave through PosixPorts, the test plays the far end on the
// master. An observer descriptor on the slave keeps it open throughout and
// shows the line settings the kernel kept.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <future>
#include <numeric>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/posix/posix_ports.h"
#include "platform/posix/termios_settings.h"

namespace orlant {
namespace {

using namespace std::chrono_literals;

// Bounds every wait on another thread or on the kernel, so that a fault
// fails the test instead of hanging it. Nothing is asserted about timing.
constexpr auto kBound = 10s;

const LineSettings kProgramLine{38400, 8, PARITY_ODD, STOPBITS_ONE, 0};

class PtyPair {
public:
    PtyPair() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[PATH_MAX] = {};
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
            ptsname_r(master, name, sizeof name) != 0) {
            ADD_FAILURE() << "no pseudo-terminal";
            return;
        }
        slavePath = name;
        observer = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        // Raw from the start: no echo of the test's bytes back to the master,
        // and FIONREAD counts bytes, not finished lines.
        termios t{};
        tcgetattr(observer, &t);
        cfmakeraw(&t);
        tcsetattr(observer, TCSANOW, &t);
    }
    ~PtyPair() {
        closeMaster();
        if (observer >= 0) ::close(observer);
    }

    void closeMaster() {
        if (master >= 0) ::close(master);
        master = -1;
    }
    void send(const std::vector<uint8_t>& bytes) const {
        ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Waits until the slave holds at least `n` unread bytes.
    bool awaitQueued(int n) const {
        const auto deadline = std::chrono::steady_clock::now() + kBound;
        int count = 0;
        while (ioctl(observer, FIONREAD, &count) == 0 && count < n) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(1ms);
        }
        return count >= n;
    }
    // Reads `n` bytes from the master, or fewer if they do not come.
    std::vector<uint8_t> receive(size_t n) const {
        std::vector<uint8_t> bytes(n);
        size_t got = 0;
        pollfd readable{master, POLLIN, 0};
        const int boundMs = static_cast<int>(std::chrono::milliseconds(kBound).count());
        while (got < n && poll(&readable, 1, boundMs) > 0) {
            const ssize_t r = ::read(master, bytes.data() + got, n - got);
            if (r <= 0) break;
            got += static_cast<size_t>(r);
        }
        bytes.resize(got);
        return bytes;
    }
    termios line() const {
        termios t{};
        tcgetattr(observer, &t);
        return t;
    }

    int master = -1;
    int observer = -1;
    std::string slavePath;
};

std::vector<uint8_t> pattern(size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return bytes;
}

template <typename T>
bool ready(std::future<T>& result) {
    return result.wait_for(kBound) == std::future_status::ready;
}

class TermiosPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(pty.slavePath.empty());
        ports = std::make_unique<PosixPorts>(PortPaths{{1, pty.slavePath}});
    }
    std::shared_ptr<SerialDevice> openConfigured(const LineSettings& line = kProgramLine) {
        OpenResult opened = ports->open(1);
        EXPECT_TRUE(opened.device) << opened.error.text();
        if (!opened.device) return nullptr;
        EXPECT_FALSE(opened.device->configure(line).isError());
        return opened.device;
    }

    PtyPair pty;
    std::unique_ptr<PosixPorts> ports;
};

// --- the line ---------------------------------------------------------------

struct LineCase {
    LineSettings line;
    speed_t speed;
    tcflag_t cflagsOn, cflagsOff, iflagsOn, iflagsOff;
};

TEST_F(TermiosPortTest, ConfigureSetsTheFlagsAPseudoTerminalKeeps) {
    // A pseudo-terminal forces CS8 and drops PARENB whatever is asked, so
    // those two are checked on the flag builder below instead.
    const LineCase cases[] = {
        {kProgramLine, B38400, CS8 | PARODD | CLOCAL | CREAD, CSTOPB | CRTSCTS, INPCK | IGNPAR,
         IXON | IXOFF | PARMRK | ICRNL | ISTRIP},
        {{115200, 8, PARITY_EVEN, STOPBITS_TWO, 0}, B115200, CSTOPB | CLOCAL, PARODD | CRTSCTS,
         INPCK, IXON},
        {{9600, 8, PARITY_NONE, STOPBITS_ONE, PORT_CTS_FLOW | PORT_XONXOFF}, B9600, CRTSCTS,
         PARODD | CSTOPB, IXON | IXOFF | IGNPAR, INPCK},
    };
    auto device = openConfigured();
    ASSERT_TRUE(device);
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.line.baud);
        ASSERT_FALSE(device->configure(c.line).isError());
        const termios t = pty.line();
        EXPECT_EQ(cfgetospeed(&t), c.speed);
        EXPECT_EQ(cfgetispeed(&t), c.speed);
        EXPECT_EQ(t.c_cflag & c.cflagsOn, c.cflagsOn);
        EXPECT_EQ(t.c_cflag & c.cflagsOff, 0u);
        EXPECT_EQ(t.c_iflag & c.iflagsOn, c.iflagsOn);
        EXPECT_EQ(t.c_iflag & c.iflagsOff, 0u);
        // Raw: no line editing, echo, signals or output processing.
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
        EXPECT_EQ(t.c_oflag & OPOST, 0u);
        EXPECT_EQ(t.c_cc[VMIN], 0);
        EXPECT_EQ(t.c_cc[VTIME], 0);
        EXPECT_EQ(device->settings().baud, c.line.baud);
        EXPECT_EQ(device->settings().parity, c.line.parity);
    }
}

TEST(TermiosSettingsTest, BuildsParityByteSizeAndStopBits) {
    struct Case {
        LineSettings line;
        tcflag_t cflags;  // of CSIZE | PARENB | PARODD | CMSPAR | CSTOPB
    };
    const Case cases[] = {
        {kProgramLine, CS8 | PARENB | PARODD},
        {{38400, 7, PARITY_EVEN, STOPBITS_ONE, 0}, CS7 | PARENB},
        {{38400, 8, PARITY_NONE, STOPBITS_TWO, 0}, CS8 | CSTOPB},
        {{38400, 8, PARITY_MARK, STOPBITS_ONE, 0}, CS8 | PARENB | CMSPAR | PARODD},
        {{38400, 6, PARITY_SPACE, STOPBITS_ONE, 0}, CS6 | PARENB | CMSPAR},
        {{300, 5, PARITY_NONE, STOPBITS_ONE_HALF, 0}, CS5 | CSTOPB},
    };
    for (const Case& c : cases) {
        termios t{};
        t.c_cflag = PARENB | CSTOPB | CS5;  // what an earlier line may have left
        ASSERT_FALSE(applyLineSettings(c.line, t).isError());
        EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), c.cflags)
            << int(c.line.byteSize) << " bits, parity " << int(c.line.parity);
        EXPECT_EQ(t.c_iflag & INPCK, c.line.parity == PARITY_NONE ? 0u : tcflag_t{INPCK});
    }
}

TEST(TermiosSettingsTest, RefusesWhatTheLineCannotDoAndLeavesItAlone) {
    struct Case {
        LineSettings line;
        uint32_t error;
    };
    const Case cases[] = {
        {{14400, 8, PARITY_ODD, STOPBITS_ONE, 0}, EINVAL},
        {{0, 8, PARITY_ODD, STOPBITS_ONE, 0}, EINVAL},
        {{38400, 9, PARITY_ODD, STOPBITS_ONE, 0}, EINVAL},
        {{38400, 4, PARITY_ODD, STOPBITS_ONE, 0}, EINVAL},
        {{38400, 8, 5, STOPBITS_ONE, 0}, EINVAL},
        {{38400, 8, PARITY_ODD, STOPBITS_ONE_HALF, 0}, EINVAL},
        {{38400, 8, PARITY_ODD, 3, 0}, EINVAL},
        {{38400, 8, PARITY_ODD, STOPBITS_ONE, 8}, EINVAL},
        {{38400, 8, PARITY_ODD, STOPBITS_ONE, PORT_DSR_FLOW}, ENOTSUP},
    };
    for (const Case& c : cases) {
        termios t{};
        t.c_cflag = CS7 | CREAD;
        const termios before = t;
        EXPECT_EQ(applyLineSettings(c.line, t).code, c.error) << c.line.baud;
        EXPECT_EQ(t.c_cflag, before.c_cflag);
        EXPECT_EQ(cfgetospeed(&t), cfgetospeed(&before));
    }
}

TEST_F(TermiosPortTest, SetBaudChangesOnlyTheSpeed) {
    auto device = openConfigured();
    ASSERT_TRUE(device);
    const termios before = pty.line();
    ASSERT_FALSE(device->setBaud(115200).isError());
    termios after = pty.line();
    EXPECT_EQ(cfgetospeed(&after), B115200);
    // Everything but the speed as it was.
    cfsetispeed(&after, cfgetispeed(&before));
    cfsetospeed(&after, cfgetospeed(&before));
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    const LineSettings kept = device->settings();
    EXPECT_EQ(kept.baud, 115200u);
    EXPECT_EQ(kept.byteSize, 8);
    EXPECT_EQ(kept.parity, PARITY_ODD);
    EXPECT_EQ(kept.stopBits, STOPBITS_ONE);

    EXPECT_EQ(device->setBaud(14400).code, uint32_t{EINVAL});
    const termios unchanged = pty.line();
    EXPECT_EQ(cfgetospeed(&unchanged), B115200);
    EXPECT_EQ(device->settings().baud, 115200u);
}

// --- opening ----------------------------------------------------------------

TEST_F(TermiosPortTest, ASecondOpenOfAHeldPortFailsUntilItIsClosed) {
    OpenResult first = ports->open(1);
    ASSERT_TRUE(first.device) << first.error.text();
    OpenResult second = ports->open(1);
    EXPECT_FALSE(second.device);
    EXPECT_EQ(second.error.code, uint32_t{EBUSY});
    EXPECT_NE(second.advice.find(pty.slavePath), std::string::npos) << second.advice;

    first.device->close();
    OpenResult again = ports->open(1);
    EXPECT_TRUE(again.device) << again.error.text();
}

TEST_F(TermiosPortTest, OpenFailuresSayWhyAndWhatToDo) {
    char file[] = "/tmp/orlant-not-a-tty-XXXXXX";
    const int fd = mkstemp(file);
    ASSERT_GE(fd, 0);
    ::close(fd);
    struct Case {
        std::string path;
        uint32_t error;
        std::string advice;
    };
    const Case cases[] = {
        {"/nonexistent/ttyUSB7", ENOENT, "--port 3=PATH"},
        {file, ENOTTY, "is not a serial device"},
        {"/dev/null", ENOTTY, "--port 3=PATH"},
    };
    for (const Case& c : cases) {
        PosixPorts mapped({{3, c.path}});
        OpenResult result = mapped.open(3);
        EXPECT_FALSE(result.device);
        EXPECT_EQ(result.error.code, c.error) << c.path;
        EXPECT_NE(result.advice.find(c.path), std::string::npos) << result.advice;
        EXPECT_NE(result.advice.find(c.advice), std::string::npos) << result.advice;
    }
    unlink(file);
}

TEST(PosixPortsTest, PermissionAdviceNamesTheGroupThatOwnsTheDevice) {
    // A stand-in for a device node: the advice reads only its group. Root
    // may give it any group; anyone else gives it their own.
    char node[] = "/tmp/orlant-ttyUSB-XXXXXX";
    const int fd = mkstemp(node);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const group* dialout = getgrnam("dialout");
    const gid_t gid = geteuid() == 0 && dialout != nullptr ? dialout->gr_gid : getegid();
    const group* owner = getgrgid(gid);
    if (gid == 0 || owner == nullptr || chown(node, static_cast<uid_t>(-1), gid) != 0) {
        unlink(node);
        GTEST_SKIP() << "no named group other than root to give the node";
    }
    const std::string name = owner->gr_name;
    const std::string advice = openAdvice(1, node, EACCES);
    EXPECT_EQ(advice, "Add your user to the group '" + name + "' that owns " + node +
                          " (sudo usermod -aG " + name + " $USER), then log in again.");

    // A device of root's group: joining that group is no advice to give.
    ASSERT_EQ(chown(node, static_cast<uid_t>(-1), 0), geteuid() == 0 ? 0 : -1);
    if (geteuid() == 0) {
        EXPECT_EQ(openAdvice(1, node, EPERM),
                  "Ask your administrator for read and write access to " + std::string(node) + ".");
    }
    unlink(node);
}

TEST(PosixPortsTest, ACommandLinePathWinsOverTheUsersAndTheDefault) {
    PosixPorts ports({{1, "/dev/ttyUSB0"}}, {{1, "/dev/ttyACM0"}, {2, "/dev/ttyACM1"}});
    EXPECT_EQ(ports.describe(1), "/dev/ttyUSB0");
    EXPECT_EQ(ports.describe(2), "/dev/ttyACM1");
    EXPECT_EQ(ports.describe(3), "/dev/ttyS2");
    EXPECT_EQ(ports.describe(9), "/dev/ttyS8");
}

TEST(PosixPortsTest, ParsesPortOptions) {
    const std::pair<std::string, bool> cases[] = {
        {"1=/dev/ttyUSB0", true}, {"12=/dev/pts/3", true}, {"0=/dev/ttyUSB0", false},
        {"-1=/x", false},         {"=/dev/ttyUSB0", false}, {"1=", false},
        {"a=/x", false},          {"1x=/x", false},        {"/dev/ttyUSB0", false},
    };
    for (const auto& [text, valid] : cases) {
        PortPaths paths;
        EXPECT_EQ(parsePortOption(text, paths), valid) << text;
        EXPECT_EQ(paths.size(), valid ? 1u : 0u) << text;
    }
    PortPaths paths;
    ASSERT_TRUE(parsePortOption("12=/dev/a=b", paths));
    EXPECT_EQ(paths.at(12), "/dev/a=b");
}

// --- reading ----------------------------------------------------------------

TEST_F(TermiosPortTest, ABurstOf600BytesIsReadAs511Then89) {
    auto device = openConfigured();
    ASSERT_TRUE(device);
    EXPECT_EQ(device->readQueued(nullptr, 511), 0u);  // nothing queued: no read at all
    const std::vector<uint8_t> sent = pattern(600);
    pty.send(sent);
    ASSERT_TRUE(pty.awaitQueued(600));
    EXPECT_EQ(device->queued(), 600u);

    std::vector<uint8_t> got(1024);
    ASSERT_EQ(device->readQueued(got.data(), 511), 511u);
    ASSERT_EQ(device->readQueued(got.data() + 511, 511), 89u);
    EXPECT_EQ(device->readQueued(got.data(), 511), 0u);
    got.resize(600);
    EXPECT_EQ(got, sent);
}

TEST_F(TermiosPortTest, PurgeDropsWhatArrivedBeforeTheOpen) {
    pty.send({'s', 't', 'a', 'l', 'e'});
    ASSERT_TRUE(pty.awaitQueued(5));
    auto device = openConfigured();
    ASSERT_TRUE(device);
    EXPECT_EQ(device->queued(), 5u);  // the open itself leaves the queue alone
    device->purge();
    EXPECT_EQ(device->queued(), 0u);

    pty.send({'Z'});
    ASSERT_EQ(device->waitReceived().kind, WaitOutcome::Received);
    uint8_t byte = 0;
    ASSERT_EQ(device->readQueued(&byte, 511), 1u);
    EXPECT_EQ(byte, 'Z');
}

TEST_F(TermiosPortTest, ModemLinesOfAPseudoTerminalAreUnreadable) {
    auto device = openConfigured();
    ASSERT_TRUE(device);
    device->raiseDtrRts();  // nothing to raise; must not fail the device
    EXPECT_EQ(device->modemStatus(), ModemStatus::Unreadable);
    pty.send({'x'});
    EXPECT_EQ(device->waitReceived().kind, WaitOutcome::Received);
}

// --- waiting ----------------------------------------------------------------

TEST_F(TermiosPortTest, AWaitEndsWithBytesWithWakeAndWithClose) {
    auto device = openConfigured();
    ASSERT_TRUE(device);

    auto received = std::async(std::launch::async, [&] { return device->waitReceived(); });
    EXPECT_EQ(received.wait_for(20ms), std::future_status::timeout);  // blocks on an idle line
    pty.send({0x55});
    ASSERT_TRUE(ready(received));
    EXPECT_EQ(received.get().kind, WaitOutcome::Received);
    device->purge();

    auto woken = std::async(std::launch::async, [&] { return device->waitReceived(); });
    device->wake();
    ASSERT_TRUE(ready(woken));
    EXPECT_EQ(woken.get().kind, WaitOutcome::Woken);

    auto closed = std::async(std::launch::async, [&] { return device->waitReceived(); });
    device->close();
    ASSERT_TRUE(ready(closed));
    EXPECT_EQ(closed.get().kind, WaitOutcome::Failed);
}

TEST_F(TermiosPortTest, AClosedDeviceFailsEveryCallAtOnce) {
    auto device = openConfigured();
    ASSERT_TRUE(device);
    device->close();
    device->close();  // a second close is harmless
    const uint8_t byte = 0;
    EXPECT_EQ(device->write(&byte, 1).error.code, uint32_t{EBADF});
    EXPECT_EQ(device->waitReceived().kind, WaitOutcome::Failed);
    EXPECT_EQ(device->configure(kProgramLine).code, uint32_t{EBADF});
    EXPECT_EQ(device->setBaud(115200).code, uint32_t{EBADF});
    EXPECT_EQ(device->drain().code, uint32_t{EBADF});
    EXPECT_EQ(device->queued(), 0u);
    EXPECT_EQ(device->modemStatus(), ModemStatus::Unreadable);
}

TEST_F(TermiosPortTest, ALostDeviceIsReportedOnceAndThenNotWatched) {
    auto device = openConfigured();
    ASSERT_TRUE(device);
    pty.closeMaster();  // the far end goes away, as an unplugged adapter does
    auto lost = std::async(std::launch::async, [&] { return device->waitReceived(); });
    ASSERT_TRUE(ready(lost));
    EXPECT_EQ(lost.get().kind, WaitOutcome::Lost);

    // The hung-up terminal stays readable for ever; the next wait must not
    // come back at once with it, only with wake() or close().
    auto next = std::async(std::launch::async, [&] { return device->waitReceived(); });
    EXPECT_EQ(next.wait_for(20ms), std::future_status::timeout);
    device->wake();
    ASSERT_TRUE(ready(next));
    EXPECT_EQ(next.get().kind, WaitOutcome::Woken);
}

// --- writing ----------------------------------------------------------------

TEST_F(TermiosPortTest, ALargeWriteCompletesWhileTheFarEndReads) {
    auto device = openConfigured();
    ASSERT_TRUE(device);
    // Far more than the pseudo-terminal buffers: write() must wait for room.
    const std::vector<uint8_t> sent = pattern(1 << 20);
    auto reader = std::async(std::launch::async, [&] { return pty.receive(sent.size()); });
    const IoCount written = device->write(sent.data(), sent.size());
    EXPECT_EQ(written.count, sent.size());
    EXPECT_FALSE(written.error.isError()) << written.error.text();
    EXPECT_FALSE(device->drain().isError());
    ASSERT_TRUE(ready(reader));
    EXPECT_EQ(reader.get(), sent);
}

TEST_F(TermiosPortTest, CloseEndsAWriteNobodyReads) {
    auto device = openConfigured();
    ASSERT_TRUE(device);
    const std::vector<uint8_t> sent = pattern(1 << 20);
    auto writing = std::async(std::launch::async,
                              [&] { return device->write(sent.data(), sent.size()); });
    EXPECT_EQ(writing.wait_for(20ms), std::future_status::timeout);
    device->close();
    ASSERT_TRUE(ready(writing));
    const IoCount written = writing.get();
    EXPECT_LT(written.count, sent.size());
    EXPECT_EQ(written.error.code, uint32_t{EBADF});
}

TEST_F(TermiosPortTest, AWriteToAVanishedFarEndFails) {
    auto device = openConfigured();
    ASSERT_TRUE(device);
    pty.closeMaster();
    const std::vector<uint8_t> sent = pattern(4096);
    const IoCount written = device->write(sent.data(), sent.size());
    EXPECT_TRUE(written.error.isError());
    EXPECT_EQ(device->waitReceived().kind, WaitOutcome::Lost);
}

}  // namespace
}  // namespace orlant
