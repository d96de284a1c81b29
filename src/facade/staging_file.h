// Where FontOut stages its drawing: the file string.bmp in the parent of the current directory,
// spelt as the system spells paths.
#pragma once

namespace txr {

#if defined(_WIN32)
constexpr char kStagingFile[] = "..\\string.bmp";
#else
constexpr char kStagingFile[] = "../string.bmp";
#endif

}  // namespace txr
