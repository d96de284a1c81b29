// A txr::Canvas's surface on Windows: a 32-bit top-down DIB section selected into a memory DC. A
// size that is negative or needs 2^31 bytes or more gives a 0 x 0 canvas whose drawing lands on a
// private 1 x 1 bitmap.
#include "platform/canvas_surface.h"

#include <algorithm>
#include <cstdint>

namespace txr {
namespace {

constexpr std::uint64_t kMaxCanvasBytes = (std::uint64_t{1} << 31) - 1;

bool sizeFits(int width, int height) {
    if (width < 0 || height < 0) return false;
    return std::uint64_t{4} * static_cast<std::uint64_t>(width) *
               static_cast<std::uint64_t>(height) <=
           kMaxCanvasBytes;
}

// A DIB section's 32-bit pixel for a COLORREF: blue in the low byte.
std::uint32_t dibPixelOf(COLORREF colour) {
    return static_cast<std::uint32_t>(GetBValue(colour)) |
           (static_cast<std::uint32_t>(GetGValue(colour)) << 8) |
           (static_cast<std::uint32_t>(GetRValue(colour)) << 16);
}

}  // namespace

Canvas::Impl::Impl(int askedWidth, int askedHeight, COLORREF paper) {
    const bool usable = sizeFits(askedWidth, askedHeight) && askedWidth > 0 && askedHeight > 0;
    dibWidth = usable ? askedWidth : 1;
    dibHeight = usable ? askedHeight : 1;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = dibWidth;
    info.bmiHeader.biHeight = -dibHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc.Attach(CreateCompatibleDC(nullptr));
    if (bitmap == nullptr || dc.m_hDC == nullptr) return;
    pixels = static_cast<std::uint32_t*>(bits);
    previous = SelectObject(dc, bitmap);
    if (usable) {
        width = askedWidth;
        height = askedHeight;
    }
    fill(paper);
}

Canvas::Impl::~Impl() {
    if (previous != nullptr) SelectObject(dc, previous);
    if (bitmap != nullptr) DeleteObject(bitmap);
}

void Canvas::Impl::fill(COLORREF colour) {
    if (pixels == nullptr) return;
    GdiFlush();
    const auto count = static_cast<std::size_t>(dibWidth) * dibHeight;
    std::fill(pixels, pixels + count, dibPixelOf(colour));
}

}  // namespace txr
