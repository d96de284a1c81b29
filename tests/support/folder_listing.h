// The names in a folder, for tests that check what a call left behind.
#pragma once

#include <set>
#include <string>

namespace txr::test {

// The names of the entries of `directory`, "." and ".." left out; empty when it cannot be read.
std::set<std::string> namesIn(const std::string& directory);

}  // namespace txr::test
