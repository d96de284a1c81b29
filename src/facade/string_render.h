// Measuring a text and laying its glyphs out on the string bitmap, shared by FontOut, GetBmpFile
// and the in-memory rendering of the C API.
#pragma once

#include <cstdint>

#include "facade/bmp_writer.h"
#include "txr/TXR.h"
#include "txr/string_image.h"

namespace txr {

// The string bitmap of one call: a memory device context compatible with `reference` and, once
// created, a one-bit bitmap selected into it. The destructor selects the earlier bitmap back and
// deletes both.
class StringBitmap {
  public:
    explicit StringBitmap(HDC reference);
    StringBitmap(const StringBitmap&) = delete;
    StringBitmap& operator=(const StringBitmap&) = delete;
    ~StringBitmap();

    // Creates, selects and fills (white, or black when `black`) a width x height bitmap. False
    // when the size is empty or above kMaxStringDots, or the platform refuses it.
    bool create(int width, int height, bool black);
    CDC* dc() { return &dc_; }
    CBitmap* bitmap() { return &bitmap_; }

  private:
    CDC dc_;
    CBitmap bitmap_;
    // The bitmap the DC held before, as a handle: its framework wrapper is shared with every
    // thread whose DC holds the same stock bitmap.
    HGDIOBJ previous_ = nullptr;
};

// Closes every engine's font file still open and marks engines A and Z as closed.
void closeFontFiles(CTXR& txr);

// Measures `text` for the selected family into stringWidth and stringHeight (upright) and closes
// the family's font file. Sizes that do not fit an int are clamped.
void measureString(CTXR& txr, const unsigned char* text, int length);

// FontOut's and GetBmpFile's drawing up to the finished string bitmap: measures, creates the
// bitmap in `target`, and paints every glyph. False when nothing could be drawn (no family
// matches, or the bitmap could not be made).
bool drawString(CTXR& txr, StringBitmap& target, CString& text);

// The same drawing, read back and turned as the selection says: what GetBmpFile would write.
// False (and `image` empty) when GetBmpFile would write nothing.
bool renderStringImage(CTXR& txr, CString text, BmpRowsImage& image);

// The same dots top row first, a set bit where the printer prints black (see StringImage).
StringImage inkImage(const BmpRowsImage& image);
// And back: the rows as a BMP stores them.
BmpRowsImage storedImage(const StringImage& image);

// CTXR::rotation holds the caller's quarter turns with 1 and 3 exchanged (hosts read the field as
// stored); the one mapping, its own inverse, serves both ways.
int exchangedQuarterTurns(int turns);
// Quarter turns clockwise for a stored rotation; 0 for a value SetFont refused.
int clockwiseTurns(int storedRotation);

}  // namespace txr
