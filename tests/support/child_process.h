// Running another program from a test: its exit code, standard output and standard error.
#pragma once

#include <string>
#include <vector>

namespace txr::test {

struct ProgramRun {
    int code = -1;    // -1 when it could not be started or did not exit normally
    std::string out;  // line ends as "\n" on every platform
    std::string err;
};

// Runs `program` with `args` and waits for it; its output and errors pass through the files
// `capture`.out and `capture`.err in the current directory.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& capture = "run");

// Sets a variable in this process's environment, which the programs it runs inherit.
void setEnvironmentVariable(const std::string& name, const std::string& value);

}  // namespace txr::test
