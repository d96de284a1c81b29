// Drawing-test helpers over the platform's drawing calls.
#include "support/raster_ascii.h"

#include <vector>

#include "common/one_bit_rows.h"

namespace txr::test {

MonoSurface::MonoSurface(int width, int height, bool black) : width_(width), height_(height) {
    dc_.CreateCompatibleDC(nullptr);
    bitmap_.CreateCompatibleBitmap(&dc_, width, height);
    previous_ = ::SelectObject(dc_, bitmap_);
    ::PatBlt(dc_, 0, 0, width, height, black ? BLACKNESS : WHITENESS);
}

MonoSurface::~MonoSurface() {
    if (previous_ != nullptr) ::SelectObject(dc_, previous_);
    bitmap_.DeleteObject();
    dc_.DeleteDC();
}

std::string MonoSurface::ascii() const {
    MonoBitmapInfo info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, height_, 1, 1, BI_RGB, 0, 0, 0, 0, 0};
    const std::size_t stride = dibStride(width_);
    std::vector<unsigned char> rows(stride * static_cast<std::size_t>(height_));
    const int got = GetDIBits(dc_, bitmap_, 0, static_cast<UINT>(height_), rows.data(), info.get(),
                              DIB_RGB_COLORS);
    if (got != height_) return "GetDIBits failed\n";
    std::string picture;
    for (int y = 0; y < height_; ++y) {
        const unsigned char* row = rows.data() + static_cast<std::size_t>(height_ - 1 - y) * stride;
        for (int x = 0; x < width_; ++x) picture += (row[x / 8] >> (7 - x % 8)) & 1 ? '.' : '#';
        picture += '\n';
    }
    return picture;
}

std::string asciiOf(const txr::Canvas& canvas, COLORREF ink) {
    std::string picture;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) picture += canvas.pixel(x, y) == ink ? '#' : '.';
        picture += '\n';
    }
    return picture;
}

std::string printedOf(const txr::Canvas& canvas) {
    std::string picture;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const COLORREF pixel = canvas.pixel(x, y);
            picture += pixel == RGB(0, 0, 0) ? '#' : pixel == RGB(255, 255, 255) ? '.' : '?';
        }
        picture += '\n';
    }
    return picture;
}

}  // namespace txr::test
