// The one progress strip along the bottom edge of the main window.
//
// A strip is created by the operation that starts a transfer or download and
// destroyed when it ends. Creating one while another is shown replaces it,
// so no strip is ever left orphaned on the window.
#pragma once

#include <cstdint>

#include "platform/window.h"

namespace orlant {

enum class StripRange {
    Short,  // the 16-bit range message: the upper bound is cut to 16 bits
    Full,   // the 32-bit range message
};

class ProgressStrip {
public:
    explicit ProgressStrip(Window& window) : window_(window) {}

    // Window thread.
    void create(uint32_t upper, StripRange range);
    void destroy();
    bool exists() const { return exists_; }
    void setPos(uint32_t pos);
    void advance(uint32_t by);

private:
    Window& window_;
    bool exists_ = false;
};

}  // namespace orlant
