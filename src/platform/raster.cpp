// Pixel storage and the pixel operations of the in-memory raster.
#include "platform/raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace txr {
namespace {

constexpr std::uint32_t kRgbMask = 0x00FFFFFF;

std::size_t oneBitStride(int width) {
    return (static_cast<std::size_t>(width) + 7) / 8;
}

// The bits of byte `index` that lie within dots [left, right) of a packed row.
unsigned char byteMask(std::int64_t index, std::int64_t left, std::int64_t right) {
    const std::int64_t first = std::max<std::int64_t>(left - index * 8, 0);
    const std::int64_t end = std::min<std::int64_t>(right - index * 8, 8);
    if (first >= end) return 0;
    return static_cast<unsigned char>((0xFFu >> first) & (0xFFu << (8 - end)));
}

// Applies `change(byte, mask)` to the bytes of a packed row that hold dots [left, right); the
// bytes between the first and the last get the full mask.
template <typename Change>
void forEachByte(unsigned char* row, std::int64_t left, std::int64_t right, Change change) {
    if (left >= right) return;
    const std::int64_t firstByte = left / 8;
    const std::int64_t lastByte = (right - 1) / 8;
    row[firstByte] = change(row[firstByte], byteMask(firstByte, left, right));
    for (std::int64_t b = firstByte + 1; b < lastByte; ++b) row[b] = change(row[b], 0xFFu);
    if (lastByte > firstByte)
        row[lastByte] = change(row[lastByte], byteMask(lastByte, left, right));
}

bool oneBitDot(const unsigned char* row, std::int64_t x) {
    return ((row[x >> 3] >> (7 - (x & 7))) & 1) != 0;
}

std::int64_t integerSqrt(std::int64_t value) {
    auto root = static_cast<std::int64_t>(std::sqrt(static_cast<double>(value)));
    while (root * root > value) --root;
    while ((root + 1) * (root + 1) <= value) ++root;
    return root;
}

// The smallest k in [low, high] for which the monotone `test` holds (false ... false true ...),
// or high + 1 when there is none.
template <typename Test>
std::uint64_t firstTrue(std::uint64_t low, std::uint64_t high, Test test) {
    std::uint64_t end = high + 1;
    while (low < end) {
        const std::uint64_t mid = low + (end - low) / 2;
        if (test(mid)) {
            end = mid;
        } else {
            low = mid + 1;
        }
    }
    return end;
}

// Copies dots [left, right) of `from` into `row`, both packed rows with the same bit layout.
void mergeOneBitRow(unsigned char* row, const unsigned char* from, std::int64_t left,
                    std::int64_t right) {
    if (left >= right) return;
    const std::int64_t firstByte = left / 8;
    const std::int64_t lastByte = (right - 1) / 8;
    auto merge = [&](std::int64_t b) {
        const unsigned char mask = byteMask(b, left, right);
        row[b] = static_cast<unsigned char>((row[b] & ~mask) | (from[b] & mask));
    };
    merge(firstByte);
    if (lastByte == firstByte) return;
    if (lastByte > firstByte + 1) {
        std::memcpy(row + firstByte + 1, from + firstByte + 1,
                    static_cast<std::size_t>(lastByte - firstByte - 1));
    }
    merge(lastByte);
}

// Eight dots of a packed row of `rowBytes` bytes starting at dot `first`, leftmost in the most
// significant bit; dots past the row's bytes are 0.
unsigned eightDots(const unsigned char* row, std::int64_t rowBytes, std::int64_t first) {
    const std::int64_t index = first >> 3;
    const int shift = static_cast<int>(first & 7);
    const unsigned high = row[index];
    if (shift == 0) return high;
    const unsigned low = index + 1 < rowBytes ? row[index + 1] : 0u;
    return ((high << 8 | low) >> (8 - shift)) & 0xFFu;
}

// Writes a packed row from dot `left` on, whole bytes at a time: the dots before `left` in the
// first byte and those after the last dot written in the last byte keep their values.
class RowWriter {
  public:
    RowWriter(unsigned char* row, std::int64_t left)
        : out_(row + left / 8), pending_(static_cast<int>(left & 7)) {
        if (pending_ != 0) bits_ = std::uint64_t{*out_} >> (8 - pending_) << (64 - pending_);
    }

