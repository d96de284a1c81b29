// The subcommands of the txr tool, each added to the application with its options and the
// callback that runs it. A callback reports failure by throwing ToolError or a CLI11 error.
#pragma once

#include "CLI/CLI.hpp"

namespace txr::tool {

void addRenderCommands(CLI::App& app);   // render, size, missing
void addDrawingCommands(CLI::App& app);  // draw, preview
void addDiffCommand(CLI::App& app);      // diff
void addFontCommands(CLI::App& app);     // specimen, font build|dump|info

// The exit code a callback leaves for main when it finishes without an error (diff and missing
// use kExitDifferent).
int& commandExitCode();

}  // namespace txr::tool
