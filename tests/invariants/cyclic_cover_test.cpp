// The cyclic branched covers: the presentation of H_1(L_n) and its deck transformation against
// Smith forms and generation results computed independently with PARI/GP, and the bounds that the
// cover test and the cover series record.
#include "invariants/cyclic_cover.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "invariants/module_test_support.h"

namespace corvane {
namespace {

using test::DataPath;
using test::OneKnotRun;

IntMatrix Rows(std::initializer_list<std::initializer_list<int64_t>> rows) {
    IntMatrix m;
    int i = 0;
    for (const auto& row : rows) {
        ++i;
        int j = 0;
        for (const int64_t x : row) m(i, ++j) = x;
    }
    return m;
}

// "[[a,b],[c,d]]" with its size.
IntMatrix ParseMatrix(const std::string& text, int& n) {
    IntMatrix m;
    int row = 0;
    int col = 0;
    int depth = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '[' && ++depth == 2) {
            ++row;
            col = 0;
        } else if (ch == ']') {
            --depth;
        } else if (ch == '-' || std::isdigit(static_cast<unsigned char>(ch))) {
            size_t used = 0;
            m(row, ++col) = std::stoll(text.substr(i), &used);
            i += used - 1;
        }
    }
    n = row;
    return m;
}

// The multiset of prime powers of a finite abelian group given by cyclic orders, and its number
// of free summands (orders 0).
std::map<std::pair<int64_t, int64_t>, int> PrimePowers(const std::vector<int64_t>& orders,
                                                       int& free) {
    std::map<std::pair<int64_t, int64_t>, int> out;
    free = 0;
    for (int64_t o : orders) {
        if (o == 0) {
            ++free;
            continue;
        }
        for (int64_t p = 2; p * p <= o; ++p) {
            int64_t power = 1;
            while (o % p == 0) {
                o /= p;
                power *= p;
            }
            if (power > 1) ++out[{p, power}];
        }
        if (o > 1) ++out[{o, o}];
    }
    return out;
}

// v lies in P·Z^m (P non-singular) iff appending it as a column keeps |det|, the order of the
// cokernel: the class of v in coker P is zero.
bool InImage(const IntMatrix& p, int m, const IntVector& v) {
    IntMatrix augmented = p;
    for (int i = 1; i <= m; ++i) augmented(i, m + 1) = v(i);
    ClearTrouble();
    const int64_t withV = Diagonalize(augmented, m, m + 1, {.noTransforms = true}).value;
    const int64_t without = Diagonalize(p, m, m, {.noTransforms = true}).value;
    EXPECT_FALSE(ArithTrouble);
    return std::llabs(withV) == std::llabs(without);
}

// A ≡ B as endomorphisms of coker P: every column of A - B lies in the image of P.
bool SameOnCokernel(const IntMatrix& p, int m, const IntMatrix& a, const IntMatrix& b) {
    for (int j = 1; j <= m; ++j) {
        IntVector d;
        for (int i = 1; i <= m; ++i) d(i) = a(i, j) - b(i, j);
        if (!InImage(p, m, d)) return false;
    }
    return true;
}

IntMatrix ModPow(const IntMatrix& t, int m, int n, int64_t modulus) {
    IntMatrix out = IdentityMatrix(m);
    for (int k = 1; k <= n; ++k) {
        IntMatrix next;
        for (int i = 1; i <= m; ++i) {
            for (int j = 1; j <= m; ++j) {
                int64_t s = 0;
                for (int l = 1; l <= m; ++l) s += out(i, l) * t(l, j);
                next(i, j) = SymMod(s, modulus);
            }
        }
        out = next;
    }
    return out;
}

struct CoverCase {
    std::string name;
    IntMatrix v;
    int m = 0;
    int n = 0;
    std::vector<int64_t> h1;
    char generated = '?';
};

