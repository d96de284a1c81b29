// Dot-preview dots drawn with a wide pen.
#include "common/pen_dots.h"

namespace txr {
namespace {

constexpr int kDotPenWidth = 5;
constexpr COLORREF kDotPenColour = 0x00FF0000;  // blue

}  // namespace

void drawPenDots(CDC* dc, int penStyle, const std::vector<std::pair<int, int>>& dots) {
    if (dc == nullptr) return;
    CPen pen(penStyle, kDotPenWidth, kDotPenColour);
    // Restored through its base class: the DC's pen may be wrapped by a plain CGdiObject.
    CGdiObject* previous = dc->SelectObject(static_cast<CGdiObject*>(&pen));
    if (previous == nullptr) return;
    for (const auto& [x, y] : dots) {
        dc->MoveTo(x, y);
        dc->LineTo(x, y);
    }
    dc->SelectObject(previous);
    pen.DeleteObject();
}

}  // namespace txr
