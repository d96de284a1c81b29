// POSIX file status and error texts behind file_status.h.
#include "platform/file_status.h"

#include <stdio.h>
#include <sys/stat.h>

#include <cstring>

namespace txr {

bool isDirectory(std::FILE* file) {
    struct stat status {};
    return fstat(fileno(file), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string systemErrorText(long osError) {
    return std::strerror(static_cast<int>(osError));
}

}  // namespace txr