std::vector<CoverCase> ReadCoverCases() {
    std::ifstream in(DataPath("cyclic-covers.tsv"));
    std::vector<CoverCase> out;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%' || line.rfind("name\t", 0) == 0) continue;
        std::stringstream fields(line);
        std::string name, matrix, n, h1, generated;
        std::getline(fields, name, '\t');
        std::getline(fields, matrix, '\t');
        std::getline(fields, n, '\t');
        std::getline(fields, h1, '\t');
        std::getline(fields, generated, '\t');
        CoverCase c;
        c.name = name;
        c.v = ParseMatrix(matrix, c.m);
        c.n = std::stoi(n);
        std::stringstream orders(h1);
        std::string item;
        while (std::getline(orders, item, ',')) c.h1.push_back(std::stoll(item));
        c.generated = generated.empty() ? '?' : generated[0];
        out.push_back(c);
    }
    return out;
}

const IntMatrix kTrefoil = Rows({{-1, 0}, {-1, -1}});

TEST(CoverPresentation, TrefoilMatricesAndDeckTransformation) {
    OneKnotRun run(kTrefoil, 2);
    ClearTrouble();
    const auto two = CoverPresentation(kTrefoil, 2, run.state.AlexanderPoly, 2, false);
    ASSERT_EQ(two->status, CoverBuild::complete);
    EXPECT_EQ(two->G, Rows({{0, -1}, {1, 1}}));
    EXPECT_EQ(two->H, Rows({{-1, -1}, {1, 0}}));
    EXPECT_EQ(two->P, Rows({{-1, -2}, {2, 1}}));
    EXPECT_EQ(std::llabs(two->diag.value), 3);

    const auto three = CoverPresentation(kTrefoil, 2, run.state.AlexanderPoly, 3, false);
    ASSERT_EQ(three->status, CoverBuild::complete);
    EXPECT_EQ(three->P, Rows({{-2, 0}, {0, -2}}));
    EXPECT_EQ(three->diag.GeneratorCount, 2);
    // On Z/2 + Z/2 the deck transformation t satisfies t·H = G and t³ = 1, and t ≠ 1.
    EXPECT_TRUE(SameOnCokernel(three->P, 2, ModPow(three->T1, 2, 3, 4), IdentityMatrix(2)));
    EXPECT_TRUE(SameOnCokernel(three->P, 2, MatMul(three->T1, three->H, 2), three->G));
    EXPECT_FALSE(SameOnCokernel(three->P, 2, three->T1, IdentityMatrix(2)));

    // Count only: P and its invariant factors, no deck transformation.
    const auto counted = CoverPresentation(kTrefoil, 2, run.state.AlexanderPoly, 3, true);
    EXPECT_EQ(counted->status, CoverBuild::counted);
    EXPECT_EQ(counted->diag.GeneratorCount, 2);
}

