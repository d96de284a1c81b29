// Dot positions of the glyph dot previews shared by the three engines.
#include "common/dot_preview.h"

namespace txr {

std::vector<std::pair<int, int>> previewDots(const unsigned char* rows, std::size_t available,
                                             int rowCount, const PreviewLayout& layout) {
    std::vector<std::pair<int, int>> dots;
    if (layout.passes <= 0 || layout.divisor == 0 || rowCount <= 0) return dots;
    const std::size_t stride = static_cast<std::size_t>(layout.passes);
    for (int pass = 0; pass < layout.passes; ++pass) {
        const bool last = layout.lastPassFromRight && pass == layout.passes - 1;
        const long long passX =
            static_cast<long long>(layout.rowBits) * 8 * (pass + 1) / layout.divisor;
        for (int r = 0; r < rowCount; ++r) {
            const std::size_t index =
                static_cast<std::size_t>(r) * stride + static_cast<std::size_t>(pass);
            if (index >= available) break;
            const unsigned char byte = rows[index];
            const int y = layout.firstRowY + 8 * r;
            for (int bit = 0; bit < 8; ++bit) {
                if (!(byte & (1u << bit))) continue;
                const long long x = last ? 8LL * (layout.rowBits - bit + layout.leftOffset) + 6
                                         : passX + 8LL * (layout.leftOffset - bit) + 6;
                dots.emplace_back(static_cast<int>(x), y);
            }
        }
    }
    return dots;
}

}  // namespace txr
