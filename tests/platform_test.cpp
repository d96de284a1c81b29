// The drawing layer: bitmaps and DCs, the blits, pens, the framework classes, files, modules.
// On Windows the same tests run over the real gdi32; what only our raster decides (answers to
// hostile arguments, limits, counts, selection and deletion rules) is checked over it alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/one_bit_rows.h"
#include "platform/pen_dots.h"
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

TEST(StretchDIBits, OneBitTargetTakesLightColoursAsWhite) {
    const Dib dib = makeDib({"#."}, true, RGB(127, 128, 128), RGB(128, 128, 128));
    MonoSurface copy(2, 1), complement(2, 1);
    blit(*copy.dc(), dib, 0, 0, 2, 1, 0, 0, 2, 1);
    blit(*complement.dc(), dib, 0, 0, 2, 1, 0, 0, 2, 1, NOTSRCCOPY);
    EXPECT_EQ(copy.ascii(), "#.\n");
    EXPECT_EQ(complement.ascii(), ".#\n");
}

TEST(StretchDIBits, ColourTargetGetsTheTableColoursFromAfterTheHeader) {
    // A 44-byte header: the colour table starts at biSize, whatever bmiColors says.
    std::vector<unsigned char> info(44 + 8, 0xEE);
    BITMAPINFOHEADER header{44, 2, 1, 1, 1, BI_RGB, 0, 0, 0, 2, 2};
    std::memcpy(info.data(), &header, sizeof header);
    const unsigned char table[8] = {0, 0, 255, 0, 0, 255, 0, 0};  // red, green
    std::memcpy(info.data() + 44, table, sizeof table);
    const unsigned char bits[4] = {0x40, 0, 0, 0};  // dot 0 colour 0, dot 1 colour 1
    const auto* bmi = reinterpret_cast<const BITMAPINFO*>(info.data());
    Canvas canvas(2, 2);
    EXPECT_EQ(
        StretchDIBits(*canvas.dc(), 0, 0, 2, 1, 0, 0, 2, 1, bits, bmi, DIB_RGB_COLORS, SRCCOPY), 1);
    EXPECT_EQ(
        StretchDIBits(*canvas.dc(), 0, 1, 2, 1, 0, 0, 2, 1, bits, bmi, DIB_RGB_COLORS, NOTSRCCOPY),
        1);
    EXPECT_EQ(canvas.pixel(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(canvas.pixel(1, 0), RGB(0, 255, 0));
    EXPECT_EQ(canvas.pixel(0, 1), RGB(0, 255, 255));
    EXPECT_EQ(canvas.pixel(1, 1), RGB(255, 0, 255));
}

TEST(StretchDIBits, RefusesWhatItCannotPaintAndPaintsNothing) {
    SKIP_OVER_REAL_GDI();
    struct Case {
        const char* name;
        void (*change)(Dib&);
        int w, h, sw, sh;
        DWORD rop;
    } cases[] = {
        {"other rop", nullptr, 2, 2, 2, 2, 0x00F00021},
        {"zero width", nullptr, 0, 2, 2, 2, SRCCOPY},
        {"negative height", nullptr, 2, -2, 2, 2, SRCCOPY},
        {"negative source", nullptr, 2, 2, 2, -1, SRCCOPY},
        {"8 bits", [](Dib& d) { d.info.bmiHeader.biBitCount = 8; }, 2, 2, 2, 2, SRCCOPY},
        {"header 12", [](Dib& d) { d.info.bmiHeader.biSize = 12; }, 2, 2, 2, 2, SRCCOPY},
        {"header huge", [](Dib& d) { d.info.bmiHeader.biSize = 0xFFFFFFF0; }, 2, 2, 2, 2, SRCCOPY},
        {"width 0", [](Dib& d) { d.info.bmiHeader.biWidth = 0; }, 2, 2, 2, 2, SRCCOPY},
        {"height 0", [](Dib& d) { d.info.bmiHeader.biHeight = 0; }, 2, 2, 2, 2, SRCCOPY},
        {"compressed", [](Dib& d) { d.info.bmiHeader.biCompression = 1; }, 2, 2, 2, 2, SRCCOPY},
    };
    for (const auto& c : cases) {
        MonoSurface surface(2, 2);
        Dib dib = makeDib({"##", "##"});
        if (c.change != nullptr) c.change(dib);
        EXPECT_EQ(blit(*surface.dc(), dib, 0, 0, c.w, c.h, 0, 0, c.sw, c.sh, c.rop), 0) << c.name;
        EXPECT_EQ(surface.ascii(), "..\n..\n") << c.name;
    }
    MonoSurface surface(2, 2);
    const Dib dib = makeDib({"##", "##"});
    const void* bits = dib.bits.data();
    EXPECT_EQ(
        StretchDIBits(*surface.dc(), 0, 0, 2, 2, 0, 0, 2, 2, bits, dib.info.get(), 1, SRCCOPY), 0);
    EXPECT_EQ(
        StretchDIBits(*surface.dc(), 0, 0, 2, 2, 0, 0, 2, 2, nullptr, dib.info.get(), 0, SRCCOPY),
        0);
    EXPECT_EQ(StretchDIBits(*surface.dc(), 0, 0, 2, 2, 0, 0, 2, 2, bits, nullptr, 0, SRCCOPY), 0);
    EXPECT_EQ(StretchDIBits(nullptr, 0, 0, 2, 2, 0, 0, 2, 2, bits, dib.info.get(), 0, SRCCOPY), 0);
    EXPECT_EQ(surface.ascii(), "..\n..\n");
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

TEST(Bitmaps, SizesFormatsAndLimits) {
    Canvas canvas(2, 2);
    CDC memory;
    memory.CreateCompatibleDC(canvas.dc());
    struct Case {
        bool colourDC;
        int cx, cy;
        bool made;
        LONG width, height, widthBytes;
        WORD bitsPixel;
    } cases[] = {
        {false, 17, 3, true, 17, 3, 4, 1},
        {false, 0, 5, true, 1, 1, 2, 1},
        {false, 5, 0, true, 1, 1, 2, 1},
        {false, -1, 5, false, 0, 0, 0, 0},
        {false, 5, -1, false, 0, 0, 0, 0},
        {false, INT_MAX, INT_MAX, false, 0, 0, 0, 0},
        {false, 1 << 20, 1 << 14, false, 0, 0, 0, 0},
        {true, 3, 2, true, 3, 2, 12, 32},
        {true, 0, 0, true, 1, 1, 2, 1},
        {true, 1 << 15, 1 << 14, false, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        if (kOnWindows && !c.made) continue;
        HBITMAP bitmap = CreateCompatibleBitmap(c.colourDC ? *canvas.dc() : memory, c.cx, c.cy);
        ASSERT_EQ(bitmap != nullptr, c.made) << c.cx << "x" << c.cy;
        if (!bitmap) continue;
        BITMAP info{};
        EXPECT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
        EXPECT_EQ(info.bmWidth, c.width);
        EXPECT_EQ(info.bmHeight, c.height);
        EXPECT_EQ(info.bmWidthBytes, c.widthBytes) << c.cx;
        EXPECT_EQ(info.bmBitsPixel, c.bitsPixel);
        EXPECT_EQ(info.bmPlanes, 1);
        EXPECT_EQ(DeleteObject(bitmap), TRUE);
    }
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 2, 2), nullptr);
}

TEST(Bitmaps, GetObjectFillsOnlyAWholeRecord) {
    MonoSurface surface(3, 2);
    BITMAP info, untouched;
    std::memset(&info, 0xCD, sizeof info);
    std::memcpy(&untouched, &info, sizeof info);
    // gdi32 refuses a buffer shorter than BITMAP (24 bytes is a 32-bit BITMAP, too short here).
    EXPECT_EQ(GetObjectA(surface.bitmap(), sizeof info - 1, &info), 0);
    EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);
    EXPECT_EQ(GetObjectA(surface.bitmap(), sizeof info + 8, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth * 10 + info.bmHeight, 32);
    EXPECT_EQ(GetObjectA(surface.bitmap(), 0, &info), 0);
    if (!kOnWindows) {
        CPen pen(PS_SOLID, 1, kBlack);
        EXPECT_EQ(GetObjectA(pen, sizeof info, &info), 0);
    }
    EXPECT_EQ(GetObjectA(nullptr, sizeof info, &info), 0);
    EXPECT_EQ(GetObjectA(surface.bitmap(), 0, nullptr), static_cast<int>(sizeof(BITMAP)));
}

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

TEST(GetDIBits, HeaderOnlyAndColourBitmaps) {
    MonoSurface surface(33, 2);
    MonoBitmapInfo info = oneBitRequest(33, 2);
    const int header = GetDIBits(*surface.dc(), surface.bitmap(), 0, 2, nullptr, info.get(), 0);
    EXPECT_EQ(header, kOnWindows && header != 0 ? header : 2);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 16u);

    Canvas canvas(2, 1);
    CDC memory;
    memory.CreateCompatibleDC(canvas.dc());
    CBitmap colour;
    colour.CreateCompatibleBitmap(canvas.dc(), 3, 1);
    CBitmap* previous = memory.SelectObject(&colour);
    SetPixel(memory, 0, 0, RGB(200, 200, 0));
    SetPixel(memory, 1, 0, RGB(0, 0, 127));
    SetPixel(memory, 2, 0, RGB(255, 255, 255));
    MonoBitmapInfo request = oneBitRequest(3, 1);
    unsigned char row[4] = {};
    EXPECT_EQ(GetDIBits(memory, colour, 0, 1, row, request.get(), 0), 1);
    EXPECT_EQ(row[0], 0xA0);
    if (!kOnWindows) {
        // Where grey turns white is the raster's choice; gdi32 takes the nearer table colour.
        SetPixel(memory, 1, 0, RGB(127, 128, 128));
        SetPixel(memory, 2, 0, RGB(128, 128, 128));
        EXPECT_EQ(GetDIBits(memory, colour, 0, 1, row, request.get(), 0), 1);
        EXPECT_EQ(row[0], 0xA0);
    }
    memory.SelectObject(previous);
}

TEST(GetDIBits, RefusesHostileRequests) {
    SKIP_OVER_REAL_GDI();
    MonoSurface surface(33, 2);
    MonoBitmapInfo info = oneBitRequest(33, 2);
    const std::pair<const char*, void (*)(MonoBitmapInfo&)> hostile[] = {
        {"8 bits", [](MonoBitmapInfo& i) { i.bmiHeader.biBitCount = 8; }},
        {"top-down", [](MonoBitmapInfo& i) { i.bmiHeader.biHeight = -2; }},
        {"width 0", [](MonoBitmapInfo& i) { i.bmiHeader.biWidth = 0; }},
        {"header 12", [](MonoBitmapInfo& i) { i.bmiHeader.biSize = 12; }},
        {"header huge", [](MonoBitmapInfo& i) { i.bmiHeader.biSize = 0x7FFFFFFF; }},
        {"image over 4 GB",
         [](MonoBitmapInfo& i) { i.bmiHeader.biWidth = i.bmiHeader.biHeight = INT_MAX; }},
    };
    for (const auto& [name, change] : hostile) {
        MonoBitmapInfo bad = oneBitRequest(33, 2);
        change(bad);
        unsigned char sink[16] = {};
        EXPECT_EQ(GetDIBits(*surface.dc(), surface.bitmap(), 0, 2, sink, bad.get(), 0), 0) << name;
    }
    unsigned char sink[16] = {};
    EXPECT_EQ(GetDIBits(*surface.dc(), nullptr, 0, 2, sink, info.get(), 0), 0);
    EXPECT_EQ(GetDIBits(*surface.dc(), surface.bitmap(), 0, 2, sink, info.get(), 1), 0);
}

// ---- Device contexts and selection ----------------------------------------------------------

TEST(DeviceContexts, NewMemoryDCsShareAReadOnlyStockBitmapAndStartFromDefaults) {
    Canvas canvas(2, 2);
    CWindowDC window(nullptr);  // the screen
    ASSERT_NE(window.m_hDC, nullptr);
    EXPECT_EQ(window.SetStretchBltMode(COLORONCOLOR), BLACKONWHITE);
    EXPECT_EQ(window.GetStretchBltMode(), COLORONCOLOR);
    HDC screen = GetDC(nullptr);
    HDC first = CreateCompatibleDC(nullptr);
    HDC fromCanvas = CreateCompatibleDC(*canvas.dc());
    HDC fromScreen = CreateCompatibleDC(screen);
    HDC fromMemory = CreateCompatibleDC(first);
    for (HDC dc : {first, fromCanvas, fromScreen, fromMemory}) {
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), GetCurrentObject(first, OBJ_BITMAP));
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetCurrentObject(first, OBJ_PEN));
        EXPECT_EQ(GetStretchBltMode(dc), BLACKONWHITE);
        POINT position{-1, -1};
        MoveToEx(dc, 5, 5, &position);
        EXPECT_EQ(position.x, 0);
        EXPECT_EQ(position.y, 0);
    }
    HGDIOBJ stock = GetCurrentObject(first, OBJ_BITMAP);
    BITMAP info{};
    EXPECT_EQ(GetObjectA(stock, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth * info.bmHeight * info.bmBitsPixel, 1);
    if (!kOnWindows) {
        EXPECT_EQ(PatBlt(first, 0, 0, 1, 1, WHITENESS), TRUE);
        EXPECT_EQ(GetPixel(fromMemory, 0, 0), kBlack);
    }
    EXPECT_EQ(DeleteObject(stock), TRUE);
    EXPECT_EQ(GetObjectA(stock, sizeof info, &info), static_cast<int>(sizeof info));

    EXPECT_EQ(SetStretchBltMode(first, COLORONCOLOR), BLACKONWHITE);
    EXPECT_EQ(SetStretchBltMode(first, WHITEONBLACK), COLORONCOLOR);
    EXPECT_EQ(SetStretchBltMode(first, 99), 0);
    EXPECT_EQ(GetStretchBltMode(first), WHITEONBLACK);

    if (!kOnWindows) {
        EXPECT_EQ(GetPixel(screen, 0, 0), CLR_INVALID);
    }
    EXPECT_EQ(LineTo(screen, 3, 3), TRUE);
    EXPECT_EQ(ReleaseDC(nullptr, first), 0);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    for (HDC dc : {first, fromCanvas, fromScreen, fromMemory}) EXPECT_EQ(DeleteDC(dc), TRUE);
    EXPECT_EQ(CreateCompatibleDC(first), nullptr);
    EXPECT_EQ(DeleteDC(first), FALSE);
}

