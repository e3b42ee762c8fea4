#include <gtest/gtest.h>

#include <mutex>
#include <numeric>

#include "app/event_log.h"
#include "serial/receive_pump.h"
#include "support/fake_serial.h"
#include "support/fake_window.h"
#include "support/manual_clock.h"

namespace orlant {
namespace {

using test::FakeDevice;
using test::FakeWindow;
using test::ManualClock;

// Records each chunk and how many log lines existed when it came.
class RecordingReceiver : public ByteReceiver {
public:
    explicit RecordingReceiver(FakeWindow& window) : window_(window) {}
    void receiveBytes(const uint8_t* bytes, size_t count) override {
        std::lock_guard<std::mutex> hold(lock);
        chunks.emplace_back(bytes, bytes + count);
        logLinesBefore.push_back(window_.log.size());
    }
    std::mutex lock;
    std::vector<std::vector<uint8_t>> chunks;
    std::vector<size_t> logLinesBefore;

private:
    FakeWindow& window_;
};

class ReceivePumpTest : public ::testing::Test {
protected:
    ReceivePumpTest() {
        port.set(device, 1);
        pump.setReceiver(&receiver);
    }
    ~ReceivePumpTest() override {
        state.ReceiveStopRequested = 1;
        if (auto d = port.take()) d->close();
        window.close();
        pump.join();
    }
    size_t chunkCount() {
        std::lock_guard<std::mutex> hold(receiver.lock);
        return receiver.chunks.size();
    }

    FakeWindow window;
    ManualClock clock;
    AppState state;
    SerialPort port;
    std::shared_ptr<FakeDevice> device = std::make_shared<FakeDevice>();
    RecordingReceiver receiver{window};
    ReceivePump pump{window, clock, port, state};
};

TEST_F(ReceivePumpTest, ABurstIsDrainedInChunksEachTracedAfterTheReceiverHadIt) {
    state.RawTraceEnabled = 1;
    std::vector<uint8_t> burst(600);
    std::iota(burst.begin(), burst.end(), 0);
    device->receive(burst);
    pump.start();
    ASSERT_TRUE(window.pumpUntil([&] { return window.log.size() == 2; }));
    ASSERT_EQ(chunkCount(), 2u);
    EXPECT_EQ(receiver.chunks[0].size(), 511u);
    EXPECT_EQ(receiver.chunks[1].size(), 89u);
    EXPECT_EQ(receiver.logLinesBefore, (std::vector<size_t>{0, 1}));
    EXPECT_EQ(window.log[0], RenderRawTrace(burst.data(), 511));
    EXPECT_EQ(window.log[1], RenderRawTrace(burst.data() + 511, 89));
}

TEST_F(ReceivePumpTest, NoTraceLinesWhileTracingIsOff) {
    device->receive({1, 2, 3});
    pump.start();
    ASSERT_TRUE(window.pumpUntil([&] { return chunkCount() == 1; }));
    EXPECT_TRUE(window.log.empty());
}

TEST_F(ReceivePumpTest, OtherLineEventsAreLogged) {
    device->failNextWait(WaitOutcome::Event);
    pump.start();
    ASSERT_TRUE(window.pumpUntil([&] { return !window.log.empty(); }));
    EXPECT_EQ(window.log[0], "WaitCommEvent dwEvtMask: 128");
}

TEST_F(ReceivePumpTest, AFailingPortBeepsOnceAndIsHandedToTheWindow) {
    device->failNextWait(WaitOutcome::Failed);
    device->failNextWait(WaitOutcome::Failed);
    pump.start();
    ASSERT_TRUE(window.pumpUntil([&] { return window.pendingPosts() == 1; }));
    window.pumpUntil([] { return false; }, 200);  // give it time to misbehave
    EXPECT_EQ(window.beeps, 1);
    EXPECT_EQ(device->waits(), 1);  // it does not spin on the failed port
}

TEST_F(ReceivePumpTest, ARawListenerTakesTheBytesInsteadOfTheReceiver) {
    pump.listenRaw(true);
    pump.start();
    device->receive({7, 6});
    uint8_t got[4] = {};
    size_t n = 0;
    window.pumpUntil([&] {
        n += pump.takeRaw(got + n, sizeof got - n, 10);
        return n >= 2;
    });
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(got[0], 7);
    EXPECT_EQ(got[1], 6);
    EXPECT_EQ(chunkCount(), 0u);
    pump.listenRaw(false);
    device->receive({9});
    ASSERT_TRUE(window.pumpUntil([&] { return chunkCount() == 1; }));
}

TEST(ReceivePumpIdle, WithNoPortItLooksAgainEvery500Ms) {
    FakeWindow window;
    ManualClock clock;
    AppState state;
    SerialPort port;
    ReceivePump pump{window, clock, port, state};
    int pauses = 0;
    clock.onSleep = [&](uint32_t) {
        if (++pauses == 3) state.ReceiveStopRequested = 1;
    };
    EXPECT_EQ(pump.run(), 1);
    EXPECT_EQ(clock.sleeps(), (std::vector<uint32_t>{500, 500, 500}));
}

TEST(ReceivePumpIdle, AStopRequestedBeforeStartEndsAtOnce) {
    FakeWindow window;
    ManualClock clock;
    AppState state;
    state.ReceiveStopRequested = 1;
    SerialPort port;
    ReceivePump pump{window, clock, port, state};
    EXPECT_EQ(pump.run(), 1);
    EXPECT_TRUE(clock.sleeps().empty());
}

}  // namespace
}  // namespace orlant
