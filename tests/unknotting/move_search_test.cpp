// The move search: every sequence it reports is checked here on its own terms (unimodular
// basis, exact congruence, enlargement shape, the move's shape, and Alexander polynomials
// evaluated modulo large primes along the chain), its bounds never undercut the signature bound
// or a known unknotting number, and its budgets, the corner guard, Stop and Skip behave.
#include "unknotting/move_search.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "arith/checked.h"
#include "arith/sequivalence.h"
#include "arith/test_matrices.h"
#include "input/braid_line.h"
#include "knot/knot_context.h"
#include "unknotting/deeper_search.h"
#include "unknotting/hidden_knots.h"
#include "unknotting/unit_vectors.h"

namespace corvane {
namespace {

using test::BigMatrix;
using test::i128;

// One knot in a context of its own, with a poll that counts its calls and can ask to skip the
// search at a chosen one, ready for a search.
struct Fixture {
    Fixture() {
        state.record.lowerBound = 1;
        state.record.upperBound = -1;
        ctx.poll = [this](KnotContext& knot) {
            ++polls;
            if (skipAfter > 0 && polls == skipAfter) knot.state.SkipRequested = true;
        };
    }
    SilentRunHost host;
    KnotContext ctx{host};
    KnotState& state = ctx.state;
    int64_t polls = 0;
    int64_t skipAfter = 0;
    std::unique_ptr<MoveSearchLevels> levels = std::make_unique<MoveSearchLevels>();

