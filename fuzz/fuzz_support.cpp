// Scratch directory, file helpers, checks and selections shared by the fuzz targets.
#include "fuzz_support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace txr::fuzz {

namespace {

// Font numbers tried per family: every accepted one and the first refused one.
constexpr int kFontNumbers[] = {26, 6, 10};

std::string& scratchPath() {
    static std::string path;
    return path;
}

void removeTree(const std::string& path) {
    if (DIR* dir = opendir(path.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            removeTree(path + "/" + name);
        }
        closedir(dir);
        rmdir(path.c_str());
        return;
    }
    std::remove(path.c_str());
}

void removeScratch() {
    if (!scratchPath().empty()) removeTree(scratchPath());
}

}  // namespace

const std::string& scratchDirectory() {
    std::string& path = scratchPath();
    if (path.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/txr-fuzz-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (mkdtemp(name.data()) == nullptr) fail(__FILE__, __LINE__, "mkdtemp");
        path = name.data();
        std::atexit(removeScratch);
    }
    return path;
}

void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) fail(__FILE__, __LINE__, path.c_str());
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written) fail(__FILE__, __LINE__, path.c_str());
}

bool fileExists(const std::string& path) {
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}

void fail(const char* file, int line, const char* what) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

Selection selectionOf(int family, const std::uint8_t* trailer) {
    Selection s;
    s.fontType = trailer[0] % kFontNumbers[family];
    s.scaleH = (trailer[1] & 3) + 1;
    s.scaleV = ((trailer[1] >> 2) & 3) + 1;
    s.rotation = (trailer[1] >> 4) & 3;
    s.resolution = (trailer[1] & 0x40) != 0 ? 300 : 203;
    s.invert = (trailer[1] & 0x80) != 0 ? 1 : 0;
    s.charSet = trailer[2] % 16;
    const std::size_t length = trailer[3] % 13;
    s.text.assign(reinterpret_cast<const char*>(trailer + 4), length);
    return s;
}

std::string trailerOf(int family, const Selection& s) {
    std::string trailer(kSelectionBytes, '\0');
    trailer[0] = static_cast<char>(s.fontType % kFontNumbers[family]);
    trailer[1] = static_cast<char>(((s.scaleH - 1) & 3) | (((s.scaleV - 1) & 3) << 2) |
                                   ((s.rotation & 3) << 4) | (s.resolution == 300 ? 0x40 : 0) |
                                   (s.invert != 0 ? 0x80 : 0));
    trailer[2] = static_cast<char>(s.charSet);
    trailer[3] = static_cast<char>(std::min<std::size_t>(s.text.size(), 12));
    trailer.replace(4, std::min<std::size_t>(s.text.size(), 12), s.text.substr(0, 12));
    return trailer;
}

}  // namespace txr::fuzz
