// A colour drawing surface a host owns: the stand-in for a window or printer device context.
#pragma once

#include <memory>

#include "txr/platform/afxgdi.h"

namespace txr {

// A width x height surface of RGB pixels with a device context over it. Hand dc() to FontOut or
// to a dot preview, then read the pixels back. Pixels outside the surface read as CLR_INVALID.
class TXR_API Canvas {
  public:
    Canvas(int width, int height, COLORREF paper = RGB(255, 255, 255));
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas();

    CDC* dc();
    int width() const;
    int height() const;
    COLORREF pixel(int x, int y) const;
    // Sets one pixel (a host's own picture copied in); pixels outside the surface are ignored.
    void setPixel(int x, int y, COLORREF color);
    void fill(COLORREF color);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace txr
