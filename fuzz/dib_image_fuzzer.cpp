// Fuzz target: CDibImage::Load and Draw on arbitrary bytes. The last 4 bytes pick where and how
// large Draw paints (signed x, y, cx, cy; -1 means the image's own size); the rest is the file.
#include <cstdint>
#include <string>

#include "facade/dib_image.h"
#include "facade/string_render.h"
#include "fuzz_support.h"
#include "txr/TXR.h"

namespace {

constexpr std::size_t kPlacementBytes = 4;
constexpr int kSurfaceSide = 64;

void drawEverywhere(CDibImage& image, int x, int y, int cx, int cy) {
    txr::Canvas canvas(kSurfaceSide, kSurfaceSide);
    TXR_FUZZ_CHECK(image.Draw(canvas.dc(), x, y, cx, cy) == 1);
    TXR_FUZZ_CHECK(image.Draw(canvas.dc(), 0, 0, -1, -1) == 1);
    // A one-bit memory surface, as FontOut's string bitmap is.
    CWindowDC screen(nullptr);
    txr::StringBitmap mono(screen.m_hDC);
    TXR_FUZZ_CHECK(mono.create(kSurfaceSide, kSurfaceSide, false));
    TXR_FUZZ_CHECK(image.Draw(mono.dc(), x, y, cx, cy) == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kPlacementBytes) return 0;
    const std::size_t fileSize = size - kPlacementBytes;
    const auto* placement = reinterpret_cast<const std::int8_t*>(data + fileSize);
    const std::string path = txr::fuzz::scratchDirectory() + "/image.bmp";
    txr::fuzz::writeFile(path, data, fileSize);

    CDibImage image;
    const int loaded = image.Load(path.c_str());
    TXR_FUZZ_CHECK(loaded == 0 || loaded == 1);
    if (loaded == 0) {
        txr::Canvas canvas(4, 4);
        TXR_FUZZ_CHECK(image.Draw(canvas.dc(), 0, 0, -1, -1) == 0);
        return 0;
    }
    drawEverywhere(image, placement[0], placement[1], placement[2], placement[3]);
    CDibImage copy(image);
    drawEverywhere(copy, placement[1], placement[0], placement[3], placement[2]);
    // A second Load of the same file replaces the image with an equal one.
    TXR_FUZZ_CHECK(image.Load(path.c_str()) == 1);
    return 0;
}
