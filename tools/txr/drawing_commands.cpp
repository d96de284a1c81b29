// txr draw (FontOut onto a canvas) and txr preview (the dot preview of one glyph), as pictures.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <utility>

#include "commands.h"
#include "image_output.h"
#include "selection.h"
#include "temporary_directory.h"
#include "tool_error.h"
#include "txr/platform/canvas.h"

namespace txr::tool {

namespace {

namespace fs = std::filesystem;

// The largest canvas side the tool makes; a label is far smaller.
constexpr int kMaxCanvasSide = 1 << 14;
// The canvas a preview is drawn on before it is cropped to its dots: room for 127 dot columns and
// rows, more than the widest glyph (80 dots, 8 units apart) at ordinary offsets. Dots beyond it
// or at negative coordinates are clipped, as on a host's window; --canvas gives more room.
constexpr int kPreviewCanvasSide = 1024;
constexpr int kPreviewMargin = 8;

struct Point {
    int x = 0;
    int y = 0;
};

long parseInt(const std::string& text, const std::string& option) {
    if (text.empty()) throw CLI::ValidationError(option, "a number is missing");
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || value < -kMaxCanvasSide * 4L || value > kMaxCanvasSide * 4L) {
        throw CLI::ValidationError(option, "not a number in range: " + text);
    }
    return value;
}

Point parsePair(const std::string& text, char separator, const std::string& option) {
    const std::size_t at = text.find(separator);
    if (at == std::string::npos) {
        throw CLI::ValidationError(
            option, text + ": expected two numbers joined by '" + std::string(1, separator) + "'");
    }
    return {static_cast<int>(parseInt(text.substr(0, at), option)),
            static_cast<int>(parseInt(text.substr(at + 1), option))};
}

Point parseCanvasSize(const std::string& text) {
    const Point size = parsePair(text, 'x', "--canvas");
    if (size.x < 1 || size.y < 1 || size.x > kMaxCanvasSide || size.y > kMaxCanvasSide) {
        throw CLI::ValidationError(
            "--canvas", text + ": each side must be 1 to " + std::to_string(kMaxCanvasSide));
    }
    return size;
}

// white, black or #RRGGBB.
COLORREF parseColour(const std::string& text) {
    if (text == "white") return RGB(255, 255, 255);
    if (text == "black") return RGB(0, 0, 0);
    if (text.size() == 7 && text[0] == '#' &&
        text.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos) {
        const unsigned long rgb = std::strtoul(text.c_str() + 1, nullptr, 16);
        return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    }
    throw CLI::ValidationError("--paper", text + ": expected white, black or #RRGGBB");
}

std::uint32_t toRgb(COLORREF colour) {
    return (std::uint32_t{GetRValue(colour)} << 16) | (std::uint32_t{GetGValue(colour)} << 8) |
           GetBValue(colour);
}

fontkit::RgbImage canvasPicture(const Canvas& canvas, int left, int top, int width, int height) {
    fontkit::RgbImage image(width, height, 0xFFFFFF);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) image.set(x, y, toRgb(canvas.pixel(left + x, top + y)));
    }
    return image;
}

// FontOut stages its drawing in "../string.bmp" beside the current directory. For one draw the
// tool works in a private temporary directory so that the file lands there, not in the user's.
class PrivateWorkingDirectory {
  public:
    PrivateWorkingDirectory() : previous_(fs::current_path()), root_("txr-draw") {
        root_.willHold("string.bmp");
        root_.willHold("run");
        fs::create_directory(root_.path() / "run");
        fs::current_path(root_.path() / "run");
    }
    PrivateWorkingDirectory(const PrivateWorkingDirectory&) = delete;
    PrivateWorkingDirectory& operator=(const PrivateWorkingDirectory&) = delete;
    ~PrivateWorkingDirectory() {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
    }

  private:
    fs::path previous_;
    TemporaryDirectory root_;
};

std::string absolutePath(const std::string& path) {
    return path.empty() ? fs::current_path().string() : fs::absolute(path).string();
}

struct DrawOptions {
    Selection selection;
    std::string output;
    std::string canvas;
    std::string paper = "white";
    std::string at = "0,0";
};

