// How the library names the file a path leads to, public so that tools replace their files the way
// GetBmpFile replaces one.
#pragma once

#include <string>

#include "txr/export.h"

namespace txr {

#if !defined(_WIN32)
// The file a path names once symbolic links are followed, as many as the kernel follows. A
// dangling link names its missing target, which writing then creates.
TXR_API std::string followLinks(std::string path);
#endif

}  // namespace txr
