// Embedded files a test makes up: small images with known bytes.
#pragma once

#include <map>
#include <vector>

#include "platform/resources.h"

namespace orlant::test {

class MemoryResources : public Resources {
public:
    MemoryResources() {
        set("BOOTLOADER", 5000);
        set("ORLANT_2_REVO_SOFTWARE", 250000);
    }
    // An image of `size` bytes whose byte i is i * 7 + size.
    void set(const std::string& name, size_t size) {
        std::vector<uint8_t> bytes(size);
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + size);
        files[name] = std::move(bytes);
    }
    std::optional<EmbeddedFile> findEmbedded(const std::string& name) override {
        auto it = files.find(name);
        if (it == files.end()) return std::nullopt;
        if (nullBytes) return EmbeddedFile{nullptr, it->second.size()};
        return EmbeddedFile{it->second.data(), it->second.size()};
    }
    std::map<std::string, std::vector<uint8_t>> files;
    bool nullBytes = false;  // found, but no bytes to be had
};

}  // namespace orlant::test
