// The Nakanishi index: upper bounds that never contradict the lower bounds, generators of cyclic
// modules checked independently modulo primes, and the texts of the "nk" field.
#include "invariants/nakanishi.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "arith/sequivalence.h"
#include "arith/test_matrices.h"
#include "driver/run_calculation.h"
#include "invariants/alexander_module.h"
#include "invariants/module_test_support.h"

namespace corvane {
namespace {

using test::DataPath;
using test::OneKnotRun;

// [tV - Vᵀ | g] mod p presents the trivial module for primes other than those the search checks.
bool GeneratesModuloOtherPrimes(const IntMatrix& v, int n, const PolyVector& g) {
    for (const int32_t p : {13, 17, 23, 29, 31}) {
        const FpField f = InitInverses(p);
        FpPolyMatrix m = FpAlexanderMatrix(f, v, n);
        for (int i = 1; i <= n; ++i) {
            for (int64_t k = 0; k <= g(i).degree; ++k) {
                m(i, n + 1).c[static_cast<size_t>(k)] = FpReduce(f, g(i).c(k).num);
            }
            m(i, n + 1).degree = FpDegree(m(i, n + 1));
        }
        if (FpModuleGeneratorCount(f, m, n, n + 1) != 0) return false;
    }
    return true;
}

TEST(NakanishiBounds, TrefoilIsCyclicAfterOneTry) {
    OneKnotRun run(test::FromRows({{-1, 0}, {-1, -1}}), 2);
    NakanishiBounds(run.ctx, 3);
    EXPECT_EQ(run.knot().nakanishiUpper, 1);
    const std::string rm = run.TextField("rm");
    EXPECT_TRUE(rm == "rm((1-t+t^2))" || rm == "rm((-1+t-t^2))") << rm;
    int n = 0;
    const PolyVector g = test::ParsePolyVector(run.knot().generatorText, n);
    ASSERT_EQ(n, 2);
    EXPECT_TRUE(GeneratesModuloOtherPrimes(run.state.WorkingMatrix, 2, g));
    // Reduced modulo a polynomial of top exponent 1, the pairing is a non-zero constant.
    const std::string bl = run.knot().blanchfieldText;
    EXPECT_TRUE(bl == "1" || bl == "-1") << bl;
}

// Stabilised presentations present the same module: whenever they count one generator, the
// transform's column is a generator of the original module.
TEST(NakanishiBounds, StabilisedPresentationsKeepTheirGenerators) {
    const auto knots = test::ReadKnotMatrices(DataPath("rolfsen-8-matrices.txt"));
    RandomGenerator rng;
    int checked = 0;
    for (const auto& k : knots) {
        for (int round = 0; round < 4; ++round) {
            ModulePresentation p = PresentationOf(AlexanderMatrix(k.v, k.n), k.n);
            for (int extra = 0; extra <= round && p.s < 12; ++extra)
                StabilisePresentation(p, 40, rng);
            PolyScramble(p, 1, 10, rng);
            if (ArithTrouble) {  // coefficients out of range: the attempt is void
                ClearTrouble();
                continue;
            }
            const ModuleCount r = CountModuleGenerators(p, rng);
            if (ArithTrouble) continue;
            EXPECT_GE(r.count, 1) << k.name;
            if (r.count != 1) continue;
            const PolyVector g = GeneratorOfCyclicCount(p, r, k.n);
            EXPECT_TRUE(GeneratesModuloOtherPrimes(k.v, k.n, g)) << k.name << " round " << round;
            ++checked;
        }
    }
    EXPECT_GE(checked, 40);
}

// A whole run over a list; the records stay in the state.
void RunList(RunState& state, const std::string& name, const std::string& list) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "corvane_nakanishi";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary) << list;
    test::KeepLinesHost host;
    ASSERT_EQ(RunCalculation(state, host, dir / name).end, RunEnd::Done);
}

// Bounds of every computed knot: lower <= upper, and a recorded generator generates.
void CheckBounds(RunState& state, const std::map<std::string, size_t>& h1Generators) {
    int cyclic = 0;
    for (int i = 1; i <= state.KnotCount(); ++i) {
        const KnotRecord& knot = state.Knots(i);
        if (knot.nakanishiUpper == -1 && knot.nakanishiLower == 0) continue;  // not computed
        // A knot whose calculation ended with an error never reached its H_1(L_2) bound.
        const bool failed = std::any_of(knot.textFields.begin(), knot.textFields.end(),
                                        [](const std::string& f) { return f.rfind("er", 0) == 0; });
        if (failed) continue;
        if (knot.nakanishiUpper != -1) {
            EXPECT_LE(knot.nakanishiLower, knot.nakanishiUpper) << knot.name;
        }
        EXPECT_LE(knot.nakanishiLower, std::max(knot.lowerBound, 1)) << knot.name;
        const auto h1 = h1Generators.find(knot.name);
        if (h1 != h1Generators.end() && h1->second >= 2) {
            EXPECT_GE(knot.nakanishiLower, 2) << knot.name;
        }
        if (knot.generatorText.empty()) continue;
        EXPECT_EQ(knot.nakanishiUpper, 1) << knot.name;
        const SEquivalenceResult reduced = MinimalSEquivalent(WorkingForm(knot.seifert), knot.size);
        int n = 0;
        const PolyVector g = test::ParsePolyVector(knot.generatorText, n);
        ASSERT_EQ(n, reduced.ReducedSize) << knot.name;
        EXPECT_TRUE(GeneratesModuloOtherPrimes(reduced.matrix, n, g)) << knot.name;
        ++cyclic;
    }
    EXPECT_GE(cyclic, 1);
}

