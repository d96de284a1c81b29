// Writes the fuzz targets' seed corpus with our own font kit and BMP writer: small font files
// with selections appended, BMP files of every depth the loader takes, BDF dumps and manifests.
// Usage: fuzz_seed_corpus OUTPUT_DIR (one folder per target is made inside it).
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/one_bit_rows.h"
#include "facade/bmp_writer.h"
#include "fontkit/bdf.h"
#include "fontkit/file_io.h"
#include "fontkit/font_builder.h"
#include "fontkit/font_file_a.h"
#include "fontkit/font_file_b.h"
#include "fontkit/font_file_z.h"
#include "fontkit/manifest.h"
#include "fuzz_support.h"

namespace {

using namespace txr::fontkit;
using Bytes = std::vector<std::uint8_t>;

const GlyphPicture kBox = {{"#####", "#...#", "#...#", "#####"}};
const GlyphPicture kTall = {{"##", ".#", ".#", ".#", ".#", ".#", "##"}};
const GlyphPicture kWide = {{"################.#", "#................#"}};

std::string outputDir;

void save(const std::string& target, const std::string& name, const Bytes& bytes) {
    const std::string folder = outputDir + "/" + target;
    mkdir(folder.c_str(), 0755);
    if (!writeFileBytes(folder + "/" + name, bytes)) {
        std::fprintf(stderr, "cannot write %s/%s\n", folder.c_str(), name.c_str());
        std::exit(1);
    }
}

Bytes withTrailer(Bytes bytes, const std::string& trailer) {
    bytes.insert(bytes.end(), trailer.begin(), trailer.end());
    return bytes;
}

Bytes fontFileA(int blockCount, int cellHeight) {
    std::vector<FontBlockA> blocks;
    for (int b = 0; b < blockCount; ++b) {
        FontBlockA block;
        block.firstCode = 0x41;
        block.lastCode = 0x44;  // 'D' has no glyph
        block.cellWidth = 6 + b % 3;
        block.cellHeight = cellHeight + b % 4;
        block.baseLine = b > 16 ? 5 : 1;
        block.glyphs = {GlyphA{0x41, kBox, 0, 5, 6}, GlyphA{0x42, kTall, -1, 6, 3},
                        GlyphA{0x43, kWide, 2, 2, 20}};
        blocks.push_back(block);
    }
    return writeFontFileA(blocks);
}

Bytes fontFileB(int resolution, bool wholeFile) {
    std::vector<FontFileBGlyph> glyphs;
    for (int font = 0; font < (wholeFile ? 5 : 1); ++font) {
        for (int glyph : {4, 15, 16, 123}) glyphs.push_back({font, glyph, kBox});
    }
    FontFileBResult result = buildFontFileB(resolution, glyphs);
    if (!result.ok()) {
        std::fprintf(stderr, "font file B: %s\n", result.error.c_str());
        std::exit(1);
    }
    if (!wholeFile) result.bytes.resize(resolution == 203 ? 3936 : 6360);  // font 0 only
    return result.bytes;
}

Bytes fontFileZ(int blockCount) {
    std::vector<FontBlockZ> blocks;
    for (int b = 0; b < blockCount; ++b) {
        FontBlockZ block;
        block.cellWidth = 8;
        block.cellHeight = 9 + b;
        block.baseLine = 7;
        block.glyphs = {GlyphZ{0x41, kBox, 0, 4, 6}, GlyphZ{0x42, kTall, 1, 6, 4},
                        GlyphZ{0x43, kWide, 0, 2, 19}, GlyphZ{0xB0, kBox, 0, 7, 6}};
        blocks.push_back(block);
    }
    return writeFontFileZ(blocks);
}

std::string selection(int family, int font, int scaleH, int scaleV, int rotation, int dpi,
                      int invert, const std::string& text, int charSet = 0) {
    txr::fuzz::Selection s;
    s.fontType = font;
    s.scaleH = scaleH;
    s.scaleV = scaleV;
    s.rotation = rotation;
    s.resolution = dpi;
    s.invert = invert;
    s.charSet = charSet;
    s.text = text;
    return txr::fuzz::trailerOf(family, s);
}

void fontFileSeeds() {
    const Bytes a203 = fontFileA(25, 8);
    const Bytes a300 = fontFileA(16, 12);
    save("font_file_a", "fixed_cells", withTrailer(a203, selection(0, 0, 1, 1, 0, 203, 0, "ABCD")));
    save("font_file_a", "proportional_turned",
         withTrailer(a203, selection(0, 9, 2, 3, 1, 203, 1, "CAB\xB0")));
    save("font_file_a", "baseline_from_top",
         withTrailer(a203, selection(0, 20, 4, 1, 2, 203, 0, "BA@C")));
    save("font_file_a", "dpi300", withTrailer(a300, selection(0, 12, 1, 2, 3, 300, 0, "ABC")));

    save("font_file_b", "font0_203",
         withTrailer(fontFileB(203, false), selection(1, 0, 1, 1, 0, 203, 0, "A0B\x14")));
    save("font_file_b", "font0_300",
         withTrailer(fontFileB(300, false), selection(1, 0, 2, 2, 1, 300, 1, "AB", 7)));
    save("font_file_b", "font4_203",
         withTrailer(fontFileB(203, true), selection(1, 4, 1, 1, 3, 203, 0, "A0#a", 12)));

    const Bytes z8 = fontFileZ(8);
    save("font_file_z", "block0",
         withTrailer(fontFileZ(1), selection(2, 0, 1, 1, 0, 203, 0, "ABC")));
    save("font_file_z", "block7", withTrailer(z8, selection(2, 8, 3, 2, 1, 300, 1, "CBA\xB0")));
    save("font_file_z", "block2_missing", withTrailer(z8, selection(2, 3, 1, 1, 2, 203, 0, "DAD")));
}

Bytes oneBitBmp(int width, int height) {
    txr::BmpRowsImage image;
    image.width = width;
    image.height = height;
    image.rows.assign(image.stride() * static_cast<std::size_t>(height), 0);
    for (std::size_t i = 0; i < image.rows.size(); ++i) {
        image.rows[i] = static_cast<std::uint8_t>(0x5A ^ (i * 37));
    }
    return txr::bmpFileBytes(image);
}

// A BMP of `bits` per dot with a full colour table for depths up to 8.
Bytes deepBmp(int width, int height, int bits) {
    const std::size_t colours = bits <= 8 ? std::size_t{1} << bits : 0;
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    const std::size_t rowsAt = 54 + 4 * colours;
    Bytes bytes(rowsAt + stride * static_cast<std::size_t>(height < 0 ? -height : height), 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    txr::putLE32(&bytes[2], static_cast<std::uint32_t>(bytes.size()));
    txr::putLE32(&bytes[10], static_cast<std::uint32_t>(rowsAt));
    txr::putLE32(&bytes[14], 40);
    txr::putLE32(&bytes[18], static_cast<std::uint32_t>(width));
    txr::putLE32(&bytes[22], static_cast<std::uint32_t>(height));
    txr::putLE16(&bytes[26], 1);
    txr::putLE16(&bytes[28], static_cast<std::uint16_t>(bits));
    for (std::size_t c = 0; c < colours; ++c) {
        bytes[54 + 4 * c] = static_cast<std::uint8_t>(c * 255 / (colours - 1));
        bytes[55 + 4 * c] = static_cast<std::uint8_t>(c * 97);
    }
    for (std::size_t i = rowsAt; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
    return bytes;
}

void dibSeeds() {
    const std::string placements[] = {std::string("\0\0\xFF\xFF", 4),
                                      std::string("\x03\xFE\x09\x05", 4)};
    save("dib_image", "one_bit_10x3", withTrailer(oneBitBmp(10, 3), placements[0]));
    save("dib_image", "one_bit_33x24", withTrailer(oneBitBmp(33, 24), placements[1]));
    save("dib_image", "four_bit", withTrailer(deepBmp(7, 5, 4), placements[0]));
    save("dib_image", "eight_bit_top_down", withTrailer(deepBmp(6, -4, 8), placements[1]));
    save("dib_image", "rgb24", withTrailer(deepBmp(5, 5, 24), placements[0]));
    save("dib_image", "rgb32", withTrailer(deepBmp(3, 2, 32), placements[1]));

    save("tool_bmp_reader", "one_bit_10x3", oneBitBmp(10, 3));
    save("tool_bmp_reader", "one_bit_33x24", oneBitBmp(33, 24));
    save("tool_bmp_reader", "one_bit_top_down", deepBmp(9, -3, 1));
}

Bytes textBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

void fontKitSeeds() {
    const Bytes a = fontFileA(3, 8);
    const Bytes b = fontFileB(203, true);
    const Bytes z = fontFileZ(2);
    save("font_kit", "a", withTrailer(a, std::string(1, '\0')));
    save("font_kit", "a300", withTrailer(fontFileA(2, 12), std::string(1, '\1')));
    save("font_kit", "b", withTrailer(b, std::string(1, '\2')));
    save("font_kit", "b300_font0", withTrailer(fontFileB(300, false), std::string(1, '\3')));
    save("font_kit", "z", withTrailer(z, std::string(1, '\4')));

    // The BDF seeds are dumps of the same files, each with its kind picked by the last byte.
    save("bdf", "block_a", textBytes(writeBdf(dumpFontFile(FontFileKind::A, a).front())));
    save("bdf", "block_z", textBytes(writeBdf(dumpFontFile(FontFileKind::Z, z).back()) + "\x04"));
    save("bdf", "block_b", textBytes(writeBdf(dumpFontFile(FontFileKind::B, b).front()) + "\x02"));
}

void manifestSeeds() {
    save("manifest", "bundled",
         readFileBytes(std::string(TXR_SOURCE_DIR) + "/fonts/manifest.txt", kManifestMaxSize));
    save("manifest", "small",
         textBytes("# two files\n"
                   "fonts-path fonts\n"
                   "file A.bin\n"
                   "block 0\n"
                   "  source Mono.ttf 10\n"
                   "  fallback Other.pcf.gz 12\n"
                   "  cell 6 12\n"
                   "  baseline 9\n"
                   "  codes 0x20 0x7E\n"
                   "  charmap cp437\n"
                   "  char 0x41 U+00C5\n"
                   "  advance 0x42 7\n"
                   "  move 0x43 1 -2\n"
                   "  omit 0x44\n"
                   "block 9\n"
                   "  source Sans.ttf 12\n"
                   "  spacing proportional\n"
                   "  shift 1\n"
                   "file Z.bin\n"
                   "block 7\n"
                   "  bdf z7.bdf\n"
                   "  cell 20 24\n"
                   "file B300.bin\n"
                   "block 4\n"
                   "  source Mono.ttf 40\n"
                   "  cell 48 80\n"));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    outputDir = argv[1];
    mkdir(outputDir.c_str(), 0755);
    fontFileSeeds();
    dibSeeds();
    fontKitSeeds();
    manifestSeeds();
    return 0;
}
