// The Mahler measure of Alexander polynomials beyond the RatPoly range (degree above 27 or
// coefficients beyond 64 bits), given by decimal coefficients, against PARI/GP (the logarithm of
// the leading coefficient plus Σ ln max(1, |α|) over polroots at 57 digits).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "invariants/mahler.h"

namespace corvane {
namespace {

// c_0..c_d with the given non-zero terms.
std::vector<std::string> Terms(int degree, const std::vector<std::pair<int, std::string>>& terms) {
    std::vector<std::string> c(static_cast<size_t>(degree) + 1, "0");
    for (const auto& [e, value] : terms) c[static_cast<size_t>(e)] = value;
    return c;
}

TEST(MahlerExact, HighDegreeAndLargeCoefficientsAgainstPari) {
    struct Case {
        std::vector<std::string> c;
        long double expected;
    };
    std::vector<std::string> phi71(71, "1");  // (t^71 - 1)/(t - 1): cyclotomic, exactly 0
    const std::vector<Case> cases{
        {Terms(70, {{0, "1"}, {35, "-3"}, {70, "1"}}), 0.96242365011920689499552L},
        {Terms(60, {{0, "1"}, {1, "-1"}, {30, "2"}, {59, "-1"}, {60, "1"}}),
         0.51137250170927357725349L},
        // 10^20·(1 - 3t + t²): coefficients beyond 64 bits, so the mean over the circle.
        {{"100000000000000000000", "-300000000000000000000", "100000000000000000000"},
         47.014125510000120575355L},
        {phi71, 0.0L},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.c.size());
        // Far below the six printed decimals; the mean path samples at the angle constructor's
        // points.
        EXPECT_NEAR(LogMahlerMeasureOfDecimal(c.c, 16384), c.expected, 1e-9L);
    }
    EXPECT_EQ(LogMahlerMeasureOfDecimal(phi71, 16384), 0.0L);
}

}  // namespace
}  // namespace corvane
