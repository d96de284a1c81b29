// A file built into the executable at build time (the bundled fonts, txr serve's page).
#pragma once

#include <cstddef>

namespace txr::tool {

struct EmbeddedFile {
    const char* name;
    const unsigned char* bytes;
    std::size_t size;
};

}  // namespace txr::tool
