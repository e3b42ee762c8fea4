// A pseudo-terminal pair for the benchmarks: the program opens the slave
// path as its COM port, the benchmark reads the master side.
#pragma once

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <optional>
#include <string>

struct Pty {
    int master = -1;
    std::string slave;
};

// Empty when the system gives no pseudo-terminal.
inline std::optional<Pty> openPty() {
    Pty pty;
    pty.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[PATH_MAX] = {};
    if (pty.master < 0 || grantpt(pty.master) != 0 || unlockpt(pty.master) != 0 ||
        ptsname_r(pty.master, name, sizeof name) != 0) {
        if (pty.master >= 0) close(pty.master);
        return std::nullopt;
    }
    pty.slave = name;
    return pty;
}
