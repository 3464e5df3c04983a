// The check of the lower-bound certificates on knots whose linking forms, determinants and
// Alexander modules are worked out by hand: a certificate passes exactly when its data are right
// and prove the bound it is attached to.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "unknotting/certificate_check.h"

namespace corvane {
namespace {

using json = nlohmann::ordered_json;

// Genus-one Seifert matrices [[a, 1], [0, c]] (V - Vᵀ = [[0, 1], [-1, 0]]):
//  - 3_1: [[-1, 1], [0, -1]], C = V + Vᵀ = [[-2, 1], [1, -2]], det 3, σ = -2,
//    λ(e_1) = (C⁻¹)_11 = -2/3;
//  - its mirror [[1, -1], [0, 1]]: σ = 2, λ(e_1) = 2/3;
//  - 6_1: [[1, 1], [0, -2]], C = [[2, 1], [1, -4]], det -9, σ = 0, H_1 = Z/9, λ(e_1) = 4/9;
//  - 7_4: [[-2, 1], [0, -2]], C = [[-4, 1], [1, -4]], det 15, σ = -2, H_1 = Z/15,
//    λ(e_1) = -4/15.
// With one move, B = (b), |b| = D, sign b = σ ± 1 in {±1}, λ ≅ 2/b: 3_1 needs b = -3, λ(x) = -2/3
// for a generator x (and e_1 is one), so no prime excludes it; 6_1 admits b = ±9; for 7_4,
// b = -15, and at p = 3 the element 5·e_1 has M = 3·25·(-4/15) = -20, (-20/3) = 1, while
// (2·(-1)·5 / 3) = -1: u_a(7_4) >= 2; at p = 5, 3·e_1 has M = -12, (-12/5) = -1 against
// (-6/5) = 1.
// 3_1 # 4_1 = [[-1, 1], [0, -1]] ⊕ [[-1, 1], [0, 1]]: Δ = (t² - t + 1)(t² - 3t + 1) ≡ (t² + t + 1)²
// over F_2, where tV - Vᵀ vanishes on the 2-dimensional F_4; over F_3 the factors are (t + 1)² and
// the irreducible t² + 1, nullity 1 at t + 1.
// 9_49's minimal matrix: σ = -4, D = 25 = 5², 5 ≡ 1 (mod 4); 5_1 = T(2, 5): σ = -4, D = 5.
struct Case {
    const char* what;
    json matrix;
    int lower;
    json certificate;
    bool passes;
};

const json kTrefoil = {{-1, 1}, {0, -1}};
const json kMirrorTrefoil = {{1, -1}, {0, 1}};
const json kStevedore = {{1, 1}, {0, -2}};
const json kSevenFour = {{-2, 1}, {0, -2}};
const json kTrefoilFigureEight = {{-1, 1, 0, 0}, {0, -1, 0, 0}, {0, 0, -1, 1}, {0, 0, 0, 1}};
const json kNineFortyNine = {{-3, -6, -2, 2}, {-3, -9, -3, 3}, {-1, -4, -2, 1}, {2, 4, 1, -2}};
const json kTorusTwoFive = {{-1, 1, 0, 0}, {0, -1, 1, 0}, {0, 0, -1, 1}, {0, 0, 0, -1}};

json Linking(int moves, std::vector<std::pair<int, json>> primes) {
    json list = json::array();
    for (auto& [p, generators] : primes) list.push_back({{"prime", p}, {"generators", generators}});
    return {{"obstruction", "linking form"}, {"moves", moves}, {"primes", list}};
}

json Module(int p, json factor, int nullity) {
    return {{"obstruction", "alexander module"},
            {"prime", p},
            {"factor", std::move(factor)},
            {"nullity", nullity}};
}

json Stoimenow(int sigma, int determinant) {
    return {{"obstruction", "stoimenow"}, {"signature", sigma}, {"determinant", determinant}};
}

TEST(LowerCertificates, HandWorkedKnotsPassExactlyWhenTheirDataProveTheBound) {
    const std::vector<Case> cases = {
        {"3_1 has u_a = 1", kTrefoil, 2, Linking(1, {{3, {{1, 0}}}}), false},
        {"mirror 3_1 has u_a = 1", kMirrorTrefoil, 2, Linking(1, {{3, {{1, 0}}}}), false},
        {"6_1 has u_a = 1", kStevedore, 2, Linking(1, {{3, {{1, 0}}}}), false},
        {"7_4 at 3", kSevenFour, 2, Linking(1, {{3, {{5, 0}}}}), true},
        {"7_4 at 5", kSevenFour, 2, Linking(1, {{5, {{3, 0}}}}), true},
        {"7_4 by both", kSevenFour, 2, Linking(1, {{3, {{5, 0}}}, {5, {{3, 0}}}}), true},
        {"7_4 claiming 3", kSevenFour, 3, Linking(1, {{3, {{5, 0}}}}), false},
        {"order 15 is not 3", kSevenFour, 2, Linking(1, {{3, {{1, 0}}}}), false},
        {"the zero element", kSevenFour, 2, Linking(1, {{3, {{15, 0}}}}), false},
        {"7 does not divide 15", kSevenFour, 2, Linking(1, {{7, {{1, 0}}}}), false},
        {"no prime", kSevenFour, 2, Linking(1, {}), false},
        {"two generators for one move", kSevenFour, 2, Linking(1, {{3, {{5, 0}, {5, 0}}}}), false},
        {"3_1 # 4_1 over F_4", kTrefoilFigureEight, 2, Module(2, {1, 1, 1}, 2), true},
        {"a wrong nullity", kTrefoilFigureEight, 2, Module(2, {1, 1, 1}, 1), false},
        {"over F_3 only 1", kTrefoilFigureEight, 2, Module(3, {1, 1}, 1), false},
        {"t + 1 squared is reducible", kTrefoilFigureEight, 2, Module(2, {1, 0, 1}, 2), false},
        {"t is a unit", kTrefoilFigureEight, 1, Module(2, {0, 1}, 0), false},
        {"4 is not prime", kTrefoilFigureEight, 2, Module(4, {1, 1, 1}, 2), false},
        {"9_49", kNineFortyNine, 3, Stoimenow(-4, 25), true},
        {"9_49 with a wrong determinant", kNineFortyNine, 3, Stoimenow(-4, 24), false},
        {"9_49 with a wrong signature", kNineFortyNine, 3, Stoimenow(4, 25), false},
        {"5_1: 5 is not a square", kTorusTwoFive, 3, Stoimenow(-4, 5), false},
        {"an unknown obstruction", kSevenFour, 2, {{"obstruction", "Lickorish test"}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const json knot = {{"status", "done"},
                           {"minimal_matrix", c.matrix},
                           {"unknotting",
                            {{"lower", c.lower},
                             {"upper", nullptr},
                             {"certificate", {{"lower", c.certificate}, {"upper", nullptr}}}}}};
        const CertificateVerdict verdict = CheckKnotCertificates(knot);
        EXPECT_EQ(verdict.ok(), c.passes) << (verdict.ok() ? "" : verdict.failures[0]);
    }
}

}  // namespace
}  // namespace corvane
