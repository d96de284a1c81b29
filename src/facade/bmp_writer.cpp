// Reads the string bitmap's dots, turns them by quarter turns and writes one-bit BMP files.
#include "facade/bmp_writer.h"

#include <cstdio>
#include <cstring>

#include "common/one_bit_rows.h"

namespace txr {

std::size_t OneBitImage::stride() const {
    return dibStride(width);
}

OneBitImage readBitmapDots(CBitmap* bitmap, CDC* dc) {
    OneBitImage image;
    BITMAP info{};
    if (GetObjectA(bitmap->m_hObject, sizeof info, &info) == 0) return image;
    if (info.bmWidth <= 0 || info.bmHeight <= 0) return image;
    image.width = info.bmWidth;
    image.height = info.bmHeight;
    image.rows.assign(image.stride() * static_cast<std::size_t>(image.height), 0);

    MonoBitmapInfo header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = image.width;
    header.bmiHeader.biHeight = image.height;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 1;
    header.bmiHeader.biCompression = BI_RGB;
    header.bmiHeader.biSizeImage = static_cast<DWORD>(image.rows.size());
    GetDIBits(dc->m_hDC, static_cast<HBITMAP>(bitmap->m_hObject), 0,
              static_cast<UINT>(image.height), image.rows.data(), header.get(), DIB_RGB_COLORS);
    return image;
}

namespace {

// One quarter turn clockwise: the dot at (X, Y), Y downwards, goes to (H - 1 - Y, X). In stored
// (bottom-up) terms, dot c of source row r lands in stored row W - 1 - c at column r.
OneBitImage turnOnce(const OneBitImage& source) {
    OneBitImage turned;
    turned.width = source.height;
    turned.height = source.width;
    const std::size_t turnedStride = turned.stride();
    turned.rows.assign(turnedStride * static_cast<std::size_t>(turned.height), 0);
    const std::size_t sourceStride = source.stride();
    for (int r = 0; r < source.height; ++r) {
        const std::uint8_t* row = source.rows.data() + static_cast<std::size_t>(r) * sourceStride;
        const auto bit = static_cast<std::uint8_t>(0x80u >> (r % 8));
        const auto column = static_cast<std::size_t>(r / 8);
        for (int c = 0; c < source.width; ++c) {
            if (!(row[c / 8] & (0x80u >> (c % 8)))) continue;
            const auto target = static_cast<std::size_t>(source.width - 1 - c) * turnedStride;
            turned.rows[target + column] |= bit;
        }
    }
    return turned;
}

}  // namespace

OneBitImage turnClockwise(const OneBitImage& image, int quarterTurns) {
    OneBitImage current = image;
    for (int pass = 0; pass < (quarterTurns & 3); ++pass) current = turnOnce(current);
    return current;
}

std::vector<std::uint8_t> bmpFileBytes(const OneBitImage& image, const RGBQUAD* colourTable) {
    std::vector<std::uint8_t> bytes(kOneBitBmpHeaderSize + image.rows.size());
    writeOneBitBmpHeader(bytes.data(), image.width, image.height);
    if (colourTable != nullptr) std::memcpy(bytes.data() + 54, colourTable, 2 * sizeof(RGBQUAD));
    if (!image.rows.empty()) {
        std::memcpy(bytes.data() + kOneBitBmpHeaderSize, image.rows.data(), image.rows.size());
    }
    return bytes;
}

void writeWholeFile(const char* path, const std::vector<std::uint8_t>& bytes) {
    CFile file(path, CFile::modeCreate | CFile::modeWrite);
    try {
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
        file.Close();
    } catch (CFileException*) {
        file.Abort();
        std::remove(path);
        throw;
    }
}

}  // namespace txr
