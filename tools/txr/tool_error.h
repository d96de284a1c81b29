// The exit codes of the txr tool and the error that carries one out of a command.
#pragma once

#include <stdexcept>
#include <string>

namespace txr::tool {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;     // a file could not be read or written, nothing was drawn
constexpr int kExitRefused = 2;    // the library refused the font selection
constexpr int kExitDifferent = 3;  // diff: the images differ; missing: some bytes have no glyph
constexpr int kExitUsage = 64;     // bad arguments

// A failure a command reports in words: main prints "txr: <what>" and exits with exitCode.
class ToolError : public std::runtime_error {
  public:
    ToolError(int exitCode, const std::string& what) : std::runtime_error(what), code_(exitCode) {}
    int exitCode() const { return code_; }

  private:
    int code_;
};

}  // namespace txr::tool
