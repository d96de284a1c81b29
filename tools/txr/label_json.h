// Reading a label description (JSON) into a txr::Label, with every problem named by its JSON path.
// The schema is in docs/labels.md; examples/label.json is an example.
#pragma once

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "txr/label.h"

namespace txr::tool {

// Limits checked before the text is parsed, so that a hostile file costs little: its size, the
// nesting of arrays and objects (a label needs 3), and after parsing the number of fields and
// boxes and the length of a text.
constexpr std::size_t kMaxLabelJsonBytes = std::size_t{4} << 20;
constexpr int kMaxLabelJsonDepth = 8;
constexpr std::size_t kMaxLabelItems = 10000;
constexpr std::size_t kMaxLabelTextBytes = 4096;

// A file that cannot be read as a label at all: not JSON (what() gives line and column), too
// large or too deeply nested.
class LabelJsonError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct LabelIssue {
    std::string path;     // "$.fields[2].scale"
    std::string message;  // "must be an integer from 1 to 2147483647"
};

struct LabelDescription {
    std::unique_ptr<Label> label;         // null when the top level is unusable (no size, bad size)
    std::vector<LabelIssue> issues;       // unknown keys, wrong types, values out of range
    std::vector<std::size_t> fieldIndex;  // the JSON index of each of the label's fields
};

// Parses `text`. Throws LabelJsonError; anything else wrong is listed in `issues`, and the label
// holds every field and box that was read whole.
LabelDescription readLabelJson(const std::string& text);

// The JSON path of field `index`: "$.fields[index]".
std::string fieldPath(std::size_t index);

}  // namespace txr::tool
