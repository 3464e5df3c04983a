// A census-sized list: 100000 knots (the first prime knots over and over under new names) at the
// light settings of a census. The table keeps them on disk; one thread and two write the same
// files; and a run stopped by Ctrl-C resumes from its results file, taking its journal's knots
// back, to the files of a run never interrupted. (A journal entry torn by a kill belongs to a knot
// that no results file holds yet: the journal's own test cuts one.)
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "e2e/cli_support.h"

namespace {

namespace fs = std::filesystem;
using corvane::test::ReadFile;
using corvane::test::RunCli;

// Under the sanitizers, whose command line is many times slower, a quarter of the list: still
// longer than the table keeps in memory.
#ifdef __SANITIZE_ADDRESS__
constexpr int kKnots = 25000;
#else
constexpr int kKnots = 100000;
#endif
const std::string kOptions =
    "--quiet --json --unknotting-effort=low --nakanishi-effort=low --mahler-values=128 ";

fs::path ListIn(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / (name + "-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const char* words[] = {"3_1 {-1,-1,-1}", "4_1 {-1,2,-1,2}", "5_1 {-1,-1,-1,-1,-1}",
                           "5_2 {-1,-1,-1,-2,1,-2}"};
    std::ofstream list(dir / "census.txt", std::ios::binary);
    for (int k = 1; k <= kKnots; ++k) {
        const std::string word = words[(k - 1) % 4];
        list << word.substr(0, 3) << "." << k << word.substr(3) << "\n";
    }
    return dir;
}

std::string Files(const fs::path& dir) {
    return ReadFile(dir / "census_output.txt") + ReadFile(dir / "census_output.tex") +
           ReadFile(dir / "census_output.jsonl");
}

TEST(CensusRun, HundredThousandKnotsOnOneOrTwoThreadsAndAfterCtrlCAndAResume) {
    const fs::path two = ListIn("corvane-census-2");
    ASSERT_EQ(RunCli(kOptions + "--jobs=2 " + (two / "census.txt").string()).exitCode, 0);
    const std::string whole = Files(two);
    const std::string json = ReadFile(two / "census_output.jsonl");
    EXPECT_EQ(std::count(json.begin(), json.end(), '\n'), kKnots);
    EXPECT_NE(json.find("{\"name\":\"5_2." + std::to_string(kKnots) + "\""), std::string::npos);
    EXPECT_EQ(json.find("\"status\":\"pending\""), std::string::npos);
    EXPECT_FALSE(fs::exists(two / "census_output.journal"));  // a finished run removes it

    const fs::path one = ListIn("corvane-census-1");
    ASSERT_EQ(RunCli(kOptions + "--jobs=1 " + (one / "census.txt").string()).exitCode, 0);
    EXPECT_TRUE(Files(one) == whole);

    // Ctrl-C once the first rows are written.
    const fs::path stopped = ListIn("corvane-census-stopped");
    const std::string out = (stopped / "census_output.txt").string();
    const std::string command = std::string(CORVANE_CLI_PATH) + " " + kOptions + "--jobs=2 " +
                                (stopped / "census.txt").string() +
                                " >/dev/null 2>&1 & pid=$!; for i in $(seq 600); do grep -q " +
                                "\"^3_1.1 *|\" " + out +
                                " 2>/dev/null && break; sleep 0.1; done; kill -INT $pid; wait $pid";
    const int status = std::system(("bash -c '" + command + "'").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 130);
    const std::string partial = ReadFile(stopped / "census_output.jsonl");
    ASSERT_NE(partial.find("\"status\":\"pending\""), std::string::npos);
    ASSERT_GT(fs::file_size(stopped / "census_output.journal"), 1000U);
    ASSERT_EQ(RunCli(kOptions + "--jobs=2 " + out).exitCode, 0);
    EXPECT_TRUE(Files(stopped) == whole);
    for (const fs::path& dir : {two, one, stopped}) fs::remove_all(dir);
}

}  // namespace
