// The event log: plain text lines in the order the window thread takes
// them, added from any thread. Lines can be mirrored to a file as they are
// added, so a technician can send a session's log to support.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/system.h"
#include "platform/window.h"

namespace orlant {

class Desktop;

// Longest formatted line; a longer one is cut here.
constexpr size_t LOG_LINE_MAX = 1023;

// Adds `text` as a new line and scrolls the list to it. Any thread.
void AppendLogLine(Window& window, const std::string& text);

// Formats a line printf-style and adds it; a failure adds the system's text
// (or the reason) for it as a second line. Any thread.
void LogMessage(Window& window, const SysError& error, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Mirrors every line added from now on to `file` (null stops it). The file
// stays the caller's.
void SetLogMirror(std::FILE* file);

// "RAW_DATA: " and the bytes: printable ones as themselves, the others as
// [n] with n taken as a signed byte.
std::string RenderRawTrace(const uint8_t* bytes, size_t count);
// "WaitCommEvent dwEvtMask: n".
std::string RenderEventMask(uint32_t mask);

// Writes every line (or only the selected ones) to a new private temporary
// file and opens it in the text viewer. Beeps when no file can be made.
void SaveLog(Window& window, Desktop& desktop, bool selectedOnly);

}  // namespace orlant
