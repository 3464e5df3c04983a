// Whole runs over knot tables with reference values computed independently (PARI/GP): the
// Alexander polynomial up to sign, the determinant, H_1 of the 2-fold branched cover and the
// signature that the run records for every knot, and the bounds they imply.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "arith/test_matrices.h"
#include "driver/run_calculation.h"
#include "e2e/run_support.h"
#include "knot/knot_context.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test::Field;

// Coefficients from t^0 up of an integral polynomial written like -1+3t-t^2.
std::vector<int64_t> ParsePolynomial(const std::string& text) {
    std::map<int, int64_t> terms;
    size_t i = 0;
    while (i < text.size()) {
        int64_t sign = 1;
        if (text[i] == '+' || text[i] == '-') sign = text[i++] == '-' ? -1 : 1;
        int64_t coefficient = 1;
        if (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            size_t used = 0;
            coefficient = std::stoll(text.substr(i), &used);
            i += used;
        }
        int exponent = 0;
        if (i < text.size() && text[i] == 't') {
            ++i;
            exponent = 1;
            if (i < text.size() && text[i] == '^') {
                size_t used = 0;
                exponent = std::stoi(text.substr(i + 1), &used);
                i += used + 1;
            }
        }
        terms[exponent] += sign * coefficient;
    }
    std::vector<int64_t> coefficients(terms.empty() ? 0 : terms.rbegin()->first + 1, 0);
    for (const auto& [e, c] : terms) coefficients[e] = c;
    return coefficients;
}

// The orders of a group written like Z/15+Z/3 ("0" for the trivial group).
std::vector<int64_t> ParseGroup(const std::string& text) {
    std::vector<int64_t> orders;
    size_t at = 0;
    while ((at = text.find("Z/", at)) != std::string::npos) {
        orders.push_back(std::stoll(text.substr(at + 2)));
        at += 2;
    }
    return orders;
}

std::vector<int64_t> Normalised(std::vector<int64_t> p) {
    if (!p.empty() && p.back() < 0)
        for (int64_t& c : p) c = -c;
    return p;
}

struct Expected {
    std::vector<int64_t> alexander;
    int64_t absDet = 0;
    int signature = 0;
    std::vector<int64_t> h1;
};

// Runs the list at path and checks every knot against its reference values.
void CheckRun(const fs::path& list, const std::map<std::string, Expected>& expected) {
    RunState state;
    state.Settings.ltValueCount = 128;
    SilentRunHost host;
    const RunOutcome outcome = RunCalculation(state, host, list);
    ASSERT_EQ(outcome.end, RunEnd::Done);
    ASSERT_EQ(static_cast<size_t>(state.KnotCount()), expected.size());
    int unreduced = 0;
    for (const KnotRecord& knot : state.Knots) {
        SCOPED_TRACE(knot.name);
        const Expected& e = expected.at(knot.name);
        // Past the checked 64-bit range the reduction and the determinant are exact: no basic
        // invariant is an error, and a determinant beyond 32 bits is printed in full.
        if (Field(knot, "er").rfind("Error in S-equivalence", 0) == 0) ++unreduced;
        EXPECT_NE(Field(knot, "er"), "Error in calculation of determinant");
        const std::vector<int64_t> alexander = ParsePolynomial(Field(knot, "al"));
        EXPECT_EQ(Normalised(alexander), e.alexander);
        const int64_t det = std::stoll(Field(knot, "dt"));
        EXPECT_EQ(std::llabs(det), e.absDet);
        const int signature = std::stoi(Field(knot, "si"));
        EXPECT_EQ(signature, e.signature);
        EXPECT_EQ(test::PrimePowerParts(ParseGroup(Field(knot, "l2"))),
                  test::PrimePowerParts(e.h1));

        // A non-singular symmetric matrix of size 2g = deg Δ with signature σ has determinant of
        // sign (-1)^((2g - σ)/2).
        const int degree = static_cast<int>(alexander.size()) - 1;
        EXPECT_EQ(det < 0, ((degree - signature) / 2) % 2 != 0);
        // The bounds that the determinant, signature and H_1(L_2) give hold.
        if (degree > 0) {
            EXPECT_GE(knot.lowerBound, std::max<int>(1, std::abs(signature) / 2));
        }
        EXPECT_GE(knot.lowerBound, static_cast<int>(ParseGroup(Field(knot, "l2")).size()));
        if (knot.upperBound >= 0) {
            EXPECT_LE(knot.lowerBound, knot.upperBound);
        }
    }
    EXPECT_EQ(unreduced, 0);
}

fs::path CopyToTemp(const std::string& name, const std::string& contents) {
    const fs::path dir = fs::temp_directory_path() / "corvane_oracle";
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary) << contents;
    return dir / name;
}

TEST(OracleRun, RolfsenTableAgainstReference) {
    const std::string data = CORVANE_TEST_DATA_DIR;
    std::map<std::string, Expected> expected;
    for (const auto& [name, r] : test::ReadKnotReferences(data + "/rolfsen-8-reference.tsv"))
        expected[name] = Expected{Normalised(r.alexander), std::llabs(r.det), r.signature, r.h1};
    std::ifstream in(data + "/rolfsen-8-matrices.txt", std::ios::binary);
    std::stringstream list;
    list << in.rdbuf();
    CheckRun(CopyToTemp("rolfsen.txt", list.str()), expected);
}

TEST(OracleRun, RandomSeifertMatricesAgainstReference) {
    std::ifstream in(std::string(CORVANE_TEST_DATA_DIR) + "/random-seifert.tsv");
    ASSERT_TRUE(in);
    std::map<std::string, Expected> expected;
    std::string list;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%' || line.rfind("name\t", 0) == 0) continue;
        std::vector<std::string> f;
        std::stringstream fields(line);
        std::string field;
        while (std::getline(fields, field, '\t')) f.push_back(field);
        ASSERT_GE(f.size(), 5u) << line;
        list += f[0] + "\t" + f[1] + "\n";
        expected[f[0]] = Expected{test::SplitNumbers(f[2]), std::stoll(f[3]), std::stoi(f[4]),
                                  f.size() > 5 ? test::SplitNumbers(f[5]) : std::vector<int64_t>{}};
    }
    ASSERT_EQ(expected.size(), 300u);
    CheckRun(CopyToTemp("random.txt", list), expected);
}

}  // namespace
}  // namespace corvane