TEST(NakanishiBounds, RolfsenTableBoundsAgree) {
    std::ifstream in(DataPath("rolfsen-8-matrices.txt"));
    const std::string list((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    RunState state;
    state.Settings.nakanishiEffort = 3;
    state.Settings.computeAll = true;
    RunList(state, "rolfsen.txt", list);
    std::map<std::string, size_t> h1;
    for (const auto& [name, ref] : test::ReadKnotReferences(DataPath("rolfsen-8-reference.tsv"))) {
        h1[name] = ref.h1.size();
    }
    CheckBounds(state, h1);
    for (int i = 1; i <= state.KnotCount(); ++i) {
        const KnotRecord& knot = state.Knots(i);
        if (knot.name != "8_18") continue;
        EXPECT_EQ(knot.nakanishiLower, 2);
        EXPECT_EQ(knot.nakanishiUpper, 2);
    }
}

// Random Seifert matrices (hidden by unimodular congruences) with their H_1(L_2) from PARI/GP.
TEST(NakanishiBounds, RandomSeifertMatricesBoundsAgree) {
    std::ifstream in(DataPath("random-seifert.tsv"));
    std::string list;
    std::map<std::string, size_t> h1;
    std::string line;
    int taken = 0;
    while (std::getline(in, line) && taken < 120) {
        if (line.empty() || line[0] == '%' || line.rfind("name\t", 0) == 0) continue;
        std::vector<std::string> fields;
        std::stringstream split(line);
        for (std::string f; std::getline(split, f, '\t');) fields.push_back(f);
        list += fields[0] + "\t" + fields[1] + "\n";
        h1[fields[0]] = fields.size() > 5 ? test::SplitNumbers(fields[5]).size() : 0;
        ++taken;
    }
    RunState state;
    state.Settings.nakanishiEffort = 1;
    state.Settings.mahlerValueCount = 128;
    RunList(state, "random.txt", list);
    CheckBounds(state, h1);
}

TEST(NakanishiOutput, LinesAndFields) {
    struct Case {
        int32_t lower, upper;
        std::string line, field;
    };
    const Case cases[] = {
        {1, 1, "Nakanishi index = 1", "nk1"},
        {2, 2, "Nakanishi index = 2 detected by H_1(L_2)", "nk2 detected by H_1(L_2)"},
        {1, 2, "Nakanishi index 1 or 2", "nk1 or 2"},
        {1, 3, "Nakanishi index 1,2 or 3", "nk1,2 or 3"},
        {2, 5, "Nakanishi index 2...5 detected by H_1(L_2)", "nk2...5 detected by H_1(L_2)"},
        {2, 7, "Nakanishi index  detected by H_1(L_2)", "nk detected by H_1(L_2)"},
        {2, -1, "Nakanishi index > 1 detected by H_1(L_2)", "nk> 1 detected by H_1(L_2)"},
    };
    for (const Case& c : cases) {
        OneKnotRun run(test::FromRows({{-1, 0}, {-1, -1}}), 2);
        run.state.NakanishiSource = "H_1(L_2)";
        run.state.NakanishiSourceTex = "H_1(L_2)";
        run.knot().nakanishiLower = c.lower;
        run.knot().nakanishiUpper = c.upper;
        NakanishiOutput(run.ctx);
        ASSERT_EQ(run.host.lines.size(), 1u);
        EXPECT_EQ(run.host.lines[0], c.line);
        EXPECT_EQ(run.TextField("nk"), c.field);
    }
}

TEST(IsLaurentUnit, UnitsArePlusMinusPowersOfT) {
    RatPoly p;
    EXPECT_FALSE(IsLaurentUnit(p));  // zero
    p.c(3) = RatFromInt(-1);
    p.degree = 3;
    EXPECT_TRUE(IsLaurentUnit(p));
    p.c(3) = RatFromInt(2);
    EXPECT_FALSE(IsLaurentUnit(p));
    p.c(3) = RatFromInt(1);
    p.c(0) = RatFromInt(1);
    EXPECT_FALSE(IsLaurentUnit(p));
}

}  // namespace
}  // namespace corvane