    bool Search(const IntMatrix& v, int n, int32_t E, int32_t d) {
        levels->Matrices[d] = v;
        return UnknottingMoveSearch(ctx, *levels, n, E, d, false);
    }
};

// ---- An independent check of a move sequence. ----

constexpr int64_t kPrimes[] = {2147483647, 2147483629, 2147483587};

int64_t PowMod(int64_t b, int64_t e, int64_t p) {
    int64_t r = 1;
    b %= p;
    for (; e > 0; e /= 2) {
        if (e % 2 == 1) r = static_cast<int64_t>(static_cast<i128>(r) * b % p);
        b = static_cast<int64_t>(static_cast<i128>(b) * b % p);
    }
    return r;
}

int64_t Reduce(i128 v, int64_t p) {
    const int64_t r = static_cast<int64_t>(v % p);
    return r < 0 ? r + p : r;
}

// det(t·A - Aᵀ) modulo p by Gaussian elimination over F_p.
int64_t AlexanderMod(const IntMatrix& a, int n, int64_t t, int64_t p) {
    std::vector<std::vector<int64_t>> m(n, std::vector<int64_t>(n));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            m[i][j] = Reduce(static_cast<i128>(t) * a(i + 1, j + 1) - a(j + 1, i + 1), p);
    int64_t det = 1;
    for (int k = 0; k < n; ++k) {
        int pivot = k;
        while (pivot < n && m[pivot][k] == 0) ++pivot;
        if (pivot == n) return 0;
        if (pivot != k) {
            std::swap(m[pivot], m[k]);
            det = p - det;
        }
        det = static_cast<int64_t>(static_cast<i128>(det) * m[k][k] % p);
        const int64_t inverse = PowMod(m[k][k], p - 2, p);
        for (int i = k + 1; i < n; ++i) {
            const int64_t f = static_cast<int64_t>(static_cast<i128>(m[i][k]) * inverse % p);
            for (int j = k; j < n; ++j)
                m[i][j] = Reduce(m[i][j] - static_cast<i128>(f) * m[k][j], p);
        }
    }
    return det % p;
}

// Δ_A(t) = ε·t^((a-b)/2)·Δ_B(t) for one sign ε, at enough points modulo several primes, as for
// S-equivalent matrices A (size a) and B (size b).
bool SameAlexander(const IntMatrix& a, int na, const IntMatrix& b, int nb) {
    if ((na - nb) % 2 != 0) return false;
    const int shift = (na - nb) / 2;
    for (const int64_t p : kPrimes) {
        int sign = 0;
        for (int64_t t = 1; t <= na + nb + 3; ++t) {
            const i128 left = static_cast<i128>(AlexanderMod(a, na, t, p)) *
                              PowMod(t, shift < 0 ? -shift : 0, p) % p;
            const i128 right = static_cast<i128>(nb == 0 ? 1 : AlexanderMod(b, nb, t, p)) *
                               PowMod(t, shift > 0 ? shift : 0, p) % p;
            const int here = left == right ? 1 : (left + right) % p == 0 ? -1 : 0;
            if (here == 0 || (sign != 0 && here != sign)) return false;
            sign = here;
        }
    }
    return true;
}

bool IsEnlargement(const UnknottingMove& move) {
    int size = move.size;
    const IntMatrix& x = move.enlarged;
    while (size > move.givenSize) {
        const int a = size - 1, b = size;
        for (int k = 1; k <= b; ++k) {
            // Row and column b carry only the 1 that pairs them with a.
            if (k != a && (x(b, k) != 0 || x(k, b) != 0)) return false;
        }
        if (x(a, a) != 0) return false;
        const bool column = x(a, b) == 1 && x(b, a) == 0;
        const bool row = x(b, a) == 1 && x(a, b) == 0;
        if (!column && !row) return false;
        for (int k = 1; k < a; ++k)
            if ((column ? x(a, k) : x(k, a)) != 0) return false;
        size -= 2;
    }
    for (int i = 1; i <= size; ++i)
        for (int j = 1; j <= size; ++j)
            if (x(i, j) != move.given(i, j)) return false;
    return size == move.givenSize;
}

// Checks the sequence for V and returns the number of moves, or -1 (with a test failure).
int CheckSequence(const IntMatrix& v, int n, const MoveSequence& sequence) {
    bool ok = !sequence.moves.empty();
    const auto check = [&ok](bool condition, const char* what) {
        EXPECT_TRUE(condition) << what;
        ok = ok && condition;
    };
    IntMatrix given = v;
    int givenSize = n;
    for (size_t k = 0; k < sequence.moves.size(); ++k) {
        SCOPED_TRACE("move " + std::to_string(k + 1));
        const UnknottingMove& move = sequence.moves[k];
        const int s = move.size;
        check(move.givenSize == givenSize, "size of the given matrix");
        check(test::Describe(move.given, givenSize, givenSize) ==
                  test::Describe(given, givenSize, givenSize),
              "given matrix");
        check(IsEnlargement(move), "enlargement");
        const BigMatrix q = test::ToBig(move.basis, s, s);
        const i128 det = test::BigDet(q);
        check(det == 1 || det == -1, "det Q = ±1");
        BigMatrix x = test::ToBig(move.enlarged, s, s);
        if (move.transposed) x = test::BigTranspose(x);
        const BigMatrix m = test::BigMul(test::BigMul(test::BigTranspose(q), x), q);
        check(m == test::ToBig(move.moveMatrix, s, s), "Qᵀ·X·Q = M");
        check(SameAlexander(move.moveMatrix, s, given, givenSize), "M S-equivalent to the given");
        // The move: M[1,1] = ±1 becomes 0, with row 1 zero beside it and column 1 equal to e_2.
        IntMatrix moved = move.moveMatrix;
        bool shape = std::llabs(moved(1, 1)) == 1 && moved(2, 1) == 1;
        for (int j = 2; j <= s; ++j) shape = shape && moved(1, j) == 0;
        for (int i = 3; i <= s; ++i) shape = shape && moved(i, 1) == 0;
        check(shape, "shape of the move");
        moved(1, 1) = 0;
        if (k + 1 == sequence.moves.size()) {
            check(SameAlexander(moved, s, IntMatrix{}, 0), "Alexander polynomial 1 at the end");
            break;
        }
        given = sequence.moves[k + 1].given;
        givenSize = sequence.moves[k + 1].givenSize;
        check(SameAlexander(moved, s, given, givenSize), "remainder carried to the next move");
    }
    return ok ? static_cast<int>(sequence.moves.size()) : -1;
}

std::string DataPath(const std::string& file) {
    return std::string(CORVANE_TEST_DATA_DIR) + "/" + file;
}

struct MinimalKnot {
    std::string name;
    IntMatrix v;
    int n = 0;
    int signatureBound = 0;  // |sign(V + Vᵀ)| / 2, computed in 128-bit arithmetic
};

std::vector<MinimalKnot> RolfsenKnots() {
    std::vector<MinimalKnot> knots;
    for (const test::KnotMatrix& k : test::ReadKnotMatrices(DataPath("rolfsen-8-matrices.txt"))) {
        const SEquivalenceResult r = MinimalSEquivalent(k.v, k.n);
        const BigMatrix v = test::ToBig(r.matrix, r.ReducedSize, r.ReducedSize);
        const int sigma = test::Signature(test::BigCombine(v, test::BigTranspose(v), 1));
        knots.push_back({k.name, r.matrix, r.ReducedSize, std::abs(sigma) / 2});
    }
    return knots;
}

// Algebraic unknotting numbers that are known: 1 for knots unknotted by one crossing change,
// the signature for 5_1 and 7_1, Lickorish for 7_4 and 8_8, Wendt for 8_18.
const std::map<std::string, int>& KnownUnknotting() {
    static const std::map<std::string, int> known = {{"3_1", 1}, {"4_1", 1}, {"5_1", 2}, {"5_2", 1},
                                                     {"6_1", 1}, {"6_2", 1}, {"6_3", 1}, {"7_1", 3},
                                                     {"7_2", 1}, {"7_4", 2}, {"7_6", 1}, {"7_7", 1},
                                                     {"8_1", 1}, {"8_8", 2}, {"8_18", 2}};
    return known;
}

TEST(MoveSearch, TrefoilNeedsOneMove) {
    Fixture f;
    const IntMatrix trefoil = test::FromRows({{-1, 0}, {-1, -1}});
    EXPECT_TRUE(f.Search(trefoil, 2, OneMoveTries(0), 1));
    const KnotRecord& k = f.state.record;
    EXPECT_EQ(k.upperBound, 1);
    EXPECT_EQ(k.detectedBy, "unknotting move ");
    EXPECT_EQ(CheckSequence(trefoil, 2, f.levels->Found), 1);
    EXPECT_TRUE(VerifyMoveSequence(trefoil, 2, f.levels->Found));
}

TEST(MoveSearch, BudgetsOfTheDriver) {
    EXPECT_EQ(OneMoveTries(0), 10);
    EXPECT_EQ(OneMoveTries(1), 4010);
    EXPECT_EQ(OneMoveTries(2), 24010);
    EXPECT_EQ(OneMoveTries(3), 124010);
    EXPECT_EQ(TwoMoveTries(1), 35);
    EXPECT_EQ(TwoMoveTries(2), 80);
    EXPECT_EQ(TwoMoveTries(3), 155);
}

// Every sequence found on the Rolfsen table checks out, and no bound undercuts the signature
// bound or a known algebraic unknotting number; the one-move knots get their move.
TEST(MoveSearch, RolfsenSequencesCheckOut) {
    Fixture f;
    int found = 0;
    for (const MinimalKnot& k : RolfsenKnots()) {
        SCOPED_TRACE(k.name);
        int best = -1;
        for (int d = 1; d <= 2; ++d) {
            f.state.record.upperBound = -1;
            if (!f.Search(k.v, k.n, d == 1 ? 4010 : 80, d)) continue;
            ++found;
            if (best < 0) best = f.state.record.upperBound;
            const int moves = CheckSequence(k.v, k.n, f.levels->Found);
            EXPECT_EQ(moves, f.state.record.upperBound);
            EXPECT_LE(moves, d);
            EXPECT_GE(moves, std::max(k.signatureBound, 1));
            const auto known = KnownUnknotting().find(k.name);
            if (known != KnownUnknotting().end()) {
                EXPECT_GE(moves, known->second);
            }
        }
        const auto known = KnownUnknotting().find(k.name);
        if (known != KnownUnknotting().end() && known->second == 1) {
            EXPECT_EQ(best, 1) << "no move found";
        }
    }
    EXPECT_GT(found, 30);
}

// Random Seifert matrices: whatever the search claims, the sequence proves.
TEST(MoveSearch, RandomMatricesSequencesCheckOut) {
    std::ifstream in(DataPath("random-seifert.tsv"));
    std::string line;
    Fixture f;
    int found = 0, tried = 0;
#ifdef __SANITIZE_ADDRESS__
    const int limit = 12;
#else
    const int limit = 60;
#endif
    while (std::getline(in, line) && tried < limit) {
        if (line.empty() || line[0] == '%' || line.rfind("name\t", 0) == 0) continue;
        std::stringstream fields(line);
        std::string name, matrix;
        std::getline(fields, name, '\t');
        std::getline(fields, matrix, '\t');
        for (char& c : matrix)
            if (c == '[' || c == ']') c = ' ';
        const std::vector<int64_t> entries = test::SplitNumbers(matrix);
        int n = 0;
        while (n * n < static_cast<int>(entries.size())) ++n;
        ASSERT_EQ(n * n, static_cast<int>(entries.size()));
        IntMatrix v;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) v(i + 1, j + 1) = entries[i * n + j];
        const SEquivalenceResult r = MinimalSEquivalent(v, n);
        if (r.ReducedSize < 2 || r.ReducedSize > kMaxMoveSize) continue;
        ++tried;
        SCOPED_TRACE(name);
        const BigMatrix big = test::ToBig(r.matrix, r.ReducedSize, r.ReducedSize);
        const int bound =
            std::abs(test::Signature(test::BigCombine(big, test::BigTranspose(big), 1))) / 2;
        for (int d = 1; d <= 2; ++d) {
            f.state.record.upperBound = -1;
            if (!f.Search(r.matrix, r.ReducedSize, d == 1 ? 100 : 20, d)) continue;
            ++found;
            const int moves = CheckSequence(r.matrix, r.ReducedSize, f.levels->Found);
            EXPECT_GE(moves, std::max(bound, 1));
        }
    }
    EXPECT_GE(tried, limit);
    EXPECT_GT(found, 0);
}

TEST(MoveSearch, LargeCornerIsNotSearched) {
    Fixture f;
    const IntMatrix v = test::FromRows({{3000001, 3000000}, {3000001, 3000005}});
    const uint32_t before = f.state.Random.state;
    EXPECT_FALSE(f.Search(v, 2, OneMoveTries(3), 1));
    EXPECT_EQ(f.state.Random.state, before);
    EXPECT_EQ(f.state.record.upperBound, -1);
}

// 5_1 has signature 4: no single move exists, so the budget decides when the search ends.
TEST(MoveSearch, DepthOneStopsAfterBudgetPlusOneAttempts) {
    Fixture f;
    const std::vector<MinimalKnot> knots = RolfsenKnots();
    const MinimalKnot& k51 = knots[2];
    ASSERT_EQ(k51.name, "5_1");
    EXPECT_FALSE(f.Search(k51.v, k51.n, 10, 1));
    EXPECT_EQ(f.levels->Attempts[1], 11);
    EXPECT_FALSE(f.Search(k51.v, k51.n, 0, 1));
    EXPECT_EQ(f.levels->Attempts[1], 1);
    EXPECT_EQ(f.state.record.upperBound, -1);
}

// 8_18 needs two moves (Wendt: H_1 of its 2-fold branched cover needs two generators); a
// Stoimenow knot, 5_1 # 4_1 with signature 4 and determinant 25, needs three.
TEST(MoveSearch, KnotsThatNeedMoreMoves) {
    Fixture f;
    const std::vector<MinimalKnot> knots = RolfsenKnots();
    const MinimalKnot& k818 = knots[31];
    ASSERT_EQ(k818.name, "8_18");
    EXPECT_FALSE(f.Search(k818.v, k818.n, 1000, 1));
    EXPECT_EQ(f.state.record.upperBound, -1);
    if (f.Search(k818.v, k818.n, 155, 2)) {
        EXPECT_EQ(CheckSequence(k818.v, k818.n, f.levels->Found), 2);
    }
    const IntMatrix sum = test::FromRows({{1, -1, 0, 0, 0, 0},
                                          {0, 1, -1, 0, 0, 0},
                                          {0, 0, 1, -1, 0, 0},
                                          {0, 0, 0, 1, 0, 0},
                                          {0, 0, 0, 0, 1, 1},
                                          {0, 0, 0, 0, 0, -1}});
    f.state.record.upperBound = -1;
    EXPECT_FALSE(f.Search(sum, 6, 1000, 1));
    EXPECT_FALSE(f.Search(sum, 6, 80, 2));
    EXPECT_EQ(f.state.record.upperBound, -1);
}

TEST(MoveSearch, StopReturnsAtOnce) {
    Fixture f;
    f.state.StopRequested = true;
    const uint32_t before = f.state.Random.state;
    EXPECT_FALSE(f.Search(test::FromRows({{-1, 0}, {-1, -1}}), 2, 10, 1));
    EXPECT_EQ(f.state.Random.state, before);
    EXPECT_EQ(f.state.record.upperBound, -1);
}

// A Skip pressed while a nested search runs ends it and the outer search at their next attempt
// boundaries, far below the budgets.
TEST(MoveSearch, SkipEndsNestedAndOuterSearch) {
    Fixture f;
    const std::vector<MinimalKnot> knots = RolfsenKnots();
    const MinimalKnot& k71 = knots[7];  // signature 6: no two moves exist
    ASSERT_EQ(k71.name, "7_1");
    // Find when the first nested search begins: run once without Skip.
    EXPECT_FALSE(f.Search(k71.v, k71.n, 35, 2));
    const int64_t fullOuter = f.levels->Attempts[2];
    EXPECT_GT(fullOuter, 35);
    EXPECT_GT(f.levels->Attempts[1], 0) << "no nested search happened";

    Fixture g;
    g.skipAfter = 200;
    EXPECT_FALSE(g.Search(k71.v, k71.n, 35, 2));
    EXPECT_GE(g.polls, 200);
    EXPECT_LT(g.levels->Attempts[2], fullOuter);
}

// ---- The systematic stage and sequences of three and more moves. ----

// The Rolfsen knots' minimal matrices, and for each `copies` hidden copies, reduced again.
std::vector<MinimalKnot> RolfsenKnotsAndHiddenCopies(int copies) {
    std::vector<MinimalKnot> knots;
    std::mt19937 rng(1515);
    for (const MinimalKnot& k : RolfsenKnots()) {
        knots.push_back(k);
        for (int c = 1; c <= copies; ++c) {
            int size = 0;
            const IntMatrix hidden = test::HideMatrix(k.v, k.n, rng, c, size);
            const SEquivalenceResult r = MinimalSEquivalent(hidden, size);
            knots.push_back({k.name + " hidden " + std::to_string(c), r.matrix, r.ReducedSize,
                             k.signatureBound});
        }
    }
    return knots;
}

std::string BaseName(const std::string& name) {
    return name.substr(0, name.find(' '));
}

// Every knot with u_a = 1 gets its move from the enumeration alone (no random attempt is made),
// also when its matrix was hidden; knots with u_a >= 2 get none.
TEST(MoveSearch, SystematicStageFindsEveryOneMove) {
    Fixture f;
    for (const MinimalKnot& k : RolfsenKnotsAndHiddenCopies(2)) {
        SCOPED_TRACE(k.name);
        f.state.record.upperBound = -1;
        const bool found = f.Search(k.v, k.n, 0, 1);
        if (test::RolfsenUnknotting(BaseName(k.name)) > 1) {
            EXPECT_FALSE(found);
            continue;
        }
        ASSERT_TRUE(found);
        EXPECT_EQ(f.levels->Attempts[1], 0) << "found by a random attempt";
        EXPECT_EQ(CheckSequence(k.v, k.n, f.levels->Found), 1);
    }
}

// The deeper search on a knot with the given lower bound at large effort; returns the bound
// found (the sequence is checked) or -1.
int DeeperBound(Fixture& f, const IntMatrix& v, int n, int lower, int effort = 2) {
    f.state.WorkingMatrix = v;
    f.state.WorkingSize = n;
    f.state.Settings.unknottingEffort = effort;
    f.state.record.lowerBound = lower;
    f.state.record.upperBound = -1;
    DeeperMoveSearch(f.ctx, *f.levels);
    EXPECT_FALSE(ArithTrouble) << TroubleCode;
    const int bound = f.state.record.upperBound;
    if (bound > 0) {
        // The search starts from Qᵀ·V·Q with the unimodular Q of the reduction.
        const test::BigMatrix q = test::ToBig(ReducedBasis(v, n), n, n);
        const i128 det = test::BigDet(q);
        EXPECT_TRUE(det == 1 || det == -1);
        const test::BigMatrix start =
            test::BigMul(test::BigMul(test::BigTranspose(q), test::ToBig(v, n, n)), q);
        EXPECT_EQ(CheckSequence(test::FromBig(start), n, f.levels->Found), bound);
    }
    return bound;
}

// The knots with u_a = 2 and 3 reach their value, plain and hidden; the status line names the
// depth searched.
TEST(MoveSearch, DeeperSearchDecidesRolfsenKnots) {
    Fixture f;
    for (const MinimalKnot& k : RolfsenKnotsAndHiddenCopies(2)) {
        const int u = test::RolfsenUnknotting(BaseName(k.name));
        if (u < 2) continue;
        SCOPED_TRACE(k.name);
        EXPECT_EQ(DeeperBound(f, k.v, k.n, u), u);
        EXPECT_EQ(f.ctx.display.StatusText,
                  "Trying to show that algebraic unknotting number = " + std::to_string(u) + " ");
    }
    const MinimalKnot k71 = RolfsenKnots()[7];
    ASSERT_EQ(k71.name, "7_1");
    // From a lower bound of 2, two moves are tried in vain (signature 6), then three.
    EXPECT_EQ(DeeperBound(f, k71.v, k71.n, 2), 3);
    EXPECT_EQ(f.ctx.display.StatusText, "Trying to show that algebraic unknotting number <= 3 ");
    EXPECT_EQ(DeeperBound(f, k71.v, k71.n, 3, 0), -1) << "no deeper search at low effort";
}

// Seifert matrix of a closed braid, read back from the braid reader's bracket text.
IntMatrix BraidMatrix(const std::string& word, int& n) {
    std::string text = BraidToMatrixText(word).matrixLine;
    for (char& c : text)
        if (c == '[' || c == ']') c = ' ';
    const std::vector<int64_t> entries = test::SplitNumbers(text);
    n = 0;
    while (n * n < static_cast<int>(entries.size())) ++n;
    IntMatrix v;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) v(i + 1, j + 1) = entries[i * n + j];
    return v;
}

