// txr render, txr size and txr missing: a text with a font selection, as a host's CTXR sees it.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

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
    const std::string text = selectedText(options.selection);
    const ImageFormat format = imageFormatOf(options.output);
    SelectedRenderer renderer(options.selection);
    const CString bytes(text.data(), static_cast<int>(text.size()));
    if (format == ImageFormat::bmp) {
        writeLibraryBmp(renderer.ctxr(), options.output, bytes);
        return;
    }
    OneBitImage image;
    if (!renderStringImage(renderer.ctxr(), bytes, image)) {
        throw ToolError(kExitFailed, options.output + ": " + nothingDrawn(renderer.ctxr()));
    }
    writePng(options.output, blackDotRows(image));
}

void runSize(const Selection& selection) {
    const std::string text = selectedText(selection);
    SelectedRenderer renderer(selection);
    const CSize size =
        renderer.ctxr().GetStringSize(CString(text.data(), static_cast<int>(text.size())));
    std::printf("%d %d\n", size.cx, size.cy);
}

void runMissing(const Selection& selection) {
    const std::string text = selectedText(selection);
    SelectedRenderer renderer(selection);
    CTXR& ctxr = renderer.ctxr();
    const std::vector<std::size_t> positions = missingGlyphs(ctxr, text.data(), text.size());
    for (const std::size_t i : positions) {
        std::printf("%zu 0x%02X\n", i, static_cast<unsigned char>(text[i]));
    }
    if (!positions.empty()) {
        std::fprintf(stderr, "txr: %zu of %zu bytes have no glyph in family %d font %d\n",
                     positions.size(), text.size(), selection.family, selection.font);
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
        "List the bytes of TEXT that have no glyph in the selected font and character set "
        "(one line each: position and code); exit 3 when there are any");
    addSelectionOptions(*missingCommand, *missing);
    missingCommand->callback([missing] { runMissing(*missing); });
}

}  // namespace txr::tool
