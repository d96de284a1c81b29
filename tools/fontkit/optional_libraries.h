// Which of the font kit's parts that rest on outside libraries this build holds (the CMake option
// TXR_WITH_FREETYPE_PNG): standard fonts are read through FreeType, PNG files written by libpng.
// A build without them keeps the same functions; they fail and say that this build lacks them.
#pragma once

namespace txr::fontkit {

// FreeTypeFont opens fonts; otherwise its constructor throws FontKitError naming the font, and
// manifests build from `bdf` blocks only.
bool readsStandardFonts();

// writeOneBitPng and writeRgbPng write files; otherwise they return false with the reason.
bool writesPng();

}  // namespace txr::fontkit
