// The PNG writers in a build without libpng (the Windows cross build): they write nothing and
// say that this build lacks PNG output.
#include "fontkit/optional_libraries.h"
#include "fontkit/png_writer.h"

namespace txr::fontkit {

namespace {

bool refuse(const std::string& path, std::string& error) {
    error = path + ": this build writes no PNG files (it has no libpng); name a .bmp file";
    return false;
}

}  // namespace

bool writesPng() {
    return false;
}

bool writeOneBitPng(const std::string& path, const StringImage&, std::string& error, int) {
    return refuse(path, error);
}

std::vector<std::uint8_t> oneBitPngBytes(const StringImage&, std::string& error, int) {
    refuse("image", error);
    return {};
}

bool writeRgbPng(const std::string& path, const RgbImage&, std::string& error, int) {
    return refuse(path, error);
}

}  // namespace txr::fontkit
