// The Mahler measure from the roots against exact values from PARI/GP (the knot table, random
// polynomials, cyclotomic products, multiple roots, roots on the circle), the exact cyclotomic
// split, the root finder, the sampled mean kept as fallback, the printed text at the three value
// counts and the general number text in the C locale.
#include "invariants/mahler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "invariants/mahler_roots.h"
#include "invariants/reciprocal_mahler.h"

namespace corvane {
namespace {

struct MahlerCase {
    std::string name;
    std::vector<int64_t> c;
    long double exact = 0;
    int rootsOnCircle = 0;
    std::string cyclotomic;  // "n^e,..." or "-"; empty where the file has no such column
};

std::vector<MahlerCase> ReadCases(const std::string& file) {
    std::ifstream in(std::string(CORVANE_TEST_DATA_DIR) + "/" + file);
    std::vector<MahlerCase> cases;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%') continue;
        std::stringstream fields(line);
        std::string coefficients, exact, roots, item;
        MahlerCase c;
        std::getline(fields, c.name, '\t');
        std::getline(fields, coefficients, '\t');
        std::getline(fields, exact, '\t');
        std::getline(fields, roots, '\t');
        std::getline(fields, c.cyclotomic, '\t');
        std::stringstream list(coefficients);
        while (std::getline(list, item, ',')) c.c.push_back(std::stoll(item));
        c.exact = std::stold(exact);
        c.rootsOnCircle = std::stoi(roots);
        cases.push_back(c);
    }
    return cases;
}

std::vector<MahlerCase> AllCases() {
    std::vector<MahlerCase> cases = ReadCases("mahler-reference.tsv");
    const std::vector<MahlerCase> roots = ReadCases("mahler-roots-reference.tsv");
    cases.insert(cases.end(), roots.begin(), roots.end());
    return cases;
}

RatPoly ToRatPoly(const std::vector<int64_t>& c) {
    RatPoly p;
    for (size_t j = 0; j < c.size(); ++j) p.c(static_cast<int64_t>(j)).num = c[j];
    p.degree = static_cast<int64_t>(c.size()) - 1;
    return p;
}

std::vector<WideInt> Multiply(const std::vector<WideInt>& a, const std::vector<int64_t>& b) {
    std::vector<WideInt> out(a.size() + b.size() - 1, 0);
    for (size_t i = 0; i < a.size(); ++i) {
        for (size_t j = 0; j < b.size(); ++j) out[i + j] += a[i] * b[j];
    }
    return out;
}

// The exact value printed with `places` decimals by printf, trailing zeros dropped, "..."
// appended; empty within 1e-9 of a rounding boundary.
std::string ExpectedText(long double exact, int places) {
    const long double scaled = exact * std::pow(10.0L, places);
    if (std::fabs(scaled - std::floor(scaled) - 0.5L) < 1e-9L * std::pow(10.0L, places)) return "";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*Lf", places, exact);
    std::string text = buffer;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text + "...";
}

TEST(MahlerMeasureFromRoots, AgreesWithPariOnEveryReferenceRow) {
    const auto cases = AllCases();
    ASSERT_GT(cases.size(), 390u);
    long double worst = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto m = MahlerMeasureFromRoots(c.c);
        ASSERT_TRUE(m.has_value());
        // Cyclotomic products (times ±1 and t^k) are split off exactly: 0, not a tiny number.
        if (c.exact == 0) {
            EXPECT_EQ(*m, 0.0L);
        }
        EXPECT_LE(std::fabs(*m - c.exact), 1e-15L * std::max(1.0L, c.exact));
        worst = std::max(worst, std::fabs(*m - c.exact));
    }
    std::ostringstream worstText;
    worstText << static_cast<double>(worst);
    RecordProperty("maxAbsError", worstText.str());
}

