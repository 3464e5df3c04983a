#include "arith/polynomial.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <vector>

#include "arith/checked.h"
#include "arith/errors.h"

namespace corvane {
namespace {

class PolynomialTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ArithTrouble = false;
        TroubleCode.clear();
    }
};

// Σ coeffs[i]·t^i with the degree the invariant demands.
RatPoly Poly(std::initializer_list<Rational> coeffs) {
    RatPoly p;
    int64_t i = 0;
    for (const Rational& q : coeffs) p.c(i++) = q;
    p.degree = PolyDegree(p);
    return p;
}

RatPoly IntPoly(const std::vector<int64_t>& coeffs) {
    RatPoly p;
    for (size_t i = 0; i < coeffs.size(); ++i) p.c(static_cast<int64_t>(i)) = {coeffs[i], 1};
    p.degree = PolyDegree(p);
    return p;
}

RatPoly Monomial(Rational q, int64_t k) {
    RatPoly p;
    p.c(k) = q;
    p.degree = PolyDegree(p);
    return p;
}

// Σ terms (exponent, coefficient).
LaurentPoly Laurent(std::initializer_list<std::pair<int64_t, Rational>> terms) {
    LaurentPoly L;
    for (const auto& [e, q] : terms) L.c(e) = q;
    return L;
}

void ExpectInvariant(const RatPoly& p) {
    EXPECT_EQ(p.degree, PolyDegree(p));
    for (int64_t i = p.degree + 1; i <= kPolyMaxDegree; ++i) EXPECT_EQ(p.c(i), (Rational{0, 1}));
}

// --- Types and accessors ---

TEST_F(PolynomialTest, AccessorsAreRangeChecked) {
    RatPoly p;
    EXPECT_THROW(p.c(-1), RangeError);
    EXPECT_THROW(p.c(28), RangeError);
    EXPECT_NO_THROW(p.c(27));
    LaurentPoly L;
    EXPECT_THROW(L.c(-28), RangeError);
    EXPECT_THROW(L.c(28), RangeError);
    EXPECT_NO_THROW(L.c(-27));
    EXPECT_NO_THROW(L.c(27));
    PolyVector v;
    EXPECT_THROW(v(0), RangeError);
    EXPECT_THROW(v(13), RangeError);
    EXPECT_NO_THROW(v(12));
    // A 64-bit index must not wrap into range.
    EXPECT_THROW(p.c(INT64_C(1) << 32), RangeError);
}

TEST_F(PolynomialTest, ZeroOneAndDegree) {
    const RatPoly zero = PolyZero();
    EXPECT_EQ(zero.degree, -1);
    ExpectInvariant(zero);
    const RatPoly one = PolyOne();
    EXPECT_EQ(one.degree, 0);
    EXPECT_EQ(one.c(0), (Rational{1, 1}));
    ExpectInvariant(one);
    // Only numerators count: 0/5 at t^3 is zero.
    RatPoly p;
    p.c(2) = {1, 3};
    p.c(3) = {0, 5};
    EXPECT_EQ(PolyDegree(p), 2);
    EXPECT_EQ(PolyDegree(Monomial({4, 1}, 27)), 27);
}

// --- PolyNeg, PolyAdd, PolyNormSigns ---

TEST_F(PolynomialTest, NegNegatesNumeratorsAndKeepsDegree) {
    const RatPoly p = Poly({{1, 2}, {-3, -4}, {0, 1}, {5, 1}});
    const RatPoly n = PolyNeg(p);
    EXPECT_EQ(n.degree, 3);
    EXPECT_EQ(n.c(0), (Rational{-1, 2}));
    EXPECT_EQ(n.c(1), (Rational{3, -4}));
    EXPECT_EQ(n.c(3), (Rational{-5, 1}));
    EXPECT_THROW(PolyNeg(Monomial({INT64_MIN, 1}, 0)), OverflowError);
}

