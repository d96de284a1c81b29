// A label composed the way a host composes one without txr::Label: each field's GetBmpFile file
// read back and its dots laid at the field's position on a grid of characters.
#pragma once

#include <string>
#include <vector>

#include "txr/label.h"

namespace txr::test {

// The label as ASCII ('#' ink, '.' paper, rows top first each ending '\n'): boxes, then fields,
// each field from a fresh CTXR over `fontDirectory` (GetBmpFile into `workDirectory`).
std::string composedLabel(int width, int height, int dpi, const std::vector<LabelBox>& boxes,
                          const std::vector<LabelField>& fields, const std::string& fontDirectory,
                          const std::string& workDirectory);

}  // namespace txr::test
