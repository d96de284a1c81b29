// Font family 0: reads font file A ("A.bin" at 203 dpi, "A300.bin" at 300 dpi), fetches one glyph
// at a time, turns it into a one-bit bitmap, paints it magnified and draws its dot preview.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "txr/owned.h"
#include "txr/platform/afx.h"
#include "txr/platform/afxgdi.h"
#include "txr/platform/windef.h"

// How the engine treats damaged or hostile font files and odd calls (nothing is ever reported; a
// fetch that finds nothing leaves the previous glyph in place, which the facade paints blank):
// - Font file missing, or `resolution` neither 203 nor 300 (no file is opened): the directory
//   and the block header read as zeros, so the cell metrics are 0 and no glyph is fetched.
// - File shorter than its directory or tables: block-header bytes that are not delivered read
//   as 0; a code-table entry or glyph header that cannot be read whole means the code has no
//   glyph; glyph rows cut short keep what was delivered and the rest of the rows is paper (0).
// - Offsets are summed in 64 bits (a hostile table entry cannot wrap round to another glyph); a
//   position the C library cannot seek to reads nothing, like a position past the end.
// - A glyph wider than 80 dots, or whose rows x rowBytes exceed the 1024-byte glyphBuffer, is
//   treated as a code without glyph: every buffer keeps what it held.
// - fontType 36 or above (left by a refused SetFonttype): no directory is read, the block header
//   reads as zeros and nothing is fetched. fontType 35 reads 36 blocks.
// - showimg reads at most 1024 bytes; it does nothing without an open file.
// - BuildBMP pads dibBits rows with 0xFF (paper). For a glyph whose rows do not fit in
//   glyphBuffer (reachable only by writing the fields by hand) it builds nothing and drops the
//   old pixels. DrawOneword paints nothing when the glyph is larger than the bitmap BuildBMP
//   last described, when dibBits does not hold that whole bitmap, or when a scaled position or
//   size does not fit in an int.
// - A dot preview called for another row class reads only its copy of rows x rowBits/8 bytes
//   (at most 1024); bytes it would read beyond the copy give no dots.
// - TXRA with fetchCount 0 closes a stream still left in fontFile before it opens the file.
// - Within one opening of the font file (until the next fetch with fetchCount 0) the code table
//   and each glyph record are read from the file once and then served from memory. A host that
//   closes fontFile itself must also set fetchCount to 0 so that the next fetch opens the file anew
//   (as the facade does).
// - Copies: a copy owns its own buffers and has no open file (fontFile nullptr, fetchCount 0);
//   assignment closes this object's open file first.
// - With fontCache set (CTXR::UseCache), the font file is read through that cache: fontFile stays
//   null while the engine reads the cached bytes, and every result is the same as without it.
namespace txr {
class FontCache;
class GlyphMemo;
}  // namespace txr

class TXR_API CGeneraterA {
  public:
    // One entry of the directory of font blocks read when the font file is opened.
    struct BlockEntry {
        unsigned long blockSize = 0;
        std::uint64_t blockStart = 0;  // 64 bits: a sum of hostile block sizes never wraps
        unsigned long tableOffset = 0;
        unsigned char firstCode = 0;
        unsigned char lastCode = 0;
    };
    static constexpr int kBlockTableSize = 36;
    static constexpr int kGlyphBufferSize = 1024;

    CGeneraterA();
    // A copy owns its own buffers and has no open font file (its next fetch opens one).
    CGeneraterA(const CGeneraterA& other);
    CGeneraterA& operator=(const CGeneraterA& other);
    virtual ~CGeneraterA();

    int SetFonttype(int fontNumber);
    void SetCharCode(int code);
    int SetScaleH(int scale);
    int SetScaleV(int scale);
    void TXRA();
    void showimg(unsigned long filePosition, unsigned short bytesPerRow, unsigned short rowCount);
    void ClearBuffer();
    void ClearFontHead();

    void BuildBMP();
    int GetCellW() const;
    int GetCellH() const;
    int GetBaseLine() const;
    int GetDelta() const;
    int GetLoffSet() const;
    void DrawOneword(CDC* dc, int x, int y);

    void Draw16Bit(CDC* dc);
    void Draw32Bit(CDC* dc);
    void Draw48Bit(CDC* dc);
    void Draw64Bit(CDC* dc);
    void Draw128Bit(CDC* dc);

    int rowBits = 0;
    int glyphFont = 0;
    int fetchCount = 0;
    int scaleH = 1;
    int scaleV = 1;
    int invert = 0;
    int resolution = 203;
    unsigned char glyphBuffer[kGlyphBufferSize] = {};
    std::vector<unsigned char> dibBits;
    std::vector<unsigned char> flippedRows;
    BlockEntry blockTable[kBlockTableSize] = {};
    unsigned char glyphHeaderBuffer[8] = {};
    unsigned char blockHeaderBuffer[60] = {};
    unsigned char fontType = 0;
    unsigned char charCode = 0;
    txr::MonoBitmapInfo bitmapInfo = {};
    txr::FontFileHandle fontFile;
    CString fontPath;
    unsigned short rowBytes = 0;
    std::uint64_t filePos = 0;

    // Not owned; null reads the font file itself on every opening, as by default.
    txr::FontCache* fontCache = nullptr;
    // Closes the font file (or lets go of the cached bytes) so that the next fetch opens it anew.
    void releaseFontFile();

  private:
    void Searchaddr();
    void Getcode();

    // The code table and glyph records read since the font file was opened.
    txr::FreshOnCopy<txr::GlyphMemo> glyphMemo;
};
