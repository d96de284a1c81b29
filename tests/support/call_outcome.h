// What a host observes of one text through a CTXR, as one string to compare, and the selections
// of every bundled font: for tests that compare two ways of making the same calls.
#pragma once

#include <string>
#include <vector>

#include "txr/TXR.h"

namespace txr::test {

struct FontSelection {
    int family;
    int font;
    int resolution;
};

// Every font number of every family that the bundled font files serve.
std::vector<FontSelection> everyBundledFont();

// GetStringSize's result, then the bytes of the file GetBmpFile writes at `path` (none: nothing).
std::string callOutcome(CTXR& txr, const std::string& path, const CString& text);

}  // namespace txr::test