    // Appends `count` dots (at most 56): the top bits of `bits`, whose other bits are 0.
    void put(std::uint64_t bits, int count) {
        bits_ |= bits >> pending_;
        pending_ += count;
        while (pending_ >= 8) {
            *out_++ = static_cast<unsigned char>(bits_ >> 56);
            bits_ <<= 8;
            pending_ -= 8;
        }
    }

    // Appends `count` copies of one dot.
    void run(bool set, std::int64_t count) {
        if (count <= 0) return;
        if (pending_ != 0) {
            const int head = static_cast<int>(std::min<std::int64_t>(count, 8 - pending_));
            put(set ? ~std::uint64_t{0} << (64 - head) : 0, head);
            count -= head;
            if (count == 0) return;
        }
        const std::int64_t wholeBytes = count / 8;
        std::memset(out_, set ? 0xFF : 0x00, static_cast<std::size_t>(wholeBytes));
        out_ += wholeBytes;
        const int tail = static_cast<int>(count % 8);
        if (tail != 0) put(set ? ~std::uint64_t{0} << (64 - tail) : 0, tail);
    }

    // Writes the last partial byte, keeping the dots after the ones written.
    void finish() {
        if (pending_ == 0) return;
        *out_ = static_cast<unsigned char>((bits_ >> 56) | (*out_ & (0xFFu >> pending_)));
    }

  private:
    unsigned char* out_;
    int pending_;
    std::uint64_t bits_ = 0;
};

// expansion(scale)[byte]: each of the byte's 8 dots repeated `scale` times (2 to 7), in the top
// 8 * scale bits.
const std::uint64_t* expansion(int scale) {
    static const auto tables = [] {
        std::vector<std::uint64_t> all(8 * 256, 0);
        for (int k = 2; k <= 7; ++k) {
            for (unsigned byte = 0; byte < 256; ++byte) {
                std::uint64_t bits = 0;
                for (int dot = 0; dot < 8; ++dot) {
                    const std::uint64_t run = (byte >> (7 - dot)) & 1 ? (1u << k) - 1 : 0;
                    bits |= run << (64 - k * (dot + 1));
                }
                all[static_cast<std::size_t>(k) * 256 + byte] = bits;
            }
        }
        return all;
    }();
    return tables.data() + static_cast<std::size_t>(scale) * 256;
}

// Expands `count` destination dots from dot `left` of `row`: source dot `column` of `from` gives
// `scale` dots, the first of them only scale - phase. Source dots are complemented when `flip`
// is 0xFF.
void expandRow(unsigned char* row, std::int64_t left, std::int64_t count, const unsigned char* from,
               std::int64_t rowBytes, std::int64_t column, std::int64_t phase, std::int64_t scale,
               unsigned flip) {
    RowWriter out(row, left);
    auto dot = [&](std::int64_t x) { return (((from[x >> 3] >> (7 - (x & 7))) ^ flip) & 1) != 0; };
    std::int64_t remaining = count;
    if (phase != 0) {
        const std::int64_t first = std::min(scale - phase, remaining);
        out.run(dot(column++), first);
        remaining -= first;
    }
    if (scale == 1) {
        for (; remaining > 0; remaining -= 8, column += 8) {
            const int dots = static_cast<int>(std::min<std::int64_t>(remaining, 8));
            const std::uint64_t bits = std::uint64_t{eightDots(from, rowBytes, column) ^ flip}
                                       << 56;
            out.put(bits & ~(~std::uint64_t{0} >> dots), dots);
        }
        out.finish();
        return;
    }
    if (scale < 8) {
        // The last group may be partial: only its first `remaining` dots are put.
        const std::uint64_t* table = expansion(static_cast<int>(scale));
        const auto groupDots = static_cast<std::int64_t>(8 * scale);
        for (; remaining > 0; remaining -= groupDots, column += 8) {
            const int dots = static_cast<int>(std::min(remaining, groupDots));
            const std::uint64_t bits = table[eightDots(from, rowBytes, column) ^ flip];
            out.put(bits & ~(~std::uint64_t{0} >> dots), dots);
        }
        out.finish();
        return;
    }
    for (; remaining > 0; ++column) {
        const std::int64_t dots = std::min(scale, remaining);
        out.run(dot(column), dots);
        remaining -= dots;
    }
    out.finish();
}

// Unmagnified rows of at most 57 dots (a glyph's): the source dots gathered in one 64-bit word,
// shifted into place and merged into the destination bytes they cover. Every row of one blit
// has the same shifts and masks, so they are worked out once.
class NarrowRowCopier {
  public:
    NarrowRowCopier(std::int64_t left, std::int64_t count, std::int64_t rowBytes,
                    std::int64_t column, unsigned flip)
        : sourceShift_(static_cast<int>(column & 7)),
          first_(column >> 3),
          sourceBytes_(static_cast<int>(
              std::min<std::int64_t>((sourceShift_ + count + 7) / 8, rowBytes - first_))),
          wanted_(~(~std::uint64_t{0} >> count)),
          flip_(flip != 0 ? ~std::uint64_t{0} : 0),
          destShift_(static_cast<int>(left & 7)),
          destFirst_(left >> 3),
          destBytes_(static_cast<int>((destShift_ + count + 7) / 8)) {}

