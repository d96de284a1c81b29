// Font family 2: proportional fonts read from "Z.bin" (one file for both resolutions), fetched one
// glyph at a time with its own width, height, offsets and advance, painted magnified, and drawn as
// a dot preview.
#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include "txr/owned.h"
#include "txr/platform/afx.h"
#include "txr/platform/afxgdi.h"
#include "txr/platform/windef.h"

// How the engine behaves where the font file or the caller is out of the ordinary. A fetch never
// reports anything; "no glyph" below means what a code with a zero table entry means: the glyph
// header, charW, charH, rowBytes and glyphBuffer keep what they held and rowBits is recomputed
// from the kept header.
// - No Z.bin under fontPath: the block head and directory read as zeros (cell width, height and
//   baseline 0) and every code has no glyph. fetchCount still counts, so the file is looked for
//   again only after a reset (fetchCount 0) or a SetFonttype.
// - A file shorter than its directory and tables: block-head bytes it does not deliver read as 0;
//   a code-table entry or glyph header that cannot be read whole means no glyph; glyph rows cut
//   short are paper (0) where the file ends.
// - File offsets are summed in 64 bits. An offset fseek cannot take (beyond LONG_MAX) is a failed
//   seek and reads nothing; where unsigned long is 32 bits, a block start beyond it is kept as
//   ULONG_MAX in blockTable and filePos, which no seek reaches.
// - A glyph wider than 48 dots (its rows cannot be held in 6 bytes) or whose rows * rowBytes
//   exceed the 512-byte glyphBuffer: no glyph.
// - charCode below 0 or above 255: nothing is read (filePos is left at the block's code table).
// - SetFonttype with an accepted number closes an open font file and sets fetchCount to 0, so
//   the next TXRZ reads the directory again and fetches from the newly selected block. A refused
//   number changes nothing.
// - TXRZ with fetchCount 0 closes a fontFile still open before opening the file again.
// - Within one opening of the font file (until the next fetch with fetchCount 0) the code table
//   and each glyph record are read from the file once and then served from memory. A host that
//   closes fontFile itself must also set fetchCount to 0 so that the next fetch opens the file anew
//   (as the facade does).
// - Before the first glyph is found the glyph header is all zeros: an empty glyph, no advance.
// - fontType written directly outside 0..34 (what the 36-entry blockTable can describe): the
//   block head reads as zeros and no code has a glyph.
// - BuildBMP pads each dibBits row with 0xFF (paper). It builds nothing (dibBits empty) when
//   rowBytes is outside 1..6 or wider than the rowBits row, which happens only when a caller has
//   written those fields; rows beyond glyphBuffer are paper.
// - DrawOneword paints nothing without a built bitmap, with a null CDC, when charW x charH no
//   longer fits the bitmap last built, or when a scaled position or size leaves the int range.
// - The Draw..Bit previews copy rows * rowBits / 8 bytes of glyphBuffer, at most 512; a member
//   called for another row length reads within that copy only and draws what it finds there.
// - A copy owns its own buffers and starts closed (fontFile null, fetchCount 0); assignment
//   first closes this object's open file.
// - With fontCache set (CTXR::UseCache), the font file is read through that cache: fontFile stays
//   null while the engine reads the cached bytes, and every result is the same as without it.
namespace txr {
class FontCache;
class GlyphMemo;
}  // namespace txr

class TXR_API CGeneraterZ {
  public:
    struct BlockEntry {
        unsigned long blockSize = 0;
        unsigned long blockStart = 0;
        unsigned long tableOffset = 0;
    };
    static constexpr int kBlockTableSize = 36;
    static constexpr int kGlyphBufferSize = 512;
    static constexpr int kBlockHeadSize = 1128;

    CGeneraterZ();
    // A copy owns its own buffers and has no open font file (its next fetch opens one).
    CGeneraterZ(const CGeneraterZ& other);
    CGeneraterZ& operator=(const CGeneraterZ& other);
    virtual ~CGeneraterZ();

    int SetFonttype(int fontNumber);
    int SetCharCode(int code);
    int SetScaleH(int scale);
    int SetScaleV(int scale);
    void TXRZ();
    void ClearBuffer();
    void ClearFontHead();

    void BuildBMP();
    int GetCellW() const;
    int GetCellH() const;
    int GetBase() const;
    int GetCharW() const;
    int GetCharH() const;
    int GetCharLoff() const;
    int GetCharToff() const;
    int GetCharDelta() const;
    void DrawOneword(CDC* dc, int x, int y);

    void Draw8Bit(CDC* dc);
    void Draw16Bit(CDC* dc);
    void Draw24Bit(CDC* dc);
    void Draw32Bit(CDC* dc);
    void Draw40Bit(CDC* dc);
    void Draw48Bit(CDC* dc);

    int rowBytes = 0;
    int fontType = 0;
    int charCode = 0;
    int rowBits = 0;
    int fetchCount = 0;
    int scaleH = 1;
    int scaleV = 1;
    int invert = 0;
    unsigned char glyphBuffer[kGlyphBufferSize] = {};
    std::vector<unsigned char> dibBits;
    std::vector<unsigned char> flippedRows;
    unsigned char glyphHeaderBuffer[10] = {};
    unsigned char blockHeaderBuffer[kBlockHeadSize] = {};
    BlockEntry blockTable[kBlockTableSize] = {};
    CString fontPath;
    txr::FontFileHandle fontFile;
    unsigned short charW = 0;
    unsigned short charH = 0;
    txr::MonoBitmapInfo bitmapInfo = {};
    unsigned long filePos = 0;

    // Not owned; null reads the font file itself on every opening, as by default.
    txr::FontCache* fontCache = nullptr;
    // Closes the font file (or lets go of the cached bytes) so that the next fetch opens it anew.
    void releaseFontFile();

  private:
    void Searchaddr();
    void GetCode();

    // The code table and glyph records read since the font file was opened.
    txr::FreshOnCopy<txr::GlyphMemo> glyphMemo;
    void showimg(unsigned long filePosition, unsigned short bytesPerRow, unsigned short rowCount);
};