// Every case of the reference table: the group, the deck transformation, and the verdict of the
// generation test with the bounds it records.
TEST(CyclicCoverTest, ReferenceTable) {
    const std::vector<CoverCase> cases = ReadCoverCases();
    ASSERT_GT(cases.size(), 300u);
    int searched = 0;
    for (const CoverCase& c : cases) {
        SCOPED_TRACE(c.name + " n=" + std::to_string(c.n));
        OneKnotRun run(c.v, c.m);
        int expectedFree = 0;
        const auto expectedPowers = PrimePowers(c.h1, expectedFree);
        const int32_t count = static_cast<int32_t>(c.h1.size());

        ClearTrouble();
        const auto pres = CoverPresentation(c.v, c.m, run.state.AlexanderPoly, c.n, false);
        if (expectedFree > 0) {
            // Δ vanishes at an n-th root of unity: no presentation is built.
            EXPECT_EQ(pres->status, CoverBuild::failed);
            EXPECT_EQ(TroubleCode, "modd");
        } else {
            ASSERT_EQ(pres->status, CoverBuild::complete);
            std::vector<int64_t> orders;
            for (int i = 1; i <= c.m; ++i) orders.push_back(pres->diag.CokernelOrders[i]);
            int free = 0;
            EXPECT_EQ(PrimePowers(orders, free), expectedPowers);
            EXPECT_EQ(free, 0);
            EXPECT_EQ(pres->diag.GeneratorCount, count);
            const int64_t order = std::llabs(pres->diag.value);
            EXPECT_TRUE(SameOnCokernel(pres->P, c.m, ModPow(pres->T1, c.m, c.n, order),
                                       IdentityMatrix(c.m)));
            EXPECT_TRUE(SameOnCokernel(pres->P, c.m, MatMul(pres->T1, pres->H, c.m), pres->G));
        }

        CoverState cover;
        CyclicCoverTest(run.ctx, cover, c.n, 1000000, false);
        const KnotRecord& knot = run.knot();
        if (c.generated == '?') {
            EXPECT_TRUE(cover.CoverUndecided);
            EXPECT_EQ(cover.CoverResult, 0);
        } else {
            EXPECT_FALSE(cover.CoverUndecided);
            const int32_t expected = c.h1.empty() ? 0 : c.generated == '1' ? 1 : 2;
            EXPECT_EQ(cover.CoverResult, expected);
        }
        if (c.generated != '0') {
            // One generator is what Nakanishi index 1 allows: no bound may follow.
            EXPECT_EQ(knot.nakanishiLower, 1);
            EXPECT_EQ(knot.lowerBound, 1);
            EXPECT_EQ(knot.detectionCodes, "");
        } else if (count > c.n) {
            const std::string group = "H_1(L_" + std::to_string(c.n) + ")";
            EXPECT_EQ(knot.nakanishiLower, count > 2 * c.n ? 3 : 2);
            EXPECT_EQ(run.state.NakanishiSource, group);
            EXPECT_EQ(knot.lowerBound, knot.nakanishiLower);
            EXPECT_EQ(knot.detectedBy, "Wendt on " + group);
            EXPECT_EQ(knot.detectionCodes, "m,");
        } else {
            // Found by the search; the single test records nothing, the series does.
            ++searched;
            EXPECT_EQ(knot.nakanishiLower, 1);
            EXPECT_EQ(knot.lowerBound, 1);
        }
    }
    EXPECT_GE(searched, 10);
}

// The connected sum 4_1 # 5_2: H_1(L_2) = Z/35 and H_1(L_3) are cyclic over Z[Z/n], while
// H_1(L_4) = Z/3 + Z/3 + Z/3 + Z/105 needs only four abelian generators but no single element
// generates it over Z[Z/4].
const IntMatrix kFigureEightPlus52 = Rows({{1, 0, 0, 0, 0, 0},
                                           {-1, -1, 0, 0, 0, 0},
                                           {0, 0, 1, -1, 0, 0},
                                           {0, 0, 0, 1, -1, 0},
                                           {0, 0, 0, 0, 0, 1},
                                           {0, 0, 0, 0, 0, 1}});

TEST(CyclicCoverSeries, FindsTheFourFoldCoverOfASum) {
    OneKnotRun run(kFigureEightPlus52, 6);
    CoverState cover;
    CyclicCoverSeries(run.ctx, cover, 25000, 4);
    const KnotRecord& knot = run.knot();
    EXPECT_EQ(knot.nakanishiLower, 2);
    EXPECT_EQ(run.state.NakanishiSource, "H_1(L_4)");
    EXPECT_EQ(run.state.NakanishiSourceTex, "H_1(L_4)");
    EXPECT_EQ(knot.lowerBound, 2);
    EXPECT_EQ(knot.detectedBy, "H_1(L_4)");
    EXPECT_EQ(knot.detectionCodes, "m,");
    EXPECT_EQ(knot.coversTried, "l3");
    EXPECT_EQ(cover.CoverDegree, 4);
    EXPECT_EQ(run.ctx.display.StatusText,
              "Check whether H_1(L_4) is generated by one element over the ring Z[Z/4]");

    // With maxDegree 3 only n = 3 is tried: nothing is found.
    OneKnotRun low(kFigureEightPlus52, 6);
    CoverState lowCover;
    CyclicCoverSeries(low.ctx, lowCover, 25000, 3);
    EXPECT_EQ(low.knot().nakanishiLower, 1);
    EXPECT_EQ(low.knot().coversTried, "l3");
}

