// Capped whole-file reads and write-then-rename file output.
#include "fontkit/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "fontkit/fontkit_error.h"

namespace txr::fontkit {

namespace {

std::string systemReason() {
    return std::strerror(errno);
}

template <typename Container>
Container readWhole(const std::string& path, std::size_t maxSize) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FontKitError(path + ": cannot open: " + systemReason());
    // A directory opens as a stream whose size reads as the largest offset.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) throw FontKitError(path + ": is a directory");
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) throw FontKitError(path + ": cannot tell its size");
    if (static_cast<std::uint64_t>(size) > maxSize) {
        throw FontKitError(path + ": " + std::to_string(size) + " bytes, more than the " +
                           std::to_string(maxSize) + " accepted");
    }
    in.seekg(0, std::ios::beg);
    Container data(static_cast<std::size_t>(size), 0);
    if (size > 0 && !in.read(reinterpret_cast<char*>(&data[0]), size)) {
        throw FontKitError(path + ": read failed");
    }
    return data;
}

void writeAtomically(const std::string& path, const char* data, std::size_t size) {
    const std::string temporary = temporaryPathBeside(path);
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) throw FontKitError(path + ": cannot create " + temporary + ": " + systemReason());
    const bool written = std::fwrite(data, 1, size, file) == size;
    const std::string writeReason = written ? std::string() : systemReason();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        const std::string reason = written ? systemReason() : writeReason;
        std::remove(temporary.c_str());
        throw FontKitError(path + ": cannot write: " + reason);
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::remove(temporary.c_str());
        throw FontKitError(path + ": cannot replace: " + error.message());
    }
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

std::string temporaryPathBeside(const std::string& path) {
    static std::mt19937 generator{std::random_device{}()};
    for (;;) {
        const std::string candidate = path + ".tmp" + std::to_string(generator() % 1000000);
        std::error_code error;
        if (!std::filesystem::exists(candidate, error)) return candidate;
    }
}

}  // namespace txr::fontkit
