// The linking pairing obstruction to u_a = 2 against PARI/GP's evaluation of its definition, on
// knots whose unknotting number is known to be at most 2, on the candidate forms of the defining
// loops, and in the cases where it must stay undecided: failures, Stop and Skip.
#include "unknotting/linking_pairing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "arith/errors.h"
#include "arith/test_matrices.h"
#include "driver/run_calculation.h"
#include "knot/knot_context.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

struct PairingReference {
    int32_t signature = 0;
    int64_t det = 0;
    bool noObstruction = true;
    int candidates = -1;  // -1: |signature| > 4, nothing enumerated
};

std::string DataPath(const std::string& file) {
    return std::string(CORVANE_TEST_DATA_DIR) + "/" + file;
}

std::map<std::string, PairingReference> ReadReferences() {
    std::ifstream in(DataPath("linking-pairing-reference.tsv"));
    std::map<std::string, PairingReference> refs;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%') continue;
        std::stringstream fields(line);
        std::string name;
        PairingReference r;
        int verdict = 0;
        fields >> name >> r.signature >> r.det >> verdict >> r.candidates;
        r.noObstruction = verdict != 0;
        refs[name] = r;
    }
    return refs;
}

const std::vector<Form2>& Table() {
    static const std::vector<Form2> table = BuildFormTable2();
    return table;
}

std::vector<test::KnotMatrix> Knots() {
    return test::ReadKnotMatrices(DataPath("linking-pairing-knots.txt"));
}

IntMatrix BlockSum(const std::vector<IntMatrix>& blocks, const std::vector<int>& sizes, int& n) {
    IntMatrix out;
    n = 0;
    for (size_t b = 0; b < blocks.size(); ++b) {
        for (int i = 1; i <= sizes[b]; ++i)
            for (int j = 1; j <= sizes[b]; ++j) out(n + i, n + j) = blocks[b](i, j);
        n += sizes[b];
    }
    return out;
}

TEST(LinkingPairingTest, AgreesWithPariOnPrimeKnotsMirrorsAndSums) {
    const auto refs = ReadReferences();
    const auto knots = Knots();
    ASSERT_GE(knots.size(), 100u);
    int obstructed = 0;
    for (const auto& k : knots) {
        ASSERT_TRUE(refs.count(k.name)) << k.name;
        const PairingReference& r = refs.at(k.name);
        const LinkingPairingOutcome o = LinkingPairingVerdictOf(k.v, k.n, r.signature, Table());
        EXPECT_FALSE(o.failed) << k.name;
        EXPECT_EQ(o.verdict, r.noObstruction ? LinkingPairingVerdict::notObstructed
                                             : LinkingPairingVerdict::obstructed)
            << k.name;
        EXPECT_EQ(o.candidateCount, std::max(r.candidates, 0)) << k.name;
        if (!r.noObstruction) ++obstructed;
    }
    // Some of the sums need three moves: 3_1#4_1#4_1 with H_1(L_2) = Z/15 + Z/5, and others.
    EXPECT_GE(obstructed, 5);
}

