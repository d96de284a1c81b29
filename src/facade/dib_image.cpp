// CDibImage: BMP file loading with every size checked against the file, and 1:1 painting.
#include "facade/dib_image.h"

#include <cstdint>
#include <cstring>

#include "common/one_bit_rows.h"

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;

// Colour-table entries between the info header and the rows, as the painter counts them.
int colourEntries(const BITMAPINFOHEADER& header) {
    if (header.biBitCount > 8) return 0;
    if (header.biClrUsed != 0) return static_cast<int>(header.biClrUsed);
    return 1 << header.biBitCount;
}

bool describesWhatItHolds(const BITMAPINFOHEADER& header, std::size_t blockSize) {
    const WORD bits = header.biBitCount;
    const bool knownDepth =
        bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (header.biSize != kInfoHeaderSize || header.biCompression != BI_RGB || !knownDepth) {
        return false;
    }
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN) return false;
    if (header.biClrUsed > 256) return false;
    const std::size_t table = 4 * static_cast<std::size_t>(colourEntries(header));
    const std::uint64_t rowBytes =
        (static_cast<std::uint64_t>(header.biWidth) * bits + 31) / 32 * 4;
    const std::uint64_t rows = static_cast<std::uint64_t>(
        header.biHeight < 0 ? -static_cast<std::int64_t>(header.biHeight) : header.biHeight);
    const std::uint64_t available = blockSize - kInfoHeaderSize;
    if (table > available) return false;
    return rows <= (available - table) / rowBytes;
}

}  // namespace

CDibImage::CDibImage(const CDibImage& other) {
    *this = other;
}

CDibImage& CDibImage::operator=(const CDibImage& other) {
    if (this == &other) return *this;
    imageData.reset();
    imageInfo = nullptr;
    imageBits = nullptr;
    colorCount = other.colorCount;
    imageSize_ = other.imageSize_;
    if (other.imageData) {
        imageData = std::make_unique<unsigned char[]>(imageSize_);
        std::memcpy(imageData.get(), other.imageData.get(), imageSize_);
        imageInfo = reinterpret_cast<BITMAPINFO*>(imageData.get());
        imageBits = imageData.get() + (other.imageBits - other.imageData.get());
    }
    return *this;
}

int CDibImage::Load(const char* path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead)) return 0;
    try {
        const ULONGLONG length = file.GetLength();
        if (length < kFileHeaderSize + kInfoHeaderSize || length > kMaxDibFileBytes) return 0;
        const auto blockSize = static_cast<std::size_t>(length - kFileHeaderSize);

        unsigned char fileHeader[kFileHeaderSize];
        if (file.Read(fileHeader, sizeof fileHeader) != sizeof fileHeader) return 0;
        if (txr::getLE16(fileHeader) != 0x4D42) return 0;

        auto block = std::make_unique<unsigned char[]>(blockSize);
        if (file.Read(block.get(), static_cast<UINT>(blockSize)) != blockSize) return 0;

        return adopt(std::move(block), blockSize);
    } catch (CFileException* error) {
        error->Delete();
        return 0;
    }
    return 0;
}

int CDibImage::LoadFileBytes(const unsigned char* file, std::size_t size) {
    if (size < kFileHeaderSize + kInfoHeaderSize || size > kMaxDibFileBytes) return 0;
    if (txr::getLE16(file) != 0x4D42) return 0;
    const std::size_t blockSize = size - kFileHeaderSize;
    auto block = std::make_unique<unsigned char[]>(blockSize);
    std::memcpy(block.get(), file + kFileHeaderSize, blockSize);
    return adopt(std::move(block), blockSize);
}

int CDibImage::adopt(std::unique_ptr<unsigned char[]> block, std::size_t blockSize) {
    BITMAPINFOHEADER header;
    std::memcpy(&header, block.get(), sizeof header);
    if (!describesWhatItHolds(header, blockSize)) return 0;
    imageData = std::move(block);
    imageSize_ = blockSize;
    imageInfo = reinterpret_cast<BITMAPINFO*>(imageData.get());
    colorCount = colourEntries(header);
    imageBits = imageData.get() + kInfoHeaderSize + 4 * static_cast<std::size_t>(colorCount);
    return 1;
}

int CDibImage::Draw(CDC* pDC, int x, int y, int cx, int cy) {
    if (!imageData || pDC == nullptr) return 0;
    BITMAPINFOHEADER header;
    std::memcpy(&header, imageData.get(), sizeof header);
    if (cx == -1) cx = header.biWidth;
    if (cy == -1) cy = header.biHeight;
    pDC->SetStretchBltMode(COLORONCOLOR);
    StretchDIBits(pDC->m_hDC, x, y, cx, cy, 0, 0, cx, cy, imageBits, imageInfo, DIB_RGB_COLORS,
                  SRCCOPY);
    return 1;
}
