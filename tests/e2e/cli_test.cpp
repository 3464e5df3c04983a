// Whole runs of corvane-cli on small knot lists.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "e2e/cli_support.h"

namespace {

using corvane::test::CommandResult;
using corvane::test::ReadFile;
using corvane::test::RunCli;

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

namespace cli_runs {

namespace fs = std::filesystem;

fs::path FreshDir(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

TEST(CliRun, WritesResultsBesideTheListAndSaysWhere) {
    const fs::path dir = FreshDir("corvane_cli_run");
    std::ofstream(dir / "knots.txt", std::ios::binary) << "3_1\t[[-1,0],[-1,-1]]\n";
    const CommandResult r = RunCli("--quiet " + (dir / "knots.txt").string());
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("Results: " + (dir / "knots_output.txt").string()), std::string::npos);
    EXPECT_NE(ReadFile(dir / "knots_output.txt").find("3_1       |"), std::string::npos);
}

TEST(CliRun, LinesWithoutInvariantsAreWarnedAboutAndTheRunGoesOn) {
    const fs::path dir = FreshDir("corvane_cli_notes");
    const fs::path list = dir / "knots.txt";
    std::ofstream(list, std::ios::binary)
        << "L  {1,1,1,-2,1,1,-2,1}\nK  [[1, 2], [3\nI [[1,0],[0,1]]\nprose\n3_1 {1,1,1}\n"
           "E {1}\n";
    const CommandResult r = RunCli("--quiet " + list.string());
    EXPECT_EQ(r.exitCode, 0) << r.output;
    for (const std::string warning :
         {":2: skipped: rows of unequal length",
          ":6: skipped: empty Seifert matrix: the braid closes to the unknot",
          ":1: not a knot: the braid closes to 3 components",
          ":3: not a knot's Seifert matrix: det(V - V^T) = 0"}) {
        EXPECT_NE(r.output.find(list.string() + warning + "\n"), std::string::npos) << warning;
    }
    EXPECT_EQ(r.output.find(":4:"), std::string::npos) << r.output;
    // Rows for L, I and 3_1 only; L's and I's say why and claim no invariant.
    const std::string results = ReadFile(dir / "knots_output.txt");
    const std::size_t l = results.find("\r\nL         |");
    const std::size_t i = results.find("\r\nI         |");
    ASSERT_NE(l, std::string::npos);
    ASSERT_NE(i, std::string::npos);
    EXPECT_NE(results.find("not a knot: the braid closes to 3 components\r\n", l),
              std::string::npos);
    EXPECT_GT(results.find("1-t+t^2", l), results.find("\r\n3_1       |"));
    EXPECT_EQ(results.find("\r\nK "), std::string::npos);
    EXPECT_EQ(results.find("\r\nE "), std::string::npos);

    // Resumed: the rows are taken over as they stand and nothing is reported again.
    const CommandResult again = RunCli("--quiet " + (dir / "knots_output.txt").string());
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.output.find("not a knot"), std::string::npos) << again.output;
    EXPECT_EQ(ReadFile(dir / "knots_output.txt"), results);
}

TEST(CliRun, ReadingStoppedEarlyIsReportedWithExitStatusOne) {
    const fs::path dir = FreshDir("corvane_cli_cut");
    std::ofstream(dir / "knots.txt", std::ios::binary)
        << "3_1\t[[-1,0],[-1,-1]]\nbad\t[[1,0],[0,99999999999]]\n4_1\t[[1,0],[-1,-1]]\n";
    const CommandResult r = RunCli("--quiet " + (dir / "knots.txt").string());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("reading stopped at line 2"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Done!"), std::string::npos) << r.output;
}

TEST(CliRun, UnopenableListAndUnwritableResultsAreErrors) {
    const fs::path dir = FreshDir("corvane_cli_unwritable");
    const CommandResult missing = RunCli((dir / "missing.txt").string());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("Error! cannot open"), std::string::npos) << missing.output;
    EXPECT_FALSE(fs::exists(dir / "missing_output.txt"));

    // A folder where the results file should go: every write fails and says so.
    std::ofstream(dir / "knots.txt", std::ios::binary) << "3_1\t[[-1,0],[-1,-1]]\n";
    fs::create_directories(dir / "knots_output.txt");
    const CommandResult blocked = RunCli("--quiet " + (dir / "knots.txt").string());
    EXPECT_EQ(blocked.exitCode, 1);
    EXPECT_NE(blocked.output.find("knots_output.txt"), std::string::npos) << blocked.output;
}

TEST(CliRun, UsageErrorsHelpAndVersion) {
    EXPECT_EQ(RunCli("--unknotting-effort=huge x.txt").exitCode, 2);
    EXPECT_EQ(RunCli("--lt-values=8096 x.txt").exitCode, 2);
    EXPECT_EQ(RunCli("--columns=alexander,colour x.txt").exitCode, 2);
    EXPECT_EQ(RunCli("--frobnicate x.txt").exitCode, 2);
    const CommandResult help = RunCli("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("--nakanishi-effort"), std::string::npos);
    EXPECT_EQ(RunCli("--version").exitCode, 0);
}

TEST(CliRun, ColumnsChooseThePrintedFields) {
    const fs::path dir = FreshDir("corvane_cli_columns");
    std::ofstream(dir / "k.txt", std::ios::binary) << "3_1\t[[-1,0],[-1,-1]]\n";
    ASSERT_EQ(RunCli("--quiet --columns=determinant,h1l2 " + (dir / "k.txt").string()).exitCode, 0);
    const std::string results = ReadFile(dir / "k_output.txt");
    EXPECT_NE(results.find("Name      | det(K) | H_1(L_2(K)) | Seifert matrix\r\n"),
              std::string::npos);
    EXPECT_NE(results.find("3_1       |  3     | Z/3         | [[-1,0],[-1,-1]]\r\n"),
              std::string::npos);
}

// The knot lines of a results file (names k1, k2, ...): the row or list line of each, in order.
std::vector<std::string> KnotLinesOf(const std::string& results) {
    std::vector<std::string> lines;
    for (size_t at = results.find("\r\nk"); at != std::string::npos;
         at = results.find("\r\nk", at + 2)) {
        lines.push_back(results.substr(at + 2, results.find("\r\n", at + 2) - at - 2));
    }
    return lines;
}

bool IsRow(const std::string& line) {
    return line.size() > 10 && line[10] == '|';
}

TEST(CliRun, InterruptStopsTheRunAndKeepsTheFinishedKnots) {
    const fs::path dir = FreshDir("corvane_cli_interrupt");
    std::string list;
    // Many copies of a ten-dimensional knot whose Nakanishi search at very large effort takes
    // about half a second: minutes of work.
    const std::string matrix =
        "[[2,2,-2,-2,0,-1,1,0,2,-2],[1,-1,0,1,-2,1,1,0,0,1],[-2,0,0,1,0,1,0,-1,0,-1],"
        "[-2,1,0,-1,-1,-1,2,0,-1,0],[0,-2,0,-1,0,0,1,-1,0,0],[-1,1,1,-1,-1,0,0,-2,2,-2],"
        "[1,1,0,2,1,0,-1,1,1,-2],[0,0,-1,0,-1,-2,0,0,0,-1],[2,0,0,-1,0,2,1,0,0,0],"
        "[-2,1,-1,0,0,-2,-2,-1,-1,0]]";
    for (int i = 1; i <= 3000; ++i) list += "k" + std::to_string(i) + "\t" + matrix + "\n";
    std::ofstream(dir / "long.txt", std::ios::binary) << list;
    // Ctrl-C once the first rows are written, four knots at a time.
    const std::string out = (dir / "long_output.txt").string();
    const std::string command =
        std::string(CORVANE_CLI_PATH) + " --quiet --jobs=4 --nakanishi-effort=very-large " +
        (dir / "long.txt").string() +
        " >/dev/null 2>&1 & pid=$!; for i in $(seq 600); do grep -q " + "\"^k[0-9]* *|\" " + out +
        " 2>/dev/null && break; sleep 0.1; done; kill -INT $pid; wait $pid";
    const int status = std::system(("bash -c '" + command + "'").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);

    // A whole file: every knot once, as a row or as its list line.
    const std::string results = ReadFile(out);
    const std::vector<std::string> lines = KnotLinesOf(results);
    ASSERT_EQ(lines.size(), 3000u);
    const auto rows = std::count_if(lines.begin(), lines.end(), IsRow);
    EXPECT_GT(rows, 0);
    EXPECT_LT(rows, 3000);

    // Resumed, the first knots (rows and list lines alike) give the rows of an uninterrupted run
    // of those knots.
    const std::size_t kept = static_cast<std::size_t>(rows) + 8;
    std::string head = results.substr(0, results.find("\r\nk") + 2);
    std::string shortList;
    for (std::size_t k = 0; k < kept; ++k) {
        head += lines[k] + "\r\n";
        shortList += list.substr(0, list.find('\n') + 1);
        list.erase(0, list.find('\n') + 1);
    }
    const fs::path again = FreshDir("corvane_cli_interrupt_again");
    std::ofstream(again / "long_output.txt", std::ios::binary) << head;
    std::ofstream(again / "long.txt", std::ios::binary) << shortList;
    const std::string options = "--quiet --jobs=4 --nakanishi-effort=very-large ";
    ASSERT_EQ(RunCli(options + (again / "long_output.txt").string()).exitCode, 0);
    const std::string resumed = ReadFile(again / "long_output.txt");
    ASSERT_EQ(RunCli(options + (again / "long.txt").string()).exitCode, 0);
    EXPECT_EQ(resumed, ReadFile(again / "long_output.txt"));
    EXPECT_EQ(KnotLinesOf(resumed).size(), kept);
}

}  // namespace cli_runs

}  // namespace
