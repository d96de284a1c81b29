// The C API (c_api.h) for C++ hosts that want idiomatic C++: a move-only Renderer that owns its
// handle, texts as std::string_view, paths as std::filesystem::path, and pictures returned as
// Bitmap values. Header only; it links against the library like any C API host.
//
// Errors: every failure throws txr::Error, which carries the C API status (TXR_E_...) and the
// library's detail. The one exception is a refused font selection: setFont returns its refusal
// code 1 to 5 (0 when accepted), because a host is expected to try selections and look.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "txr/c_api.h"

namespace txr {

class Error : public std::runtime_error {
  public:
    Error(int status, const std::string& detail)
        : std::runtime_error(detail.empty() ? txr_status_message(status) : detail),
          status_(status) {}
    // One of the TXR_E_... codes of c_api.h.
    int status() const noexcept { return status_; }

  private:
    int status_;
};

struct DrawingSize {
    int width = 0;
    int height = 0;
};

// A drawing as one-bit rows, top row first, stride() = (width + 7) / 8 bytes each, the leftmost
// dot in the most significant bit; a set bit is ink, a dot the printer prints black.
class Bitmap {
  public:
    Bitmap() = default;
    Bitmap(int width, int height, std::vector<std::uint8_t> rows)
        : width_(width), height_(height), rows_(std::move(rows)) {}

    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    std::size_t stride() const noexcept { return (static_cast<std::size_t>(width_) + 7) / 8; }
    const std::vector<std::uint8_t>& rows() const noexcept { return rows_; }
    const std::uint8_t* row(int y) const {
        return rows_.data() + static_cast<std::size_t>(y) * stride();
    }
    // Whether the printer prints dot (x, y); false outside the drawing.
    bool ink(int x, int y) const noexcept {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
        return (row(y)[x / 8] & (0x80u >> (x % 8))) != 0;
    }

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> rows_;
};

class Renderer {
  public:
    Renderer() : handle_(txr_create()) {
        if (handle_ == nullptr) throw Error(TXR_E_NO_MEMORY, "");
    }
    Renderer(Renderer&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Renderer& operator=(Renderer&& other) noexcept {
        if (this != &other) {
            txr_destroy(handle_);
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;
    ~Renderer() { txr_destroy(handle_); }

    // The directory of the font files, with or without a trailing separator; an empty path
    // means the current directory.
    void setFontDirectory(const std::filesystem::path& directory) {
        check(txr_set_path(handle_, directory.string().c_str()));
    }
    // 0 when accepted, else the refusal code 1 to 5 (TXR_REFUSED_... in c_api.h).
    int setFont(int family, int fontType, int scaleH = 1, int scaleV = 1, int rotation = 0,
                int resolution = 203) {
        return check(txr_set_font(handle_, family, fontType, scaleH, scaleV, rotation, resolution));
    }
    void setInvert(bool invert) { check(txr_set_invert(handle_, invert ? 1 : 0)); }
    // False: fontOut paints from memory instead of staging its drawing in "../string.bmp".
    void setStagingFile(bool useStagingFile) {
        check(txr_set_staging_file(handle_, useStagingFile ? 1 : 0));
    }
    // Family 1's character set, 0 to 14.
    void setCharSet(int charSet) { check(txr_set_charset(handle_, charSet)); }

    DrawingSize stringSize(std::string_view text) {
        DrawingSize size;
        check(txr_get_string_size(handle_, text.data(), text.size(), &size.width, &size.height));
        return size;
    }
    void writeBmpFile(const std::filesystem::path& path, std::string_view text) {
        check(txr_get_bmp_file(handle_, path.string().c_str(), text.data(), text.size()));
    }
    // The bytes writeBmpFile would write.
    std::vector<std::uint8_t> bmpBytes(std::string_view text) {
        std::uint8_t* bytes = nullptr;
        std::size_t size = 0;
        check(txr_render_bmp(handle_, text.data(), text.size(), &bytes, &size));
        const Owned owned(bytes, txr_free);
        return std::vector<std::uint8_t>(bytes, bytes + size);
    }
    Bitmap render(std::string_view text) {
        TxrBitmap bitmap{};
        check(txr_render_rows(handle_, text.data(), text.size(), &bitmap));
        const Owned owned(bitmap.rows, txr_free);
        return Bitmap(bitmap.width, bitmap.height,
                      std::vector<std::uint8_t>(
                          bitmap.rows,
                          bitmap.rows + bitmap.stride * static_cast<std::size_t>(bitmap.height)));
    }
    // FontOut onto 32-bit BGRX pixels (see txr_font_out), the drawing's top-left at (x, y).
    void fontOut(std::uint8_t* pixels, int width, int height, std::size_t stride, int x, int y,
                 std::string_view text) {
        check(txr_font_out(handle_, pixels, width, height, stride, x, y, text.data(), text.size()));
    }

    // Unicode input: `utf8` as the bytes the current selection prints it with, for any of the
    // calls above (see txr_encode_utf8). Throws txr::Error with TXR_E_NOT_UTF8 naming the byte
    // offset of a malformed sequence, or TXR_E_NO_BYTE naming each character without a byte.
    std::string encode(std::string_view utf8) {
        std::uint8_t* bytes = nullptr;
        std::size_t size = 0;
        const int status =
            txr_encode_utf8(handle_, utf8.data(), utf8.size(), &bytes, &size, nullptr, nullptr);
        const Owned owned(bytes, txr_free);
        check(status);
        return std::string(reinterpret_cast<const char*>(bytes), size);
    }
    // Families 0 and 2's code page for encode: "cp437", "cp850" (the default), "latin1", ...
    void setCodePage(const std::string& name) { check(txr_set_code_page(handle_, name.c_str())); }

    TxrRenderer* handle() const noexcept { return handle_; }

  private:
    using Owned = std::unique_ptr<std::uint8_t, void (*)(void*)>;

    int check(int status) const {
        if (status < 0) throw Error(status, txr_last_error(handle_));
        return status;
    }

    TxrRenderer* handle_;
};

}  // namespace txr
