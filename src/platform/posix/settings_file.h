// The per-user settings store on a POSIX system: one small text file,
// $XDG_CONFIG_HOME/orlant-download/settings.ini (else
// $HOME/.config/orlant-download/settings.ini), laid out as IniDocument
// describes. Keys are sections, values are "name=value" lines.
//
// Every call reads the file afresh and every change rewrites it whole: a
// temporary file in the same directory, flushed to disk, then renamed over
// the old one, so a crash leaves either the old file or the new one. A file
// that does not parse makes every call fail with "<path>:<line>: <what is
// wrong>"; it is never rewritten, so a person can mend it.
#pragma once

#include <map>
#include <string>

#include "platform/settings.h"

namespace orlant {

class IniDocument;

class SettingsFile final : public SettingsStore {
public:
    explicit SettingsFile(std::string path = defaultPath()) : path_(std::move(path)) {}

    // Where the file lives for this user; empty when neither
    // XDG_CONFIG_HOME (absolute) nor HOME nor the password entry says.
    static std::string defaultPath();
    const std::string& path() const { return path_; }

    // A missing file or section fails with ENOENT.
    bool openKey(const std::string& key, SysError& error) override;
    // Makes the section, and the file and its directories (0700, file 0600),
    // as needed; an existing section is simply opened.
    bool createKey(const std::string& key, SysError& error) override;
    // Fails with ENOENT when the file, the section or the value is missing.
    bool readValue(const std::string& key, const std::string& name, uint32_t& value,
                   SysError& error) override;
    // Replaces or adds the value in an existing section.
    bool writeValue(const std::string& key, const std::string& name, uint32_t value,
                    SysError& error) override;

    // The device paths the user keeps per COM number; empty, without an
    // error, when the file or the section is not there.
    std::map<int, std::string> devicePaths(SysError& error);

private:
    // Reads and parses the file; ENOENT when it does not exist.
    SysError load(IniDocument& document) const;
    SysError save(const IniDocument& document) const;

    std::string path_;
};

}  // namespace orlant
