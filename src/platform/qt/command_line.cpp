#include "platform/qt/command_line.h"

#include <algorithm>
#include <cstdlib>

#include "platform/posix/posix_ports.h"

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
    {"--port", "N=PATH", "open device PATH for COM port N (may be given for each port)",
     [](CommandLine& o, const std::string& v) {
         if (!parsePortOption(v, o.ports)) {
             return std::string("--port needs N=PATH, for example 1=/dev/ttyUSB0");
         }
         return std::string();
     }},
    {"--simulate", nullptr, "attach a simulated readout to the COM ports (no hardware needed)",
     [](CommandLine& o, const std::string&) {
         o.simulate = true;
         return std::string();
     }},
    {"--simulate-auto", "SPEED",
     "with --simulate: the unit powers on into its menu and picks SPEED (115200 or 57600) by itself",
     [](CommandLine& o, const std::string& v) {
         if (v != "115200" && v != "57600") return std::string("--simulate-auto takes 115200 or 57600");
         o.simulate = true;
         o.simulateAuto = static_cast<uint32_t>(std::stoul(v));
         return std::string();
     }},
    {"--simulate-time-scale", "F",
     "with --simulate: run the unit and its line F times faster than real time",
     [](CommandLine& o, const std::string& v) {
         char* end = nullptr;
         double f = std::strtod(v.c_str(), &end);
         if (end == v.c_str() || *end != '\0' || !(f >= 0.01 && f <= 10000)) {
             return std::string("--simulate-time-scale takes a number from 0.01 to 10000");
         }
         o.simulateTimeScale = f;
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
