// The subcommands of the txr tool, each added to the application with its options and the
// callback that runs it. A callback reports failure by throwing ToolError or a CLI11 error.
#pragma once

#include <functional>
#include <string>

#include "CLI/CLI.hpp"
#include "txr/font_cache.h"

namespace txr::tool {

void addRenderCommands(CLI::App& app);   // render, size, missing, charsets
void addDrawingCommands(CLI::App& app);  // draw, preview
void addDiffCommand(CLI::App& app);      // diff
void addFontCommands(CLI::App& app);     // specimen, font build|dump|info
void addBatchCommand(CLI::App& app);     // batch
void addLabelCommand(CLI::App& app);     // label
#ifdef TXR_TOOL_SERVE
void addServeCommand(CLI::App& app);  // serve
#endif

// The exit code a callback leaves for main when it finishes without an error (diff and missing
// use kExitDifferent).
int& commandExitCode();

// The font cache every renderer of the run reads through: null (the default) except while
// `txr batch --cache` runs its lines.
FontCache*& sharedFontCache();

// Builds a fresh application with every command (batch only when `withBatch`), lets `parse` run
// one command line through it, and returns the exit code. Failures are reported on standard
// error as "txr: <where><what>".
int runCommandLine(const std::function<void(CLI::App&)>& parse, bool withBatch,
                   const std::string& where = "");

}  // namespace txr::tool