void runDraw(DrawOptions options) {
    const std::string typed = selectedText(options.selection);
    imageFormatOf(options.output);
    const Point at = parsePair(options.at, ',', "--at");
    const COLORREF paper = parseColour(options.paper);
    std::optional<Point> canvasSize;
    if (!options.canvas.empty()) canvasSize = parseCanvasSize(options.canvas);

    const std::string output = absolutePath(options.output);
    if (options.selection.fonts) options.selection.fonts = absolutePath(*options.selection.fonts);
    PrivateWorkingDirectory workingDirectory;
    SelectedRenderer renderer(options.selection);
    const std::string text = renderer.bytesOf(typed);
    const CString bytes(text.data(), static_cast<int>(text.size()));
    // Measured on a copy: engine state carries from call to call, and FontOut must come first.
    CTXR measurer(renderer.ctxr());
    const CSize size = measurer.GetStringSize(bytes);
    // As render does: a text the library draws nothing for (empty, or over its size limit) is a
    // failure, not a blank picture.
    if (size.cx <= 0 || size.cy <= 0 || std::int64_t{size.cx} * size.cy > kMaxStringDots) {
        throw ToolError(kExitFailed, options.output + ": " + nothingDrawn(measurer));
    }
    const std::string placed =
        std::to_string(size.cx) + " x " + std::to_string(size.cy) + " dots at " + options.at;
    if (!canvasSize) {
        if (at.x + size.cx > kMaxCanvasSide || at.y + size.cy > kMaxCanvasSide) {
            throw ToolError(kExitFailed, options.output + ": the drawing measures " + placed +
                                             ", past the canvas limit of " +
                                             std::to_string(kMaxCanvasSide) +
                                             " dots a side: use a shorter text or smaller scales");
        }
        canvasSize = Point{std::max(at.x + size.cx, 1), std::max(at.y + size.cy, 1)};
    }
    if (at.x < 0 || at.y < 0 || at.x + size.cx > canvasSize->x || at.y + size.cy > canvasSize->y) {
        std::fprintf(stderr,
                     "txr: warning: %s: the drawing measures %s and is cut at the edges "
                     "of the %d x %d canvas\n",
                     options.output.c_str(), placed.c_str(), canvasSize->x, canvasSize->y);
    }
    Canvas canvas(canvasSize->x, canvasSize->y, paper);
    try {
        renderer.ctxr().FontOut(canvas.dc(), at.x, at.y, bytes);
    } catch (CFileException* error) {
        error->Delete();
        throw ToolError(kExitFailed, "FontOut could not write its staging file");
    }
    writePicture(output, canvasPicture(canvas, 0, 0, canvas.width(), canvas.height()),
                 options.selection.dpi);
}

template <class Engine, std::size_t kCount>
using PreviewMembers = const std::pair<int, void (Engine::*)(CDC*)> (&)[kCount];

// Calls the member that serves `rowLength`; none does before a glyph has been fetched.
template <class Engine, std::size_t kCount>
void callPreview(Engine& engine, int rowLength, PreviewMembers<Engine, kCount> members, CDC* dc) {
    for (const auto& [length, member] : members) {
        if (length == rowLength) (engine.*member)(dc);
    }
}

// The engine's dot preview of its last glyph: by row class for engines A and B (B's Draw64Bit
// serves 48-dot rows), by bytes per row for engine Z.
void drawPreview(CTXR& ctxr, CDC* dc) {
    using A = CGeneraterA;
    using B = CGeneraterB;
    using Z = CGeneraterZ;
    switch (ctxr.family) {
        case 0:
            callPreview<A, 5>(*ctxr.engineA, ctxr.engineA->rowBits,
                              {{16, &A::Draw16Bit},
                               {32, &A::Draw32Bit},
                               {48, &A::Draw48Bit},
                               {64, &A::Draw64Bit},
                               {80, &A::Draw128Bit}},
                              dc);
            break;
        case 1:
            callPreview<B, 3>(*ctxr.engineB, ctxr.engineB->rowBits,
                              {{16, &B::Draw16Bit}, {32, &B::Draw32Bit}, {48, &B::Draw64Bit}}, dc);
            break;
        case 2:
            callPreview<Z, 6>(*ctxr.engineZ, ctxr.engineZ->rowBytes,
                              {{1, &Z::Draw8Bit},
                               {2, &Z::Draw16Bit},
                               {3, &Z::Draw24Bit},
                               {4, &Z::Draw32Bit},
                               {5, &Z::Draw40Bit},
                               {6, &Z::Draw48Bit}},
                              dc);
            break;
        default:
            break;
    }
}

