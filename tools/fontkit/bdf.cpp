// BDF 2.1 writer and a reader that treats its input as hostile: every count and size is capped,
// every line is checked, and errors name the line.
#include "fontkit/bdf.h"

#include <algorithm>
#include <climits>
#include <sstream>

#include "fontkit/file_io.h"
#include "fontkit/fontkit_error.h"

namespace txr::fontkit {

GlyphPicture BdfGlyph::picture() const {
    GlyphPicture picture;
    const int bytesPerRow = rowBytes();
    for (int y = 0; y < rows; ++y) {
        std::string row(static_cast<std::size_t>(width), '.');
        for (int x = 0; x < width; ++x) {
            const std::size_t index = static_cast<std::size_t>(y * bytesPerRow + x / 8);
            if (index < bits.size() && (bits[index] & (0x80 >> (x % 8)))) {
                row[static_cast<std::size_t>(x)] = '#';
            }
        }
        picture.rows.push_back(row);
    }
    return picture;
}

void BdfGlyph::setPicture(const GlyphPicture& picture) {
    width = picture.width();
    rows = picture.height();
    bits = packGlyphRows(picture, rowBytes());
}

const BdfProperty* BdfFont::property(const std::string& propertyName) const {
    for (const auto& entry : properties) {
        if (entry.name == propertyName) return &entry;
    }
    return nullptr;
}

std::optional<long> BdfFont::intProperty(const std::string& propertyName, long low,
                                         long high) const {
    const BdfProperty* entry = property(propertyName);
    if (!entry) return std::nullopt;
    const std::string& text = entry->value;
    std::size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
    bool ok = !entry->isString && i < text.size() && text.size() <= 12;
    for (std::size_t k = i; ok && k < text.size(); ++k) ok = text[k] >= '0' && text[k] <= '9';
    const long value = ok ? std::stol(text) : 0;
    if (!ok || value < low || value > high) {
        throw FontKitError("property " + propertyName + " is \"" + text +
                           "\", not a whole number from " + std::to_string(low) + " to " +
                           std::to_string(high));
    }
    return value;
}

void BdfFont::setProperty(const std::string& propertyName, long value) {
    for (auto& entry : properties) {
        if (entry.name == propertyName) {
            entry = {propertyName, std::to_string(value), false};
            return;
        }
    }
    properties.push_back({propertyName, std::to_string(value), false});
}

void BdfFont::setProperty(const std::string& propertyName, const std::string& value) {
    for (auto& entry : properties) {
        if (entry.name == propertyName) {
            entry = {propertyName, value, true};
            return;
        }
    }
    properties.push_back({propertyName, value, true});
}

const BdfGlyph* BdfFont::glyph(int code) const {
    for (const auto& entry : glyphs) {
        if (entry.code == code) return &entry;
    }
    return nullptr;
}

namespace {

std::string quoted(const std::string& value) {
    std::string out = "\"";
    for (char c : value) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

const char kHexDigits[] = "0123456789ABCDEF";

// The em of SWIDTH: PIXEL_SIZE when it is a whole number of 1 or more, else 1. The reader takes
// any value there (it has no use for it), so the writer must not refuse what the reader took.
long swidthPixelSize(const BdfFont& font) {
    try {
        return font.intProperty("PIXEL_SIZE", 1, INT_MAX).value_or(1);
    } catch (const FontKitError&) {
        return 1;
    }
}

}  // namespace

std::string writeBdf(const BdfFont& font) {
    int left = 0, bottom = 0, right = 0, top = 0;
    bool any = false;
    for (const auto& glyph : font.glyphs) {
        if (glyph.width == 0 || glyph.rows == 0) continue;
        const int glyphBottom = glyph.ascent - glyph.rows;
        if (!any) {
            left = glyph.leftOffset, bottom = glyphBottom;
            right = glyph.leftOffset + glyph.width, top = glyph.ascent;
            any = true;
            continue;
        }
        left = std::min(left, glyph.leftOffset);
        bottom = std::min(bottom, glyphBottom);
        right = std::max(right, glyph.leftOffset + glyph.width);
        top = std::max(top, glyph.ascent);
    }
    std::ostringstream out;
    out << "STARTFONT 2.1\n";
    out << "FONT " << font.name << "\n";
    out << "SIZE " << font.pointSize << ' ' << font.xResolution << ' ' << font.yResolution << "\n";
    out << "FONTBOUNDINGBOX " << right - left << ' ' << top - bottom << ' ' << left << ' ' << bottom
        << "\n";
    out << "STARTPROPERTIES " << font.properties.size() << "\n";
    for (const auto& property : font.properties) {
        out << property.name << ' ' << (property.isString ? quoted(property.value) : property.value)
            << "\n";
    }
    out << "ENDPROPERTIES\n";
    out << "CHARS " << font.glyphs.size() << "\n";
    const long pixelSize = swidthPixelSize(font);
    for (const auto& glyph : font.glyphs) {
        out << "STARTCHAR " << (glyph.name.empty() ? "C" + std::to_string(glyph.code) : glyph.name)
            << "\n";
        out << "ENCODING " << glyph.code << "\n";
        out << "SWIDTH " << (glyph.advance * 1000 + pixelSize / 2) / pixelSize << " 0\n";
        out << "DWIDTH " << glyph.advance << " 0\n";
        out << "BBX " << glyph.width << ' ' << glyph.rows << ' ' << glyph.leftOffset << ' '
            << glyph.ascent - glyph.rows << "\n";
        out << "BITMAP\n";
        const std::size_t bytesPerRow = static_cast<std::size_t>(glyph.rowBytes());
        for (int y = 0; y < glyph.rows; ++y) {
            std::string line;
            for (std::size_t k = 0; k < bytesPerRow; ++k) {
                const std::size_t index = static_cast<std::size_t>(y) * bytesPerRow + k;
                const std::uint8_t byte = index < glyph.bits.size() ? glyph.bits[index] : 0;
                line += kHexDigits[byte >> 4];
                line += kHexDigits[byte & 15];
            }
            out << line << "\n";
        }
        out << "ENDCHAR\n";
    }
    out << "ENDFONT\n";
    return out.str();
}

namespace {

class BdfParser {
  public:
    BdfParser(const std::string& text, const std::string& sourceName)
        : text_(text), source_(sourceName) {}

