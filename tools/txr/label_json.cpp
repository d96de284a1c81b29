// The label description reader: limits first, then nlohmann-json, then every key checked against
// the schema with its JSON path.
#include "label_json.h"

#include <climits>
#include <cstdint>
#include <initializer_list>

#include "nlohmann/json.hpp"

namespace txr::tool {

namespace {

using Json = nlohmann::json;

struct TextPosition {
    std::size_t line = 1;
    std::size_t column = 1;
};

TextPosition positionOf(const std::string& text, std::size_t offset) {
    TextPosition position;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++position.line;
            position.column = 1;
        } else {
            ++position.column;
        }
    }
    return position;
}

std::string at(const TextPosition& position) {
    return "line " + std::to_string(position.line) + ", column " + std::to_string(position.column);
}

// Refuses a file nested deeper than the limit before the parser, which recurses, sees it.
void checkNesting(const std::string& text) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxLabelJsonDepth) {
                throw LabelJsonError("JSON nested deeper than " +
                                     std::to_string(kMaxLabelJsonDepth) + " levels at " +
                                     at(positionOf(text, i)));
            }
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
}

class Reading {
  public:
    explicit Reading(std::vector<LabelIssue>& issues) : issues_(issues) {}

    void issue(const std::string& path, const std::string& message) {
        issues_.push_back(LabelIssue{path, message});
    }

    bool isObject(const Json& value, const std::string& path) {
        if (value.is_object()) return true;
        issue(path, "must be an object");
        return false;
    }

    void unknownKeys(const Json& object, const std::string& path,
                     std::initializer_list<const char*> known) {
        for (auto it = object.begin(); it != object.end(); ++it) {
            bool found = false;
            for (const char* key : known) found = found || it.key() == key;
            if (!found) issue(path + "." + it.key(), "unknown key");
        }
    }

    // An integer from low to high; `value` keeps its default when the key is absent. False when
    // the key is present and wrong.
    bool integer(const Json& value, const std::string& path, std::int64_t low, std::int64_t high,
                 int& out) {
        bool inRange = false;
        std::int64_t number = 0;
        if (value.is_number_unsigned()) {
            const auto unsignedNumber = value.get<std::uint64_t>();
            inRange = unsignedNumber <= static_cast<std::uint64_t>(high);
            number = inRange ? static_cast<std::int64_t>(unsignedNumber) : 0;
            inRange = inRange && number >= low;
        } else if (value.is_number_integer()) {
            number = value.get<std::int64_t>();
            inRange = number >= low && number <= high;
        }
        if (!inRange) {
            issue(path,
                  "must be an integer from " + std::to_string(low) + " to " + std::to_string(high));
            return false;
        }
        out = static_cast<int>(number);
        return true;
    }

    bool member(const Json& object, const char* key, const std::string& path, std::int64_t low,
                std::int64_t high, int& out) {
        const auto it = object.find(key);
        if (it == object.end()) return true;
        return integer(*it, path + "." + key, low, high, out);
    }

  private:
    std::vector<LabelIssue>& issues_;
};

// JSON text is Unicode; label texts are bytes. Code points up to U+00FF are their byte (as
// Latin-1 maps them), anything above is refused. The parser has checked the UTF-8 already.
bool latin1Bytes(const std::string& utf8, std::string& bytes) {
    bytes.clear();
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            bytes += static_cast<char>(lead);
        } else if ((lead == 0xC2 || lead == 0xC3) && i + 1 < utf8.size()) {
            const auto next = static_cast<unsigned char>(utf8[++i]);
            bytes += static_cast<char>(((lead & 0x03u) << 6) | (next & 0x3Fu));
        } else {
            return false;
        }
    }
    return true;
}

