// The simulated readout in simulated time: every call carries the unit's
// time, so nothing here waits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/readout_model.h"
#include "sim/sim_line.h"

namespace orlant::sim {
namespace {

constexpr uint64_t MS = 1000;
constexpr uint64_t S = 1000 * MS;
using Bytes = std::vector<uint8_t>;

Bytes pattern(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return b;
}

// Time one byte occupies the line at `baud` with the program's 8O1 format.
uint64_t byteUs(uint32_t baud) { return 11 * S / baud + 1; }

// Sends `bytes` at `baud` back to back from `startUs`; returns the time the
// last one arrived.
uint64_t feed(ReadoutModel& unit, const Bytes& bytes, uint32_t baud, uint64_t startUs) {
    uint64_t t = startUs;
    for (uint8_t b : bytes) {
        t += byteUs(baud);
        unit.receive(&b, 1, baud, t);
    }
    return t;
}

Bytes values(const std::vector<OutByte>& out) {
    Bytes b;
    for (const OutByte& o : out) b.push_back(o.value);
    return b;
}

// Powers on with "C" held and lets go after the boot time: the bootloader
// menu, as the guide's page 2 tells the operator. Returns the time after.
uint64_t intoMenu(ReadoutModel& unit, char key = 0, uint64_t t = 0) {
    unit.setHoldC(true, t);
    unit.setPower(true, t);
    t += unit.settings().bootUs + 500 * MS;
    unit.setHoldC(false, t);
    if (key != 0) unit.pressKey(key, t);
    return t;
}

TEST(ReadoutModel, PowerSwitchAndCKeyDecideStateAndCts) {
    enum Act { PowerOn, PowerOff, HoldC, ReleaseC, Enter };
    struct Step {
        uint64_t atUs;
        Act act;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        uint64_t checkUs;
        UnitState state;
        bool cts;
    };
    const std::vector<Case> cases = {
        {"never switched on", {}, 10 * S, UnitState::Off, false},
        {"still starting", {{0, PowerOn}}, 999 * MS, UnitState::Booting, false},
        {"on without C: normal operation", {{0, PowerOn}}, 1 * S, UnitState::Normal, true},
        {"C held through the boot time: menu",
         {{0, HoldC}, {0, PowerOn}, {2 * S, ReleaseC}}, 3 * S, UnitState::Menu, true},
        {"C let go too early", {{0, HoldC}, {0, PowerOn}, {500 * MS, ReleaseC}}, 3 * S,
         UnitState::Normal, true},
        {"C pressed after power-on", {{0, PowerOn}, {10 * MS, HoldC}}, 3 * S, UnitState::Normal,
         true},
        {"menu, then switched off", {{0, HoldC}, {0, PowerOn}, {2 * S, PowerOff}}, 3 * S,
         UnitState::Off, false},
        {"ENTER without C restarts into normal operation",
         {{0, HoldC}, {0, PowerOn}, {2 * S, ReleaseC}, {3 * S, Enter}}, 4500 * MS,
         UnitState::Normal, true},
        {"ENTER with C held restarts into the menu",
         {{0, PowerOn}, {2 * S, HoldC}, {3 * S, Enter}}, 4500 * MS, UnitState::Menu, true},
        {"ENTER while off does nothing", {{0, Enter}}, 3 * S, UnitState::Off, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadoutModel unit;
        for (const Step& s : c.steps) {
            switch (s.act) {
            case PowerOn: unit.setPower(true, s.atUs); break;
            case PowerOff: unit.setPower(false, s.atUs); break;
            case HoldC: unit.setHoldC(true, s.atUs); break;
            case ReleaseC: unit.setHoldC(false, s.atUs); break;
            case Enter: unit.pressEnter(s.atUs); break;
            }
        }
        unit.advance(c.checkUs);
        EXPECT_EQ(unit.state(), c.state);
        EXPECT_EQ(unit.cts(), c.cts);
        EXPECT_EQ(unit.display().empty(), c.state == UnitState::Off);
    }
}

TEST(ReadoutModel, MenuShowsVersionAndSpeedKeys) {
    ReadoutModel unit;
    const uint64_t t = intoMenu(unit);
    EXPECT_EQ(unit.display(),
              (std::vector<std::string>{"Bootloader v1.1.0", "1  115 200", "2  57 600",
                                        "Select the download speed"}));
    unit.pressKey('2', t);
    EXPECT_EQ(unit.speed(), SPEED_57600);
    unit.pressKey('1', t);
    EXPECT_EQ(unit.speed(), SPEED_115200);
    unit.pressKey('7', t);
    EXPECT_EQ(unit.speed(), SPEED_115200);
    EXPECT_EQ(unit.display()[1], "Speed 115 200");
    // Once the image has begun the speed stays.
    feed(unit, {1, 2, 3}, SPEED_115200, t);
    unit.pressKey('2', t + 1 * MS);
    EXPECT_EQ(unit.speed(), SPEED_115200);
}

TEST(ReadoutModel, ImageCountedExactlyAndCtsDropsOnceDataStops) {
    for (const auto& [key, baud] : {std::pair{'1', SPEED_115200}, std::pair{'2', SPEED_57600}}) {
        SCOPED_TRACE(baud);
        ReadoutModel unit;
        const Bytes image = pattern(250000);
        const uint64_t start = intoMenu(unit, key);
        const uint64_t last = feed(unit, image, baud, start);

        EXPECT_EQ(unit.state(), UnitState::Receiving);
        EXPECT_EQ(unit.counts().good, image.size());
        EXPECT_EQ(unit.counts().garbage, 0u);
        EXPECT_EQ(unit.counts().hash, hashBytes(image.data(), image.size()));
        EXPECT_EQ(unit.display().back(), "(250000)");

        const uint64_t finish = last + unit.settings().finishIdleUs;
        ASSERT_EQ(unit.nextDueUs(), finish);
        unit.advance(finish - 1);
        EXPECT_TRUE(unit.cts()) << "still taking in the data";
        unit.advance(finish);
        EXPECT_FALSE(unit.cts());
        EXPECT_EQ(unit.state(), UnitState::Finished);
        EXPECT_EQ(unit.display().back(), "Received (250000)");
        const uint64_t later = finish + 10 * S;
        EXPECT_EQ(unit.takeOutput(later).size(), 0u) << "a raw image gets no answer";

        unit.setHoldC(true, later);
        unit.pressEnter(later);
        unit.setHoldC(false, later + 2 * S);
        EXPECT_EQ(unit.state(), UnitState::Menu);
        EXPECT_EQ(unit.counts().total(), 0u) << "a new menu starts a new count";
    }
}

TEST(ReadoutModel, ImageAtAnotherSpeedArrivesAsGarbage) {
    struct Case {
        char key;
        uint32_t sentAt;
        uint64_t garbage;  // about listening speed / sending speed per byte
    };
    const std::vector<Case> cases = {
        {'1', 57600, 6000},
        {'2', 115200, 1500},
        {'1', 38400, 9000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sentAt);
        ReadoutModel unit;
        const Bytes image = pattern(3000);
        const uint64_t last = feed(unit, image, c.sentAt, intoMenu(unit, c.key));
        EXPECT_EQ(unit.counts().good, 0u);
        EXPECT_NEAR(static_cast<double>(unit.counts().garbage), static_cast<double>(c.garbage), 1);
        unit.advance(last + unit.settings().finishIdleUs);
        EXPECT_EQ(unit.state(), UnitState::Finished) << "garbage also ends in a count";
        EXPECT_EQ(unit.display().back(), "Received (" + std::to_string(unit.counts().total()) + ")");
    }
}

TEST(ReadoutModel, EraseAnswersAfterItsTime) {
    ReadoutSettings settings;
    settings.eraseUs = 50 * S;
    ReadoutModel unit(settings);
    const uint64_t t = feed(unit, {0x07, 0x06}, ERASE_BAUD, intoMenu(unit));
    EXPECT_EQ(unit.state(), UnitState::Erasing);
    EXPECT_FALSE(unit.cts());
    EXPECT_EQ(unit.display()[1], "Erasing user storage ...");
    EXPECT_TRUE(unit.takeOutput(t + 50 * S - 1).empty());

    const std::vector<OutByte> answer = unit.takeOutput(t + 50 * S);
    EXPECT_EQ(values(answer), (Bytes{0x07, 0x06}));
    for (const OutByte& o : answer) EXPECT_EQ(o.baud, ERASE_BAUD);
    EXPECT_EQ(unit.erasesDone(), 1u);
    EXPECT_EQ(unit.state(), UnitState::Finished);
    EXPECT_FALSE(unit.cts()) << "a finished unit waits for ENTER";
    EXPECT_EQ(unit.display()[1], "User storage erased");
}

TEST(ReadoutModel, EraseRequestOnlyCountsInTheMenuAtItsSpeed) {
    struct Case {
        const char* name;
        char key;
        uint32_t sentAt;
        bool erases;
    };
    const std::vector<Case> cases = {
        {"7 6 among other bytes", 0, ERASE_BAUD, true},
        {"sent at 38400", 0, 38400, false},
        {"a speed is chosen: image bytes", '1', ERASE_BAUD, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadoutModel unit;
        feed(unit, {0x42, 0x07, 0x07, 0x06}, c.sentAt, intoMenu(unit, c.key));
        EXPECT_EQ(unit.state() == UnitState::Erasing, c.erases);
    }
    ReadoutModel normal;
    normal.setPower(true, 0);
    feed(normal, {0x07, 0x06}, ERASE_BAUD, 2 * S);
    EXPECT_EQ(normal.state(), UnitState::Normal) << "normal operation does not erase";
}

// Each fault switch changes what can be seen of an erase.
TEST(ReadoutModel, AnswerFaultsEachShow) {
    struct Case {
        const char* name;
        FaultSettings faults;
        Bytes answer;
        uint64_t answerUs;  // after the request
    };
    auto with = [](auto set) {
        FaultSettings f;
        set(f);
        return f;
    };
    const uint64_t erase = 5 * S;
    const std::vector<Case> cases = {
        {"none", {}, {7, 6}, erase},
        {"stray byte", with([](FaultSettings& f) { f.noiseBeforeAnswer = {0x55}; }),
         {0x55, 7, 6}, erase},
        {"wrong pair first", with([](FaultSettings& f) { f.noiseBeforeAnswer = {1, 2}; }),
         {1, 2, 7, 6}, erase},
        {"silent", with([](FaultSettings& f) { f.silent = true; }), {}, erase},
        {"slow answer", with([](FaultSettings& f) { f.answerDelayUs = 3 * S; }), {7, 6},
         erase + 3 * S},
        {"answer byte dropped", with([](FaultSettings& f) { f.fromUnit.dropEvery = 2; }), {7},
         erase},
        {"answer corrupted", with([](FaultSettings& f) { f.fromUnit.corruptEvery = 1; }),
         {7 ^ 0x5A, 6 ^ 0x5A}, erase},
        {"request byte dropped", with([](FaultSettings& f) { f.toUnit.dropEvery = 2; }), {},
         erase},
        {"request corrupted", with([](FaultSettings& f) { f.toUnit.corruptEvery = 2; }), {},
         erase},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadoutSettings settings;
        settings.eraseUs = erase;
        settings.faults = c.faults;
        ReadoutModel unit(settings);
        const uint64_t t = feed(unit, {7, 6}, ERASE_BAUD, intoMenu(unit));
        EXPECT_TRUE(unit.takeOutput(c.answerUs + t - 1).empty());
        EXPECT_EQ(values(unit.takeOutput(t + 60 * S)), c.answer);
    }
}

TEST(ReadoutModel, ImageFaultsEachShow) {
    struct Case {
        const char* name;
        ByteFault toUnit;
        uint64_t good;
        bool sameBytes;
    };
    const std::vector<Case> cases = {
        {"none", {}, 1000, true},
        {"every 10th dropped", {10, 0}, 900, false},
        {"every 10th corrupted", {0, 10}, 1000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadoutSettings settings;
        settings.faults.toUnit = c.toUnit;
        ReadoutModel unit(settings);
        const Bytes image = pattern(1000);
        feed(unit, image, SPEED_115200, intoMenu(unit, '1'));
        EXPECT_EQ(unit.counts().good, c.good);
        EXPECT_EQ(unit.counts().hash == hashBytes(image.data(), image.size()), c.sameBytes);
    }
}

TEST(ReadoutModel, CtsFaultsOverrideTheUnit) {
    struct Case {
        CtsFault fault;
        bool whenOff;
        bool inMenu;
    };
    for (const Case& c : {Case{CtsFault::None, false, true}, Case{CtsFault::StuckOn, true, true},
                          Case{CtsFault::StuckOff, false, false}}) {
        ReadoutSettings settings;
        settings.faults.cts = c.fault;
        ReadoutModel unit(settings);
        EXPECT_EQ(unit.cts(), c.whenOff);
        intoMenu(unit);
        EXPECT_EQ(unit.cts(), c.inMenu);
    }
}

class Echo : public FrameResponder {
public:
    std::vector<uint8_t> onBytes(const uint8_t* bytes, size_t n, uint64_t) override {
        heard.insert(heard.end(), bytes, bytes + n);
        return {0xAA};
    }
    Bytes heard;
};

TEST(ReadoutModel, NormalOperationHandsBytesToTheFrameResponder) {
    ReadoutSettings settings;
    settings.faults.answerDelayUs = 10 * MS;
    ReadoutModel unit(settings);
    auto echo = std::make_shared<Echo>();
    unit.setFrameResponder(echo);
    unit.setPower(true, 0);
    const uint64_t t = feed(unit, {0x10, 0x20}, FRAMED_BAUD, 2 * S);
    EXPECT_EQ(echo->heard, (Bytes{0x10, 0x20}));
    // One answer per delivery, each after the set delay, at the frame speed.
    EXPECT_EQ(unit.takeOutput(t + 10 * MS - 1).size(), 1u);
    const std::vector<OutByte> out = unit.takeOutput(t + 10 * MS);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].value, 0xAA);
    EXPECT_EQ(out[0].baud, FRAMED_BAUD);

    ReadoutModel menu(settings);
    menu.setFrameResponder(echo);
    echo->heard.clear();
    feed(menu, {0x10}, FRAMED_BAUD, intoMenu(menu));
    EXPECT_TRUE(echo->heard.empty()) << "the bootloader menu speaks no frames";
}

TEST(ReadoutModel, ActsByItselfThroughMenuDownloadAndRestart) {
    ReadoutSettings settings;
    settings.autoActs.enabled = true;
    settings.autoActs.speed = SPEED_57600;
    ReadoutModel unit(settings);
    // Power on with "C" after 1 s, menu after the 1 s boot, let go and pick
    // the speed 1 s later.
    unit.advance(3 * S);
    EXPECT_EQ(unit.state(), UnitState::Menu);
    EXPECT_FALSE(unit.holdingC());
    EXPECT_EQ(unit.speed(), SPEED_57600);
    EXPECT_TRUE(unit.cts());
    EXPECT_EQ(unit.nextDueUs(), std::nullopt) << "a waiting unit has nothing to do";

    const uint64_t last = feed(unit, pattern(100), SPEED_57600, 3 * S);
    const uint64_t finished = last + settings.finishIdleUs;
    unit.advance(finished + settings.autoActs.restartAfterUs - 1);
    EXPECT_EQ(unit.state(), UnitState::Finished);
    unit.advance(finished + settings.autoActs.restartAfterUs + settings.bootUs);
    EXPECT_EQ(unit.state(), UnitState::Menu) << "ENTER with C held: back in the menu";

    unit.setAutoActs(false, unit.nowUs());
    unit.setPower(false, unit.nowUs());
    unit.advance(unit.nowUs() + 60 * S);
    EXPECT_EQ(unit.state(), UnitState::Off);
}

TEST(ReadoutModel, ActsByItselfWithoutSpeedStaysReadyForAnErase) {
    ReadoutSettings settings;
    settings.autoActs.enabled = true;
    settings.autoActs.speed = 0;
    ReadoutModel unit(settings);
    unit.advance(10 * S);
    EXPECT_EQ(unit.state(), UnitState::Menu);
    EXPECT_EQ(unit.speed(), 0u);
    feed(unit, {7, 6}, ERASE_BAUD, 10 * S);
    EXPECT_EQ(unit.state(), UnitState::Erasing);
}

TEST(ReadoutModel, EventsTellWhatTheUnitDid) {
    ReadoutModel unit;
    intoMenu(unit, '1');
    const std::vector<std::string> events = unit.takeEvents();
    const std::vector<std::string> expected = {"\"C\" held", "power on", "bootloader menu",
                                               "\"C\" released", "key \"1\": speed 115200"};
    EXPECT_EQ(events, expected);
    EXPECT_TRUE(unit.takeEvents().empty());
}

}  // namespace
}  // namespace orlant::sim
