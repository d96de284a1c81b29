// txr render, txr size and txr missing: a text with a font selection, as a host's CTXR sees it.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "commands.h"
#include "facade/string_render.h"
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
    OneBitImage image;
    if (!renderStringImage(renderer.ctxr(), bytes, image)) {
        throw ToolError(kExitFailed, options.output + ": " + nothingDrawn(renderer.ctxr()));
    }
    writePng(options.output, blackDotRows(image), options.selection.dpi);
}

void runSize(const Selection& selection) {
    const std::string typed = selectedText(selection);
    SelectedRenderer renderer(selection);
    const std::string text = renderer.bytesOf(typed);
    const CSize size =
        renderer.ctxr().GetStringSize(CString(text.data(), static_cast<int>(text.size())));
    std::printf("%d %d\n", size.cx, size.cy);
}

// Whether `fetch` puts anything into `buffer`: an engine that finds no glyph leaves its buffers
// as they were, so a buffer filled with 0x00 and then with 0xFF that keeps both fillings through
// a fetch received nothing.
template <class Fetch>
bool fetchesSomething(unsigned char* buffer, std::size_t size, Fetch fetch) {
    for (const unsigned char filling : {0x00, 0xFF}) {
        std::memset(buffer, filling, size);
        fetch();
        if (std::any_of(buffer, buffer + size, [&](unsigned char b) { return b != filling; })) {
            return true;
        }
    }
    return false;
}

// Whether the selected font has a glyph for `code`, asked of the family's engine as the facade
// asks it when drawing.
bool hasGlyph(CTXR& ctxr, int code) {
    switch (ctxr.family) {
        case 0: {
            CGeneraterA& engine = *ctxr.engineA;
            return fetchesSomething(engine.glyphHeaderBuffer, sizeof engine.glyphHeaderBuffer, [&] {
                engine.SetCharCode(code);
                engine.TXRA();
            });
        }
        case 1: {
            // The code tables give the space no glyph: the fixed cell is left blank by design.
            if (code == ' ') return true;
            CGeneraterB& engine = *ctxr.engineB;
            engine.SetFont();
            if (engine.fontFile == nullptr) engine.TXRB();
            return fetchesSomething(engine.glyphBuffer, sizeof engine.glyphBuffer,
                                    [&] { engine.SetcharCode(code); });
        }
        case 2: {
            CGeneraterZ& engine = *ctxr.engineZ;
            return fetchesSomething(engine.glyphHeaderBuffer, sizeof engine.glyphHeaderBuffer, [&] {
                engine.SetCharCode(code);
                engine.TXRZ();
            });
        }
        default:
            return false;
    }
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
    bool known[256] = {};
    bool present[256] = {};
    int missing = 0;
    for (const EncodedCharacter& character : characters) {
        std::string line = std::to_string(character.position);
        if (selection.encoding == "utf-8") line += " " + fontkit::unicodeName(character.codePoint);
        if (character.byte) {
            const std::uint8_t code = *character.byte;
            if (!known[code]) {
                present[code] = hasGlyph(ctxr, code);
                known[code] = true;
            }
            if (present[code]) continue;
            char hex[8];
            std::snprintf(hex, sizeof hex, " 0x%02X", static_cast<unsigned>(code));
            line += hex;
        }
        std::printf("%s\n", line.c_str());
        ++missing;
    }
    closeFontFiles(ctxr);
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
