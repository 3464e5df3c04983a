// The integer polynomial matrices of the Nakanishi search against the rational polynomials whose
// arithmetic they must repeat: the same values and the same trouble, near every limit.
#include "arith/int_poly_matrix.h"

#include <gtest/gtest.h>

#include <random>

#include "arith/checked.h"
#include "arith/int_matrix.h"

namespace corvane {
namespace {

// Coefficients of every size class: small, near the bounds of the fast paths (2^36, 2^54, 2^57)
// and near e^38 ≈ 3.19e16 and e^40 ≈ 2.35e17, where the rational arithmetic refuses.
int64_t DrawCoefficient(std::mt19937_64& rng) {
    static constexpr int64_t kScales[] = {
        3, 100, 100000, 1LL << 36, 1LL << 54, 31855931757113756, 1LL << 57, 235385266837019985};
    const int64_t scale = kScales[rng() % std::size(kScales)];
    std::uniform_int_distribution<int64_t> d(-scale, scale);
    return rng() % 3 == 0 ? 0 : d(rng);
}

IntPoly DrawPoly(std::mt19937_64& rng, int64_t maxDegree) {
    IntPoly p;
    const int64_t degree = static_cast<int64_t>(rng() % static_cast<uint64_t>(maxDegree + 2)) - 1;
    for (int64_t i = 0; i <= degree; ++i) p.c[static_cast<size_t>(i)] = DrawCoefficient(rng);
    if (degree >= 0 && p.c[static_cast<size_t>(degree)] == 0) p.c[static_cast<size_t>(degree)] = 1;
    p.degree = degree;
    return p;
}

struct Outcome {
    bool trouble;
    std::string code;
};

Outcome Take() {
    const Outcome o{ArithTrouble, ArithTrouble ? TroubleCode : ""};
    ClearTrouble();
    TroubleCode.clear();
    return o;
}

// target += c·t^s·source on a 1 × 1 matrix (the row and the column operation) against
// PolyAdd(target, PolyScaleShift(source, c, s)), and target - a·source.
TEST(IntPolyMatrix, RepeatsTheRationalArithmetic) {
    std::mt19937_64 rng(20261208);
    int troubles = 0;
    int exact = 0;
    for (int round = 0; round < 20000; ++round) {
        const IntPoly target = DrawPoly(rng, 27);
        const IntPoly source = DrawPoly(rng, 27);
        const int64_t s = static_cast<int64_t>(rng() % 8);
        int64_t c = DrawCoefficient(rng);
        if (c == 0) c = -2;
        const RatPoly expected = PolyAdd(RatPolyFromInt(target),
                                         PolyScaleShift(RatPolyFromInt(source), RatFromInt(c), s));
        const Outcome rational = Take();
        for (const bool byRow : {true, false}) {
            IntPolyMatrix m;
            m.Set(1, 1, target);
            // Entry (1, 2) of a row operation, (2, 1) of a column operation, holds the source.
            m.Set(byRow ? 2 : 1, byRow ? 1 : 2, source);
            if (byRow) {
                inplace::IntPolyAddRowMultiple(m, 1, 2, 1, s, c);
            } else {
                inplace::IntPolyAddColumnMultiple(m, 1, 2, 1, s, c);
            }
            const Outcome integral = Take();
            ASSERT_EQ(integral.trouble, rational.trouble) << round;
            ASSERT_EQ(integral.code, rational.code) << round;
            if (rational.trouble) continue;
            ASSERT_EQ(RatPolyFromInt(m.Entry(1, 1)), expected) << round;
            ASSERT_EQ(m.Lead(1, 1), expected.degree < 0 ? 0 : expected.c(expected.degree).num);
        }
        (rational.trouble ? troubles : exact) += 1;

        // target - a·source, as the stabilisation of a presentation updates its transform,
        // against PolyAdd(target, PolyNeg(PolyMul(a, source))).
        const IntPoly a = DrawPoly(rng, 3);
        const IntPoly product = DrawPoly(rng, 26);
        const RatPoly difference = PolyAdd(
            RatPolyFromInt(target), PolyNeg(PolyMul(RatPolyFromInt(a), RatPolyFromInt(product))));
        const Outcome rationalDifference = Take();
        IntPolyMatrix m;
        m.Set(1, 1, target);
        m.Set(2, 1, product);
        inplace::IntPolySubtractProduct(m, 1, 1, a, 2, 1);
        const Outcome integralDifference = Take();
        ASSERT_EQ(integralDifference.code, rationalDifference.code) << round;
        if (!rationalDifference.trouble) {
            ASSERT_EQ(RatPolyFromInt(m.Entry(1, 1)), difference) << round;
            ASSERT_EQ(m.Degree(1, 1), difference.degree) << round;
        }
    }
    // Both outcomes are well represented.
    EXPECT_GT(troubles, 2000);
    EXPECT_GT(exact, 2000);
}

// Swaps move whole entries with their degrees and leading coefficients.
TEST(IntPolyMatrix, SwapsKeepDegreesAndLeads) {
    std::mt19937_64 rng(7);
    IntPolyMatrix m;
    for (int i = 1; i <= 3; ++i) {
        for (int j = 1; j <= 3; ++j) m.Set(i, j, DrawPoly(rng, 27));
    }
    const IntPolyMatrix before = m;
    inplace::IntPolySwapRows(m, 1, 3, 3);
    inplace::IntPolySwapColumns(m, 2, 3, 3);
    for (int i = 1; i <= 3; ++i) {
        for (int j = 1; j <= 3; ++j) {
            const IntPoly e =
                before.Entry(i == 1 ? 3 : (i == 3 ? 1 : i), j == 2 ? 3 : (j == 3 ? 2 : j));
            EXPECT_EQ(m.Entry(i, j), e);
            EXPECT_EQ(m.Degree(i, j), e.degree);
            EXPECT_EQ(m.Lead(i, j), e.degree < 0 ? 0 : e.c[static_cast<size_t>(e.degree)]);
        }
    }
}

// IntMatrix keeps only the block in use: it must behave as a plain 70 × 70 array of zeros.
TEST(IntMatrixBlock, BehavesAsAFullZeroMatrix) {
    std::mt19937_64 rng(11);
    std::vector<int64_t> model(kMatrixDim * kMatrixDim, 0);
    IntMatrix m;
    for (int step = 0; step < 3000; ++step) {
        const int limit = step < 1500 ? 12 : kMatrixDim;
        const int i = 1 + static_cast<int>(rng() % static_cast<uint64_t>(limit));
        const int j = 1 + static_cast<int>(rng() % static_cast<uint64_t>(limit));
        const int64_t x = static_cast<int64_t>(rng() % 1000) - 500;
        m(i, j) = x;
        model[static_cast<size_t>((i - 1) * kMatrixDim + j - 1)] = x;
        if (step % 500 != 0) continue;
        const IntMatrix copy = m;
        IntMatrix assigned;
        assigned(3, 3) = 9;
        assigned = m;
        for (int r = 1; r <= kMatrixDim; ++r) {
            for (int c = 1; c <= kMatrixDim; ++c) {
                const int64_t v = model[static_cast<size_t>((r - 1) * kMatrixDim + c - 1)];
                ASSERT_EQ(std::as_const(m)(r, c), v);
                ASSERT_EQ(std::as_const(copy)(r, c), v);
                ASSERT_EQ(std::as_const(assigned)(r, c), v);
            }
        }
        EXPECT_EQ(copy, m);
    }
    // Vectors likewise.
    IntVector v;
    v(5) = 7;
    const IntVector w = v;
    EXPECT_EQ(std::as_const(w)(5), 7);
    EXPECT_EQ(std::as_const(w)(4), 0);
    EXPECT_EQ(std::as_const(w)(70), 0);
    IntVector u;
    u(70) = 0;
    u(5) = 7;
    EXPECT_EQ(u, w);
    u(1) = 1;
    EXPECT_NE(u, w);
    // Equal contents are equal whatever block each keeps; a single difference is seen.
    IntMatrix small;
    small(2, 2) = 5;
    IntMatrix wide;
    wide(70, 70) = 0;
    wide(2, 2) = 5;
    EXPECT_EQ(small, wide);
    wide(69, 1) = 1;
    EXPECT_NE(small, wide);
}

}  // namespace
}  // namespace corvane