TEST(CyclicCoverSeries, MarkedDegreesAreSkippedAndLargeGroupsRetried) {
    OneKnotRun marked(kFigureEightPlus52, 6);
    marked.knot().coversTried = "l3l4";
    CoverState cover;
    CyclicCoverSeries(marked.ctx, cover, 25000, 4);
    EXPECT_EQ(marked.knot().nakanishiLower, 1);
    EXPECT_EQ(marked.knot().lowerBound, 1);
    EXPECT_EQ(marked.ctx.display.StatusText, "");  // no search ran
    EXPECT_EQ(cover.CoverDegree, 4);

    EXPECT_TRUE(CoverTried("l3l14", 14));
    EXPECT_TRUE(CoverTried("l3l14", 3));
    EXPECT_FALSE(CoverTried("l14", 1));
    EXPECT_FALSE(CoverTried("l14", 4));

    // |H_1(L_4)| = 2835 exceeds a limit of 1000: undecided, not marked, and the degree is
    // given back so that the next series starts there again.
    OneKnotRun large(kFigureEightPlus52, 6);
    CoverState largeCover;
    CyclicCoverSeries(large.ctx, largeCover, 1000, 4);
    EXPECT_TRUE(largeCover.CoverTooLarge);
    EXPECT_TRUE(largeCover.CoverUndecided);
    EXPECT_EQ(large.knot().nakanishiLower, 1);
    EXPECT_EQ(large.knot().coversTried, "l3");
    EXPECT_EQ(largeCover.CoverDegree, 3);
}

TEST(CyclicCoverSeries, TrefoilGetsNoBound) {
    // u_a(3_1) = 1: n = 3, 4, 5 are decided with one generator, n = 6 is infinite (Δ(e^{iπ/3}) =
    // 0).
    OneKnotRun run(kTrefoil, 2);
    CoverState cover;
    CyclicCoverSeries(run.ctx, cover, 65000, 6);
    EXPECT_EQ(run.knot().nakanishiLower, 1);
    EXPECT_EQ(run.knot().lowerBound, 1);
    EXPECT_EQ(run.knot().detectionCodes, "");
    EXPECT_EQ(run.knot().coversTried, "l3l4l5l6");
    EXPECT_TRUE(cover.CoverUndecided);
}

TEST(CyclicCoverTest, CountBoundsAndTheirNames) {
    // 3_1 # 4_1: H_1(L_3) = Z/2 + Z/2 + Z/4 + Z/4 needs four generators, more than 3.
    OneKnotRun sum(Rows({{-1, 0, 0, 0}, {-1, -1, 0, 0}, {0, 0, 1, 0}, {0, 0, -1, -1}}), 4);
    CoverState cover;
    CyclicCoverTest(sum.ctx, cover, 3, 1000000, true);
    EXPECT_EQ(sum.knot().nakanishiLower, 2);
    EXPECT_EQ(sum.state.NakanishiSource, "H_1(L_3)");
    EXPECT_EQ(sum.knot().lowerBound, 2);
    EXPECT_EQ(sum.knot().detectedBy, "Wendt on H_1(L_3)");
    EXPECT_EQ(sum.knot().detectionCodes, "m,");

    // Five trefoils: H_1(L_2) = (Z/3)^5 needs more than 2n = 4 generators: index at least 3.
    IntMatrix five;
    for (int k = 0; k < 5; ++k) {
        five(2 * k + 1, 2 * k + 1) = -1;
        five(2 * k + 2, 2 * k + 1) = -1;
        five(2 * k + 2, 2 * k + 2) = -1;
    }
    OneKnotRun fiveRun(five, 10);
    CyclicCoverTest(fiveRun.ctx, cover, 2, 1000000, true);
    EXPECT_EQ(fiveRun.knot().nakanishiLower, 3);
    EXPECT_EQ(fiveRun.knot().lowerBound, 3);
    EXPECT_EQ(fiveRun.knot().detectedBy, "Wendt on H_1(L_2)");

    // A bound already higher stays, with its source; an equal unknotting bound adds the code.
    OneKnotRun higher(Rows({{-1, 0, 0, 0}, {-1, -1, 0, 0}, {0, 0, 1, 0}, {0, 0, -1, -1}}), 4);
    higher.knot().nakanishiLower = 3;
    higher.state.NakanishiSource = "earlier";
    higher.knot().lowerBound = 2;
    higher.knot().detectedBy = "signature";
    higher.knot().detectionCodes = "s,";
    CyclicCoverTest(higher.ctx, cover, 3, 1000000, true);
    EXPECT_EQ(higher.knot().nakanishiLower, 3);
    EXPECT_EQ(higher.state.NakanishiSource, "earlier");
    EXPECT_EQ(higher.knot().detectedBy, "signature");
    EXPECT_EQ(higher.knot().detectionCodes, "s,m,");

    // The trefoil's H_1(L_3) = Z/2 + Z/2 needs 2 <= 3 generators: nothing follows.
    OneKnotRun trefoil(kTrefoil, 2);
    CyclicCoverTest(trefoil.ctx, cover, 3, 1000000, true);
    EXPECT_EQ(trefoil.knot().nakanishiLower, 1);
    EXPECT_EQ(trefoil.knot().detectionCodes, "");
    EXPECT_TRUE(cover.CoverUndecided);
}

