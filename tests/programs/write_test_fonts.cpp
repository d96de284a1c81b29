// Writes the test font set into a directory, for tests that cannot build it themselves (the C
// API test): write_test_fonts DIRECTORY.
#include <cstdio>
#include <filesystem>

#include "support/test_fonts.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_test_fonts DIRECTORY\n");
        return 64;
    }
    std::error_code error;
    std::filesystem::create_directories(argv[1], error);
    if (error || !txr::test::writeTestFontSet(argv[1])) {
        std::fprintf(stderr, "write_test_fonts: cannot write the font set into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