void fetchGlyph(CTXR& ctxr, int code) {
    switch (ctxr.family) {
        case 0:
            ctxr.engineA->SetCharCode(code);
            ctxr.engineA->TXRA();
            break;
        case 1:
            ctxr.engineB->SetFont();
            ctxr.engineB->TXRB();
            ctxr.engineB->SetcharCode(code);
            break;
        case 2:
            ctxr.engineZ->SetCharCode(code);
            ctxr.engineZ->TXRZ();
            break;
        default:
            break;
    }
    ctxr.engineA->releaseFontFile();
    ctxr.engineB->releaseFontFile();
    ctxr.engineZ->releaseFontFile();
}

struct PreviewOptions {
    Selection selection;
    std::string output;
    std::string canvas;
};

void runPreview(const PreviewOptions& options) {
    const std::string typed = selectedText(options.selection);
    imageFormatOf(options.output);
    std::optional<Point> canvasSize;
    if (!options.canvas.empty()) canvasSize = parseCanvasSize(options.canvas);

    SelectedRenderer renderer(options.selection);
    const std::string text = renderer.bytesOf(typed);
    if (text.size() != 1) {
        throw CLI::ValidationError("TEXT", "preview takes exactly one character");
    }
    fetchGlyph(renderer.ctxr(), static_cast<unsigned char>(text[0]));
    const COLORREF paper = RGB(255, 255, 255);
    const Point side = canvasSize.value_or(Point{kPreviewCanvasSide, kPreviewCanvasSide});
    Canvas canvas(side.x, side.y, paper);
    drawPreview(renderer.ctxr(), canvas.dc());
    if (canvasSize) {
        writePicture(options.output, canvasPicture(canvas, 0, 0, side.x, side.y),
                     options.selection.dpi);
        return;
    }
    int left = side.x, top = side.y, right = -1, bottom = -1;
    for (int y = 0; y < side.y; ++y) {
        for (int x = 0; x < side.x; ++x) {
            if (canvas.pixel(x, y) == paper) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) {
        left = top = kPreviewMargin;
        right = bottom = kPreviewMargin - 1;
    }
    left = std::max(0, left - kPreviewMargin);
    top = std::max(0, top - kPreviewMargin);
    right = std::min(side.x - 1, right + kPreviewMargin);
    bottom = std::min(side.y - 1, bottom + kPreviewMargin);
    writePicture(options.output,
                 canvasPicture(canvas, left, top, right - left + 1, bottom - top + 1),
                 options.selection.dpi);
}

}  // namespace

void addDrawingCommands(CLI::App& app) {
    auto draw = std::make_shared<DrawOptions>();
    CLI::App* drawCommand = app.add_subcommand(
        "draw", "Draw TEXT with FontOut onto a canvas of a given size and paper colour");
    addSelectionOptions(*drawCommand, draw->selection);
    drawCommand->add_option("-o,--output", draw->output, outputOptionHelp("Output file"))
        ->required();
    drawCommand->add_option("--canvas", draw->canvas,
                            "Canvas size WIDTHxHEIGHT (default: the drawing's size plus --at)");
    drawCommand->add_option("--paper", draw->paper, "Canvas colour: white, black or #RRGGBB")
        ->capture_default_str();
    drawCommand->add_option("--at", draw->at, "Position X,Y of the drawing's top-left corner")
        ->capture_default_str();
    drawCommand->callback([draw] { runDraw(*draw); });

    auto preview = std::make_shared<PreviewOptions>();
    CLI::App* previewCommand = app.add_subcommand(
        "preview", "Draw the engine's dot preview of one character (TEXT or --hex of one byte)");
    addSelectionOptions(*previewCommand, preview->selection);
    previewCommand->add_option("-o,--output", preview->output, outputOptionHelp("Output file"))
        ->required();
    previewCommand->add_option(
        "--canvas", preview->canvas,
        "Canvas size WIDTHxHEIGHT, the preview at the engine's own coordinates (default: "
        "cropped to the dots)");
    previewCommand->callback([preview] { runPreview(*preview); });
}

}  // namespace txr::tool