TEST(DeviceContexts, SelectionAndDeletionRules) {
    SKIP_OVER_REAL_GDI();
    Canvas canvas(2, 2);
    HDC one = CreateCompatibleDC(nullptr);
    HDC two = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(one, 4, 4);
    HGDIOBJ stock = GetCurrentObject(one, OBJ_BITMAP);
    BITMAP info{};

    EXPECT_EQ(SelectObject(*canvas.dc(), bitmap), nullptr);
    EXPECT_EQ(SelectObject(one, bitmap), stock);
    EXPECT_EQ(SelectObject(one, bitmap), bitmap);
    EXPECT_EQ(SelectObject(two, bitmap), nullptr);
    EXPECT_EQ(SelectObject(one, nullptr), nullptr);
    EXPECT_EQ(DeleteObject(bitmap), FALSE);
    EXPECT_NE(GetObjectA(bitmap, sizeof info, &info), 0);
    EXPECT_EQ(SelectObject(one, stock), bitmap);
    EXPECT_EQ(DeleteObject(bitmap), TRUE);
    EXPECT_EQ(GetObjectA(bitmap, sizeof info, &info), 0);
    EXPECT_EQ(DeleteObject(bitmap), FALSE);

    // A DC deleted while holding a bitmap leaves it to its owner...
    HBITMAP kept = CreateCompatibleBitmap(one, 2, 2);
    SelectObject(two, kept);
    EXPECT_EQ(DeleteDC(two), TRUE);
    EXPECT_NE(GetObjectA(kept, sizeof info, &info), 0);
    // ...unless the owner already gave it up, as on the way out of a failed rendering.
    SelectObject(one, kept);
    EXPECT_EQ(DeleteObject(kept), FALSE);
    EXPECT_EQ(DeleteDC(one), TRUE);
    EXPECT_EQ(GetObjectA(kept, sizeof info, &info), 0);

    HDC three = CreateCompatibleDC(nullptr);
    HPEN pen = CreatePen(PS_SOLID, 3, kBlack);
    HGDIOBJ stockPen = SelectObject(three, pen);
    EXPECT_EQ(DeleteObject(pen), FALSE);
    EXPECT_EQ(SelectObject(three, stockPen), pen);
    EXPECT_EQ(DeleteObject(pen), TRUE);
    EXPECT_EQ(DeleteDC(three), TRUE);
}

