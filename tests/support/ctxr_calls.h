// The calls a host makes through CTXR, for end-to-end tests: what each paints or writes, what it
// leaves open behind it, and the selections of every bundled font.
#pragma once

#include <string>
#include <vector>

#include "support/bmp_file.h"
#include "txr/TXR.h"

namespace txr::test {

// FontOut at (x, y) onto a width x height canvas of green, drawn as printedOf draws it: '#'
// black, '.' white, '?' canvas the call did not paint.
std::string drawnBy(CTXR& txr, const CString& text, int width, int height, int x = 0, int y = 0);

// GetBmpFile into `path`, removed first; the file read back, or an empty picture (no bytes) when
// the call wrote none.
BmpPicture exportedBy(CTXR& txr, const CString& text, const std::string& path = "out.bmp");

// GetStringImage's dots drawn as BmpPicture::ascii draws a file's: '#' ink, '.' paper.
std::string imagedBy(CTXR& txr, const CString& text);

// What the last call left behind that it must not: font files open, fetch counts not reset, the
// staging file ../string.bmp. Empty when nothing.
std::string leftBehind(const CTXR& txr);

struct FontSelection {
    int family;
    int font;
    int resolution;
};
// Every font number of every family that the bundled font files serve.
std::vector<FontSelection> everyBundledFont();

// What a host observes of one text, as one string to compare: GetStringSize's result, then the
// bytes of the file GetBmpFile writes at `path` (none: nothing).
std::string callOutcome(CTXR& txr, const std::string& path, const CString& text);

}  // namespace txr::test
