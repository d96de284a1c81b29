// CTXR: the one class a host uses. It holds the font selection, owns one engine per font family,
// measures a text, and draws it onto a device context (FontOut) or into a BMP file (GetBmpFile)
// exactly as the printer prints it.
//
// Decisions a host can rely on:
// - family starts at 0 and resolution at 203, so GetStringSize before any SetFont is defined.
// - A negative scaleH or scaleV is refused like 0: SetFont returns 3 or 4.
// - Copying a CTXR gives a fully independent copy: the same selection, path, video sense and
//   staging mode, with engines and a bitmap painter of its own; nothing is shared and no font
//   file is open in it.
// - A drawing larger than txr::kMaxStringDots dots, one that paints more than
//   txr::kMaxPaintedDots, or one of zero width (an empty text), is not made: GetStringSize still
//   reports its size, FontOut paints nothing and GetBmpFile writes nothing (a file already at the
//   path is left as it was).
// - FontOut stages its drawing in the file "../string.bmp" ("..\string.bmp" on Windows)
//   relative to the current directory. FontOut calls take turns on it: in one process, and
//   across processes sharing the directory (an advisory lock; on Windows the file's share mode),
//   so each call paints its own drawing. The name is the library's: a regular file there is
//   overwritten and removed before FontOut returns or throws. A symbolic link, a FIFO, a
//   directory or any other non-regular file (on Windows a reparse point) at the name is refused
//   with a CFileException and left as it is; so is a file with more than one name (a hard link).
//   When the file cannot be created or written, the CFileException passes to the caller and
//   nothing of ours is left. When it cannot be read back, FontOut paints nothing.
// - SetStagingFile(false) makes this CTXR's FontOut paint from memory: the same pixels, no file
//   at all, and no turn to wait for, so one CTXR per thread paints in parallel.
// - GetBmpFile replaces the file at its path whole: the path holds either the old file or the
//   whole new one, never a part (see docs/reliability.md for links, permissions and the
//   fallback where the directory is read-only).
// - FontOut with a null pDC draws and stages as usual and paints nothing.
// - GetStringImage gives the dots of the file GetBmpFile would write, in memory: it uses no
//   staging file and writes nothing, so threads may render at the same time, each with a CTXR
//   of its own. It gives an empty image where GetBmpFile writes nothing.
// - UseCache(&cache) makes every later call read font files through a txr::FontCache shared
//   with other CTXR objects (see txr/font_cache.h); UseCache(nullptr) goes back to reading them on
//   every call. Results are the same either way. Copies use the cache of the CTXR they copy.
// - Sizes (GetStringSize, stringWidth, stringHeight) that do not fit an int are clamped to
//   INT_MIN or INT_MAX; a refused negative scale factor is still measured with (negative size).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "txr/GeneraterA.h"
#include "txr/GeneraterB.h"
#include "txr/GeneraterZ.h"
#include "txr/export.h"
#include "txr/font_cache.h"
#include "txr/owned.h"
#include "txr/platform.h"
#include "txr/string_image.h"

class CDibImage;

namespace txr {
// The largest string bitmap, in dots, that FontOut and GetBmpFile will make (2^28 dots, 32 MiB
// of one-bit rows): enough for 255 characters of any font at large magnifications.
constexpr std::int64_t kMaxStringDots = std::int64_t{1} << 28;
// The most dots one FontOut or GetBmpFile call paints onto its string bitmap, summed over its
// glyphs (each glyph's magnified bitmap, clipped to the string bitmap's size): twice the largest
// string bitmap. Glyphs of real fonts overlap little, so only a font made to stack large glyphs
// on one spot reaches it; such a call draws nothing, like one above kMaxStringDots.
constexpr std::int64_t kMaxPaintedDots = 2 * kMaxStringDots;
}  // namespace txr

class TXR_API CTXR {
  public:
    CTXR();
    CTXR(const CTXR& other);
    CTXR& operator=(const CTXR& other);
    virtual ~CTXR();

    // 0 when the whole selection is accepted, else 1 (family), 2 (font number), 3 (scaleH),
    // 4 (scaleV) or 5 (rotation: 0 to 3 quarter turns clockwise).
    int SetFont(int family, int fontType, int scaleH, int scaleV, int rotation, int resolution);
    // The font directory as a plain prefix: pass it with its trailing separator.
    void SetPath(CString path);
    // 1 for reverse video, 0 for normal; returns 1 when accepted, 0 for any other value.
    int SetInvert(int invert);

    void FontOut(CDC* pDC, int x, int y, CString text);
    CSize GetStringSize(CString text);
    void GetBmpFile(CString path, CString text);
    // True (the default): FontOut stages its drawing in the staging file. False: it paints from
    // memory, with the same pixels and no file.
    void SetStagingFile(bool useStagingFile);
    // Whether the last FontOut, GetBmpFile or GetStringImage of a ready selection made its
    // drawing: false when no family matched, the text was empty, or the drawing was above
    // kMaxStringDots or kMaxPaintedDots.
    bool LastDrawingMade() const;
    // The turned one-bit image of `text` for the current selection: the dots of GetBmpFile's
    // file, top row first, a set bit where the printer prints black. Empty when no selection has
    // been accepted or GetBmpFile would write nothing.
    txr::StringImage GetStringImage(CString text);
    // Not owned: the cache must outlive this object or be replaced first.
    void UseCache(txr::FontCache* cache);

    // Each engine and the bitmap painter belong to this object: a copy has copies of its own,
    // and assignment assigns them in place.
    txr::OwnedValue<CGeneraterA> engineA;
    txr::OwnedValue<CGeneraterB> engineB;
    txr::OwnedValue<CGeneraterZ> engineZ;
    int textLength = 0;
    int family = 0;
    int penX = 0;
    int stringWidth = 0;
    int stringHeight = 0;
    int scaleH = 1;
    int scaleV = 1;
    int rotation = 0;
    int fontType = 0;
    int invert = 0;
    int resolution = 203;
    int fontReady = 0;
    txr::OwnedValue<CDibImage> dibImage;

  private:
    bool stagingFile_ = true;
    bool lastDrawingMade_ = false;
};

namespace txr {
// The positions in `text` of the bytes that have no glyph in the selected font (family 1: in its
// character set), asked of the engine as drawing asks it. Every font file is closed afterwards.
TXR_API std::vector<std::size_t> missingGlyphs(CTXR& txr, const char* text, std::size_t length);
}  // namespace txr
