// txr::Canvas on Windows: a 32-bit top-down DIB section selected into a memory DC, standing in
// for a host's window. A size that is negative or needs 2^31 bytes or more gives an empty 0 x 0
// canvas: every pixel reads as CLR_INVALID and drawing on it lands on a private 1 x 1 bitmap.
#include "txr/platform/canvas.h"

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

struct Canvas::Impl {
    ~Impl() {
        if (previous != nullptr) SelectObject(dc, previous);
        if (bitmap != nullptr) DeleteObject(bitmap);
    }

    int width = 0;
    int height = 0;
    int dibWidth = 0;
    int dibHeight = 0;
    std::uint32_t* pixels = nullptr;  // owned by the DIB section
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    CDC dc;
};

Canvas::Canvas(int width, int height, COLORREF paper) : impl_(std::make_unique<Impl>()) {
    Impl& impl = *impl_;
    const bool usable = sizeFits(width, height) && width > 0 && height > 0;
    impl.dibWidth = usable ? width : 1;
    impl.dibHeight = usable ? height : 1;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = impl.dibWidth;
    info.bmiHeader.biHeight = -impl.dibHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    impl.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    impl.dc.Attach(CreateCompatibleDC(nullptr));
    if (impl.bitmap == nullptr || impl.dc.m_hDC == nullptr) return;
    impl.pixels = static_cast<std::uint32_t*>(bits);
    impl.previous = SelectObject(impl.dc, impl.bitmap);
    if (usable) {
        impl.width = width;
        impl.height = height;
    }
    fill(paper);
}

Canvas::~Canvas() = default;

CDC* Canvas::dc() {
    return &impl_->dc;
}

int Canvas::width() const {
    return impl_->width;
}

int Canvas::height() const {
    return impl_->height;
}

COLORREF Canvas::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= impl_->width || y >= impl_->height) return CLR_INVALID;
    return impl_->dc.GetPixel(x, y);
}

void Canvas::setPixel(int x, int y, COLORREF color) {
    if (x < 0 || y < 0 || x >= impl_->width || y >= impl_->height) return;
    SetPixel(impl_->dc.m_hDC, x, y, color);
}

void Canvas::fill(COLORREF color) {
    if (impl_->pixels == nullptr) return;
    GdiFlush();
    const auto count = static_cast<std::size_t>(impl_->dibWidth) * impl_->dibHeight;
    std::fill(impl_->pixels, impl_->pixels + count, dibPixelOf(color));
}

}  // namespace txr
