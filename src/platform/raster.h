// In-memory drawing surfaces (one bit or RGB per dot) and the pixel operations the drawing calls
// are made of: rectangle fills, the magnifying one-bit blit, round pen dots and lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "txr/platform/windef.h"

namespace txr {

// The largest pixel storage a surface may have: below 2^31 bytes, so that a row's byte count
// (BITMAP::bmWidthBytes, a LONG) always fits and no single allocation approaches the address
// space of a 32-bit host. Bitmaps that would need more are refused (CreateCompatibleBitmap
// returns nullptr); a one-bit surface stores ceil(width / 8) bytes per row, an RGB one 4 per dot.
constexpr std::uint64_t kMaxSurfaceBytes = (std::uint64_t{1} << 31) - 1;

// Pens wider than this draw as this wide, which bounds the work of one dot.
constexpr int kMaxPenWidth = 4096;

enum class PixelFormat { oneBit, rgb };

// The colour a one-bit surface makes of an RGB colour: white when light, black otherwise.
constexpr bool isLight(COLORREF colour) {
    return GetRValue(colour) + GetGValue(colour) + GetBValue(colour) >= 384;
}

// A rectangle of dots, right and bottom exclusive, in 64 bits so that no sum of ints overflows.
struct DotRect {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t right = 0;
    std::int64_t bottom = 0;
};

class Surface {
  public:
    // A width x height surface, every dot 0 (black); nullptr for negative sizes or storage of
    // more than kMaxSurfaceBytes (or when memory runs out).
    static std::unique_ptr<Surface> create(PixelFormat format, int width, int height);
    static bool storageFits(PixelFormat format, std::int64_t width, std::int64_t height);

    PixelFormat format() const { return format_; }
    int width() const { return width_; }
    int height() const { return height_; }
    bool contains(std::int64_t x, std::int64_t y) const {
        return x >= 0 && y >= 0 && x < width_ && y < height_;
    }

    // Pixel values in the surface's own format: 0 or 1 (white) for one bit, 0x00BBGGRR for RGB.
    std::uint32_t pixelOf(COLORREF colour) const;
    COLORREF colourOf(std::uint32_t pixel) const;
    std::uint32_t complementOf(std::uint32_t pixel) const;

    std::uint32_t pixel(int x, int y) const;  // (x, y) must be inside
    void setPixel(int x, int y, std::uint32_t pixel);

    // Fill and inversion of a rectangle, clipped to the surface.
    void fill(const DotRect& rect, std::uint32_t pixel);
    void invert(const DotRect& rect);

    // Row y as one-bit DIB dots: `dots` dots, leftmost in the most significant bit, 1 = white
    // (light for RGB), dots past the surface's width 0, then zero bytes up to `stride`.
    void readOneBitRow(int y, std::int64_t dots, unsigned char* out, std::size_t stride) const;

    // Direct row access for the blits: packed bits (MSB first) or RGB values.
    unsigned char* oneBitRow(int y) { return bits_.data() + static_cast<std::size_t>(y) * stride_; }
    const unsigned char* oneBitRow(int y) const {
        return bits_.data() + static_cast<std::size_t>(y) * stride_;
    }
    std::uint32_t* rgbRow(int y) { return rgb_.data() + static_cast<std::size_t>(y) * width_; }
    const std::uint32_t* rgbRow(int y) const {
        return rgb_.data() + static_cast<std::size_t>(y) * width_;
    }

  private:
    Surface(PixelFormat format, int width, int height);
    DotRect clip(const DotRect& rect) const;

    PixelFormat format_;
    int width_;
    int height_;
    std::size_t stride_;  // bytes per one-bit row
    std::vector<unsigned char> bits_;
    std::vector<std::uint32_t> rgb_;
};

// A one-bit device-independent bitmap as StretchDIBits receives it: a view of the caller's bits.
struct DibView {
    const unsigned char* bits = nullptr;
    std::int64_t width = 0;
    std::int64_t height = 0;  // rows, always positive
    bool bottomUp = true;     // the first stored row is the bottom row
    std::size_t stride = 0;
    COLORREF colours[2] = {0, 0};
};

// Source or destination rectangle of a blit: origin and a positive size.
struct BlitBox {
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// Paints the `source` rectangle of `image` (in the image's own coordinates: rows counted from
// the bottom for bottom-up images) onto `dest` of the surface, source dot of destination offset
// i being source.x + floor(i * source.width / dest.width), so whole-number magnification makes
// exact blocks. Source dots outside the image are not painted; the destination is clipped.
// With `complement` each dot gets the complement of its colour in the surface's format.
void stretchOneBit(Surface& surface, const DibView& image, const BlitBox& source,
                   const BlitBox& dest, bool complement);

// A line from `from` to `to` with a pen `penWidth` wide. Width <= 1: one dot per step of the
// longer axis, the end point excluded. Wider: a round dot (every dot with
// 4 * (dx * dx + dy * dy) <= width * width) stamped at every step, both ends included, so a line
// from a point to itself is one round dot.
void drawLine(Surface& surface, POINT from, POINT to, int penWidth, std::uint32_t pixel);

}  // namespace txr
