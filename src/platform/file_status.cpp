// POSIX file status behind file_status.h.
#include "platform/file_status.h"

#include <stdio.h>
#include <sys/stat.h>

namespace txr {

bool isDirectory(std::FILE* file) {
    struct stat status {};
    return fstat(fileno(file), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace txr
