// Writing the bundled font set out to a private temporary directory, once a run.
#include "bundled_fonts.h"

#include <filesystem>
#include <fstream>
#include <memory>

#include "temporary_directory.h"
#include "tool_error.h"

namespace txr::tool {

namespace {

std::unique_ptr<TemporaryDirectory> writeBundledSet() {
    const std::vector<BundledFont> fonts = bundledFonts();
    if (fonts.empty()) {
        throw ToolError(kExitUsage, "this build has no bundled font set: give --fonts DIR");
    }
    auto directory = std::make_unique<TemporaryDirectory>("txr-fonts");
    for (const BundledFont& font : fonts) {
        directory->willHold(font.name);
        const std::string path = (directory->path() / font.name).string();
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(font.bytes),
                  static_cast<std::streamsize>(font.size));
        out.close();
        if (!out) throw ToolError(kExitFailed, "cannot write the bundled font " + path);
    }
    return directory;
}

}  // namespace

std::string withTrailingSeparator(const std::string& directory) {
    if (directory.empty() || directory.back() == '/' ||
        directory.back() == std::filesystem::path::preferred_separator) {
        return directory;
    }
    return directory + '/';
}

std::string fontDirectoryPrefix(const std::optional<std::string>& given) {
    if (given) return withTrailingSeparator(*given);
    // Destroyed, and so removed, when the program ends; a failed attempt is tried again.
    static std::unique_ptr<TemporaryDirectory> bundled;
    if (!bundled) bundled = writeBundledSet();
    return withTrailingSeparator(bundled->path().string());
}

}  // namespace txr::tool
