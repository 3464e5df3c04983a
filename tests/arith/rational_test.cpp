#include "arith/rational.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "arith/checked.h"
#include "arith/errors.h"

namespace corvane {
namespace {

using Wide = __int128;

class RationalTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ArithTrouble = false;
        TroubleCode.clear();
    }
};

Wide AbsWide(Wide x) {
    return x < 0 ? -x : x;
}

Wide GcdWide(Wide x, Wide y) {
    x = AbsWide(x);
    y = AbsWide(y);
    while (y != 0) {
        const Wide r = x % y;
        x = y;
        y = r;
    }
    return x;
}

bool Fits(Wide x) {
    return x >= INT64_MIN && x <= INT64_MAX;
}

// A fraction in 128 bits, reduced with a positive denominator (den != 0).
struct WideFraction {
    Wide num;
    Wide den;
    bool operator==(const WideFraction&) const = default;
};

WideFraction Reduced(Wide num, Wide den) {
    if (num == 0) return {0, 1};
    const Wide g = GcdWide(num, den);
    num /= g;
    den /= g;
    if (den < 0) return {-num, -den};
    return {num, den};
}

WideFraction Reduced(Rational q) {
    return Reduced(q.num, q.den);
}

bool IsReducedForm(Rational q) {
    return q.den > 0 && (q.num == 0 ? q.den == 1 : GcdWide(q.num, q.den) == 1);
}

// The operand as the sum and product see it: reduced when |den| > 10000.
Rational Prepared(Rational q) {
    if (q.den > 10000 || q.den < -10000) {
        const WideFraction r = Reduced(q);
        return Rational{static_cast<int64_t>(r.num), static_cast<int64_t>(r.den)};
    }
    return q;
}

long double LogAbs(int64_t x) {
    return std::log(std::fabs(static_cast<long double>(x)));
}

// --- RatReduce, RatNeg, RatRecip, RatFromInt ---

