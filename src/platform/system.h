// What the operating system says about its own error codes.
#pragma once

#include <cstdint>
#include <string>

namespace orlant {

// The system's own text for `code`; empty when it has none.
std::string systemErrorText(uint32_t code);

// A failure as the log reports it: the system's code, or a reason the
// program found itself (a parser's complaint), or nothing.
struct SysError {
    uint32_t code = 0;
    std::string reason;

    SysError() = default;
    SysError(uint32_t c) : code(c) {}  // NOLINT: an error code reads naturally
    static SysError because(std::string why) {
        SysError e;
        e.reason = std::move(why);
        return e;
    }
    bool isError() const { return code != 0 || !reason.empty(); }
    // The second log line: the reason if given, else the system's text.
    std::string text() const { return reason.empty() ? systemErrorText(code) : reason; }
};

}  // namespace orlant