    BdfFont parse() {
        if (text_.size() > kBdfMaxFileSize) {
            throw FontKitError(source_ + ": larger than " + std::to_string(kBdfMaxFileSize) +
                               " bytes");
        }
        BdfFont font;
        expectKeyword("STARTFONT");
        if (words_.size() != 2 || (words_[1] != "2.1" && words_[1] != "2.2")) {
            fail("STARTFONT must give version 2.1");
        }
        bool sawSize = false, sawFont = false, sawBox = false;
        for (;;) {
            nextContentLine("CHARS");
            const std::string& keyword = words_[0];
            if (keyword == "FONT") {
                if (line_.size() < 6) fail("FONT needs a name");
                font.name = line_.substr(5);
                sawFont = true;
            } else if (keyword == "SIZE") {
                wordCount(4, 4);
                font.pointSize = number(1, 1, 10000, "point size");
                font.xResolution = number(2, 1, 10000, "x resolution");
                font.yResolution = number(3, 1, 10000, "y resolution");
                sawSize = true;
            } else if (keyword == "FONTBOUNDINGBOX") {
                wordCount(5, 5);
                number(1, 0, 65535, "box width");
                number(2, 0, 65535, "box height");
                number(3, -65535, 65535, "box x offset");
                number(4, -65535, 65535, "box y offset");
                sawBox = true;
            } else if (keyword == "STARTPROPERTIES") {
                readProperties(font);
            } else if (keyword == "METRICSSET") {
                wordCount(2, 2);
                if (number(1, 0, 2, "metrics set") != 0) fail("only METRICSSET 0 is supported");
            } else if (keyword == "CONTENTVERSION" || keyword == "SWIDTH" || keyword == "DWIDTH" ||
                       keyword == "SWIDTH1" || keyword == "DWIDTH1" || keyword == "VVECTOR") {
                // Font-wide defaults: every glyph of ours carries its own widths.
            } else if (keyword == "CHARS") {
                break;
            } else {
                fail("unexpected " + keyword + " before CHARS");
            }
        }
        if (!sawFont) fail("CHARS before FONT");
        if (!sawSize) fail("CHARS before SIZE");
        if (!sawBox) fail("CHARS before FONTBOUNDINGBOX");
        wordCount(2, 2);
        const int count = number(1, 0, kBdfMaxGlyphs, "glyph count");
        font.glyphs.reserve(static_cast<std::size_t>(count));
        for (;;) {
            nextContentLine("ENDFONT");
            if (words_[0] == "ENDFONT") break;
            if (words_[0] != "STARTCHAR") fail("expected STARTCHAR or ENDFONT, found " + words_[0]);
            if (static_cast<int>(font.glyphs.size()) == count) {
                fail("more glyphs than CHARS " + std::to_string(count) + " announced");
            }
            font.glyphs.push_back(readGlyph());
        }
        if (static_cast<int>(font.glyphs.size()) != count) {
            fail("CHARS announced " + std::to_string(count) + " glyphs, found " +
                 std::to_string(font.glyphs.size()));
        }
        while (nextLine()) {
            if (!words_.empty()) fail("text after ENDFONT");
        }
        return font;
    }

