// The bundled font set (fonts/*.bin) as built into the executable, and the font directory of a
// run: the one the user named, or a private copy of the bundled set on disk for the library,
// which reads font files by path.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "embedded_file.h"

namespace txr::tool {

using BundledFont = EmbeddedFile;

// The files fonts/ held when the tool was built; empty when it held none.
std::vector<BundledFont> bundledFonts();

// What SetPath receives: the `given` directory with a trailing separator ("" for the current
// one), or without one the bundled set, written out to a private temporary directory on first
// use (once for all commands of a batch) and removed when the program ends. Throws ToolError
// when the set cannot be written out, or (usage) when this build has none.
std::string fontDirectoryPrefix(const std::optional<std::string>& given);

// "DIR" -> "DIR/"; an empty name and one that already ends in a separator stay as they are.
std::string withTrailingSeparator(const std::string& directory);

}  // namespace txr::tool
