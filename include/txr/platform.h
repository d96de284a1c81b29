// Everything a host needs of the drawing layer: types, drawing calls, framework classes, canvas.
#pragma once

#include "txr/platform/afx.h"
#include "txr/platform/afxgdi.h"
#include "txr/platform/canvas.h"
#include "txr/platform/windef.h"
