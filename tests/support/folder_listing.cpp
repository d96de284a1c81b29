// Folder listings through std::filesystem, so that they build on every system.
#include "support/folder_listing.h"

#include <filesystem>

namespace txr::test {

std::set<std::string> namesIn(const std::string& directory) {
    std::set<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        names.insert(it->path().filename().string());
    }
    return names;
}

}  // namespace txr::test
