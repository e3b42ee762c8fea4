// Which device a COM number stands for on a POSIX system, and opening it.
//
// A COM number maps to a device path, looked up in this order: the paths
// given on the command line (--port N=PATH), the paths the user keeps in
// the settings file, and last /dev/ttyS<N-1>, the way the first UART is
// COM1 on a PC. Numbers above 4 follow the same rule.
#pragma once

#include <map>
#include <string>

#include "platform/serial.h"

namespace orlant {

using PortPaths = std::map<int, std::string>;

class PosixPorts final : public SerialPorts {
public:
    explicit PosixPorts(PortPaths fromCommandLine = {}, PortPaths fromSettings = {})
        : commandLine_(std::move(fromCommandLine)), settings_(std::move(fromSettings)) {}

    // Opens the device exclusively (TIOCEXCL, and flock() since root passes
    // TIOCEXCL by), non-blocking, without making it the controlling
    // terminal. The line is left as it was: configure() sets it.
    OpenResult open(int n) override;
    // The device path COM `n` opens.
    std::string describe(int n) const override { return devicePath(n); }
    std::string devicePath(int n) const;

private:
    PortPaths commandLine_;
    PortPaths settings_;
};

// Reads the value of a --port option, "N=PATH" with N from 1 up and a
// non-empty PATH, into `paths`. False, leaving `paths` alone, otherwise.
bool parsePortOption(const std::string& text, PortPaths& paths);

// What the operator can do when `path` for COM `n` failed to open with
// `err`; empty when there is nothing useful to say.
std::string openAdvice(int n, const std::string& path, int err);

}  // namespace orlant
