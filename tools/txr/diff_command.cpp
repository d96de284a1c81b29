// txr diff: two one-bit pictures compared dot for dot, the differences counted and marked.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "bmp_reader.h"
#include "commands.h"
#include "fontkit/file_io.h"
#include "image_output.h"
#include "tool_error.h"

namespace txr::tool {

namespace {

// Colours of the difference picture.
constexpr std::uint32_t kPaper = 0xFFFFFF;
constexpr std::uint32_t kSharedInk = 0x000000;
constexpr std::uint32_t kExtraInk = 0xE02020;    // ink in the second picture only
constexpr std::uint32_t kMissingInk = 0x2060E0;  // ink in the first picture only

struct DiffOptions {
    std::string first;
    std::string second;
    std::string output;
};

InkPicture readPicture(const std::string& path) {
    try {
        return parseOneBitBmp(
            fontkit::readFileBytes(path, static_cast<std::size_t>(kMaxPictureDots / 8 + 4096)));
    } catch (const std::exception& error) {
        throw ToolError(kExitFailed, path + ": " + error.what());
    }
}

// Pictures of different sizes never match and are reported as such before any dot is compared;
// the dots compared are those of the area both cover, top-left aligned. That area is no larger
// than either picture, so never more than kMaxPictureDots, whatever the two shapes.
void runDiff(const DiffOptions& options) {
    if (!options.output.empty()) imageFormatOf(options.output);
    const InkPicture first = readPicture(options.first);
    const InkPicture second = readPicture(options.second);
    const bool sameSize = first.width == second.width && first.height == second.height;
    if (!sameSize) {
        std::fprintf(stderr, "txr: sizes differ: %d x %d and %d x %d\n", first.width, first.height,
                     second.width, second.height);
    }
    const int width = std::min(first.width, second.width);
    const int height = std::min(first.height, second.height);
    fontkit::RgbImage marked;
    if (!options.output.empty()) marked = fontkit::RgbImage(width, height, kPaper);
    long long extra = 0;
    long long missing = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool inFirst = first.at(x, y);
            const bool inSecond = second.at(x, y);
            if (inSecond && !inFirst) ++extra;
            if (inFirst && !inSecond) ++missing;
            if (!options.output.empty() && (inFirst || inSecond)) {
                marked.set(x, y,
                           inFirst && inSecond ? kSharedInk
                           : inSecond          ? kExtraInk
                                               : kMissingInk);
            }
        }
    }
    std::printf("extra %lld\nmissing %lld\n", extra, missing);
    if (!options.output.empty()) writePicture(options.output, marked);
    if (!sameSize || extra > 0 || missing > 0) commandExitCode() = kExitDifferent;
}

}  // namespace

void addDiffCommand(CLI::App& app) {
    auto diff = std::make_shared<DiffOptions>();
    CLI::App* command = app.add_subcommand(
        "diff",
        "Compare two one-bit BMPs dot for dot: print the counts of extra ink (in B only) and "
        "missing ink (in A only), mark them red and blue in a picture; exit 0 only when they "
        "match, "
        "3 when they differ");
    command->add_option("A", diff->first, "The reference picture (BMP)")->required();
    command->add_option("B", diff->second, "The picture compared with it (BMP)")->required();
    command->add_option(
        "-o,--output", diff->output,
        outputOptionHelp("Difference picture (shared ink black, extra red, missing blue)"));
    command->callback([diff] { runDiff(*diff); });
}

}  // namespace txr::tool
