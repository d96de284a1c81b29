// The selection options and the CTXR they set up.
#include "selection.h"

#include <cstdio>
#include <filesystem>

#include "commands.h"
#include "tool_error.h"

namespace txr::tool {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The font file the selected family reads at the selected resolution ("" when none).
std::string fontFileName(const Selection& selection) {
    const bool at203 = selection.dpi == 203;
    const bool at300 = selection.dpi == 300;
    switch (selection.family) {
        case 0:
            return at203 ? "A.bin" : at300 ? "A300.bin" : "";
        case 1:
            return at203 ? "B.bin" : at300 ? "B300.bin" : "";
        case 2:
            return "Z.bin";
        default:
            return "";
    }
}

}  // namespace

void addSelectionOptions(CLI::App& command, Selection& selection, bool withText) {
    const bool bundled = !bundledFonts().empty();
    command.add_option("--fonts", selection.fonts,
                       bundled ? "Font directory (default: the bundled sample set)"
                               : "Font directory (required: this build has no bundled set)");
    command.add_option("--family", selection.family, "Font family: 0, 1 or 2")
        ->capture_default_str();
    command.add_option("--font", selection.font, "Font number within the family")
        ->capture_default_str();
    command
        .add_option("--dpi", selection.dpi,
                    "Printer resolution, 203 or 300 (other values reach SetFont as given)")
        ->capture_default_str();
    command.add_option("--scale-h", selection.scaleH, "Horizontal magnification")
        ->capture_default_str();
    command.add_option("--scale-v", selection.scaleV, "Vertical magnification")
        ->capture_default_str();
    command.add_option("--rotate", selection.rotate, "Quarter turns clockwise, 0 to 3")
        ->capture_default_str();
    command.add_flag("--invert", selection.invert, "Reverse video: white on black");
    command.add_option("--charset", selection.charset, "Character set of family 1, 0 to 14")
        ->check(CLI::Range(0, 14))
        ->capture_default_str();
    if (!withText) return;
    CLI::Option* hex = command.add_option(
        "--hex", selection.hex, "The text as hexadecimal bytes, in place of TEXT (41B0: A, 0xB0)");
    command.add_option("text", selection.text, "The text, taken byte for byte")->excludes(hex);
}

std::string selectedText(const Selection& selection) {
    if (selection.hex) return decodeHex(*selection.hex);
    if (selection.text) return *selection.text;
    throw CLI::RequiredError("TEXT or --hex");
}

std::string decodeHex(const std::string& hex) {
    if (hex.size() % 2 != 0) {
        throw CLI::ValidationError("--hex", "an odd number of hex digits: " + hex);
    }
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = hexDigit(hex[i]);
        const int low = hexDigit(hex[i + 1]);
        if (high < 0 || low < 0) {
            throw CLI::ValidationError("--hex", "not a hex digit pair: " + hex.substr(i, 2));
        }
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

std::string refusalInWords(int code, const Selection& selection) {
    const std::string prefix = "font selection refused (code " + std::to_string(code) + "): ";
    switch (code) {
        case 1:
            return prefix + "--family " + std::to_string(selection.family) +
                   " is not a family; families are 0, 1 and 2";
        case 2:
            return prefix + "--font " + std::to_string(selection.font) +
                   " is not a font of family " + std::to_string(selection.family) + " at " +
                   std::to_string(selection.dpi) + " dpi";
        case 3:
            return prefix + "--scale-h " + std::to_string(selection.scaleH) + " is below 1";
        case 4:
            return prefix + "--scale-v " + std::to_string(selection.scaleV) + " is below 1";
        case 5:
            return prefix + "--rotate " + std::to_string(selection.rotate) +
                   " is not 0 to 3 quarter turns";
        default:
            return prefix + "unknown refusal";
    }
}

SelectedRenderer::SelectedRenderer(const Selection& selection) {
    const std::string prefix = fontDirectoryPrefix(selection.fonts);
    ctxr_.UseCache(sharedFontCache());
    ctxr_.SetPath(CString(prefix));
    const int result = ctxr_.SetFont(selection.family, selection.font, selection.scaleH,
                                     selection.scaleV, selection.rotate, selection.dpi);
    if (result != 0) throw ToolError(kExitRefused, refusalInWords(result, selection));
    ctxr_.SetInvert(selection.invert ? 1 : 0);
    ctxr_.engineB->charSet = selection.charset;
    // The library says nothing about a missing font file; its characters just come out blank.
    const std::string name = fontFileName(selection);
    std::error_code ignored;
    if (!name.empty() && !std::filesystem::exists(prefix + name, ignored)) {
        std::fprintf(stderr, "txr: warning: %s%s not found: every character comes out blank\n",
                     prefix.c_str(), name.c_str());
    }
}

}  // namespace txr::tool
