// Polynomial matrices: elementary operations, cofactor determinant and adjugate of blocks, and
// PolyDeterminant with its transforms and adjugate.
#include "arith/poly_matrix.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "arith/checked.h"
#include "arith/poly_test_support.h"

namespace corvane {
namespace {

using polytest::i128;
using polytest::IntegerCoefficients;
using polytest::IntPoly;
using polytest::MatrixOf;

class PolyMatrixTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearTrouble();
        TroubleCode.clear();
    }
};

PolyBlock BlockOf(const std::vector<std::vector<std::vector<int64_t>>>& rows) {
    PolyBlock b;
    for (size_t i = 0; i < rows.size(); ++i) {
        for (size_t j = 0; j < rows[i].size(); ++j) {
            b(static_cast<int>(i) + 1, static_cast<int>(j) + 1) = IntPoly(rows[i][j]);
        }
    }
    return b;
}

// The value of an integral polynomial at an integer.
i128 ValueAt(const RatPoly& p, i128 t) {
    return polytest::Evaluate(IntegerCoefficients(p), t);
}

// det M(t0) of the n × n block of an integral polynomial matrix, by exact integer elimination.
i128 DeterminantAt(const PolyMatrix& m, int n, i128 t0) {
    std::vector<std::vector<i128>> a(n, std::vector<i128>(n));
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) a[i][j] = ValueAt(m(i + 1, j + 1), t0);
    }
    return polytest::IntegerDeterminant(a);
}

i128 Power(i128 base, int64_t exponent) {
    i128 r = 1;
    for (int64_t i = 0; i < exponent; ++i) r *= base;
    return r;
}

// A polynomial times the identity on the n × n block.
PolyMatrix ScalarMatrix(const RatPoly& p, int n) {
    PolyMatrix m;
    for (int i = 1; i <= n; ++i) m(i, i) = p;
    return m;
}

// Random n × n matrix, a quarter of the entries zero, the others of degree <= maxDegree with
// coefficients in -range..range.
PolyMatrix RandomPolyMatrix(std::mt19937& rng, int n, int maxDegree, int range) {
    std::uniform_int_distribution<int64_t> coefficient(-range, range);
    std::uniform_int_distribution<int> zero(0, 3);
    PolyMatrix m;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            if (zero(rng) == 0) continue;
            std::vector<int64_t> c(static_cast<size_t>(maxDegree) + 1);
            for (int64_t& x : c) x = coefficient(rng);
            m(i, j) = IntPoly(c);
        }
    }
    return m;
}

