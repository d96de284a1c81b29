// txr::Canvas: an RGB surface with a device context over it, standing in for a host's window.
// A size that is negative or too large for the raster (see raster.h) gives an empty 0 x 0
// canvas: every pixel reads as CLR_INVALID and drawing on it does nothing.
#include "txr/platform/canvas.h"

#include "platform/gdi_objects.h"

namespace txr {

struct Canvas::Impl {
    int width = 0;
    int height = 0;
    CDC dc;
};

Canvas::Canvas(int width, int height, COLORREF paper) : impl_(std::make_unique<Impl>()) {
    HDC dc = createDeviceDC(width, height, paper);
    if (dc != nullptr) {
        impl_->width = width;
        impl_->height = height;
    } else {
        dc = createDeviceDC(0, 0, paper);
    }
    impl_->dc.Attach(dc);
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
    return impl_->dc.GetPixel(x, y);
}

void Canvas::setPixel(int x, int y, COLORREF color) {
    SetPixel(impl_->dc.m_hDC, x, y, color);
}

void Canvas::fill(COLORREF color) {
    fillDeviceSurface(impl_->dc.m_hDC, color);
}

}  // namespace txr
