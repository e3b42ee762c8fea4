#include "platform/qt/command_line.h"

#include <algorithm>

namespace orlant {

namespace {

struct OptionRow {
    const char* name;
    const char* value;  // name of the value shown in the usage, or null
    const char* help;
    // Stores the option; returns a complaint, or empty when the value is good.
    std::string (*apply)(CommandLine& options, const std::string& value);
};

const OptionRow kOptions[] = {
    {"--help", nullptr, "show this help and exit",
     [](CommandLine& o, const std::string&) {
         o.help = true;
         return std::string();
     }},
    {"--version", nullptr, "show the program's version and exit",
     [](CommandLine& o, const std::string&) {
         o.version = true;
         return std::string();
     }},
    {"--log-file", "PATH", "also append every event log line to PATH",
     [](CommandLine& o, const std::string& v) {
         if (v.empty()) return std::string("--log-file needs a file name");
         o.logFile = v;
         return std::string();
     }},
};

const OptionRow* findOption(const std::string& name) {
    for (const OptionRow& row : kOptions) {
        if (name == row.name) return &row;
    }
    return nullptr;
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    ParsedCommandLine parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        size_t eq = arg.find('=');
        std::string name = arg.substr(0, eq);
        const OptionRow* row = findOption(name);
        if (row == nullptr) {
            parsed.error = "unknown option '" + arg + "'";
            return parsed;
        }
        std::string value;
        if (row->value == nullptr) {
            if (eq != std::string::npos) {
                parsed.error = name + " takes no value";
                return parsed;
            }
        } else if (eq != std::string::npos) {
            value = arg.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            parsed.error = name + " needs a value (" + row->value + ")";
            return parsed;
        }
        std::string complaint = row->apply(parsed.options, value);
        if (!complaint.empty()) {
            parsed.error = complaint;
            return parsed;
        }
    }
    return parsed;
}

std::string UsageText() {
    std::string text = std::string("Usage: ") + ProgramName + " [OPTION]...\n" +
                       "Loads software into an Orlant readout over a serial cable.\n\nOptions:\n";
    size_t width = 0;
    for (const OptionRow& row : kOptions) {
        size_t w = std::string(row.name).size() + (row.value ? std::string(row.value).size() + 1 : 0);
        width = std::max(width, w);
    }
    for (const OptionRow& row : kOptions) {
        std::string left = std::string(row.name) + (row.value ? std::string(" ") + row.value : "");
        text += "  " + left + std::string(width - left.size() + 2, ' ') + row.help + "\n";
    }
    return text;
}

std::string VersionText() { return std::string(ProgramName) + " " + ProgramVersion; }

}  // namespace orlant
