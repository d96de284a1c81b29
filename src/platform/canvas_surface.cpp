// A txr::Canvas's surface over the raster: a device context with its own RGB surface. A size
// that is negative or too large for the raster (see raster.h) gives a 0 x 0 surface, on which
// drawing does nothing.
#include "platform/canvas_surface.h"

#include "platform/gdi_objects.h"

namespace txr {

Canvas::Impl::Impl(int askedWidth, int askedHeight, COLORREF paper) {
    HDC surface = createDeviceDC(askedWidth, askedHeight, paper);
    if (surface != nullptr) {
        width = askedWidth;
        height = askedHeight;
    } else {
        surface = createDeviceDC(0, 0, paper);
    }
    dc.Attach(surface);
}

Canvas::Impl::~Impl() = default;

void Canvas::Impl::fill(COLORREF colour) {
    fillDeviceSurface(dc.m_hDC, colour);
}

}  // namespace txr
