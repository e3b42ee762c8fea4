#include "platform/posix/settings_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/posix/ini_document.h"

namespace orlant {
namespace {

constexpr const char* kAppDirectory = "orlant-download";
constexpr const char* kFileName = "settings.ini";
// A settings file is a few lines; anything this big is not one.
constexpr size_t kMaxFileBytes = 64 * 1024;

SysError lastError() { return SysError(static_cast<uint32_t>(errno)); }

std::string homeDirectory() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return {};
    return found->pw_dir;
}

// Makes `dir` and every missing directory above it, private to the user.
SysError makeDirectories(const std::string& dir) {
    for (size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        const std::string prefix = dir.substr(0, slash);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return lastError();
        if (slash == std::string::npos) return {};
    }
}

SysError writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put > 0) {
            done += static_cast<size_t>(put);
        } else if (put < 0 && errno != EINTR) {
            return lastError();
        }
    }
    return {};
}

}  // namespace

std::string SettingsFile::defaultPath() {
    // The XDG base directory rules say to ignore a relative XDG_CONFIG_HOME.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config != nullptr && config[0] == '/') {
        base = config;
    } else {
        const std::string home = homeDirectory();
        if (home.empty()) return {};
        base = home + "/.config";
    }
    return base + "/" + kAppDirectory + "/" + kFileName;
}

SysError SettingsFile::load(IniDocument& document) const {
    if (path_.empty()) return SysError(ENOENT);
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return lastError();
    std::string text;
    char chunk[4096];
    SysError error;
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            error = lastError();
            break;
        }
        text.append(chunk, static_cast<size_t>(got));
        if (text.size() > kMaxFileBytes) {
            error = SysError::because(path_ + ": too large for a settings file");
            break;
        }
    }
    ::close(fd);
    return error.isError() ? error : document.parse(text, path_);
}

SysError SettingsFile::save(const IniDocument& document) const {
    const size_t slash = path_.rfind('/');
    if (slash == std::string::npos || slash == 0) return SysError(EINVAL);
    const std::string dir = path_.substr(0, slash);
    if (SysError e = makeDirectories(dir); e.isError()) return e;

    std::string temp = dir + "/." + kFileName + ".XXXXXX";
    // mkostemp makes the file 0600 and never reuses one that is there.
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return lastError();
    SysError error = writeAll(fd, document.text());
    if (!error.isError() && fsync(fd) != 0) error = lastError();
    if (::close(fd) != 0 && !error.isError()) error = lastError();
    if (!error.isError() && rename(temp.c_str(), path_.c_str()) != 0) error = lastError();
    if (error.isError()) {
        unlink(temp.c_str());
        return error;
    }
    // The rename itself reaches the disk with the directory.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

bool SettingsFile::openKey(const std::string& key, SysError& error) {
    IniDocument document;
    error = load(document);
    if (!error.isError() && !document.hasSection(key)) error = SysError(ENOENT);
    return !error.isError();
}

bool SettingsFile::createKey(const std::string& key, SysError& error) {
    if (!isWritableKey(key)) {
        error = SysError(EINVAL);
        return false;
    }
    IniDocument document;
    error = load(document);
    if (error.code == ENOENT && error.reason.empty()) error = {};
    if (error.isError()) return false;
    if (document.hasSection(key)) return true;
    document.addSection(key);
    error = save(document);
    return !error.isError();
}

bool SettingsFile::readValue(const std::string& key, const std::string& name, uint32_t& value,
                             SysError& error) {
    IniDocument document;
    error = load(document);
    if (error.isError()) return false;
    const std::optional<std::string> text = document.value(key, name);
    const std::optional<uint32_t> number = text ? parseNumber(*text) : std::nullopt;
    if (!number) {
        error = SysError(ENOENT);
        return false;
    }
    value = *number;
    return true;
}

bool SettingsFile::writeValue(const std::string& key, const std::string& name, uint32_t value,
                              SysError& error) {
    if (!isWritableKey(key) || !isWritableName(name)) {
        error = SysError(EINVAL);
        return false;
    }
    IniDocument document;
    error = load(document);
    if (!error.isError() && !document.hasSection(key)) error = SysError(ENOENT);
    if (error.isError()) return false;
    document.setValue(key, name, formatNumber(value));
    error = save(document);
    return !error.isError();
}

std::map<int, std::string> SettingsFile::devicePaths(SysError& error) {
    IniDocument document;
    error = load(document);
    if (error.code == ENOENT && error.reason.empty()) error = {};
    return error.isError() ? std::map<int, std::string>{} : document.devicePaths();
}

}  // namespace orlant