TEST_F(PolynomialTest, AddReducesAndRecomputesTheDegree) {
    // (1/2 + t + 2t^2) + (1/3 - t - 2t^2) = 5/6.
    const RatPoly s = PolyAdd(Poly({{1, 2}, {1, 1}, {2, 1}}), Poly({{1, 3}, {-1, 1}, {-2, 1}}));
    EXPECT_EQ(s.degree, 0);
    EXPECT_EQ(s.c(0), (Rational{5, 6}));
    ExpectInvariant(s);
    // Unreduced inputs give reduced coefficients: 2/4 + 3/-6 = 0, -4/-8 + 0 = 1/2.
    const RatPoly r = PolyAdd(Poly({{2, 4}, {-4, -8}}), Poly({{3, -6}}));
    EXPECT_EQ(r.c(0), (Rational{0, 1}));
    EXPECT_EQ(r.c(1), (Rational{1, 2}));
    EXPECT_EQ(r.degree, 1);
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(PolynomialTest, NormSignsMovesSignsToNumerators) {
    const RatPoly p = PolyNormSigns(Poly({{3, -4}, {-1, -2}, {5, 6}}));
    EXPECT_EQ(p.c(0), (Rational{-3, 4}));
    EXPECT_EQ(p.c(1), (Rational{1, 2}));
    EXPECT_EQ(p.c(2), (Rational{5, 6}));
    EXPECT_EQ(p.degree, 2);
    const LaurentPoly L = LaurentNormSigns(Laurent({{-27, {1, -3}}, {27, {-2, -5}}}));
    EXPECT_EQ(L.c(-27), (Rational{-1, 3}));
    EXPECT_EQ(L.c(27), (Rational{2, 5}));
}

// --- PolyMul ---

TEST_F(PolynomialTest, MulDegreeLimit26) {
    RatPoly a = IntPoly(std::vector<int64_t>(14, 1));  // degree 13
    RatPoly b = IntPoly(std::vector<int64_t>(15, 1));  // degree 14
    PolyMul(a, b);
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "p11maxpcoeff");

    ArithTrouble = false;
    const RatPoly c = PolyMul(a, a);
    EXPECT_FALSE(ArithTrouble);
    EXPECT_EQ(c.degree, 26);
    // (1 + ... + t^13)^2 has coefficient min(k, 26 - k) + 1 at t^k.
    for (int64_t k = 0; k <= 26; ++k) {
        EXPECT_EQ(c.c(k), (Rational{std::min(k, 26 - k) + 1, 1})) << k;
    }
    ExpectInvariant(c);
}

TEST_F(PolynomialTest, MulBinomialCoefficientsCrossTheLargeSumPath) {
    // (1+t)^13 · (1+t)^13 = (1+t)^26; the middle sums pass 10^5 and leave the small path.
    std::vector<int64_t> binom13(14, 1);
    for (int64_t k = 1; k <= 13; ++k) binom13[k] = binom13[k - 1] * (14 - k) / k;
    const RatPoly a = IntPoly(binom13);
    const RatPoly c = PolyMul(a, a);
    EXPECT_FALSE(ArithTrouble);
    int64_t expected = 1;
    for (int64_t k = 0; k <= 26; ++k) {
        EXPECT_EQ(c.c(k), (Rational{expected, 1})) << k;
        expected = expected * (26 - k) / (k + 1);
    }
    EXPECT_EQ(c.c(13), (Rational{10'400'600, 1}));
}