TEST(MahlerMeasure, PrintedTextAtTheThreeValueCounts) {
    for (const auto& c : AllCases()) {
        SCOPED_TRACE(c.name);
        const long double m = *MahlerMeasureFromRoots(c.c);
        if (c.c.size() <= 28) {
            EXPECT_EQ(LogMahlerMeasure(ToRatPoly(c.c), 128), m);
        }
        for (const auto& [count, places] : {std::pair{128, 2}, {16384, 4}, {2097152, 6}}) {
            const std::string text = c.exact == 0 ? "0..." : ExpectedText(c.exact, places);
            if (!text.empty()) {
                EXPECT_EQ(MahlerText(m, count), text);
            }
        }
    }
}

TEST(SplitCyclotomicFactors, IsTheExactFactorisationOverZ) {
    int split = 0;
    for (const auto& c : AllCases()) {
        if (c.cyclotomic.empty()) continue;
        SCOPED_TRACE(c.name);
        const CyclotomicSplit s = SplitCyclotomicFactors(c.c);
        std::string factors;
        std::vector<WideInt> product = s.rest;
        for (const auto& [n, e] : s.factors) {
            factors += (factors.empty() ? "" : ",") + std::to_string(n) + "^" + std::to_string(e);
            for (int k = 0; k < e; ++k) product = Multiply(product, CyclotomicPolynomial(n));
        }
        std::vector<std::string> expected, got;
        std::stringstream a(c.cyclotomic == "-" ? "" : c.cyclotomic), b(factors);
        for (std::string item; std::getline(a, item, ',');) expected.push_back(item);
        for (std::string item; std::getline(b, item, ',');) got.push_back(item);
        std::sort(expected.begin(), expected.end());
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, expected);
        product.insert(product.begin(), s.powerOfT, 0);
        product.resize(c.c.size(), 0);
        EXPECT_TRUE(std::equal(product.begin(), product.end(), c.c.begin()));
        split += !s.factors.empty();
    }
    EXPECT_GT(split, 50);
}

TEST(CyclotomicPolynomial, DivisorsMultiplyToTNMinusOne) {
    for (int64_t n = 1; n <= 300; ++n) {
        std::vector<WideInt> product{1};
        for (int64_t d = 1; d <= n; ++d) {
            if (n % d == 0) product = Multiply(product, CyclotomicPolynomial(d));
        }
        std::vector<WideInt> expected(static_cast<size_t>(n) + 1, 0);
        expected.front() = -1;
        expected.back() = 1;
        EXPECT_TRUE(product == expected) << n;
    }
    EXPECT_EQ(CyclotomicPolynomial(105)[7], -2);
    EXPECT_THROW(CyclotomicPolynomial(0), RangeError);
}

TEST(ComplexRoots, MultipleRootsFormOneGroupAndSimpleRootsArePolished) {
    // (t - 2)³(t + 3)(2t - 1) = 2t⁵ - 7t⁴ - 9t³ + 62t² - 76t + 24.
    const std::vector<long double> p{24, -76, 62, -9, -7, 2};
    const auto groups = ComplexRoots(p);
    ASSERT_TRUE(groups.has_value());
    ASSERT_EQ(groups->size(), 3u);
    for (const RootGroup& g : *groups) {
        const long double expected = g.multiplicity == 3 ? 2.0L : g.z.real() < 0 ? -3.0L : 0.5L;
        EXPECT_LT(std::abs(g.z - expected), 1e-17L) << g.multiplicity;
    }
    // Lehmer's polynomial squared: ten double roots, eight of them on the circle.
    const std::vector<int64_t> lehmer{1, 1, 0, -1, -1, -1, -1, -1, 0, 1, 1};
    std::vector<long double> square(21, 0.0L);
    for (size_t i = 0; i < 11; ++i) {
        for (size_t j = 0; j < 11; ++j) square[i + j] += lehmer[i] * lehmer[j];
    }
    const auto doubles = ComplexRoots(square);
    ASSERT_TRUE(doubles.has_value());
    EXPECT_EQ(doubles->size(), 10u);
    for (const RootGroup& g : *doubles) EXPECT_EQ(g.multiplicity, 2);
    // One sweep is too few: no value, and the caller falls back to the sampled mean.
    EXPECT_FALSE(ComplexRoots(square, 1).has_value());
    EXPECT_FALSE(MahlerMeasureFromRoots(lehmer, 1).has_value());
    const RatPoly lehmerPoly = ToRatPoly(lehmer);
    EXPECT_EQ(LogMahlerMeasure(lehmerPoly, 128, 1), MeanLogModulus(lehmerPoly, 128));
    EXPECT_THROW(ComplexRoots(std::vector<long double>{0, 1}), RangeError);
}

