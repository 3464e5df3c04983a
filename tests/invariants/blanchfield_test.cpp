// The Blanchfield numerator against values computed by PARI/GP, and the rules by which a
// generator and its pairing are recorded.
#include "invariants/blanchfield.h"

#include <gtest/gtest.h>

#include <fstream>

#include "arith/test_matrices.h"
#include "invariants/module_test_support.h"

namespace corvane {
namespace {

using test::DataPath;
using test::OneKnotRun;

// Every case of the data file: the Rolfsen matrix V, a column g and the exact value
// t^(-n/2)·(t-1)·g(t⁻¹)ᵀ·adj(tV - Vᵀ)·g(t) from PARI/GP.
TEST(BlanchfieldNumerator, AgreesWithIndependentValues) {
    std::map<std::string, test::KnotMatrix> knots;
    for (const auto& k : test::ReadKnotMatrices(DataPath("rolfsen-8-matrices.txt")))
        knots[k.name] = k;
    std::ifstream in(DataPath("rolfsen-8-blanchfield.tsv"));
    ASSERT_TRUE(in);
    std::string line;
    int cases = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%') continue;
        std::vector<std::string> fields;
        std::stringstream split(line);
        for (std::string f; std::getline(split, f, '\t');) fields.push_back(f);
        ASSERT_EQ(fields.size(), 4u) << line;
        const test::KnotMatrix& k = knots.at(fields[0]);
        PolyVector g;
        std::stringstream entries(fields[1] + ";");
        int i = 0;
        for (std::string e; std::getline(entries, e, ';') && i < k.n;) {
            RatPoly& p = g(++i);
            int64_t exponent = 0;
            for (const int64_t c : test::SplitNumbers(e)) p.c(exponent++) = RatFromInt(c);
            p.degree = PolyDegree(p);
        }
        LaurentPoly expected;
        int64_t exponent = std::stoll(fields[2]);
        for (const int64_t c : test::SplitNumbers(fields[3]))
            expected.c(exponent++) = RatFromInt(c);

        ClearTrouble();
        const std::optional<LaurentPoly> value = BlanchfieldNumerator(k.v, k.n, g, -1, 6);
        ASSERT_TRUE(value.has_value()) << line << " trouble " << TroubleCode;
        for (int64_t e = -kLaurentMaxExponent; e <= kLaurentMaxExponent; ++e) {
            EXPECT_EQ(value->c(e).num * expected.c(e).den, expected.c(e).num * value->c(e).den)
                << line << " at t^" << e;
        }
        ++cases;
    }
    EXPECT_GE(cases, 100);
}

TEST(BlanchfieldText, TopExponent) {
    EXPECT_EQ(TopExponentOfText("-1"), 0);
    EXPECT_EQ(TopExponentOfText("t^-1+3-t"), 1);
    EXPECT_EQ(TopExponentOfText("-t^-2+t^-1-1+t-t^2"), 2);
    EXPECT_EQ(TopExponentOfText("2t^-3+1"), 0);
    EXPECT_EQ(TopExponentOfText(""), 0);
}

// The figure-eight knot: Δ = 1 - 3t + t², a cyclic module.
class RecordCyclicGeneratorTest : public ::testing::Test {
  protected:
    OneKnotRun run{test::FromRows({{1, 0}, {-1, -1}}), 2};
    PolyVector Basis(int i) {
        PolyVector g;
        g(i) = PolyOne();
        return g;
    }
};

TEST_F(RecordCyclicGeneratorTest, RecordsGeneratorAndReducedPairing) {
    RecordCyclicGenerator(run.state, Basis(1));
    ASSERT_FALSE(ArithTrouble) << TroubleCode;
    EXPECT_EQ(run.knot().generatorText, "(1,0)");
    // Reduced modulo Δ of top exponent 1, an integral reduction leaves a constant.
    EXPECT_EQ(TopExponentOfText(run.knot().blanchfieldText), 0);
    EXPECT_EQ(run.TextField("ge"), "ge(1,0)");
    EXPECT_EQ(run.TextField("bl"), "bl" + run.knot().blanchfieldText);
    // The text slots keep the width of the pairing columns.
    for (const std::string& slot : run.knot().textFields) {
        if (slot.rfind("ge", 0) == 0 || slot.rfind("bl", 0) == 0) {
            EXPECT_EQ(slot.size(), 35u);
        }
    }
}

TEST_F(RecordCyclicGeneratorTest, ReplacementRules) {
    run.knot().blanchfieldText = "t^-1+5+t";  // top exponent 1
    run.knot().generatorText = "(old)";
    RecordCyclicGenerator(run.state, Basis(1));  // top exponent 0: replaces
    EXPECT_EQ(run.knot().generatorText, "(1,0)");

    const std::string stored = run.knot().blanchfieldText;
    run.knot().blanchfieldText = "0";  // same top exponent, shorter: stays
    RecordCyclicGenerator(run.state, Basis(2));
    EXPECT_EQ(run.knot().generatorText, "(1,0)");
    EXPECT_EQ(run.knot().blanchfieldText, "0");

    run.knot().blanchfieldText = stored + "+0";  // same top exponent, longer: replaced
    PolyVector g = Basis(2);
    g(2).c(0) = RatFromInt(-1);
    RecordCyclicGenerator(run.state, g);
    EXPECT_EQ(run.knot().generatorText, "(0,-1)");
}

TEST_F(RecordCyclicGeneratorTest, FailedPairingRecordsOnlyAGenerator) {
    // A generator of degree 25 takes (t - 1)·adj·g past degree 26: the pairing fails.
    PolyVector g;
    g(1).c(25) = RatFromInt(1);
    g(1).degree = 25;
    RecordCyclicGenerator(run.state, g);
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(run.knot().generatorText, "(t^25,0)");
    EXPECT_EQ(run.knot().blanchfieldText, "");
    EXPECT_EQ(run.TextField("bl"), "bl");
    ClearTrouble();
    // Once a pairing is stored, a failed one never replaces its generator.
    RecordCyclicGenerator(run.state, Basis(1));
    ASSERT_FALSE(ArithTrouble);
    RecordCyclicGenerator(run.state, g);
    EXPECT_EQ(run.knot().generatorText, "(1,0)");
    ClearTrouble();
}

}  // namespace
}  // namespace corvane
