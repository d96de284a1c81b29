// Writing the bundled font set out to a private temporary directory for one run.
#include "bundled_fonts.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "tool_error.h"

namespace txr::tool {

namespace {

std::string makePrivateDirectory() {
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) base = "/tmp";
    std::string pattern = (base / "txr-fonts-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw ToolError(kExitFailed, "cannot make a temporary directory for the bundled fonts in " +
                                         base.string() + ": " + std::strerror(errno));
    }
    return pattern;
}

}  // namespace

std::string withTrailingSeparator(const std::string& directory) {
    if (directory.empty() || directory.back() == '/') return directory;
    return directory + '/';
}

FontDirectory::FontDirectory(const std::optional<std::string>& given) {
    if (given) {
        prefix_ = withTrailingSeparator(*given);
        return;
    }
    const std::vector<BundledFont> fonts = bundledFonts();
    if (fonts.empty()) {
        throw ToolError(kExitUsage, "this build has no bundled font set: give --fonts DIR");
    }
    temporary_ = makePrivateDirectory();
    prefix_ = withTrailingSeparator(temporary_);
    try {
        for (const BundledFont& font : fonts) {
            const std::string path = prefix_ + font.name;
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(font.bytes),
                      static_cast<std::streamsize>(font.size));
            out.close();
            if (!out) throw ToolError(kExitFailed, "cannot write the bundled font " + path);
        }
    } catch (...) {
        removeTemporary();
        throw;
    }
}

FontDirectory::~FontDirectory() {
    removeTemporary();
}

void FontDirectory::removeTemporary() {
    if (temporary_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(temporary_, ignored);
    temporary_.clear();
}

}  // namespace txr::tool
