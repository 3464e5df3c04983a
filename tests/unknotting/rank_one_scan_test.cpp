// The scan for a crossing change V + ε·c·cᵀ to Alexander polynomial 1, against a brute force over
// the same vectors that computes each changed polynomial exactly, without the modular screen.
#include "unknotting/rank_one_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

#include "input/knot_list.h"
#include "invariants/alexander.h"

namespace corvane {
namespace {

IntMatrix Changed(const IntMatrix& v, int n, const std::vector<int64_t>& c, int64_t sign) {
    IntMatrix s = v;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j)
            s(i, j) +=
                sign * c[static_cast<std::size_t>(i - 1)] * c[static_cast<std::size_t>(j - 1)];
    }
    return s;
}

// det(tS - Sᵀ) = ±t^k, computed exactly.
bool TrivialAlexander(const IntMatrix& s, int n) {
    int nonZero = 0;
    bool unit = true;
    for (const std::string& c : ExactAlexanderPolynomial(s, n).coefficients) {
        if (c == "0") continue;
        ++nonZero;
        unit = unit && (c == "1" || c == "-1");
    }
    return nonZero == 1 && unit;
}

// Whether some c with entries -1..1 (first nonzero entry 1) and sign has a trivial changed Δ.
bool BruteForce(const IntMatrix& v, int n) {
    std::vector<int64_t> c(static_cast<std::size_t>(n), -1);
    for (;;) {
        const auto first = std::find_if(c.begin(), c.end(), [](int64_t x) { return x != 0; });
        if (first != c.end() && *first == 1) {
            for (const int64_t sign : {int64_t{1}, int64_t{-1}}) {
                if (TrivialAlexander(Changed(v, n, c, sign), n)) return true;
            }
        }
        std::size_t k = 0;
        while (k < c.size() && c[k] == 1) c[k++] = -1;
        if (k == c.size()) return false;
        ++c[k];
    }
}

// The prime knots up to 8 crossings of genus at most 2: with a budget of the whole -1..1 box the
// scan finds a change exactly when the brute force does, and what it finds is primitive with
// Δ = 1. 3_1, 4_1, 5_2 and 6_1 (u_a = 1) have one; 5_1 (signature 4) cannot have one. With the
// -2..2 box as well, 8_3 (u_a = 1, Δ = 4 - 9t + 4t²) has one with an entry ±2.
TEST(RankOneScan, FindsAChangeExactlyWhereTheBruteForceDoes) {
    std::ifstream in(std::string(CORVANE_TEST_DATA_DIR) + "/rolfsen-8-matrices.txt");
    int found = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '%') continue;
        const std::string name = line.substr(0, line.find_first_of(" \t"));
        std::string text = line.substr(line.find('['));
        std::erase(text, ' ');
        const ParsedMatrix parsed = ParseMatrixText(text);
        const int n = parsed.rowCount;
        ASSERT_GE(n, 2) << line;
        if (n > 4) continue;
        SCOPED_TRACE(name);
        int64_t box = 1;
        for (int i = 0; i < n; ++i) box *= 3;
        const auto change = ScanRankOneUnknotting(parsed.entries, n, (box - 1) / 2);
        ASSERT_EQ(change.has_value(), BruteForce(parsed.entries, n));
        if (name == "3_1" || name == "4_1" || name == "5_2" || name == "6_1") {
            EXPECT_TRUE(change);
        }
        if (name == "5_1") {
            EXPECT_FALSE(change);
        }
        if (name == "8_3") {
            const auto wider = ScanRankOneUnknotting(parsed.entries, n, 1000);
            ASSERT_TRUE(wider);
            EXPECT_EQ(std::abs(wider->vector[0]) + std::abs(wider->vector[1]), 3);
        }
        if (!change) continue;
        ++found;
        EXPECT_EQ(std::accumulate(change->vector.begin(), change->vector.end(), int64_t{0},
                                  [](int64_t g, int64_t x) { return std::gcd(g, x); }),
                  1);
        EXPECT_TRUE(TrivialAlexander(Changed(parsed.entries, n, change->vector, change->sign), n));
    }
    EXPECT_GE(found, 8);
}

}  // namespace
}  // namespace corvane