TEST_F(PolynomialTest, MulWithAZeroFactorIsZero) {
    const RatPoly p = IntPoly({1, -1, 1});
    for (const RatPoly& r :
         {PolyMul(p, PolyZero()), PolyMul(PolyZero(), p), PolyMul(PolyZero(), PolyZero())}) {
        EXPECT_EQ(r.degree, -1);
        ExpectInvariant(r);
    }
    // The degree-27 polynomial times zero is within the limit: 27 + (-1) = 26.
    EXPECT_EQ(PolyMul(Monomial({1, 1}, 27), PolyZero()).degree, -1);
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(PolynomialTest, MulRationalCoefficients) {
    // (1/2 - t/3)(2/5 + 3t/4) = 1/5 + (3/8 - 2/15)t - t^2/4 = 1/5 + 29/120 t - 1/4 t^2.
    const RatPoly r = PolyMul(Poly({{1, 2}, {-1, 3}}), Poly({{2, 5}, {3, 4}}));
    EXPECT_EQ(r.degree, 2);
    EXPECT_EQ(r.c(0), (Rational{1, 5}));
    EXPECT_EQ(r.c(1), (Rational{29, 120}));
    EXPECT_EQ(r.c(2), (Rational{-1, 4}));
    ExpectInvariant(r);
}

// Reference product over Q in 128-bit fractions (small operands only).
struct Frac {
    __int128 num = 0;
    __int128 den = 1;
};

__int128 Gcd(__int128 a, __int128 b) {
    if (a < 0) a = -a;
    if (b < 0) b = -b;
    while (b != 0) {
        const __int128 r = a % b;
        a = b;
        b = r;
    }
    return a;
}

Frac Normal(__int128 num, __int128 den) {
    if (num == 0) return {0, 1};
    const __int128 g = Gcd(num, den);
    num /= g;
    den /= g;
    return den < 0 ? Frac{-num, -den} : Frac{num, den};
}

std::vector<Frac> ReferenceProduct(const RatPoly& a, const RatPoly& b) {
    std::vector<Frac> c(28);
    for (int64_t i = 0; i <= a.degree; ++i) {
        for (int64_t j = 0; j <= b.degree; ++j) {
            const Frac t =
                Normal(__int128{a.c(i).num} * b.c(j).num, __int128{a.c(i).den} * b.c(j).den);
            Frac& s = c[static_cast<size_t>(i + j)];
            s = Normal(s.num * t.den + t.num * s.den, s.den * t.den);
        }
    }
    return c;
}

RatPoly RandomRationalPoly(std::mt19937_64& gen, int64_t degree, int64_t maxNum, int64_t maxDen) {
    std::uniform_int_distribution<int64_t> num(-maxNum, maxNum);
    std::uniform_int_distribution<int64_t> den(1, maxDen);
    RatPoly p;
    for (int64_t i = 0; i <= degree; ++i) p.c(i) = {num(gen), (gen() & 1) ? den(gen) : -den(gen)};
    if (p.c(degree).num == 0) p.c(degree).num = 1;
    p.degree = degree;
    return p;
}

void ExpectProductMatches(const RatPoly& a, const RatPoly& b, const RatPoly& r) {
    const std::vector<Frac> ref = ReferenceProduct(a, b);
    for (int64_t k = 0; k <= kPolyMaxDegree; ++k) {
        const Frac got = Normal(r.c(k).num, r.c(k).den);
        EXPECT_TRUE(got.num == ref[k].num && got.den == ref[k].den) << "coefficient " << k;
    }
    EXPECT_EQ(r.degree, a.degree + b.degree);
}

TEST_F(PolynomialTest, MulMatchesReferenceOnSmallRationalCoefficients) {
    std::mt19937_64 gen(7);
    std::uniform_int_distribution<int64_t> degree(0, 13);
    for (int n = 0; n < 300; ++n) {
        ArithTrouble = false;
        const RatPoly a = RandomRationalPoly(gen, degree(gen), 30, 6);
        const RatPoly b = RandomRationalPoly(gen, degree(gen), 30, 6);
        const RatPoly r = PolyMul(a, b);
        ASSERT_FALSE(ArithTrouble);
        ExpectProductMatches(a, b, r);
    }
}

TEST_F(PolynomialTest, MulIsExactOrFlaggedOnLargeIntegerCoefficients) {
    // Coefficients up to 10^7 keep every partial sum below e^38 (exact); up to 10^9 the
    // products pass e^40 and some fail with "q". Every unflagged result equals the reference.
    std::mt19937_64 gen(26);
    std::uniform_int_distribution<int64_t> degree(0, 13);
    int exact = 0;
    int flagged = 0;
    for (int64_t maxCoeff : {INT64_C(10'000'000), INT64_C(1'000'000'000)}) {
        for (int n = 0; n < 200; ++n) {
            ArithTrouble = false;
            const RatPoly a = RandomRationalPoly(gen, degree(gen), maxCoeff, 1);
            const RatPoly b = RandomRationalPoly(gen, degree(gen), maxCoeff, 1);
            const RatPoly r = PolyMul(a, b);
            if (ArithTrouble) {
                EXPECT_EQ(maxCoeff, 1'000'000'000);
                ++flagged;
                continue;
            }
            ++exact;
            ExpectProductMatches(a, b, r);
        }
    }
    EXPECT_GE(exact, 200);
    EXPECT_GT(flagged, 50);
}

// --- PolyScaleShift, PolyStripT, PolyReverse ---

TEST_F(PolynomialTest, ScaleShift) {
    // 3/2 · t^2 · (1 + 2t) = 3/2 t^2 + 3 t^3.
    const RatPoly r = PolyScaleShift(IntPoly({1, 2}), {3, 2}, 2);
    EXPECT_EQ(r.degree, 3);
    EXPECT_EQ(r.c(2), (Rational{3, 2}));
    EXPECT_EQ(r.c(3), (Rational{3, 1}));
    ExpectInvariant(r);
    // Coefficients are reduced: (2/4)·(-2/-1) = 1.
    EXPECT_EQ(PolyScaleShift(Poly({{2, 4}}), {-2, -1}, 0).c(0), (Rational{1, 1}));
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(PolynomialTest, ScaleShiftSpecialCases) {
    const RatPoly p = IntPoly({1, 2});
    EXPECT_EQ(PolyScaleShift(PolyZero(), {3, 1}, 30), PolyZero());
    EXPECT_EQ(PolyScaleShift(p, {0, 7}, 1), PolyZero());
    EXPECT_FALSE(ArithTrouble);
    EXPECT_EQ(PolyScaleShift(p, {1, 1}, 26).degree, 27);
    EXPECT_FALSE(ArithTrouble);
    PolyScaleShift(p, {1, 1}, 27);
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "p11");
    // While trouble is set the result is zero.
    EXPECT_EQ(PolyScaleShift(p, {1, 1}, 0), PolyZero());
    EXPECT_THROW(PolyScaleShift(p, {1, 1}, -1), RangeError);
}

TEST_F(PolynomialTest, StripT) {
    // t^3 + t^5 = t^3 (1 + t^2).
    const RatPoly r = PolyStripT(Poly({{0, 1}, {0, 1}, {0, 1}, {1, 1}, {0, 1}, {1, 1}}));
    EXPECT_EQ(r, IntPoly({1, 0, 1}));
    EXPECT_EQ(PolyStripT(IntPoly({2, 0, 3})), IntPoly({2, 0, 3}));
    EXPECT_EQ(PolyStripT(PolyZero()), PolyZero());
    EXPECT_EQ(PolyStripT(Monomial({-5, 3}, 26)), Monomial({-5, 3}, 0));
    EXPECT_FALSE(ArithTrouble);
    PolyStripT(Monomial({4, 1}, 27));
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "maxpcoeff");
}

TEST_F(PolynomialTest, Reverse) {
    // t^3 · (1 + 2t^-1) = 2t^2 + t^3.
    EXPECT_EQ(PolyReverse(IntPoly({1, 2}), 3), IntPoly({0, 0, 2, 1}));
    // Terms above d are dropped: d = 1 keeps 1 + 2t only, reversed to 2 + t.
    EXPECT_EQ(PolyReverse(IntPoly({1, 2, 3}), 1), IntPoly({2, 1}));
    EXPECT_EQ(PolyReverse(IntPoly({1, 2, 3}), -1), PolyZero());
    // A reversal of a polynomial with non-zero constant term is an involution at d = degree.
    const RatPoly p = Poly({{1, 2}, {0, 1}, {-3, 7}, {4, 1}});
    EXPECT_EQ(PolyReverse(PolyReverse(p, 3), 3), p);
    EXPECT_EQ(PolyReverse(p, 27).degree, 27);
    EXPECT_THROW(PolyReverse(p, 28), RangeError);
}

// --- PolyCoeffMod, PolyRandom, PolyVectorMaxDegree ---

TEST_F(PolynomialTest, CoeffMod) {
    // -1 + (3/-1)t + 10t^2 + 7t^3 → 4 + 2t + 0t^2 + 2t^3 mod 5.
    const RatPoly p = Poly({{-1, 1}, {3, -1}, {10, 1}, {7, 1}});
    EXPECT_EQ(PolyCoeffMod(p, 5), IntPoly({4, 2, 0, 2}));
    // The top residue vanishing lowers the degree: 1 + 5t mod 5 = 1.
    EXPECT_EQ(PolyCoeffMod(IntPoly({1, 5}), 5), IntPoly({1}));
    EXPECT_EQ(PolyCoeffMod(IntPoly({5, -10}), 5), PolyZero());
    // m = -1 leaves even the negative denominator alone.
    EXPECT_EQ(PolyCoeffMod(p, -1), p);
    EXPECT_THROW(PolyCoeffMod(p, 0), CalculationError);
}

TEST_F(PolynomialTest, RandomFollowsTheGenerator) {
    // From state 0 the draws of RandomBelow(13) are 0, 0, 11, 2, 3, 8.
    RandomGenerator rng;
    EXPECT_EQ(PolyRandom(rng, 1, 13), IntPoly({-6, -6}));
    EXPECT_EQ(PolyRandom(rng, 3, 13), IntPoly({5, -4, -3, 2}));
}

TEST_F(PolynomialTest, RandomCoefficientsAreUniformInTheirRange) {
    RandomGenerator rng;
    std::array<int, 13> seen{};
    for (int n = 0; n < 2000; ++n) {
        const RatPoly p = PolyRandom(rng, 5, 13);
        ExpectInvariant(p);
        ASSERT_LE(p.degree, 5);
        for (int64_t i = 0; i <= 5; ++i) {
            ASSERT_EQ(p.c(i).den, 1);
            ASSERT_GE(p.c(i).num, -6);
            ASSERT_LE(p.c(i).num, 6);
            ++seen[static_cast<size_t>(p.c(i).num + 6)];
        }
    }
    for (int count : seen) EXPECT_GT(count, 700);  // 12000 draws, about 923 each
    // An even m: RandomBelow(4) - 2 lies in -2..1.
    for (int n = 0; n < 200; ++n) {
        const RatPoly p = PolyRandom(rng, 0, 4);
        EXPECT_GE(p.c(0).num, -2);
        EXPECT_LE(p.c(0).num, 1);
    }
    EXPECT_THROW(PolyRandom(rng, 28, 13), RangeError);
}

TEST_F(PolynomialTest, VectorMaxDegree) {
    PolyVector v;
    v(1) = IntPoly({1, 1});
    v(2) = Monomial({1, 1}, 5);
    v(3) = PolyZero();
    v(4) = Monomial({1, 1}, 9);
    EXPECT_EQ(PolyVectorMaxDegree(v, 0), -1);
    EXPECT_EQ(PolyVectorMaxDegree(v, -3), -1);
    EXPECT_EQ(PolyVectorMaxDegree(v, 1), 1);
    EXPECT_EQ(PolyVectorMaxDegree(v, 3), 5);
    EXPECT_EQ(PolyVectorMaxDegree(v, 4), 9);
    PolyVector zeros;
    EXPECT_EQ(PolyVectorMaxDegree(zeros, 12), -1);
    EXPECT_THROW(PolyVectorMaxDegree(v, 13), RangeError);
}

// --- Laurent polynomials ---

TEST_F(PolynomialTest, LaurentFromPoly) {
    const RatPoly p = IntPoly({1, -3, 5, -3, 1});
    const LaurentPoly L = LaurentFromPoly(p, -2);
    EXPECT_FALSE(ArithTrouble);
    EXPECT_EQ(L, Laurent({{-2, {1, 1}}, {-1, {-3, 1}}, {0, {5, 1}}, {1, {-3, 1}}, {2, {1, 1}}}));
    EXPECT_EQ(LaurentFromPoly(p, 23).c(27), (Rational{1, 1}));
    EXPECT_EQ(LaurentFromPoly(Monomial({1, 1}, 0), -27).c(-27), (Rational{1, 1}));
    EXPECT_FALSE(ArithTrouble);
    LaurentFromPoly(p, 24);
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "mlaurent");
    ArithTrouble = false;
    LaurentFromPoly(PolyZero(), -28);
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "mlaurent");
}

TEST_F(PolynomialTest, LaurentDegreeReadsOnlyNonNegativeExponents) {
    EXPECT_EQ(LaurentDegree(LaurentZero()), -1);
    EXPECT_EQ(LaurentDegree(Laurent({{-3, {1, 1}}})), -1);
    EXPECT_EQ(LaurentDegree(Laurent({{-3, {1, 1}}, {0, {2, 1}}})), 0);
    EXPECT_EQ(LaurentDegree(Laurent({{27, {1, 1}}, {4, {0, 3}}})), 27);
}

TEST_F(PolynomialTest, LaurentReduceTwoIntegralSteps) {
    // t^-2 + 3 + t^2 mod t^-1 - 1 + t: q = -1 at s = 1, then q = -1 at s = 0, leaving 2.
    const LaurentPoly b = Laurent({{-1, {1, 1}}, {0, {-1, 1}}, {1, {1, 1}}});
    const LaurentPoly r = LaurentReduce(Laurent({{-2, {1, 1}}, {0, {3, 1}}, {2, {1, 1}}}), b);
    EXPECT_FALSE(ArithTrouble);
    EXPECT_EQ(r, Laurent({{0, {2, 1}}}));
}

TEST_F(PolynomialTest, LaurentReduceAgreesWithEvaluationAtARootOfTheDivisor) {
    // 2t^-2 + 5t^-1 + 7 + 5t + 2t^2 mod t^-1 - 1 + t: at a root t + t^-1 = 1, so t^2 + t^-2 = -1
    // and the value is -2 + 5 + 7 = 10.
    const LaurentPoly b = Laurent({{-1, {1, 1}}, {0, {-1, 1}}, {1, {1, 1}}});
    const LaurentPoly r = LaurentReduce(
        Laurent({{-2, {2, 1}}, {-1, {5, 1}}, {0, {7, 1}}, {1, {5, 1}}, {2, {2, 1}}}), b);
    EXPECT_EQ(r, Laurent({{0, {10, 1}}}));
    // Figure-eight knot -t^-1 + 3 - t: t^-3 + t^3 has degree 3, q = 1 at s = 2 then
    // q = 3 at s = 1 and q = 8 at s = 0: the residue is the constant 18 (t^3 + t^-3 = 18 where
    // t + t^-1 = 3).
    const LaurentPoly fig8 = Laurent({{-1, {-1, 1}}, {0, {3, 1}}, {1, {-1, 1}}});
    EXPECT_EQ(LaurentReduce(Laurent({{-3, {1, 1}}, {3, {1, 1}}}), fig8), Laurent({{0, {18, 1}}}));
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(PolynomialTest, LaurentReduceStopsAtANonIntegralQuotient) {
    const LaurentPoly r = Laurent({{-1, {1, 1}}, {1, {1, 1}}});
    const LaurentPoly b = Laurent({{-1, {2, 1}}, {0, {-3, 1}}, {1, {2, 1}}});
    EXPECT_EQ(LaurentReduce(r, b), r);
    // 2t^-2 + 2t^2: q = -1 at s = 1 subtracts (t + t^-1)·b = 2t^-2 - 3t^-1 + 4 - 3t + 2t^2,
    // leaving 3t^-1 - 4 + 3t; the next quotient -3/2 is not integral, so that is the result.
    EXPECT_EQ(LaurentReduce(Laurent({{-2, {2, 1}}, {2, {2, 1}}}), b),
              Laurent({{-1, {3, 1}}, {0, {-4, 1}}, {1, {3, 1}}}));
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(PolynomialTest, LaurentReduceNormalisesSigns) {
    // Already below the divisor's degree: nothing to reduce, signs moved to the numerators.
    const LaurentPoly b = Laurent({{-1, {1, 1}}, {0, {-1, 1}}, {1, {1, 1}}});
    EXPECT_EQ(LaurentReduce(Laurent({{0, {3, -4}}, {-5, {-1, -1}}}), b),
              Laurent({{0, {-3, 4}}, {-5, {1, 1}}}));
}

TEST_F(PolynomialTest, LaurentReduceByADivisorWithoutNonNegativeTermsEnds) {
    const LaurentPoly r = Laurent({{0, {1, -1}}, {2, {1, 1}}});
    EXPECT_EQ(LaurentReduce(r, LaurentZero()), LaurentNormSigns(r));
    EXPECT_EQ(LaurentReduce(LaurentZero(), LaurentZero()), LaurentZero());
    EXPECT_EQ(LaurentReduce(r, Laurent({{-1, {1, 1}}})), LaurentNormSigns(r));
}

TEST_F(PolynomialTest, LaurentReduceEndsOnTrouble) {
    // The constant terms are coprime fractions near 10^10: their sum fails with "q1q2".
    const LaurentPoly r =
        Laurent({{-1, {1, 1}}, {0, {10'000'000'001, 9'999'999'999}}, {1, {1, 1}}});
    const LaurentPoly b =
        Laurent({{-1, {1, 1}}, {0, {9'999'999'997, 10'000'000'003}}, {1, {1, 1}}});
    LaurentReduce(r, b);
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "q1q2");
}

TEST_F(PolynomialTest, LaurentReduceQuotientOverflowThrows) {
    const LaurentPoly r = Laurent({{2, {INT64_MAX, 3}}});
    const LaurentPoly b = Laurent({{1, {1, 5}}});
    EXPECT_THROW(LaurentReduce(r, b), OverflowError);
}

}  // namespace
}  // namespace corvane
