// The search for a unit u with u(t)·u(t⁻¹)·f ≡ ±1 modulo Δ, on hand-worked cases.
#include "unknotting/blanchfield_unit.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvane {
namespace {

struct NormCase {
    const char* what;
    std::vector<int64_t> f;
    int64_t fLow;
    std::vector<int64_t> delta;
    bool found;
};

TEST(BlanchfieldUnit, FindsANormExactlyWhereOneExists) {
    const std::vector<NormCase> cases = {
        // Bl(x, x) = ±1/Δ already: u = 1.
        {"4_1, f = 1", {1}, 0, {-1, 3, -1}, true},
        // Norms are symmetric, and -t² is not modulo Δ: t² - t⁻² = (t - t⁻¹)·3 there.
        {"4_1, f = -t^2", {-1}, 2, {-1, 3, -1}, false},
        // Modulo Δ(-1) = 5 the condition is u(-1)²·2 ≡ ±1, and neither 3 nor 2 is a square mod 5.
        {"4_1, f = 2", {2}, 0, {-1, 3, -1}, false},
        // 9_5: f = -2t⁻¹ + 4 - 2t, and (3 - 4t)(3 - 4t⁻¹)·f ≡ -1 modulo 6 - 11t + 6t².
        {"9_5", {-2, 4, -2}, -1, {6, -11, 6}, true},
        // 9_27: f = 2 - t - t⁻¹ is the norm of 1 - t, so u = (1 - t)⁻¹ modulo Δ, whose
        // coefficients (partial sums of Δ's) lie beyond the boxes the budget reaches.
        {"9_27", {-1, 2, -1}, -1, {-1, 5, -11, 15, -11, 5, -1}, true},
        // Modulo Δ(-1) = 5 again: u(-1)²·2 is never ±1.
        {"5_1, f = 2", {2}, 0, {1, -1, 1, -1, 1}, false},
    };
    for (const NormCase& c : cases) {
        SCOPED_TRACE(c.what);
        const auto unit = FindNormUnit(c.f, c.fLow, c.delta, 200000);
        ASSERT_EQ(unit.has_value(), c.found);
        if (unit) {
            EXPECT_GT((*unit)[0], 0);
        }
    }
}

}  // namespace
}  // namespace corvane
