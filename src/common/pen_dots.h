// Draws dot-preview dots: zero-length lines with a 5-unit blue pen, the DC's pen restored after.
#pragma once

#include <utility>
#include <vector>

#include "txr/platform/afxgdi.h"

namespace txr {

// Creates a pen of `penStyle`, width 5, colour 0x00FF0000, selects it into `dc`, draws each dot
// as MoveTo/LineTo to the same point, selects the previous pen back and deletes the new one.
void drawPenDots(CDC* dc, int penStyle, const std::vector<std::pair<int, int>>& dots);

}  // namespace txr
