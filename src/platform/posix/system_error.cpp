#include <cstring>

#include "platform/system.h"

namespace orlant {

std::string systemErrorText(uint32_t code) {
    if (code == 0) return {};
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not be in `buffer`.
    const char* text = strerror_r(static_cast<int>(code), buffer, sizeof buffer);
    if (text == nullptr || std::strncmp(text, "Unknown error", 13) == 0) return {};
    return text;
}

}  // namespace orlant
