// A small complete font set for end-to-end tests, built with the font kit writers.
#pragma once

#include <string>

namespace txr::test {

// Families 0 and 2: every block holds exactly these codes, drawn as letters A, B, i and a degree
// sign; every other code has no glyph.
extern const char kTestFontCodes[];  // "ABi\xB0"

// Family 1: every glyph place of every font holds a picture of its own glyph number (its bits
// as dots in the top row, a bar under them), so a character set that maps a code to another
// glyph number draws another picture.

// Writes A.bin, A300.bin, B.bin, B300.bin and Z.bin into `directory` (which must exist); false
// when a file cannot be written.
bool writeTestFontSet(const std::string& directory);

}  // namespace txr::test
