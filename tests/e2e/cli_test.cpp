// Whole runs of corvane-cli on small knot lists.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct CommandResult {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};

CommandResult RunCli(const std::string& arguments) {
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

std::filesystem::path WriteList(const std::string& name, const std::string& contents) {
    const auto path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

TEST(CliMinimalMatrices, PrintsEveryKnotWithItsMinimalMatrix) {
    // 5_2 as a closed braid has a 4 × 4 matrix that reduces to a 2 × 2 one; the help text's
    // three knots are minimal already.
    const auto list =
        WriteList("corvane_cli_minimal.txt",
                  "% three knots of the help text and one that reduces\n"
                  "3_1\t[[ -1, 0], [ -1, -1]]\r\n"
                  "4_1\t[[ 1, 0], [ -1, -1]]\n"
                  "5_1\t[[ -1, -1, 0, -1], [ 0, -1, 0, 0], [ -1, -1, -1, -1], [ 0, -1, 0, -1]]\n"
                  "5_2\t[[1, -1, 0, 0], [0, 1, -1, 0], [0, 0, 0, 1], [0, 0, 0, 1]]\n"
                  "unknot\t[[0, 0], [1, 0]]\n"
                  "\n"
                  "after_blank\t[[1]]\n");
    const CommandResult r = RunCli("--minimal-matrices " + list.string());
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output,
              "3_1\t[[-1,0],[-1,-1]]\n"
              "4_1\t[[1,0],[-1,-1]]\n"
              "5_1\t[[-1,-1,0,-1],[0,-1,0,0],[-1,-1,-1,-1],[0,-1,0,-1]]\n"
              "5_2\t[[2,-1],[0,1]]\n"
              "unknot\t[]\n");
}

TEST(CliMinimalMatrices, ReadingErrorKeepsEarlierKnotsAndNamesTheLine) {
    const auto list =
        WriteList("corvane_cli_bad.txt",
                  "3_1\t[[-1,0],[-1,-1]]\nbad\t[[1,2],[3,4x]]\n4_1\t[[1,0],[-1,-1]]\n");
    const CommandResult r = RunCli("--minimal-matrices " + list.string());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("3_1\t[[-1,0],[-1,-1]]\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("line 2"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("4_1"), std::string::npos) << r.output;
}

TEST(CliMinimalMatrices, MissingFileAndUsageErrors) {
    const CommandResult missing = RunCli("--minimal-matrices /nonexistent/corvane/list.txt");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("cannot open"), std::string::npos);
    EXPECT_EQ(RunCli("").exitCode, 2);
}

}  // namespace
