#include "sim/sim_line.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace orlant::sim {

namespace {
// Steps of one runWorld(): one per event of the unit (boot, answer, finish).
// Far more than a catch-up ever needs; the bound only stops a runaway.
constexpr int MAX_WORLD_STEPS = 100000;

double byteUs(double bits, uint32_t baud) { return baud == 0 ? 1e9 : bits * 1e6 / baud; }
uint64_t upUs(double us) { return static_cast<uint64_t>(std::ceil(us)); }
}  // namespace

double bitsPerByte(const LineSettings& s) {
    const double stop = s.stopBits == STOPBITS_TWO ? 2 : s.stopBits == STOPBITS_ONE_HALF ? 1.5 : 1;
    return 1 + s.byteSize + (s.parity == PARITY_NONE ? 0 : 1) + stop;
}

double SimLine::pcByteUs() const { return byteUs(bitsPerByte(pc_), pc_.baud); }

size_t SimLine::write(const uint8_t* bytes, size_t n, uint64_t nowUs) {
    const size_t take = std::min(n, txRoom());
    if (take == 0) return 0;
    // An idle line starts the first byte now, not when it last went quiet.
    if (tx_.empty()) txFreeUs_ = std::max(txFreeUs_, static_cast<double>(nowUs));
    tx_.insert(tx_.end(), bytes, bytes + take);
    return take;
}

uint64_t SimLine::leftByUs(size_t k) const {
    return upUs(txFreeUs_ + static_cast<double>(std::min(k, tx_.size())) * pcByteUs());
}

size_t SimLine::read(uint8_t* buffer, size_t max) {
    const size_t take = std::min(max, rx_.size());
    std::copy_n(rx_.begin(), take, buffer);
    rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(take));
    return take;
}

void SimLine::purge() {
    tx_.clear();
    rx_.clear();
}

std::optional<uint64_t> SimLine::nextEventUs() const {
    std::optional<uint64_t> next;
    if (!tx_.empty()) next = upUs(txFreeUs_ + pcByteUs());
    if (!fromUnit_.empty()) {
        const uint64_t t = upUs(fromUnit_.front().doneUs);
        if (!next || t < *next) next = t;
    }
    return next;
}

void SimLine::run(uint64_t nowUs, ReadoutModel* unit) {
    const double now = static_cast<double>(nowUs);
    // PC → unit: bytes that have fully crossed, handed over together at the
    // time the last of them arrived.
    std::vector<uint8_t> arrived;
    double lastUs = 0;
    const double perByte = pcByteUs();
    while (!tx_.empty() && txFreeUs_ + perByte <= now) {
        txFreeUs_ += perByte;
        lastUs = txFreeUs_;
        arrived.push_back(tx_.front());
        tx_.pop_front();
    }
    if (unit == nullptr) return;  // no unit on this cable: the bytes go nowhere
    if (!arrived.empty()) {
        unit->receive(arrived.data(), arrived.size(), pc_.baud, upUs(lastUs));
    }
    // Unit → PC: the unit's UART sends its answers back to back.
    for (const OutByte& out : unit->takeOutput(nowUs)) {
        const double start = std::max(unitFreeUs_, static_cast<double>(out.readyUs));
        unitFreeUs_ = start + byteUs(UNIT_BITS_PER_BYTE, out.baud);
        fromUnit_.push_back(InFlight{out.value, out.baud, unitFreeUs_});
    }
    std::vector<uint8_t> heard;
    while (!fromUnit_.empty() && fromUnit_.front().doneUs <= now) {
        heard.clear();
        pcReceiver_.receive(fromUnit_.front().value, fromUnit_.front().baud, pc_.baud, heard);
        rx_.insert(rx_.end(), heard.begin(), heard.end());
        fromUnit_.pop_front();
    }
}

void runWorld(ReadoutModel& unit, SimLine* line, uint64_t nowUs) {
    for (int i = 0; i < MAX_WORLD_STEPS; ++i) {
        uint64_t step = nowUs;
        const std::optional<uint64_t> due = unit.nextDueUs();
        if (due && *due < step) step = std::max(*due, unit.nowUs());
        if (line) {
            line->run(step, &unit);
        } else {
            (void)unit.takeOutput(step);  // sent into an unplugged cable
        }
        unit.advance(step);
        if (step >= nowUs) return;
    }
    if (line) line->run(nowUs, &unit);
    unit.advance(nowUs);
    (void)unit.takeOutput(nowUs);
}

}  // namespace orlant::sim
