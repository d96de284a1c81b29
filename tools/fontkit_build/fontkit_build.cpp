// Builds the font files a manifest describes: fontkit_build MANIFEST OUTPUT_FOLDER.
#include <cstdio>
#include <exception>

#include "fontkit/font_builder.h"
#include "fontkit/manifest.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fontkit_build MANIFEST OUTPUT_FOLDER\n");
        return 64;
    }
    try {
        const txr::fontkit::Manifest manifest = txr::fontkit::readManifestFile(argv[1]);
        txr::fontkit::BuildReport report;
        const auto written = txr::fontkit::buildManifest(manifest, argv[2], report);
        for (const auto& note : report.notes) std::fprintf(stderr, "note: %s\n", note.c_str());
        for (const auto& path : written) std::printf("wrote %s\n", path.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "fontkit_build: %s\n", error.what());
        return 1;
    }
    return 0;
}
