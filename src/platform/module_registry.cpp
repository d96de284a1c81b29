// The framework's list of extension libraries, and the module initialisation that fills it.
#include <algorithm>
#include <mutex>
#include <vector>

#include "txr/platform/afx.h"

namespace {

struct LibraryList {
    std::mutex mutex;
    std::vector<CDynLinkLibrary*> libraries;
};

// Never destroyed, so that modules may unregister from their own static destructors.
LibraryList& libraryList() {
    static LibraryList* const list = new LibraryList;
    return *list;
}

}  // namespace

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL system)
    : m_hModule(state.hModule), m_hResource(state.hResource), m_bSystem(system) {
    LibraryList& list = libraryList();
    std::lock_guard<std::mutex> lock(list.mutex);
    list.libraries.push_back(this);
}

CDynLinkLibrary::~CDynLinkLibrary() {
    LibraryList& list = libraryList();
    std::lock_guard<std::mutex> lock(list.mutex);
    auto& libraries = list.libraries;
    libraries.erase(std::remove(libraries.begin(), libraries.end(), this), libraries.end());
}

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE module) {
    state.hModule = module;
    state.hResource = module;
    state.bInitialized = TRUE;
    return TRUE;
}

// The libraries are heap objects the framework owns once registered, as in the framework.
void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL all) {
    std::vector<CDynLinkLibrary*> doomed;
    {
        LibraryList& list = libraryList();
        std::lock_guard<std::mutex> lock(list.mutex);
        for (CDynLinkLibrary* library : list.libraries) {
            if (all || library->m_hModule == state.hModule) doomed.push_back(library);
        }
    }
    for (CDynLinkLibrary* library : doomed) delete library;
}

namespace txr {

std::size_t registeredExtensionLibraries() {
    LibraryList& list = libraryList();
    std::lock_guard<std::mutex> lock(list.mutex);
    return list.libraries.size();
}

}  // namespace txr