// Torus knots: T(2, 2k+1) (braid σ1^(2k+1)) has signature 2k and u_a = k, up to the 12 × 12
// matrix of T(2, 13); T(3, 4) and T(3, 5) have signatures 6 and 8, unknotting numbers 3 and 4. The lower bound is the signature's and
// the search must meet it exactly.
TEST(MoveSearch, TorusKnotsMeetTheSignatureBound) {
    const std::vector<std::pair<std::string, int>> knots = {{"{1,1,1}", 1},
                                                            {"{1,1,1,1,1}", 2},
                                                            {"{1,1,1,1,1,1,1}", 3},
                                                            {"{1,1,1,1,1,1,1,1,1}", 4},
                                                            {"{1,1,1,1,1,1,1,1,1,1,1}", 5},
                                                            {"{1,1,1,1,1,1,1,1,1,1,1,1,1}", 6},
                                                            {"{1,2,1,2,1,2,1,2}", 3},
                                                            {"{1,2,1,2,1,2,1,2,1,2}", 4},
                                                            {"{-1,-1,-1,-1,-1,-1,-1}", 3}};
    Fixture f;
    for (const auto& [word, u] : knots) {
        SCOPED_TRACE(word);
        int n = 0;
        const IntMatrix v = BraidMatrix(word, n);
        const SEquivalenceResult r = MinimalSEquivalent(v, n);
        ASSERT_EQ(r.ReducedSize, 2 * u);
        const test::BigMatrix big = test::ToBig(r.matrix, r.ReducedSize, r.ReducedSize);
        ASSERT_EQ(std::abs(test::Signature(test::BigCombine(big, test::BigTranspose(big), 1))),
                  2 * u);
        EXPECT_EQ(DeeperBound(f, r.matrix, r.ReducedSize, u), u);
    }
    // Connected sums (block sums) of these, hidden by congruences: u_a is the sum, which the
    // signature bound meets, up to five moves on a 10 × 10 matrix.
    const std::vector<std::vector<std::string>> sums = {
        {"{1,1,1}", "{1,1,1}", "{1,1,1}"},
        {"{1,1,1,1,1}", "{1,1,1,1,1}"},
        {"{1,1,1}", "{1,1,1,1,1,1,1}"},
        {"{1,1,1,1,1}", "{1,1,1,1,1,1,1}"},
        {"{1,1,1}", "{1,1,1}", "{1,1,1}", "{1,1,1}", "{1,1,1}"}};
    std::mt19937 rng(7);
    for (const std::vector<std::string>& words : sums) {
        IntMatrix v;
        int size = 0;
        for (const std::string& word : words) {
            int n = 0;
            const IntMatrix block = BraidMatrix(word, n);
            for (int i = 1; i <= n; ++i)
                for (int j = 1; j <= n; ++j) v(size + i, size + j) = block(i, j);
            size += n;
        }
        SCOPED_TRACE(test::Describe(v, size, size));
        int hiddenSize = 0;
        const IntMatrix hidden = test::HideMatrix(v, size, rng, 0, hiddenSize);
        const SEquivalenceResult r = MinimalSEquivalent(hidden, hiddenSize);
        ASSERT_EQ(r.ReducedSize, size);
        const test::BigMatrix big = test::ToBig(r.matrix, size, size);
        const int u =
            std::abs(test::Signature(test::BigCombine(big, test::BigTranspose(big), 1))) / 2;
        EXPECT_EQ(u, size / 2);
        EXPECT_EQ(DeeperBound(f, r.matrix, size, u), u);
    }
}