    void copy(unsigned char* row, const unsigned char* from) const {
        std::uint64_t dots = 0;
        for (int i = 0; i < sourceBytes_; ++i) {
            dots |= std::uint64_t{from[first_ + i]} << (56 - 8 * i);
        }
        dots = ((dots << sourceShift_) ^ flip_) & wanted_;
        const std::uint64_t placed = dots >> destShift_;
        const std::uint64_t mask = wanted_ >> destShift_;
        unsigned char* out = row + destFirst_;
        for (int i = 0; i < destBytes_; ++i) {
            const int shift = 56 - 8 * i;
            const auto keep = static_cast<unsigned char>(~(mask >> shift));
            out[i] = static_cast<unsigned char>((out[i] & keep) | (placed >> shift));
        }
    }

  private:
    int sourceShift_;
    std::int64_t first_;
    int sourceBytes_;
    std::uint64_t wanted_;
    std::uint64_t flip_;
    int destShift_;
    std::int64_t destFirst_;
    int destBytes_;
};

// Pixels `left` to `right` of a colour row from source dots starting at `column`, each dot
// `scale` pixels wide (the first `scale - phase`). Unmagnified, whole source bytes become eight
// pixels at a time: one fill for a byte of one colour, else a select per dot without branches.
void paintColourRow(std::uint32_t* row, std::int64_t left, std::int64_t right,
                    const unsigned char* from, std::int64_t column, std::int64_t phase,
                    std::int64_t scale, const std::uint32_t pixels[2]) {
    auto dot = [from](std::int64_t sx) { return (from[sx >> 3] >> (7 - (sx & 7))) & 1u; };
    std::int64_t x = left;
    std::int64_t sx = column;
    if (scale != 1) {
        for (; x < right; ++sx) {
            const std::int64_t end = std::min(right, x + (sx == column ? scale - phase : scale));
            std::fill(row + x, row + end, pixels[dot(sx)]);
            x = end;
        }
        return;
    }
    for (; x < right && (sx & 7) != 0; ++x, ++sx) row[x] = pixels[dot(sx)];
    const std::uint32_t paper = pixels[0];
    const std::uint32_t differ = pixels[0] ^ pixels[1];
    for (; right - x >= 8; x += 8, sx += 8) {
        const unsigned byte = from[sx >> 3];
        std::uint32_t* out = row + x;
        if (byte == 0 || byte == 0xFF) {
            std::fill(out, out + 8, pixels[byte & 1]);
            continue;
        }
        for (int b = 0; b < 8; ++b) {
            out[b] = paper ^ (differ & (0u - ((byte >> (7 - b)) & 1u)));
        }
    }
    for (; x < right; ++x, ++sx) row[x] = pixels[dot(sx)];
}

// The blit when every source column becomes exactly `scale` destination columns: each source row
// is expanded once straight into the first destination row that shows it (on one-bit surfaces
// whole bytes at a time), and the rows below that repeat it are copied from that one.
void stretchWholeScale(Surface& surface, const DibView& image, const BlitBox& source,
                       const BlitBox& dest, const std::uint32_t pixels[2], std::int64_t iBegin,
                       std::int64_t iEnd, std::int64_t jBegin, std::int64_t jEnd) {
    const std::int64_t scale = dest.width / source.width;
    // Offsets whose source column lies inside the image; the products stay below 2^63 because
    // every coordinate came in as an int.
    const std::int64_t iLow = std::max(iBegin, -source.x * scale);
    const std::int64_t iHigh = std::min(iEnd, (image.width - source.x) * scale);
    if (iLow >= iHigh) return;
    const std::int64_t left = dest.x + iLow;
    const std::int64_t right = dest.x + iHigh;
    const std::int64_t column = source.x + iLow / scale;
    const std::int64_t phase = iLow % scale;
    const auto rowBytes = static_cast<std::int64_t>((image.width + 7) / 8);

    const bool oneBit = surface.format() == PixelFormat::oneBit;
    const unsigned flip = pixels[1] == 0 ? 0xFFu : 0u;
    const bool narrow = oneBit && scale == 1 && right - left <= 57 && pixels[0] != pixels[1];
    const NarrowRowCopier narrowRows(left, narrow ? right - left : 0, rowBytes, column, flip);
    std::int64_t shownStored = -1;
    const unsigned char* shownRow = nullptr;
    const std::uint32_t* shownColours = nullptr;
    // The source bytes that hold the painted columns: a colour row whose bytes there equal the
    // row painted before paints the same pixels, so it is copied (an image magnified before it
    // comes here repeats each row many times).
    const std::int64_t firstByte = column >> 3;
    const std::int64_t lastByte = (column + (right - left + phase - 1) / scale) >> 3;
    const unsigned char* shownFrom = nullptr;
    for (std::int64_t j = jBegin; j < jEnd; ++j) {
        const std::int64_t k = j * source.height / dest.height;
        const std::int64_t stored =
            image.bottomUp ? source.y + source.height - 1 - k : source.y + k;
        if (stored < 0 || stored >= image.height) continue;
        const auto y = static_cast<int>(dest.y + j);
        const unsigned char* from = image.bits + static_cast<std::size_t>(stored) * image.stride;
        if (!oneBit) {
            // Colour surfaces: runs of one pixel value per source dot.
            std::uint32_t* row = surface.rgbRow(y);
            if (shownFrom != nullptr &&
                (from == shownFrom ||
                 std::memcmp(from + firstByte, shownFrom + firstByte,
                             static_cast<std::size_t>(lastByte - firstByte + 1)) == 0)) {
                std::copy(shownColours + left, shownColours + right, row + left);
                continue;
            }
            paintColourRow(row, left, right, from, column, phase, scale, pixels);
            shownFrom = from;
            shownColours = row;
            continue;
        }
        unsigned char* row = surface.oneBitRow(y);
        if (stored == shownStored) {
            mergeOneBitRow(row, shownRow, left, right);
            continue;
        }
        if (pixels[0] == pixels[1]) {
            RowWriter out(row, left);
            out.run(pixels[0] != 0, right - left);
            out.finish();
        } else if (narrow) {
            narrowRows.copy(row, from);
        } else {
            expandRow(row, left, right - left, from, rowBytes, column, phase, scale, flip);
        }
        shownStored = stored;
        shownRow = row;
    }
}

}  // namespace