// ---- Framework classes ----------------------------------------------------------------------

TEST(FrameworkObjects, FromHandleAttachDetachAndTemporaryWrappers) {
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    HGDIOBJ stockPen = GetCurrentObject(dc, OBJ_PEN);

    CPen pen(PS_SOLID, 5, kBlack);
    EXPECT_EQ(CGdiObject::FromHandle(pen), &pen);
    CPen* previous = dc.SelectObject(&pen);
    ASSERT_NE(previous, nullptr);
    EXPECT_EQ(previous->m_hObject, stockPen);
    EXPECT_EQ(CGdiObject::FromHandle(stockPen), previous);
    EXPECT_EQ(dc.SelectObject(previous), &pen);

    HBITMAP raw = CreateCompatibleBitmap(dc, 2, 2);
    CGdiObject* temporary = CGdiObject::FromHandle(raw);
    ASSERT_NE(dynamic_cast<CBitmap*>(temporary), nullptr);
    EXPECT_EQ(temporary->m_hObject, raw);
    CBitmap* selectedOut = nullptr;
    CGdiObject* stockBitmap = CDC::SelectGdiObject(dc, raw);
    selectedOut = dynamic_cast<CBitmap*>(CDC::SelectGdiObject(dc, *stockBitmap));
    EXPECT_EQ(selectedOut, temporary);
    EXPECT_EQ(DeleteObject(raw), TRUE);  // also destroys the temporary wrapper
    EXPECT_EQ(CGdiObject::FromHandle(raw), nullptr);

    HPEN other = CreatePen(PS_DOT, 1, kBlack);
    ASSERT_NE(dynamic_cast<CPen*>(CGdiObject::FromHandle(other)), nullptr);
    EXPECT_EQ(CGdiObject::FromHandle(other)->DeleteObject(), TRUE);

    BITMAP info{};
    HGDIOBJ owned = nullptr;
    {
        CBitmap bitmap;
        EXPECT_FALSE(bitmap.Attach(nullptr));
        ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&dc, 3, 3));
        owned = bitmap;
        EXPECT_EQ(bitmap.GetBitmap(&info), static_cast<int>(sizeof info));
    }
    EXPECT_EQ(GetObjectA(owned, sizeof info, &info), 0);  // the destructor deleted it
    {
        CBitmap bitmap;
        bitmap.CreateCompatibleBitmap(&dc, 3, 3);
        owned = bitmap.Detach();
    }
    EXPECT_NE(GetObjectA(owned, sizeof info, &info), 0);
    CBitmap adopted;
    adopted.Attach(owned);
    EXPECT_EQ(DeleteObject(owned), TRUE);
    // gdi32 tells nobody of a deletion: the wrapper learns of it only over the raster.
    if (!kOnWindows) {
        EXPECT_EQ(adopted.m_hObject, nullptr);
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

TEST(Pens, DotOfWidthWCoversTheDotsWithinHalfAWidthOfTheCentre) {
    // Dots (dx, dy) with dx * dx + dy * dy <= (w / 2)^2, counted by hand. gdi32 agrees on the
    // width the dot previews use, 5, and draws the other widths in shapes of its own.
    const std::pair<int, int> cases[] = {{2, 5}, {3, 9}, {4, 13}, {5, 21}, {8, 49}, {9, 69}};
    for (auto [width, dots] : cases) {
        if (kOnWindows && width != 5) continue;
        MonoSurface surface(15, 15);
        CPen pen(PS_SOLID, width, kBlack);
        CPen* previous = surface.dc()->SelectObject(&pen);
        surface.dc()->MoveTo(7, 7);
        surface.dc()->LineTo(7, 7);
        const std::string picture = surface.ascii();
        EXPECT_EQ(std::count(picture.begin(), picture.end(), '#'), dots) << "width " << width;
        surface.dc()->SelectObject(previous);
    }
}

TEST(Pens, LinesThinAndWideClippedAndFarAway) {
    struct Case {
        int penWidth;
        POINT from, to;
        const char* expected;
    } cases[] = {
        {1, {0, 0}, {5, 0}, "#####...\n........\n........\n........\n"},
        {0, {0, 0}, {5, 2}, "##......\n..##....\n....#...\n........\n"},
        {1, {7, 3}, {7, 0}, "........\n.......#\n.......#\n.......#\n"},
        {1, {3, 1}, {3, 1}, "........\n........\n........\n........\n"},
        {5, {3, 1}, {4, 1}, ".######.\n.######.\n.######.\n..####..\n"},
        {5, {0, 0}, {0, 0}, "###.....\n###.....\n##......\n........\n"},
        {1, {INT_MIN, -5}, {INT_MAX, 5}, "########\n........\n........\n........\n"},
        {2, {-100000, 3}, {100000, 3}, "........\n........\n########\n########\n"},
    };
    for (const auto& c : cases) {
        MonoSurface surface(8, 4);
        CPen pen(PS_SOLID, c.penWidth, kBlack);
        CPen* previous = surface.dc()->SelectObject(&pen);
        surface.dc()->MoveTo(c.from.x, c.from.y);
        EXPECT_TRUE(surface.dc()->LineTo(c.to.x, c.to.y));
        EXPECT_EQ(surface.dc()->MoveTo(0, 0).x, c.to.x);
        EXPECT_EQ(surface.ascii(), c.expected) << c.penWidth << " " << c.from.x << "," << c.from.y;
        surface.dc()->SelectObject(previous);
    }
}

TEST(Pens, PixelsReadAndWrittenInTheSurfaceFormat) {
    MonoSurface surface(2, 1);
    EXPECT_EQ(SetPixel(*surface.dc(), 0, 0, RGB(200, 200, 84)), kWhite);
    EXPECT_EQ(SetPixel(*surface.dc(), 1, 0, RGB(100, 0, 83)), kBlack);
    EXPECT_EQ(surface.dc()->GetPixel(-1, 0), CLR_INVALID);
    EXPECT_EQ(surface.ascii(), ".#\n");
    SKIP_OVER_REAL_GDI();
    EXPECT_EQ(SetPixel(*surface.dc(), 0, 0, RGB(200, 100, 84)), kWhite);
    EXPECT_EQ(SetPixel(*surface.dc(), 1, 0, RGB(200, 100, 83)), kBlack);
    EXPECT_EQ(SetPixel(*surface.dc(), 2, 0, kBlack), CLR_INVALID);
    EXPECT_EQ(surface.ascii(), ".#\n");
}

// ---- Canvas ---------------------------------------------------------------------------------

TEST(CanvasSurface, PaperFillBoundsAndCompatibleBitmaps) {
    Canvas canvas(3, 2, RGB(1, 2, 3));
    EXPECT_EQ(canvas.pixel(2, 1), RGB(1, 2, 3));
    for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, 2}, {0, -1}}) {
        EXPECT_EQ(canvas.pixel(x, y), CLR_INVALID);
    }
    canvas.fill(RGB(9, 8, 7));
    SetPixel(*canvas.dc(), 1, 1, kBlue);
    EXPECT_EQ(asciiOf(canvas, RGB(9, 8, 7)), "###\n#.#\n");

    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(canvas.dc()));
    CBitmap mono, colour;
    mono.CreateCompatibleBitmap(&memory, 5, 5);
    colour.CreateCompatibleBitmap(canvas.dc(), 5, 5);
    BITMAP info{};
    mono.GetBitmap(&info);
    EXPECT_EQ(info.bmBitsPixel, 1);
    colour.GetBitmap(&info);
    EXPECT_EQ(info.bmBitsPixel, 32);

    Canvas refused(-1, 5);
    EXPECT_EQ(refused.width(), 0);
    EXPECT_EQ(refused.pixel(0, 0), CLR_INVALID);
}

