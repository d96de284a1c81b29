// The shared library as a host loads it at run time: it loads, and registers itself with the
// framework's list of extension libraries (from DllMain on Windows, a static object elsewhere).
#include <gtest/gtest.h>

#include <cstddef>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

constexpr char kCountSymbol[] = "_ZN3txr28registeredExtensionLibrariesEv";

struct Library {
#if defined(_WIN32)
    HMODULE module = LoadLibraryA("txr.dll");
    ~Library() {
        if (module != nullptr) FreeLibrary(module);
    }
    void* count() const {
        return reinterpret_cast<void*>(GetProcAddress(module, kCountSymbol));
    }
#else
    void* module = dlopen(TXR_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ~Library() {
        if (module != nullptr) dlclose(module);
    }
    void* count() const {
        return dlsym(module, kCountSymbol);
    }
#endif
};

TEST(SharedLibrary, LoadsAndRegistersItselfOnce) {
    const Library library;
    ASSERT_NE(library.module, nullptr) << "the shared library did not load";
    const auto count = reinterpret_cast<std::size_t (*)()>(library.count());
    ASSERT_NE(count, nullptr) << kCountSymbol << " is not exported";
    EXPECT_EQ(count(), 1u);
}

}  // namespace
