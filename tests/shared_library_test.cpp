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

// The process ends with the library still loaded: nothing here checks its unloading.
TEST(SharedLibrary, LoadsAndRegistersItselfOnce) {
#if defined(_WIN32)
    const HMODULE library = LoadLibraryA("txr.dll");
    ASSERT_NE(library, nullptr) << "the shared library did not load";
    void* const symbol = reinterpret_cast<void*>(GetProcAddress(library, kCountSymbol));
#else
    void* const library = dlopen(TXR_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << "the shared library did not load";
    void* const symbol = dlsym(library, kCountSymbol);
#endif
    const auto count = reinterpret_cast<std::size_t (*)()>(symbol);
    ASSERT_NE(count, nullptr) << kCountSymbol << " is not exported";
    EXPECT_EQ(count(), 1u);
}

}  // namespace
