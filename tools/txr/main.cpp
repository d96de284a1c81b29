// txr: render and measure texts with the printer fonts, look inside font files, compare images.
#include <cstdio>
#include <exception>
#include <new>

#include "CLI/CLI.hpp"
#include "commands.h"
#include "temporary_directory.h"
#include "tool_error.h"
#include "txr/platform/afx.h"

namespace txr::tool {

int& commandExitCode() {
    static int code = kExitOk;
    return code;
}

FontCache*& sharedFontCache() {
    static FontCache* cache = nullptr;
    return cache;
}

int runCommandLine(const std::function<void(CLI::App&)>& parse, bool withBatch,
                   const std::string& where) {
    CLI::App app{
        "txr: text as the label printer prints it with its bitmap fonts.\n"
        "Exit codes: 0 done, 1 a file could not be read or written, a font file is missing or "
        "lacks the font, a character has no byte in the selected set, or nothing was drawn, "
        "2 the font selection was refused, 3 diff found differences or missing found "
        "characters without glyphs, 64 bad arguments or what this build lacks (PNG, standard "
        "fonts).",
        "txr"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "txr " TXR_TOOL_VERSION);
    app.failure_message(CLI::FailureMessage::help);
    // Options are --name everywhere; on Windows a word starting with / is a path, not an option.
    app.allow_windows_style_options(false);
    addRenderCommands(app);
    addDrawingCommands(app);
    addDiffCommand(app);
    addFontCommands(app);
    addLabelCommand(app);
#ifdef TXR_TOOL_SERVE
    addServeCommand(app);
#endif
    if (withBatch) addBatchCommand(app);
    commandExitCode() = kExitOk;
    try {
        parse(app);
    } catch (const CLI::ParseError& error) {
        if (!where.empty() && error.get_exit_code() != 0) {
            std::fprintf(stderr, "txr: %s%s\n", where.c_str(), error.what());
            return kExitUsage;
        }
        const int code = app.exit(error);
        return code == 0 ? kExitOk : kExitUsage;
    } catch (const ToolError& error) {
        std::fprintf(stderr, "txr: %s%s\n", where.c_str(), error.what());
        return error.exitCode();
    } catch (CException* error) {
        // The library's file errors are handled where they arise; this is the last resort.
        error->Delete();
        std::fprintf(stderr, "txr: %sa file could not be written\n", where.c_str());
        return kExitFailed;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "txr: %sout of memory\n", where.c_str());
        return kExitFailed;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "txr: %s%s\n", where.c_str(), error.what());
        return kExitFailed;
    }
    return commandExitCode();
}

}  // namespace txr::tool

int main(int argc, char** argv) {
    using namespace txr::tool;
    removeOnSignals();
    const int code = runCommandLine([&](CLI::App& app) { app.parse(argc, argv); }, true);
    if (std::fflush(stdout) != 0) {
        std::fprintf(stderr, "txr: cannot write to standard output\n");
        return kExitFailed;
    }
    return code;
}
