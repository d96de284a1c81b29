// Open files of the test process, asked of the system one descriptor or handle at a time.
#include "support/open_files.h"

#if defined(_WIN32)
#include <windows.h>

#include <cstdint>
#else
#include <fcntl.h>
#endif

namespace txr::test {

#if defined(_WIN32)
// Kernel handles are multiples of 4; the C runtime's files and CFile's are among them.
int openFileDescriptors() {
    // The system opens handles of its own at the first screen DC (user32's window station and
    // desktop; GetBmpFile takes one) and at the first exception thrown: let both happen before
    // any count, so that counts before and after a call agree.
    static const bool systemHandlesOpened = [] {
        ReleaseDC(nullptr, GetDC(nullptr));
        try {
            throw 0;
        } catch (int) {
        }
        return true;
    }();
    (void)systemHandlesOpened;
    int open = 0;
    for (std::uintptr_t value = 4; value < 4 * 2048; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++open;
    }
    return open;
}
#else
int openFileDescriptors() {
    int open = 0;
    for (int fd = 0; fd < 4096; ++fd) {
        if (fcntl(fd, F_GETFD) != -1) ++open;
    }
    return open;
}
#endif

}  // namespace txr::test
