// The check of the certificates of the Nakanishi bounds on knots whose Alexander modules and
// branched covers are worked out by hand: a certificate passes exactly when its data are right
// and prove the bound it is attached to.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "unknotting/certificate_check.h"

namespace corvane {
namespace {

using json = nlohmann::ordered_json;

// 3_1 = [[-1, 1], [0, -1]]: tV - Vᵀ has the columns c_1 = (1 - t, -1) and c_2 = (t, 1 - t), so
//  - e_2 = (1 - t)·e_1 - c_1: e_1 generates H;
//  - t·e_1 = (t - 1)·e_2 + c_2: e_2 generates H, but only with the unit t (shift 1).
// H_1(L_2) = Z/3 (V + Vᵀ = [[-2, 1], [1, -2]]), H_1(L_3) = Z/2 + Z/2. For 3_1 # 3_1 both double:
// Z/3 + Z/3 needs 2 generators at p = 3 and none at p = 2, and (Z/2)⁴ gives ⌈4/(3 - 1)⌉ = 2.
const json kTrefoil = {{-1, 1}, {0, -1}};
const json kTwoTrefoils = {{-1, 1, 0, 0}, {0, -1, 0, 0}, {0, 0, -1, 1}, {0, 0, 0, -1}};

json Generated(json generators, json coefficients, json relations, int shift) {
    return {{"method", "generators"},
            {"shift", shift},
            {"generators", std::move(generators)},
            {"coefficients", std::move(coefficients)},
            {"relations", std::move(relations)}};
}

const json kByFirst = Generated({{{1}, json::array()}}, {{{1}}, {{1, -1}}},
                                {{json::array(), json::array()}, {{-1}, json::array()}}, 0);
const json kBySecond = Generated({{json::array(), {1}}}, {{{-1, 1}}, {{0, 1}}},
                                 {{json::array(), {1}}, {json::array(), json::array()}}, 1);

json Cover(int degree, int p, int dimension) {
    return {{"obstruction", "cyclic cover"},
            {"degree", degree},
            {"prime", p},
            {"dimension", dimension}};
}

json DoubleCover(int p, int generators) {
    return {{"obstruction", "double cover"}, {"prime", p}, {"generators", generators}};
}

struct Case {
    const char* what;
    json matrix;
    json lower;
    json upper;
    json certificate;  // {"lower": ..., "upper": ...}
    bool passes;
};

TEST(NakanishiCertificates, HandWorkedModulesPassExactlyWhenTheirDataProveTheBound) {
    const json none;
    const json alexander = {{"obstruction", "alexander"}};
    const json wrongShift = [] {
        json c = kBySecond;
        c["shift"] = 0;
        return c;
    }();
    const json wrongEntry = [] {
        json c = kByFirst;
        c["coefficients"][1][0] = {1, -2};
        return c;
    }();
    const json noGenerator =
        Generated(json::array(), {json::array(), json::array()},
                  {{json::array(), json::array()}, {json::array(), json::array()}}, 0);
    const std::vector<Case> cases = {
        {"e_1 generates", kTrefoil, 1, 1, {{"lower", alexander}, {"upper", kByFirst}}, true},
        {"e_2 generates up to t",
         kTrefoil,
         1,
         1,
         {{"lower", alexander}, {"upper", kBySecond}},
         true},
        {"without the unit t", kTrefoil, none, 1, {{"lower", none}, {"upper", wrongShift}}, false},
        {"one coefficient changed",
         kTrefoil,
         none,
         1,
         {{"lower", none}, {"upper", wrongEntry}},
         false},
        {"one generator is not none",
         kTrefoil,
         none,
         0,
         {{"lower", none}, {"upper", kByFirst}},
         false},
        {"no generator", kTrefoil, none, 0, {{"lower", none}, {"upper", noGenerator}}, false},
        {"3_1 is not trivial",
         kTrefoil,
         none,
         0,
         {{"lower", none}, {"upper", {{"method", "trivial"}}}},
         false},
        {"the unknot",
         json::array(),
         0,
         0,
         {{"lower", none}, {"upper", {{"method", "trivial"}}}},
         true},
        {"an upper bound without certificate", kTrefoil, none, 1, none, false},
        {"a lower bound without certificate",
         kTrefoil,
         1,
         none,
         {{"lower", none}, {"upper", none}},
         false},
        {"Δ ≠ 1 is not 2", kTrefoil, 2, none, {{"lower", alexander}, {"upper", none}}, false},
        {"H_1(L_3) = (Z/2)²",
         kTrefoil,
         1,
         none,
         {{"lower", Cover(3, 2, 2)}, {"upper", none}},
         true},
        {"(Z/2)² over 3 generators",
         kTrefoil,
         2,
         none,
         {{"lower", Cover(3, 2, 2)}, {"upper", none}},
         false},
        {"H_1(L_3) ⊗ F_3 = 0",
         kTrefoil,
         1,
         none,
         {{"lower", Cover(3, 3, 0)}, {"upper", none}},
         false},
        {"H_1(L_2) = Z/3", kTrefoil, 1, none, {{"lower", Cover(2, 3, 1)}, {"upper", none}}, true},
        {"(Z/2)⁴", kTwoTrefoils, 2, none, {{"lower", Cover(3, 2, 4)}, {"upper", none}}, true},
        {"a wrong dimension",
         kTwoTrefoils,
         2,
         none,
         {{"lower", Cover(3, 2, 3)}, {"upper", none}},
         false},
        {"Z/3 + Z/3 by the 2-fold cover",
         kTwoTrefoils,
         2,
         none,
         {{"lower", Cover(2, 3, 2)}, {"upper", none}},
         true},
        {"Z/3 + Z/3", kTwoTrefoils, 2, none, {{"lower", DoubleCover(3, 2)}, {"upper", none}}, true},
        {"Z/3 + Z/3 at 2",
         kTwoTrefoils,
         2,
         none,
         {{"lower", DoubleCover(2, 2)}, {"upper", none}},
         false},
        {"4 is not prime",
         kTwoTrefoils,
         2,
         none,
         {{"lower", DoubleCover(4, 2)}, {"upper", none}},
         false},
        {"Smith form",
         kTwoTrefoils,
         2,
         none,
         {{"lower", {{"obstruction", "double cover"}, {"generators", 2}}}, {"upper", none}},
         true},
        {"a search's name",
         kTwoTrefoils,
         2,
         none,
         {{"lower", {{"obstruction", "H_1(L_3)"}}}, {"upper", none}},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const json knot = {
            {"status", "done"},
            {"minimal_matrix", c.matrix},
            {"unknotting", {{"lower", nullptr}, {"upper", nullptr}}},
            {"nakanishi",
             {{"lower", c.lower}, {"upper", c.upper}, {"certificate", c.certificate}}}};
        const CertificateVerdict verdict = CheckKnotCertificates(knot);
        EXPECT_EQ(verdict.ok(), c.passes) << (verdict.ok() ? "" : verdict.failures[0]);
        if (!verdict.ok()) {
            EXPECT_EQ(verdict.failures[0].rfind("nakanishi ", 0), 0U);
        }
    }
}

bool Proves(const json& matrix, int lower, const json& certificate) {
    const json knot = {{"status", "done"},
                       {"minimal_matrix", matrix},
                       {"nakanishi",
                        {{"lower", lower},
                         {"upper", nullptr},
                         {"certificate", {{"lower", certificate}, {"upper", nullptr}}}}}};
    return CheckKnotCertificates(knot).ok();
}

// Against the Smith forms of V + Vᵀ that PARI/GP computed for random Seifert matrices: the
// dimension of H_1(L_2) ⊗ F_p is the number of invariant factors divisible by p, and the check
// finds it both from V + Vᵀ and from the cover's matrix V ⊗ C - Vᵀ ⊗ I_2 (C the swap).
TEST(NakanishiCertificates, DoubleCoverDimensionsAgreeWithTheReferenceSmithForms) {
    std::ifstream in(std::string(CORVANE_TEST_DATA_DIR) + "/random-seifert.tsv");
    int checked = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '%' || line.starts_with("name\t")) continue;
        std::stringstream fields(line);
        std::vector<std::string> f;
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        f.resize(6);
        const json matrix = json::parse(f[1]);
        std::vector<long> factors;
        std::stringstream list(f[5]);
        for (std::string x; std::getline(list, x, ',');) factors.push_back(std::stol(x));
        SCOPED_TRACE(f[0]);
        for (const int p : {2, 3, 5, 7, 11, 13}) {
            int dimension = 0;
            for (const long d : factors) dimension += d % p == 0 ? 1 : 0;
            if (dimension == 0) {
                EXPECT_FALSE(Proves(matrix, 1, Cover(2, p, 0)));
                continue;
            }
            ++checked;
            EXPECT_TRUE(Proves(matrix, dimension, DoubleCover(p, dimension)));
            EXPECT_TRUE(Proves(matrix, dimension, Cover(2, p, dimension)));
            EXPECT_FALSE(Proves(matrix, dimension, DoubleCover(p, dimension + 1)));
            EXPECT_FALSE(Proves(matrix, dimension, Cover(2, p, dimension - 1)));
            EXPECT_FALSE(Proves(matrix, dimension + 1, DoubleCover(p, dimension)));
        }
    }
    EXPECT_GE(checked, 100);
}

}  // namespace
}  // namespace corvane