TEST_F(RationalTest, ReduceGivesLowestTermsWithPositiveDenominator) {
    EXPECT_EQ(RatReduce({0, 7}), (Rational{0, 1}));
    EXPECT_EQ(RatReduce({0, -7}), (Rational{0, 1}));
    EXPECT_EQ(RatReduce({6, -4}), (Rational{-3, 2}));
    EXPECT_EQ(RatReduce({-6, -4}), (Rational{3, 2}));
    EXPECT_EQ(RatReduce({-6, 4}), (Rational{-3, 2}));
    EXPECT_EQ(RatReduce({35, 14}), (Rational{5, 2}));
    EXPECT_EQ(RatReduce({7, -1}), (Rational{-7, 1}));
    EXPECT_EQ(RatReduce({INT64_MIN, 2}), (Rational{INT64_MIN / 2, 1}));
    EXPECT_EQ(RatReduce({INT64_MAX, INT64_MAX}), (Rational{1, 1}));
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(RationalTest, ReduceOfZeroDenominatorKeepsItAndRaisesNothing) {
    // gcd(5, 0) = 5: the value becomes 1/0, which the large-operand paths later report.
    EXPECT_EQ(RatReduce({5, 0}), (Rational{1, 0}));
    EXPECT_EQ(RatReduce({-5, 0}), (Rational{-1, 0}));
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(RationalTest, ReduceThrowsWhenTheSignChangeLeaves64Bits) {
    EXPECT_THROW(RatReduce({1, INT64_MIN}), OverflowError);
    EXPECT_THROW(RatReduce({INT64_MIN, -1}), OverflowError);
}

TEST_F(RationalTest, NegRecipFromInt) {
    EXPECT_EQ(RatNeg({3, -4}), (Rational{-3, -4}));
    EXPECT_EQ(RatNeg({INT64_MAX, 1}), (Rational{-INT64_MAX, 1}));
    EXPECT_THROW(RatNeg({INT64_MIN, 1}), OverflowError);
    EXPECT_EQ(RatRecip({3, -4}), (Rational{-4, 3}));
    EXPECT_EQ(RatRecip({0, 5}), (Rational{5, 0}));
    EXPECT_EQ(RatFromInt(-12), (Rational{-12, 1}));
    EXPECT_EQ(Rational{}, (Rational{0, 1}));
}

// --- RatAdd ---

TEST_F(RationalTest, AddExactPath) {
    EXPECT_EQ(RatAdd({1, 2}, {1, 3}), (Rational{5, 6}));
    EXPECT_EQ(RatAdd({1, 2}, {-1, 2}), (Rational{0, 1}));
    EXPECT_EQ(RatAdd({3, -4}, {1, 4}), (Rational{-1, 2}));
    // Only the first operand decides the path: a large second operand is still added exactly.
    EXPECT_EQ(RatAdd({1, 3}, {4'000'000'000'000, 7}), (Rational{12'000'000'000'007, 21}));
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(RationalTest, AddOnlyTheFirstOperandSelectsThePath) {
    // Large path, second operand zero: the first is returned as it is, not reduced.
    EXPECT_EQ(RatAdd({200000, 4}, {0, 1}), (Rational{200000, 4}));
    // Exact path: the sum is reduced.
    EXPECT_EQ(RatAdd({0, 1}, {200000, 4}), (Rational{50000, 1}));
    // A zero second operand with an unreduced zero leaves the first operand as it is.
    EXPECT_EQ(RatAdd({300000, 6}, {0, 9}), (Rational{300000, 6}));
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(RationalTest, AddLargePathIsExact) {
    // 1000000007/3 + 5/7 = (7000000049 + 15)/21, already in lowest terms.
    EXPECT_EQ(RatAdd({1'000'000'007, 3}, {5, 7}), (Rational{7'000'000'064, 21}));
    // 100001 + (2^63 - 1 - 100001) = 2^63 - 1 exactly.
    EXPECT_EQ(RatAdd({100001, 1}, {INT64_MAX - 100001, 1}), (Rational{INT64_MAX, 1}));
    // Denominators above 10000 are reduced first: 200000/20000 = 10/1 then the exact path.
    EXPECT_EQ(RatAdd({200000, 20000}, {1, 2}), (Rational{21, 2}));
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(RationalTest, AddNearTenToTheTenFailsWithQ1q2) {
    // Coprime parts near 10^10: ln|a.num| + ln|b.den| is about 46.
    EXPECT_EQ(RatAdd({10'000'000'001, 9'999'999'999}, {9'999'999'997, 10'000'000'003}),
              (Rational{1, 1}));
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "q1q2");
}

TEST_F(RationalTest, AddLargePathZeroDenominatorFailsWithR1222) {
    const Rational a{200'000, 3};
    EXPECT_EQ(RatAdd(a, RatRecip({0, 5})), a);
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "r1222");
}

TEST_F(RationalTest, AddNumeratorBeyond64BitsIsFlaggedNotWrong) {
    // a.den·b.num is not bounded by the logarithmic test: 2·(2^62 + 9) leaves 64 bits.
    EXPECT_EQ(RatAdd({100'001, 2}, {(INT64_C(1) << 62) + 9, 1}), (Rational{1, 1}));
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "q1q2");
}

TEST_F(RationalTest, AddWhoseReducedSumIsTwoToThe63IsFlagged) {
    // (-100001)/(-1) + (2^63 - 100001)/1: the numerator is -2^63 over -1, so the sum is 2^63.
    EXPECT_EQ(RatAdd({-100'001, -1}, {INT64_MAX - 100'000, 1}), (Rational{1, 1}));
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "q1q2");
}

TEST_F(RationalTest, AddExactPathOverflowThrows) {
    EXPECT_THROW(RatAdd({1, 2}, {1, INT64_MAX}), OverflowError);
    EXPECT_THROW(RatAdd({3, 2}, {INT64_MAX / 2, 1}), OverflowError);
}

TEST_F(RationalTest, AddAndMulReturnOneWhileTroubleIsSet) {
    RaiseTrouble("t");
    EXPECT_EQ(RatMul({2, 1}, {3, 1}), (Rational{1, 1}));
    EXPECT_EQ(RatAdd({2, 1}, {3, 1}), (Rational{1, 1}));
    EXPECT_EQ(TroubleCode, "t");
}

// --- RatMul ---

TEST_F(RationalTest, MulExactPath) {
    EXPECT_EQ(RatMul({2, 3}, {9, 4}), (Rational{3, 2}));
    EXPECT_EQ(RatMul({-2, 3}, {3, -2}), (Rational{1, 1}));
    EXPECT_EQ(RatMul({999'999, 1}, {999'999, 1}), (Rational{999'998'000'001, 1}));
    EXPECT_EQ(RatMul({0, 5}, {7, 3}), (Rational{0, 1}));
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(RationalTest, MulLargePath) {
    EXPECT_EQ(RatMul({1'000'003, 7}, {14, 5}), (Rational{2'000'006, 5}));
    EXPECT_EQ(RatMul({0, 1}, {2'000'000, 3}), (Rational{0, 1}));
    // e^20 ≈ 4.85e8: 4e8 · 4e8 = 1.6e17 < e^40 is still exact.
    EXPECT_EQ(RatMul({400'000'001, 1}, {399'999'999, 1}), (Rational{159'999'999'999'999'999, 1}));
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(RationalTest, MulLargePathZeroDenominatorFailsWithQprod) {
    EXPECT_EQ(RatMul({2'000'000, 3}, {5, 0}), (Rational{0, 1}));
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "qprod");
}

TEST_F(RationalTest, MulBeyondEToThe40FailsWithQ) {
    // 5e8 · 5e8 = 2.5e17 > e^40 ≈ 2.354e17.
    RatMul({500'000'000, 1}, {500'000'000, 1});
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "q");
    ArithTrouble = false;
    RatMul({1, 500'000'007}, {1, 500'000'009});
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "q");
}

// --- NonNegMod ---

TEST_F(RationalTest, NonNegModResidues) {
    EXPECT_EQ(NonNegMod(7, 5), 2);
    EXPECT_EQ(NonNegMod(-7, 5), 3);
    EXPECT_EQ(NonNegMod(-10, 5), 0);
    EXPECT_EQ(NonNegMod(0, 3), 0);
    EXPECT_EQ(NonNegMod(INT64_MIN, 3), 1);  // 2^63 ≡ 2 (mod 3)
    EXPECT_EQ(NonNegMod(INT64_MIN, 1), 0);
    EXPECT_EQ(NonNegMod(INT64_MIN, -1), 0);
    EXPECT_EQ(NonNegMod(INT64_MAX, INT64_MAX), 0);
    EXPECT_THROW(NonNegMod(5, 0), CalculationError);
}

// --- Random operands near the thresholds against 128-bit arithmetic ---

// Magnitudes around every boundary the operations distinguish: the reduction limit 10^4, the
// sum and product limits 10^5 and 10^6, square roots of e^38 and e^40, 10^10, e^38, e^40 and
// the 64-bit limit.
int64_t RandomOperandPart(std::mt19937_64& gen, bool allowZero) {
    static const long double kCenters[] = {1.0L,    7.0L,  1e4L,     1e5L,     1e6L,    1.78e8L,
                                           4.85e8L, 1e10L, 3.18e16L, 2.35e17L, 4.0e18L, 9.2e18L};
    std::uniform_int_distribution<int> pick(0, std::size(kCenters) - 1);
    std::uniform_real_distribution<long double> spread(0.97L, 1.03L);
    std::uniform_int_distribution<int> jitter(-3, 3);
    long double magnitude = kCenters[pick(gen)] * spread(gen) + jitter(gen);
    if (magnitude > 9.2e18L) magnitude = 9.2e18L;
    int64_t value = static_cast<int64_t>(magnitude);
    if (value == 0 && !allowZero) value = 1;
    if (value < 0) value = allowZero ? 0 : 1;
    return (gen() & 1) ? -value : value;
}

Rational RandomOperand(std::mt19937_64& gen) {
    const int64_t num = (gen() % 50 == 0) ? 0 : RandomOperandPart(gen, true);
    return Rational{num, RandomOperandPart(gen, false)};
}

// Operands whose logarithm sum lies within ±0.05 of the given limit.
std::pair<int64_t, int64_t> PairNearLogSum(std::mt19937_64& gen, long double limit) {
    std::uniform_real_distribution<long double> first(11.6L, limit - 11.6L);
    std::uniform_real_distribution<long double> offset(-0.05L, 0.05L);
    const long double x = first(gen);
    return {static_cast<int64_t>(std::exp(x)),
            static_cast<int64_t>(std::exp(limit + offset(gen) - x))};
}

struct Tally {
    int exact = 0;
    int flagged = 0;
    int thrown = 0;
};

// Checks one sum: exact, flagged, or a throw the checked 64-bit small path must raise; and the
// logarithmic limit decides the large-path failures.
void CheckSum(Rational a, Rational b, Tally& tally) {
    ArithTrouble = false;
    const Rational pa = Prepared(a);
    const Rational pb = Prepared(b);
    const Wide num = Wide{pa.num} * pb.den + Wide{pa.den} * pb.num;
    const Wide den = Wide{pa.den} * pb.den;
    const bool smallPath =
        pa.num > -100000 && pa.num < 100000 && pa.den > -100000 && pa.den < 100000;
    Rational r;
    try {
        r = RatAdd(a, b);
    } catch (const OverflowError&) {
        const bool mustOverflow = !Fits(Wide{pa.num} * pb.den) || !Fits(Wide{pa.den} * pb.num) ||
                                  !Fits(num) || !Fits(den) ||
                                  (num == INT64_MIN && den < 0 && GcdWide(num, den) == 1);
        EXPECT_TRUE(smallPath && mustOverflow)
            << a.num << "/" << a.den << " + " << b.num << "/" << b.den;
        ++tally.thrown;
        return;
    }
    if (ArithTrouble) {
        ++tally.flagged;
        EXPECT_FALSE(smallPath);
        if (!smallPath && pa.num != 0 && pb.num != 0 && pa.den != 0 && pb.den != 0) {
            EXPECT_EQ(TroubleCode, "q1q2");
        }
        return;
    }
    ++tally.exact;
    ASSERT_NE(den, 0);
    EXPECT_EQ(Reduced(r), Reduced(num, den))
        << a.num << "/" << a.den << " + " << b.num << "/" << b.den;
    EXPECT_TRUE(IsReducedForm(r) || (!smallPath && (pa.num == 0 || pb.num == 0)));
    if (smallPath || pa.num == 0 || pb.num == 0) return;
    // The large path fails exactly when a logarithm sum reaches 38 (away from rounding) or the
    // exact sum leaves 64 bits.
    const long double logMax =
        std::max(LogAbs(pa.num) + LogAbs(pb.den), LogAbs(pa.den) + LogAbs(pb.den));
    EXPECT_LT(logMax, 38.0L + 1e-12L);
}

void CheckSumDecision(Rational a, Rational b) {
    ArithTrouble = false;
    const Rational pa = Prepared(a);
    const Rational pb = Prepared(b);
    const bool smallPath =
        pa.num > -100000 && pa.num < 100000 && pa.den > -100000 && pa.den < 100000;
    if (smallPath || pa.num == 0 || pb.num == 0) return;
    const long double logMax =
        std::max(LogAbs(pa.num) + LogAbs(pb.den), LogAbs(pa.den) + LogAbs(pb.den));
    const Wide num = Wide{pa.num} * pb.den + Wide{pa.den} * pb.num;
    const Wide den = Wide{pa.den} * pb.den;
    const WideFraction exact = Reduced(num, den);
    const bool fits = Fits(num) && Fits(den) && Fits(exact.num);
    const Rational r = RatAdd(a, b);
    if (logMax >= 38.0L + 1e-9L) {
        EXPECT_TRUE(ArithTrouble);
        EXPECT_EQ(r, (Rational{1, 1}));
    } else if (logMax < 38.0L - 1e-9L && fits) {
        EXPECT_FALSE(ArithTrouble) << a.num << "/" << a.den << " + " << b.num << "/" << b.den;
    }
}

TEST_F(RationalTest, AddIsExactOrFlaggedOnRandomOperands) {
    std::mt19937_64 gen(20240611);
    Tally tally;
    for (int n = 0; n < 200000; ++n) {
        const Rational a = RandomOperand(gen);
        const Rational b = RandomOperand(gen);
        CheckSum(a, b, tally);
        CheckSumDecision(a, b);
    }
    // The sample reaches every outcome in quantity.
    EXPECT_GT(tally.exact, 20000);
    EXPECT_GT(tally.flagged, 20000);
    EXPECT_GT(tally.thrown, 1000);
}

TEST_F(RationalTest, AddDecidesByTheLogarithmicLimit38) {
    std::mt19937_64 gen(38);
    Tally tally;
    int below = 0;
    int above = 0;
    for (int n = 0; n < 50000; ++n) {
        const auto [x, y] = PairNearLogSum(gen, 38.0L);
        const int64_t small = static_cast<int64_t>(gen() % 1000) + 1;
        // a.num = x >= 10^5 forces the large path; b.den = y carries the other factor.
        const Rational a{(gen() & 1) ? x : -x, small};
        const Rational b{static_cast<int64_t>(gen() % 2'000'000) - 1'000'000, y};
        if (b.num == 0) continue;
        const bool isAbove = LogAbs(x) + LogAbs(Prepared(b).den) >= 38.0L;
        (isAbove ? above : below)++;
        CheckSum(a, b, tally);
        CheckSumDecision(a, b);
    }
    EXPECT_GT(below, 10000);
    EXPECT_GT(above, 10000);
    EXPECT_EQ(tally.thrown, 0);
}

void CheckProduct(Rational a, Rational b, Tally& tally) {
    ArithTrouble = false;
    const Rational pa = Prepared(a);
    const Rational pb = Prepared(b);
    const bool smallPath = pa.num > -1000000 && pa.num < 1000000 && pa.den > -1000000 &&
                           pa.den < 1000000 && pb.num > -1000000 && pb.num < 1000000 &&
                           pb.den > -1000000 && pb.den < 1000000;
    const Rational r = RatMul(a, b);  // no operand here can make the product path throw
    const Wide num = Wide{pa.num} * pb.num;
    const Wide den = Wide{pa.den} * pb.den;
    const bool zero = pa.num == 0 || pb.num == 0;
    const long double logMax =
        zero ? 0.0L : std::max(LogAbs(pa.num) + LogAbs(pb.num), LogAbs(pa.den) + LogAbs(pb.den));
    if (ArithTrouble) {
        ++tally.flagged;
        EXPECT_FALSE(smallPath);
        EXPECT_EQ(TroubleCode, "q");
        EXPECT_GE(logMax, 40.0L - 1e-9L) << a.num << "/" << a.den << " * " << b.num << "/" << b.den;
        return;
    }
    ++tally.exact;
    EXPECT_EQ(Reduced(r), Reduced(num, den))
        << a.num << "/" << a.den << " * " << b.num << "/" << b.den;
    EXPECT_TRUE(IsReducedForm(r));
    EXPECT_TRUE(smallPath || logMax < 40.0L + 1e-9L);
}

TEST_F(RationalTest, MulIsExactOrFlaggedOnRandomOperands) {
    std::mt19937_64 gen(40);
    Tally tally;
    for (int n = 0; n < 200000; ++n) CheckProduct(RandomOperand(gen), RandomOperand(gen), tally);
    EXPECT_GT(tally.exact, 20000);
    EXPECT_GT(tally.flagged, 20000);
}

TEST_F(RationalTest, MulDecidesByTheLogarithmicLimit40) {
    std::mt19937_64 gen(4040);
    Tally tally;
    for (int n = 0; n < 50000; ++n) {
        const auto [x, y] = PairNearLogSum(gen, 40.0L);
        const bool onNumerators = gen() & 1;
        const Rational a = onNumerators ? Rational{x, 3} : Rational{7, x};
        const Rational b = onNumerators ? Rational{-y, 5} : Rational{11, y};
        CheckProduct(a, b, tally);
    }
    EXPECT_GT(tally.exact, 10000);
    EXPECT_GT(tally.flagged, 10000);
}

}  // namespace
}  // namespace corvane
