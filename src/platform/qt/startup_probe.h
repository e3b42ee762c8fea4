// Start-up figures for the benchmark in bench/startup.sh.
//
// With ORLANT_BENCH_STARTUP=1 in the environment the window reports, on
// stderr, "first-paint-ms N" when it first paints (N counted from the start
// of the process, so loading the libraries is included) and one second
// later "idle-rss-kb N", then ends the program with exit code 0. Without
// the variable nothing here runs.
#pragma once

#include <optional>

namespace orlant::qt {

bool StartupProbeRequested();

// Milliseconds since this process was started by the kernel.
std::optional<long> MillisecondsSinceProcessStart();
// The resident set (VmRSS) in kilobytes.
std::optional<long> ResidentKilobytes();

}  // namespace orlant::qt