TEST(MahlerMeasureFromRoots, ConstantsPowersOfTAndSixtyFourBitCoefficients) {
    const long double ln2 = std::log(2.0L);
    const struct {
        std::vector<int64_t> c;
        long double exact;
    } table[] = {
        {{}, 0},
        {{0, 0}, 0},
        {{5}, std::log(5.0L)},
        {{0, 0, 0, -7}, std::log(7.0L)},
        {{0, 3, 0, 0, 0}, std::log(3.0L)},
        // Roots 2^63/(2^63 - 1) and its inverse, a hair off the circle.
        {{INT64_MIN, INT64_MAX}, 63 * ln2},
        {{INT64_MAX, INT64_MIN}, 63 * ln2},
        {{INT64_MIN, 0, 0, 0, 0, 0, 0, 1}, 63 * ln2},
    };
    for (const auto& row : table) {
        const auto m = MahlerMeasureFromRoots(row.c);
        ASSERT_TRUE(m.has_value());
        EXPECT_NEAR(static_cast<double>(*m), static_cast<double>(row.exact), 1e-14);
    }
    EXPECT_THROW(SplitCyclotomicFactors(std::vector<int64_t>{0, 0}), RangeError);
}

// Whether c_j = c_{d-j} for every j or c_j = -c_{d-j} for every j, after the powers of t.
bool IsReciprocalUpToSign(const std::vector<int64_t>& c) {
    const auto first = std::find_if(c.begin(), c.end(), [](int64_t x) { return x != 0; });
    const auto last = std::find_if(c.rbegin(), c.rend(), [](int64_t x) { return x != 0; }).base();
    const std::vector<int64_t> r(first, last);
    return std::equal(r.begin(), r.end(), r.rbegin()) ||
           std::equal(r.begin(), r.end(), r.rbegin(), [](int64_t a, int64_t b) { return a == -b; });
}

TEST(ReciprocalMahlerMeasure, AgreesWithPariAndWithTheRouteThroughAllRoots) {
    // Every reference row: the knot table, random Seifert matrices, torus knots and their sums,
    // cyclotomic products with other factors, multiple roots, roots near ±1 off and on the circle,
    // anti-reciprocal and odd-degree rows, large degrees; the non-reciprocal rows get no value.
    std::vector<MahlerCase> cases = AllCases();
    const std::vector<MahlerCase> reciprocal = ReadCases("mahler-reciprocal-reference.tsv");
    ASSERT_GT(reciprocal.size(), 80u);
    cases.insert(cases.end(), reciprocal.begin(), reciprocal.end());
    int rows = 0;
    int taken = 0;
    long double worst = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto fast = ReciprocalMahlerMeasure(c.c);
        if (!IsReciprocalUpToSign(c.c)) {
            EXPECT_FALSE(fast.has_value());
            continue;
        }
        ++rows;
        const long double tolerance = 1e-15L * std::max(1.0L, std::fabs(c.exact));
        const auto general = GeneralMahlerMeasure(c.c);
        const auto m = MahlerMeasureFromRoots(c.c);
        ASSERT_TRUE(general.has_value() && m.has_value());
        EXPECT_LE(std::fabs(*general - c.exact), tolerance);
        EXPECT_LE(std::fabs(*m - c.exact), tolerance);
        for (const auto& [count, places] : {std::pair{128, 2}, {16384, 4}, {2097152, 6}}) {
            const std::string text = c.exact == 0 ? "0..." : ExpectedText(c.exact, places);
            if (!text.empty()) {
                EXPECT_EQ(MahlerText(*m, count), text);
            }
        }
        if (!fast) continue;
        ++taken;
        EXPECT_EQ(*m, *fast);  // the combined routine takes this route wherever it gives a value
        EXPECT_LE(std::fabs(*fast - c.exact), tolerance);
        EXPECT_LE(std::fabs(*fast - *general), tolerance);
        if (c.exact == 0) {
            EXPECT_EQ(*fast, 0.0L);
        }
        worst = std::max(worst, std::fabs(*fast - c.exact));
    }
    EXPECT_GT(rows, 410);
    EXPECT_GT(taken, 370);
    std::ostringstream worstText;
    worstText << static_cast<double>(worst);
    RecordProperty("maxAbsError", worstText.str());
}

