// The C API over CTXR: argument checks, status codes, and a wall that no exception crosses.
#include "txr/c_api.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>

#include "facade/string_render.h"
#include "txr/TXR.h"
#include "txr/encoding.h"
#include "txr/platform/canvas.h"

struct TxrRenderer {
    CTXR ctxr;
    std::string lastError;
    // Families 0 and 2's code page for txr_encode_utf8.
    txr::encoding::CharacterMap codePage = txr::encoding::kDefaultCharacterMap;
};

struct TxrFontCache {
    explicit TxrFontCache(std::size_t byteLimit) : cache(byteLimit) {}
    txr::FontCache cache;
};

namespace {

constexpr int kCharSetCount = 15;

// Thrown inside this file to leave a call with a status and its detail.
struct Failure {
    int status;
    std::string detail;
};

std::string fileExceptionText(CFileException* error) {
    char message[512] = {};
    error->GetErrorMessage(message, sizeof message);
    return message;
}

bool endsInSeparator(const std::string& path) {
#ifdef _WIN32
    if (path.back() == '\\') return true;
#endif
    return path.back() == '/';
}

// The font files' prefix for a path: a directory named without its trailing separator gets one,
// so that "fonts" finds fonts/A.bin; any other path stays the plain prefix CTXR takes.
std::string directoryPrefix(const char* path) {
    std::string prefix(path);
    std::error_code ignored;
    if (!prefix.empty() && !endsInSeparator(prefix) &&
        std::filesystem::is_directory(prefix, ignored)) {
        prefix += '/';
    }
    return prefix;
}

// Runs `body` (which returns a status), turning every exception into a status and recording the
// detail of a failure on the renderer.
template <class Body>
int guarded(TxrRenderer* renderer, Body&& body) {
    if (renderer == nullptr) return TXR_E_NULL;
    int status = TXR_E_INTERNAL;
    std::string detail;
    try {
        status = body();
    } catch (const Failure& failure) {
        status = failure.status;
        detail = failure.detail;
    } catch (CFileException* error) {
        status = TXR_E_FILE;
        detail = fileExceptionText(error);
        error->Delete();
    } catch (CException* error) {
        status = TXR_E_INTERNAL;
        error->Delete();
    } catch (const std::bad_alloc&) {
        status = TXR_E_NO_MEMORY;
    } catch (const std::exception& error) {
        status = TXR_E_INTERNAL;
        detail = error.what();
    } catch (...) {
        status = TXR_E_INTERNAL;
    }
    try {
        renderer->lastError =
            status < 0 ? (detail.empty() ? txr_status_message(status) : detail) : std::string();
    } catch (...) {
        renderer->lastError.clear();
    }
    return status;
}

CString textOf(const char* text, size_t length) {
    if (text == nullptr && length > 0) throw Failure{TXR_E_NULL, "text is NULL"};
    if (length > static_cast<size_t>(INT_MAX)) {
        throw Failure{TXR_E_RANGE, "text longer than INT_MAX bytes"};
    }
    return length == 0 ? CString() : CString(text, static_cast<int>(length));
}

void requireReady(const CTXR& ctxr) {
    if (ctxr.fontReady == 0) throw Failure{TXR_E_NOT_READY, txr_status_message(TXR_E_NOT_READY)};
}

void requireDrawn(const CTXR& ctxr) {
    if (!ctxr.LastDrawingMade()) {
        throw Failure{TXR_E_NO_DRAWING, txr_status_message(TXR_E_NO_DRAWING)};
    }
}

txr::BmpRowsImage renderImage(TxrRenderer* renderer, const char* text, size_t length) {
    CString bytes = textOf(text, length);
    requireReady(renderer->ctxr);
    txr::BmpRowsImage image;
    if (!txr::renderStringImage(renderer->ctxr, bytes, image)) {
        throw Failure{TXR_E_NO_DRAWING, txr_status_message(TXR_E_NO_DRAWING)};
    }
    return image;
}

// A malloc'ed copy, so that a host frees it with txr_free whatever its own allocator.
uint8_t* mallocCopy(const std::uint8_t* data, size_t size) {
    auto* copy = static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : size));
    if (copy == nullptr) throw std::bad_alloc();
    if (size > 0) std::memcpy(copy, data, size);
    return copy;
}

}  // namespace

