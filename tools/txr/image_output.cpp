// BMP and PNG output of the tool, always by way of a temporary file beside the target.
#include "image_output.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "CLI/CLI.hpp"
#include "fontkit/file_io.h"
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

ImageFormat imageFormatOf(const std::string& path, bool bmpAllowed) {
    const std::string name = lowerCase(path);
    if (bmpAllowed && endsWith(name, ".bmp")) return ImageFormat::bmp;
    if (endsWith(name, ".png")) return ImageFormat::png;
    throw CLI::ValidationError(
        "--output", path + ": the name must end in " + (bmpAllowed ? ".bmp or .png" : ".png"));
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
    // GetBmpFile reports nothing; a drawing it did not make leaves no file.
    if (!std::filesystem::exists(temporary, ignored)) {
        throw ToolError(kExitFailed, path + ": " + nothingDrawn(ctxr));
    }
    std::error_code renameError;
    std::filesystem::rename(temporary, path, renameError);
    if (renameError) {
        std::filesystem::remove(temporary, ignored);
        throw ToolError(kExitFailed, path + ": cannot write: " + renameError.message());
    }
}

fontkit::OneBitImage blackDotRows(const OneBitImage& image) {
    fontkit::OneBitImage out;
    out.width = image.width;
    out.height = image.height;
    out.stride = (static_cast<std::size_t>(image.width) + 7) / 8;
    out.rows.assign(out.stride * static_cast<std::size_t>(image.height), 0);
    const std::size_t sourceStride = image.stride();
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* source =
            image.rows.data() + static_cast<std::size_t>(image.height - 1 - y) * sourceStride;
        std::uint8_t* target = out.rows.data() + static_cast<std::size_t>(y) * out.stride;
        for (int x = 0; x < image.width; ++x) {
            const auto mask = static_cast<std::uint8_t>(0x80u >> (x % 8));
            if ((source[x / 8] & mask) == 0) target[x / 8] |= mask;
        }
    }
    return out;
}

void writePng(const std::string& path, const fontkit::OneBitImage& image) {
    std::string error;
    if (!fontkit::writeOneBitPng(path, image, error)) throw ToolError(kExitFailed, error);
}

void writePng(const std::string& path, const fontkit::RgbImage& image) {
    std::string error;
    if (!fontkit::writeRgbPng(path, image, error)) throw ToolError(kExitFailed, error);
}

std::string nothingDrawn(const CTXR& ctxr) {
    return "nothing drawn: the drawing measures " + std::to_string(ctxr.stringWidth) + " x " +
           std::to_string(ctxr.stringHeight) +
           " dots (an empty text, or more than the library's limit of " +
           std::to_string(kMaxStringDots) + " dots)";
}

}  // namespace txr::tool
