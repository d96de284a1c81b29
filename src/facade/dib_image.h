// CDibImage: loads a BMP file into memory and paints it 1:1 onto a device context.
//
// Load refuses (returns 0 and keeps the image held before) a file that cannot be opened, does not
// begin with "BM", is shorter than its 14-byte file header plus a 40-byte info header, announces
// an info header other than 40 bytes, a compression, a bit count other than 1, 4, 8, 16, 24 or
// 32, a zero or negative width, a zero height, or is too short for the colour table and rows it
// describes, or is larger than kMaxDibFileBytes. So Draw never reads outside the image it holds.
#pragma once

#include <cstddef>
#include <memory>

#include "txr/platform/afxgdi.h"

class CDibImage {
  public:
    static constexpr std::size_t kMaxDibFileBytes = std::size_t{256} << 20;

    CDibImage() = default;
    CDibImage(const CDibImage& other);
    CDibImage& operator=(const CDibImage& other);
    ~CDibImage() = default;

    int Load(const char* path);
    // Load of a whole BMP file held in memory, with the same checks.
    int LoadFileBytes(const unsigned char* file, std::size_t size);
    int Draw(CDC* pDC, int x, int y, int cx, int cy);

    std::unique_ptr<unsigned char[]> imageData;
    BITMAPINFO* imageInfo = nullptr;
    unsigned char* imageBits = nullptr;
    int colorCount = 0;

  private:
    // Takes the block after the file header when it describes what it holds; 0 (the image held
    // before kept) when it does not.
    int adopt(std::unique_ptr<unsigned char[]> block, std::size_t blockSize);

    std::size_t imageSize_ = 0;
};
