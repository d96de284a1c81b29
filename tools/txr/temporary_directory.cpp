// Private temporary directories: mkdtemp on POSIX, a new name under the user's temporary folder
// on Windows, which has no mkdtemp.
#include "temporary_directory.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string_view>

#ifndef _WIN32
#include <signal.h>
#include <unistd.h>
#endif

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

// The paths an interrupted run removes, each directory before what it holds: a signal handler
// may only unlink and rmdir, so every path is written out beforehand in storage of fixed size.
// The signals wait while the list changes.
constexpr std::size_t kMaxRemovals = 64;
constexpr std::size_t kMaxRemovalPath = 1024;
std::array<std::array<char, kMaxRemovalPath>, kMaxRemovals> gRemovals{};
std::atomic<std::size_t> gRemovalCount{0};

class SignalsHeld {
  public:
#ifndef _WIN32
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        sigaddset(&held, SIGINT);
        sigaddset(&held, SIGTERM);
        sigprocmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeld() {
        sigprocmask(SIG_SETMASK, &previous_, nullptr);
    }

  private:
    sigset_t previous_;
#else
    SignalsHeld() {}
#endif
};

void noteRemoval(const fs::path& path) {
    const std::string text = path.string();
    const SignalsHeld held;
    const std::size_t slot = gRemovalCount.load();
    if (slot >= kMaxRemovals || text.size() >= kMaxRemovalPath) return;
    std::memcpy(gRemovals[slot].data(), text.c_str(), text.size() + 1);
    gRemovalCount.store(slot + 1);
}

// Forgets `directory` and the paths inside it; the others keep their order.
void forgetRemovals(const fs::path& directory) {
    const std::string text = directory.string();
    const SignalsHeld held;
    std::size_t kept = 0;
    for (std::size_t slot = 0; slot < gRemovalCount.load(); ++slot) {
        const std::string_view path = gRemovals[slot].data();
        const bool inside = path.compare(0, text.size(), text) == 0 &&
                            (path.size() == text.size() || path[text.size()] == '/' ||
                             path[text.size()] == fs::path::preferred_separator);
        if (inside) continue;
        if (kept != slot) gRemovals[kept] = gRemovals[slot];
        ++kept;
    }
    gRemovalCount.store(kept);
}

#ifndef _WIN32
void removeAndReraise(int signalNumber) {
    for (std::size_t slot = gRemovalCount.load(); slot-- > 0;) {
        const char* path = gRemovals[slot].data();
        if (::unlink(path) != 0) ::rmdir(path);
    }
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}
#endif

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
    // Held until the directory is noted for removal.
    const SignalsHeld held;
    if (mkdtemp(pattern.data()) == nullptr) cannotMake(base, std::strerror(errno));
    path_ = pattern;
#endif
    noteRemoval(path_);
}

TemporaryDirectory::~TemporaryDirectory() {
    // Removed first: a signal that comes meanwhile finishes the removal.
    std::error_code ignored;
    fs::remove_all(path_, ignored);
    forgetRemovals(path_);
}

void TemporaryDirectory::willHold(const std::string& name) {
    noteRemoval(path_ / name);
}

void removeOnSignals() {
#ifndef _WIN32
    std::signal(SIGINT, removeAndReraise);
    std::signal(SIGTERM, removeAndReraise);
#endif
}

}  // namespace txr::tool
