// Running corvane-cli from a test and reading the files it writes.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace corvane::test {

struct CommandResult {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};

// Runs corvane-cli with the given arguments (shell words) and collects its output.
inline CommandResult RunCli(const std::string& arguments) {
    const std::string command = std::string(CORVANE_CLI_PATH) + " " + arguments + " 2>&1";
    CommandResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 4096> buffer{};
    size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// The whole file as bytes, empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

}  // namespace corvane::test
