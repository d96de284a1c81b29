// Font family 0: reads font file A ("A.bin" at 203 dpi, "A300.bin" at 300 dpi), fetches one glyph
// at a time, turns it into a one-bit bitmap, paints it magnified and draws its dot preview.
#pragma once

#include <cstdio>
#include <vector>

#include "txr/platform/afx.h"
#include "txr/platform/afxgdi.h"
#include "txr/platform/windef.h"

class TXR_API CGeneraterA {
  public:
    // One entry of the directory of font blocks read when the font file is opened.
    struct BlockEntry {
        unsigned long blockSize = 0;
        unsigned long blockStart = 0;
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
    int GetCellW();
    int GetCellH();
    int GetBaseLine();
    int GetDelta();
    int GetLoffSet();
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
    std::FILE* fontFile = nullptr;
    CString fontPath;
    unsigned short rowBytes = 0;
    unsigned long filePos = 0;

  private:
    void Searchaddr();
    void Getcode();
};
