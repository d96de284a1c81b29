// Font family 1: a built-in catalogue of five fixed-cell fonts per resolution, fifteen character
// sets of code tables, glyphs fetched by glyph number from "B.bin" (203 dpi) or "B300.bin" (300
// dpi).
//
// The character set is chosen by writing the public field charSet (0 to 14) directly, for
// example ctxr.engineB->charSet = 12; it takes effect at the next measuring or drawing call (the
// next SetFont). A charSet outside 0 to 14 keeps the table and code range already in force.
//
// Choices made here:
// - The 7-bit sets 6 to 14 of fonts 0 to 3 accept codes 20 to 122 only. Their tables also hold
//   entries for codes 123 to 127, which are therefore never reached: the national glyphs of sets
//   8 to 14 in B.bin, none in B300.bin except in set 14's array, which both resolutions share.
// - SetFont with a resolution other than 203 and 300, or a fontType written directly outside 0
//   to 4, changes neither the record nor the table.
// - TXRB closes a font file that is still open before it opens the file anew.
// - A code whose glyph number is none leaves glyphOffset at -1 and reads nothing.
// - While the stream TXRB opened stays in fontFile, each glyph is read from the file once and
//   then served from memory. A stream a host puts into fontFile itself is read afresh unless it
//   reuses the address of the one TXRB opened; open streams through TXRB.
// - A dot preview whose rows are wider than the font's (Draw32Bit on a 16-dot font, Draw64Bit on
//   a 16- or 32-dot font) draws only the dots that lie within the glyph's copied rows.
// - With fontCache set (CTXR::UseCache), the font file is read through that cache: fontFile stays
//   null while the engine reads the cached bytes, and every result is the same as without it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <vector>

#include "txr/owned.h"
#include "txr/platform/afx.h"
#include "txr/platform/afxgdi.h"
#include "txr/platform/windef.h"

namespace txr {
class FontCache;
class GlyphMemo;
}  // namespace txr

class TXR_API CGeneraterB {
  public:
    static constexpr int kGlyphBufferSize = 512;

    CGeneraterB();
    // A copy owns its own blocks and has no open font file; assignment first closes the font
    // file this object has open.
    CGeneraterB(const CGeneraterB& other);
    CGeneraterB& operator=(const CGeneraterB& other);
    virtual ~CGeneraterB();

    void TXRB();
    void SetFont();
    int SetFonttype(int fontNumber);
    int SetScaleH(int scale);
    int SetScaleV(int scale);
    void SetcharCode(int code);

    void BuildBMP();
    void DrawOneword(CDC* dc, int x, int y);
    int GetCellW() const;
    int GetCellH() const;
    void ClearBuffer();

    void Draw16Bit(CDC* dc);
    void Draw32Bit(CDC* dc);
    void Draw64Bit(CDC* dc);

    int scaleH = 1;
    int scaleV = 1;
    int rowBits = 0;
    int invert = 0;
    int resolution = 203;
    int charSet = 0;
    unsigned char glyphBuffer[kGlyphBufferSize] = {};
    std::vector<unsigned char> dibBits;
    std::vector<unsigned char> flippedRows;
    unsigned long fontOffset = 0;
    unsigned short extra1 = 0;
    unsigned short extra2 = 0;
    unsigned short cellWidth = 0;
    unsigned short cellHeight = 0;
    unsigned short extra3 = 0;
    unsigned short rowBytes = 0;
    unsigned short extra4 = 0;
    unsigned char extra5 = 0;
    unsigned char extra6 = 0;
    unsigned char extra7 = 0;
    // Before the first SetFont there is no table and the range is empty (first above last), so
    // SetcharCode accepts nothing.
    const unsigned short* codeTable = nullptr;
    std::size_t codeTableLength = 0;  // entries in codeTable; codes past its end have no glyph
    unsigned char firstCode = 1;
    unsigned char lastCode = 0;
    unsigned char extra8 = 0;
    CString fontPath;
    txr::FontFileHandle fontFile;
    txr::MonoBitmapInfo bitmapInfo = {};
    int codeIndex = 0;
    int fontType = 0;
    int glyphOffset = 0;

    // Not owned; null reads the font file itself on every opening, as by default.
    txr::FontCache* fontCache = nullptr;
    // Closes the font file (or lets go of the cached bytes) so that the next fetch opens it anew.
    void releaseFontFile();

  private:
    void SetFonttab();
    void getcode();

    // The glyphs read since TXRB opened the font file.
    txr::FreshOnCopy<txr::GlyphMemo> glyphMemo;
};
