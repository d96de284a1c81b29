// Whole-file reads with a size cap, and writes that never leave a half-written file behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace txr::fontkit {

// Reads a whole file; throws FontKitError when it cannot be read or is larger than maxSize.
std::vector<std::uint8_t> readFileBytes(const std::string& path, std::size_t maxSize);
std::string readFileText(const std::string& path, std::size_t maxSize);

// Writes to a temporary file beside `path` and renames it over `path`; on failure the temporary
// file is removed, `path` is left as it was, and FontKitError says why.
void writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);
void writeFileAtomically(const std::string& path, const std::string& text);

// A temporary file name beside `path` that does not exist yet.
std::string temporaryPathBeside(const std::string& path);

}  // namespace txr::fontkit
