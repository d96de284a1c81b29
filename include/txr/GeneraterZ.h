// Font family 2: proportional fonts read from "Z.bin" (one file for both resolutions), fetched one
// glyph at a time with its own width, height, offsets and advance, painted magnified, and drawn as
// a dot preview.
#pragma once

#include <cstdio>
#include <vector>

#include "txr/platform/afx.h"
#include "txr/platform/afxgdi.h"
#include "txr/platform/windef.h"

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
    int GetCellW();
    int GetCellH();
    int GetBase();
    int GetCharW();
    int GetCharH();
    int GetCharLoff();
    int GetCharToff();
    int GetCharDelta();
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
    std::FILE* fontFile = nullptr;
    unsigned short charW = 0;
    unsigned short charH = 0;
    txr::MonoBitmapInfo bitmapInfo = {};
    unsigned long filePos = 0;

  private:
    void Searchaddr();
    void GetCode();
    void showimg(unsigned long filePosition, unsigned short bytesPerRow, unsigned short rowCount);
};
