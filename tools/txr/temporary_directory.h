// A fresh directory of the tool's own under the system's temporary folder, removed with the
// object: for the bundled font set and for FontOut's staging file.
#pragma once

#include <filesystem>
#include <string>

namespace txr::tool {

class TemporaryDirectory {
  public:
    // Makes STEM-XXXXXX (POSIX: mode 0700; Windows: in the user's own temporary folder). Throws
    // ToolError(kExitFailed) with the reason when it cannot.
    explicit TemporaryDirectory(const std::string& stem);
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    ~TemporaryDirectory();

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace txr::tool
