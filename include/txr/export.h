// Export macro for the library's public classes and functions.
#pragma once

#if defined(_WIN32)
#if defined(TXR_BUILDING_SHARED)
#define TXR_API __declspec(dllexport)
#elif defined(TXR_USING_SHARED)
#define TXR_API __declspec(dllimport)
#else
#define TXR_API
#endif
#else
#if defined(TXR_BUILDING_SHARED)
#define TXR_API __attribute__((visibility("default")))
#else
#define TXR_API
#endif
#endif