TEST(MoveSearch, DeeperDepthsAndBudgets) {
    struct Case {
        int lower, upper, first, last;
    };
    for (const Case c : {Case{1, -1, 1, 10}, Case{3, -1, 3, 10}, Case{2, 3, 2, 2}, Case{3, 3, 3, 2},
                         Case{2, 5, 2, 4}, Case{0, -1, 1, 10}}) {
        int first = 0, last = 0;
        DeeperDepths(c.lower, c.upper, first, last);
        EXPECT_EQ(first, c.first) << c.lower << " " << c.upper;
        EXPECT_EQ(last, c.last) << c.lower << " " << c.upper;
    }
    EXPECT_EQ(DeeperMoveTries(0, 3), 0);
    EXPECT_EQ(DeeperMoveTries(1, 2), 35);
    EXPECT_EQ(DeeperMoveTries(1, 3), 70);
    EXPECT_EQ(DeeperMoveTries(2, 3), 160);
    EXPECT_EQ(DeeperMoveTries(3, 4), 620);
    EXPECT_EQ(DeeperMoveTries(2, 5), 640);
    EXPECT_EQ(DeeperMoveTries(2, 10), 640);
    EXPECT_EQ(DeeperAttemptCap(2), 3001);
    EXPECT_EQ(DeeperAttemptCap(3), 15501);
    EXPECT_THROW(DeeperMoveTries(2, 0), RangeError);
    EXPECT_THROW(DeeperMoveTries(2, 11), RangeError);
}

