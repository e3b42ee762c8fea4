#include "platform/qt/startup_probe.h"

#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace orlant::qt {

bool StartupProbeRequested() {
    const char* value = std::getenv("ORLANT_BENCH_STARTUP");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

std::optional<long> MillisecondsSinceProcessStart() {
    // Field 22 of /proc/self/stat is the start time in clock ticks since
    // boot; the command name (field 2) may hold blanks, so count from the
    // last ')'.
    std::ifstream file("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    size_t close = stat.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    // After ')' come fields 3, 4, ...; the start time is the 20th of them.
    for (int i = 3; i < 22 && (fields >> field); ++i) {
    }
    unsigned long long startTicks = 0;
    if (!(fields >> startTicks)) return std::nullopt;
    long ticksPerSecond = sysconf(_SC_CLK_TCK);
    timespec now{};
    if (ticksPerSecond <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) return std::nullopt;
    long double nowMs = now.tv_sec * 1000.0L + now.tv_nsec / 1.0e6L;
    long double startMs = startTicks * 1000.0L / ticksPerSecond;
    return static_cast<long>(nowMs - startMs);
}

std::optional<long> ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    for (int i = 0; i < 200 && std::getline(status, line); ++i) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return std::nullopt;
}

}  // namespace orlant::qt
