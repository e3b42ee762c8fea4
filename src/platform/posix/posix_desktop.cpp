#include "platform/posix/posix_desktop.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>
#include <vector>

extern char** environ;

namespace orlant {

std::optional<TempFile> PosixDesktop::makeTempFile(const std::string& prefix) {
    const char* dir = std::getenv("TMPDIR");
    std::string pattern = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
    if (pattern.back() != '/') pattern += '/';
    pattern += prefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkstemp creates the file 0600 with O_EXCL: private, and never one that
    // someone else put there first.
    int fd = mkstemp(name.data());
    if (fd < 0) return std::nullopt;
    std::FILE* file = fdopen(fd, "w");
    if (file == nullptr) {
        close(fd);
        return std::nullopt;
    }
    return TempFile{name.data(), file};
}

bool PosixDesktop::openInTextViewer(const std::string& path) {
    std::vector<char*> argv{const_cast<char*>(viewer_.c_str()), const_cast<char*>(path.c_str()),
                            nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, viewer_.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        return false;
    }
    // Reap the viewer whenever it ends, without making the caller wait.
    std::thread([pid] {
        int status = 0;
        waitpid(pid, &status, 0);
    }).detach();
    return true;
}

}  // namespace orlant
