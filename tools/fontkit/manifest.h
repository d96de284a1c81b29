// The font manifest: which standard fonts, at which sizes and cells, make each block of the font
// files A.bin, A300.bin, B.bin, B300.bin and Z.bin. The format is described in
// docs/font-manifest.md.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "txr/encoding.h"

namespace txr::fontkit {

// The code pages are the library's: the font kit names and reads them, never copies them.
using encoding::byteOf;
using encoding::CharacterMap;
using encoding::characterMapByName;
using encoding::characterMapName;
using encoding::characterOf;
using encoding::kDefaultCharacterMap;
using encoding::kNoCharacter;
using encoding::unicodeName;

enum class FontFileKind { A, A300, B, B300, Z };

// "A.bin" -> A, ...; nothing for other names.
std::optional<FontFileKind> fontFileKindByName(const std::string& name);
std::string fontFileName(FontFileKind kind);
// Highest block number a file of this kind may hold (engine directories hold 36 entries; file B
// holds the five catalogue fonts).
int maxBlockNumber(FontFileKind kind);

struct SourceFont {
    std::string path;  // as written in the manifest; resolveFontPath finds the file
    int pixelSize = 0;
};

// A change to one code of a block.
struct GlyphOverride {
    int code = 0;
    std::optional<char32_t> character;  // show this character instead of the mapped one
    std::optional<int> advance;         // pen advance in dots
    int moveX = 0;                      // dots right
    int moveY = 0;                      // dots down
    bool omit = false;                  // no glyph for this code
};

struct BlockSpec {
    int number = 0;
    int line = 0;
    std::optional<std::string> bdfPath;  // the whole block from a BDF file
    std::vector<SourceFont> sources;     // the first font, then fallbacks for missing characters
    int cellWidth = 0;
    int cellHeight = 0;
    std::optional<int> baseline;  // rows from the top of the cell down to the baseline
    std::optional<int> shift;     // dots fixed-cell glyphs move right (default: centred)
    int firstCode = 32;
    int lastCode = 255;
    bool proportional = false;
    std::optional<CharacterMap> characterMap;  // file B blocks use the code tables instead
    std::vector<GlyphOverride> overrides;

    const GlyphOverride* overrideFor(int code) const;
    CharacterMap codePage() const { return characterMap.value_or(kDefaultCharacterMap); }
};

struct FileSpec {
    std::string name;
    FontFileKind kind = FontFileKind::A;
    int line = 0;
    std::vector<BlockSpec> blocks;
};

struct Manifest {
    std::string folder;                    // relative paths start here
    std::vector<std::string> searchPaths;  // fonts-path lines, resolved against folder
    std::vector<FileSpec> files;

    // The file a font name refers to: absolute paths as they are; others first against the
    // manifest's folder, then each search path. Throws FontKitError when none exists.
    std::string resolveFontPath(const std::string& name) const;
    const FileSpec* file(FontFileKind kind) const;
    // The code page of block `number` of file `kind` (kDefaultCharacterMap when the manifest does
    // not describe that block).
    CharacterMap codePage(FontFileKind kind, int number) const;
};

// Parses manifest text. Errors name the source and line ("manifest.txt:12: ..."). Throws
// FontKitError. Text is capped at kManifestMaxSize bytes and lines at kManifestMaxLine.
constexpr std::size_t kManifestMaxSize = 1u << 20;
constexpr std::size_t kManifestMaxLine = 1024;
Manifest parseManifest(const std::string& text, const std::string& sourceName,
                       const std::string& folder);
Manifest readManifestFile(const std::string& path);

}  // namespace txr::fontkit
