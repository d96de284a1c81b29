// The txr tool run from a test as a child process: its exit code and output, the test font set in
// ./fonts, the tool's temporary folders in ./tmp, which must be empty again after every run.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace txr::test {

struct ProgramRun {
    int code = -1;    // -1 when it could not be started or did not exit normally
    std::string out;  // line ends as "\n" on every platform
    std::string err;
};

// Runs `program` with `args` and waits for it; its output and errors pass through the files
// run.out and run.err in the current directory.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args);

// Writes the test font set into ./fonts and makes ./tmp the temporary folder (TMPDIR, TMP, TEMP)
// of the programs this process runs.
void prepareToolFolders();

#ifdef TXR_TOOL_PATH
inline ProgramRun runTool(const std::vector<std::string>& args) {
    const ProgramRun run = runProgram(TXR_TOOL_PATH, args);
    EXPECT_TRUE(std::filesystem::is_empty("tmp")) << "the tool left files in its temporary folder";
    return run;
}
#endif

}  // namespace txr::test
