// txr render, txr size and txr missing: a text with a font selection, as a host's CTXR sees it.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "commands.h"
#include "fontkit/optional_libraries.h"
#include "image_output.h"
#include "selection.h"
#include "tool_error.h"

namespace txr::tool {

namespace {

struct RenderOptions {
    Selection selection;
    std::string output;
};

void runRender(const RenderOptions& options) {
    const std::string typed = selectedText(options.selection);
    const ImageFormat format = imageFormatOf(options.output);
    SelectedRenderer renderer(options.selection);
    const std::string text = renderer.bytesOf(typed);
    const CString bytes(text.data(), static_cast<int>(text.size()));
    if (format == ImageFormat::bmp) {
        writeLibraryBmp(renderer.ctxr(), options.output, bytes);
        return;
    }
    const StringImage image = renderer.ctxr().GetStringImage(bytes);
    if (!renderer.ctxr().LastDrawingMade()) {
        throw ToolError(kExitFailed, options.output + ": " + nothingDrawn(renderer.ctxr()));
    }
    writePng(options.output, image, options.selection.dpi);
}

void runSize(const Selection& selection) {
    const std::string typed = selectedText(selection);
    SelectedRenderer renderer(selection);
    const std::string text = renderer.bytesOf(typed);
    const CSize size =
        renderer.ctxr().GetStringSize(CString(text.data(), static_cast<int>(text.size())));
    std::printf("%d %d\n", size.cx, size.cy);
}

void runMissing(const Selection& selection) {
    const std::string typed = selectedText(selection);
    SelectedRenderer renderer(selection);
    CTXR& ctxr = renderer.ctxr();
    // Each character: its position, its code point when typed in UTF-8, and its byte if any.
    std::vector<EncodedCharacter> characters;
    if (selection.encoding == "utf-8") {
        characters = encodeCharacters(typed, renderer.characterBytes());
    } else {
        for (std::size_t i = 0; i < typed.size(); ++i) {
            characters.push_back({i, 0, static_cast<std::uint8_t>(typed[i])});
        }
    }
    // A character without a byte is missing; the bytes of the others are asked of the library.
    std::vector<bool> absent(characters.size(), false);
    std::string bytes;
    std::vector<std::size_t> characterOfByte;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        if (!characters[i].byte) {
            absent[i] = true;
            continue;
        }
        bytes.push_back(static_cast<char>(*characters[i].byte));
        characterOfByte.push_back(i);
    }
    for (const std::size_t position : missingGlyphs(ctxr, bytes.data(), bytes.size())) {
        absent[characterOfByte[position]] = true;
    }
    int missing = 0;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        if (!absent[i]) continue;
        const EncodedCharacter& character = characters[i];
        std::string line = std::to_string(character.position);
        if (selection.encoding == "utf-8") line += " " + encoding::unicodeName(character.codePoint);
        if (character.byte) {
            char hex[8];
            std::snprintf(hex, sizeof hex, " 0x%02X", static_cast<unsigned>(*character.byte));
            line += hex;
        }
        std::printf("%s\n", line.c_str());
        ++missing;
    }
    if (missing > 0) {
        std::fprintf(stderr, "txr: %d of %zu characters have no glyph in family %d font %d\n",
                     missing, characters.size(), selection.family, selection.font);
        commandExitCode() = kExitDifferent;
    }
}

}  // namespace

void addRenderCommands(CLI::App& app) {
    auto render = std::make_shared<RenderOptions>();
    CLI::App* renderCommand = app.add_subcommand(
        "render", fontkit::writesPng()
                      ? "Render TEXT to a BMP file exactly as GetBmpFile writes it, or to a PNG"
                      : "Render TEXT to a BMP file exactly as GetBmpFile writes it");
    addSelectionOptions(*renderCommand, render->selection);
    renderCommand->add_option("-o,--output", render->output, outputOptionHelp("Output file"))
        ->required();
    renderCommand->callback([render] { runRender(*render); });

    auto size = std::make_shared<Selection>();
    CLI::App* sizeCommand =
        app.add_subcommand("size", "Print WIDTH HEIGHT of TEXT in dots, as GetStringSize gives");
    addSelectionOptions(*sizeCommand, *size);
    sizeCommand->callback([size] { runSize(*size); });

    auto missing = std::make_shared<Selection>();
    CLI::App* missingCommand = app.add_subcommand(
        "missing",
        "List the characters of TEXT that have no glyph in the selected font and character set "
        "(one line each: position, U+code point with --encoding utf-8, and byte; no byte for "
        "a character the set lacks); exit 3 when there are any");
    addSelectionOptions(*missingCommand, *missing);
    missingCommand->callback([missing] { runMissing(*missing); });

    app.add_subcommand("charsets",
                       "Print the character sets of family 1 (--charset) and what each covers")
        ->callback([] { std::fputs(characterSetTable().c_str(), stdout); });
}

}  // namespace txr::tool