  private:
    [[noreturn]] void fail(const std::string& what) const {
        throw FontKitError(source_ + ":" + std::to_string(lineNumber_) + ": " + what);
    }

    // Advances to the next line and splits it into words; false at the end of the text.
    bool nextLine() {
        if (position_ >= text_.size()) return false;
        std::size_t end = text_.find('\n', position_);
        if (end == std::string::npos) end = text_.size();
        ++lineNumber_;
        if (end - position_ > kBdfMaxLineLength) {
            fail("line longer than " + std::to_string(kBdfMaxLineLength) + " characters");
        }
        line_ = text_.substr(position_, end - position_);
        position_ = end + 1;
        if (!line_.empty() && line_.back() == '\r') line_.pop_back();
        for (char c : line_) {
            if (c == '\0' || (static_cast<unsigned char>(c) < 0x20 && c != '\t')) {
                fail("control character in line");
            }
        }
        words_.clear();
        std::istringstream words(line_);
        for (std::string word; words >> word;) words_.push_back(word);
        return true;
    }

    // The next line that is neither blank nor a COMMENT.
    void nextContentLine(const std::string& expecting) {
        for (;;) {
            if (!nextLine()) fail("text ends before " + expecting);
            if (!words_.empty() && words_[0] != "COMMENT") return;
        }
    }

    void expectKeyword(const std::string& keyword) {
        nextContentLine(keyword);
        if (words_[0] != keyword) fail("expected " + keyword + ", found " + words_[0]);
    }

    void wordCount(std::size_t low, std::size_t high) const {
        if (words_.size() < low || words_.size() > high) {
            fail(words_[0] + " takes " + std::to_string(low - 1) + (high != low ? " or more" : "") +
                 " values");
        }
    }

    int number(std::size_t index, int low, int high, const std::string& what) const {
        const std::string& word = words_.at(index);
        std::size_t i = word[0] == '-' || word[0] == '+' ? 1 : 0;
        if (i == word.size() || word.size() > 12) fail(what + " \"" + word + "\" is not a number");
        long long value = 0;
        for (; i < word.size(); ++i) {
            if (word[i] < '0' || word[i] > '9') fail(what + " \"" + word + "\" is not a number");
            value = value * 10 + (word[i] - '0');
        }
        if (word[0] == '-') value = -value;
        if (value < low || value > high) {
            fail(what + " " + word + " is outside " + std::to_string(low) + " to " +
                 std::to_string(high));
        }
        return static_cast<int>(value);
    }

    void readProperties(BdfFont& font) {
        wordCount(2, 2);
        const int count = number(1, 0, kBdfMaxProperties, "property count");
        for (int i = 0; i < count; ++i) {
            nextContentLine("ENDPROPERTIES");
            if (words_[0] == "ENDPROPERTIES") fail("fewer properties than announced");
            BdfProperty property;
            property.name = words_[0];
            const std::size_t valueStart =
                line_.find_first_not_of(" \t", line_.find(words_[0]) + words_[0].size());
            if (valueStart == std::string::npos)
                fail("property " + property.name + " has no value");
            const std::string value = line_.substr(valueStart);
            if (value[0] == '"') {
                property.isString = true;
                std::size_t k = 1;
                for (;; ++k) {
                    if (k >= value.size()) fail("unterminated string in " + property.name);
                    if (value[k] == '"') {
                        if (k + 1 < value.size() && value[k + 1] == '"') {
                            property.value += '"';
                            ++k;
                            continue;
                        }
                        break;
                    }
                    property.value += value[k];
                }
                if (value.find_first_not_of(" \t", k + 1) != std::string::npos) {
                    fail("text after the string of " + property.name);
                }
            } else {
                if (words_.size() != 2)
                    fail("property " + property.name + " has more than one value");
                number(1, INT_MIN + 1, INT_MAX, "property " + property.name);
                property.value = words_[1];
            }
            if (font.property(property.name)) fail("property " + property.name + " given twice");
            font.properties.push_back(property);
        }
        expectKeyword("ENDPROPERTIES");
    }

