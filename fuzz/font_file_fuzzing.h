// The body of the three font-file targets: the input becomes the family's font file and every
// drawing call of CTXR runs over the selection its last bytes name.
#pragma once

#include <cstddef>
#include <cstdint>

namespace txr::fuzz {

void fuzzFontFile(int family, const std::uint8_t* data, std::size_t size);

}  // namespace txr::fuzz