// ---- CString --------------------------------------------------------------------------------

TEST(String, KeepsEveryByteAndManagesItsBuffer) {
    const CString withNul("a\0b\xB0", 4);
    EXPECT_EQ(withNul.GetLength(), 4);
    EXPECT_EQ(withNul.str(), std::string("a\0b\xB0", 4));
    CString copy = withNul + CString("c");
    EXPECT_EQ(copy.str(), std::string("a\0b\xB0"
                                      "c",
                                      5));
    EXPECT_EQ(copy.LockBuffer()[3], '\xB0');
    copy.UnlockBuffer();
    EXPECT_STREQ(static_cast<const char*>(copy), "a");

    CString text;
    EXPECT_TRUE(text.IsEmpty());
    std::strcpy(text.GetBuffer(8), "xyz");
    text.ReleaseBuffer();
    EXPECT_EQ(text.str(), "xyz");
    text.GetBuffer(2);
    text.ReleaseBuffer(2);
    EXPECT_EQ(text.str(), "xy");
    text = nullptr;
    EXPECT_EQ(CString(nullptr, 5).GetLength(), 0);
    EXPECT_EQ(text, CString(""));
}

// ---- CFile and CFileException ---------------------------------------------------------------

std::string readAll(const char* path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead)) return "<missing>";
    std::string bytes(static_cast<std::size_t>(file.GetLength()), '\0');
    bytes.resize(file.Read(&bytes[0], static_cast<UINT>(bytes.size()) + 10));
    return bytes;
}

