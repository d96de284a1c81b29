// The entry point of txr.dll: registration with the framework on process attach and detach.
// Other builds register from a static object instead (txr.cpp).
#include "facade/module_registration.h"

#if defined(TXR_REGISTER_IN_DLLMAIN)
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    return txr::moduleMain(reason, instance);
}
#endif
