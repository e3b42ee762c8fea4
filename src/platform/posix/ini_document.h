// The text of the settings file: sections named by a key path, each with
// "name=value" lines.
//
//   [SOFTWARE\Kestrum\DalvoCommPort]
//   PortId=1
//   [SOFTWARE\Kestrum\DalvoCommPort\Devices]
//   Com1=/dev/ttyUSB0
//
// Blank lines and lines starting with '#' or ';' are kept as they are.
// Values are numbers (decimal, 32 bits, a minus sign allowed), except in the
// devices section, where they are device paths. Names and keys match
// exactly, case included. Editing keeps every other line untouched, so a
// file a person wrote keeps its comments and order.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/system.h"

namespace orlant {

// The key whose values are device paths by COM number ("Com1", "Com2", ...).
inline const std::string kDevicesKey = "SOFTWARE\\Kestrum\\DalvoCommPort\\Devices";

class IniDocument {
public:
    // Parses `text`; on failure returns the reason as "<where>:<line>: <what
    // is wrong>" and leaves the document empty. `where` names the file.
    SysError parse(const std::string& text, const std::string& where);
    std::string text() const;

    bool hasSection(const std::string& key) const;
    // The text of `name` in `key`, if both are there.
    std::optional<std::string> value(const std::string& key, const std::string& name) const;
    void addSection(const std::string& key);
    // Replaces the value or adds it at the end of the section, which must
    // exist.
    void setValue(const std::string& key, const std::string& name, const std::string& value);

    std::map<int, std::string> devicePaths() const;

private:
    struct Line {
        std::string text;
        std::string section;  // the section the line is in (or opens)
        std::string name;     // empty unless the line holds a value
        std::string value;
        bool header;  // the line is the section's [KEY]
    };
    std::vector<Line> lines_;
};

// Whether `key` and `name` can be written so that the file reads back the
// same: no line breaks or control characters, no ']' in a key, no '=' in a
// name, neither empty nor padded with blanks. The devices section is not
// written by the program: its values are paths, set by the user.
bool isWritableKey(const std::string& key);
bool isWritableName(const std::string& name);

// A stored number as 32 bits: "-5" is 0xFFFFFFFB. Nothing when `text` is not
// a decimal number from -2147483648 to 4294967295.
std::optional<uint32_t> parseNumber(const std::string& text);
// How a number is written: as a signed 32-bit decimal.
std::string formatNumber(uint32_t value);

}  // namespace orlant
