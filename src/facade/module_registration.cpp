// Registers the library with the framework's list of extension modules while it is loaded.
#include "facade/module_registration.h"

#include "txr/platform/afx.h"

namespace txr {

namespace {
AFX_EXTENSION_MODULE& moduleRecord() {
    static AFX_EXTENSION_MODULE record;
    return record;
}

// Stands in for the instance handle a dynamic library is given when it is loaded.
HINSTANCE thisModule() {
    static char anchor;
    return reinterpret_cast<HINSTANCE>(&anchor);
}
}  // namespace

BOOL moduleMain(DWORD reason, HINSTANCE instance) {
    if (instance == nullptr) instance = thisModule();
    if (reason == DLL_PROCESS_ATTACH) {
        if (!AfxInitExtensionModule(moduleRecord(), instance)) return FALSE;
        // The framework keeps the library object on its list; AfxTermExtensionModule frees it.
        new CDynLinkLibrary(moduleRecord(), FALSE);
    } else if (reason == DLL_PROCESS_DETACH) {
        AfxTermExtensionModule(moduleRecord(), FALSE);
    }
    return TRUE;
}

}  // namespace txr
