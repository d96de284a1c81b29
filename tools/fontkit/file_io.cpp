// Capped whole-file reads and write-then-rename file output that keeps links and permissions.
#include "fontkit/file_io.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "fontkit/fontkit_error.h"
#include "txr/file_paths.h"

namespace txr::fontkit {

namespace {

std::string systemReason() {
    return std::strerror(errno);
}

void checkSize(const std::string& path, std::uint64_t size, std::size_t maxSize) {
    if (size > maxSize) {
        throw FontKitError(path + ": " + std::to_string(size) + " bytes, more than the " +
                           std::to_string(maxSize) + " accepted");
    }
}

#if !defined(_WIN32)
// Opened without waiting (a FIFO without a writer would block forever) and read only when it is
// a regular file.
template <typename Container>
Container readWhole(const std::string& path, std::size_t maxSize) {
    const int file = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) throw FontKitError(path + ": cannot open: " + systemReason());
    struct Closer {
        int file;
        ~Closer() { ::close(file); }
    } closer{file};
    struct stat status {};
    if (fstat(file, &status) != 0) throw FontKitError(path + ": cannot tell its size");
    if (S_ISDIR(status.st_mode)) throw FontKitError(path + ": is a directory");
    if (!S_ISREG(status.st_mode)) throw FontKitError(path + ": is not a regular file");
    checkSize(path, static_cast<std::uint64_t>(status.st_size), maxSize);
    Container data(static_cast<std::size_t>(status.st_size), 0);
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t got = ::read(file, &data[done], data.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw FontKitError(path + ": read failed");
        done += static_cast<std::size_t>(got);
    }
    return data;
}
#else
template <typename Container>
Container readWhole(const std::string& path, std::size_t maxSize) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FontKitError(path + ": cannot open: " + systemReason());
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) throw FontKitError(path + ": is a directory");
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) throw FontKitError(path + ": cannot tell its size");
    checkSize(path, static_cast<std::uint64_t>(size), maxSize);
    in.seekg(0, std::ios::beg);
    Container data(static_cast<std::size_t>(size), 0);
    if (size > 0 && !in.read(reinterpret_cast<char*>(&data[0]), size)) {
        throw FontKitError(path + ": read failed");
    }
    return data;
}
#endif

#if !defined(_WIN32)
using txr::followLinks;  // the library's: a tool's file is replaced as GetBmpFile replaces one
#else
std::string followLinks(const std::string& path) {
    return path;
}
#endif

// Writes `data` to the new file `temporary`, flushed to the disk; removes it and throws on failure.
void writeTemporary(const std::string& temporary, const std::string& path, const char* data,
                    std::size_t size) {
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        const std::string reason = systemReason();
        std::remove(temporary.c_str());
        throw FontKitError(path + ": cannot create " + temporary + ": " + reason);
    }
    bool written = std::fwrite(data, 1, size, file) == size && std::fflush(file) == 0;
#if !defined(_WIN32)
    written = written && fsync(fileno(file)) == 0;
#endif
    const std::string writeReason = written ? std::string() : systemReason();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        const std::string reason = written ? systemReason() : writeReason;
        std::remove(temporary.c_str());
        throw FontKitError(path + ": cannot write: " + reason);
    }
}

void writeAtomically(const std::string& path, const char* data, std::size_t size) {
    const std::string temporary = temporaryPathBeside(path);
    writeTemporary(temporary, path, data, size);
    replaceWith(temporary, path);
}

}  // namespace

std::vector<std::uint8_t> readFileBytes(const std::string& path, std::size_t maxSize) {
    return readWhole<std::vector<std::uint8_t>>(path, maxSize);
}

std::string readFileText(const std::string& path, std::size_t maxSize) {
    return readWhole<std::string>(path, maxSize);
}

void writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    writeAtomically(path, reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void writeFileAtomically(const std::string& path, const std::string& text) {
    writeAtomically(path, text.data(), text.size());
}

void writeFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<std::string> temporaries;
    try {
        for (const auto& [path, text] : files) {
            temporaries.push_back(temporaryPathBeside(path));
            writeTemporary(temporaries.back(), path, text.data(), text.size());
        }
    } catch (const FontKitError&) {
        for (const std::string& temporary : temporaries) std::remove(temporary.c_str());
        throw;
    }
    for (std::size_t i = 0; i < files.size(); ++i) replaceWith(temporaries[i], files[i].first);
}

std::string temporaryPathBeside(const std::string& path) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937 generator{std::random_device{}()};
#if !defined(_WIN32)
    // Without this a write past RLIMIT_FSIZE kills the process before it can remove the file.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    const std::string target = followLinks(path);
    const std::size_t slash = target.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    for (int attempt = 0;; ++attempt) {
        std::string candidate = folder + ".txr";
        for (int i = 0; i < 6; ++i) candidate += kLetters[generator() % (sizeof kLetters - 1)];
#if !defined(_WIN32)
        // Mode 0666 less the umask: what a new file at `path` gets.
        const int file = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file >= 0) {
            ::close(file);
            return candidate;
        }
        if (errno != EEXIST || attempt >= 100) {
            throw FontKitError(path + ": cannot create a file beside it: " + systemReason());
        }
#else
        const int file = _open(candidate.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                               _S_IREAD | _S_IWRITE);
        if (file >= 0) {
            _close(file);
            return candidate;
        }
        if (errno != EEXIST || attempt >= 100) {
            throw FontKitError(path + ": cannot create a file beside it: " + systemReason());
        }
#endif
    }
}

void replaceWith(const std::string& temporary, const std::string& path) {
    const std::string target = followLinks(path);
#if !defined(_WIN32)
    struct stat replaced {};
    if (stat(target.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode)) {
        // Owner first: changing it clears the set-user-ID bits that the mode then restores.
        if (chown(temporary.c_str(), replaced.st_uid, replaced.st_gid) != 0) errno = 0;
        if (chmod(temporary.c_str(), replaced.st_mode & 07777) != 0) errno = 0;
    }
#endif
#if defined(_WIN32)
    // std::filesystem::rename does not replace an existing file here; MoveFileEx does.
    if (MoveFileExA(temporary.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        const DWORD error = GetLastError();
        std::remove(temporary.c_str());
        throw FontKitError(path + ": cannot write: system error " + std::to_string(error));
    }
#else
    std::error_code error;
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::remove(temporary.c_str());
        throw FontKitError(path + ": cannot write: " + error.message());
    }
#endif
}

}  // namespace txr::fontkit