Surface::Surface(PixelFormat format, int width, int height)
    : format_(format), width_(width), height_(height), stride_(oneBitStride(width)) {
    if (format == PixelFormat::oneBit) {
        bits_.assign(stride_ * static_cast<std::size_t>(height), 0);
    } else {
        rgb_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    }
}

bool Surface::storageFits(PixelFormat format, std::int64_t width, std::int64_t height) {
    if (width < 0 || height < 0 || width > INT32_MAX || height > INT32_MAX) return false;
    const std::uint64_t rowBytes = format == PixelFormat::oneBit
                                       ? (static_cast<std::uint64_t>(width) + 7) / 8
                                       : static_cast<std::uint64_t>(width) * 4;
    return rowBytes == 0 || static_cast<std::uint64_t>(height) <= kMaxSurfaceBytes / rowBytes;
}

std::unique_ptr<Surface> Surface::create(PixelFormat format, int width, int height) {
    if (!storageFits(format, width, height)) return nullptr;
    try {
        return std::unique_ptr<Surface>(new Surface(format, width, height));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::uint32_t Surface::pixelOf(COLORREF colour) const {
    if (format_ == PixelFormat::oneBit) return isLight(colour) ? 1 : 0;
    return colour & kRgbMask;
}

COLORREF Surface::colourOf(std::uint32_t pixel) const {
    if (format_ == PixelFormat::oneBit) return pixel != 0 ? RGB(255, 255, 255) : RGB(0, 0, 0);
    return pixel & kRgbMask;
}

std::uint32_t Surface::complementOf(std::uint32_t pixel) const {
    return format_ == PixelFormat::oneBit ? (pixel ^ 1u) : (pixel ^ kRgbMask);
}

std::uint32_t Surface::pixel(int x, int y) const {
    if (format_ == PixelFormat::oneBit) return oneBitDot(oneBitRow(y), x) ? 1 : 0;
    return rgbRow(y)[x];
}

void Surface::setPixel(int x, int y, std::uint32_t pixel) {
    fill(DotRect{x, y, std::int64_t{x} + 1, std::int64_t{y} + 1}, pixel);
}

DotRect Surface::clip(const DotRect& rect) const {
    DotRect clipped{std::max<std::int64_t>(rect.left, 0), std::max<std::int64_t>(rect.top, 0),
                    std::min<std::int64_t>(rect.right, width_),
                    std::min<std::int64_t>(rect.bottom, height_)};
    if (clipped.left >= clipped.right || clipped.top >= clipped.bottom) return DotRect{};
    return clipped;
}

void Surface::fill(const DotRect& rect, std::uint32_t pixel) {
    const DotRect area = clip(rect);
    for (auto y = static_cast<int>(area.top); y < area.bottom; ++y) {
        if (format_ == PixelFormat::oneBit) {
            forEachByte(oneBitRow(y), area.left, area.right, [pixel](unsigned char b, unsigned m) {
                return static_cast<unsigned char>(pixel != 0 ? (b | m) : (b & ~m));
            });
        } else {
            std::fill(rgbRow(y) + area.left, rgbRow(y) + area.right, pixel & kRgbMask);
        }
    }
}

void Surface::invert(const DotRect& rect) {
    const DotRect area = clip(rect);
    for (auto y = static_cast<int>(area.top); y < area.bottom; ++y) {
        if (format_ == PixelFormat::oneBit) {
            forEachByte(oneBitRow(y), area.left, area.right, [](unsigned char b, unsigned m) {
                return static_cast<unsigned char>(b ^ m);
            });
        } else {
            std::uint32_t* row = rgbRow(y);
            for (std::int64_t x = area.left; x < area.right; ++x) row[x] ^= kRgbMask;
        }
    }
}

void Surface::readOneBitRow(int y, std::int64_t dots, unsigned char* out,
                            std::size_t stride) const {
    std::memset(out, 0, stride);
    const std::int64_t count =
        std::min({dots, static_cast<std::int64_t>(width_), static_cast<std::int64_t>(stride) * 8});
    if (count <= 0) return;
    if (format_ == PixelFormat::oneBit) {
        const auto bytes = static_cast<std::size_t>((count + 7) / 8);
        std::memcpy(out, oneBitRow(y), bytes);
        out[bytes - 1] &= byteMask(static_cast<std::int64_t>(bytes) - 1, 0, count);
        return;
    }
    const std::uint32_t* row = rgbRow(y);
    for (std::int64_t x = 0; x < count; ++x) {
        if (isLight(row[x])) out[x >> 3] |= static_cast<unsigned char>(0x80u >> (x & 7));
    }
}

void stretchOneBit(Surface& surface, const DibView& image, const BlitBox& source,
                   const BlitBox& dest, bool complement) {
    if (source.width <= 0 || source.height <= 0 || dest.width <= 0 || dest.height <= 0) return;
    // Destination offsets that land on the surface.
    const std::int64_t iBegin = std::max<std::int64_t>(0, -dest.x);
    const std::int64_t iEnd = std::min<std::int64_t>(dest.width, surface.width() - dest.x);
    const std::int64_t jBegin = std::max<std::int64_t>(0, -dest.y);
    const std::int64_t jEnd = std::min<std::int64_t>(dest.height, surface.height() - dest.y);
    if (iBegin >= iEnd || jBegin >= jEnd) return;

    std::uint32_t pixels[2] = {surface.pixelOf(image.colours[0]),
                               surface.pixelOf(image.colours[1])};
    if (complement) {
        for (auto& p : pixels) p = surface.complementOf(p);
    }
    if (dest.width % source.width == 0) {
        stretchWholeScale(surface, image, source, dest, pixels, iBegin, iEnd, jBegin, jEnd);
        return;
    }

    // Source column of each painted destination column. The mapping never decreases, so the
    // columns whose source lies inside the image form one run.
    std::vector<std::int64_t> columns;
    std::int64_t firstColumn = 0;
    for (std::int64_t i = iBegin; i < iEnd; ++i) {
        const std::int64_t sx = source.x + i * source.width / dest.width;
        if (sx < 0) continue;
        if (sx >= image.width) break;
        if (columns.empty()) firstColumn = dest.x + i;
        columns.push_back(sx);
    }
    if (columns.empty()) return;
    const std::int64_t left = firstColumn;
    const std::int64_t right = left + static_cast<std::int64_t>(columns.size());

    const bool oneBit = surface.format() == PixelFormat::oneBit;
    std::vector<unsigned char> bitScratch(oneBit ? (static_cast<std::size_t>(right) + 7) / 8 : 0);
    std::vector<std::uint32_t> rgbScratch(oneBit ? 0 : columns.size());
    std::int64_t scratchRow = -1;
    for (std::int64_t j = jBegin; j < jEnd; ++j) {
        const std::int64_t k = j * source.height / dest.height;
        const std::int64_t stored =
            image.bottomUp ? source.y + source.height - 1 - k : source.y + k;
        if (stored < 0 || stored >= image.height) continue;
        if (stored != scratchRow) {
            // Consecutive destination rows from one source row reuse the converted row.
            const unsigned char* from =
                image.bits + static_cast<std::size_t>(stored) * image.stride;
            if (oneBit) {
                std::fill(bitScratch.begin() + left / 8, bitScratch.end(), 0);
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    if (pixels[oneBitDot(from, columns[c]) ? 1 : 0] == 0) continue;
                    const std::int64_t x = left + static_cast<std::int64_t>(c);
                    bitScratch[x >> 3] |= static_cast<unsigned char>(0x80u >> (x & 7));
                }
            } else {
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    rgbScratch[c] = pixels[oneBitDot(from, columns[c]) ? 1 : 0];
                }
            }
            scratchRow = stored;
        }
        const auto y = static_cast<int>(dest.y + j);
        if (oneBit) {
            mergeOneBitRow(surface.oneBitRow(y), bitScratch.data(), left, right);
        } else {
            std::copy(rgbScratch.begin(), rgbScratch.end(), surface.rgbRow(y) + left);
        }
    }
}

