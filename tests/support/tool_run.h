// The txr tool run from a test: the test font set in ./fonts, the tool's temporary folders in
// ./tmp, which must be empty again after every run. Needs TXR_TOOL_PATH, so header only.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/test_fonts.h"

namespace txr::test {

inline void prepareToolFolders() {
    std::filesystem::create_directories("fonts");
    ASSERT_TRUE(writeTestFontSet("fonts"));
    std::filesystem::create_directories("tmp");
    const std::string tmp = std::filesystem::absolute("tmp").string();
    for (const char* name : {"TMPDIR", "TMP", "TEMP"}) setEnvironmentVariable(name, tmp);
}

inline ProgramRun runTool(const std::vector<std::string>& args) {
    const ProgramRun run = runProgram(TXR_TOOL_PATH, args);
    EXPECT_TRUE(std::filesystem::is_empty("tmp")) << "the tool left files in its temporary folder";
    return run;
}

}  // namespace txr::test