// Matrices compared entry by entry as values (coefficients as reduced fractions).
bool SameValues(const PolyMatrix& a, const PolyMatrix& b, int n) {
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            const RatPoly difference = PolyAdd(a(i, j), PolyNeg(b(i, j)));
            if (difference.degree >= 0) return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Types and elementary operations

TEST_F(PolyMatrixTest, IndicesOutsideTheTablesThrow) {
    PolyMatrix m;
    PolyBlock b;
    EXPECT_NO_THROW(m(12, 12));
    EXPECT_THROW(m(0, 1), RangeError);
    EXPECT_THROW(m(1, 13), RangeError);
    EXPECT_NO_THROW(b(8, 8));
    EXPECT_THROW(b(9, 1), RangeError);
    EXPECT_THROW(PolyMatIdentity(13), RangeError);
    EXPECT_THROW(PolyBlockDeterminant(b, 9), RangeError);
    EXPECT_THROW(PolyDeterminant(m, 13, true, 6), RangeError);
    EXPECT_THROW(PolyDeterminant(m, -1, true, 6), RangeError);
    EXPECT_THROW(PolyDeterminant(m, 10, true, 9), RangeError);
    EXPECT_THROW(PolyAddRowMultiple(m, 1, 2, 2, -1, Rational{1, 1}), RangeError);
}

TEST_F(PolyMatrixTest, ZeroAndIdentity) {
    const PolyMatrix zero = PolyMatZero();
    const PolyMatrix id3 = PolyMatIdentity(3);
    const PolyMatrix id12 = PolyMatIdentity12();
    for (int i = 1; i <= 12; ++i) {
        for (int j = 1; j <= 12; ++j) {
            EXPECT_EQ(zero(i, j), PolyZero());
            EXPECT_EQ(id3(i, j), i == j && i <= 3 ? PolyOne() : PolyZero());
            EXPECT_EQ(id12(i, j), i == j ? PolyOne() : PolyZero());
        }
    }
}

TEST_F(PolyMatrixTest, ProductOfTwoShears) {
    // [[1, t], [0, 1]]·[[1, 0], [t, 1]] = [[1 + t², t], [t, 1]].
    const PolyMatrix a = MatrixOf({{{1}, {0, 1}}, {{}, {1}}});
    const PolyMatrix b = MatrixOf({{{1}, {}}, {{0, 1}, {1}}});
    const PolyMatrix expected = MatrixOf({{{1, 0, 1}, {0, 1}}, {{0, 1}, {1}}});
    EXPECT_EQ(PolyMatMul(a, b, 2), expected);
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(PolyMatrixTest, RowAndColumnOperations) {
    const PolyMatrix m = MatrixOf({{{1}, {2, 1}}, {{0, 3}, {-1}}});
    // row 1 += 2·t·row 2: [[1 + 6t², 2 + t - 2t], [3t, -1]].
    EXPECT_EQ(PolyAddRowMultiple(m, 1, 2, 2, 1, Rational{2, 1}),
              MatrixOf({{{1, 0, 6}, {2, -1}}, {{0, 3}, {-1}}}));
    // column 2 += (-1/2)·column 1: [[1, 3/2 + t], [3t, -1 - 3/2 t]].
    const PolyMatrix c = PolyAddColumnMultiple(m, 2, 1, 2, 0, Rational{-1, 2});
    EXPECT_EQ(c(1, 2).c(0), (Rational{3, 2}));
    EXPECT_EQ(c(1, 2).c(1), (Rational{1, 1}));
    EXPECT_EQ(c(2, 2).c(0), (Rational{-1, 1}));
    EXPECT_EQ(c(2, 2).c(1), (Rational{-3, 2}));
    EXPECT_EQ(PolySwapRows(m, 1, 2, 2), MatrixOf({{{0, 3}, {-1}}, {{1}, {2, 1}}}));
    EXPECT_EQ(PolySwapColumns(m, 1, 2, 2), MatrixOf({{{2, 1}, {1}}, {{-1}, {0, 3}}}));
    // Operations stay inside the n × n block.
    PolyMatrix wide = m;
    wide(1, 3) = IntPoly({5});
    wide(2, 3) = IntPoly({7});
    EXPECT_EQ(PolySwapRows(wide, 1, 2, 2)(1, 3), IntPoly({5}));
}

// ---------------------------------------------------------------------------------------------
// Cofactor determinant and adjugate of blocks

TEST_F(PolyMatrixTest, BlockDeterminantsOfSmallSizes) {
    EXPECT_EQ(PolyBlockDeterminant(PolyBlock{}, 0), PolyOne());
    EXPECT_EQ(PolyBlockDeterminant(BlockOf({{{3, -1}}}), 1), IntPoly({3, -1}));
    // Trefoil presentation: (1 - t)² + t.
    EXPECT_EQ(PolyBlockDeterminant(BlockOf({{{1, -1}, {1}}, {{0, -1}, {1, -1}}}), 2),
              IntPoly({1, -1, 1}));
    // Vandermonde in 1, t, t²: (t - 1)(t² - 1)(t² - t) = -t + 2t² - 2t⁴ + t⁵.
    const PolyBlock vandermonde =
        BlockOf({{{1}, {1}, {1}}, {{1}, {0, 1}, {0, 0, 1}}, {{1}, {0, 0, 1}, {0, 0, 0, 0, 1}}});
    EXPECT_EQ(PolyBlockDeterminant(vandermonde, 3), IntPoly({0, -1, 2, 0, -2, 1}));
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(PolyMatrixTest, BlockDeterminantOfTriangularAndPermutationBlocks) {
    // Upper triangular 8 × 8 with diagonal 1 + t, 2, 1 + t, 2, ...: (1 + t)⁴·16; the entries
    // above the diagonal do not matter.
    PolyBlock upper;
    for (int i = 1; i <= 8; ++i) {
        upper(i, i) = i % 2 == 1 ? IntPoly({1, 1}) : IntPoly({2});
        for (int j = i + 1; j <= 8; ++j) upper(i, j) = IntPoly({i, -j, 1});
    }
    EXPECT_EQ(PolyBlockDeterminant(upper, 8), IntPoly({16, 64, 96, 64, 16}));
    // The reversal permutation of size m has sign (-1)^(m(m-1)/2).
    for (int m = 1; m <= 8; ++m) {
        PolyBlock reversal;
        for (int i = 1; i <= m; ++i) reversal(i, m + 1 - i) = IntPoly({0, 1});
        const int64_t sign = (m * (m - 1) / 2) % 2 == 0 ? 1 : -1;
        std::vector<int64_t> expected(static_cast<size_t>(m) + 1, 0);
        expected.back() = sign;
        EXPECT_EQ(PolyBlockDeterminant(reversal, m), IntPoly(expected)) << "m = " << m;
    }
}

TEST_F(PolyMatrixTest, BlockAdjugateOfTheTrefoilPresentation) {
    const PolyBlock b = BlockOf({{{1, -1}, {1}}, {{0, -1}, {1, -1}}});
    const PolyBlock adj = PolyBlockAdjugate(b, 2);
    EXPECT_EQ(adj, BlockOf({{{1, -1}, {-1}}, {{0, 1}, {1, -1}}}));
    EXPECT_EQ(PolyBlockAdjugate(BlockOf({{{4, 5}}}), 1), BlockOf({{{1}}}));
}

TEST_F(PolyMatrixTest, BlockAdjugateTimesBlockIsTheDeterminant) {
    std::mt19937 rng(71);
    for (int m = 1; m <= 8; ++m) {
        for (int trial = 0; trial < 3; ++trial) {
            const PolyMatrix random = RandomPolyMatrix(rng, m, 1, 3);
            PolyBlock b;
            PolyMatrix asMatrix;
            for (int i = 1; i <= m; ++i) {
                for (int j = 1; j <= m; ++j) b(i, j) = asMatrix(i, j) = random(i, j);
            }
            const RatPoly det = PolyBlockDeterminant(b, m);
            const PolyBlock adj = PolyBlockAdjugate(b, m);
            PolyMatrix adjMatrix;
            for (int i = 1; i <= m; ++i) {
                for (int j = 1; j <= m; ++j) adjMatrix(i, j) = adj(i, j);
            }
            ASSERT_FALSE(ArithTrouble);
            EXPECT_TRUE(SameValues(PolyMatMul(adjMatrix, asMatrix, m), ScalarMatrix(det, m), m));
            EXPECT_TRUE(SameValues(PolyMatMul(asMatrix, adjMatrix, m), ScalarMatrix(det, m), m));
            // The determinant agrees with exact integer determinants at m + 1 points.
            for (int t0 = -2; t0 <= m - 2; ++t0) {
                EXPECT_TRUE(ValueAt(det, t0) == DeterminantAt(asMatrix, m, t0))
                    << "m = " << m << ", t = " << t0;
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// PolyDeterminant: the documented cases

TEST_F(PolyMatrixTest, EmptyMatrixHasDeterminantOneAndTouchesNothing) {
    ArithTrouble = true;
    TroubleCode = "earlier";
    const PolyDeterminantResult r = PolyDeterminant(PolyMatZero(), 0, false, 6);
    EXPECT_TRUE(r.written);
    EXPECT_EQ(r.out, PolyOne());
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "earlier");
    EXPECT_FALSE(r.transforms.has_value());
}

TEST_F(PolyMatrixTest, SmallMatrixIsExpandedWholeWithExactSign) {
    ArithTrouble = true;  // cleared on entry
    TroubleCode = "earlier";
    const PolyMatrix trefoil = MatrixOf({{{1, -1}, {1}}, {{0, -1}, {1, -1}}});
    const PolyDeterminantResult r = PolyDeterminant(trefoil, 2, true, 6);
    EXPECT_FALSE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "");
    ASSERT_TRUE(r.written);
    EXPECT_EQ(r.out, IntPoly({1, -1, 1}));
    EXPECT_EQ(r.ExchangeSign, 1);
    EXPECT_EQ(r.StrippedPower, 0);
    EXPECT_EQ(r.PolyDiagResult, trefoil);
    EXPECT_FALSE(r.transforms.has_value());
}

TEST_F(PolyMatrixTest, AdjugateOfTheTrefoilPresentation) {
    const PolyMatrix trefoil = MatrixOf({{{1, -1}, {1}}, {{0, -1}, {1, -1}}});
    const PolyDeterminantResult r = PolyDeterminant(trefoil, 2, false, 6);
    ASSERT_FALSE(ArithTrouble);
    ASSERT_TRUE(r.transforms.has_value());
    EXPECT_EQ(r.out, IntPoly({1, -1, 1}));
    EXPECT_EQ(r.transforms->PolyAdjugate, MatrixOf({{{1, -1}, {-1}}, {{0, 1}, {1, -1}}}));
    EXPECT_EQ(r.transforms->PolyDiagLeft, PolyMatIdentity(2));
    EXPECT_EQ(r.transforms->PolyDiagRightInverse, PolyMatIdentity(2));
}

TEST_F(PolyMatrixTest, ZeroRowGivesTheZeroPolynomial) {
    for (const int block : {6, 2, 0}) {
        PolyMatrix m = MatrixOf({{{1, 1}, {2}, {0, 3}, {1}},
                                 {{-1}, {0, 1}, {4}, {2, 2}},
                                 {{}, {}, {}, {}},
                                 {{3}, {1, 1}, {1}, {0, 0, 1}}});
        const PolyDeterminantResult r = PolyDeterminant(m, 4, false, block);
        EXPECT_FALSE(ArithTrouble) << "block " << block;
        ASSERT_TRUE(r.written);
        EXPECT_EQ(r.out.degree, -1);
        EXPECT_EQ(r.out, PolyZero());
    }
}

TEST_F(PolyMatrixTest, SevenBySevenEliminatesExactlyOnePosition) {
    std::mt19937 rng(7);
    const PolyMatrix m = RandomPolyMatrix(rng, 7, 1, 2);
    const PolyDeterminantResult r = PolyDeterminant(m, 7, true, 6);
    ASSERT_FALSE(ArithTrouble) << TroubleCode;
    ASSERT_TRUE(r.written);
    const PolyMatrix& d = r.PolyDiagResult;
    EXPECT_GE(d(1, 1).degree, 0);
    for (int j = 2; j <= 7; ++j) {
        EXPECT_EQ(d(1, j).degree, -1);
        EXPECT_EQ(d(j, 1).degree, -1);
    }
    // Position 2 is left to the block, so the block is not diagonal in general.
    bool blockHasOffDiagonal = false;
    for (int j = 3; j <= 7; ++j) blockHasOffDiagonal |= d(2, j).degree >= 0 || d(j, 2).degree >= 0;
    EXPECT_TRUE(blockHasOffDiagonal);
    for (int t0 = -4; t0 <= 4; ++t0) {
        const i128 expected = DeterminantAt(m, 7, t0);
        EXPECT_TRUE(r.ExchangeSign * Power(t0, r.StrippedPower) * ValueAt(r.out, t0) == expected)
            << "t = " << t0;
    }
}

TEST_F(PolyMatrixTest, AnExchangeFlipsTheSignOfTheResult) {
    // The identity with rows 1 and 2 exchanged has determinant -1; the elimination moves the 1
    // of row 2 up as the pivot of column 1 and returns +1, recording the exchange.
    PolyMatrix m = PolyMatIdentity(7);
    m = PolySwapRows(m, 1, 2, 7);
    const PolyDeterminantResult r = PolyDeterminant(m, 7, true, 6);
    ASSERT_FALSE(ArithTrouble);
    EXPECT_EQ(r.out, PolyOne());
    EXPECT_EQ(r.ExchangeSign, -1);
}

TEST_F(PolyMatrixTest, PowersOfTAreStrippedFromEliminatedEntries) {
    // diag(t², 1 + t, ...) with block 1: the first position is eliminated, its t² removed.
    PolyMatrix m = PolyMatIdentity(3);
    m(1, 1) = IntPoly({0, 0, 1});
    m(2, 2) = IntPoly({1, 1});
    const PolyDeterminantResult r = PolyDeterminant(m, 3, false, 1);
    ASSERT_FALSE(ArithTrouble);
    EXPECT_EQ(r.out, IntPoly({1, 1}));
    EXPECT_EQ(r.StrippedPower, 2);
    EXPECT_EQ(r.ExchangeSign, 1);
    // Expanded whole, nothing is stripped.
    EXPECT_EQ(PolyDeterminant(m, 3, true, 3).out, IntPoly({0, 0, 1, 1}));
}

// ---------------------------------------------------------------------------------------------
// PolyDeterminant: soft failures

TEST_F(PolyMatrixTest, LargeDenominatorInTheEliminatedProductFailsWithCode10) {
    PolyMatrix m = PolyMatIdentity(7);
    m(1, 1).c(0) = Rational{1, 10007};
    const PolyDeterminantResult r = PolyDeterminant(m, 7, true, 6);
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "10");
    EXPECT_FALSE(r.written);
    // The same matrix expanded whole.
    const PolyDeterminantResult whole = PolyDeterminant(m, 7, true, 7);
    EXPECT_FALSE(ArithTrouble);
    ASSERT_TRUE(whole.written);
    EXPECT_EQ(RatReduce(whole.out.c(0)), (Rational{1, 10007}));
    EXPECT_EQ(whole.out.degree, 0);
    // A denominator of 10000 is still accepted.
    m(1, 1).c(0) = Rational{1, 10000};
    EXPECT_TRUE(PolyDeterminant(m, 7, true, 6).written);
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(PolyMatrixTest, TroubleDuringEliminationLeavesOutUnwritten) {
    // The pivot 3 of column 1 forces the quotient 2^40/3 onto row 1's entry 2^40: a product
    // beyond e^40 that the rational arithmetic refuses.
    const int64_t big = int64_t{1} << 40;
    PolyMatrix m = PolyMatIdentity(7);
    m(1, 1) = IntPoly({3});
    m(1, 2) = IntPoly({big});
    m(2, 1) = IntPoly({big});
    const PolyDeterminantResult r = PolyDeterminant(m, 7, true, 5);
    EXPECT_TRUE(ArithTrouble);
    EXPECT_FALSE(TroubleCode.empty());
    EXPECT_FALSE(r.written);
}

TEST_F(PolyMatrixTest, TroubleInTheBlockGivesZero) {
    const int64_t big = int64_t{1} << 40;
    const PolyMatrix m = MatrixOf({{{big}, {1}}, {{1}, {big}}});
    const PolyDeterminantResult r = PolyDeterminant(m, 2, true, 6);
    EXPECT_TRUE(ArithTrouble);
    ASSERT_TRUE(r.written);
    EXPECT_EQ(r.out, PolyZero());
}

// ---------------------------------------------------------------------------------------------
// PolyDeterminant on random matrices: determinant, transforms and adjugate

struct RandomCase {
    int n;
    int block;
    int maxDegree;
};

TEST_F(PolyMatrixTest, RandomMatricesDeterminantTransformsAndAdjugate) {
    std::mt19937 rng(2024);
    // Few eliminated positions: the Euclidean steps over Q make the coefficients grow quickly
    // with the number of positions and the degrees, which the arithmetic reports as trouble.
    const std::vector<RandomCase> cases = {{1, 0, 2}, {2, 0, 2}, {3, 0, 1}, {3, 2, 2},  {4, 2, 1},
                                           {5, 3, 1}, {5, 4, 2}, {6, 4, 1}, {6, 6, 1},  {7, 6, 1},
                                           {8, 6, 1}, {8, 8, 1}, {9, 7, 1}, {10, 8, 1}, {4, 3, 3}};
    int adjugatesChecked = 0;
    int strippedSeen = 0;
    for (int round = 0; round < 4; ++round) {
        for (const RandomCase& c : cases) {
            SCOPED_TRACE("n = " + std::to_string(c.n) + ", block = " + std::to_string(c.block) +
                         ", round " + std::to_string(round));
            const PolyMatrix m = RandomPolyMatrix(rng, c.n, c.maxDegree, 2);
            const PolyDeterminantResult r = PolyDeterminant(m, c.n, false, c.block);
            ASSERT_FALSE(ArithTrouble) << TroubleCode;
            ASSERT_TRUE(r.written);
            ASSERT_TRUE(r.transforms.has_value());
            const PolyTransforms& tr = *r.transforms;
            const int n = c.n;
            const PolyMatrix identity = PolyMatIdentity(n);

            // det M = ExchangeSign·t^StrippedPower·out, checked at more points than its degree.
            const int points = n * c.maxDegree + 1;
            for (int t0 = -points / 2; t0 <= points - points / 2; ++t0) {
                EXPECT_TRUE(r.ExchangeSign * Power(t0, r.StrippedPower) * ValueAt(r.out, t0) ==
                            DeterminantAt(m, n, t0))
                    << "t = " << t0;
            }
            // P·M·Q = R, P·P⁻¹ = Q·Q⁻¹ = I, R eliminated on positions 1..n - block.
            EXPECT_TRUE(
                SameValues(PolyMatMul(PolyMatMul(tr.PolyDiagLeft, m, n), tr.PolyDiagRight, n),
                           r.PolyDiagResult, n));
            EXPECT_TRUE(
                SameValues(PolyMatMul(tr.PolyDiagLeft, tr.PolyDiagLeftInverse, n), identity, n));
            EXPECT_TRUE(
                SameValues(PolyMatMul(tr.PolyDiagRight, tr.PolyDiagRightInverse, n), identity, n));
            for (int k = 1; k <= n - c.block; ++k) {
                for (int j = k + 1; j <= n; ++j) {
                    EXPECT_EQ(r.PolyDiagResult(k, j).degree, -1);
                    EXPECT_EQ(r.PolyDiagResult(j, k).degree, -1);
                }
            }
            ASSERT_FALSE(ArithTrouble);
            if (r.StrippedPower != 0) {
                ++strippedSeen;
                continue;
            }
            // Adjugate: A·M = M·A = out·I.
            const PolyMatrix scalar = ScalarMatrix(r.out, n);
            EXPECT_TRUE(SameValues(PolyMatMul(tr.PolyAdjugate, m, n), scalar, n));
            EXPECT_TRUE(SameValues(PolyMatMul(m, tr.PolyAdjugate, n), scalar, n));
            ++adjugatesChecked;
        }
    }
    // Most random matrices have eliminated entries with non-zero constant terms.
    EXPECT_GE(adjugatesChecked, 40);
    RecordProperty("strippedSeen", strippedSeen);
}

TEST_F(PolyMatrixTest, SingularMatricesHaveZeroDeterminantAndConsistentAdjugate) {
    // Row 3 = row 1 + t·row 2: det 0 with no zero row; the adjugate still annihilates M.
    std::mt19937 rng(5);
    for (const int block : {0, 2, 5}) {
        PolyMatrix m = RandomPolyMatrix(rng, 5, 1, 2);
        for (int j = 1; j <= 5; ++j) {
            m(3, j) = PolyAdd(m(1, j), PolyScaleShift(m(2, j), Rational{1, 1}, 1));
        }
        const PolyDeterminantResult r = PolyDeterminant(m, 5, false, block);
        ASSERT_FALSE(ArithTrouble) << TroubleCode;
        ASSERT_TRUE(r.written);
        EXPECT_EQ(r.out, PolyZero()) << "block " << block;
        // Expanded whole, the adjugate of the rank-4 matrix is built and is non-zero; after an
        // elimination it is built unless the elimination met a zero row and column.
        const PolyMatrix& adj = r.transforms->PolyAdjugate;
        if (block == 5) {
            EXPECT_NE(adj, PolyMatZero());
        }
        EXPECT_TRUE(SameValues(PolyMatMul(adj, m, 5), PolyMatZero(), 5));
        EXPECT_TRUE(SameValues(PolyMatMul(m, adj, 5), PolyMatZero(), 5));
    }
}

}  // namespace
}  // namespace corvane
