// The program's command line, read before any window exists.
//
// Every option is one row of a table (command_line.cpp): its name, the name
// of its value if it takes one, a line of help, and what it sets. The usage
// text is made from the same table, so an option cannot be accepted without
// being documented, or documented without being accepted.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orlant {

constexpr const char* ProgramName = "orlant-download";
constexpr const char* ProgramVersion = "1.1.0";

struct CommandLine {
    bool help = false;
    bool version = false;
    std::optional<std::string> logFile;  // mirror of the event log
    std::map<int, std::string> ports;    // COM number -> device, from --port N=PATH
    bool simulate = false;               // a simulated readout on every COM port
    uint32_t simulateAuto = 0;           // the simulated unit acts by itself at this speed
    double simulateTimeScale = 1.0;      // how much faster than real time it runs
};

struct ParsedCommandLine {
    CommandLine options;
    std::string error;  // empty when the line was understood
    bool ok() const { return error.empty(); }
};

// `args` excludes the program name. Values follow their option as the next
// argument or after '=' ("--log-file=x.log").
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// "Usage: ..." and one line per option.
std::string UsageText();
// "orlant-download 1.1.0".
std::string VersionText();

// What the program's exit code is for each way a command line can end it.
constexpr int EXIT_USAGE = 2;

}  // namespace orlant
