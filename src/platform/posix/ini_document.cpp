#include "platform/posix/ini_document.h"

#include <charconv>
#include <set>
#include <utility>

namespace orlant {
namespace {

// Quoted text in a complaint is cut to this many characters.
constexpr size_t kQuoteMax = 40;

std::string trim(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const size_t last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

std::string quoted(const std::string& s) {
    return "\"" + (s.size() > kQuoteMax ? s.substr(0, kQuoteMax) + "..." : s) + "\"";
}

bool isText(const std::string& s) {
    for (unsigned char c : s) {
        if ((c < 0x20 && c != '\t') || c == 0x7F) return false;
    }
    return true;
}

// The COM number of a devices-section name "Com<N>", or 0.
int comNumber(const std::string& name) {
    if (name.size() < 4 || name.compare(0, 3, "Com") != 0) return 0;
    int n = 0;
    const char* last = name.data() + name.size();
    auto [end, ec] = std::from_chars(name.data() + 3, last, n);
    return (ec == std::errc() && end == last && n >= 1) ? n : 0;
}

}  // namespace

bool isWritableKey(const std::string& key) {
    return !key.empty() && isText(key) && trim(key) == key &&
           key.find(']') == std::string::npos && key != kDevicesKey;
}

bool isWritableName(const std::string& name) {
    return !name.empty() && isText(name) && trim(name) == name &&
           name.find('=') == std::string::npos && name[0] != '[' && name[0] != '#' &&
           name[0] != ';';
}

std::optional<uint32_t> parseNumber(const std::string& text) {
    int64_t n = 0;
    const char* last = text.data() + text.size();
    auto [end, ec] = std::from_chars(text.data(), last, n);
    if (text.empty() || ec != std::errc() || end != last) return std::nullopt;
    if (n < INT32_MIN || n > int64_t{UINT32_MAX}) return std::nullopt;
    return static_cast<uint32_t>(n);
}

std::string formatNumber(uint32_t value) { return std::to_string(static_cast<int32_t>(value)); }

SysError IniDocument::parse(const std::string& text, const std::string& where) {
    lines_.clear();
    std::vector<Line> lines;
    std::set<std::string> sections;
    std::set<std::pair<std::string, std::string>> names;
    std::string section;
    size_t number = 0;
    for (size_t start = 0; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        Line line{text.substr(start, end - start), section, {}, {}, false};
        start = end + 1;
        if (!line.text.empty() && line.text.back() == '\r') line.text.pop_back();

        const auto fail = [&](const std::string& what) {
            return SysError::because(where + ":" + std::to_string(number + 1) + ": " + what);
        };
        if (!isText(line.text)) return fail("unreadable characters; this is not a settings text");
        const std::string t = trim(line.text);
        if (t.empty() || t[0] == '#' || t[0] == ';') {
            lines.push_back(std::move(line));
            continue;
        }
        if (t[0] == '[') {
            section = t.back() == ']' ? trim(t.substr(1, t.size() - 2)) : std::string();
            if (section.empty()) return fail("a section must be written [KEY], not " + quoted(t));
            if (!sections.insert(section).second) return fail("[" + section + "] appears twice");
            line.section = section;
            line.header = true;
            lines.push_back(std::move(line));
            continue;
        }
        const size_t equals = t.find('=');
        line.name = equals == std::string::npos ? std::string() : trim(t.substr(0, equals));
        if (line.name.empty()) return fail("expected NAME=VALUE or [KEY], found " + quoted(t));
        if (section.empty()) return fail(quoted(line.name) + " stands before any [KEY] line");
        line.value = trim(t.substr(equals + 1));
        if (!names.emplace(section, line.name).second) {
            return fail(quoted(line.name) + " is given twice in [" + section + "]");
        }
        if (section == kDevicesKey) {
            if (comNumber(line.name) == 0) return fail("expected ComN=PATH, found " + quoted(t));
            if (line.value.empty()) return fail(quoted(line.name) + " names no device");
        } else if (!parseNumber(line.value)) {
            return fail("the value of " + quoted(line.name) + " is not a number: " +
                        quoted(line.value));
        }
        lines.push_back(std::move(line));
    }
    lines_ = std::move(lines);
    return {};
}

std::string IniDocument::text() const {
    std::string out;
    for (const Line& line : lines_) out += line.text + "\n";
    return out;
}

bool IniDocument::hasSection(const std::string& key) const {
    for (const Line& line : lines_) {
        if (line.header && line.section == key) return true;
    }
    return false;
}

std::optional<std::string> IniDocument::value(const std::string& key,
                                              const std::string& name) const {
    for (const Line& line : lines_) {
        if (line.section == key && line.name == name) return line.value;
    }
    return std::nullopt;
}

void IniDocument::addSection(const std::string& key) {
    if (!lines_.empty() && !trim(lines_.back().text).empty()) lines_.push_back({});
    lines_.push_back({"[" + key + "]", key, {}, {}, true});
}

void IniDocument::setValue(const std::string& key, const std::string& name,
                           const std::string& value) {
    Line line{name + "=" + value, key, name, value, false};
    size_t insertAt = lines_.size();
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].section != key) continue;
        if (lines_[i].name == name) {
            lines_[i] = std::move(line);
            return;
        }
        // After the header or the section's last value, before blank lines
        // that separate it from the next section.
        if (lines_[i].header || !lines_[i].name.empty()) insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
}

std::map<int, std::string> IniDocument::devicePaths() const {
    std::map<int, std::string> paths;
    for (const Line& line : lines_) {
        if (line.section == kDevicesKey && !line.name.empty()) {
            paths[comNumber(line.name)] = line.value;
        }
    }
    return paths;
}

}  // namespace orlant
