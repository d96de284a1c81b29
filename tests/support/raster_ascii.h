// Drawing-test helpers: a one-bit memory surface and pictures of surfaces as ASCII art.
#pragma once

#include <string>

#include "txr/platform.h"

namespace txr::test {

// A memory DC holding a one-bit bitmap of width x height, filled white (or black), for drawing
// tests.
class MonoSurface {
  public:
    MonoSurface(int width, int height, bool black = false);
    MonoSurface(const MonoSurface&) = delete;
    MonoSurface& operator=(const MonoSurface&) = delete;
    ~MonoSurface();  // selects the stock bitmap back, deletes bitmap and DC

    CDC* dc() { return &dc_; }
    HBITMAP bitmap() const { return bitmap_; }

    // Read through GetDIBits: one line per row, top row first, '#' black, '.' white, each line
    // ending with '\n'.
    std::string ascii() const;

  private:
    int width_;
    int height_;
    CDC dc_;
    CBitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
};

// '#' where the canvas pixel equals ink, '.' elsewhere, in the format of MonoSurface::ascii.
std::string asciiOf(const txr::Canvas& canvas, COLORREF ink);

// The canvas as a printed drawing: '#' black, '.' white, and '?' any other colour (canvas that
// no drawing covered).
std::string printedOf(const txr::Canvas& canvas);

}  // namespace txr::test
