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

}  // namespace