bool hexBytes(const std::string& hex, std::string& bytes) {
    auto digit = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    bytes.clear();
    if (hex.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = digit(hex[i]);
        const int low = digit(hex[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes += static_cast<char>(high * 16 + low);
    }
    return true;
}

bool readText(Reading& reading, const Json& object, const std::string& path, std::string& text) {
    const auto plain = object.find("text");
    const auto hex = object.find("hex");
    if ((plain == object.end()) == (hex == object.end())) {
        reading.issue(path, "needs exactly one of \"text\" and \"hex\"");
        return false;
    }
    bool good = false;
    if (plain != object.end()) {
        good = plain->is_string() && latin1Bytes(plain->get_ref<const std::string&>(), text);
        if (!good) reading.issue(path + ".text", "must be a string of characters U+0000 to U+00FF");
    } else {
        good = hex->is_string() && hexBytes(hex->get_ref<const std::string&>(), text);
        if (!good) reading.issue(path + ".hex", "must be a string of hexadecimal byte pairs");
    }
    if (good && text.size() > kMaxLabelTextBytes) {
        reading.issue(path, "text longer than " + std::to_string(kMaxLabelTextBytes) + " bytes");
        return false;
    }
    return good;
}

bool readScale(Reading& reading, const Json& object, const std::string& path, LabelField& field) {
    const auto it = object.find("scale");
    if (it == object.end()) return true;
    const std::string scalePath = path + ".scale";
    if (it->is_array()) {
        if (it->size() != 2) {
            reading.issue(scalePath, "must be an integer or [horizontal, vertical]");
            return false;
        }
        const bool h = reading.integer((*it)[0], scalePath + "[0]", INT_MIN, INT_MAX, field.scaleH);
        const bool v = reading.integer((*it)[1], scalePath + "[1]", INT_MIN, INT_MAX, field.scaleV);
        return h && v;
    }
    if (!reading.integer(*it, scalePath, INT_MIN, INT_MAX, field.scaleH)) return false;
    field.scaleV = field.scaleH;
    return true;
}

bool readField(Reading& reading, const Json& object, const std::string& path, LabelField& field) {
    if (!reading.isObject(object, path)) return false;
    reading.unknownKeys(object, path,
                        {"x", "y", "family", "font", "scale", "rotate", "invert", "charset", "text",
                         "hex", "placement"});
    bool good = reading.member(object, "x", path, INT_MIN, INT_MAX, field.x);
    good = reading.member(object, "y", path, INT_MIN, INT_MAX, field.y) && good;
    good = reading.member(object, "family", path, INT_MIN, INT_MAX, field.family) && good;
    good = reading.member(object, "font", path, INT_MIN, INT_MAX, field.font) && good;
    good = reading.member(object, "rotate", path, INT_MIN, INT_MAX, field.rotation) && good;
    good = reading.member(object, "charset", path, 0, 14, field.charSet) && good;
    good = readScale(reading, object, path, field) && good;
    const auto invert = object.find("invert");
    if (invert != object.end()) {
        if (invert->is_boolean()) {
            field.invert = invert->get<bool>();
        } else {
            reading.issue(path + ".invert", "must be true or false");
            good = false;
        }
    }
    const auto placement = object.find("placement");
    if (placement != object.end()) {
        if (*placement == "ink") {
            field.placement = Placement::ink;
        } else if (*placement == "whole") {
            field.placement = Placement::whole;
        } else {
            reading.issue(path + ".placement", "must be \"ink\" or \"whole\"");
            good = false;
        }
    }
    return readText(reading, object, path, field.text) && good;
}

bool readBox(Reading& reading, const Json& object, const std::string& path, LabelBox& box) {
    if (!reading.isObject(object, path)) return false;
    reading.unknownKeys(object, path, {"x", "y", "width", "height", "thickness"});
    bool good = reading.member(object, "x", path, INT_MIN, INT_MAX, box.x);
    good = reading.member(object, "y", path, INT_MIN, INT_MAX, box.y) && good;
    good = reading.member(object, "thickness", path, 0, INT_MAX, box.thickness) && good;
    for (const char* key : {"width", "height"}) {
        if (!object.contains(key)) {
            reading.issue(path, std::string("needs \"") + key + "\"");
            good = false;
        }
    }
    good = reading.member(object, "width", path, 0, INT_MAX, box.width) && good;
    return reading.member(object, "height", path, 0, INT_MAX, box.height) && good;
}

// The array at `key`, or null (with an issue when it is there but no array, or too long).
const Json* itemArray(Reading& reading, const Json& top, const char* key) {
    const auto it = top.find(key);
    if (it == top.end()) return nullptr;
    const std::string path = std::string("$.") + key;
    if (!it->is_array()) {
        reading.issue(path, "must be an array");
        return nullptr;
    }
    if (it->size() > kMaxLabelItems) {
        reading.issue(path, "more than " + std::to_string(kMaxLabelItems) + " items");
        return nullptr;
    }
    return &*it;
}

}  // namespace

std::string fieldPath(std::size_t index) {
    return "$.fields[" + std::to_string(index) + "]";
}

LabelDescription readLabelJson(const std::string& text) {
    if (text.size() > kMaxLabelJsonBytes) {
        throw LabelJsonError("label file of " + std::to_string(text.size()) +
                             " bytes, more than the limit of " +
                             std::to_string(kMaxLabelJsonBytes));
    }
    checkNesting(text);
    Json top;
    try {
        top = Json::parse(text);
    } catch (const Json::parse_error& error) {
        std::string reason = error.what();
        const std::size_t colon = reason.find(": ");
        if (colon != std::string::npos) reason.erase(0, colon + 2);
        const std::size_t offset = error.byte > 0 ? error.byte - 1 : 0;
        throw LabelJsonError("bad JSON at " + at(positionOf(text, offset)) + ": " + reason);
    } catch (const Json::exception& error) {
        // A number too large for a double throws out_of_range, which carries no position.
        std::string reason = error.what();
        const std::size_t bracket = reason.find("] ");
        if (bracket != std::string::npos) reason.erase(0, bracket + 2);
        throw LabelJsonError("bad JSON: " + reason);
    }

    LabelDescription description;
    Reading reading(description.issues);
    if (!reading.isObject(top, "$")) return description;
    reading.unknownKeys(top, "$", {"width", "height", "dpi", "fields", "boxes"});
    int width = 0;
    int height = 0;
    int dpi = 203;
    bool sized = true;
    for (const char* key : {"width", "height"}) {
        if (!top.contains(key)) {
            reading.issue("$", std::string("needs \"") + key + "\"");
            sized = false;
        }
    }
    sized = reading.member(top, "width", "$", 1, INT_MAX, width) && sized;
    sized = reading.member(top, "height", "$", 1, INT_MAX, height) && sized;
    const auto dpiValue = top.find("dpi");
    if (dpiValue != top.end() && *dpiValue != 203 && *dpiValue != 300) {
        reading.issue("$.dpi", "must be 203 or 300");
        sized = false;
    } else if (dpiValue != top.end()) {
        dpi = dpiValue->get<int>();
    }
    if (sized) {
        try {
            description.label = std::make_unique<Label>(width, height, dpi);
        } catch (const std::exception& error) {
            reading.issue("$", error.what());
        }
    }

    if (const Json* boxes = itemArray(reading, top, "boxes")) {
        for (std::size_t i = 0; i < boxes->size(); ++i) {
            LabelBox box;
            const std::string path = "$.boxes[" + std::to_string(i) + "]";
            if (readBox(reading, (*boxes)[i], path, box) && description.label) {
                description.label->add(box);
            }
        }
    }
    if (const Json* fields = itemArray(reading, top, "fields")) {
        for (std::size_t i = 0; i < fields->size(); ++i) {
            LabelField field;
            if (readField(reading, (*fields)[i], fieldPath(i), field) && description.label) {
                description.label->add(std::move(field));
                description.fieldIndex.push_back(i);
            }
        }
    }
    return description;
}

}  // namespace txr::tool
