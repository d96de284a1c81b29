// Shared pieces of the fuzz targets: a private scratch directory, writing an input to a file,
// checks that abort with a message, and the selection read from an input's last bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace txr::fuzz {

// A directory of this process's own, made on first use under $TMPDIR (or /tmp) and removed with
// its files when the process exits normally.
const std::string& scratchDirectory();

// Writes `size` bytes to `path`, replacing it; aborts when that fails (the harness is broken).
void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size);
bool fileExists(const std::string& path);

// Reports a broken invariant and aborts, so that libFuzzer keeps the input as a crash.
[[noreturn]] void fail(const char* file, int line, const char* what);

#define TXR_FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::txr::fuzz::fail(__FILE__, __LINE__, #condition))

// What a font-file input selects, read from its last kSelectionBytes bytes:
//   byte 0  font number (modulo the family's range plus one refused number)
//   byte 1  bits 0-1 scaleH - 1, bits 2-3 scaleV - 1, bits 4-5 rotation, bit 6 300 dpi,
//           bit 7 reverse video
//   byte 2  character set of family 1 (0 to 15; 15 keeps the table in force)
//   byte 3  text length, modulo 13
//   bytes 4-15  the text's bytes
constexpr std::size_t kSelectionBytes = 16;

struct Selection {
    int fontType = 0;
    int scaleH = 1;
    int scaleV = 1;
    int rotation = 0;
    int resolution = 203;
    int invert = 0;
    int charSet = 0;
    std::string text;
};

Selection selectionOf(int family, const std::uint8_t* trailer);
// The trailer that selectionOf reads back as `selection` (for the seed corpus).
std::string trailerOf(int family, const Selection& selection);

}  // namespace txr::fuzz