TEST(LinkingPairingTest, NeverFiresOnKnotsWithUnknottingNumberAtMostTwo) {
    // Every prime knot up to 8 crossings but 7_1 and 8_19 (the torus knots T(2,7), T(3,4), with
    // unknotting number 3) has unknotting number 1 or 2, and so has every connected sum of two
    // knots of unknotting number 1; the mirror image has the same unknotting number.
    const std::set<std::string> unknottingOne{"3_1",  "4_1",  "5_2",  "6_1",  "6_2",  "6_3",
                                              "7_2",  "7_6",  "7_7",  "8_1",  "8_7",  "8_9",
                                              "8_11", "8_13", "8_14", "8_17", "8_20", "8_21"};
    const auto refs = ReadReferences();
    int checked = 0;
    for (const auto& k : test::ReadKnotMatrices(DataPath("rolfsen-8-matrices.txt"))) {
        if (k.name == "7_1" || k.name == "8_19") continue;
        for (const int sign : {1, -1}) {
            IntMatrix v;
            for (int i = 1; i <= k.n; ++i)
                for (int j = 1; j <= k.n; ++j) v(i, j) = sign * k.v(i, j);
            const std::string name = sign == 1 ? k.name : "m" + k.name;
            const LinkingPairingOutcome o =
                LinkingPairingVerdictOf(v, k.n, refs.at(name).signature, Table());
            EXPECT_EQ(o.verdict, LinkingPairingVerdict::notObstructed) << name;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 66);
    for (const auto& k : Knots()) {
        const size_t hash = k.name.find('#');
        if (hash == std::string::npos || k.name.find('#', hash + 1) != std::string::npos) continue;
        std::string second = k.name.substr(hash + 1);
        if (second[0] == 'm') second = second.substr(1);
        if (!unknottingOne.count(k.name.substr(0, hash)) || !unknottingOne.count(second)) continue;
        const LinkingPairingOutcome o =
            LinkingPairingVerdictOf(k.v, k.n, refs.at(k.name).signature, Table());
        EXPECT_EQ(o.verdict, LinkingPairingVerdict::notObstructed) << k.name;
        ++checked;
    }
    EXPECT_GE(checked, 80);
}

// The candidate list by the defining loops, each triple tested.
std::vector<CandidateForm> DefiningLoops(int64_t d, int32_t s) {
    std::vector<CandidateForm> forms;
    if (s == 4 || s == -4) {
        const int64_t e = s == 4 ? 1 : -1;
        for (int64_t a = 1; a <= d; ++a)
            for (int64_t b = 1; b <= a; ++b)
                for (int64_t c = 0; c <= b - 1; ++c)
                    if (a * b - c * c == d)
                        AddCandidateForm(forms, e * b, e * a, e * c, s, Table());
        return forms;
    }
    for (int64_t a = -d; a <= d; ++a)
        for (int64_t b = -std::llabs(a); b <= std::llabs(a); ++b)
            for (int64_t c = 0; c <= std::llabs(b) / 2; ++c)
                if (a * b - c * c == d || a * b - c * c == -d)
                    AddCandidateForm(forms, b, a, c, s, Table());
    int64_t r = 0;
    while ((r + 1) * (r + 1) <= d) ++r;
    if (r * r == d)
        for (int64_t x = -r; x <= r; ++x) AddCandidateForm(forms, x, 0, r, s, Table());
    AddCandidateForm(forms, -3, 0, 9, s, Table());
    return forms;
}

TEST(CandidateForms, SameListAsTheDefiningLoops) {
    for (int64_t d = 1; d <= 70; ++d) {
        for (const int32_t s : {-4, -2, 0, 2, 4}) {
            std::vector<CandidateForm> forms;
            ASSERT_TRUE(EnumerateCandidateForms(forms, d, s, Table()));
            EXPECT_EQ(forms, DefiningLoops(d, s)) << "D = " << d << ", signature " << s;
        }
    }
}

TEST(CandidateForms, DeterminantThreeWorkedByHand) {
    // a·b - c² = ±3 with |b| <= |a| <= 3, 0 <= c <= |b|/2: (a, b) = (∓3, ±1), (±3, ±1), c = 0;
    // odd forms only, then [[-3, 9], [9, 0]].
    std::vector<CandidateForm> forms;
    ASSERT_TRUE(EnumerateCandidateForms(forms, 3, -2, Table()));
    const std::vector<CandidateForm> expected{
        {-1, -3, 0}, {1, -3, 0}, {-1, 3, 0}, {1, 3, 0}, {-3, 0, 9}};
    EXPECT_EQ(forms, expected);
}

TEST(CandidateForms, ParityAndTheCongruencesModuloFour) {
    std::vector<CandidateForm> forms;
    AddCandidateForm(forms, 2, 4, 1, 0, Table());  // p, q even
    AddCandidateForm(forms, 1, 2, 0, 0, Table());  // p + q + r odd
    EXPECT_TRUE(forms.empty());
    AddCandidateForm(forms, 1, 2, 1, 0, Table());
    EXPECT_EQ(forms.size(), 1u);
    // [[3, 0], [0, 3]] ≡ -I: taken with signature 4 (s = -1), not with -4.
    forms.clear();
    AddCandidateForm(forms, 3, 3, 0, 4, Table());
    EXPECT_EQ(forms.size(), 1u);
    AddCandidateForm(forms, 3, 3, 0, -4, Table());
    EXPECT_EQ(forms.size(), 1u);
    AddCandidateForm(forms, -3, -3, 0, -4, Table());
    EXPECT_EQ(forms.size(), 2u);
    // Signature 4, D = 9: [[3, 0], [0, 3]] and [[1, 0], [0, 9]] ≡ [[1, 0], [0, 1]] mod 4; only the
    // first is congruent to -T for a table entry T.
    forms.clear();
    ASSERT_TRUE(EnumerateCandidateForms(forms, 9, 4, Table()));
    EXPECT_EQ(forms, (std::vector<CandidateForm>{{3, 3, 0}}));
}

TEST(CandidateForms, TheTwoThousandAndFirstIsARangeError) {
    std::vector<CandidateForm> forms;
    for (int i = 0; i < kMaxCandidateForms; ++i) AddCandidateForm(forms, 1, 2 * i, 1, 0, Table());
    EXPECT_EQ(forms.size(), 2000u);
    EXPECT_THROW(AddCandidateForm(forms, 1, 0, 1, 0, Table()), RangeError);
}

TEST(LinkingPairingTest, EdgeCases) {
    // |signature| 6: nothing is enumerated.
    const IntMatrix trefoil = test::FromRows({{-1, 0}, {-1, -1}});
    const LinkingPairingOutcome six = LinkingPairingVerdictOf(trefoil, 2, 6, Table());
    EXPECT_EQ(six.verdict, LinkingPairingVerdict::notObstructed);
    EXPECT_EQ(six.candidateCount, 0);
    // Trivial H_1(L_2): C = [[0, 1], [1, 0]], d = -1.
    const LinkingPairingOutcome trivial =
        LinkingPairingVerdictOf(test::FromRows({{0, 1}, {0, 0}}), 2, 0, Table());
    EXPECT_EQ(trivial.verdict, LinkingPairingVerdict::notObstructed);
    EXPECT_FALSE(trivial.failed);
    // Not the form of a knot: det C = 4, and det C = 0.
    for (const IntMatrix& v :
         {test::FromRows({{1, 0}, {0, 1}}), test::FromRows({{0, 1}, {-1, 0}})}) {
        const LinkingPairingOutcome o = LinkingPairingVerdictOf(v, 2, 0, Table());
        EXPECT_EQ(o.verdict, LinkingPairingVerdict::undecided);
        EXPECT_TRUE(o.failed);
    }
    // det C = 4·40000² - 1 does not fit the 32 bits of a knot's determinant.
    const LinkingPairingOutcome huge =
        LinkingPairingVerdictOf(test::FromRows({{40000, 1}, {0, 40000}}), 2, 0, Table());
    EXPECT_EQ(huge.verdict, LinkingPairingVerdict::undecided);
    EXPECT_TRUE(huge.failed);
    EXPECT_THROW(LinkingPairingVerdictOf(trefoil, 0, 0, Table()), RangeError);
}

// The searches are limited to moderate determinants; these cases lie beyond the limit.
constexpr int64_t kNoLimit = 2147483647;

TEST(LinkingPairingTest, TooManyCandidatesOrSummandsIsAFailureNotACrash) {
    // C = [[2a, 1], [1, 2a]], D = 4a² - 1 = 999999: more than 2000 candidate forms.
    const LinkingPairingOutcome many =
        LinkingPairingVerdictOf(test::FromRows({{500, 1}, {0, 500}}), 2, 0, Table(), {}, kNoLimit);
    EXPECT_EQ(many.verdict, LinkingPairingVerdict::undecided);
    EXPECT_TRUE(many.failed);
    // Six cyclic summands of coprime orders 3, 5, 7, 11, 13, 17 (H_1(L_2) cyclic): with signature 4
    // the congruences modulo 4 keep the candidates few, and the sixth summand is the failure.
    std::vector<IntMatrix> blocks;
    std::vector<int> sizes;
    for (const auto& k : test::ReadKnotMatrices(DataPath("rolfsen-8-matrices.txt"))) {
        if (k.name == "3_1" || k.name == "4_1" || k.name == "5_2" || k.name == "6_2" ||
            k.name == "6_3" || k.name == "7_5") {
            blocks.push_back(k.v);
            sizes.push_back(k.n);
        }
    }
    ASSERT_EQ(blocks.size(), 6u);
    int n = 0;
    const IntMatrix sum = BlockSum(blocks, sizes, n);
    std::vector<CandidateForm> forms;
    ASSERT_TRUE(EnumerateCandidateForms(forms, 3 * 5 * 7 * 11 * 13 * 17, 4, Table()));
    EXPECT_LT(forms.size(), 2000u);
    const LinkingPairingOutcome six = LinkingPairingVerdictOf(sum, n, 4, Table(), {}, kNoLimit);
    EXPECT_EQ(six.verdict, LinkingPairingVerdict::undecided);
    EXPECT_TRUE(six.failed);
    // With the search limit both are passed over before the enumeration.
    const LinkingPairingOutcome limited = LinkingPairingVerdictOf(sum, n, 4, Table());
    EXPECT_EQ(limited.verdict, LinkingPairingVerdict::undecided);
    EXPECT_FALSE(limited.failed);
}

// Counts the polling points and raises a flag after a number of them.
class FlagAfterPolls : public Poller {
  public:
    FlagAfterPolls(std::atomic<bool>& flag, int after) : flag_(flag), after_(after) {}
    void CheckPause() override {
        if (++polls >= after_) flag_ = true;
    }
    int polls = 0;

  private:
    std::atomic<bool>& flag_;
    int after_;
};

IntMatrix KnotNamed(const std::string& name, int& n) {
    for (const auto& k : Knots())
        if (k.name == name) {
            n = k.n;
            return k.v;
        }
    throw std::runtime_error(name);
}

TEST(LinkingPairingTest, StopAndSkipEndTheSearchUndecided) {
    int n = 0;
    const IntMatrix v = KnotNamed("3_1#4_1#4_1", n);  // obstructed when searched to the end
    ASSERT_EQ(LinkingPairingVerdictOf(v, n, 2, Table()).verdict, LinkingPairingVerdict::obstructed);
    for (const bool useSkip : {false, true}) {
        std::atomic<bool> stop = false;
        std::atomic<bool> skip = false;
        FlagAfterPolls poller(useSkip ? skip : stop, 3);
        ScopedPoller scope(&poller);
        const LinkingPairingOutcome o = LinkingPairingVerdictOf(v, n, 2, Table(), {&stop, &skip});
        EXPECT_EQ(o.verdict, LinkingPairingVerdict::undecided);
        EXPECT_FALSE(o.failed);
        EXPECT_GE(poller.polls, 3);
    }
    // The candidate enumeration polls too: D near 10^6 with the flag raised at the first poll.
    std::atomic<bool> skip = false;
    FlagAfterPolls poller(skip, 1);
    ScopedPoller scope(&poller);
    std::vector<CandidateForm> forms;
    EXPECT_FALSE(EnumerateCandidateForms(forms, 999999, 4, Table(), {nullptr, &skip}));
    EXPECT_EQ(poller.polls, 1);
}

TEST(LinkingPairingTest, TheSearchIsBoundedByTheDeterminant) {
    // V = [[a, 1], [0, a]]: C = [[2a, 1], [1, 2a]], H_1(L_2) = Z/(4a² - 1), signature 2.
    // a = 32: D = 4095 is searched (a fitting generating pair exists: twist-like knots have
    // algebraic unknotting number 1); a = 33: D = 4355 would need 1.9e7 pairs and is not searched.
    const LinkingPairingOutcome searched =
        LinkingPairingVerdictOf(test::FromRows({{32, 1}, {0, 32}}), 2, 2, Table());
    EXPECT_EQ(searched.verdict, LinkingPairingVerdict::notObstructed);
    const LinkingPairingOutcome beyond =
        LinkingPairingVerdictOf(test::FromRows({{33, 1}, {0, 33}}), 2, 2, Table());
    EXPECT_EQ(beyond.verdict, LinkingPairingVerdict::undecided);
    EXPECT_FALSE(beyond.failed);
    EXPECT_EQ(beyond.candidateCount, 0);
    // Three generators are obstructed at any determinant: Z/3 + Z/3 + Z/(4·34² - 1), 3 | 4623.
    const IntMatrix three = test::FromRows({{-1, 0, 0, 0, 0, 0},
                                            {-1, -1, 0, 0, 0, 0},
                                            {0, 0, -1, 0, 0, 0},
                                            {0, 0, -1, -1, 0, 0},
                                            {0, 0, 0, 0, 34, 1},
                                            {0, 0, 0, 0, 0, 34}});
    EXPECT_EQ(LinkingPairingVerdictOf(three, 6, 0, Table()).verdict,
              LinkingPairingVerdict::obstructed);
}

fs::path KnotList(const std::string& folder, const std::string& contents) {
    const fs::path dir = fs::temp_directory_path() / folder;
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "knots.txt", std::ios::binary) << contents;
    return dir / "knots.txt";
}

