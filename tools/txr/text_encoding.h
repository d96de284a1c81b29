// --encoding utf-8 in the tool: the library's character mapping with its failures told in words,
// and the table of family 1's character sets that `txr charsets` prints.
#pragma once

#include <string>
#include <vector>

#include "txr/encoding.h"

namespace txr::tool {

using encoding::CharacterBytes;
using encoding::EncodedCharacter;

// Each character of `text` with its byte in `bytes`; throws CLI::ValidationError naming the byte
// offset of the first malformed sequence.
std::vector<EncodedCharacter> encodeCharacters(const std::string& text,
                                               const CharacterBytes& bytes);

// The table `txr charsets` prints: one line per character set with what it covers.
std::string characterSetTable();

}  // namespace txr::tool