TEST(ReciprocalMahlerMeasure, CertifiesSimpleRootsAndLeavesMultipleOnesToTheGeneralRoute) {
    // Every Alexander polynomial of the knot table and of the random Seifert matrices, the roots
    // near ±1 off the circle (to |α| - 1 = 1e-9) and on it, torus knots and the anti-reciprocal
    // and odd-degree rows take the route through q(t + 1/t).
    int knots = 0;
    for (const auto& c : ReadCases("mahler-reference.tsv")) {
        if (!IsReciprocalUpToSign(c.c)) continue;
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(ReciprocalMahlerMeasure(c.c).has_value());
        ++knots;
    }
    EXPECT_GT(knots, 300);
    // A squared non-cyclotomic factor gives q a double root, which no two disjoint inclusion
    // disks can separate: these rows never take the route.
    const std::vector<std::string> multiple{"4_1^2",         "4_1^3*phi10",  "salem4^2",
                                            "near1(1000)^2", "T(3,5)*4_1^2", "rsq1",
                                            "rsq2",          "rsq4",         "rsq6"};
    int certified = 0;
    for (const auto& c : ReadCases("mahler-reciprocal-reference.tsv")) {
        SCOPED_TRACE(c.name);
        const bool isMultiple =
            std::find(multiple.begin(), multiple.end(), c.name) != multiple.end();
        const bool special = c.name.starts_with("near") || c.name.starts_with("circle-near") ||
                             c.name.starts_with("T(") || c.name.starts_with("(t");
        if (isMultiple) {
            EXPECT_FALSE(ReciprocalMahlerMeasure(c.c).has_value());
        } else if (special) {
            EXPECT_TRUE(ReciprocalMahlerMeasure(c.c).has_value());
            ++certified;
        }
    }
    EXPECT_EQ(certified, 33);
    // Lehmer's polynomial: q of degree 5 needs more than one sweep, so no value; its linear and
    // constant relatives need none.
    const std::vector<int64_t> lehmer{1, 1, 0, -1, -1, -1, -1, -1, 0, 1, 1};
    EXPECT_FALSE(ReciprocalMahlerMeasure(lehmer, 1).has_value());
    EXPECT_TRUE(ReciprocalMahlerMeasure(lehmer).has_value());
    EXPECT_EQ(*ReciprocalMahlerMeasure(std::vector<int64_t>{1, -3, 1}, 1),
              *ReciprocalMahlerMeasure(std::vector<int64_t>{1, -3, 1}));
    EXPECT_EQ(*ReciprocalMahlerMeasure(std::vector<int64_t>{0, 0, -1, 1, -1, 0}), 0.0L);
    EXPECT_EQ(*ReciprocalMahlerMeasure(std::vector<int64_t>{}), 0.0L);
    EXPECT_FALSE(ReciprocalMahlerMeasure(std::vector<int64_t>{1, -3, 2}).has_value());
    // m(p(t^k)) = m(p): 1 - 3t^k + t^2k has the measure of the figure eight's polynomial; q has
    // degree k. Polynomials of degree above 128 are left to the general route.
    const long double figureEight = 0.962423650119206894995517826849L;
    for (const int k : {2, 5, 65}) {
        SCOPED_TRACE(k);
        std::vector<int64_t> c(static_cast<size_t>(2 * k) + 1, 0);
        c.front() = c.back() = 1;
        c[static_cast<size_t>(k)] = -3;
        const auto fast = ReciprocalMahlerMeasure(c);
        ASSERT_EQ(fast.has_value(), k < 65);
        if (fast) {
            EXPECT_NEAR(*fast, figureEight, 1e-15L);
        }
        EXPECT_NEAR(*MahlerMeasureFromRoots(c), figureEight, 1e-15L);
    }
}

