// txr::Canvas on every system: an RGB surface with a device context over it, standing in for a
// host's window. The surface is made by canvas_surface.cpp or win32/canvas_surface.cpp; a size it
// cannot give leaves an empty 0 x 0 canvas, whose every pixel reads as CLR_INVALID.
#include "txr/platform/canvas.h"

#include "platform/canvas_surface.h"

namespace txr {
namespace {

bool inside(const Canvas& canvas, int x, int y) {
    return x >= 0 && y >= 0 && x < canvas.width() && y < canvas.height();
}

}  // namespace

Canvas::Canvas(int width, int height, COLORREF paper)
    : impl_(std::make_unique<Impl>(width, height, paper)) {}

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
    if (!inside(*this, x, y)) return CLR_INVALID;
    return impl_->dc.GetPixel(x, y);
}

void Canvas::setPixel(int x, int y, COLORREF color) {
    if (!inside(*this, x, y)) return;
    SetPixel(impl_->dc.m_hDC, x, y, color);
}

void Canvas::fill(COLORREF color) {
    impl_->fill(color);
}

}  // namespace txr
