// Line-oriented manifest parser: keywords with their values, every error tied to its line.
#include "fontkit/manifest.h"

#include <filesystem>
#include <sstream>

#include "fontkit/file_io.h"
#include "fontkit/fontkit_error.h"

namespace txr::fontkit {

namespace {

const struct {
    const char* name;
    FontFileKind kind;
} kFileNames[] = {{"A.bin", FontFileKind::A},
                  {"A300.bin", FontFileKind::A300},
                  {"B.bin", FontFileKind::B},
                  {"B300.bin", FontFileKind::B300},
                  {"Z.bin", FontFileKind::Z}};

class ManifestParser {
  public:
    ManifestParser(const std::string& text, const std::string& sourceName)
        : text_(text), source_(sourceName) {}

    Manifest parse(const std::string& folder) {
        if (text_.size() > kManifestMaxSize) {
            throw FontKitError(source_ + ": larger than " + std::to_string(kManifestMaxSize) +
                               " bytes");
        }
        Manifest manifest;
        manifest.folder = folder;
        std::istringstream lines(text_);
        for (std::string line; std::getline(lines, line);) {
            ++lineNumber_;
            if (line.size() > kManifestMaxLine) fail("line longer than 1024 characters");
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::size_t hash = line.find('#');
            if (hash != std::string::npos) line.erase(hash);
            words_.clear();
            std::istringstream split(line);
            for (std::string word; split >> word;) words_.push_back(word);
            if (!words_.empty()) keyword(manifest);
        }
        for (const auto& file : manifest.files) {
            if (file.blocks.empty()) {
                lineNumber_ = file.line;
                fail("file " + file.name + " has no blocks");
            }
            for (const auto& block : file.blocks) checkBlock(file, block);
        }
        return manifest;
    }

  private:
    [[noreturn]] void fail(const std::string& what) const {
        throw FontKitError(source_ + ":" + std::to_string(lineNumber_) + ": " + what);
    }

    void values(std::size_t count) const {
        if (words_.size() != count + 1) {
            fail(words_[0] + " takes " + std::to_string(count) + " value" +
                 (count == 1 ? "" : "s"));
        }
    }

    // A whole number, decimal or 0x hexadecimal, within [low, high].
    int number(std::size_t index, long low, long high, const char* what) const {
        const std::string& word = words_.at(index);
        const bool negative = word[0] == '-';
        std::string digits = negative ? word.substr(1) : word;
        int base = 10;
        if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
            digits = digits.substr(2);
            base = 16;
        }
        if (digits.empty() || digits.size() > 9)
            fail(std::string(what) + " \"" + word + "\" is not a number");
        long value = 0;
        for (char c : digits) {
            const int digit = c >= '0' && c <= '9'                 ? c - '0'
                              : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                   : -1;
            if (digit < 0) fail(std::string(what) + " \"" + word + "\" is not a number");
            value = value * base + digit;
        }
        if (negative) value = -value;
        if (value < low || value > high) {
            fail(std::string(what) + " " + word + " is outside " + std::to_string(low) + " to " +
                 std::to_string(high));
        }
        return static_cast<int>(value);
    }