// The knot's line of the test knot file.
std::string Line(const std::string& name) {
    std::ifstream in(DataPath("linking-pairing-knots.txt"));
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(name + "\t", 0) == 0) return line + "\n";
    throw std::runtime_error(name);
}

TEST(LinkingPairingStep, RaisesTheLowerBoundToThreeOrAddsItsCode) {
    const fs::path list =
        KnotList("corvane_u2_step", Line("3_1#m5_1#5_1") + Line("3_1#4_1#4_1") + Line("3_1#m3_1"));
    SilentRunHost host;
    RunState state;
    state.Settings.computeAll = true;
    RunCalculation(state, host, list);
    ASSERT_EQ(state.KnotCount(), 3);
    // Wendt gives 2 (H_1(L_2) = Z/15 + Z/5); the linking pairing raises it to 3.
    const KnotRecord& raised = state.Knots(1);
    EXPECT_EQ(raised.lowerBound, 3);
    EXPECT_EQ(raised.detectedBy, "new u_a(K)=2 obstruction");
    EXPECT_EQ(raised.detectionCodes, "u2,");
    // The Alexander module over F_2 reaches 3 first; the linking pairing adds its code beside it.
    const KnotRecord& beside = state.Knots(2);
    EXPECT_EQ(beside.lowerBound, 3);
    EXPECT_NE(beside.detectedBy, "new u_a(K)=2 obstruction");
    EXPECT_NE(beside.detectionCodes.find("u2,"), std::string::npos) << beside.detectionCodes;
    for (int i = 1; i <= 2; ++i) {
        const int32_t upper = state.Knots(i).upperBound;
        EXPECT_TRUE(upper == -1 || upper >= 3) << i;
    }
    // The square knot: u = 2, no obstruction, and no error field.
    const KnotRecord& square = state.Knots(3);
    EXPECT_LE(square.lowerBound, 2);
    EXPECT_EQ(square.detectionCodes.find("u2,"), std::string::npos);
    for (const std::string& field : square.textFields) EXPECT_NE(field.rfind("er", 0), 0u) << field;
}

TEST(LinkingPairingStep, AFailedTestLeavesItsErrorField) {
    // det(V + Vᵀ) = 4 is not the determinant of a knot: the test cannot decide and says so. (A
    // run never hands it such a matrix, det(V - Vᵀ) = 0, so the step is called directly.)
    SilentRunHost host;
    KnotContext ctx(host);
    const LinkingFormTables tables;  // the verdict fails before any table is read
    ctx.formTables = &tables;
    KnotState& state = ctx.state;
    KnotRecord& knot = state.record;
    ApplyInitialResultLayout(knot);
    state.WorkingMatrix = test::FromRows({{1, 0}, {0, 1}});
    state.WorkingSize = 2;
    knot.signature = 2;
    EXPECT_TRUE(LinkingPairingTest(ctx));
    bool found = false;
    for (const std::string& field : knot.textFields)
        found |= field.rfind("erError in u=2 test", 0) == 0;
    EXPECT_TRUE(found);
    EXPECT_EQ(knot.detectionCodes.find("u2,"), std::string::npos);
}

}  // namespace
}  // namespace corvane
