// A one-bit picture in memory, as CTXR::GetStringImage gives a text and txr::Label a whole label:
// the dots the printer prints, with no file in between.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace txr {

// Rows top first, stride() = (width + 7) / 8 bytes each, the leftmost dot in the most
// significant bit. A set bit is ink, a dot the printer prints black (in reverse video the paper
// is ink and the glyphs are clear); padding bits at the end of a row are 0. An image that holds
// no drawing is 0 x 0 with no rows.
struct StringImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rows;

    std::size_t stride() const noexcept { return (static_cast<std::size_t>(width) + 7) / 8; }
    bool empty() const noexcept { return width <= 0 || height <= 0; }
    // Whether the printer prints dot (x, y); false outside the image.
    bool ink(int x, int y) const noexcept {
        if (x < 0 || y < 0 || x >= width || y >= height) return false;
        return (rows[static_cast<std::size_t>(y) * stride() + static_cast<std::size_t>(x) / 8] &
                (0x80u >> (x % 8))) != 0;
    }
};

}  // namespace txr
