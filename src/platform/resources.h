// Files carried inside the program, found by their names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace orlant {

struct EmbeddedFile {
    const uint8_t* bytes = nullptr;  // valid for the life of the program; never written
    size_t size = 0;
};

class Resources {
public:
    virtual ~Resources() = default;
    // Empty when the program carries no file of that name.
    virtual std::optional<EmbeddedFile> findEmbedded(const std::string& name) = 0;
};

// The images linked into this executable.
Resources& linkedResources();
// How the linked images were made, for --version: "placeholder" or the
// file names given to the build.
const char* linkedImagesOrigin();

}  // namespace orlant
