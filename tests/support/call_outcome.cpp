// What a host observes of one text, and the bundled fonts' selections.
#include "support/call_outcome.h"

#include <cstdio>

#include "support/bmp_file.h"

namespace txr::test {

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
