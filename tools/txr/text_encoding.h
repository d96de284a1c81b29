// --encoding utf-8 in the tool: the library's character mapping with its failures told in words,
// and the table of family 1's character sets that `txr charsets` prints.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "txr/encoding.h"

namespace txr::tool {

using encoding::CharacterBytes;
using encoding::EncodedCharacter;

// Each character of `text` with its byte in `bytes`; throws CLI::ValidationError naming the byte
// offset of the first malformed sequence.
std::vector<EncodedCharacter> encodeCharacters(const std::string& text,
                                               const CharacterBytes& bytes);

// The code page that the font directory's manifest.txt names for each (font file, block); empty
// when the directory has no manifest.
using ManifestCodePages = std::map<std::pair<std::string, int>, encoding::CharacterMap>;
ManifestCodePages manifestCodePages(const std::string& fontPrefix);

// Which byte stands for which character in a font: family 1 through its character set, families
// 0 and 2 through the code page the manifest names for `block` of `fileName` (cp850 otherwise).
CharacterBytes fontCharacterBytes(const ManifestCodePages& codePages, int family,
                                  const std::string& fileName, int block, int resolution,
                                  int charSet);

// The table `txr charsets` prints: one line per character set with what it covers.
std::string characterSetTable();

}  // namespace txr::tool
