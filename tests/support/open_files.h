// Counting the process's open file descriptors, for tests that a call leaves no file open.
#pragma once

namespace txr::test {

// Open descriptors below 4096 (the standard streams included).
int openFileDescriptors();

}  // namespace txr::test