extern "C" {

TxrRenderer* txr_create(void) {
    try {
        return new TxrRenderer;
    } catch (...) {
        return nullptr;
    }
}

void txr_destroy(TxrRenderer* renderer) {
    delete renderer;
}

TxrFontCache* txr_cache_create(size_t byte_limit) {
    try {
        return new TxrFontCache(byte_limit);
    } catch (...) {
        return nullptr;
    }
}

void txr_cache_destroy(TxrFontCache* cache) {
    delete cache;
}

int txr_use_cache(TxrRenderer* renderer, TxrFontCache* cache) {
    return guarded(renderer, [&] {
        renderer->ctxr.UseCache(cache != nullptr ? &cache->cache : nullptr);
        return TXR_OK;
    });
}

int txr_set_path(TxrRenderer* renderer, const char* path) {
    return guarded(renderer, [&] {
        if (path == nullptr) throw Failure{TXR_E_NULL, "path is NULL"};
        renderer->ctxr.SetPath(CString(directoryPrefix(path)));
        return TXR_OK;
    });
}

int txr_set_font(TxrRenderer* renderer, int family, int font_type, int scale_h, int scale_v,
                 int rotation, int resolution) {
    return guarded(renderer, [&] {
        return renderer->ctxr.SetFont(family, font_type, scale_h, scale_v, rotation, resolution);
    });
}

int txr_set_invert(TxrRenderer* renderer, int invert) {
    return guarded(renderer, [&] {
        if (renderer->ctxr.SetInvert(invert) == 0) throw Failure{TXR_E_RANGE, "invert not 0 or 1"};
        return TXR_OK;
    });
}

int txr_set_staging_file(TxrRenderer* renderer, int use_staging_file) {
    return guarded(renderer, [&] {
        if (use_staging_file != 0 && use_staging_file != 1) {
            throw Failure{TXR_E_RANGE, "use_staging_file is not 0 or 1"};
        }
        renderer->ctxr.SetStagingFile(use_staging_file == 1);
        return TXR_OK;
    });
}

int txr_set_charset(TxrRenderer* renderer, int charset) {
    return guarded(renderer, [&] {
        if (charset < 0 || charset >= kCharSetCount) {
            throw Failure{TXR_E_RANGE, "character set not 0 to 14"};
        }
        renderer->ctxr.engineB->charSet = charset;
        return TXR_OK;
    });
}

int txr_get_string_size(TxrRenderer* renderer, const char* text, size_t length, int* width,
                        int* height) {
    return guarded(renderer, [&] {
        if (width == nullptr || height == nullptr) throw Failure{TXR_E_NULL, "size is NULL"};
        *width = 0;
        *height = 0;
        const CSize size = renderer->ctxr.GetStringSize(textOf(text, length));
        *width = size.cx;
        *height = size.cy;
        return TXR_OK;
    });
}

int txr_get_bmp_file(TxrRenderer* renderer, const char* path, const char* text, size_t length) {
    return guarded(renderer, [&] {
        if (path == nullptr) throw Failure{TXR_E_NULL, "path is NULL"};
        CString bytes = textOf(text, length);
        requireReady(renderer->ctxr);
        CTXR& ctxr = renderer->ctxr;
        ctxr.GetBmpFile(CString(path), bytes);
        requireDrawn(ctxr);
        return TXR_OK;
    });
}

int txr_render_bmp(TxrRenderer* renderer, const char* text, size_t length, uint8_t** bytes,
                   size_t* size) {
    if (bytes != nullptr) *bytes = nullptr;
    if (size != nullptr) *size = 0;
    return guarded(renderer, [&] {
        if (bytes == nullptr || size == nullptr) throw Failure{TXR_E_NULL, "output is NULL"};
        const std::vector<std::uint8_t> file =
            txr::bmpFileBytes(renderImage(renderer, text, length));
        *bytes = mallocCopy(file.data(), file.size());
        *size = file.size();
        return TXR_OK;
    });
}

int txr_render_rows(TxrRenderer* renderer, const char* text, size_t length, TxrBitmap* bitmap) {
    if (bitmap != nullptr) *bitmap = TxrBitmap{};
    return guarded(renderer, [&] {
        if (bitmap == nullptr) throw Failure{TXR_E_NULL, "bitmap is NULL"};
        CString bytes = textOf(text, length);
        requireReady(renderer->ctxr);
        const txr::StringImage image = renderer->ctxr.GetStringImage(bytes);
        requireDrawn(renderer->ctxr);
        bitmap->rows = mallocCopy(image.rows.data(), image.rows.size());
        bitmap->width = image.width;
        bitmap->height = image.height;
        bitmap->stride = image.stride();
        return TXR_OK;
    });
}

int txr_font_out(TxrRenderer* renderer, uint8_t* pixels, int width, int height, size_t stride,
                 int x, int y, const char* text, size_t length) {
    return guarded(renderer, [&] {
        if (pixels == nullptr) throw Failure{TXR_E_NULL, "pixels is NULL"};
        if (width < 1 || height < 1 || stride / 4 < static_cast<size_t>(width)) {
            throw Failure{TXR_E_RANGE, "pixel buffer size or stride out of range"};
        }
        CString bytes = textOf(text, length);
        requireReady(renderer->ctxr);
        txr::Canvas canvas(width, height);
        if (canvas.width() != width || canvas.height() != height) {
            throw Failure{TXR_E_RANGE, "pixel buffer larger than a canvas can be"};
        }
        auto pixelAt = [&](int px, int py) {
            return pixels + static_cast<size_t>(py) * stride + static_cast<size_t>(px) * 4;
        };
        for (int py = 0; py < height; ++py) {
            for (int px = 0; px < width; ++px) {
                const uint8_t* p = pixelAt(px, py);
                canvas.setPixel(px, py, RGB(p[2], p[1], p[0]));
            }
        }
        renderer->ctxr.FontOut(canvas.dc(), x, y, bytes);
        requireDrawn(renderer->ctxr);
        for (int py = 0; py < height; ++py) {
            for (int px = 0; px < width; ++px) {
                const COLORREF colour = canvas.pixel(px, py);
                uint8_t* p = pixelAt(px, py);
                p[0] = GetBValue(colour);
                p[1] = GetGValue(colour);
                p[2] = GetRValue(colour);
            }
        }
        return TXR_OK;
    });
}

int txr_image_size(TxrRenderer* renderer, const char* text, size_t length, int* width, int* height,
                   size_t* size) {
    if (width != nullptr) *width = 0;
    if (height != nullptr) *height = 0;
    if (size != nullptr) *size = 0;
    return guarded(renderer, [&] {
        if (width == nullptr || height == nullptr || size == nullptr) {
            throw Failure{TXR_E_NULL, "size is NULL"};
        }
        CString bytes = textOf(text, length);
        CTXR& ctxr = renderer->ctxr;
        requireReady(ctxr);
        const CSize drawing = ctxr.GetStringSize(bytes);
        // The checks drawing makes before it creates the string bitmap.
        if (ctxr.family < 0 || ctxr.family > 2 || drawing.cx <= 0 || drawing.cy <= 0 ||
            std::int64_t{drawing.cx} * drawing.cy > txr::kMaxStringDots) {
            throw Failure{TXR_E_NO_DRAWING, txr_status_message(TXR_E_NO_DRAWING)};
        }
        *width = drawing.cx;
        *height = drawing.cy;
        *size = (static_cast<size_t>(drawing.cx) + 7) / 8 * static_cast<size_t>(drawing.cy);
        return TXR_OK;
    });
}

int txr_render_image(TxrRenderer* renderer, const char* text, size_t length, uint8_t* rows,
                     size_t capacity, int* width, int* height) {
    if (width != nullptr) *width = 0;
    if (height != nullptr) *height = 0;
    return guarded(renderer, [&] {
        if (rows == nullptr) throw Failure{TXR_E_NULL, "rows is NULL"};
        CString bytes = textOf(text, length);
        requireReady(renderer->ctxr);
        const txr::StringImage image = renderer->ctxr.GetStringImage(bytes);
        if (image.empty()) throw Failure{TXR_E_NO_DRAWING, txr_status_message(TXR_E_NO_DRAWING)};
        if (capacity < image.rows.size()) {
            throw Failure{TXR_E_RANGE, "buffer of " + std::to_string(capacity) + " bytes, " +
                                           std::to_string(image.rows.size()) + " needed"};
        }
        std::memcpy(rows, image.rows.data(), image.rows.size());
        if (width != nullptr) *width = image.width;
        if (height != nullptr) *height = image.height;
        return TXR_OK;
    });
}

void txr_free(void* memory) {
    std::free(memory);
}

int txr_encode_utf8(TxrRenderer* renderer, const char* text, size_t length, uint8_t** bytes,
                    size_t* size, size_t* position, uint32_t* code_point) {
    namespace enc = txr::encoding;
    if (bytes != nullptr) *bytes = nullptr;
    if (size != nullptr) *size = 0;
    if (position != nullptr) *position = 0;
    if (code_point != nullptr) *code_point = 0;
    return guarded(renderer, [&] {
        if (bytes == nullptr || size == nullptr) throw Failure{TXR_E_NULL, "bytes or size is NULL"};
        if (text == nullptr && length > 0) throw Failure{TXR_E_NULL, "text is NULL"};
        const CTXR& ctxr = renderer->ctxr;
        const enc::CharacterBytes table =
            ctxr.family == 1 ? enc::CharacterBytes::forFamilyOne(
                                   ctxr.resolution, ctxr.engineB->fontType, ctxr.engineB->charSet)
                             : enc::CharacterBytes::forCodePage(renderer->codePage);
        const enc::EncodedText encoded =
            enc::encodeUtf8(std::string_view(length == 0 ? "" : text, length), table);
        if (encoded.malformedAt) {
            if (position != nullptr) *position = *encoded.malformedAt;
            throw Failure{TXR_E_NOT_UTF8,
                          "the text is not UTF-8 at byte " + std::to_string(*encoded.malformedAt)};
        }
        *bytes = mallocCopy(reinterpret_cast<const std::uint8_t*>(encoded.bytes.data()),
                            encoded.bytes.size());
        *size = encoded.bytes.size();
        if (encoded.unmapped.empty()) return TXR_OK;
        if (position != nullptr) *position = encoded.unmapped.front().position;
        if (code_point != nullptr) *code_point = encoded.unmapped.front().codePoint;
        throw Failure{TXR_E_NO_BYTE, enc::unmappedInWords(encoded.unmapped, table)};
    });
}

int txr_set_code_page(TxrRenderer* renderer, const char* name) {
    return guarded(renderer, [&] {
        if (name == nullptr) throw Failure{TXR_E_NULL, "name is NULL"};
        const auto map = txr::encoding::characterMapByName(name);
        if (!map) throw Failure{TXR_E_RANGE, std::string("no code page \"") + name + "\""};
        renderer->codePage = *map;
        return TXR_OK;
    });
}

const char* txr_status_message(int status) {
    switch (status) {
        case TXR_OK:
            return "success";
        case TXR_REFUSED_FAMILY:
            return "font refused: the family is not 0, 1 or 2";
        case TXR_REFUSED_FONT:
            return "font refused: the family has no such font number at this resolution";
        case TXR_REFUSED_SCALE_H:
            return "font refused: the horizontal scale is below 1";
        case TXR_REFUSED_SCALE_V:
            return "font refused: the vertical scale is below 1";
        case TXR_REFUSED_ROTATION:
            return "font refused: the rotation is not 0 to 3 quarter turns";
        case TXR_E_NULL:
            return "a required pointer argument is NULL";
        case TXR_E_RANGE:
            return "an argument is out of its range";
        case TXR_E_NOT_READY:
            return "no font selection has been accepted";
        case TXR_E_NO_DRAWING:
            return "nothing to draw: empty text, no such family, or larger than the size limit";
        case TXR_E_FILE:
            return "a file could not be created or written";
        case TXR_E_NO_MEMORY:
            return "out of memory";
        case TXR_E_NOT_UTF8:
            return "the text is not UTF-8";
        case TXR_E_NO_BYTE:
            return "a character has no byte in the selected font";
        case TXR_E_INTERNAL:
            return "internal error";
        default:
            return "unknown status";
    }
}

const char* txr_last_error(const TxrRenderer* renderer) {
    return renderer == nullptr ? "" : renderer->lastError.c_str();
}

}  // extern "C"
