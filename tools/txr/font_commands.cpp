// txr specimen and txr font build|dump|info: thin commands over the font kit.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "commands.h"
#include "fontkit/bdf.h"
#include "fontkit/file_io.h"
#include "fontkit/font_builder.h"
#include "fontkit/manifest.h"
#include "fontkit/optional_libraries.h"
#include "image_output.h"
#include "tool_error.h"

namespace txr::tool {

namespace {

namespace fk = fontkit;
namespace fs = std::filesystem;

// Font files are a few hundred kilobytes; anything far larger is not one.
constexpr std::size_t kMaxFontFileSize = 64u << 20;

const std::vector<std::string> kKindNames = {"A", "A300", "B", "B300", "Z"};

// The layout given with --kind, else the one the file name says (A.bin, B300.bin, ...).
fk::FontFileKind kindOf(const std::string& kind, const std::string& path) {
    if (!kind.empty() &&
        std::find(kKindNames.begin(), kKindNames.end(), kind) == kKindNames.end()) {
        throw CLI::ValidationError("--kind", path + ": --kind " + kind +
                                                 " is not a font file layout (A, A300, B, B300 "
                                                 "or Z)");
    }
    const std::string name = kind.empty() ? fs::path(path).filename().string() : kind + ".bin";
    if (const auto found = fk::fontFileKindByName(name)) return *found;
    throw CLI::ValidationError("--kind", path +
                                             ": the name does not say which font file it is "
                                             "(A, A300, B, B300 or Z): give --kind");
}

void addKindOption(CLI::App& command, std::string& kind) {
    command.add_option("--kind", kind,
                       "Font file layout, when the file name does not say it: A, A300, B, B300 "
                       "or Z");
}

struct FileOptions {
    std::string file;
    std::string kind;
    std::string output;
    int block = 0;
    std::string manifest;
    std::vector<std::string> bdfs;
};

void runSpecimen(const FileOptions& options) {
    imageFormatOf(options.output);
    const fk::FontFileKind kind = kindOf(options.kind, options.file);
    const auto bytes = fk::readFileBytes(options.file, kMaxFontFileSize);
    writePicture(options.output,
                 fk::renderSpecimen(fk::specimenOfBlock(kind, bytes, options.block)));
}

void runInfo(const FileOptions& options) {
    const fk::FontFileKind kind = kindOf(options.kind, options.file);
    std::fputs(
        fk::describeFontFile(kind, fk::readFileBytes(options.file, kMaxFontFileSize)).c_str(),
        stdout);
}

// An output folder and its parents, made where missing.
void makeFolder(const std::string& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw ToolError(kExitFailed, folder + ": cannot make the folder: " + error.message());
}

void runDump(const FileOptions& options) {
    const fk::FontFileKind kind = kindOf(options.kind, options.file);
    // The code pages of the blocks, from the manifest beside the file when there is one.
    std::optional<fk::Manifest> manifest;
    const fs::path manifestPath = fs::path(options.file).parent_path() / "manifest.txt";
    std::error_code ignored;
    if (fs::is_regular_file(manifestPath, ignored)) {
        manifest = fk::readManifestFile(manifestPath.string());
    }
    const auto fonts = fk::dumpFontFile(kind, fk::readFileBytes(options.file, kMaxFontFileSize),
                                        manifest ? &*manifest : nullptr);
    makeFolder(options.output);
    const std::string stem = fs::path(fk::fontFileName(kind)).stem().string();
    std::vector<std::pair<std::string, std::string>> files;
    for (std::size_t block = 0; block < fonts.size(); ++block) {
        char name[32];
        std::snprintf(name, sizeof name, "%s-%02zu.bdf", stem.c_str(), block);
        files.emplace_back((fs::path(options.output) / name).string(), fk::writeBdf(fonts[block]));
    }
    // The set appears whole or not at all.
    fk::writeFilesAtomically(files);
    for (const auto& file : files) std::printf("wrote %s\n", file.first.c_str());
}

// A build without FreeType makes blocks from `bdf` files only; it says so before building.
void requireBdfBlocks(const std::string& path, const fk::Manifest& manifest) {
    for (const fk::FileSpec& file : manifest.files) {
        for (const fk::BlockSpec& block : file.blocks) {
            if (block.bdfPath) continue;
            throw ToolError(kExitUsage, path + ": " + file.name + " block " +
                                            std::to_string(block.number) +
                                            " is made from standard fonts, which this build "
                                            "cannot read (it has no FreeType); only blocks "
                                            "given as `bdf` files can be built here");
        }
    }
}

void runBuild(const FileOptions& options) {
    if (!options.manifest.empty()) {
        if (!options.bdfs.empty()) {
            throw CLI::ValidationError("BDF", "give either --manifest or BDF files, not both");
        }
        const fk::Manifest manifest = fk::readManifestFile(options.manifest);
        if (!fk::readsStandardFonts()) requireBdfBlocks(options.manifest, manifest);
        makeFolder(options.output);
        fk::BuildReport report;
        const auto written = fk::buildManifest(manifest, options.output, report);
        for (const auto& note : report.notes) std::fprintf(stderr, "note: %s\n", note.c_str());
        for (const auto& path : written) std::printf("wrote %s\n", path.c_str());
        return;
    }
    if (options.bdfs.empty()) throw CLI::RequiredError("--manifest or BDF files");
    const fk::FontFileKind kind = kindOf(options.kind, options.output);
    std::vector<fk::BdfFont> fonts;
    for (const std::string& path : options.bdfs) fonts.push_back(fk::readBdfFile(path));
    const fs::path folder = fs::path(options.output).parent_path();
    if (!folder.empty()) makeFolder(folder.string());
    fk::writeFileAtomically(options.output, fk::buildFromBdf(kind, fonts));
    std::printf("wrote %s\n", options.output.c_str());
}

}  // namespace

void addFontCommands(CLI::App& app) {
    auto specimen = std::make_shared<FileOptions>();
    CLI::App* specimenCommand =
        app.add_subcommand("specimen",
                           "Draw a specimen sheet of one block of a font file: every code with its "
                           "glyph, code and advance");
    specimenCommand->add_option("FILE", specimen->file, "Font file (A.bin, B300.bin, ...)")
        ->required();
    specimenCommand->add_option("--block", specimen->block, "Block (font) number")
        ->capture_default_str();
    specimenCommand->add_option("-o,--output", specimen->output, outputOptionHelp("Output file"))
        ->required();
    addKindOption(*specimenCommand, specimen->kind);
    specimenCommand->callback([specimen] { runSpecimen(*specimen); });

    CLI::App* font =
        app.add_subcommand("font", "Build font files, dump them to BDF, describe them");
    font->require_subcommand(1);

    auto info = std::make_shared<FileOptions>();
    CLI::App* infoCommand =
        font->add_subcommand("info", "Blocks, cells, code ranges and glyph counts of a font file");
    infoCommand->add_option("FILE", info->file, "Font file")->required();
    addKindOption(*infoCommand, info->kind);
    infoCommand->callback([info] { runInfo(*info); });

    auto dump = std::make_shared<FileOptions>();
    CLI::App* dumpCommand = font->add_subcommand(
        "dump", "Write a font file as BDF fonts, one per block (NAME-00.bdf, ...), into a folder");
    dumpCommand->add_option("FILE", dump->file, "Font file")->required();
    dumpCommand->add_option("-o,--output", dump->output, "Output folder (made if missing)")
        ->required();
    addKindOption(*dumpCommand, dump->kind);
    dumpCommand->callback([dump] { runDump(*dump); });

    auto build = std::make_shared<FileOptions>();
    CLI::App* buildCommand = font->add_subcommand(
        "build",
        "Build a font file from BDF fonts (one per block, as font dump writes them), or "
        "every file of a manifest");
    buildCommand->add_option("BDF", build->bdfs, "BDF files, one per block");
    buildCommand->add_option(
        "--manifest", build->manifest,
        fk::readsStandardFonts()
            ? "Build every file a manifest describes (see docs/font-manifest.md)"
            : "Build every file a manifest describes (see docs/font-manifest.md); this build has "
              "no FreeType and builds `bdf` blocks only");
    buildCommand
        ->add_option("-o,--output", build->output,
                     "Font file to write (its name says the layout), or with --manifest the "
                     "output folder")
        ->required();
    addKindOption(*buildCommand, build->kind);
    buildCommand->callback([build] { runBuild(*build); });
}

}  // namespace txr::tool
