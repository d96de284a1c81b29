// libpng writers for one-bit grey and RGB images, written beside the target and renamed.
#include "fontkit/png_writer.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "fontkit/file_io.h"
#include "fontkit/fontkit_error.h"
#include "fontkit/optional_libraries.h"

namespace txr::fontkit {

namespace {

enum class PngKind { OneBitGrey, Rgb };

struct PngWriteState {
    std::string message;
};

void onPngError(png_structp png, png_const_charp text) {
    auto* state = static_cast<PngWriteState*>(png_get_error_ptr(png));
    if (state) state->message = text ? text : "libpng error";
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

void appendToMemory(png_structp png, png_bytep data, png_size_t length) {
    auto* memory = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    memory->insert(memory->end(), data, data + length);
}

void flushMemory(png_structp) {}

// Runs libpng on an open file, or into `memory` when it is given. Kept free of C++ objects with
// destructors between setjmp and the possible longjmp.
bool encode(std::FILE* file, std::vector<std::uint8_t>* memory, PngKind kind, int width, int height,
            int dotsPerInch, const std::vector<const std::uint8_t*>& rows, PngWriteState& state) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, onPngError, onPngWarning);
    if (!png) {
        state.message = "libpng could not start";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        if (state.message.empty()) state.message = "libpng could not start";
        return false;
    }
    if (memory) {
        png_set_write_fn(png, memory, appendToMemory, flushMemory);
    } else {
        png_init_io(png, file);
    }
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                 kind == PngKind::OneBitGrey ? 1 : 8,
                 kind == PngKind::OneBitGrey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (dotsPerInch > 0) {
        // 203 dpi: 7992 dots per metre; 300 dpi: 11811.
        const auto perMetre = static_cast<png_uint_32>((dotsPerInch * 10000L + 127) / 254);
        png_set_pHYs(png, info, perMetre, perMetre, PNG_RESOLUTION_METER);
    }
    png_write_info(png, info);
    // In a grey PNG a set bit is white; our rows use a set bit for ink.
    if (kind == PngKind::OneBitGrey) png_set_invert_mono(png);
    for (const std::uint8_t* row : rows) png_write_row(png, row);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool writePng(const std::string& path, PngKind kind, int width, int height, int dotsPerInch,
              const std::vector<const std::uint8_t*>& rows, std::string& error) {
    std::string temporary;
    try {
        temporary = temporaryPathBeside(path);
    } catch (const FontKitError& failure) {
        error = failure.what();
        return false;
    }
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        error = path + ": cannot write: " + std::strerror(errno);
        return false;
    }
    PngWriteState state;
    bool ok = encode(file, nullptr, kind, width, height, dotsPerInch, rows, state);
    if (std::ferror(file) && ok) {
        ok = false;
        state.message = std::strerror(errno);
    }
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        state.message = std::strerror(errno);
    }
    if (ok) {
        try {
            replaceWith(temporary, path);
            return true;
        } catch (const FontKitError& failure) {
            error = failure.what();
            return false;
        }
    }
    std::remove(temporary.c_str());
    error = path + ": cannot write PNG: " + state.message;
    return false;
}

bool checkSize(const std::string& path, int width, int height, std::string& error) {
    if (width < 1 || height < 1 || width > kPngMaxSide || height > kPngMaxSide) {
        error = path + ": image of " + std::to_string(width) + " x " + std::to_string(height) +
                " dots; PNG sides must be 1 to " + std::to_string(kPngMaxSide);
        return false;
    }
    return true;
}

// The rows of a one-bit image that checkSize accepted; none when they hold too few bytes.
std::vector<const std::uint8_t*> oneBitRows(const std::string& path, const StringImage& image,
                                            std::string& error) {
    std::vector<const std::uint8_t*> rows;
    const std::size_t stride = image.stride();
    if (image.rows.size() / stride < static_cast<std::size_t>(image.height)) {
        error = path + ": the image rows hold fewer bytes than its size needs";
        return rows;
    }
    for (int y = 0; y < image.height; ++y) {
        rows.push_back(image.rows.data() + static_cast<std::size_t>(y) * stride);
    }
    return rows;
}

}  // namespace

bool writesPng() {
    return true;
}

bool writeOneBitPng(const std::string& path, const StringImage& image, std::string& error,
                    int dotsPerInch) {
    if (!checkSize(path, image.width, image.height, error)) return false;
    const std::vector<const std::uint8_t*> rows = oneBitRows(path, image, error);
    if (rows.empty()) return false;
    return writePng(path, PngKind::OneBitGrey, image.width, image.height, dotsPerInch, rows, error);
}

std::vector<std::uint8_t> oneBitPngBytes(const StringImage& image, std::string& error,
                                         int dotsPerInch) {
    std::vector<std::uint8_t> bytes;
    if (!checkSize("image", image.width, image.height, error)) return bytes;
    const std::vector<const std::uint8_t*> rows = oneBitRows("image", image, error);
    if (rows.empty()) return bytes;
    PngWriteState state;
    if (!encode(nullptr, &bytes, PngKind::OneBitGrey, image.width, image.height, dotsPerInch, rows,
                state)) {
        error = "cannot make the PNG: " + state.message;
        bytes.clear();
    }
    return bytes;
}

bool writeRgbPng(const std::string& path, const RgbImage& image, std::string& error,
                 int dotsPerInch) {
    if (!checkSize(path, image.width, image.height, error)) return false;
    const std::size_t stride = static_cast<std::size_t>(image.width) * 3;
    if (image.pixels.size() / stride < static_cast<std::size_t>(image.height)) {
        error = path + ": the image holds fewer pixels than its size needs";
        return false;
    }
    std::vector<const std::uint8_t*> rows;
    for (int y = 0; y < image.height; ++y) {
        rows.push_back(image.pixels.data() + static_cast<std::size_t>(y) * stride);
    }
    return writePng(path, PngKind::Rgb, image.width, image.height, dotsPerInch, rows, error);
}

}  // namespace txr::fontkit
