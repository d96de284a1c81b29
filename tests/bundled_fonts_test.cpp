// The bundled font set as the printer draws it: all stored ink shown, bold roles their own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "facade/string_render.h"
#include "fontkit/file_io.h"
#include "fontkit/font_file_a.h"
#include "fontkit/font_file_z.h"
#include "txr/TXR.h"

namespace txr {
namespace {

const std::string kFonts = TXR_SOURCE_DIR "/fonts/";

int inkOf(const fontkit::GlyphPicture& picture) {
    int ink = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) ink += picture.ink(x, y) ? 1 : 0;
    }
    return ink;
}

// The library's picture: a clear bit is a black dot, what the printer prints.
int inkOf(const BmpRowsImage& image) {
    int ink = 0;
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* row = image.rows.data() + static_cast<std::size_t>(y) * image.stride();
        for (int x = 0; x < image.width; ++x) ink += (row[x / 8] & (0x80 >> (x % 8))) == 0 ? 1 : 0;
    }
    return ink;
}

// The stored ink of each code of each block: blocks[block][code], -1 for no glyph.
template <class Block>
std::vector<std::vector<int>> storedInk(const std::vector<Block>& blocks) {
    std::vector<std::vector<int>> ink;
    for (const Block& block : blocks) {
        ink.emplace_back(256, -1);
        for (const auto& glyph : block.glyphs) {
            ink.back()[static_cast<std::size_t>(glyph.code)] = inkOf(glyph.picture);
        }
    }
    return ink;
}

TEST(BundledFonts, EveryGlyphDrawnAloneShowsAllItsInk) {
    struct File {
        int family, dpi;
        std::string name;
    };
    for (const File& file :
         {File{0, 203, "A.bin"}, File{0, 300, "A300.bin"}, File{2, 203, "Z.bin"}}) {
        const auto bytes = fontkit::readFileBytes(kFonts + file.name, 1u << 24);
        const auto ink = file.family == 0 ? storedInk(fontkit::readFontFileA(bytes))
                                          : storedInk(*fontkit::readFontFileZ(bytes));
        std::string clipped;
        int checked = 0;
        for (int font = 0; font < 40; ++font) {
            CTXR ctxr;
            ctxr.SetPath(CString(kFonts));
            if (ctxr.SetFont(file.family, font, 1, 1, 0, file.dpi) != 0) continue;
            const int block = file.family == 0 ? ctxr.engineA->fontType : ctxr.engineZ->fontType;
            ASSERT_LT(static_cast<std::size_t>(block), ink.size()) << file.name << " font " << font;
            for (int code = 0; code < 256; ++code) {
                const int stored =
                    ink[static_cast<std::size_t>(block)][static_cast<std::size_t>(code)];
                if (stored <= 0) continue;
                const char text[1] = {static_cast<char>(code)};
                BmpRowsImage image;
                ASSERT_TRUE(renderStringImage(ctxr, CString(text, 1), image));
                const int shown = inkOf(image);
                ++checked;
                if (shown != stored) {
                    clipped += " font " + std::to_string(font) + " code " + std::to_string(code) +
                               " (" + std::to_string(shown) + " of " + std::to_string(stored) + ")";
                }
            }
        }
        EXPECT_GT(checked, 1000) << file.name;
        EXPECT_EQ(clipped, "") << file.name << ": glyphs drawn without some of their ink";
    }
}

// Family 0's fonts 17 to 23 are the bold faces of the fixed cells of fonts 0 to 6.
TEST(BundledFonts, BoldRolesAreNotTheRegularFonts) {
    const auto blocks = fontkit::readFontFileA(fontkit::readFileBytes(kFonts + "A.bin", 1u << 24));
    ASSERT_EQ(blocks.size(), 25u);
    for (std::size_t regular = 0; regular <= 6; ++regular) {
        const auto& bold = blocks[regular + 17];
        int same = 0, boldInk = 0, regularInk = 0;
        for (std::size_t i = 0; i < bold.glyphs.size() && i < blocks[regular].glyphs.size(); ++i) {
            same += bold.glyphs[i].picture.rows == blocks[regular].glyphs[i].picture.rows ? 1 : 0;
            boldInk += inkOf(bold.glyphs[i].picture);
            regularInk += inkOf(blocks[regular].glyphs[i].picture);
        }
        EXPECT_LT(same, static_cast<int>(bold.glyphs.size()) / 2)
            << "font " << regular + 17 << " repeats font " << regular;
        EXPECT_GT(boldInk, regularInk)
            << "font " << regular + 17 << " is not heavier than font " << regular;
    }
}

}  // namespace
}  // namespace txr
