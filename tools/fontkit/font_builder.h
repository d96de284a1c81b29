// Building the font files A, A300, B, B300 and Z from a manifest or from BDF files, dumping them
// to BDF (one font per block) so that building from the dump gives the same bytes, describing
// them, and drawing specimen sheets of their blocks. One job a file: manifest_build.cpp builds from
// a manifest, bdf_blocks.cpp converts to and from BDF, font_description.cpp describes, and
// font_layout.h holds what they share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fontkit/bdf.h"
#include "fontkit/glyph_source.h"
#include "fontkit/manifest.h"
#include "fontkit/specimen.h"

namespace txr::fontkit {

// Largest glyphs the engines read whole: file A stores rows of up to 80 dots in a 1024-byte
// buffer, file Z rows of up to 48 dots (6 bytes) in a 512-byte buffer. The builder refuses
// larger glyphs rather than write what an engine would misread.
constexpr int kMaxGlyphWidthA = 80;
constexpr int kMaxGlyphBytesA = 1024;
constexpr int kMaxGlyphWidthZ = 48;
constexpr int kMaxGlyphBytesZ = 512;

// Notes a build leaves for its user: characters no source font has, and the like.
struct BuildReport {
    std::vector<std::string> notes;
};

// One file of the manifest, built in memory. Throws FontKitError naming the file and block.
std::vector<std::uint8_t> buildFontFile(const Manifest& manifest, const FileSpec& file,
                                        FontCache& cache, BuildReport& report);

// Every file of the manifest, written into outputFolder (each written beside its target and
// renamed). Returns the paths written.
std::vector<std::string> buildManifest(const Manifest& manifest, const std::string& outputFolder,
                                       BuildReport& report);

// The resolution a kind of file serves (Z: 203, for its BDF's sizes).
int fileResolution(FontFileKind kind);

// One BDF per block. Every byte the file holds is in the BDFs: the standard properties give
// sizes and ascent, TXR_FILE, TXR_BLOCK, TXR_FIRST_CODE, TXR_LAST_CODE, TXR_BASELINE (as the file
// stores it), TXR_CELL_WIDTH and TXR_CELL_HEIGHT the block header, TXR_GLYPH_WIDTHS the stored
// widths that differ from the glyph box. File B blocks use glyph numbers as encodings. Blocks of
// files A and Z are encoded in Unicode (CHARSET_REGISTRY ISO10646, CHARSET_ENCODING 1, so that
// FreeType and other readers look glyphs up by character) through the block's code page, which
// TXR_CODE_PAGE names: the one `manifest` gives the block, else kDefaultCharacterMap. A block
// with a byte that stands for no character, or for one another byte has too, keeps its bytes as
// encodings under the code page's own name (CHARSET_REGISTRY IBM-CP850, ...). Throws
// FontKitError for a file that breaks its layout.
std::vector<BdfFont> dumpFontFile(FontFileKind kind, const std::vector<std::uint8_t>& bytes,
                                  const Manifest* manifest = nullptr);

// The file made from BDFs, one per block, in TXR_BLOCK order (or the order given where they
// carry none). BDFs from elsewhere work too: missing TXR_ properties are taken from the
// standard ones. Throws FontKitError.
std::vector<std::uint8_t> buildFromBdf(FontFileKind kind, const std::vector<BdfFont>& fonts);

struct BlockInfo {
    int number = 0;
    int cellWidth = 0;
    int cellHeight = 0;
    int baseline = 0;  // as stored (file B: none)
    int firstCode = 0;
    int lastCode = 0;
    int glyphCount = 0;
    bool proportional = false;
};

std::vector<BlockInfo> fontFileInfo(FontFileKind kind, const std::vector<std::uint8_t>& bytes);
// A readable table of fontFileInfo.
std::string describeFontFile(FontFileKind kind, const std::vector<std::uint8_t>& bytes);

// A block's glyphs laid out for a specimen sheet. Throws FontKitError for an unknown block.
SpecimenBlock specimenOfBlock(FontFileKind kind, const std::vector<std::uint8_t>& bytes, int block);

}  // namespace txr::fontkit
