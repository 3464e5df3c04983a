// A whole run over the Rolfsen table given as braid words: every knot gets the Alexander
// polynomial, determinant and signature computed independently from its Seifert matrix.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "arith/test_matrices.h"
#include "driver/run_calculation.h"
#include "e2e/run_support.h"
#include "knot/knot_context.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test::Coefficients;
using test::Field;

TEST(BraidRun, RolfsenBraidsAgainstTheReference) {
    const std::string data = CORVANE_TEST_DATA_DIR;
    const auto references = test::ReadKnotReferences(data + "/rolfsen-8-reference.tsv");
    const fs::path dir =
        fs::temp_directory_path() / ("corvane-braids-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(data + "/rolfsen-8-braids.txt", dir / "braids.txt");

    RunState state;
    SilentRunHost host;
    ASSERT_EQ(RunCalculation(state, host, dir / "braids.txt").end, RunEnd::Done);
    ASSERT_EQ(state.KnotCount(), 35);
    for (const KnotRecord& knot : state.Knots) {
        SCOPED_TRACE(knot.name);
        const test::KnotReference& r = references.at(knot.name);
        EXPECT_EQ(Coefficients(Field(knot, "al")), r.alexander);
        // det(V + V^T) changes sign with every elementary enlargement, so the minimal matrix
        // the run computes on agrees with the braid's matrix up to sign.
        EXPECT_EQ(std::llabs(std::stoll(Field(knot, "dt"))), std::llabs(r.det));
        EXPECT_EQ(std::stoi(Field(knot, "si")), r.signature);
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace corvane
