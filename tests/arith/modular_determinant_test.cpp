// Exact small determinants by elimination modulo primes, against fraction-free elimination in
// 128 bits, on matrices whose determinant is small, large or zero.
#include "arith/modular_determinant.h"

#include <gtest/gtest.h>

#include <random>

#include "arith/test_matrices.h"

namespace corvane {
namespace {

constexpr int64_t kLimit = int64_t{1} << 29;

TEST(SmallDeterminant, AgreesWithBareissOnRandomMatrices) {
    std::mt19937 rng(7);
    int small = 0, large = 0;
    for (int trial = 0; trial < 400; ++trial) {
        const int n = 1 + trial % 9;
        const int64_t bound = trial % 3 == 0 ? 3 : 60;
        IntMatrix a = test::RandomMatrix(rng, n, n, -bound, bound);
        if (trial % 5 == 0) a = test::RandomUnimodular(rng, n, 40);  // det ±1, large entries
        const test::i128 exact = test::BigDet(test::ToBig(a, n, n));
        const std::optional<int64_t> d = SmallDeterminant(a, n);
        SCOPED_TRACE(test::Describe(a, n, n));
        if (exact > -kLimit && exact < kLimit) {
            ASSERT_TRUE(d.has_value());
            EXPECT_EQ(*d, static_cast<int64_t>(exact));
            ++small;
        } else {
            EXPECT_FALSE(d.has_value());
            ++large;
        }
    }
    EXPECT_GT(small, 100);
    EXPECT_GT(large, 50);
}

TEST(SmallDeterminant, EdgesOfTheRangeAndLargeEntries) {
    // diag(2^15, 2^14 ± 1): 2^29 ± 2^15 on either side of the limit.
    EXPECT_EQ(SmallDeterminant(test::FromRows({{32768, 0}, {0, 16383}}), 2), kLimit - 32768);
    EXPECT_EQ(SmallDeterminant(test::FromRows({{32768, 0}, {0, 16385}}), 2), std::nullopt);
    EXPECT_EQ(SmallDeterminant(test::FromRows({{0, -536870911}, {1, 0}}), 2), kLimit - 1);
    // Entries near 2^62 whose determinant is 1: [[x + 1, x], [x, x - 1]] has det -1.
    const int64_t x = int64_t{1} << 61;
    EXPECT_EQ(SmallDeterminant(test::FromRows({{x + 1, x}, {x, x - 1}}), 2), -1);
    EXPECT_EQ(SmallDeterminant(test::FromRows({{0, 0}, {5, 7}}), 2), 0);
    EXPECT_EQ(SmallDeterminant(IntMatrix{}, 0), 1);
    // The skew form of a 70 × 70 block sum of trefoil matrices: det 1.
    IntMatrix skew;
    for (int i = 1; i <= 69; i += 2) {
        skew(i, i + 1) = 1;
        skew(i + 1, i) = -1;
    }
    EXPECT_EQ(SmallDeterminant(skew, 70), 1);
    EXPECT_EQ(SmallDeterminant(skew, 69), 0);
}

}  // namespace
}  // namespace corvane
