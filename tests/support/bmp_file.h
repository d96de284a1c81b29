// Files for tests: whole files, folder listings, a fresh directory per test, one-bit BMP files read
// back.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace txr::test {

std::vector<std::uint8_t> readFileBytes(const std::string& path);
bool fileExists(const std::string& path);
// The names of the entries of `directory`, "." and ".." left out; empty when it cannot be read.
std::set<std::string> namesIn(const std::string& directory);
// An empty directory of the running test's own in the current one; its absolute path, ending '/'.
std::string freshTestDirectory();

struct BmpPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> bytes;  // the whole file
    std::string ascii;  // top row first, '#' colour 0 (black), '.' colour 1, each row ends '\n'
};

// Parses a one-bit, bottom-up BMP with a 62-byte header; throws std::runtime_error otherwise.
BmpPicture readOneBitBmp(const std::string& path);
BmpPicture parseOneBitBmp(const std::vector<std::uint8_t>& bytes);

}  // namespace txr::test