TEST(MeanLogModulus, WithoutRootsOnTheCircleTheSampledMeanIsTheExactValue) {
    // The fallback of the root finder: its error decays like ρ^-M, ρ the distance ratio of the
    // root nearest the circle; 16384 points leave only rounding.
    int checked = 0;
    for (const auto& c : ReadCases("mahler-reference.tsv")) {
        if (c.rootsOnCircle > 0) continue;
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(static_cast<double>(MeanLogModulus(ToRatPoly(c.c), 16384)),
                    static_cast<double>(c.exact), 1e-9);
        ++checked;
    }
    EXPECT_GT(checked, 100);
    RatPoly one = ToRatPoly({1});
    EXPECT_EQ(MeanLogModulus(one, 128), 0.0L);
    EXPECT_NEAR(static_cast<double>(MeanLogModulus(ToRatPoly({-7}), 128)), std::log(7.0), 1e-15);
    EXPECT_EQ(MeanLogModulus(RatPoly{}, 128), 0.0L);
    EXPECT_THROW(MeanLogModulus(one, 0), RangeError);
}

TEST(MahlerText, DecimalsFollowTheValueCount) {
    EXPECT_EQ(MahlerText(0.9624236501L, 128), "0.96...");
    EXPECT_EQ(MahlerText(0.9624236501L, 10000), "0.96...");
    EXPECT_EQ(MahlerText(0.9624236501L, 10001), "0.9624...");
    EXPECT_EQ(MahlerText(0.9624236501L, 1000000), "0.9624...");
    EXPECT_EQ(MahlerText(0.9624236501L, 1000001), "0.962424...");
    EXPECT_EQ(MahlerText(1.5L, 128), "1.5...");
    EXPECT_EQ(MahlerText(2.0L, 16384), "2...");
    EXPECT_EQ(MahlerText(-0.004L, 128), "0...");
    EXPECT_EQ(MahlerText(-0.006L, 128), "-0.01...");
    // Ties go to the even neighbour: 12.5 -> 12.
    EXPECT_EQ(MahlerText(0.125L, 128), "0.12...");
    EXPECT_EQ(MahlerText(0.135L, 128), "0.14...");
    // 0.000003 would need an exponent: the integer nearest the mean is printed, without dots.
    EXPECT_EQ(MahlerText(3e-6L, 2097152), "0");
    EXPECT_EQ(MahlerText(1e-5L, 2097152), "0.00001...");
}

TEST(GeneralFloatText, FifteenSignificantDigitsInTheCLocale) {
    EXPECT_EQ(GeneralFloatText(0.0L), "0");
    EXPECT_EQ(GeneralFloatText(0.96L), "0.96");
    EXPECT_EQ(GeneralFloatText(-0.5L), "-0.5");
    EXPECT_EQ(GeneralFloatText(100.0L), "100");
    EXPECT_EQ(GeneralFloatText(123456.25L), "123456.25");
    EXPECT_EQ(GeneralFloatText(1.0L / 3.0L), "0.333333333333333");
    EXPECT_EQ(GeneralFloatText(2.0L / 3.0L), "0.666666666666667");
    EXPECT_EQ(GeneralFloatText(0.00001L), "0.00001");
    EXPECT_EQ(GeneralFloatText(0.000009L), "9E-6");
    EXPECT_EQ(GeneralFloatText(123456789012345.0L), "123456789012345");
    EXPECT_EQ(GeneralFloatText(1234567890123456.0L), "1.23456789012346E15");
}

}  // namespace
}  // namespace corvane
