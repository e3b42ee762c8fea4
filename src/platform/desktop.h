// The desktop around the program: private temporary files and a text viewer.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace orlant {

struct TempFile {
    std::string path;
    std::FILE* file = nullptr;  // open for writing; the caller closes it
};

class Desktop {
public:
    virtual ~Desktop() = default;
    // A new file, private to the user, in the user's temporary directory,
    // with a name that starts with `prefix` and cannot be guessed.
    virtual std::optional<TempFile> makeTempFile(const std::string& prefix) = 0;
    // Shows the file in the desktop's text viewer; the name is passed as one
    // argument, never through a shell. Returns without waiting.
    virtual bool openInTextViewer(const std::string& path) = 0;
};

}  // namespace orlant