TEST(File, OpenModesCreateTruncateOrKeepTheFile) {
    {
        CFile created("modes.bin", CFile::modeCreate | CFile::modeWrite);  // replaces any file
        created.Write("hello\0world", 11);
        created.Close();
        created.Close();
    }
    EXPECT_EQ(readAll("modes.bin"), std::string("hello\0world", 11));
    std::remove("modes.bin");
    CFile file;
    EXPECT_EQ(file.GetLength(), 0u);
    CFileException error;
    EXPECT_FALSE(file.Open("modes.bin", CFile::modeReadWrite, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    ASSERT_TRUE(file.Open("modes.bin", CFile::modeCreate | CFile::modeRead));
    EXPECT_EQ(file.GetLength(), 0u);
    file.Write("hello", 5);  // a created file is writable whatever the access asked for
    file.Close();
    ASSERT_TRUE(
        file.Open("modes.bin", CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite));
    EXPECT_EQ(file.GetLength(), 5u);
    file.Write("J", 1);
    file.Close();
    EXPECT_EQ(readAll("modes.bin"), "Jello");
    ASSERT_TRUE(file.Open("modes.bin", CFile::modeReadWrite));
    char head[2] = {};
    EXPECT_EQ(file.Read(head, 2), 2u);
    EXPECT_EQ(std::string(head, 2), "Je");
    file.Close();
    ASSERT_TRUE(file.Open("modes.bin", CFile::modeCreate | CFile::modeReadWrite));
    EXPECT_EQ(file.GetLength(), 0u);
    EXPECT_EQ(file.GetFilePath(), CString("modes.bin"));
    file.Close();
    std::remove("modes.bin");
}

TEST(File, FailuresThrowFileExceptionsNamingFileAndReason) {
    { CFile("plain.bin", CFile::modeCreate | CFile::modeWrite).Close(); }
    struct Case {
        const char* path;
        UINT flags;
        int cause;
        const char* reason;
    } cases[] = {
        {"no_such_dir/out.bmp", CFile::modeCreate | CFile::modeWrite,
         kOnWindows ? CFileException::badPath : CFileException::fileNotFound,
         kOnWindows ? "path" : "not found"},
        {"plain.bin/out.bmp", CFile::modeCreate | CFile::modeWrite, CFileException::badPath,
         "path"},
        {".", CFile::modeRead, CFileException::accessDenied, "denied"},
        {".", CFile::modeCreate | CFile::modeWrite, CFileException::accessDenied, "denied"},
        {"absent.bin", CFile::modeRead, CFileException::fileNotFound, "not found"},
    };
    for (const auto& c : cases) {
        bool thrown = false;
        try {
            CFile file(c.path, c.flags);
        } catch (CFileException* e) {
            thrown = true;
            EXPECT_EQ(e->m_cause, c.cause) << c.path;
            char message[200];
            EXPECT_TRUE(e->GetErrorMessage(message, sizeof message));
            EXPECT_NE(std::strstr(message, c.path), nullptr) << message;
            EXPECT_NE(std::strstr(message, c.reason), nullptr) << message;
            e->Delete();
        }
        EXPECT_TRUE(thrown) << c.path;
        CFile file;
        CFileException record;
        EXPECT_FALSE(file.Open(c.path, c.flags, &record));
        EXPECT_EQ(record.m_cause, c.cause) << c.path;
        EXPECT_EQ(record.m_strFileName, CString(c.path));
    }
    std::remove("plain.bin");
    char tiny[6];
    CFileException(CFileException::fileNotFound, 0, "long_name.bin")
        .GetErrorMessage(tiny, sizeof tiny);
    EXPECT_EQ(std::strlen(tiny), 5u);
}

TEST(File, ShortWritesAndClosedFilesThrow) {
    CFile full;
    if (!full.Open("/dev/full", CFile::modeWrite)) GTEST_SKIP() << "no /dev/full";
    int cause = -1;
    try {
        full.Write("x", 1);  // buffered on POSIX: the failure shows when the data is flushed
        full.Close();
    } catch (CFileException* e) {
        cause = e->m_cause;
        e->Delete();
    }
    EXPECT_EQ(cause, CFileException::diskFull);
    if (kOnWindows) full.Abort();  // unbuffered: the write failed, and the file is still open
    EXPECT_FALSE(full.IsOpen());
    try {
        full.Write("x", 1);
        ADD_FAILURE() << "write to a closed file";
    } catch (CFileException* e) {
        EXPECT_EQ(e->m_cause, CFileException::invalidFile);
        e->Delete();
    }
}

TEST(File, OsErrorsMapToCauses) {
#if defined(_WIN32)
    const std::pair<int, int> cases[] = {
        {ERROR_FILE_NOT_FOUND, CFileException::fileNotFound},
        {ERROR_PATH_NOT_FOUND, CFileException::badPath},
        {ERROR_INVALID_NAME, CFileException::badPath},
        {ERROR_ACCESS_DENIED, CFileException::accessDenied},
        {ERROR_WRITE_PROTECT, CFileException::accessDenied},
        {ERROR_TOO_MANY_OPEN_FILES, CFileException::tooManyOpenFiles},
        {ERROR_SHARING_VIOLATION, CFileException::sharingViolation},
        {ERROR_DISK_FULL, CFileException::diskFull},
        {ERROR_HANDLE_EOF, CFileException::endOfFile},
        {ERROR_GEN_FAILURE, CFileException::genericException},
    };
#else
    const std::pair<int, int> cases[] = {
        {ENOENT, CFileException::fileNotFound},  {EACCES, CFileException::accessDenied},
        {EPERM, CFileException::accessDenied},   {EROFS, CFileException::accessDenied},
        {EISDIR, CFileException::accessDenied},  {ENOTDIR, CFileException::badPath},
        {ENAMETOOLONG, CFileException::badPath}, {EMFILE, CFileException::tooManyOpenFiles},
        {ENOSPC, CFileException::diskFull},      {EIO, CFileException::genericException},
    };
#endif
    for (auto [error, cause] : cases) {
        try {
            CFileException::ThrowOsError(error, "f");
        } catch (CFileException* e) {
            EXPECT_EQ(e->m_cause, cause) << error;
            EXPECT_EQ(e->m_lOsError, error);
            e->Delete();
        }
    }
}

// ---- Extension modules ----------------------------------------------------------------------

TEST(ExtensionModules, LibrariesRegisterAndTerminateByModule) {
    static char moduleA, moduleB;
    AFX_EXTENSION_MODULE a, b;
    EXPECT_TRUE(AfxInitExtensionModule(a, reinterpret_cast<HMODULE>(&moduleA)));
    EXPECT_TRUE(a.bInitialized);
    EXPECT_EQ(a.hModule, reinterpret_cast<HMODULE>(&moduleA));
    AfxInitExtensionModule(b, reinterpret_cast<HMODULE>(&moduleB));
    const std::size_t before = registeredExtensionLibraries();
    new CDynLinkLibrary(a);
    new CDynLinkLibrary(a);
    new CDynLinkLibrary(b);
    EXPECT_EQ(registeredExtensionLibraries(), before + 3);
    AfxTermExtensionModule(a);
    EXPECT_EQ(registeredExtensionLibraries(), before + 1);
    {
        CDynLinkLibrary onStack(a);
        EXPECT_EQ(registeredExtensionLibraries(), before + 2);
    }
    AfxTermExtensionModule(b, TRUE);
    EXPECT_EQ(registeredExtensionLibraries(), 0u);
}

}  // namespace
}  // namespace txr
