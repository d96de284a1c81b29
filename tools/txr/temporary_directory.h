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

    // Names a file or empty directory the owner will make inside, so that an interrupted run
    // removes it too (see removeOnSignals).
    void willHold(const std::string& name);

  private:
    std::filesystem::path path_;
};

// Makes SIGINT and SIGTERM remove every TemporaryDirectory still in place, with the entries
// named through willHold, before the program ends as the signal would end it (POSIX; a no-op
// on Windows).
void removeOnSignals();

}  // namespace txr::tool
