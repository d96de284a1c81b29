// CTXR: construction, copying and the three setters that hold the font selection.
#include "txr/TXR.h"

#include "facade/dib_image.h"
#include "facade/module_registration.h"
#include "facade/string_render.h"

namespace {

#if !defined(TXR_REGISTER_IN_DLLMAIN)
// Registers the library with the framework while it is loaded (the process-attach and
// process-detach notifications of a dynamic library); a Windows DLL does it in DllMain.
struct ModuleLifetime {
    ModuleLifetime() { txr::moduleMain(DLL_PROCESS_ATTACH); }
    ~ModuleLifetime() { txr::moduleMain(DLL_PROCESS_DETACH); }
};
const ModuleLifetime kModuleLifetime;
#endif

// Hands font number and scale factors to the family's engine, stopping at the first refusal.
template <class Engine>
int selectOnEngine(Engine& engine, int fontType, int scaleH, int scaleV, int rotation,
                   int& fontReady) {
    fontReady = 0;
    if (engine.SetFonttype(fontType) == 0) return 2;
    // A negative factor is refused like 0: no printer magnifies by less than one.
    if (scaleH <= 0) return 3;
    engine.SetScaleH(scaleH);
    if (scaleV <= 0) return 4;
    engine.SetScaleV(scaleV);
    if (rotation < 0 || rotation > 3) return 5;
    fontReady = 1;
    return 0;
}

}  // namespace

CTXR::CTXR() = default;
CTXR::CTXR(const CTXR& other) = default;
CTXR& CTXR::operator=(const CTXR& other) = default;
CTXR::~CTXR() = default;

int CTXR::SetFont(int newFamily, int newFontType, int newScaleH, int newScaleV, int newRotation,
                  int newResolution) {
    family = newFamily;
    fontType = newFontType;
    scaleH = newScaleH;
    scaleV = newScaleV;
    rotation = txr::exchangedQuarterTurns(newRotation);
    resolution = newResolution;

    if (newResolution == 203 || newResolution == 300) {
        engineA->resolution = newResolution;
        engineB->resolution = newResolution;
    }
    switch (newFamily) {
        case 0:
            return selectOnEngine(*engineA, newFontType, newScaleH, newScaleV, newRotation,
                                  fontReady);
        case 1:
            return selectOnEngine(*engineB, newFontType, newScaleH, newScaleV, newRotation,
                                  fontReady);
        case 2:
            return selectOnEngine(*engineZ, newFontType, newScaleH, newScaleV, newRotation,
                                  fontReady);
        default:
            return 1;
    }
}

void CTXR::SetPath(CString path) {
    engineA->fontPath = path;
    engineB->fontPath = path;
    engineZ->fontPath = path;
}

int CTXR::SetInvert(int newInvert) {
    if (newInvert != 0 && newInvert != 1) return 0;
    invert = newInvert;
    engineA->invert = newInvert;
    engineB->invert = newInvert;
    engineZ->invert = newInvert;
    return 1;
}

void CTXR::UseCache(txr::FontCache* cache) {
    engineA->releaseFontFile();
    engineB->releaseFontFile();
    engineZ->releaseFontFile();
    engineA->fontCache = cache;
    engineB->fontCache = cache;
    engineZ->fontCache = cache;
}
