// Whole-file reads with a size cap, and writes that never leave a half-written file behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace txr::fontkit {

// Reads a whole file; throws FontKitError when it cannot be read or is larger than maxSize.
std::vector<std::uint8_t> readFileBytes(const std::string& path, std::size_t maxSize);
std::string readFileText(const std::string& path, std::size_t maxSize);

// Writes to a temporary file beside `path`, flushed to the disk, and renames it over `path`; on
// failure the temporary file is removed, `path` is left as it was, and FontKitError says why.
// A symbolic link at `path` is followed and its target replaced; a replaced file keeps its
// permission bits (and owner where the process may set it).
void writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);
void writeFileAtomically(const std::string& path, const std::string& text);

// The same for a set of files: every one is written whole before any is renamed into place, so
// a failed write (a full disk) leaves every path as it was.
void writeFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files);

// A new empty file, with a short name (".txr" and six letters), in the directory of the file
// `path` names. A file-size limit then fails writes (rather than killing the process with the
// temporary file in place), so that they can clean up.
std::string temporaryPathBeside(const std::string& path);

// Renames `temporary` over the file `path` names, links followed, with the permission bits and
// owner of the file it replaces. On failure removes `temporary` and throws FontKitError.
void replaceWith(const std::string& temporary, const std::string& path);

}  // namespace txr::fontkit
