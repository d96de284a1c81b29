// txr label: a label description (JSON) rendered to a BMP or PNG file, or checked.
#include <filesystem>
#include <memory>

#include "bundled_fonts.h"
#include "commands.h"
#include "fontkit/file_io.h"
#include "image_output.h"
#include "label_json.h"
#include "tool_error.h"
#include "txr/label.h"

namespace txr::tool {

namespace {

struct LabelOptions {
    std::string input;
    std::string output;
    std::optional<std::string> fonts;
    bool check = false;
};

LabelDescription labelFromFile(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size > kMaxLabelJsonBytes) {
        throw ToolError(kExitUsage, path + ": label file of " + std::to_string(size) +
                                        " bytes, more than the limit of " +
                                        std::to_string(kMaxLabelJsonBytes));
    }
    const std::string text = fontkit::readFileText(path, kMaxLabelJsonBytes);
    try {
        return readLabelJson(text);
    } catch (const LabelJsonError& bad) {
        throw ToolError(kExitUsage, path + ": " + bad.what());
    }
}

// Each problem on a line of standard error (or output): "FILE: PATH: what".
template <class Print>
void reportProblems(const std::string& path, const LabelDescription& description,
                    const std::vector<LabelProblem>& problems, Print print) {
    for (const LabelProblem& problem : problems) {
        print(path + ": " + fieldPath(description.fieldIndex[problem.field]) + ": " +
              problem.reason());
    }
}

void runLabel(const LabelOptions& options) {
    if (!options.check && options.output.empty()) {
        throw CLI::ValidationError("--output", "is required unless --check is given");
    }
    const ImageFormat format = options.check ? ImageFormat::bmp : imageFormatOf(options.output);
    const LabelDescription description = labelFromFile(options.input);
    for (const LabelIssue& issue : description.issues) {
        std::fprintf(options.check ? stdout : stderr, "%s: %s: %s\n", options.input.c_str(),
                     issue.path.c_str(), issue.message.c_str());
    }
    if (!description.issues.empty() && !options.check) {
        throw ToolError(kExitUsage, options.input + ": not a valid label; nothing written");
    }
    if (!description.label) {
        commandExitCode() = kExitUsage;
        return;
    }
    CTXR ctxr;
    ctxr.SetPath(CString(fontDirectoryPrefix(options.fonts)));
    if (options.check) {
        const std::vector<LabelProblem> problems = description.label->check(ctxr);
        reportProblems(options.input, description, problems,
                       [](const std::string& line) { std::printf("%s\n", line.c_str()); });
        if (!description.issues.empty()) {
            commandExitCode() = kExitUsage;
        } else if (!problems.empty()) {
            commandExitCode() = kExitDifferent;
        }
        return;
    }
    const RenderedLabel rendered = description.label->render(ctxr);
    reportProblems(options.input, description, rendered.problems, [](const std::string& line) {
        std::fprintf(stderr, "txr: warning: %s\n", line.c_str());
    });
    const StringImage& image = rendered.image;
    if (format == ImageFormat::bmp) {
        fontkit::writeFileAtomically(options.output, bmpFileOf(image));
        return;
    }
    writePng(options.output, image, description.label->dpi());
}

}  // namespace

void addLabelCommand(CLI::App& app) {
    auto options = std::make_shared<LabelOptions>();
    CLI::App* command = app.add_subcommand(
        "label",
        "Render a label description (JSON: fields and boxes, see docs/labels.md) to one image, "
        "or check it (--check: list problems by JSON path; exit 3 when any)");
    command->add_option("FILE", options->input, "Label description (JSON)")->required();
    command->add_option("-o,--output", options->output, outputOptionHelp("Output file"));
    command->add_option("--fonts", options->fonts,
                        "Font directory (default: the bundled sample set)");
    command->add_flag("--check", options->check,
                      "Validate only: unknown keys, values out of range, refused selections, "
                      "bytes without glyphs");
    command->callback([options] { runLabel(*options); });
}

}  // namespace txr::tool
