#include "app/event_log.h"

#include <cstdarg>
#include <mutex>

#include "platform/desktop.h"

namespace orlant {

namespace {
std::mutex mirrorLock;
std::FILE* mirror = nullptr;

void writeMirror(const std::string& text) {
    std::lock_guard<std::mutex> hold(mirrorLock);
    if (mirror == nullptr) return;
    std::fputs(text.c_str(), mirror);
    if (text.empty() || text.back() != '\n') std::fputc('\n', mirror);
    std::fflush(mirror);
}
}  // namespace

void SetLogMirror(std::FILE* file) {
    std::lock_guard<std::mutex> hold(mirrorLock);
    mirror = file;
}

void AppendLogLine(Window& window, const std::string& text) {
    window.send([&] {
        int index = window.logAdd(text);
        window.logSetTop(index);
        writeMirror(text);
    });
}

void LogMessage(Window& window, const SysError& error, const char* format, ...) {
    char line[LOG_LINE_MAX + 1];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    AppendLogLine(window, line);
    if (!error.isError()) return;
    std::string text = error.text();
    if (!text.empty()) AppendLogLine(window, text);
}

std::string RenderRawTrace(const uint8_t* bytes, size_t count) {
    std::string line = "RAW_DATA: ";
    line.reserve(line.size() + count * 6);
    for (size_t i = 0; i < count; ++i) {
        uint8_t b = bytes[i];
        if (b >= 32 && b <= 126) {
            line.push_back(static_cast<char>(b));
        } else {
            line += '[';
            line += std::to_string(static_cast<int8_t>(b));
            line += ']';
        }
    }
    return line;
}

std::string RenderEventMask(uint32_t mask) {
    return "WaitCommEvent dwEvtMask: " + std::to_string(static_cast<int32_t>(mask));
}

void SaveLog(Window& window, Desktop& desktop, bool selectedOnly) {
    auto temp = desktop.makeTempFile("dvl");
    if (!temp) {
        window.beep();
        return;
    }
    int count = window.logCount();
    for (int i = 0; i < count; ++i) {
        if (selectedOnly && !window.logIsSelected(i)) continue;
        auto line = window.logLine(i);
        if (!line) continue;
        std::fputs(line->c_str(), temp->file);
        std::fputc('\n', temp->file);
    }
    bool written = std::fclose(temp->file) == 0;
    if (!written) window.beep();
    desktop.openInTextViewer(temp->path);
}

}  // namespace orlant
