// The drawing calls the library relies on (over the real gdi32 on Windows), and our own raster's
// magnifying one-bit blit against a dot-by-dot reference kept here.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/one_bit_rows.h"
#include "common/pen_dots.h"
#include "support/raster_ascii.h"
#include "txr/platform.h"
#ifndef _WIN32
#include "platform/raster.h"
#endif

namespace txr {
namespace {

using test::MonoSurface;

// The 3 x 2 one-bit DIB "#.." over ".##" ('#' colour 0, black), bottom-up or top-down, drawn
// whole at (x, y) in w x h dots as the glyph rasters draw theirs.
TEST(StretchDIBits, PaintsMagnifiedComplementedInEitherRowOrder) {
    struct Case {
        const char* name;
        int width, height;
        bool bottomUp;
        int x, y, w, h;
        DWORD rop;
        const char* expected;
    } cases[] = {
        {"2x3 magnified", 8, 8, true, 1, 1, 6, 6, SRCCOPY,
         "........\n.##.....\n.##.....\n.##.....\n...####.\n...####.\n...####.\n........\n"},
        {"complement", 4, 2, true, 0, 0, 3, 2, NOTSRCCOPY, ".##.\n#...\n"},
        {"top-down", 4, 2, false, 0, 0, 3, 2, SRCCOPY, "#...\n.##.\n"},
    };
    for (const auto& c : cases) {
        MonoBitmapInfo info{};
        info.bmiHeader = {40, 3, c.bottomUp ? 2 : -2, 1, 1, BI_RGB, 0, 0, 0, 2, 2};
        info.bmiColors[1] = {255, 255, 255, 0};
        const unsigned char top = 0x60, bottom = 0x80;  // set bits are colour 1, paper
        const unsigned char bits[8] = {c.bottomUp ? bottom : top, 0, 0, 0,
                                       c.bottomUp ? top : bottom};
        MonoSurface surface(c.width, c.height);
        StretchDIBits(*surface.dc(), c.x, c.y, c.w, c.h, 0, 0, 3, 2, bits, info.get(),
                      DIB_RGB_COLORS, c.rop);
        EXPECT_EQ(surface.ascii(), c.expected) << c.name;
    }
}

TEST(PatBlt, FillsAndClipsRectangles) {
    const struct {
        bool blackPaper;
        int x, y, w, h;
        DWORD rop;
        const char* expected;
    } cases[] = {
        {false, 1, 1, 3, 2, BLACKNESS, "......\n.###..\n.###..\n......\n"},
        {false, -2, -2, 4, 4, BLACKNESS, "##....\n##....\n......\n......\n"},
        {true, 0, 3, 6, 1, WHITENESS, "######\n######\n######\n......\n"},
    };
    for (const auto& c : cases) {
        MonoSurface surface(6, 4, c.blackPaper);
        surface.dc()->PatBlt(c.x, c.y, c.w, c.h, c.rop);
        EXPECT_EQ(surface.ascii(), c.expected) << c.x << "," << c.y;
    }
}

// Drawing goes to the bitmap selected when the call is made, also right after a reselection.
TEST(SelectObject, DrawingFollowsTheBitmapSelectedNow) {
    MonoSurface surface(4, 2);
    const HDC dc = *surface.dc();
    const HBITMAP other = CreateCompatibleBitmap(dc, 4, 2);
    PatBlt(dc, 0, 0, 1, 1, BLACKNESS);
    const HGDIOBJ first = SelectObject(dc, other);
    PatBlt(dc, 0, 0, 4, 2, WHITENESS);
    PatBlt(dc, 3, 1, 1, 1, BLACKNESS);
    SelectObject(dc, first);
    MonoBitmapInfo info{};
    info.bmiHeader = {40, 4, 2, 1, 1, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<unsigned char> rows(8, 0xAA);
    EXPECT_EQ(GetDIBits(dc, other, 0, 2, rows.data(), info.get(), DIB_RGB_COLORS), 2);
    DeleteObject(other);
    EXPECT_EQ(surface.ascii(), "#...\n....\n");
    EXPECT_EQ(rows, (std::vector<unsigned char>{0xE0, 0, 0, 0, 0xF0, 0, 0, 0}));
}

TEST(GetDIBits, WritesBottomUpRowsWithZeroPadding) {
    MonoSurface surface(10, 3);
    for (auto [x, y] : {std::pair{0, 0}, {9, 0}, {8, 1}, {1, 2}}) SetPixel(*surface.dc(), x, y, 0);
    MonoBitmapInfo info{};
    info.bmiHeader = {40, 10, 3, 1, 1, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<unsigned char> rows(16, 0xAA);
    EXPECT_EQ(GetDIBits(*surface.dc(), surface.bitmap(), 0, 3, rows.data(), info.get(), 0), 3);
    const std::vector<unsigned char> expected = {0xBF, 0xC0, 0, 0, 0xFF, 0x40, 0,    0,
                                                 0x7F, 0x80, 0, 0, 0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(rows, expected);
}

TEST(Pens, WidePenDotIsARoundDiscOfTwentyOnePixels) {
    MonoSurface surface(9, 9);
    HGDIOBJ before = GetCurrentObject(*surface.dc(), OBJ_PEN);
    drawPenDots(surface.dc(), PS_DASH, {{4, 4}});
    EXPECT_EQ(surface.ascii(),
              ".........\n"
              ".........\n"
              "...###...\n"
              "..#####..\n"
              "..#####..\n"
              "..#####..\n"
              "...###...\n"
              ".........\n"
              ".........\n");
    EXPECT_EQ(GetCurrentObject(*surface.dc(), OBJ_PEN), before);
}

#ifndef _WIN32
// The Windows build draws with the real calls, not our raster.
struct BlitCase {
    int imageWidth = 0;
    int imageHeight = 0;
    bool bottomUp = true;
    COLORREF colours[2] = {RGB(0, 0, 0), RGB(255, 255, 255)};
    BlitBox source;
    BlitBox dest;
    bool complement = false;

    std::string describe() const {
        std::ostringstream out;
        out << imageWidth << "x" << imageHeight << (bottomUp ? " bottom-up" : " top-down")
            << std::hex << " colours " << colours[0] << "/" << colours[1] << std::dec << " source "
            << source.x << "," << source.y << " " << source.width << "x" << source.height
            << " dest " << dest.x << "," << dest.y << " " << dest.width << "x" << dest.height
            << (complement ? " complemented" : "");
        return out.str();
    }
};

// Random rows, padding bits included: a blit that reads past biWidth paints garbage.
std::vector<unsigned char> randomRows(std::mt19937& random, int width, int height) {
    std::vector<unsigned char> rows(dibStride(width) * static_cast<std::size_t>(height));
    for (auto& byte : rows) byte = static_cast<unsigned char>(random());
    return rows;
}

void fillRandomly(Surface& surface, std::mt19937& random) {
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            const std::uint32_t value = random();
            surface.setPixel(x, y, surface.format() == PixelFormat::oneBit ? value & 1 : value);
        }
    }
}

// Destination dot (dest.x + i, dest.y + j) takes source dot (source.x + i * sw / dw, row k =
// j * sh / dh counted from the top of the source rectangle); dots whose source lies outside the
// image, and dots outside the surface, stay as they were.
void referenceBlit(Surface& surface, const BlitCase& c, const std::vector<unsigned char>& rows) {
    const std::size_t stride = dibStride(c.imageWidth);
    std::uint32_t pixels[2] = {surface.pixelOf(c.colours[0]), surface.pixelOf(c.colours[1])};
    if (c.complement) {
        for (auto& p : pixels) p = surface.complementOf(p);
    }
    for (std::int64_t y = 0; y < surface.height(); ++y) {
        const std::int64_t j = y - c.dest.y;
        if (j < 0 || j >= c.dest.height) continue;
        const std::int64_t k = j * c.source.height / c.dest.height;
        const std::int64_t stored =
            c.bottomUp ? c.source.y + c.source.height - 1 - k : c.source.y + k;
        if (stored < 0 || stored >= c.imageHeight) continue;
        for (std::int64_t x = 0; x < surface.width(); ++x) {
            const std::int64_t i = x - c.dest.x;
            if (i < 0 || i >= c.dest.width) continue;
            const std::int64_t sx = c.source.x + i * c.source.width / c.dest.width;
            if (sx < 0 || sx >= c.imageWidth) continue;
            const unsigned char byte = rows[static_cast<std::size_t>(stored) * stride + sx / 8];
            const int dot = (byte >> (7 - sx % 8)) & 1;
            surface.setPixel(static_cast<int>(x), static_cast<int>(y), pixels[dot]);
        }
    }
}

// "" when the surfaces agree; else how many dots differ and where the first is.
std::string differences(const Surface& actual, const Surface& expected) {
    std::string first;
    int count = 0;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            if (actual.pixel(x, y) != expected.pixel(x, y) && count++ == 0) {
                first = "(" + std::to_string(x) + "," + std::to_string(y) + ") is " +
                        std::to_string(actual.pixel(x, y)) + " not " +
                        std::to_string(expected.pixel(x, y));
            }
        }
    }
    return count == 0 ? "" : std::to_string(count) + " dots differ, first " + first;
}

// Runs one case on a surface and on a copy painted by the reference; returns what differs.
std::string check(PixelFormat format, int surfaceWidth, int surfaceHeight, const BlitCase& c,
                  std::mt19937& random) {
    const std::vector<unsigned char> rows = randomRows(random, c.imageWidth, c.imageHeight);
    auto actual = Surface::create(format, surfaceWidth, surfaceHeight);
    auto expected = Surface::create(format, surfaceWidth, surfaceHeight);
    fillRandomly(*actual, random);
    for (int y = 0; y < surfaceHeight; ++y) {
        for (int x = 0; x < surfaceWidth; ++x) expected->setPixel(x, y, actual->pixel(x, y));
    }
    const DibView image{rows.data(),
                        c.imageWidth,
                        c.imageHeight,
                        c.bottomUp,
                        dibStride(c.imageWidth),
                        {c.colours[0], c.colours[1]}};
    stretchOneBit(*actual, image, c.source, c.dest, c.complement);
    referenceBlit(*expected, c, rows);
    return differences(*actual, *expected);
}

const COLORREF kColourTables[][2] = {
    {RGB(0, 0, 0), RGB(255, 255, 255)},
    {RGB(255, 255, 255), RGB(0, 0, 0)},
    {RGB(0, 0, 0), RGB(0, 0, 0)},
    {RGB(255, 255, 255), RGB(250, 240, 230)},
};

// A case magnifying the image's width `scale` times, every parameter but those given at random.
BlitCase randomCase(std::mt19937& random, int imageWidth, std::int64_t destX, std::int64_t scale) {
    const std::int64_t srcW = imageWidth;
    BlitCase c;
    c.imageWidth = imageWidth;
    c.imageHeight = 1 + static_cast<int>(random() % 5);
    c.bottomUp = random() % 2 == 0;
    const auto& table = kColourTables[random() % 4];
    c.colours[0] = table[0];
    c.colours[1] = table[1];
    c.complement = random() % 2 == 0;
    // Mostly the whole image; sometimes a sub-rectangle or one reaching outside it.
    const auto pick = random() % 4;
    c.source = pick == 0   ? BlitBox{1, 1, srcW, c.imageHeight}
               : pick == 1 ? BlitBox{-2, -1, srcW, c.imageHeight + 2}
                           : BlitBox{0, 0, srcW, c.imageHeight};
    const std::int64_t scaleV = 1 + random() % 4;
    c.dest = {destX, static_cast<std::int64_t>(random() % 5) - 2, srcW * scale,
              c.source.height * scaleV - static_cast<std::int64_t>(random() % 2)};
    return c;
}

TEST(MagnifyingBlit, WholeScalesAtEveryBitAlignmentMatchTheReference) {
    std::mt19937 random(7);
    for (PixelFormat format : {PixelFormat::oneBit, PixelFormat::rgb}) {
        const int surfaceWidth = format == PixelFormat::oneBit ? 203 : 61;
        for (int imageWidth : {1, 5, 7, 8, 9, 15, 16, 17, 33, 40}) {
            for (int scale : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 15, 16, 17}) {
                for (int destX = -17; destX <= 17; ++destX) {
                    const BlitCase c = randomCase(random, imageWidth, destX, scale);
                    ASSERT_EQ(check(format, surfaceWidth, 9, c, random), "") << c.describe();
                }
            }
        }
    }
}

TEST(MagnifyingBlit, HugeWholeScalesAreClippedToTheSurface) {
    std::mt19937 random(13);
    for (std::int64_t scale : {std::int64_t{1000}, std::int64_t{1} << 30}) {
        for (std::int64_t destX :
             {-scale + 3, std::int64_t{-5}, std::int64_t{0}, std::int64_t{4}}) {
            BlitCase c = randomCase(random, 2, destX, scale);
            c.source = {0, 0, 2, c.imageHeight};
            c.dest.height = c.imageHeight * 3;
            ASSERT_EQ(check(PixelFormat::oneBit, 37, 11, c, random), "") << c.describe();
        }
    }
}
#endif

}  // namespace
}  // namespace txr
