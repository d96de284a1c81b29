// Builds and reads font file B from engine B's catalogue and code tables.
#include "fontkit/font_file_b.h"

#include <map>
#include <utility>

#include "txr/family_one_catalogue.h"
#include "txr/encoding.h"

namespace txr::fontkit {

namespace eb = txr::engine_b;

const char* fontFileBName(int resolution) {
    return resolution == 203 ? "B.bin" : resolution == 300 ? "B300.bin" : nullptr;
}

FontFileBResult buildFontFileB(int resolution, const std::vector<FontFileBGlyph>& glyphs) {
    FontFileBResult result;
    if (fontFileBName(resolution) == nullptr) {
        result.error = "unknown resolution " + std::to_string(resolution);
        return result;
    }
    std::map<std::pair<int, int>, const GlyphPicture*> pictures;
    for (const FontFileBGlyph& glyph : glyphs) {
        const std::string where = "font " + std::to_string(glyph.fontType) + " glyph " +
                                  std::to_string(glyph.glyphNumber);
        const eb::CatalogueRecord* record = eb::catalogueRecord(resolution, glyph.fontType);
        if (record == nullptr) {
            result.error = where + ": no such font";
            return result;
        }
        if (glyph.glyphNumber < 0 || glyph.glyphNumber >= record->glyphCount) {
            result.error = where + ": outside the font's " + std::to_string(record->glyphCount) +
                           " glyph places";
            return result;
        }
        if (glyph.picture.width() > record->rowBytes * 8 ||
            glyph.picture.height() > record->cellHeight) {
            result.error = where + ": picture larger than " + std::to_string(record->rowBytes * 8) +
                           " x " + std::to_string(record->cellHeight);
            return result;
        }
        if (!pictures.emplace(std::make_pair(glyph.fontType, glyph.glyphNumber), &glyph.picture)
                 .second) {
            result.error = where + ": given twice";
            return result;
        }
    }
    ByteWriter writer;
    for (int font = 0; font < eb::kFontCount; ++font) {
        const eb::CatalogueRecord& record = *eb::catalogueRecord(resolution, font);
        for (int number = 0; number < record.glyphCount; ++number) {
            const auto found = pictures.find({font, number});
            if (found == pictures.end()) {
                writer.zeros(record.glyphSize());
                continue;
            }
            std::vector<std::uint8_t> rows = packGlyphRows(*found->second, record.rowBytes);
            rows.resize(record.glyphSize(), 0);  // rows below a short picture are paper
            writer.raw(rows);
        }
    }
    result.bytes = writer.take();
    return result;
}

bool GlyphBitmapB::ink(int x, int y) const {
    if (x < 0 || y < 0 || x >= rowBytes * 8 || y >= cellHeight) return false;
    const std::size_t index = static_cast<std::size_t>(y * rowBytes + x / 8);
    return index < rows.size() && (rows[index] & (0x80 >> (x % 8))) != 0;
}

GlyphPicture GlyphBitmapB::picture() const {
    GlyphPicture out;
    for (int y = 0; y < cellHeight; ++y) {
        std::string row;
        for (int x = 0; x < cellWidth; ++x) row += ink(x, y) ? '#' : '.';
        out.rows.push_back(row);
    }
    return out;
}

std::optional<GlyphBitmapB> readGlyphB(const std::vector<std::uint8_t>& file, int resolution,
                                       int fontType, int glyphNumber) {
    const eb::CatalogueRecord* record = eb::catalogueRecord(resolution, fontType);
    if (record == nullptr || glyphNumber < 0 || glyphNumber >= record->glyphCount) {
        return std::nullopt;
    }
    const std::size_t size = record->glyphSize();
    const std::size_t offset = record->fontOffset + static_cast<std::size_t>(glyphNumber) * size;
    if (offset > file.size() || size > file.size() - offset) return std::nullopt;
    GlyphBitmapB glyph;
    glyph.cellWidth = record->cellWidth;
    glyph.cellHeight = record->cellHeight;
    glyph.rowBytes = record->rowBytes;
    glyph.rows.assign(file.begin() + static_cast<std::ptrdiff_t>(offset),
                      file.begin() + static_cast<std::ptrdiff_t>(offset + size));
    return glyph;
}

std::optional<int> glyphNumberB(int resolution, int fontType, int charSet, int code) {
    return encoding::familyOneGlyph(resolution, fontType, charSet, code);
}

}  // namespace txr::fontkit
