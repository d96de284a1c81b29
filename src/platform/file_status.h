// The one question about an open file that the C library cannot answer: is it a directory?
#pragma once

#include <cstdio>

namespace txr {

// True when `file` is open on a directory (fopen of a directory for reading succeeds on POSIX).
bool isDirectory(std::FILE* file);

}  // namespace txr
