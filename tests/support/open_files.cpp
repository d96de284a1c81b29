// Open file descriptors of the test process, asked of the system one descriptor at a time.
#include "support/open_files.h"

#include <fcntl.h>

namespace txr::test {

int openFileDescriptors() {
    int open = 0;
    for (int fd = 0; fd < 4096; ++fd) {
        if (fcntl(fd, F_GETFD) != -1) ++open;
    }
    return open;
}

}  // namespace txr::test
