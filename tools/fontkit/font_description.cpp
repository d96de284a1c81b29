// What a font file holds, block by block: fontFileInfo, describeFontFile and specimen blocks.
#include <sstream>

#include "fontkit/font_layout.h"

namespace txr::fontkit {

namespace {

// What fontFileInfo tells of every block of file A or Z.
template <typename Block>
BlockInfo blockInfo(int number, const Block& block) {
    BlockInfo info;
    info.number = number;
    info.cellWidth = block.cellWidth;
    info.cellHeight = block.cellHeight;
    info.baseline = block.baseLine;
    info.glyphCount = static_cast<int>(block.glyphs.size());
    return info;
}

}  // namespace

std::vector<BlockInfo> fontFileInfo(FontFileKind kind, const std::vector<std::uint8_t>& bytes) {
    std::vector<BlockInfo> info;
    if (isFamilyOne(kind)) {
        for (const BdfFont& font : dumpFontFile(kind, bytes)) {
            BlockInfo block;
            block.number = static_cast<int>(font.intProperty("TXR_BLOCK", 0, 4).value_or(0));
            block.cellWidth =
                static_cast<int>(font.intProperty("TXR_CELL_WIDTH", 0, 255).value_or(0));
            block.cellHeight =
                static_cast<int>(font.intProperty("TXR_CELL_HEIGHT", 0, 255).value_or(0));
            block.lastCode =
                static_cast<int>(font.intProperty("TXR_GLYPH_PLACES", 1, 65535).value_or(1)) - 1;
            block.glyphCount = static_cast<int>(font.glyphs.size());
            info.push_back(block);
        }
        return info;
    }
    if (kind == FontFileKind::Z) {
        const std::vector<FontBlockZ> blocks = readZ(bytes);
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            BlockInfo block = blockInfo(static_cast<int>(i), blocks[i]);
            block.lastCode = 255;
            block.proportional = true;
            info.push_back(block);
        }
        return info;
    }
    const std::vector<FontBlockA> blocks = readA(bytes, kind);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        BlockInfo block = blockInfo(static_cast<int>(i), blocks[i]);
        block.firstCode = blocks[i].firstCode;
        block.lastCode = blocks[i].lastCode;
        block.proportional = isProportionalBlockA(block.number);
        info.push_back(block);
    }
    return info;
}

std::string describeFontFile(FontFileKind kind, const std::vector<std::uint8_t>& bytes) {
    const std::vector<BlockInfo> blocks = fontFileInfo(kind, bytes);
    std::ostringstream out;
    out << fontFileName(kind) << ": " << bytes.size() << " bytes, " << blocks.size() << " blocks\n";
    for (const BlockInfo& block : blocks) {
        out << "block " << block.number << ": cell " << block.cellWidth << " x "
            << block.cellHeight;
        if (isFamilyOne(kind)) {
            out << ", glyph numbers 0-" << block.lastCode << ", " << block.glyphCount
                << " with ink\n";
            continue;
        }
        out << ", baseline " << block.baseline << ", "
            << (block.proportional ? "proportional" : "fixed") << ", codes " << block.firstCode
            << "-" << block.lastCode << ", " << block.glyphCount << " glyphs\n";
    }
    return out.str();
}

SpecimenBlock specimenOfBlock(FontFileKind kind, const std::vector<std::uint8_t>& bytes,
                              int block) {
    const std::vector<BdfFont> fonts = dumpFontFile(kind, bytes);
    if (block < 0 || block >= static_cast<int>(fonts.size())) {
        throw FontKitError(fontFileName(kind) + " has no block " + std::to_string(block) +
                           " (it has " + std::to_string(fonts.size()) + ")");
    }
    const BdfFont& font = fonts[static_cast<std::size_t>(block)];
    SpecimenBlock specimen;
    specimen.cellWidth = static_cast<int>(font.intProperty("TXR_CELL_WIDTH", 0, 65535).value_or(0));
    specimen.cellHeight =
        static_cast<int>(font.intProperty("TXR_CELL_HEIGHT", 0, 65535).value_or(0));
    specimen.baseline = static_cast<int>(font.intProperty("FONT_ASCENT", 0, 65535).value_or(0));
    for (const BdfGlyph& glyph : font.glyphs) {
        specimen.glyphs.push_back(
            {glyph.code, glyph.picture(), glyph.leftOffset, glyph.ascent, glyph.advance});
    }
    return specimen;
}

}  // namespace txr::fontkit
