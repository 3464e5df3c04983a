// Whole runs of corvane-cli compared byte for byte with results files checked by hand: a
// trivial knot, a knot whose minimal matrix is 12 × 12, a knot whose determinant leaves 32 bits,
// the help text's three knots, a name cut at "|", and knots that reduce.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e/cli_support.h"

namespace {

namespace fs = std::filesystem;
using corvane::test::ReadFile;
using corvane::test::RunCli;

// Runs the golden knot list with the given options in a fresh folder and returns the results.
std::string GoldenRun(const std::string& options, const std::string& folder) {
    const fs::path dir = fs::temp_directory_path() / folder;
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(fs::path(CORVANE_TEST_DATA_DIR) / "golden" / "golden.txt", dir / "golden.txt");
    EXPECT_EQ(RunCli(options + " " + (dir / "golden.txt").string()).exitCode, 0);
    return ReadFile(dir / "golden_output.txt");
}

TEST(GoldenResults, DefaultColumns) {
    const std::string expected =
        ReadFile(fs::path(CORVANE_TEST_DATA_DIR) / "golden" / "golden-default.expected");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(GoldenRun("", "corvane_golden_default"), expected);
}

TEST(GoldenResults, EveryColumnAndCalculationOption) {
    const std::string expected =
        ReadFile(fs::path(CORVANE_TEST_DATA_DIR) / "golden" / "golden-all.expected");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(GoldenRun("--all-columns --compute-all --mu --check-u3 --lt-values=128 "
                        "--mahler-values=128",
                        "corvane_golden_all"),
              expected);
}

// Runs the whole-run list (the golden knots, the prime knots up to eight crossings and random
// Seifert matrices) and compares both results files with those written before the arithmetic was
// made faster: speed must not change a byte. They differ from the first files only in the rows
// that exact arithmetic now computes (big12, overflow), in upper bounds on u_a that the deeper
// and systematic move searches find, each equal to the knot's known value, in the cells of big12
// and r1 that were once shortened to 300 characters and now stand whole, and in the preamble's
// line on the Mahler measure.
void ExpectRunListUnchanged(const std::string& options, const std::string& name) {
    const fs::path data = fs::path(CORVANE_TEST_DATA_DIR) / "golden";
    const fs::path dir = fs::temp_directory_path() / ("corvane_run_list_" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(data / "run-list.txt", dir / "run-list.txt");
    ASSERT_EQ(RunCli(options + " --quiet " + (dir / "run-list.txt").string()).exitCode, 0);
    const std::string text = ReadFile(data / ("run-list-" + name + ".expected"));
    const std::string tex = ReadFile(data / ("run-list-" + name + "-tex.expected"));
    ASSERT_FALSE(text.empty());
    ASSERT_FALSE(tex.empty());
    EXPECT_EQ(ReadFile(dir / "run-list_output.txt"), text);
    EXPECT_EQ(ReadFile(dir / "run-list_output.tex"), tex);
}

TEST(GoldenResults, RunListAtDefaultSettings) {
    ExpectRunListUnchanged("", "default");
}

TEST(GoldenResults, RunListAtHeaviestSettings) {
    ExpectRunListUnchanged(
        "--all-columns --unknotting-effort=very-large "
        "--nakanishi-effort=very-large --lt-values=8192 "
        "--mahler-values=2097152 --compute-all --mu --check-u3",
        "heaviest");
}

}  // namespace
