// What the framework classes and the canvas need from the GDI layer beyond the calls of
// windef.h: a slot for framework data on each GDI object, object kinds, and device surfaces.
// On Windows only the first two exist (win32/gdi_objects.cpp), over gdi32's own objects.
//
// Choices of this layer that the Windows calls leave open:
// - Handles are checked: a call with a handle that is not a live object fails as GDI does.
// - The stock 1x1 bitmap that every new memory DC holds is shared and read-only: drawing into a
//   DC that holds it changes nothing, and it reads as one black dot.
// - CreateCompatibleBitmap needs a live DC; with a null DC it returns nullptr.
// - DeleteObject of an object selected into a DC fails; if that DC is then deleted while still
//   holding it, the object is freed with the DC (nobody else can reach it any more).
// - GetDIBits returns the bitmap's height when asked for the header only (bits == nullptr); it
//   lays rows out with the stride of the caller's biWidth and counts scan lines from the bottom
//   of the bitmap. Only one-bit, bottom-up requests are served.
// - StretchDIBits and GetDIBits accept info headers of 40 to 124 bytes (biSize).
// - GetObjectA fills a BITMAP only when the buffer holds a whole one, as gdi32 does.
#pragma once

#include <memory>

#include "txr/platform/windef.h"

namespace txr {

// Data the framework hangs on a GDI object; destroyed when the object is deleted.
class ObjectCompanion {
  public:
    virtual ~ObjectCompanion() = default;
};

using CompanionFactory = std::unique_ptr<ObjectCompanion> (*)();

// The companion of a live GDI object. When it has none and `make` is given, make() becomes its
// companion (make runs under the layer's lock and must not call drawing functions). nullptr for
// a handle that is not a live object; on Windows, where a deletion is noticed only later, a
// lookup without `make` still finds the companion of an object deleted meanwhile.
ObjectCompanion* objectCompanion(HGDIOBJ object, CompanionFactory make);

// OBJ_BITMAP or OBJ_PEN for a live object, 0 otherwise.
UINT gdiObjectType(HGDIOBJ object);

// A device context over its own RGB surface of width x height dots filled with `paper`: the
// stand-in for a window or printer. nullptr when the size is negative or too large.
HDC createDeviceDC(int width, int height, COLORREF paper);
// Fills the whole surface a device context draws on; FALSE when it has none.
BOOL fillDeviceSurface(HDC dc, COLORREF colour);

}  // namespace txr