// The trefoil's form -x² - xy - y² takes the value ±1 on (1, 0), (0, 1), (1, -1) and on no
// other vector with a positive first non-zero entry.
TEST(UnitVectors, TrefoilVectorsAndTheirMoves) {
    const IntMatrix v = test::FromRows({{-1, 0}, {-1, -1}});
    std::vector<std::pair<int64_t, int64_t>> seen;
    const int64_t looked = ForEachUnitVector(v, 2, 250, [&](const LatticeVector& x, int64_t e) {
        EXPECT_EQ(e, -1);
        seen.emplace_back(x[1], x[2]);
        return false;
    });
    EXPECT_EQ(seen, (std::vector<std::pair<int64_t, int64_t>>{{0, 1}, {1, -1}, {1, 0}}));
    // Shells of sup norm 1..6 have 4, 8, ..., 24 vectors with positive first entry: 84 in all;
    // with them, the box of norm 7 (225 vectors) would pass the limit of 250.
    EXPECT_EQ(looked, 84);
    for (const auto& [a, b] : seen) {
        LatticeVector x{};
        x[1] = a;
        x[2] = b;
        // (1, 0): V' = [[0, 0], [-1, -1]], det(V' + V'ᵀ) = -1, det(2V' - V'ᵀ) = 2: the move
        // unknots, as every move of the trefoil does.
        EXPECT_TRUE(MayLeaveTrivialAlexander(v, 2, x, -1));
        IntMatrix m = v;
        IntMatrix q = IdentityMatrix(2);
        BringToFront(m, q, 2, x);
        EXPECT_EQ(std::llabs(q(1, 1)), std::llabs(a));
        EXPECT_EQ(std::llabs(q(2, 1)), std::llabs(b));
        EXPECT_EQ(q(1, 1) * b, q(2, 1) * a) << "first basis vector ±x";
        EXPECT_EQ(m(1, 1), -1);
        ASSERT_TRUE(ClearFirstRowAndColumn(m, q, 2));
        EXPECT_EQ(m(1, 2), 0);
        EXPECT_EQ(m(2, 1), 1);
        const test::BigMatrix big = test::ToBig(q, 2, 2);
        EXPECT_EQ(test::BigMul(test::BigMul(test::BigTranspose(big), test::ToBig(v, 2, 2)), big),
                  test::ToBig(m, 2, 2));
    }
    // 5_1 (signature 4) keeps signature >= 2 after any move: the sieve rejects every vector.
    const MinimalKnot k51 = RolfsenKnots()[2];
    ASSERT_EQ(k51.name, "5_1");
    int passed = 0, vectors = 0;
    ForEachUnitVector(k51.v, k51.n, 100000, [&](const LatticeVector& x, int64_t e) {
        ++vectors;
        passed += MayLeaveTrivialAlexander(k51.v, k51.n, x, e);
        return false;
    });
    EXPECT_GE(vectors, 10);
    EXPECT_EQ(passed, 0);
}

}  // namespace
}  // namespace corvane
