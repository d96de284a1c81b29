// A small bounds-checked reader of one-bit BMP files, for comparing pictures dot for dot.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace txr::tool {

// The largest picture read: 2^28 dots, the largest drawing the library makes.
constexpr std::int64_t kMaxPictureDots = std::int64_t{1} << 28;

// Which dots of a picture are ink (printed): one byte per dot, top row first.
struct InkPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> ink;

    // False outside the picture.
    bool at(int x, int y) const;
};

// Parses a one-bit, uncompressed BMP with an info header of 40 to 124 bytes, rows bottom-up or
// top-down (negative height), and a two-entry colour table. Ink is the darker of the two colours
// (the first when they are equally bright). Throws std::runtime_error saying what
// is wrong for anything else, for sizes past kMaxPictureDots, and for bytes past the end.
InkPicture parseOneBitBmp(const std::vector<std::uint8_t>& bytes);

}  // namespace txr::tool
