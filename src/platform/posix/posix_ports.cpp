#include "platform/posix/posix_ports.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <vector>

#include "platform/posix/termios_device.h"

namespace orlant {
namespace {

// The name of the group with id `gid`, or empty when it has none.
std::string groupName(gid_t gid) {
    long size = sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    group entry{};
    group* found = nullptr;
    if (getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
        return {};
    }
    return found->gr_name;
}

std::string permissionAdvice(const std::string& path) {
    struct stat info{};
    if (stat(path.c_str(), &info) != 0) return {};
    const std::string group = groupName(info.st_gid);
    if (group.empty() || info.st_gid == 0) {
        return "Ask your administrator for read and write access to " + path + ".";
    }
    return "Add your user to the group '" + group + "' that owns " + path +
           " (sudo usermod -aG " + group + " $USER), then log in again.";
}

// Opens `path` as a terminal that this process alone uses, or returns -1
// with errno set.
int openExclusive(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    int err = 0;
    if (!isatty(fd)) {
        err = ENOTTY;
    } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Another program of ours, or any program that locks the way
        // minicom and picocom do, holds the device.
        err = errno == EWOULDBLOCK ? EBUSY : errno;
    } else if (ioctl(fd, TIOCEXCL) != 0) {
        err = errno;
    }
    if (err == 0) return fd;
    ::close(fd);
    errno = err;
    return -1;
}

}  // namespace

std::string PosixPorts::devicePath(int n) const {
    if (auto it = commandLine_.find(n); it != commandLine_.end()) return it->second;
    if (auto it = settings_.find(n); it != settings_.end()) return it->second;
    return "/dev/ttyS" + std::to_string(n - 1);
}

OpenResult PosixPorts::open(int n) {
    OpenResult result;
    const std::string path = devicePath(n);
    if (n < 1) {
        result.error = SysError(ENOENT);
        return result;
    }
    const int fd = openExclusive(path);
    if (fd < 0) {
        const int err = errno;
        result.error = SysError(static_cast<uint32_t>(err));
        result.advice = openAdvice(n, path, err);
        return result;
    }
    result.device = TermiosDevice::adopt(fd, result.error);
    return result;
}

bool parsePortOption(const std::string& text, PortPaths& paths) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == text.size()) return false;
    int n = 0;
    const char* first = text.data();
    const char* last = first + equals;
    auto [end, ec] = std::from_chars(first, last, n);
    if (ec != std::errc() || end != last || n < 1) return false;
    paths[n] = text.substr(equals + 1);
    return true;
}

std::string openAdvice(int n, const std::string& path, int err) {
    const std::string com = std::to_string(n);
    switch (err) {
        case EACCES:
        case EPERM: return permissionAdvice(path);
        case ENOENT:
            return "There is no device " + path + ". Plug in the adapter, or name the device for Com" +
                   com + " with --port " + com + "=PATH (for example --port " + com +
                   "=/dev/ttyUSB0).";
        case EBUSY: return "Another program is using " + path + ". Close it, or pick another port.";
        case ENOTTY:
            return path + " is not a serial device. Name the right one with --port " + com + "=PATH.";
        default: return {};
    }
}

}  // namespace orlant
