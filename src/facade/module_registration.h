// The library's registration with the framework as an extension module.
#pragma once

#include "txr/platform/windef.h"

namespace txr {

// What the library's entry point does for a load notification: on process attach it initialises
// its extension-module record and registers one CDynLinkLibrary (FALSE when initialising
// failed); on process detach it terminates the record; anything else does nothing.
BOOL moduleMain(DWORD reason, HINSTANCE instance = nullptr);

}  // namespace txr
