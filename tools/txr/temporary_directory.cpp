// Private temporary directories: mkdtemp on POSIX, a new name under the user's temporary folder
// on Windows, which has no mkdtemp.
#include "temporary_directory.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

#include "tool_error.h"

namespace txr::tool {

namespace fs = std::filesystem;

namespace {

fs::path temporaryFolder() {
    std::error_code error;
    fs::path base = fs::temp_directory_path(error);
#ifdef _WIN32
    if (error) base = fs::current_path();
#else
    if (error) base = "/tmp";
#endif
    return base;
}

[[noreturn]] void cannotMake(const fs::path& base, const std::string& reason) {
    throw ToolError(kExitFailed,
                    "cannot make a temporary directory in " + base.string() + ": " + reason);
}

}  // namespace

TemporaryDirectory::TemporaryDirectory(const std::string& stem) {
    const fs::path base = temporaryFolder();
#ifdef _WIN32
    // create_directory fails on a name that exists, so two runs never share one.
    std::mt19937 generator{std::random_device{}()};
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const fs::path candidate = base / (stem + "-" + std::to_string(generator() % 1000000));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            path_ = candidate;
        } else if (error && !fs::exists(candidate)) {
            cannotMake(base, error.message());
        }
    }
    if (path_.empty()) cannotMake(base, "every name tried exists");
#else
    std::string pattern = (base / (stem + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) cannotMake(base, std::strerror(errno));
    path_ = pattern;
#endif
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

}  // namespace txr::tool
