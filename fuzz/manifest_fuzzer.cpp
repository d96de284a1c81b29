// Fuzz target: the font manifest parser and the lookups a build makes on what it accepts.
#include <cstdint>
#include <string>

#include "fontkit/fontkit_error.h"
#include "fontkit/manifest.h"
#include "fuzz_support.h"

using namespace txr::fontkit;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Manifest manifest;
    try {
        manifest = parseManifest(text, "fuzz.txt", "/nonexistent-txr-fuzz");
    } catch (const FontKitError&) {
        return 0;
    }
    for (const FileSpec& file : manifest.files) {
        TXR_FUZZ_CHECK(manifest.file(file.kind) != nullptr);
        TXR_FUZZ_CHECK(fontFileKindByName(fontFileName(file.kind)) == file.kind);
        for (const BlockSpec& block : file.blocks) {
            TXR_FUZZ_CHECK(block.number >= 0 && block.number <= maxBlockNumber(file.kind));
            for (int code = 0; code < 256; ++code) block.overrideFor(code);
        }
    }
    return 0;
}
