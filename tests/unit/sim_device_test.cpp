// The in-process serial device with the simulated readout at the far end,
// on a manual clock: the device's waits move the clock instead of sleeping.
#include <gtest/gtest.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "sim/sim_serial.h"
#include "support/manual_clock.h"

namespace orlant::sim {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr double SCALE = 1000;  // one real millisecond is one second of the unit's time

Bytes pattern(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 13 + i / 256);
    return b;
}

struct SimPort : ::testing::Test {
    explicit SimPort(double scale = SCALE, ReadoutSettings settings = {})
        : readout(std::make_shared<SimulatedReadout>(clock, scale, settings)), ports(readout) {
        OpenResult opened = ports.open(1);
        device = opened.device;
        EXPECT_TRUE(device) << opened.error.text();
        if (device) {
            EXPECT_FALSE(device->configure(LineSettings{}).isError());  // 38400 8O1
        }
    }
    // What the guide asks of the operator: "C" held through power-on, then a
    // speed key (0 for none).
    void intoMenu(char key) {
        readout->setHoldC(true);
        readout->setPower(true);
        clock.advance(2);  // two seconds of the unit's time
        readout->setHoldC(false);
        if (key != 0) readout->pressKey(key);
    }
    void writeAll(const Bytes& bytes) {
        const IoCount wrote = device->write(bytes.data(), bytes.size());
        ASSERT_EQ(wrote.count, bytes.size());
        ASSERT_FALSE(wrote.error.isError());
    }

    test::ManualClock clock;
    std::shared_ptr<SimulatedReadout> readout;
    SimSerialPorts ports;
    std::shared_ptr<SerialDevice> device;
};

TEST_F(SimPort, ImageDrainedBeforeTheSpeedChangeArrivesExactly) {
    intoMenu('1');
    const Bytes image = pattern(50000);
    ASSERT_FALSE(device->setBaud(115200).isError());
    writeAll(image);
    ASSERT_FALSE(device->drain().isError());
    ASSERT_FALSE(device->setBaud(38400).isError());

    ReadoutView v = readout->view();
    EXPECT_EQ(v.counts.good, image.size());
    EXPECT_EQ(v.counts.garbage, 0u);
    EXPECT_EQ(v.counts.hash, hashBytes(image.data(), image.size()));
    EXPECT_EQ(device->modemStatus(), ModemStatus::CtsOn) << "still taking in the data";

    clock.advance(3);  // the unit's two seconds of silence, and one more
    EXPECT_EQ(device->modemStatus(), ModemStatus::CtsOff);
    v = readout->view();
    EXPECT_EQ(v.state, UnitState::Finished);
    EXPECT_EQ(v.display.back(), "Received (50000)");
}

TEST_F(SimPort, SpeedChangeWithoutDrainGarblesWhatIsStillBuffered) {
    for (bool drainFirst : {true, false}) {
        SCOPED_TRACE(drainFirst ? "drained" : "not drained");
        readout->setPower(false);
        intoMenu('1');
        const Bytes image = pattern(10000);
        ASSERT_FALSE(device->setBaud(115200).isError());
        writeAll(image);
        if (drainFirst) {
            ASSERT_FALSE(device->drain().isError());
        }
        ASSERT_FALSE(device->setBaud(38400).isError());
        ASSERT_FALSE(device->drain().isError());

        const DownloadCounts counts = readout->view().counts;
        if (drainFirst) {
            EXPECT_EQ(counts.good, image.size());
            EXPECT_EQ(counts.garbage, 0u);
        } else {
            // At most the transmit buffer's worth leaves at the wrong speed,
            // about three garbled bytes for each at a third of the speed.
            EXPECT_GE(counts.good, image.size() - SimLine::TX_CAPACITY);
            EXPECT_LT(counts.good, image.size());
            EXPECT_NEAR(static_cast<double>(counts.garbage),
                        3.0 * static_cast<double>(image.size() - counts.good), 3);
        }
    }
}

TEST_F(SimPort, EraseAnsweredThroughThePort) {
    intoMenu(0);
    ASSERT_FALSE(device->setBaud(115200).isError());
    const uint32_t start = clock.tickMs();
    writeAll({0x07, 0x06});
    EXPECT_EQ(device->modemStatus(), ModemStatus::CtsOn) << "the request is still on the line";

    WaitOutcome outcome = device->waitReceived();
    ASSERT_EQ(outcome.kind, WaitOutcome::Received);
    // The naps move the clock to the answer: 50 s of the unit's time.
    EXPECT_GE(clock.tickMs() - start, 50u);
    EXPECT_LE(clock.tickMs() - start, 50u + SimulatedReadout::MAX_NAP_MS);
    uint8_t answer[4] = {};
    size_t got = 0;
    for (int i = 0; i < 4 && got < 2; ++i) {
        got += device->readQueued(answer + got, sizeof answer - got);
        if (got < 2) {
            ASSERT_EQ(device->waitReceived().kind, WaitOutcome::Received);
        }
    }
    EXPECT_EQ(Bytes(answer, answer + got), (Bytes{0x07, 0x06}));
    EXPECT_EQ(device->queued(), 0u);
    EXPECT_EQ(readout->view().erasesDone, 1u);
}

