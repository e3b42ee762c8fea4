// Temporary files and the text viewer on a freedesktop system.
#pragma once

#include "platform/desktop.h"

namespace orlant {

class PosixDesktop : public Desktop {
public:
    // `viewer` is the program that shows a text file; it gets the file's
    // name as its only argument.
    explicit PosixDesktop(std::string viewer = "xdg-open") : viewer_(std::move(viewer)) {}
    std::optional<TempFile> makeTempFile(const std::string& prefix) override;
    bool openInTextViewer(const std::string& path) override;

private:
    std::string viewer_;
};

}  // namespace orlant
