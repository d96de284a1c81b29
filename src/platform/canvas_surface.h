// What lies behind a txr::Canvas: its size and device context on every system, and on Windows the
// DIB section the context draws on. canvas_surface.cpp makes it over the raster,
// win32/canvas_surface.cpp over the Windows drawing calls.
#pragma once

#include <cstdint>

#include "txr/platform/canvas.h"

namespace txr {

struct Canvas::Impl {
    // A surface of askedWidth x askedHeight filled with `paper`; a size the system cannot give
    // leaves width and height 0.
    Impl(int askedWidth, int askedHeight, COLORREF paper);
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl();

    void fill(COLORREF colour);

    int width = 0;
    int height = 0;
#if defined(_WIN32)
    int dibWidth = 0;
    int dibHeight = 0;
    std::uint32_t* pixels = nullptr;  // owned by the DIB section
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
#endif
    CDC dc;
};

}  // namespace txr
