// What the font kit's builder, dumper and describer share about the layouts of files A, B and Z:
// block numbering and baselines, file B's catalogue shapes, and reading and writing whole files
// with errors that name the file.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "fontkit/font_builder.h"
#include "fontkit/font_file_a.h"
#include "fontkit/font_file_b.h"
#include "fontkit/font_file_z.h"
#include "fontkit/fontkit_error.h"

namespace txr::fontkit {

bool isFamilyOne(FontFileKind kind);

// Blocks 9 to 16 hold the advance-based fonts of family 0 (the facade lays them out by advance).
bool isProportionalBlockA(int block);

// File A counts the baseline from the cell's bottom in blocks 0 to 16 and from its top above.
int baselineFromTopA(int block, int stored, int cellHeight);
int storedBaselineA(int block, int fromTop, int cellHeight);

// "A.bin block 3", "0x41".
std::string blockName(FontFileKind kind, int block);
std::string hexCode(int code);

// The shape of a catalogue font of file B: its glyph places and the glyph's cell and stored
// row, probed through the reader on a blank file.
struct ShapeB {
    int places = 0;
    int cellWidth = 0;
    int cellHeight = 0;
    int rowWidth = 0;
};
ShapeB shapeB(int resolution, int font);
int resolutionOfB(FontFileKind kind);

// The character each family-1 glyph number stands for.
std::vector<char32_t> familyOneCharacters();

// Whole files read and written; a FontKitError names the file.
std::vector<FontBlockA> readA(const std::vector<std::uint8_t>& bytes, FontFileKind kind);
std::vector<FontBlockZ> readZ(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> writeA(FontFileKind kind, const std::vector<FontBlockA>& blocks);
std::vector<std::uint8_t> writeZ(const std::vector<FontBlockZ>& blocks);
std::vector<std::uint8_t> writeB(FontFileKind kind, const std::vector<FontFileBGlyph>& glyphs);

// Blocks numbered 0 to n-1, each once: the engines find block i by walking blocks 0 to i-1.
template <typename Block>
std::vector<Block> inOrder(FontFileKind kind, std::map<int, Block>& numbered) {
    std::vector<Block> blocks;
    for (auto& [number, block] : numbered) {
        if (number != static_cast<int>(blocks.size())) {
            throw FontKitError(fontFileName(kind) + ": block " + std::to_string(blocks.size()) +
                               " is missing");
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
}

// A block of file A or Z from a BDF (encoded in Unicode or in bytes), and the glyphs of a file B
// font from one; the block number comes from TXR_BLOCK, else `defaultBlock`.
FontBlockA fontBlockAFromBdf(FontFileKind kind, const BdfFont& font, int defaultBlock,
                             int* blockNumber);
FontBlockZ fontBlockZFromBdf(const BdfFont& font, int defaultBlock, int* blockNumber);
std::vector<FontFileBGlyph> glyphsBFromBdf(FontFileKind kind, const BdfFont& font,
                                           int defaultBlock);

template <typename Block>
Block blockFromBdf(FontFileKind kind, const BdfFont& font, int defaultBlock, int* blockNumber) {
    if constexpr (std::is_same_v<Block, FontBlockA>) {
        return fontBlockAFromBdf(kind, font, defaultBlock, blockNumber);
    } else {
        return fontBlockZFromBdf(font, defaultBlock, blockNumber);
    }
}

}  // namespace txr::fontkit
