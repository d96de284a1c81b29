// The font selection shared by render, size, missing, draw and preview: its options, the text
// (TEXT or --hex), and a CTXR set up from them exactly as a host would.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "CLI/CLI.hpp"
#include "bundled_fonts.h"
#include "text_encoding.h"
#include "txr/TXR.h"

namespace txr::tool {

struct Selection {
    std::optional<std::string> fonts;
    int family = 0;
    int font = 0;
    int dpi = 203;
    int scaleH = 1;
    int scaleV = 1;
    int rotate = 0;
    bool invert = false;
    int charset = 0;
    std::optional<std::string> text;
    std::optional<std::string> hex;
    std::string encoding = "bytes";  // or "utf-8"
};

// Adds --fonts, --family, --font, --dpi, --scale-h, --scale-v, --rotate, --invert, --charset,
// and, when `withText` is set, --hex, --encoding and the positional TEXT.
void addSelectionOptions(CLI::App& command, Selection& selection, bool withText = true);

// The text's bytes: TEXT byte for byte, or --hex decoded. Throws CLI::ValidationError for bad
// hexadecimal and CLI::RequiredError when neither is given.
std::string selectedText(const Selection& selection);

// "41B0" or "41 B0" -> "A\xB0". Throws CLI::ValidationError for an odd count, a non-hex digit
// or a space within a byte.
std::string decodeHex(const std::string& hex);

// The refusal of SetFont's result code 1 to 5 in words, naming the option.
std::string refusalInWords(int code, const Selection& selection);

// A fresh CTXR after SetPath, SetFont, SetInvert and the character set, in that order, and no
// other call; throws ToolError(kExitRefused) when SetFont refuses the selection, and
// ToolError(kExitFailed) naming the font file when it is missing, cannot be opened or lacks
// the selected font.
class SelectedRenderer {
  public:
    explicit SelectedRenderer(const Selection& selection);

    CTXR& ctxr() { return ctxr_; }

    // Which byte stands for which character in the selected font: family 1's character set
    // through the library's code tables, families 0 and 2 through the code page the font
    // directory's manifest.txt gives the font's block (the font kit's default without one).
    CharacterBytes characterBytes();

    // The text as the bytes to draw: itself, or with --encoding utf-8 each character's byte in
    // the selected font. Throws ToolError(kExitFailed) listing every character without a byte.
    std::string bytesOf(const std::string& text);

  private:
    CTXR ctxr_;
    Selection selection_;
    std::string prefix_;
};

}  // namespace txr::tool
