// The selection options and the CTXR they set up.
#include "selection.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
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

void checkFontFile(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) {
        throw ToolError(kExitFailed, path + ": font file not found");
    }
    if (std::filesystem::is_directory(status)) {
        throw ToolError(kExitFailed, path + ": a directory stands where the font file should be");
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        throw ToolError(kExitFailed, path + ": cannot open the font file: " + std::strerror(errno));
    }
    std::fclose(file);
}

// The cell height the engine reads from the selected font's block header, on a copy that opens
// the font file afresh and closes it again.
template <class Engine, class Fetch>
int cellHeightOf(const Engine& selected, Fetch fetch) {
    Engine engine(selected);
    fetch(engine);
    const int cellHeight = engine.GetCellH();
    if (engine.fontFile != nullptr) std::fclose(engine.fontFile);
    engine.fontFile = nullptr;
    return cellHeight;
}

// Whether the font file holds the selected font of family 0 or 2: the cell height of a font that
// exists is never 0.
bool holdsSelectedFont(CTXR& ctxr) {
    if (ctxr.family == 0) {
        return cellHeightOf(*ctxr.engineA, [](CGeneraterA& engine) { engine.TXRA(); }) > 0;
    }
    if (ctxr.family == 2) {
        return cellHeightOf(*ctxr.engineZ, [](CGeneraterZ& engine) { engine.TXRZ(); }) > 0;
    }
    return true;
}

// Options the library takes but does not use for this selection.
void warnAboutIgnoredOptions(const Selection& selection) {
    if (selection.charset != 0 && selection.family != 1) {
        std::fprintf(stderr,
                     "txr: warning: --charset is used by family 1 only; family %d "
                     "ignores it\n",
                     selection.family);
    }
    if (selection.dpi != 203 && selection.dpi != 300) {
        std::fprintf(stderr,
                     "txr: warning: --dpi %d is neither 203 nor 300: the engines do not take it, "
                     "so the text may come out blank or as at another resolution\n",
                     selection.dpi);
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
    command
        .add_option("--encoding", selection.encoding,
                    "How TEXT is read: bytes (each byte a character code) or utf-8 (each "
                    "character turned into its byte in the font's character set; see txr "
                    "charsets)")
        ->check(CLI::IsMember({"bytes", "utf-8"}))
        ->capture_default_str();
}

std::string selectedText(const Selection& selection) {
    if (selection.hex) return decodeHex(*selection.hex);
    if (selection.text) return *selection.text;
    throw CLI::RequiredError("TEXT or --hex");
}

std::string decodeHex(const std::string& hex) {
    std::string bytes;
    std::size_t i = 0;
    while (i < hex.size()) {
        if (hex[i] == ' ') {
            ++i;
            continue;
        }
        if (i + 1 >= hex.size()) {
            throw CLI::ValidationError("--hex", "an odd number of hex digits: " + hex);
        }
        if (hex[i + 1] == ' ') {
            throw CLI::ValidationError(
                "--hex", "a space within a byte: " + hex + " (spaces may stand between bytes)");
        }
        const int high = hexDigit(hex[i]);
        const int low = hexDigit(hex[i + 1]);
        if (high < 0 || low < 0) {
            throw CLI::ValidationError("--hex", "not a hex digit pair: " + hex.substr(i, 2));
        }
        bytes.push_back(static_cast<char>(high * 16 + low));
        i += 2;
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

SelectedRenderer::SelectedRenderer(const Selection& selection) : selection_(selection) {
    warnAboutIgnoredOptions(selection);
    prefix_ = fontDirectoryPrefix(selection.fonts);
    const std::string& prefix = prefix_;
    ctxr_.UseCache(sharedFontCache());
    ctxr_.SetPath(CString(prefix));
    const int result = ctxr_.SetFont(selection.family, selection.font, selection.scaleH,
                                     selection.scaleV, selection.rotate, selection.dpi);
    if (result != 0) throw ToolError(kExitRefused, refusalInWords(result, selection));
    ctxr_.SetInvert(selection.invert ? 1 : 0);
    ctxr_.engineB->charSet = selection.charset;
    // The library says nothing about a font file it cannot read; every character would just
    // come out blank, so the cause is told here.
    const std::string name = fontFileName(selection);
    if (name.empty()) return;
    checkFontFile(prefix + name);
    if (selection.family != 1 && !holdsSelectedFont(ctxr_)) {
        throw ToolError(kExitFailed, prefix + name + ": the file holds no font " +
                                         std::to_string(selection.font) + " of family " +
                                         std::to_string(selection.family));
    }
}

CharacterBytes SelectedRenderer::characterBytes() {
    const int block = selection_.family == 0   ? ctxr_.engineA->fontType
                      : selection_.family == 1 ? ctxr_.engineB->fontType
                                               : ctxr_.engineZ->fontType;
    return fontCharacterBytes(manifestCodePages(prefix_), selection_.family,
                              fontFileName(selection_), block, ctxr_.resolution,
                              selection_.charset);
}

std::string SelectedRenderer::bytesOf(const std::string& text) {
    if (selection_.encoding != "utf-8") return text;
    const CharacterBytes table = characterBytes();
    std::string bytes;
    std::vector<EncodedCharacter> unknown;
    for (const EncodedCharacter& character : encodeCharacters(text, table)) {
        if (character.byte) {
            bytes += static_cast<char>(*character.byte);
        } else {
            unknown.push_back(character);
        }
    }
    if (!unknown.empty()) throw ToolError(kExitFailed, encoding::unmappedInWords(unknown, table));
    return bytes;
}

}  // namespace txr::tool
