// The drawing layer as the library uses it: one-bit surfaces, fills, the magnifying blit with
// SRCCOPY and NOTSRCCOPY, clipping, GetDIBits rows, the pen dot, and file failures. On Windows
// the same tests run over the real gdi32; what only our raster decides is checked over it alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/one_bit_rows.h"
#include "common/pen_dots.h"
#include "support/raster_ascii.h"
#include "txr/platform.h"

namespace txr {
namespace {

using test::asciiOf;
using test::MonoSurface;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlue = RGB(0, 0, 255);

#if defined(_WIN32)
constexpr bool kOnWindows = true;
#else
constexpr bool kOnWindows = false;
#endif
#define SKIP_OVER_REAL_GDI() \
    if (kOnWindows) GTEST_SKIP() << "a choice of the raster layer; gdi32 makes its own"

// A one-bit DIB drawn as ASCII art, top row first: '#' colour 0, '.' colour 1.
struct Dib {
    MonoBitmapInfo info{};
    std::vector<unsigned char> bits;
};

Dib makeDib(const std::vector<std::string>& picture, bool bottomUp = true, COLORREF zero = kBlack,
            COLORREF one = kWhite) {
    Dib dib;
    const auto width = static_cast<int>(picture[0].size());
    const auto height = static_cast<int>(picture.size());
    dib.info.bmiHeader = {40, width, bottomUp ? height : -height, 1, 1, BI_RGB, 0, 0, 0, 2, 2};
    dib.info.bmiColors[0] = {GetBValue(zero), GetGValue(zero), GetRValue(zero), 0};
    dib.info.bmiColors[1] = {GetBValue(one), GetGValue(one), GetRValue(one), 0};
    const std::size_t stride = dibStride(width);
    dib.bits.assign(stride * picture.size(), 0);
    for (int y = 0; y < height; ++y) {
        const std::size_t stored = static_cast<std::size_t>(bottomUp ? height - 1 - y : y);
        for (int x = 0; x < width; ++x) {
            if (picture[y][x] == '.') dib.bits[stored * stride + x / 8] |= 0x80 >> (x % 8);
        }
    }
    return dib;
}

int blit(HDC dc, const Dib& dib, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
         DWORD rop = SRCCOPY) {
    return StretchDIBits(dc, x, y, w, h, sx, sy, sw, sh, dib.bits.data(), dib.info.get(),
                         DIB_RGB_COLORS, rop);
}

// ---- StretchDIBits --------------------------------------------------------------------------

TEST(StretchDIBits, PaintsMagnifiedClippedAndSubRectangles) {
    const std::vector<std::string> picture = {"#..", ".##"};
    struct Case {
        const char* name;
        int width, height;
        bool blackPaper, bottomUp;
        int x, y, w, h, sx, sy, sw, sh;
        DWORD rop;
        const char* expected;
    } cases[] = {
        {"2x3 magnified", 8, 8, false, true, 1, 1, 6, 6, 0, 0, 3, 2, SRCCOPY,
         "........\n.##.....\n.##.....\n.##.....\n...####.\n...####.\n...####.\n........\n"},
        {"complement", 4, 2, false, true, 0, 0, 3, 2, 0, 0, 3, 2, NOTSRCCOPY, ".##.\n#...\n"},
        {"top-down", 4, 2, false, false, 0, 0, 3, 2, 0, 0, 3, 2, SRCCOPY, "#...\n.##.\n"},
        {"bottom row of bottom-up", 3, 1, true, true, 0, 0, 3, 1, 0, 0, 3, 1, SRCCOPY, ".##\n"},
        {"top row of top-down", 3, 1, false, false, 0, 0, 3, 1, 0, 0, 3, 1, SRCCOPY, "#..\n"},
        {"source above the image", 3, 2, true, true, 0, 0, 3, 2, 0, 1, 3, 2, SRCCOPY, "###\n#..\n"},
        {"source left of the image", 4, 2, true, true, 0, 0, 4, 2, -1, 0, 4, 2, SRCCOPY,
         "##..\n#.##\n"},
        {"clipped left and top", 5, 4, false, true, -2, -1, 6, 4, 0, 0, 3, 2, SRCCOPY,
         ".....\n####.\n####.\n.....\n"},
        {"clipped right and bottom", 5, 4, false, true, 3, 2, 6, 4, 0, 0, 3, 2, SRCCOPY,
         ".....\n.....\n...##\n...##\n"},
        {"entirely outside", 3, 2, false, true, -6, 0, 6, 4, 0, 0, 3, 2, SRCCOPY, "...\n...\n"},
        {"shrunk to a third", 2, 1, false, true, 0, 0, 1, 1, 0, 0, 3, 2, SRCCOPY, "#.\n"},
    };
    for (const auto& c : cases) {
        MonoSurface surface(c.width, c.height, c.blackPaper);
        const Dib dib = makeDib(picture, c.bottomUp);
        const int lines =
            blit(*surface.dc(), dib, c.x, c.y, c.w, c.h, c.sx, c.sy, c.sw, c.sh, c.rop);
        EXPECT_EQ(lines, kOnWindows && lines != 0 ? lines : c.sh) << c.name;
        EXPECT_EQ(surface.ascii(), c.expected) << c.name;
    }
}

TEST(StretchDIBits, HugeDestinationCoversTheSurface) {
    SKIP_OVER_REAL_GDI();
    MonoSurface surface(5, 3);
    const Dib dib = makeDib({"#"});
    EXPECT_EQ(blit(*surface.dc(), dib, -1000, -1000, INT_MAX, INT_MAX, 0, 0, 1, 1), 1);
    EXPECT_EQ(surface.ascii(), "#####\n#####\n#####\n");
}

// ---- PatBlt ---------------------------------------------------------------------------------

TEST(PatBlt, FillsInvertsAndClipsNormalisedRectangles) {
    struct Case {
        bool blackPaper;
        int x, y, w, h;
        DWORD rop;
        BOOL result;
        const char* expected;
    } cases[] = {
        {false, 1, 1, 3, 2, BLACKNESS, TRUE, "......\n.###..\n.###..\n......\n"},
        {false, 3, 1, -3, 2, BLACKNESS, TRUE, "......\n.###..\n.###..\n......\n"},
        {false, 1, 2, 3, -2, BLACKNESS, TRUE, "......\n.###..\n.###..\n......\n"},
        {false, -2, -2, 4, 4, BLACKNESS, TRUE, "##....\n##....\n......\n......\n"},
        {false, 4, 2, 5, 5, 0x00550009, TRUE, "......\n......\n....##\n....##\n"},
        {true, 0, 3, 6, 1, WHITENESS, TRUE, "######\n######\n######\n......\n"},
        {false, 100, 100, 5, 5, BLACKNESS, TRUE, "......\n......\n......\n......\n"},
        {false, 0, 0, 6, 4, 0x00F00021, FALSE, "......\n......\n......\n......\n"},
    };
    for (const auto& c : cases) {
        if (kOnWindows && c.result == FALSE) continue;
        MonoSurface surface(6, 4, c.blackPaper);
        EXPECT_EQ(surface.dc()->PatBlt(c.x, c.y, c.w, c.h, c.rop), c.result) << c.x << "," << c.y;
        EXPECT_EQ(surface.ascii(), c.expected) << c.x << "," << c.y;
    }
}

// ---- Bitmaps, GetObjectA, GetDIBits ---------------------------------------------------------

MonoBitmapInfo oneBitRequest(LONG width, LONG height) {
    MonoBitmapInfo info{};
    info.bmiHeader = {40, width, height, 1, 1, BI_RGB, 0, 0, 0, 0, 0};
    return info;
}

TEST(GetDIBits, WritesBottomUpRowsWithZeroPadding) {
    MonoSurface surface(10, 3);
    for (auto [x, y] : {std::pair{0, 0}, {9, 0}, {8, 1}, {1, 2}}) SetPixel(*surface.dc(), x, y, 0);
    MonoBitmapInfo info = oneBitRequest(10, 3);
    std::vector<unsigned char> rows(16, 0xAA);
    EXPECT_EQ(GetDIBits(*surface.dc(), surface.bitmap(), 0, 3, rows.data(), info.get(), 0), 3);
    const std::vector<unsigned char> expected = {0xBF, 0xC0, 0, 0, 0xFF, 0x40, 0,    0,
                                                 0x7F, 0x80, 0, 0, 0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 12u);
    const RGBQUAD black{0, 0, 0, 0}, white{255, 255, 255, 0};
    EXPECT_EQ(std::memcmp(&info.bmiColors[0], &black, 4), 0);
    EXPECT_EQ(std::memcmp(&info.bmiColors[1], &white, 4), 0);

    struct Case {
        UINT start, lines;
        int result;
        std::vector<unsigned char> expected;
    } slices[] = {
        {1, 1, 1, {0xFF, 0x40, 0, 0, 0xAA, 0xAA, 0xAA, 0xAA}},
        {2, 5, 1, {0x7F, 0x80, 0, 0, 0xAA, 0xAA, 0xAA, 0xAA}},
        {3, 1, 0, {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
    };
    for (const auto& c : slices) {
        if (kOnWindows && c.result == 0) continue;
        std::vector<unsigned char> slice(8, 0xAA);
        EXPECT_EQ(GetDIBits(*surface.dc(), surface.bitmap(), c.start, c.lines, slice.data(),
                            info.get(), 0),
                  c.result)
            << c.start;
        EXPECT_EQ(slice, c.expected) << c.start;
    }
}

// ---- Pens -----------------------------------------------------------------------------------

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

    Canvas canvas(12, 5);
    drawPenDots(canvas.dc(), PS_DOT, {{2, 2}, {10, 1}});
    EXPECT_EQ(asciiOf(canvas, kBlue),
              ".###....####\n"
              "#####...####\n"
              "#####...####\n"
              "#####....###\n"
              ".###........\n");
}

}  // namespace
}  // namespace txr