TEST_F(SimPort, AnswerToAPortAtAnotherSpeedIsGarbled) {
    FaultSettings noisy;
    noisy.noiseBeforeAnswer = {0x55, 0x55, 0x55, 0x55};  // six bytes in all
    readout->setFaults(noisy);
    intoMenu(0);
    ASSERT_FALSE(device->setBaud(115200).isError());
    writeAll({0x07, 0x06});
    ASSERT_FALSE(device->drain().isError());
    ASSERT_FALSE(device->setBaud(38400).isError());
    clock.advance(60);  // past the 50 s erase
    EXPECT_EQ(readout->view().erasesDone, 1u);
    // Six bytes at 115200 make two at a third of the speed, none of them sent.
    ASSERT_EQ(device->queued(), 2u);
    uint8_t heard[2] = {};
    ASSERT_EQ(device->readQueued(heard, 2), 2u);
    for (uint8_t b : heard) {
        EXPECT_NE(b, 0x55);
        EXPECT_NE(b, 0x06);
    }
}

TEST_F(SimPort, ModemStatusFollowsTheUnitAndThePort) {
    EXPECT_EQ(device->modemStatus(), ModemStatus::CtsOff) << "unit off";
    intoMenu(0);
    EXPECT_EQ(device->modemStatus(), ModemStatus::CtsOn);
    FaultSettings stuck;
    stuck.cts = CtsFault::StuckOff;
    readout->setFaults(stuck);
    EXPECT_EQ(device->modemStatus(), ModemStatus::CtsOff);
    device->close();
    EXPECT_EQ(device->modemStatus(), ModemStatus::Unreadable);
}

TEST_F(SimPort, WaitReceivedEndsOnWakeAndOnClose) {
    WaitOutcome woken;
    std::thread waiter([&] { woken = device->waitReceived(); });
    device->wake();
    waiter.join();
    EXPECT_EQ(woken.kind, WaitOutcome::Woken);

    WaitOutcome failed;
    std::thread second([&] { failed = device->waitReceived(); });
    device->close();
    second.join();
    EXPECT_EQ(failed.kind, WaitOutcome::Failed);
    EXPECT_TRUE(clock.sleeps().empty()) << "an idle wait lets no time pass";
}

// A manual clock never keeps a write waiting, so this one runs on the real
// clock: at 300 baud the write would take ten minutes, close() ends it.
TEST(SimPortRealClock, CloseEndsABlockedWrite) {
    auto readout = std::make_shared<SimulatedReadout>(systemClock(), 1.0);
    SimSerialPorts ports(readout);
    const std::shared_ptr<SerialDevice> device = ports.open(1).device;
    ASSERT_TRUE(device);
    ASSERT_FALSE(device->setBaud(300).isError());
    const Bytes big = pattern(SimLine::TX_CAPACITY * 4);
    IoCount wrote;
    std::thread writer([&] { wrote = device->write(big.data(), big.size()); });
    device->close();
    writer.join();
    EXPECT_LT(wrote.count, big.size());
    EXPECT_TRUE(wrote.error.isError());
    EXPECT_TRUE(device->drain().isError());
}

TEST_F(SimPort, SecondOpenOfAnOpenPortFailsBusy) {
    const OpenResult again = ports.open(1);
    EXPECT_FALSE(again.device);
    EXPECT_EQ(again.error.code, static_cast<uint32_t>(EBUSY));
    EXPECT_FALSE(again.advice.empty());
    EXPECT_EQ(ports.open(0).error.code, static_cast<uint32_t>(ENOENT));

    // Another number opens, but the cable is held by COM1: an empty line.
    intoMenu(0);
    const OpenResult other = ports.open(2);
    ASSERT_TRUE(other.device);
    EXPECT_EQ(other.device->modemStatus(), ModemStatus::CtsOff);

    other.device->close();
    device->close();
    const OpenResult reopened = ports.open(1);
    ASSERT_TRUE(reopened.device);
    EXPECT_EQ(reopened.device->modemStatus(), ModemStatus::CtsOn);
}

TEST_F(SimPort, OnlyTheChosenPortReachesTheUnit) {
    device->close();
    SimSerialPorts onlyThree(readout, 3);
    intoMenu(0);
    const OpenResult one = onlyThree.open(1);
    const OpenResult three = onlyThree.open(3);
    ASSERT_TRUE(one.device && three.device);
    EXPECT_EQ(one.device->modemStatus(), ModemStatus::CtsOff);
    EXPECT_EQ(three.device->modemStatus(), ModemStatus::CtsOn);
    EXPECT_NE(onlyThree.describe(1), onlyThree.describe(3));
}

TEST_F(SimPort, PurgeDropsBufferedAndReceivedBytes) {
    intoMenu('1');
    ASSERT_FALSE(device->setBaud(115200).isError());
    writeAll(pattern(SimLine::TX_CAPACITY));
    device->purge();
    ASSERT_FALSE(device->drain().isError());
    EXPECT_EQ(readout->view().counts.total(), 0u);
}

// Real time: the line's pacing is what a download's duration rests on.
struct RealTimePort : SimPort {
    RealTimePort() : SimPort(1.0) {}
};

TEST_F(RealTimePort, BytesLeaveAtElevenBitTimesEach) {
    ASSERT_FALSE(device->setBaud(115200).isError());
    writeAll(pattern(SimLine::TX_CAPACITY));
    EXPECT_TRUE(clock.sleeps().empty()) << "a write returns once the bytes are buffered";

    const uint32_t start = clock.tickMs();
    ASSERT_FALSE(device->drain().isError());
    // 4096 bytes x 11 bits at 115200 baud: 391 ms.
    EXPECT_GE(clock.tickMs() - start, 391u);
    EXPECT_LE(clock.tickMs() - start, 392u);

    // A write larger than the buffer returns once its tail fits.
    const uint32_t before = clock.tickMs();
    writeAll(pattern(SimLine::TX_CAPACITY + 1024));
    EXPECT_GE(clock.tickMs() - before, 97u);  // 1024 bytes' worth of line time
    EXPECT_LE(clock.tickMs() - before, 98u + SimulatedReadout::MAX_NAP_MS);
}

}  // namespace
}  // namespace orlant::sim
