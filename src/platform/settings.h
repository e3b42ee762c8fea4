// The per-user settings store: keys holding named 32-bit values, as the
// program keeps its remembered port.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system.h"

namespace orlant {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // Each returns true on success and fills `error` with the reason otherwise.
    virtual bool openKey(const std::string& key, SysError& error) = 0;
    virtual bool createKey(const std::string& key, SysError& error) = 0;
    virtual bool readValue(const std::string& key, const std::string& name, uint32_t& value,
                           SysError& error) = 0;
    virtual bool writeValue(const std::string& key, const std::string& name, uint32_t value,
                            SysError& error) = 0;
};

}  // namespace orlant
