// The Alexander module over F_p: the field arithmetic, generator counts against Smith forms
// computed independently, and the bounds the knot's record receives.
#include "invariants/alexander_module.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "arith/test_matrices.h"
#include "invariants/module_test_support.h"

namespace corvane {
namespace {

using test::DataPath;
using test::OneKnotRun;

FpPoly Fp(const FpField& f, std::initializer_list<int64_t> coefficients) {
    FpPoly p;
    size_t i = 0;
    for (const int64_t c : coefficients) p.c[i++] = FpReduce(f, c);
    p.degree = FpDegree(p);
    return p;
}

FpPolyMatrix Diagonal(const std::vector<FpPoly>& d) {
    FpPolyMatrix m;
    for (size_t i = 0; i < d.size(); ++i)
        m(static_cast<int>(i + 1), static_cast<int>(i + 1)) = d[i];
    return m;
}

TEST(FpArithmetic, ReductionInversesAndDivision) {
    const FpField f5 = InitInverses(5);
    EXPECT_EQ(FpReduce(f5, -1), 4);
    EXPECT_EQ(FpReduce(f5, INT64_MIN), FpReduce(f5, INT64_MIN % 5 + 5));
    EXPECT_EQ(f5.InverseTable[2], 3);
    EXPECT_EQ(f5.InverseTable[4], 4);
    EXPECT_EQ(f5.InverseTable[5], -1);
    EXPECT_EQ(f5.InverseTable[7], -1);  // residues >= p have no entry
    EXPECT_THROW(InitInverses(103), RangeError);

    // a = q·b + r with deg r < deg b, for random a, b over several fields.
    std::mt19937 rng(5);
    for (const int32_t p : {2, 3, 7, 47, 101}) {
        const FpField f = InitInverses(p);
        for (int k = 0; k < 50; ++k) {
            FpPoly a;
            FpPoly b;
            for (int i = 0; i <= 9; ++i) a.c[i] = static_cast<int32_t>(rng() % p);
            for (int i = 0; i <= 4; ++i) b.c[i] = static_cast<int32_t>(rng() % p);
            a.degree = FpDegree(a);
            b.degree = FpDegree(b);
            if (b.degree < 0) continue;
            const FpDivModResult qr = FpDivMod(f, a, b);
            EXPECT_LT(qr.remainder.degree, b.degree);
            EXPECT_EQ(FpAdd(f, FpMul(f, qr.quotient, b), qr.remainder), a);
            const FpPoly g = FpGcd(f, a, b);
            EXPECT_EQ(FpDivMod(f, a, g).remainder.degree, -1);
            EXPECT_EQ(FpDivMod(f, b, g).remainder.degree, -1);
        }
    }
    ClearTrouble();
    FpDivMod(f5, Fp(f5, {1, 1}), FpZero());
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "times");
    ClearTrouble();

    EXPECT_EQ(FpStripT(Fp(f5, {0, 0, 3, 1})), Fp(f5, {3, 1}));
    EXPECT_EQ(FpStripT(FpZero()), FpZero());
}

TEST(ModuleGeneratorsFp, DiagonalExamples) {
    const FpField f5 = InitInverses(5);
    // Coprime orders combine into one cyclic module; equal orders do not.
    EXPECT_EQ(ModuleGeneratorsFp(f5, Diagonal({Fp(f5, {-1, 1}), Fp(f5, {-2, 1})}), 2, 2), 1);
    EXPECT_EQ(ModuleGeneratorsFp(f5, Diagonal({Fp(f5, {-1, 1}), Fp(f5, {-1, 1})}), 2, 2), 2);
    // 3t² is a unit of F_5[t,t⁻¹].
    EXPECT_EQ(ModuleGeneratorsFp(f5, Diagonal({Fp(f5, {0, 0, 3})}), 1, 1), 0);
    // (t-1)(t-2), (t-1): the chain is (t-1) | (t-1)(t-2), two generators.
    EXPECT_EQ(
        ModuleGeneratorsFp(f5, Diagonal({Fp(f5, {2, -3, 1}), Fp(f5, {-1, 1}), Fp(f5, {1})}), 3, 3),
        2);
    // A zero relation leaves a free summand; so does a generator without a relation.
    EXPECT_EQ(ModuleGeneratorsFp(f5, Diagonal({Fp(f5, {1}), FpZero()}), 2, 2), 1);
    EXPECT_EQ(ModuleGeneratorsFp(f5, Diagonal({Fp(f5, {1})}), 2, 1), 1);
}

// Every matrix of the data file against its Smith form over F_p[t] computed by PARI/GP.
TEST(ModuleGeneratorsFp, RandomMatricesAgainstSmithForms) {
    std::ifstream in(DataPath("fp-smith-forms.txt"));
    ASSERT_TRUE(in);
    std::string line;
    int cases = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%') continue;
        std::istringstream fields(line);
        int32_t p = 0;
        int n = 0;
        fields >> p >> n;
        const FpField f = InitInverses(p);
        FpPolyMatrix m;
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= n; ++j) {
                std::string entry;
                fields >> entry;
                FpPoly& e = m(i, j);
                size_t k = 0;
                for (const int64_t c : test::SplitNumbers(entry)) e.c[k++] = FpReduce(f, c);
                e.degree = FpDegree(e);
            }
        }
        int32_t expected = -1;
        fields >> expected;
        EXPECT_EQ(ModuleGeneratorsFp(f, m, n, n), expected) << line;
        ++cases;
    }
    EXPECT_GE(cases, 200);
}

