// CTXR calls as a host makes them, for end-to-end tests.
#include "support/ctxr_calls.h"

#include <cstdio>

#include "support/raster_ascii.h"

namespace txr::test {

std::string drawnBy(CTXR& txr, const CString& text, int width, int height, int x, int y) {
    Canvas canvas(width, height, RGB(0, 255, 0));
    txr.FontOut(canvas.dc(), x, y, text);
    return printedOf(canvas);
}

BmpPicture exportedBy(CTXR& txr, const CString& text, const std::string& path) {
    std::remove(path.c_str());
    txr.GetBmpFile(path.c_str(), text);
    return fileExists(path) ? readOneBitBmp(path) : BmpPicture{};
}

std::string imagedBy(CTXR& txr, const CString& text) {
    const StringImage image = txr.GetStringImage(text);
    std::string ascii;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) ascii += image.ink(x, y) ? '#' : '.';
        ascii += '\n';
    }
    return ascii;
}

std::string leftBehind(const CTXR& txr) {
    std::string left;
    if (txr.engineA->fontFile != nullptr) left += "A.bin open; ";
    if (txr.engineA->fetchCount != 0) left += "engine A's fetch count; ";
    if (txr.engineB->fontFile != nullptr) left += "B.bin open; ";
    if (txr.engineZ->fontFile != nullptr) left += "Z.bin open; ";
    if (txr.engineZ->fetchCount != 0) left += "engine Z's fetch count; ";
    if (fileExists("../string.bmp")) left += "../string.bmp; ";
    return left;
}

std::vector<FontSelection> everyBundledFont() {
    std::vector<FontSelection> fonts;
    for (int font = 0; font <= 24; ++font) {
        if (font != 16) fonts.push_back({0, font, 203});
    }
    for (int font = 0; font <= 15; ++font) fonts.push_back({0, font, 300});
    for (int font = 0; font <= 4; ++font) {
        fonts.push_back({1, font, 203});
        fonts.push_back({1, font, 300});
    }
    for (int font = 0; font <= 8; ++font) fonts.push_back({2, font, 203});
    return fonts;
}

std::string callOutcome(CTXR& txr, const std::string& path, const CString& text) {
    std::remove(path.c_str());
    const CSize size = txr.GetStringSize(text);
    txr.GetBmpFile(path.c_str(), text);
    std::string outcome = std::to_string(size.cx) + "x" + std::to_string(size.cy) + ":";
    if (fileExists(path)) {
        const std::vector<std::uint8_t> bytes = readFileBytes(path);
        outcome.append(bytes.begin(), bytes.end());
    }
    return outcome;
}

}  // namespace txr::test
