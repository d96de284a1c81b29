// The ten records of the font-family-1 catalogue, one row per record.
#include "txr/family_one_catalogue.h"

#include <array>

namespace txr::engine_b {
namespace {

constexpr std::array<CatalogueRecord, 2 * kFontCount> kCatalogue = {{
    // res font offset   W   H  rowB glyphs  extra1..extra7
    {203, 0, 0, 10, 12, 2, 164, 0, 1, 8, 159, 0, 0, 0x30},
    {203, 1, 3936, 12, 16, 2, 164, 0, 1, 10, 159, 0, 0, 0x30},
    {203, 2, 9184, 14, 20, 2, 164, 0, 1, 12, 159, 0, 0, 0x30},
    {203, 3, 15744, 16, 24, 2, 164, 0, 1, 14, 159, 0, 0, 0x30},
    {203, 4, 23616, 36, 48, 4, 156, 0, 4, 32, 133, 1, 0, 0x30},
    {300, 0, 0, 12, 20, 2, 159, 0, 1, 12, 159, 0, 0, 0x30},
    {300, 1, 6360, 16, 28, 2, 159, 0, 2, 16, 159, 0, 0, 0x30},
    {300, 2, 15264, 20, 36, 4, 159, 0, 3, 20, 159, 0, 0, 0x30},
    {300, 3, 38160, 24, 44, 4, 159, 0, 3, 24, 159, 0, 0, 0x30},
    {300, 4, 66144, 48, 80, 6, 156, 0, 8, 48, 133, 1, 0, 0x30},
}};

// The blocks lie back to back from offset 0, in font order.
constexpr bool blocksAreBackToBack() {
    for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
        const CatalogueRecord& r = kCatalogue[i];
        if (r.fontType == 0 && r.fontOffset != 0) return false;
        if (r.fontType > 0) {
            const CatalogueRecord& prev = kCatalogue[i - 1];
            if (r.fontOffset != prev.fontOffset + prev.blockSize()) return false;
        }
    }
    return true;
}
static_assert(blocksAreBackToBack(), "font blocks must follow each other without gaps");

}  // namespace

const CatalogueRecord* catalogueRecord(int resolution, int fontType) {
    if (fontType < 0 || fontType >= kFontCount) return nullptr;
    for (const CatalogueRecord& record : kCatalogue) {
        if (record.resolution == resolution && record.fontType == fontType) return &record;
    }
    return nullptr;
}

std::uint32_t fontFileSize(int resolution) {
    const CatalogueRecord* last = catalogueRecord(resolution, kFontCount - 1);
    return last == nullptr ? 0 : last->fontOffset + last->blockSize();
}

}  // namespace txr::engine_b
