// The Mahler measure against exact values from PARI/GP (log of the leading coefficient plus the
// logs of the roots outside the circle), its printed text at the three value counts, and the
// general number text in the C locale.
#include "invariants/mahler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace corvane {
namespace {

struct MahlerCase {
    std::string name;
    RatPoly p;
    long double exact = 0;
    int rootsOnCircle = 0;
};

std::vector<MahlerCase> ReadCases() {
    std::ifstream in(std::string(CORVANE_TEST_DATA_DIR) + "/mahler-reference.tsv");
    std::vector<MahlerCase> cases;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%') continue;
        std::stringstream fields(line);
        std::string coefficients, exact, roots;
        MahlerCase c;
        std::getline(fields, c.name, '\t');
        std::getline(fields, coefficients, '\t');
        std::getline(fields, exact, '\t');
        std::getline(fields, roots, '\t');
        std::stringstream list(coefficients);
        std::string item;
        int64_t i = 0;
        while (std::getline(list, item, ',')) c.p.c(i++).num = std::stoll(item);
        c.p.degree = i - 1;
        c.exact = std::stold(exact);
        c.rootsOnCircle = std::stoi(roots);
        cases.push_back(c);
    }
    return cases;
}

// The text an exact value prints with q = 10^decimals, when it is not within 1e-3 of a rounding
// boundary.
bool ExpectedText(long double exact, long double q, std::string& text) {
    const long double scaled = q * exact;
    if (std::fabs(scaled - std::floor(scaled) - 0.5L) < 1e-3L) return false;
    text = GeneralFloatText(std::llround(scaled) / q) + "...";
    return true;
}

TEST(MahlerMeasure, ReferenceFileCoversBothKindsOfPolynomial) {
    const auto cases = ReadCases();
    ASSERT_GT(cases.size(), 300u);
    int onCircle = 0;
    for (const auto& c : cases) onCircle += c.rootsOnCircle > 0;
    EXPECT_GT(onCircle, 20);
    EXPECT_GT(static_cast<int>(cases.size()) - onCircle, 100);
}

TEST(MahlerMeasure, WithoutRootsOnTheCircleTheMeanIsTheExactValue) {
    // The error of the equally spaced mean decays like ρ^-M, ρ the distance ratio of the root
    // nearest the circle; 16384 points leave only rounding.
    for (const auto& c : ReadCases()) {
        if (c.rootsOnCircle > 0) continue;
        SCOPED_TRACE(c.name);
        const long double mean = MeanLogModulus(c.p, 16384);
        EXPECT_NEAR(static_cast<double>(mean), static_cast<double>(c.exact), 1e-9);
        std::string text;
        if (ExpectedText(c.exact, 10000.0L, text)) {
            EXPECT_EQ(MahlerText(mean, 16384), text);
        }
        if (ExpectedText(c.exact, 100.0L, text) &&
            std::fabs(MeanLogModulus(c.p, 128) - c.exact) < 1e-4L) {
            EXPECT_EQ(MahlerText(MeanLogModulus(c.p, 128), 128), text);
        }
    }
}

TEST(MahlerMeasure, RootsOnTheCircleConvergeWithTheValueCount) {
    // A zero ζ on the circle adds about ln|ζ^M - 1|/M to the mean.
    for (const auto& c : ReadCases()) {
        if (c.rootsOnCircle == 0) continue;
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(static_cast<double>(MeanLogModulus(c.p, 16384)), static_cast<double>(c.exact),
                    2e-3);
    }
}

TEST(MahlerMeasure, KnotsAndCyclotomicProductsAtTheLargestValueCount) {
    int checked = 0;
    for (const auto& c : ReadCases()) {
        if (c.name[0] == 'r') continue;  // the random polynomials are covered at 16384 points
        SCOPED_TRACE(c.name);
        const long double mean = MeanLogModulus(c.p, 2097152);
        EXPECT_NEAR(static_cast<double>(mean), static_cast<double>(c.exact), 1e-5);
        if (c.exact == 0.0L) {
            // Products of cyclotomic polynomials: 0 to six decimals.
            const std::string text = MahlerText(mean, 2097152);
            EXPECT_TRUE(text == "0" || text == "0...") << text;
        }
        ++checked;
    }
    EXPECT_GE(checked, 40);
}

TEST(MahlerMeasure, FigureEightPolynomialGivesTheLogOfTheGoldenRatioSquared) {
    RatPoly p;
    p.degree = 2;
    p.c(0).num = 1;
    p.c(1).num = -3;
    p.c(2).num = 1;
    // ln((3+√5)/2) = 0.96242365011920689...; t² - 3t + 1 takes the value -3 + 2cos θ times z
    // on the circle, purely imaginary at θ = ±π/2, and those points count like any other.
    EXPECT_EQ(MahlerText(MeanLogModulus(p, 128), 128), "0.96...");
    EXPECT_EQ(MahlerText(MeanLogModulus(p, 16384), 16384), "0.9624...");
    EXPECT_EQ(MahlerText(MeanLogModulus(p, 2097152), 2097152), "0.962424...");
}

TEST(MahlerMeasure, ConstantsAndTheZeroPolynomial) {
    RatPoly one;
    one.degree = 0;
    one.c(0).num = 1;
    EXPECT_EQ(MeanLogModulus(one, 128), 0.0L);
    EXPECT_EQ(MahlerText(MeanLogModulus(one, 128), 128), "0...");
    RatPoly seven = one;
    seven.c(0).num = -7;
    EXPECT_NEAR(static_cast<double>(MeanLogModulus(seven, 128)), std::log(7.0), 1e-15);
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
