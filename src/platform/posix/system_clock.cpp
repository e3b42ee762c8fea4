#include <chrono>
#include <thread>

#include "platform/clock.h"

namespace orlant {

namespace {
class SteadyClock : public Clock {
public:
    uint32_t tickMs() override {
        auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
    void sleepMs(uint32_t ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    bool waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& wake, uint32_t ms,
                 const std::function<bool()>& done) override {
        return wake.wait_for(lock, std::chrono::milliseconds(ms), done);
    }
};
}  // namespace

Clock& systemClock() {
    static SteadyClock clock;
    return clock;
}

}  // namespace orlant
