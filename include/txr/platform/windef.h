// The Windows-style types, structures, constants and drawing calls the library is written
// against: on Windows those of <windows.h>, elsewhere our own over an in-memory raster
// (src/platform).
#pragma once

#include <cstdint>

#include "txr/export.h"

#if defined(_WIN32)
#include <windows.h>
#else

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using BOOL = int;
using COLORREF = DWORD;
using ULONGLONG = std::uint64_t;
using LPVOID = void*;
using LPCSTR = const char*;
using LPCTSTR = const char*;
using LPTSTR = char*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Handles. Bitmaps and pens are kinds of GDI object, so they convert to HGDIOBJ as on Windows.
struct HGDIOBJ__ {
    virtual ~HGDIOBJ__() = default;
};
struct HBITMAP__ : HGDIOBJ__ {};
struct HPEN__ : HGDIOBJ__ {};
struct HDC__;
struct HWND__;
struct HINSTANCE__;
using HGDIOBJ = HGDIOBJ__*;
using HBITMAP = HBITMAP__*;
using HPEN = HPEN__*;
using HDC = HDC__*;
using HWND = HWND__*;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE__*;

struct POINT {
    LONG x;
    LONG y;
};

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14, "BMP file header is 14 bytes");

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BMP info header is 40 bytes");

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

// As on Windows the colour table is declared with one entry; it really runs on after the header.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

// Raster operations, DIB colour use, stretch modes, pen styles and object kinds.
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr DWORD BI_RGB = 0;
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr UINT OBJ_PEN = 1;
constexpr UINT OBJ_BITMAP = 7;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

constexpr DWORD DLL_PROCESS_DETACH = 0;
constexpr DWORD DLL_PROCESS_ATTACH = 1;
constexpr DWORD DLL_THREAD_ATTACH = 2;
constexpr DWORD DLL_THREAD_DETACH = 3;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) {
    return static_cast<BYTE>(c & 0xFF);
}
constexpr BYTE GetGValue(COLORREF c) {
    return static_cast<BYTE>((c >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF c) {
    return static_cast<BYTE>((c >> 16) & 0xFF);
}

// Device contexts and GDI objects.
TXR_API HDC CreateCompatibleDC(HDC hdc);
TXR_API BOOL DeleteDC(HDC hdc);
TXR_API HDC GetDC(HWND hwnd);
TXR_API int ReleaseDC(HWND hwnd, HDC hdc);
TXR_API HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
TXR_API HPEN CreatePen(int style, int width, COLORREF color);
TXR_API HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
TXR_API HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
TXR_API BOOL DeleteObject(HGDIOBJ object);
TXR_API int GetObjectA(HGDIOBJ object, int size, LPVOID out);

// Drawing.
TXR_API BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop);
TXR_API int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc,
                          int ySrc, int srcWidth, int srcHeight, const void* bits,
                          const BITMAPINFO* info, UINT usage, DWORD rop);
TXR_API int SetStretchBltMode(HDC hdc, int mode);
TXR_API int GetStretchBltMode(HDC hdc);
TXR_API int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits,
                      BITMAPINFO* info, UINT usage);
TXR_API BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous);
TXR_API BOOL LineTo(HDC hdc, int x, int y);
TXR_API COLORREF GetPixel(HDC hdc, int x, int y);
TXR_API COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);

#endif  // _WIN32

namespace txr {

// A BITMAPINFO with room for the two-entry colour table of a one-bit bitmap (black, white).
struct MonoBitmapInfo {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[2];

    // A bottom-up one-bit bitmap of width x height dots, 0 black and 1 white, every field not
    // named here 0. biSizeImage is the caller's: the engines count dots there, GetDIBits bytes.
    static MonoBitmapInfo ofSize(LONG width, LONG height, DWORD sizeImage) {
        MonoBitmapInfo info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 1;
        info.bmiHeader.biCompression = BI_RGB;
        info.bmiHeader.biSizeImage = sizeImage;
        info.bmiColors[1] = RGBQUAD{255, 255, 255, 0};
        return info;
    }

    BITMAPINFO* get() { return reinterpret_cast<BITMAPINFO*>(this); }
    const BITMAPINFO* get() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};
static_assert(sizeof(MonoBitmapInfo) == 48, "one-bit BITMAPINFO is 48 bytes");

}  // namespace txr
