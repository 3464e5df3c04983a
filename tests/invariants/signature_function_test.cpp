// Tests of the signature function's step model against the torus knots, whose roots of Δ on the
// circle and signature function follow from the lattice points i/p + j/q (worked out by hand):
// σ(e^{2πix}) = -(#{θ in (x, x+1)} - #{θ outside [x, x+1]}), θ = i/p + j/q, 0 < i < p, 0 < j < q.
#include "invariants/signature_function.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/braid_line.h"
#include "input/knot_list.h"
#include "invariants/exact_signature.h"

namespace corvane {
namespace {

struct StepCase {
    const char* name;
    const char* braid;
    std::vector<long double> jumps;
    std::vector<int32_t> steps;
    int32_t bound;
};

const std::vector<StepCase> kCases{
    {"3_1 = T(2,3)", "{1,1,1}", {1.0L / 6, 5.0L / 6}, {0, -2, 0}, 1},
    {"5_1 = T(2,5)", "{1,1,1,1,1}", {0.1L, 0.3L, 0.7L, 0.9L}, {0, -2, -4, -2, 0}, 2},
    {"8_19 = T(3,4)",
     "{1,2,1,2,1,2,1,2}",
     {1.0L / 12, 1.0L / 6, 5.0L / 12, 7.0L / 12, 5.0L / 6, 11.0L / 12},
     {0, -2, -4, -6, -4, -2, 0},
     3},
    {"4_1", "{1,-2,1,-2}", {}, {0}, 0},
    {"unknot", "{1}", {}, {0}, 0},
};

ParsedMatrix MatrixOfBraid(const char* braid) {
    const BraidConversion c = BraidToMatrixText(braid);
    return ParseMatrixText(c.matrixLine);
}

TEST(SignatureFunction, TorusKnotsJumpAtTheirLatticeAngles) {
    for (const StepCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const ParsedMatrix m = MatrixOfBraid(c.braid);
        const auto f = SignatureFunctionOf(m.entries, m.rowCount);
        ASSERT_TRUE(f.has_value());
        ASSERT_EQ(f->jumps.size(), c.jumps.size());
        for (std::size_t k = 0; k < c.jumps.size(); ++k)
            EXPECT_NEAR(f->jumps[k], c.jumps[k], 1e-12);
        EXPECT_EQ(f->stepValues, c.steps);
        EXPECT_EQ(f->bound, c.bound);
        // The marked value at a simple root is halfway between its sides.
        for (std::size_t k = 0; k < f->rootValues.size(); ++k)
            EXPECT_EQ(f->rootValues[k], (c.steps[k] + c.steps[k + 1]) / 2.0L);
    }
}

TEST(SignatureFunction, AtMinusOneItIsTheSignature) {
    for (const StepCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const ParsedMatrix m = MatrixOfBraid(c.braid);
        const auto f = SignatureFunctionOf(m.entries, m.rowCount);
        ASSERT_TRUE(f.has_value());
        EXPECT_EQ(SignatureAt(*f, 0.5L), ExactSignature(m.entries, m.rowCount));
    }
}

TEST(SignatureFunction, ValuesAtPointsOfTheTrefoil) {
    const ParsedMatrix m = MatrixOfBraid("{1,1,1}");
    const SignatureFunction f = *SignatureFunctionOf(m.entries, m.rowCount);
    const std::vector<std::pair<long double, long double>> points{
        {0.0L, 0},  {0.1L, 0},      {1.0L / 6, -1}, {0.2L, -2},
        {0.5L, -2}, {5.0L / 6, -1}, {0.9L, 0},      {1.0L, 0}};
    for (const auto& [t, value] : points) EXPECT_EQ(SignatureAt(f, t), value) << double(t);
    EXPECT_EQ(SignatureFunctionBoundText(f), "u_a >= 1 (from the signature function)");
}

}  // namespace
}  // namespace corvane
