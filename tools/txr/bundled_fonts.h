// The bundled font set (fonts/*.bin) as built into the executable, and a private copy of it on
// disk for the library, which reads font files by path.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace txr::tool {

struct BundledFont {
    const char* name;
    const unsigned char* bytes;
    std::size_t size;
};

// The files fonts/ held when the tool was built; empty when it held none.
std::vector<BundledFont> bundledFonts();

// The font directory of one run: the one the user named (its prefix with a trailing separator),
// or the bundled set written to a private temporary directory that is removed again with this
// object.
class FontDirectory {
  public:
    // No `given` directory: the bundled set. Throws ToolError when it cannot be written out, or
    // (usage) when this build has none.
    explicit FontDirectory(const std::optional<std::string>& given);
    FontDirectory(const FontDirectory&) = delete;
    FontDirectory& operator=(const FontDirectory&) = delete;
    ~FontDirectory();

    // What SetPath receives: the directory with its trailing separator ("" for the current one).
    const std::string& prefix() const { return prefix_; }

  private:
    void removeTemporary();

    std::string prefix_;
    std::string temporary_;  // the private directory to remove, if any
};

// "DIR" -> "DIR/"; an empty name and one that already ends in a separator stay as they are.
std::string withTrailingSeparator(const std::string& directory);

}  // namespace txr::tool
