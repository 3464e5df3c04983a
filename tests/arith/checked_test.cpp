// Checked scalar arithmetic, the fixed-size integer matrices and the run's pseudo-random
// generator.
#include "arith/checked.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include "arith/errors.h"
#include "arith/int_matrix.h"
#include "arith/random.h"
#include "test_matrices.h"

namespace corvane {
namespace {

using test::i128;

class CheckedTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearTrouble();
        TroubleCode.clear();
    }
};

using SymModTest = CheckedTest;
using CheckedMulTest = CheckedTest;
using CheckedAddTest = CheckedTest;
using CheckedDivTest = CheckedTest;
using NumberTheoryTest = CheckedTest;
using IntMatrixTest = CheckedTest;

TEST_F(SymModTest, HalfModulusKeepsTheSignOfTheArgument) {
    EXPECT_EQ(SymMod(3, 6), 3);
    EXPECT_EQ(SymMod(-3, 6), -3);
    EXPECT_EQ(SymMod(9, 6), 3);
    EXPECT_EQ(SymMod(-9, 6), -3);
    EXPECT_EQ(SymMod(4, 6), -2);
    EXPECT_EQ(SymMod(-4, 6), 2);
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(SymModTest, OddModulusAndNegativeModulus) {
    EXPECT_EQ(SymMod(4, 7), -3);
    EXPECT_EQ(SymMod(3, 7), 3);
    EXPECT_EQ(SymMod(-4, 7), 3);
    EXPECT_EQ(SymMod(14, 7), 0);
    EXPECT_EQ(SymMod(4, -6), -2);  // the modulus is taken as |m|
    EXPECT_EQ(SymMod(-11, -7), 3);
    EXPECT_EQ(SymMod(123456789, 1), 0);
    EXPECT_EQ(SymMod(INT64_MAX, 2), 1);
    EXPECT_EQ(SymMod(INT64_MIN, 10), 2);  // -9223372036854775808 = -922337203685477581·10 + 2
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(SymModTest, RandomResiduesAreCongruentAndSymmetric) {
    std::mt19937 rng(6031);
    for (int trial = 0; trial < 20000; ++trial) {
        const int64_t m = test::UniformInt(rng, 1, trial % 2 == 0 ? 12 : 1'000'000'007);
        const int64_t a =
            test::UniformInt(rng, -4'000'000'000'000'000'000, 4'000'000'000'000'000'000);
        const int64_t r = SymMod(a, m);
        ASSERT_EQ((static_cast<i128>(a) - r) % m, 0) << a << " mod " << m;
        if (m % 2 == 1) {
            ASSERT_LE(2 * r, m - 1) << a << " mod " << m;
            ASSERT_GE(2 * r, -(m - 1)) << a << " mod " << m;
        } else {
            ASSERT_LE(2 * r, m) << a << " mod " << m;
            ASSERT_GE(2 * r, -m) << a << " mod " << m;
            if (2 * r == m) {
                ASSERT_GT(a, 0) << a << " mod " << m;
            }
            if (2 * r == -m) {
                ASSERT_LT(a, 0) << a << " mod " << m;
            }
        }
    }
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(SymModTest, ZeroModulusIsADivisionByZeroTrouble) {
    SymMod(5, 0);
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "divv");
}

TEST_F(CheckedMulTest, RefusesProductsBeyondTheLogarithmicBound) {
    // ln(2e9) + ln(1e9) ≈ 42.14 >= 42, although 2e18 fits in 64 bits.
    CheckedMul(2'000'000'000, 1'000'000'000);
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "6");
}

TEST_F(CheckedMulTest, ExactBelowTheBound) {
    EXPECT_EQ(CheckedMul(1'000'000'000, 1'000'000'000), 1'000'000'000'000'000'000);  // ln ≈ 41.4
    EXPECT_EQ(CheckedMul(-999'999, 999'999), -999'998'000'001);
    EXPECT_EQ(CheckedMul(3'000'000'000'000, -7), -21'000'000'000'000);
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(CheckedMulTest, UnitAndZeroFactorsNeverFail) {
    EXPECT_EQ(CheckedMul(INT64_MAX, 1), INT64_MAX);
    EXPECT_EQ(CheckedMul(1, INT64_MIN), INT64_MIN);
    EXPECT_EQ(CheckedMul(INT64_MAX, -1), -INT64_MAX);
    EXPECT_EQ(CheckedMul(-1, INT64_MAX), -INT64_MAX);
    EXPECT_EQ(CheckedMul(0, INT64_MAX), 0);
    EXPECT_EQ(CheckedMul(INT64_MIN, 0), 0);
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(CheckedMulTest, ReturnsOneWithoutComputingWhileTroubleIsSet) {
    ArithTrouble = true;
    EXPECT_EQ(CheckedMul(6, 7), 1);
    EXPECT_EQ(CheckedMul(0, 5), 1);
    EXPECT_TRUE(ArithTrouble);
}

TEST_F(CheckedAddTest, RefusesSumsBeyondTheLogarithmicBound) {
    // 1e18 fits in 64 bits but ln(1e18) ≈ 41.4 > 41.
    CheckedAdd(500'000'000'000'000'000, 500'000'000'000'000'000);
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "t");
}

TEST_F(CheckedAddTest, ExactBelowTheBound) {
    EXPECT_EQ(CheckedAdd(9'999'999'999, 999'999'999'999), 1'009'999'999'998);
    EXPECT_EQ(CheckedAdd(600'000'000'000'000'000, -100), 599'999'999'999'999'900);
    EXPECT_EQ(CheckedAdd(INT64_MAX, INT64_MIN), -1);
    EXPECT_EQ(CheckedAdd(-300'000'000'000'000'000, -300'000'000'000'000'000),
              -600'000'000'000'000'000);  // ln 6e17 ≈ 40.9
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(CheckedDivTest, TruncatesTowardZero) {
    EXPECT_EQ(CheckedDiv(7, 2), 3);
    EXPECT_EQ(CheckedDiv(-7, 2), -3);
    EXPECT_EQ(CheckedDiv(7, -2), -3);
    EXPECT_EQ(CheckedDiv(-7, -2), 3);
    EXPECT_EQ(CheckedDiv(INT64_MIN, 1), INT64_MIN);
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(CheckedDivTest, DivisionByZeroIsTroubleAndYieldsOne) {
    EXPECT_EQ(CheckedDiv(5, 0), 1);
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "divv");
}

// Random operands spread logarithmically around the thresholds: the result is either the exact
// value or trouble, and trouble comes exactly when the logarithmic test demands it.
TEST_F(CheckedMulTest, EitherExactOrFlaggedNearTheBound) {
    std::mt19937 rng(424242);
    std::uniform_real_distribution<double> logMagnitude(0.0, 30.0);
    int flagged = 0;
    int exact = 0;
    for (int trial = 0; trial < 100000; ++trial) {
        ClearTrouble();
        int64_t a =
            static_cast<int64_t>(std::exp(logMagnitude(rng))) + test::UniformInt(rng, -3, 3);
        int64_t b = static_cast<int64_t>(std::exp(
            42.0 - logMagnitude(rng) + 0.5 * std::uniform_real_distribution<double>(-1, 1)(rng)));
        if (rng() % 2) a = -a;
        if (rng() % 2) b = -b;
        const int64_t r = CheckedMul(a, b);
        const long double logSum = std::log(std::fabs(static_cast<long double>(a)) + 0.1L) +
                                   std::log(std::fabs(static_cast<long double>(b)) + 0.1L);
        const bool unit = a == 0 || b == 0 || a == 1 || a == -1 || b == 1 || b == -1;
        const bool small = std::abs(a) < 1'000'000 && std::abs(b) < 1'000'000;
        if (ArithTrouble) {
            ++flagged;
            ASSERT_EQ(TroubleCode, "6") << a << " * " << b;
            ASSERT_FALSE(unit || small) << a << " * " << b;
            ASSERT_GT(logSum, 42.0L - 1e-12L) << a << " * " << b;
        } else {
            ++exact;
            ASSERT_EQ(static_cast<i128>(r), static_cast<i128>(a) * b) << a << " * " << b;
            if (!unit && !small) {
                ASSERT_LT(logSum, 42.0L + 1e-12L) << a << " * " << b;
            }
        }
    }
    EXPECT_GT(flagged, 1000);
    EXPECT_GT(exact, 1000);
}

TEST_F(CheckedAddTest, EitherExactOrFlaggedNearTheBound) {
    std::mt19937 rng(777);
    int flagged = 0;
    int exact = 0;
    for (int trial = 0; trial < 100000; ++trial) {
        ClearTrouble();
        const double scale = std::exp(std::uniform_real_distribution<double>(20.0, 43.0)(rng));
        const int64_t a =
            static_cast<int64_t>(scale * std::uniform_real_distribution<double>(-1, 1)(rng));
        const int64_t b =
            static_cast<int64_t>(scale * std::uniform_real_distribution<double>(-1, 1)(rng));
        const int64_t r = CheckedAdd(a, b);
        const i128 sum = static_cast<i128>(a) + b;
        const long double logSum = std::log(std::fabs(static_cast<long double>(sum)) + 0.1L);
        if (ArithTrouble) {
            ++flagged;
            ASSERT_TRUE(TroubleCode == "t" || TroubleCode == "t2") << a << " + " << b;
            ASSERT_GT(logSum, 41.0L - 1e-12L) << a << " + " << b;
        } else {
            ++exact;
            ASSERT_EQ(static_cast<i128>(r), sum) << a << " + " << b;
            ASSERT_LT(logSum, 41.0L + 1e-12L) << a << " + " << b;
        }
    }
    EXPECT_GT(flagged, 1000);
    EXPECT_GT(exact, 1000);
}

TEST_F(NumberTheoryTest, Gcd) {
    EXPECT_EQ(Gcd64(0, 0), 0);
    EXPECT_EQ(Gcd64(-7, 0), 7);
    EXPECT_EQ(Gcd64(0, 12), 12);
    EXPECT_EQ(Gcd64(-12, 18), 6);
    EXPECT_EQ(Gcd64(12, -18), 6);
    EXPECT_EQ(Gcd64(17, 5), 1);
    EXPECT_EQ(Gcd64(INT64_MIN, 6), 2);
    EXPECT_EQ(Gcd64(INT64_MAX, INT64_MAX), INT64_MAX);
    EXPECT_EQ(Gcd64(1'000'000'007LL * 998'244'353, 1'000'000'007LL * 3), 1'000'000'007);
    EXPECT_THROW(Gcd64(INT64_MIN, 0), OverflowError);  // 2^63 does not fit
    std::mt19937 rng(99);
    for (int trial = 0; trial < 5000; ++trial) {
        const int64_t g = test::UniformInt(rng, 1, 100000);
        const int64_t a = g * test::UniformInt(rng, -100000, 100000);
        const int64_t b = g * test::UniformInt(rng, -100000, 100000);
        ASSERT_EQ(Gcd64(a, b), std::gcd(a, b)) << a << ", " << b;
    }
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(NumberTheoryTest, IsPrimeAgreesWithASieve) {
    constexpr int kLimit = 20000;
    std::vector<bool> composite(kLimit + 1, false);
    for (int p = 2; p * p <= kLimit; ++p)
        if (!composite[p])
            for (int q = p * p; q <= kLimit; q += p) composite[q] = true;
    for (int n = 2; n <= kLimit; ++n) ASSERT_EQ(IsPrime(n), !composite[n]) << n;
    EXPECT_FALSE(IsPrime(1));
    EXPECT_FALSE(IsPrime(0));
    EXPECT_FALSE(IsPrime(-7));
    EXPECT_TRUE(IsPrime(2147483647));
    EXPECT_TRUE(IsPrime(1'000'000'000'039));  // checked with an independent primality test
    EXPECT_FALSE(IsPrime(1'000'003LL * 1'000'033));
    EXPECT_FALSE(IsPrime(1'000'003LL * 1'000'003));
}

TEST(RandomGenerator, LinearCongruentialSequence) {
    // state_1 = 1, state_2 = 134775814, state_3 = 3698175007, state_4 = 870078620,
    // state_5 = 1172187917, state_6 = 2884733762; each draw is floor(n·state / 2^32).
    RandomGenerator rng;
    EXPECT_EQ(rng.state, 0u);
    EXPECT_EQ(RandomBelow(rng, 100), 0);
    EXPECT_EQ(rng.state, 1u);
    EXPECT_EQ(RandomBelow(rng, 100), 3);
    EXPECT_EQ(rng.state, 134775814u);
    EXPECT_EQ(RandomBelow(rng, 100), 86);
    EXPECT_EQ(RandomBelow(rng, 1000), 202);
    EXPECT_EQ(RandomBelow(rng, 7), 1);
    EXPECT_EQ(RandomBelow(rng, 2147483647), 1442366880);
    EXPECT_EQ(rng.state, 2884733762u);
}

TEST(RandomGenerator, DrawsStayBelowTheBoundAndSpreadOut) {
    RandomGenerator rng;
    std::vector<int> counts(10, 0);
    for (int i = 0; i < 100000; ++i) {
        const int64_t r = RandomBelow(rng, 10);
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 10);
        ++counts[r];
    }
    for (const int c : counts) {
        EXPECT_GT(c, 9000);
        EXPECT_LT(c, 11000);
    }
    EXPECT_EQ(RandomBelow(rng, 0), 0);
}

TEST_F(IntMatrixTest, IndicesOutsideOneToSeventyThrow) {
    IntMatrix m = IdentityMatrix(3);
    IntVector v = UnitVector(2);
    EXPECT_THROW(m(0, 1), RangeError);
    EXPECT_THROW(m(1, 0), RangeError);
    EXPECT_THROW(m(71, 1), RangeError);
    EXPECT_THROW(m(1, 71), RangeError);
    EXPECT_THROW(v(0), RangeError);
    EXPECT_THROW(v(71), RangeError);
    EXPECT_NO_THROW(m(70, 70));
    EXPECT_NO_THROW(v(70));
    EXPECT_THROW(UnitVector(71), RangeError);
    EXPECT_THROW(SwapRows(m, 0, 1, 3), RangeError);
    EXPECT_THROW(SwapColumns(m, 1, 71, 3), RangeError);
    EXPECT_THROW(AddRowMultiple(m, 71, 1, 2, 3), RangeError);
}

TEST_F(IntMatrixTest, ConstructorsAndValueSemantics) {
    const IntMatrix id = IdentityMatrix(4);
    for (int i = 1; i <= 70; ++i)
        for (int j = 1; j <= 70; ++j) ASSERT_EQ(id(i, j), (i == j && i <= 4) ? 1 : 0);
    EXPECT_EQ(ZeroMatrix(), IntMatrix{});
    EXPECT_EQ(ZeroVector(), IntVector{});
    const IntVector e3 = UnitVector(3);
    for (int i = 1; i <= 70; ++i) ASSERT_EQ(e3(i), i == 3 ? 1 : 0);

    const IntMatrix a = test::FromRows({{1, 2, 3}, {4, 5, 6}, {7, 8, 10}});
    const IntMatrix copy = a;
    const IntMatrix swapped = SwapRows(a, 1, 3, 3);
    EXPECT_EQ(a, copy);  // the argument is left alone
    EXPECT_EQ(swapped, test::FromRows({{7, 8, 10}, {4, 5, 6}, {1, 2, 3}}));
}

TEST_F(IntMatrixTest, ElementaryOperationsActOnTheGivenRange) {
    const IntMatrix a = test::FromRows({{1, 2, 3}, {4, 5, 6}, {7, 8, 10}});
    EXPECT_EQ(SwapRows(a, 1, 2, 2), test::FromRows({{4, 5, 3}, {1, 2, 6}, {7, 8, 10}}));
    EXPECT_EQ(SwapColumns(a, 1, 3, 3), test::FromRows({{3, 2, 1}, {6, 5, 4}, {10, 8, 7}}));
    EXPECT_EQ(SwapColumns(a, 1, 3, 2), test::FromRows({{3, 2, 1}, {6, 5, 4}, {7, 8, 10}}));
    EXPECT_EQ(ScaleRow(a, 2, -3, 3), test::FromRows({{1, 2, 3}, {-12, -15, -18}, {7, 8, 10}}));
    EXPECT_EQ(ScaleColumn(a, 3, 2, 2), test::FromRows({{1, 2, 6}, {4, 5, 12}, {7, 8, 10}}));
    EXPECT_EQ(AddRowMultiple(a, 3, 1, -7, 3), test::FromRows({{1, 2, 3}, {4, 5, 6}, {0, -6, -11}}));
    EXPECT_EQ(AddColumnMultiple(a, 2, 1, -2, 3),
              test::FromRows({{1, 0, 3}, {4, -3, 6}, {7, -6, 10}}));
    EXPECT_EQ(AddColumnMultiple(a, 2, 1, -2, 1),
              test::FromRows({{1, 0, 3}, {4, 5, 6}, {7, 8, 10}}));

    IntMatrix b = a;
    inplace::AddRowMultiple(b, 3, 1, -7, 3);
    EXPECT_EQ(b, AddRowMultiple(a, 3, 1, -7, 3));
    b = a;
    inplace::AddColumnMultiple(b, 2, 1, -2, 3);
    EXPECT_EQ(b, AddColumnMultiple(a, 2, 1, -2, 3));
    b = a;
    inplace::SwapRows(b, 1, 3, 3);
    EXPECT_EQ(b, SwapRows(a, 1, 3, 3));
    b = a;
    inplace::SwapColumns(b, 1, 2, 3);
    EXPECT_EQ(b, SwapColumns(a, 1, 2, 3));
    b = a;
    inplace::ScaleRow(b, 1, 5, 3);
    EXPECT_EQ(b, ScaleRow(a, 1, 5, 3));
    b = a;
    inplace::ScaleColumn(b, 3, -1, 3);
    EXPECT_EQ(b, ScaleColumn(a, 3, -1, 3));
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(IntMatrixTest, ProductsAgreeWithWideArithmetic) {
    std::mt19937 rng(2718);
    for (int trial = 0; trial < 200; ++trial) {
        const int n = static_cast<int>(test::UniformInt(rng, 1, 12));
        const int64_t bound = trial % 3 == 0 ? 1'000'000 : 20;
        const IntMatrix a = test::RandomMatrix(rng, n, n, -bound, bound);
        const IntMatrix b = test::RandomMatrix(rng, n, n, -bound, bound);
        const test::BigMatrix product = test::BigMul(test::ToBig(a, n, n), test::ToBig(b, n, n));
        const IntMatrix c = MatMul(a, b, n);
        const IntMatrix s = MatAdd(a, b, n);
        const IntMatrix t = Transpose(a, n);
        IntVector v;
        for (int i = 1; i <= n; ++i) v(i) = b(i, 1);
        const IntVector av = MatVec(a, v, n);
        ASSERT_FALSE(ArithTrouble);
        for (int i = 1; i <= 70; ++i) {
            for (int j = 1; j <= 70; ++j) {
                const bool inside = i <= n && j <= n;
                ASSERT_EQ(static_cast<i128>(c(i, j)), inside ? product[i - 1][j - 1] : 0);
                ASSERT_EQ(s(i, j), inside ? a(i, j) + b(i, j) : 0);
                ASSERT_EQ(t(i, j), inside ? a(j, i) : 0);
            }
            ASSERT_EQ(static_cast<i128>(av(i)), i <= n ? product[i - 1][0] : 0);
        }
    }
}

TEST_F(IntMatrixTest, RectangularMatrixVectorProduct) {
    const IntMatrix m = test::FromRows({{1, 2, 3}, {-4, 0, 5}});
    IntVector v;
    v(1) = 2;
    v(2) = -1;
    v(3) = 3;
    const IntVector w = MatVecRect(m, v, 2, 3);
    EXPECT_EQ(w(1), 9);
    EXPECT_EQ(w(2), 7);
    EXPECT_EQ(w(3), 0);
    const IntMatrix tall = test::FromRows({{1, 2}, {3, 4}, {5, 6}});
    const IntVector u = MatVecRect(tall, v, 3, 2);
    EXPECT_EQ(u(1), 0);
    EXPECT_EQ(u(2), 2);
    EXPECT_EQ(u(3), 4);
}

TEST_F(IntMatrixTest, OverflowInPlainSumsThrows) {
    IntMatrix a;
    IntMatrix b;
    a(1, 1) = INT64_MAX;
    b(1, 1) = 1;
    EXPECT_THROW(MatAdd(a, b, 1), OverflowError);
    a(1, 1) = INT64_MIN;
    b(1, 1) = -1;
    EXPECT_THROW(MatAdd(a, b, 2), OverflowError);

    // Ten products of 1e9·1e9 are each exact, their sum 1e19 does not fit.
    IntMatrix big;
    for (int k = 1; k <= 10; ++k) big(1, k) = big(k, 1) = 1'000'000'000;
    EXPECT_THROW(MatMul(big, big, 10), OverflowError);
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(IntMatrixTest, LargeProductsInMatMulAreTrouble) {
    IntMatrix a;
    a(1, 1) = 3'000'000'000;
    const IntMatrix c = MatMul(a, a, 1);  // ln(3e9)·2 ≈ 43.6
    (void)c;
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "6");
}

}  // namespace
}  // namespace corvane