    char32_t character(std::size_t index) const {
        const std::string& word = words_.at(index);
        if (word.size() < 3 || (word.compare(0, 2, "U+") != 0 && word.compare(0, 2, "u+") != 0)) {
            fail("character \"" + word + "\" is not written U+XXXX");
        }
        long value = 0;
        if (word.size() > 8) fail("character \"" + word + "\" is not written U+XXXX");
        for (std::size_t i = 2; i < word.size(); ++i) {
            const char c = word[i];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) fail("character \"" + word + "\" is not written U+XXXX");
            value = value * 16 + digit;
        }
        if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            fail("character " + word + " is not a Unicode character");
        }
        return static_cast<char32_t>(value);
    }

    BlockSpec& currentBlock() {
        if (!block_) fail(words_[0] + " outside a block (start one with \"block N\")");
        return *block_;
    }

    GlyphOverride& overrideFor(int code) {
        BlockSpec& block = currentBlock();
        for (auto& entry : block.overrides) {
            if (entry.code == code) return entry;
        }
        block.overrides.push_back(GlyphOverride{});
        block.overrides.back().code = code;
        return block.overrides.back();
    }

    void keyword(Manifest& manifest) {
        const std::string& key = words_[0];
        if (key == "fonts-path") {
            values(1);
            const std::filesystem::path path(words_[1]);
            manifest.searchPaths.push_back(
                path.is_absolute() ? path.string()
                                   : (std::filesystem::path(manifest.folder) / path).string());
        } else if (key == "file") {
            values(1);
            FileSpec file;
            file.name = words_[1];
            file.line = lineNumber_;
            const auto kind = fontFileKindByName(words_[1]);
            if (!kind)
                fail("unknown font file \"" + words_[1] +
                     "\" (A.bin, A300.bin, B.bin, B300.bin or Z.bin)");
            file.kind = *kind;
            for (const auto& other : manifest.files) {
                if (other.kind == file.kind) fail("file " + file.name + " is given twice");
            }
            manifest.files.push_back(file);
            file_ = &manifest.files.back();
            block_ = nullptr;
        } else if (key == "block") {
            if (!file_) fail("block outside a file (start one with \"file NAME\")");
            values(1);
            BlockSpec block;
            block.number = number(1, 0, maxBlockNumber(file_->kind), "block number");
            block.line = lineNumber_;
            for (const auto& other : file_->blocks) {
                if (other.number == block.number) fail("block " + words_[1] + " is given twice");
            }
            file_->blocks.push_back(block);
            block_ = &file_->blocks.back();
        } else if (key == "source" || key == "fallback") {
            values(2);
            BlockSpec& block = currentBlock();
            if (key == "source" && !block.sources.empty())
                fail("a block has one source; add more with fallback");
            if (key == "fallback" && block.sources.empty()) fail("fallback before source");
            block.sources.push_back({words_[1], number(2, 1, 1000, "pixel size")});
        } else if (key == "bdf") {
            values(1);
            currentBlock().bdfPath = words_[1];
        } else if (key == "cell") {
            values(2);
            currentBlock().cellWidth = number(1, 1, 255, "cell width");
            currentBlock().cellHeight = number(2, 1, 255, "cell height");
        } else if (key == "baseline") {
            values(1);
            currentBlock().baseline = number(1, 0, 255, "baseline");
        } else if (key == "shift") {
            values(1);
            currentBlock().shift = number(1, -255, 255, "shift");
        } else if (key == "codes") {
            values(2);
            currentBlock().firstCode = number(1, 0, 255, "first code");
            currentBlock().lastCode = number(2, 0, 255, "last code");
            if (currentBlock().firstCode > currentBlock().lastCode)
                fail("first code above last code");
        } else if (key == "spacing") {
            values(1);
            if (words_[1] != "fixed" && words_[1] != "proportional")
                fail("spacing is fixed or proportional");
            currentBlock().proportional = words_[1] == "proportional";
        } else if (key == "charmap") {
            values(1);
            const auto map = characterMapByName(words_[1]);
            if (!map) fail("unknown character map \"" + words_[1] + "\"");
            currentBlock().characterMap = map;
        } else if (key == "char") {
            values(2);
            overrideFor(number(1, 0, 255, "code")).character = character(2);
        } else if (key == "advance") {
            values(2);
            const int code = number(1, 0, 255, "code");
            overrideFor(code).advance = number(2, 0, 65535, "advance");
        } else if (key == "move") {
            values(3);
            GlyphOverride& entry = overrideFor(number(1, 0, 255, "code"));
            entry.moveX = number(2, -255, 255, "move x");
            entry.moveY = number(3, -255, 255, "move y");
        } else if (key == "omit") {
            values(1);
            overrideFor(number(1, 0, 255, "code")).omit = true;
        } else {
            fail("unknown keyword \"" + key + "\"");
        }
    }

    void checkBlock(const FileSpec& file, const BlockSpec& block) {
        lineNumber_ = block.line;
        const std::string name = file.name + " block " + std::to_string(block.number);
        if (block.bdfPath) {
            if (!block.sources.empty()) fail(name + " has both a bdf and a source");
            return;
        }
        if (block.sources.empty())
            fail(name + " has no source (give \"source FONT SIZE\" or \"bdf FILE\")");
        if (block.cellWidth == 0) fail(name + " has no cell (give \"cell WIDTH HEIGHT\")");
        const bool familyOne = file.kind == FontFileKind::B || file.kind == FontFileKind::B300;
        if (familyOne && block.characterMap)
            fail(name + ": file B takes its characters from the code tables, not a charmap");
        if (familyOne && block.proportional) fail(name + ": file B fonts are fixed-cell");
        if (block.baseline && *block.baseline > block.cellHeight)
            fail(name + ": baseline below the cell");
    }

    const std::string& text_;
    std::string source_;
    int lineNumber_ = 0;
    std::vector<std::string> words_;
    FileSpec* file_ = nullptr;
    BlockSpec* block_ = nullptr;
};

}  // namespace

std::optional<FontFileKind> fontFileKindByName(const std::string& name) {
    for (const auto& entry : kFileNames) {
        if (name == entry.name) return entry.kind;
    }
    return std::nullopt;
}

std::string fontFileName(FontFileKind kind) {
    for (const auto& entry : kFileNames) {
        if (entry.kind == kind) return entry.name;
    }
    return "?";
}

int maxBlockNumber(FontFileKind kind) {
    return kind == FontFileKind::B || kind == FontFileKind::B300 ? 4 : 35;
}

const GlyphOverride* BlockSpec::overrideFor(int code) const {
    for (const auto& entry : overrides) {
        if (entry.code == code) return &entry;
    }
    return nullptr;
}

std::string Manifest::resolveFontPath(const std::string& name) const {
    const std::filesystem::path path(name);
    std::error_code error;
    if (path.is_absolute()) {
        if (std::filesystem::is_regular_file(path, error)) return path.string();
        throw FontKitError("font " + name + " does not exist");
    }
    std::vector<std::filesystem::path> candidates{std::filesystem::path(folder) / path};
    for (const auto& search : searchPaths)
        candidates.push_back(std::filesystem::path(search) / path);
    std::string tried;
    for (const auto& candidate : candidates) {
        if (std::filesystem::is_regular_file(candidate, error)) return candidate.string();
        tried += (tried.empty() ? "" : ", ") + candidate.string();
    }
    throw FontKitError("font " + name + " not found (looked for " + tried + ")");
}

const FileSpec* Manifest::file(FontFileKind kind) const {
    for (const auto& entry : files) {
        if (entry.kind == kind) return &entry;
    }
    return nullptr;
}

Manifest parseManifest(const std::string& text, const std::string& sourceName,
                       const std::string& folder) {
    return ManifestParser(text, sourceName).parse(folder);
}

CharacterMap Manifest::codePage(FontFileKind kind, int number) const {
    if (const FileSpec* described = file(kind)) {
        for (const BlockSpec& block : described->blocks) {
            if (block.number == number) return block.codePage();
        }
    }
    return kDefaultCharacterMap;
}

Manifest readManifestFile(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return parseManifest(readFileText(path, kManifestMaxSize), path, folder.empty() ? "." : folder);
}

}  // namespace txr::fontkit
