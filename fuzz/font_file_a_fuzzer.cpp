// Fuzz target: font file A (family 0) through CTXR.
#include "font_file_fuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    txr::fuzz::fuzzFontFile(0, data, size);
    return 0;
}
