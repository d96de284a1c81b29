// The BDF dump of the bundled files A and Z read back by FreeType: every glyph found by its
// character, with the dots, offsets and advance the font file stores, and the names readers
// show.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fontkit/file_io.h"
#include "fontkit/font_builder.h"
#include "fontkit/font_file_a.h"
#include "fontkit/font_file_z.h"
#include "txr/encoding.h"

namespace txr::fontkit {
namespace {

const std::string kFonts = TXR_SOURCE_DIR "/fonts/";

// Every glyph of `block` looked up in the BDF `path` by FreeType, by the character its byte
// stands for; "" when each is found and drawn as stored, else what differed.
template <class Glyph>
std::string differences(FT_Library library, const std::string& path,
                        const std::vector<Glyph>& glyphs, CharacterMap map) {
    FT_Face face = nullptr;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) return "FreeType cannot open it";
    std::string found;
    if (face->charmap == nullptr || face->charmap->encoding != FT_ENCODING_UNICODE) {
        found += " no Unicode character map selected;";
    }
    for (const Glyph& glyph : glyphs) {
        const char32_t character = characterOf(map, static_cast<std::uint8_t>(glyph.code));
        const FT_UInt index = FT_Get_Char_Index(face, character);
        const std::string what = " " + unicodeName(character);
        if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0) {
            found += what + " not found;";
            continue;
        }
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        if (slot->advance.x / 64 != glyph.advance) found += what + " advance;";
        if (bitmap.rows > 0 &&
            (slot->bitmap_left != glyph.leftOffset || slot->bitmap_top != glyph.ascent)) {
            found += what + " offsets;";
        }
        // Every stored dot lies within the box FreeType reports, so comparing the box suffices.
        if (static_cast<int>(bitmap.width) < glyph.picture.width() ||
            static_cast<int>(bitmap.rows) < glyph.picture.height()) {
            found += what + " box;";
        }
        for (unsigned y = 0; y < bitmap.rows; ++y) {
            for (unsigned x = 0; x < bitmap.width; ++x) {
                const bool ink = (bitmap.buffer[y * static_cast<unsigned>(bitmap.pitch) + x / 8] >>
                                  (7 - x % 8)) &
                                 1;
                if (ink != glyph.picture.ink(static_cast<int>(x), static_cast<int>(y))) {
                    found += what + " dots;";
                    y = bitmap.rows;
                    break;
                }
            }
        }
    }
    FT_Done_Face(face);
    return found;
}

TEST(BdfDump, FreeTypeFindsEveryGlyphByCharacter) {
    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    const Manifest manifest = readManifestFile(kFonts + "manifest.txt");
    for (const FontFileKind kind : {FontFileKind::A, FontFileKind::Z}) {
        const auto bytes = readFileBytes(kFonts + fontFileName(kind), 1u << 24);
        const std::vector<BdfFont> fonts = dumpFontFile(kind, bytes, &manifest);
        for (std::size_t block = 0; block < fonts.size(); ++block) {
            const std::string path = "block.bdf";
            writeBdfFile(path, fonts[block]);
            const CharacterMap map = manifest.codePage(kind, static_cast<int>(block));
            const std::string where = fontFileName(kind) + " block " + std::to_string(block);
            const std::string found =
                kind == FontFileKind::A
                    ? differences(library, path, readFontFileA(bytes)[block].glyphs, map)
                    : differences(library, path, (*readFontFileZ(bytes))[block].glyphs, map);
            EXPECT_EQ(found, "") << where;
            EXPECT_EQ(fonts[block].property("FAMILY_NAME")->value, where);
            EXPECT_EQ(fonts[block].property("WEIGHT_NAME")->value,
                      kind == FontFileKind::A && block >= 17 ? "Bold" : "Medium");
        }
    }
    FT_Done_FreeType(library);
}

}  // namespace
}  // namespace txr::fontkit
