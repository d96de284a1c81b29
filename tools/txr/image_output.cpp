// BMP and PNG output of the tool, always by way of a temporary file beside the target.
#include "image_output.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "CLI/CLI.hpp"
#include "fontkit/file_io.h"
#include "fontkit/fontkit_error.h"
#include "fontkit/optional_libraries.h"
#include "fontkit/png_writer.h"
#include "tool_error.h"

namespace txr::tool {

namespace {

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool endsWith(const std::string& text, const std::string& ending) {
    return text.size() >= ending.size() &&
           text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

std::string fileExceptionReason(CFileException* error) {
    char message[512] = {};
    error->GetErrorMessage(message, sizeof message);
    return message;
}

}  // namespace

ImageFormat imageFormatOf(const std::string& path) {
    const std::string name = lowerCase(path);
    if (endsWith(name, ".bmp")) return ImageFormat::bmp;
    if (!endsWith(name, ".png")) {
        throw CLI::ValidationError(
            "--output",
            path + ": the name must end in " + (fontkit::writesPng() ? ".bmp or .png" : ".bmp"));
    }
    if (!fontkit::writesPng()) {
        throw ToolError(
            kExitUsage,
            path + ": this build writes no PNG files (it has no libpng); name a .bmp file");
    }
    return ImageFormat::png;
}

std::string outputOptionHelp(const std::string& what) {
    return what + (fontkit::writesPng()
                       ? ", ending in .bmp or .png (a PNG's sides are at most " +
                             std::to_string(fontkit::kPngMaxSide) +
                             " dots; it records the --dpi resolution)"
                       : std::string(", ending in .bmp (this build writes no PNG)"));
}

void writeLibraryBmp(CTXR& ctxr, const std::string& path, const CString& text) {
    const std::string temporary = fontkit::temporaryPathBeside(path);
    std::error_code ignored;
    try {
        ctxr.GetBmpFile(CString(temporary), text);
    } catch (CFileException* error) {
        const std::string reason = fileExceptionReason(error);
        error->Delete();
        std::filesystem::remove(temporary, ignored);
        throw ToolError(kExitFailed, path + ": cannot write: " + reason);
    }
    // GetBmpFile reports nothing; a drawing it did not make leaves the new file empty.
    if (std::filesystem::file_size(temporary, ignored) == 0) {
        std::filesystem::remove(temporary, ignored);
        throw ToolError(kExitFailed, path + ": " + nothingDrawn(ctxr));
    }
    try {
        fontkit::replaceWith(temporary, path);
    } catch (const fontkit::FontKitError& failure) {
        throw ToolError(kExitFailed, failure.what());
    }
}

std::vector<std::uint8_t> colourBmpBytes(const fontkit::RgbImage& image) {
    constexpr std::uint64_t kHeaders = 54;
    const std::uint64_t stride = (static_cast<std::uint64_t>(image.width) * 3 + 3) / 4 * 4;
    const std::uint64_t fileSize = kHeaders + stride * static_cast<std::uint64_t>(image.height);
    if (image.width < 1 || image.height < 1 || fileSize > 0x7FFFFFFF ||
        image.pixels.size() / 3 / static_cast<std::size_t>(image.width) <
            static_cast<std::size_t>(image.height)) {
        return {};
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(fileSize), 0);
    auto put16 = [&](std::size_t at, std::uint32_t value) {
        bytes[at] = static_cast<std::uint8_t>(value);
        bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
    };
    auto put32 = [&](std::size_t at, std::uint32_t value) {
        put16(at, value & 0xFFFF);
        put16(at + 2, value >> 16);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(fileSize));
    put32(10, kHeaders);
    put32(14, 40);  // BITMAPINFOHEADER
    put32(18, static_cast<std::uint32_t>(image.width));
    put32(22, static_cast<std::uint32_t>(image.height));  // positive: bottom-up
    put16(26, 1);                                         // planes
    put16(28, 24);                                        // bits per dot
    put32(34, static_cast<std::uint32_t>(stride * static_cast<std::uint64_t>(image.height)));
    for (int y = 0; y < image.height; ++y) {
        const std::size_t row = kHeaders + static_cast<std::size_t>(image.height - 1 - y) *
                                               static_cast<std::size_t>(stride);
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t rgb = image.at(x, y);
            const std::size_t at = row + static_cast<std::size_t>(x) * 3;
            bytes[at] = static_cast<std::uint8_t>(rgb);
            bytes[at + 1] = static_cast<std::uint8_t>(rgb >> 8);
            bytes[at + 2] = static_cast<std::uint8_t>(rgb >> 16);
        }
    }
    return bytes;
}

void writePng(const std::string& path, const StringImage& image, int dotsPerInch) {
    std::string error;
    if (!fontkit::writeOneBitPng(path, image, error, dotsPerInch)) {
        throw ToolError(kExitFailed, error);
    }
}

void writePicture(const std::string& path, const fontkit::RgbImage& image, int dotsPerInch) {
    if (imageFormatOf(path) == ImageFormat::png) {
        std::string error;
        if (!fontkit::writeRgbPng(path, image, error, dotsPerInch)) {
            throw ToolError(kExitFailed, error);
        }
        return;
    }
    const std::vector<std::uint8_t> bytes = colourBmpBytes(image);
    if (bytes.empty()) {
        throw ToolError(kExitFailed, path + ": a picture of " + std::to_string(image.width) +
                                         " x " + std::to_string(image.height) +
                                         " dots cannot be stored as a BMP file");
    }
    fontkit::writeFileAtomically(path, bytes);
}

std::string nothingDrawn(const CTXR& ctxr) {
    const std::string measure =
        std::to_string(ctxr.stringWidth) + " x " + std::to_string(ctxr.stringHeight) + " dots";
    if (ctxr.stringWidth <= 0 || ctxr.stringHeight <= 0) {
        return "nothing drawn: the drawing measures " + measure +
               " (an empty text, or characters without width)";
    }
    return "nothing drawn: the drawing measures " + measure +
           ", more than the library's limit of " + std::to_string(kMaxStringDots) + " dots";
}

}  // namespace txr::tool