TEST(CyclicCoverTest, StopAndSkipDecideNothing) {
    OneKnotRun stopped(kFigureEightPlus52, 6);
    stopped.state.StopRequested = true;
    CoverState cover;
    CyclicCoverTest(stopped.ctx, cover, 4, 25000, false);
    EXPECT_TRUE(cover.CoverUndecided);
    EXPECT_EQ(cover.CoverResult, 0);
    CyclicCoverSeries(stopped.ctx, cover, 25000, 4);
    EXPECT_EQ(stopped.knot().nakanishiLower, 1);
    EXPECT_EQ(stopped.knot().lowerBound, 1);
    EXPECT_EQ(stopped.knot().coversTried, "");  // ended searches are not settled

    OneKnotRun skipped(kFigureEightPlus52, 6);
    // A poll that asks to skip the current search at its first call.
    skipped.ctx.poll = [](KnotContext& knot) { knot.state.SkipRequested = true; };
    ScopedPoller poller(&skipped.ctx);
    CoverState skipCover;
    CyclicCoverTest(skipped.ctx, skipCover, 4, 25000, false);
    EXPECT_TRUE(skipCover.CoverUndecided);
    EXPECT_EQ(skipped.knot().nakanishiLower, 1);
}

TEST(CyclicCoverTest, UnusableInputsAreUndecided) {
    OneKnotRun run(kTrefoil, 2);
    CoverState cover;
    CyclicCoverTest(run.ctx, cover, 21, 1000000, false);  // beyond 20 covering matrices
    EXPECT_TRUE(cover.CoverUndecided);
    CyclicCoverTest(run.ctx, cover, 0, 1000000, false);
    EXPECT_TRUE(cover.CoverUndecided);

    // V - Vᵀ not unimodular (a matrix no knot has): no presentation, whatever Δ says.
    const IntMatrix doubled = Rows({{-2, 0}, {-2, -2}});
    ClearTrouble();
    const auto pres = CoverPresentation(doubled, 2, run.state.AlexanderPoly, 2, false);
    EXPECT_EQ(pres->status, CoverBuild::failed);
    EXPECT_EQ(TroubleCode, "modd");

    // Orders above 10000000 are refused before any matrix is built.
    OneKnotRun big(Rows({{-3000, 0}, {-1, -3000}}), 2);
    CyclicCoverTest(big.ctx, cover, 2, 1000000000, false);
    EXPECT_TRUE(cover.CoverUndecided);
    EXPECT_EQ(big.knot().nakanishiLower, 1);
    ClearTrouble();
}

}  // namespace
}  // namespace corvane