TEST(AlexanderModuleBound, EightEighteenNeedsTwoGenerators) {
    const auto knots = test::ReadKnotMatrices(DataPath("rolfsen-8-matrices.txt"));
    const auto it =
        std::find_if(knots.begin(), knots.end(), [](const auto& k) { return k.name == "8_18"; });
    ASSERT_NE(it, knots.end());
    OneKnotRun run(it->v, it->n);
    run.knot().nakanishiUpper = 3;
    const AlexanderModuleOutcome outcome = AlexanderModuleBound(run.state);
    // Smith forms by PARI/GP: over F_2 the invariant factors (t²+t+1)², t²+t+1, over F_3
    // (t+1)²(t²+1), (t+1)² (H_1(L_2) = Z/3 + Z/15 = A/(t+1)A). Two generators, and the first prime
    // reaching them, 2, names the bound.
    EXPECT_EQ(outcome.best, 2);
    EXPECT_EQ(outcome.bestPrime, 2);
    EXPECT_EQ(run.knot().nakanishiLower, 2);
    EXPECT_EQ(run.state.NakanishiSource, "H_1(S^3\\K;F_2[t,t^-1])");
    EXPECT_EQ(run.state.NakanishiSourceTex, "A(F_2)");
    EXPECT_EQ(run.knot().lowerBound, 2);
    EXPECT_EQ(run.knot().detectedBy, "A(F_2)");
    EXPECT_EQ(run.knot().detectionCodes, "m,");
}

TEST(AlexanderModuleBound, WhichKnotsAndPrimesAreExamined) {
    // Δ = 2 - 5t + 2t² (6_1), a cyclic module; the prime 2 divides the lowest coefficient.
    const IntMatrix v52 = test::FromRows({{-1, 0}, {-1, 2}});
    {
        OneKnotRun run(v52, 2);
        run.knot().nakanishiUpper = 2;
        const AlexanderModuleOutcome outcome = AlexanderModuleBound(run.state);
        EXPECT_EQ(outcome.primesTried, 13);
        EXPECT_EQ(outcome.best, 1);
        // All primes give 1 = lowerBound: only the code is added.
        EXPECT_EQ(run.knot().lowerBound, 1);
        EXPECT_EQ(run.knot().detectionCodes, "m,");
        EXPECT_EQ(run.knot().detectedBy, "");
        EXPECT_EQ(run.knot().nakanishiLower, 1);
    }
    {
        OneKnotRun run(v52, 2);
        run.knot().nakanishiUpper = 1;  // bounds already meet
        EXPECT_EQ(AlexanderModuleBound(run.state).primesTried, 0);
    }
    {
        OneKnotRun run(v52, 2);
        run.knot().nakanishiUpper = -1;  // no upper bound known
        EXPECT_EQ(AlexanderModuleBound(run.state).primesTried, 0);
    }
}

}  // namespace
}  // namespace corvane
