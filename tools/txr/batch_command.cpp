// txr batch: many commands from a file in one run, each line as its words would follow `txr`.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <vector>

#include "commands.h"
#include "fontkit/file_io.h"
#include "tool_error.h"

namespace txr::tool {

namespace {

// A command file of this size holds hundreds of thousands of lines.
constexpr std::size_t kMaxBatchFileSize = 64u << 20;

struct BatchOptions {
    std::string file;
    bool cache = false;
    std::size_t cacheMegabytes = 64;
};

// The words of one line: runs of characters between spaces or tabs; double quotes make what they
// enclose part of a word, spaces included ("" is an empty word). Nothing is escaped: a text
// with a double quote in it is given with --hex. False for a quote left open.
bool splitWords(const std::string& line, std::vector<std::string>& words) {
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return !quoted;
}

std::string readCommands(const std::string& file) {
    if (file != "-") return fontkit::readFileText(file, kMaxBatchFileSize);
    std::ostringstream text;
    text << std::cin.rdbuf();
    return text.str();
}

// Points the run's renderers at a cache for as long as the batch runs.
class CacheInUse {
  public:
    explicit CacheInUse(FontCache* cache) { sharedFontCache() = cache; }
    CacheInUse(const CacheInUse&) = delete;
    CacheInUse& operator=(const CacheInUse&) = delete;
    ~CacheInUse() { sharedFontCache() = nullptr; }
};

void runBatch(const BatchOptions& options) {
    std::istringstream lines(readCommands(options.file));
    std::unique_ptr<FontCache> cache;
    if (options.cache) cache = std::make_unique<FontCache>(options.cacheMegabytes << 20);
    const CacheInUse cacheInUse(cache.get());
    const std::string name = options.file == "-" ? "standard input" : options.file;
    int commands = 0;
    int failed = 0;
    int firstFailure = kExitOk;
    int lineNumber = 0;
    for (std::string line; std::getline(lines, line);) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        ++commands;
        const std::string where = name + ":" + std::to_string(lineNumber) + ": ";
        std::vector<std::string> words;
        int code = kExitUsage;
        if (!splitWords(line, words)) {
            std::fprintf(stderr, "txr: %sa double quote is not closed\n", where.c_str());
        } else {
            // CLI11 takes the words last first.
            std::reverse(words.begin(), words.end());
            code = runCommandLine([&](CLI::App& app) { app.parse(words); }, false, where);
        }
        if (code != kExitOk) {
            ++failed;
            if (firstFailure == kExitOk) firstFailure = code;
        }
    }
    if (failed > 0) {
        std::fprintf(stderr, "txr: %s: %d of %d commands failed\n", name.c_str(), failed, commands);
    }
    commandExitCode() = firstFailure;
}

}  // namespace

void addBatchCommand(CLI::App& app) {
    auto batch = std::make_shared<BatchOptions>();
    CLI::App* command = app.add_subcommand(
        "batch",
        "Run the commands of FILE in one process, one a line as its words would follow txr "
        "(render ..., size ..., draw ...): blank lines and lines starting with # are skipped, "
        "double quotes make a word of what they enclose. Every line runs; failures name their "
        "line. Exit code: that of the first line that failed, else 0");
    command->add_option("FILE", batch->file, "The command file, - for standard input")->required();
    command->add_flag("--cache", batch->cache,
                      "Read each font file once and keep it in memory for the following lines "
                      "(checked against the file before every use; the output is the same)");
    command
        ->add_option("--cache-mb", batch->cacheMegabytes,
                     "Most megabytes of font files --cache keeps (default 64)")
        ->check(CLI::Range(1, 4096));
    command->callback([batch] { runBatch(*batch); });
}

}  // namespace txr::tool
