// The drawing calls the library relies on (over the real gdi32 on Windows).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/pen_dots.h"
#include "support/raster_ascii.h"
#include "txr/platform.h"

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

}  // namespace
}  // namespace txr