    BdfGlyph readGlyph() {
        BdfGlyph glyph;
        if (words_.size() > 1) {
            glyph.name = line_.substr(line_.find_first_not_of(" \t", line_.find(words_[0]) + 9));
        }
        bool sawEncoding = false, sawWidth = false, sawBox = false;
        for (;;) {
            nextContentLine("ENDCHAR");
            const std::string& keyword = words_[0];
            if (keyword == "ENCODING") {
                wordCount(2, 3);
                glyph.code = number(1, -1, 65535, "encoding");
                sawEncoding = true;
            } else if (keyword == "DWIDTH") {
                wordCount(3, 3);
                glyph.advance = number(1, -65535, 65535, "advance");
                number(2, -65535, 65535, "vertical advance");
                sawWidth = true;
            } else if (keyword == "SWIDTH" || keyword == "SWIDTH1" || keyword == "DWIDTH1" ||
                       keyword == "VVECTOR") {
                // Scalable and vertical widths: the device width is what a printer uses.
            } else if (keyword == "BBX") {
                wordCount(5, 5);
                glyph.width = number(1, 0, kBdfMaxGlyphSide, "box width");
                glyph.rows = number(2, 0, kBdfMaxGlyphSide, "box height");
                glyph.leftOffset = number(3, -kBdfMaxGlyphSide, kBdfMaxGlyphSide, "box x offset");
                const int bottom = number(4, -kBdfMaxGlyphSide, kBdfMaxGlyphSide, "box y offset");
                glyph.ascent = bottom + glyph.rows;
                sawBox = true;
            } else if (keyword == "BITMAP") {
                if (!sawBox) fail("BITMAP before BBX");
                readBitmap(glyph);
                expectKeyword("ENDCHAR");
                break;
            } else {
                fail("unexpected " + keyword + " in a glyph");
            }
        }
        if (!sawEncoding) fail("glyph without ENCODING");
        if (!sawWidth) fail("glyph without DWIDTH");
        return glyph;
    }

    void readBitmap(BdfGlyph& glyph) {
        const std::size_t bytesPerRow = static_cast<std::size_t>(glyph.rowBytes());
        glyph.bits.assign(bytesPerRow * static_cast<std::size_t>(glyph.rows), 0);
        for (int y = 0; y < glyph.rows; ++y) {
            if (!nextLine()) fail("text ends inside a BITMAP");
            if (words_.size() != 1) fail("a BITMAP row is one run of hexadecimal digits");
            const std::string& hex = words_[0];
            if (hex.size() % 2 != 0 || hex.size() < bytesPerRow * 2) {
                fail("BITMAP row of " + std::to_string(hex.size()) + " digits; the box needs " +
                     std::to_string(bytesPerRow * 2));
            }
            for (std::size_t k = 0; k < hex.size(); ++k) {
                const char c = hex[k];
                int digit = c >= '0' && c <= '9'   ? c - '0'
                            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                            : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                   : -1;
                if (digit < 0) fail("\"" + hex + "\" is not hexadecimal");
                if (k / 2 >= bytesPerRow) {
                    // Some editors pad rows to a wider unit; the padding must be blank.
                    if (digit != 0) fail("ink beyond the box width in \"" + hex + "\"");
                    continue;
                }
                std::uint8_t& byte = glyph.bits[static_cast<std::size_t>(y) * bytesPerRow + k / 2];
                byte = static_cast<std::uint8_t>(byte | (k % 2 ? digit : digit << 4));
            }
        }
    }

    const std::string& text_;
    std::string source_;
    std::size_t position_ = 0;
    int lineNumber_ = 0;
    std::string line_;
    std::vector<std::string> words_;
};

}  // namespace

BdfFont readBdf(const std::string& text, const std::string& sourceName) {
    return BdfParser(text, sourceName).parse();
}

BdfFont readBdfFile(const std::string& path) {
    return readBdf(readFileText(path, kBdfMaxFileSize), path);
}

void writeBdfFile(const std::string& path, const BdfFont& font) {
    writeFileAtomically(path, writeBdf(font));
}

}  // namespace txr::fontkit
