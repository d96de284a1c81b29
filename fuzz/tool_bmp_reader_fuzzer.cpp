// Fuzz target: the txr tool's one-bit BMP reader (used by txr diff) on arbitrary bytes.
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "bmp_reader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    txr::tool::InkPicture picture;
    try {
        picture = txr::tool::parseOneBitBmp(bytes);
    } catch (const std::runtime_error&) {
        return 0;
    }
    TXR_FUZZ_CHECK(picture.width > 0 && picture.height > 0);
    TXR_FUZZ_CHECK(std::int64_t{picture.width} * picture.height <= txr::tool::kMaxPictureDots);
    TXR_FUZZ_CHECK(picture.ink.size() == static_cast<std::size_t>(picture.width) *
                                             static_cast<std::size_t>(picture.height));
    TXR_FUZZ_CHECK(!picture.at(picture.width, 0) && !picture.at(-1, 0));
    return 0;
}