void drawLine(Surface& surface, POINT from, POINT to, int penWidth, std::uint32_t pixel) {
    const bool thin = penWidth <= 1;
    const std::int64_t width = std::min(penWidth, kMaxPenWidth);
    const std::int64_t radius = thin ? 0 : width / 2;
    std::vector<std::int64_t> halfSpan(static_cast<std::size_t>(radius) + 1, 0);
    for (std::int64_t dy = 0; dy <= radius && !thin; ++dy) {
        halfSpan[static_cast<std::size_t>(dy)] = integerSqrt((width * width - 4 * dy * dy) / 4);
    }

    const std::int64_t dx = std::int64_t{to.x} - from.x;
    const std::int64_t dy = std::int64_t{to.y} - from.y;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const auto major = static_cast<std::uint64_t>(std::llabs(xMajor ? dx : dy));
    const auto minor = static_cast<std::uint64_t>(std::llabs(xMajor ? dy : dx));
    if (thin && major == 0) return;
    const std::uint64_t lastStep = thin ? major - 1 : major;

    const std::int64_t majorStart = xMajor ? from.x : from.y;
    const std::int64_t minorStart = xMajor ? from.y : from.x;
    const std::int64_t majorSign = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const std::int64_t minorSign = (xMajor ? dy : dx) < 0 ? -1 : 1;
    // Rounded minor offset at step k; k * minor + major / 2 stays below 2^64 for int coordinates.
    auto minorAt = [&](std::uint64_t k) {
        const std::uint64_t offset = major == 0 ? 0 : (k * minor + major / 2) / major;
        return minorStart + minorSign * static_cast<std::int64_t>(offset);
    };

    // Only steps whose dot can touch the surface are visited.
    const std::int64_t majorLow = -radius;
    const std::int64_t majorHigh = (xMajor ? surface.width() : surface.height()) - 1 + radius;
    const std::int64_t minorLow = -radius;
    const std::int64_t minorHigh = (xMajor ? surface.height() : surface.width()) - 1 + radius;
    std::int64_t kLow = majorSign > 0 ? majorLow - majorStart : majorStart - majorHigh;
    std::int64_t kHigh = majorSign > 0 ? majorHigh - majorStart : majorStart - majorLow;
    kLow = std::max<std::int64_t>(kLow, 0);
    kHigh = std::min<std::int64_t>(kHigh, static_cast<std::int64_t>(lastStep));
    if (kLow > kHigh) return;
    const auto first = firstTrue(kLow, kHigh, [&](std::uint64_t k) {
        return minorSign > 0 ? minorAt(k) >= minorLow : minorAt(k) <= minorHigh;
    });
    const auto pastEnd = firstTrue(kLow, kHigh, [&](std::uint64_t k) {
        return minorSign > 0 ? minorAt(k) > minorHigh : minorAt(k) < minorLow;
    });

    for (std::uint64_t k = first; k < pastEnd; ++k) {
        const std::int64_t along = majorStart + majorSign * static_cast<std::int64_t>(k);
        const std::int64_t across = minorAt(k);
        const std::int64_t x = xMajor ? along : across;
        const std::int64_t y = xMajor ? across : along;
        for (std::int64_t row = -radius; row <= radius; ++row) {
            const std::int64_t half = halfSpan[static_cast<std::size_t>(std::llabs(row))];
            surface.fill(DotRect{x - half, y + row, x + half + 1, y + row + 1}, pixel);
        }
    }
}

}  // namespace txr
