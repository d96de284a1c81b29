// The tool as a child process: posix_spawn on POSIX, CreateProcess on Windows, where a command
// line is one string that the child's C runtime splits again.
#include "support/tool_run.h"

#include "support/bmp_file.h"
#include "support/test_fonts.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>

extern char** environ;
#endif

namespace txr::test {

namespace {

// Text-mode output on Windows ends its lines with "\r\n".
std::string textOf(const std::string& path) {
    const auto bytes = readFileBytes(path);
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text += static_cast<char>(bytes[i]);
    }
    return text;
}

#if defined(_WIN32)
// One argument as the C runtime reads it back: quoted when it holds a space, a tab or a quote,
// or is empty; backslashes doubled where they come before a quote.
std::string quoted(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

HANDLE inheritableFile(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

int run(const std::string& program, const std::vector<std::string>& args,
        const std::string& outPath, const std::string& errPath) {
    std::string commandLine = quoted(program);
    for (const auto& arg : args) commandLine += " " + quoted(arg);
    HANDLE out = inheritableFile(outPath);
    HANDLE err = inheritableFile(errPath);
    int code = -1;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    if (out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
        CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD exitCode = 0;
        if (GetExitCodeProcess(process.hProcess, &exitCode)) code = static_cast<int>(exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
    return code;
}
#else
int run(const std::string& program, const std::vector<std::string>& args,
        const std::string& outPath, const std::string& errPath) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (auto& arg : argv) pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    int code = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, pointers.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        if (WIFEXITED(status)) code = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    return code;
}
#endif

void setEnvironmentVariable(const std::string& name, const std::string& value) {
#if defined(_WIN32)
    SetEnvironmentVariableA(name.c_str(), value.c_str());
#else
    setenv(name.c_str(), value.c_str(), 1);
#endif
}

}  // namespace

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args) {
    ProgramRun result;
    result.code = run(program, args, "run.out", "run.err");
    result.out = textOf("run.out");
    result.err = textOf("run.err");
    return result;
}

void prepareToolFolders() {
    std::filesystem::create_directories("fonts");
    ASSERT_TRUE(writeTestFontSet("fonts"));
    std::filesystem::create_directories("tmp");
    const std::string tmp = std::filesystem::absolute("tmp").string();
    for (const char* name : {"TMPDIR", "TMP", "TEMP"}) setEnvironmentVariable(name, tmp);
}

}  // namespace txr::test
