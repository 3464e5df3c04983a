#include "unknotting/move_search.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <string>

#include "arith/checked.h"
#include "arith/random.h"
#include "arith/sequivalence.h"
#include "invariants/alexander.h"
#include "knot/knot_context.h"
#include "unknotting/certificate.h"
#include "unknotting/unit_vectors.h"

namespace corvane {

int MoveLevelMatrices::Index(int depth) {
    if (depth < 1 || depth > kMaxMoveDepth) throw RangeError("MoveLevelMatrices depth");
    return depth - 1;
}

int32_t OneMoveTries(int32_t effort) {
    int32_t power = 1;
    for (int32_t i = 0; i < effort; ++i) power *= 5;
    return (power - 1) * 1000 + 10;
}

int32_t TwoMoveTries(int32_t effort) {
    return 15 * effort * effort + 20;
}

namespace {

// Entries larger than this in all four upper-left positions are not searched.
constexpr int64_t kCornerLimit = 1000000;
// Enlargements stop once the matrix has this size.
constexpr int32_t kEnlargeLimit = 12;
// Every matrix of the search lives in this upper-left block: the given size is at most
// kMaxMoveSize and enlargements stop below kEnlargeLimit + 2.
constexpr int kActive = 16;
static_assert(kMaxMoveSize + 2 <= kActive && kEnlargeLimit + 2 <= kActive);

// dst := src on the active block; both are zero outside it.
void CopyActive(IntMatrix& dst, const IntMatrix& src) {
    for (int i = 1; i <= kActive; ++i)
        for (int j = 1; j <= kActive; ++j) dst(i, j) = src(i, j);
}

void SetIdentity(IntMatrix& q, int n) {
    for (int i = 1; i <= kActive; ++i)
        for (int j = 1; j <= kActive; ++j) q(i, j) = i == j && i <= n ? 1 : 0;
}

void TransposeActive(IntMatrix& m) {
    for (int i = 1; i <= kActive; ++i)
        for (int j = i + 1; j <= kActive; ++j) std::swap(m(i, j), m(j, i));
}
// The Euclidean reduction of phase 2 ends after finitely many rounds for every unimodular
// M - Mᵀ; the cap only guards against input that is not.
constexpr int kPhase2RoundLimit = 100000;

// |a|, with the one value whose negation does not fit mapped to the largest one.
int64_t Magnitude(int64_t a) {
    if (a == std::numeric_limits<int64_t>::min()) return std::numeric_limits<int64_t>::max();
    return a < 0 ? -a : a;
}

// The search at one depth: the matrix M of size n in Matrices[d] together with the evidence
// (X, transposed, Q) that Qᵀ·X'·Q = M for the enlargement X of the given matrix.
class LevelSearch {
  public:
    LevelSearch(KnotContext& ctx, MoveSearchLevels& levels, int32_t n, int32_t E, int32_t d,
                bool quiet)
        : ctx_(ctx),
          state_(ctx.state),
          levels_(levels),
          M_(levels.Matrices[d]),
          Q_(levels.Basis[d]),
          givenSize_(n),
          n_(n),
          E_(E),
          d_(d),
          quiet_(quiet) {}

    bool Run();

  private:
    int64_t Draw(int64_t bound) { return RandomBelow(state_.Random, bound); }

    // The congruences, applied to M and recorded in Q (Q := Q·P).
    void Swap(int i, int j);
    void Shear(int i, int j, int64_t c);  // e_i += c·e_j
    void Negate(int i);

    void ResetEvidence();
    void RestoreGiven();
    void SetStatusText();
    bool Phase1(int64_t r5, int64_t attempts);
    void ReduceDiagonal(int s, int64_t r5, bool& shuffled, int& noImprove);
    bool Phase2();
    enum class MoveOutcome { failed, abandoned, complete };
    MoveOutcome TryMove();
    bool SearchRemainder(const SEquivalenceResult& rest);
    void RecordMove();
    void Perturb(int64_t r5, int64_t attempts, int& m);
    void Enlarge(int64_t spread);
    bool Succeed(int32_t moves);
    bool SystematicStage();
    bool TryUnitVector(const LatticeVector& x, bool transposed);

    KnotContext& ctx_;
    KnotState& state_;
    MoveSearchLevels& levels_;
    IntMatrix& M_;
    IntMatrix& Q_;
    const int32_t givenSize_;  // the size of the given matrix, to which every level returns
    int32_t n_;                // the size of the matrix M at hand
    const int32_t E_;
    const int32_t d_;
    const bool quiet_;
    int32_t T_ = 0;
    int64_t F_ = 0;
};

void LevelSearch::Swap(int i, int j) {
    if (i == j) return;
    inplace::SwapColumns(M_, i, j, n_);
    inplace::SwapRows(M_, i, j, n_);
    inplace::SwapColumns(Q_, i, j, n_);
}

void LevelSearch::Shear(int i, int j, int64_t c) {
    if (i == j || c == 0) return;
    inplace::AddColumnMultiple(M_, i, j, c, n_);
    inplace::AddRowMultiple(M_, i, j, c, n_);
    inplace::AddColumnMultiple(Q_, i, j, c, n_);
}

void LevelSearch::Negate(int i) {
    inplace::ScaleRow(M_, i, -1, n_);
    inplace::ScaleColumn(M_, i, -1, n_);
    inplace::ScaleColumn(Q_, i, -1, n_);
}

// The attempt starts again from the given matrix: X := L, Q := I.
void LevelSearch::ResetEvidence() {
    CopyActive(levels_.Enlarged[d_], M_);
    levels_.EnlargedSize[d_] = n_;
    levels_.Transposed[d_] = false;
    SetIdentity(Q_, n_);
}

void LevelSearch::RestoreGiven() {
    CopyActive(M_, levels_.Backups[d_]);
    n_ = givenSize_;
    ResetEvidence();
}

void LevelSearch::SetStatusText() {
    const int32_t lower = state_.record.lowerBound;
    const std::string moves = std::to_string(d_);
    if (d_ == lower && d_ == 1) {
        ctx_.display.StatusText = "Trying to find algebraic unknotting move ";
    } else if (d_ == lower) {
        ctx_.display.StatusText =
            "Trying to show that algebraic unknotting number = " + moves + " ";
    } else {
        ctx_.display.StatusText =
            "Trying to show that algebraic unknotting number <= " + moves + " ";
    }
}

// Lowers |M[s,s]| by a shear e_s += x·e_1, which makes it M[s,s] + x·(M[1,s] + M[s,1]) +
// x²·M[1,1]: a coarse scan of x in -B..B, then every x around the best coarse value.
void LevelSearch::ReduceDiagonal(int s, int64_t r5, bool& shuffled, int& noImprove) {
    const int64_t current = Magnitude(M_(s, s));
    const int64_t B = std::min<int64_t>(current, 2000);
    int64_t step = 1;
    if (B > 5) step = 3;
    if (B > 50) step = 10;
    if (B > 200) step = 40;
    if (B > 600) step = 120;
    if (r5 != 3) step = step / 2 + 1;
    const int64_t cross = CheckedAdd(M_(1, s), M_(s, 1));
    const int64_t corner = M_(1, 1);
    const int64_t diagonal = M_(s, s);
    int64_t best = current;
    int64_t bestx = 0;
    const auto consider = [&](int64_t x) {
        const int64_t value =
            CheckedAdd(CheckedAdd(diagonal, CheckedMul(x, cross)), CheckedMul(x * x, corner));
        if (Magnitude(value) < best) {
            best = Magnitude(value);
            bestx = x;
        }
    };
    for (int64_t x = -B; x <= B; x += step) consider(x);
    if (step > 1) {
        const int64_t centre = bestx;
        for (int64_t x = centre - step + 1; x <= centre + step - 1; ++x) consider(x);
    }
    if (ArithTrouble || best >= current) return;
    Shear(s, 1, bestx);
    shuffled = false;
    noImprove = 0;
}

// Phase 1: congruences until M[1,1] = ±1. True when that was reached without trouble.
bool LevelSearch::Phase1(int64_t r5, int64_t attempts) {
    int passes = 0;
    int noImprove = 0;
    int shears = 0;
    bool shuffled = false;
    do {
        ctx_.CheckPause();
        if (Draw(3) == 1) {
            int choice = 1;
            for (int i = 2; i <= n_; ++i) {
                if (M_(i, i) == 0) continue;
                if (M_(choice, choice) == 0 || Magnitude(M_(i, i)) < Magnitude(M_(choice, choice)))
                    choice = i;
            }
            Swap(1, choice);
        } else {
            Swap(1, static_cast<int>(Draw(n_)) + 1);
        }
        if (shuffled) Swap(1, static_cast<int>(Draw(n_ - 1)) + 2);
        const bool stuck =
            noImprove > 5 && noImprove % 2 == 0 && shears < 6 && Magnitude(M_(1, 1)) < 1000;
        const bool early = passes % 5 == 0 && passes < 30 && attempts > 100 && r5 > 1;
        if (stuck || early) {
            const int64_t count = Draw(5);
            for (int64_t k = 0; k < count; ++k) {
                const int i = static_cast<int>(Draw(n_)) + 1;
                const int j = static_cast<int>(Draw(n_)) + 1;
                const int64_t c = Draw(T_ / 2) - T_ / 4;
                Shear(i, j, c);
                ++shears;
            }
        }
        shuffled = true;
        if (Magnitude(M_(1, 1)) > 1) {
            for (int s = 2; s <= n_ && !ArithTrouble; ++s)
                ReduceDiagonal(s, r5, shuffled, noImprove);
        }
        ++passes;
        ++noImprove;
    } while (Magnitude(M_(1, 1)) != 1 && noImprove <= 14 && !ArithTrouble);
    return Magnitude(M_(1, 1)) == 1 && !ArithTrouble;
}

// Phase 2: with M[1,1] = ±1, clears the first row, then reduces the first column by Euclid's
// algorithm to a multiple of e_2. M - Mᵀ unimodular makes that multiple M[2,1] = 1.
bool LevelSearch::Phase2() {
    for (int s = 2; s <= n_; ++s) Shear(s, 1, -CheckedMul(M_(1, 1), M_(1, s)));
    for (int round = 0; round < kPhase2RoundLimit && !ArithTrouble; ++round) {
        int pick = 2;
        if (Draw(4) == 0) {
            for (int s = 3; s <= n_; ++s) {
                if (M_(s, 1) == 0) continue;
                if (M_(pick, 1) == 0 || Magnitude(M_(s, 1)) < Magnitude(M_(pick, 1))) pick = s;
            }
        } else {
            pick = static_cast<int>(Draw(n_ - 1)) + 2;
        }
        Swap(2, pick);
        if (M_(2, 1) < 0) Negate(2);
        const int64_t pivot = M_(2, 1);
        if (pivot != 0) {
            for (int s = 3; s <= n_; ++s) {
                int64_t q = CheckedDiv(M_(s, 1), pivot);
                if (CheckedMul(pivot, M_(s, 1)) < 0 && Magnitude(M_(s, 1)) < Magnitude(pivot))
                    q = -1;
                Shear(s, 2, -q);
            }
        }
        bool cleared = true;
        for (int s = 3; s <= n_; ++s) cleared = cleared && M_(s, 1) == 0;
        if (cleared) return M_(2, 1) == 1 && !ArithTrouble;
    }
    return false;
}

void LevelSearch::RecordMove() {
    UnknottingMove move;
    move.given = levels_.Backups[d_];
    move.givenSize = givenSize_;
    move.enlarged = levels_.Enlarged[d_];
    move.transposed = levels_.Transposed[d_];
    move.basis = Q_;
    move.moveMatrix = M_;
    move.size = n_;
    levels_.Found.moves.insert(levels_.Found.moves.begin(), std::move(move));
}

// The top-level search records its bound only for a sequence that passes the exact check.
bool LevelSearch::Succeed(int32_t moves) {
    RecordMove();
    if (quiet_) return true;
    if (!VerifyMoveSequence(levels_.Backups[d_], givenSize_, levels_.Found)) {
        levels_.Found.moves.clear();
        return false;
    }
    // A nested search may reach the empty matrix in fewer moves than it was given: the sequence
    // found is what bounds u_a.
    const auto made = static_cast<int32_t>(levels_.Found.moves.size());
    KnotRecord& knot = state_.record;
    knot.upperBound = std::min(moves, made);
    knot.upperCertificate = MoveSequenceCertificate(levels_.Found);
    if (knot.upperBound == 1) knot.detectedBy = "unknotting move ";
    return true;
}

// Whether a remainder of size n' is searched at depth d, after F abandoned candidates.
bool RemainderSearched(int32_t d, int32_t size, int64_t F, int64_t E) {
    const bool third = F > E / 3;
    const bool twoThirds = F > 2 * E / 3;
    switch (d) {
        case 2:
            return size == 2 || (size == 4 && third) || (size == 6 && twoThirds);
        case 3:
            return size <= 4 || (size == 6 && third) || (size == 8 && twoThirds);
        case 4:
            return size <= 6 || (size == 8 && third) || (size == 10 && twoThirds);
        case 5:
            return size <= 8 || (size == 10 && twoThirds);
        case 1:
            return false;
        default:  // six moves or more: every remainder the search can meet
            return true;
    }
}

int64_t RemainderBudget(int32_t d, int64_t F, int64_t E) {
    if (d == 2) return std::min<int64_t>(10 * F + 100, 1500);
    if (d >= 5) return E + F;
    return F / 3 + E / 2;
}

// Searches the reduced remainder one depth lower; true when that completes the sequence.
bool LevelSearch::SearchRemainder(const SEquivalenceResult& rest) {
    if (!RemainderSearched(d_, rest.ReducedSize, F_, E_)) return false;
    const int64_t budget =
        std::min<int64_t>(RemainderBudget(d_, F_, E_), std::numeric_limits<int32_t>::max());
    levels_.Matrices[d_ - 1] = rest.matrix;
    const bool complete = UnknottingMoveSearch(ctx_, levels_, rest.ReducedSize,
                                               static_cast<int32_t>(budget), d_ - 1, true);
    if (complete) return Succeed(d_);
    levels_.Found.moves.clear();
    return false;
}

// The move M[1,1] := 0 leaves an enlargement of the lower-right block W.
LevelSearch::MoveOutcome LevelSearch::TryMove() {
    IntMatrix W = ZeroMatrix();
    for (int a = 1; a <= n_ - 2; ++a)
        for (int b = 1; b <= n_ - 2; ++b) W(a, b) = M_(a + 2, b + 2);
    SEquivalenceResult rest;
    if (n_ > 2) rest = MinimalSEquivalent(W, n_ - 2);
    if (ArithTrouble) return MoveOutcome::failed;
    if (rest.ReducedSize == 0) {
        return Succeed(1) ? MoveOutcome::complete : MoveOutcome::abandoned;
    }
    return SearchRemainder(rest) ? MoveOutcome::complete : MoveOutcome::abandoned;
}

// Appends the enlargement by a column (or row) ξ with ξ_1 = 1 and random other entries.
void LevelSearch::Enlarge(int64_t spread) {
    for (int k = 1; k <= n_ + 2; ++k) {
        for (int r : {n_ + 1, n_ + 2}) {
            M_(r, k) = 0;
            M_(k, r) = 0;
        }
    }
    if (Draw(2) == 1) {
        M_(n_ + 1, n_ + 2) = 1;
        M_(1, n_ + 1) = 1;
        for (int r = 2; r <= n_; ++r) M_(r, n_ + 1) = Draw(spread) - spread / 2;
    } else {
        M_(n_ + 2, n_ + 1) = 1;
        M_(n_ + 1, 1) = 1;
        for (int c = 2; c <= n_; ++c) M_(n_ + 1, c) = Draw(spread) - spread / 2;
    }
    n_ += 2;
}

// The start of the next attempt: the given matrix, enlarged m times, perhaps transposed, then
// scrambled by swaps and shears. A perturbation that runs into trouble is dropped.
void LevelSearch::Perturb(int64_t r5, int64_t attempts, int& m) {
    RestoreGiven();
    ClearTrouble();
    const int64_t spread = r5 % 2 == 0 ? T_ / 2 : T_;
    const double A = static_cast<double>(attempts);
    const double E = static_cast<double>(E_);
    if (Draw(3) == 0 && (attempts > 100 || A > 0.1 * E)) m = 1;
    if (Draw(5) == 0 && (attempts > 1000 || A > 0.3 * E)) m = 2;
    if (Draw(6) == 0 && (attempts > 3000 || A > 0.5 * E)) m = 3;
    if (Draw(7) == 0 && (attempts > 8000 || A > 0.7 * E)) m = 4;
    for (int k = 0; k < m; ++k) {
        if (n_ < kEnlargeLimit) Enlarge(spread);
    }
    ResetEvidence();
    if (Draw(2) == 1) {
        TransposeActive(M_);
        levels_.Transposed[d_] = true;
    }
    for (int k = 0; k < 3 * n_ + 4; ++k) {
        const int i = static_cast<int>(Draw(n_)) + 1;
        const int j = static_cast<int>(Draw(n_)) + 1;
        Swap(i, j);
    }
    const int64_t shears = Draw(9) + spread;
    for (int64_t k = 0; k < shears; ++k) {
        const int i = static_cast<int>(Draw(n_)) + 1;
        const int j = static_cast<int>(Draw(n_)) + 1;
        const int64_t c = Draw(spread / 2) - spread / 4;
        Shear(i, j, c);
    }
    if (ArithTrouble) {
        RestoreGiven();
        ClearTrouble();
    }
}

// ---- The systematic stage: short vectors x with xᵀ·V·x = ±1 as first vectors of a move. ----

// Vectors of the boxes looked at, and candidate moves tried, before the random attempts. One
// move is sieved by MayLeaveTrivialAlexander, so its candidates are few and all are tried;
// deeper candidates each cost a nested search and are rationed by the budget.
int64_t SystematicLookLimit(int64_t E) {
    return 60000 + 20 * E;
}
int64_t SystematicCandidateLimit(int32_t d, int64_t E) {
    return d == 1 ? 5000 : 10 + E / 10;
}

// The move whose first vector is x in the given matrix (or in its transpose), tried as an
// attempt of the random search is: clear the corner's row and column, make the move, reduce and
// perhaps search the remainder.
bool LevelSearch::TryUnitVector(const LatticeVector& x, bool transposed) {
    RestoreGiven();
    ClearTrouble();
    if (transposed) {
        TransposeActive(M_);
        levels_.Transposed[d_] = true;
    }
    BringToFront(M_, Q_, n_, x);
    if (ArithTrouble || !ClearFirstRowAndColumn(M_, Q_, n_)) return false;
    return TryMove() == MoveOutcome::complete;
}

bool LevelSearch::SystematicStage() {
    IntMatrix given = levels_.Backups[d_];
    IntMatrix givenTransposed = given;
    TransposeActive(givenTransposed);
    const int64_t candidateLimit = SystematicCandidateLimit(d_, E_);
    int64_t candidates = 0;
    bool complete = false;
    ForEachReducedUnitVector(
        given, givenSize_, SystematicLookLimit(E_), [&](const LatticeVector& x, int64_t e) {
            for (const bool transposed : {false, true}) {
                // The move on Vᵀ is V' = V - ε·(V·x)(V·x)ᵀ transposed: a different move.
                if (d_ == 1 && !MayLeaveTrivialAlexander(transposed ? givenTransposed : given,
                                                         givenSize_, x, e))
                    continue;
                if (++candidates > candidateLimit) return true;
                if (candidates % 16 == 0) ctx_.CheckPause();
                if (TryUnitVector(x, transposed)) {
                    complete = true;
                    return true;
                }
                if (state_.StopRequested || state_.SkipRequested) return true;
            }
            return false;
        });
    if (complete) return true;
    RestoreGiven();
    ClearTrouble();
    return false;
}

bool LevelSearch::Run() {
    levels_.Attempts[d_] = 0;
    if (state_.StopRequested) return false;
    levels_.Backups[d_] = M_;
    ResetEvidence();
    if (!quiet_) levels_.Found.moves.clear();
    ctx_.CheckPause();
    T_ = E_ / 1000 + 4;
    if (T_ > 6) T_ = (T_ - 6) / 5 + 6;
    T_ = std::min(T_, 15);
    state_.SkipRequested = false;
    if (Magnitude(M_(1, 1)) > kCornerLimit && Magnitude(M_(1, 2)) > kCornerLimit &&
        Magnitude(M_(2, 1)) > kCornerLimit && Magnitude(M_(2, 2)) > kCornerLimit)
        return false;
    if (!quiet_) SetStatusText();
    ClearTrouble();
    if (SystematicStage()) return true;
    if (state_.StopRequested || state_.SkipRequested) return false;
    int m = 0;
    int64_t attempts = 0;
    for (;;) {
        const int64_t r5 = Draw(5);
        const bool cornerIsUnit = Phase1(r5, attempts);
        if (attempts % 50 == 0) ctx_.display.ShowStatus(false);
        if (cornerIsUnit && !state_.SkipRequested && Phase2()) {
            const MoveOutcome outcome = TryMove();
            if (outcome == MoveOutcome::complete) return true;
            if (outcome == MoveOutcome::abandoned) ++F_;
        }
        Perturb(r5, attempts, m);
        if (attempts % 3 == 0) ctx_.CheckPause();
        ++attempts;
        levels_.Attempts[d_] = attempts;
        if (F_ > E_ && d_ > 1) return false;
        if (attempts > E_ && d_ == 1) return false;
        if (attempts > 15 * static_cast<int64_t>(E_) && d_ > 1) return false;
        if (state_.StopRequested || state_.SkipRequested) return false;
        if (levels_.AttemptCap >= 0 && ++levels_.AttemptsTotal > levels_.AttemptCap) return false;
    }
}

// ---- The exact check of a sequence. ----

using Wide = __int128;

bool WideMulAdd(Wide& acc, Wide a, Wide b) {
    Wide product = 0;
    if (__builtin_mul_overflow(a, b, &product)) return false;
    return !__builtin_add_overflow(acc, product, &acc);
}

// det Q = ±1, by fraction-free elimination; false also when an intermediate value overflows.
bool IsUnimodular(const IntMatrix& q, int n) {
    std::array<std::array<Wide, kMatrixDim>, kMatrixDim> a{};
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) a[i][j] = q(i + 1, j + 1);
    Wide previous = 1;
    int sign = 1;
    for (int k = 0; k < n; ++k) {
        int pivot = k;
        while (pivot < n && a[pivot][k] == 0) ++pivot;
        if (pivot == n) return false;
        if (pivot != k) {
            std::swap(a[pivot], a[k]);
            sign = -sign;
        }
        for (int i = k + 1; i < n; ++i) {
            for (int j = k + 1; j < n; ++j) {
                Wide value = 0;
                if (!WideMulAdd(value, a[i][j], a[k][k])) return false;
                if (!WideMulAdd(value, -a[i][k], a[k][j])) return false;
                a[i][j] = value / previous;
            }
            a[i][k] = 0;
        }
        previous = a[k][k];
    }
    const Wide det = n == 0 ? 1 : a[n - 1][n - 1];
    return det * sign == 1 || det * sign == -1;
}

// Qᵀ·X'·Q = M exactly.
bool CongruenceHolds(const UnknottingMove& move) {
    const int n = move.size;
    const auto x = [&](int i, int j) {
        return static_cast<Wide>(move.transposed ? move.enlarged(j, i) : move.enlarged(i, j));
    };
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            Wide sum = 0;
            for (int k = 1; k <= n; ++k) {
                Wide inner = 0;
                for (int l = 1; l <= n; ++l)
                    if (!WideMulAdd(inner, x(k, l), move.basis(l, j))) return false;
                if (!WideMulAdd(sum, move.basis(k, i), inner)) return false;
            }
            if (sum != move.moveMatrix(i, j)) return false;
        }
    }
    return true;
}

// X of size `size` consists of L in its upper-left corner followed by enlargement pairs.
bool IsEnlargementOf(const UnknottingMove& move) {
    const IntMatrix& x = move.enlarged;
    int size = move.size;
    while (size > move.givenSize) {
        const int a = size - 1;  // the pair (a, a + 1) added last
        const int b = size;
        const bool columnForm = x(a, b) == 1 && x(b, a) == 0;
        const bool rowForm = x(b, a) == 1 && x(a, b) == 0;
        if (!columnForm && !rowForm) return false;
        if (x(a, a) != 0 || x(b, b) != 0) return false;
        for (int k = 1; k < a; ++k) {
            if (x(b, k) != 0 || x(k, b) != 0) return false;
            if (columnForm && x(a, k) != 0) return false;
            if (rowForm && x(k, a) != 0) return false;
        }
        size -= 2;
    }
    if (size != move.givenSize) return false;
    for (int i = 1; i <= size; ++i)
        for (int j = 1; j <= size; ++j)
            if (x(i, j) != move.given(i, j)) return false;
    return true;
}

bool HasMoveShape(const UnknottingMove& move) {
    const IntMatrix& m = move.moveMatrix;
    const int n = move.size;
    if (n < 2 || (m(1, 1) != 1 && m(1, 1) != -1) || m(2, 1) != 1) return false;
    for (int s = 2; s <= n; ++s)
        if (m(1, s) != 0) return false;
    for (int s = 3; s <= n; ++s)
        if (m(s, 1) != 0) return false;
    return true;
}

bool SameMatrix(const IntMatrix& a, const IntMatrix& b, int n) {
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            if (a(i, j) != b(i, j)) return false;
    return true;
}

// det(tW - Wᵀ) = ±t^k: the Alexander polynomial of W is 1.
bool HasTrivialAlexanderPolynomial(const IntMatrix& w, int n) {
    if (n == 0) return true;
    if (n > kAlexanderMaxSize) return false;
    ClearTrouble();
    const AlexanderResult alexander = AlexanderPolynomial(w, n, false);
    if (ArithTrouble || alexander.MatrixTooLarge || alexander.out.degree < 0) return false;
    int nonZero = 0;
    bool unit = true;
    for (int k = 0; k <= alexander.out.degree; ++k) {
        const Rational& c = alexander.out.c(k);
        if (c.num == 0) continue;
        ++nonZero;
        unit = unit && c.den != 0 && (c.num == c.den || c.num == -c.den);
    }
    return nonZero == 1 && unit;
}

}  // namespace

bool UnknottingMoveSearch(KnotContext& ctx, MoveSearchLevels& levels, int32_t n, int32_t E,
                          int32_t d, bool quiet) {
    if (d < 1 || d > kMaxMoveDepth || n > kMaxMoveSize || E < 0)
        throw RangeError("UnknottingMoveSearch arguments");
    if (n < 2) return false;  // a move needs a 2 × 2 corner
    LevelSearch search(ctx, levels, n, E, d, quiet);
    return search.Run();
}

IntMatrix MoveRemainder(const UnknottingMove& move) {
    IntMatrix w = ZeroMatrix();
    for (int a = 1; a <= move.size - 2; ++a)
        for (int b = 1; b <= move.size - 2; ++b) w(a, b) = move.moveMatrix(a + 2, b + 2);
    return w;
}

bool VerifyMoveSequence(const IntMatrix& v, int32_t n, const MoveSequence& sequence) {
    if (sequence.moves.empty()) return false;
    const bool troubleBefore = ArithTrouble;
    IntMatrix expected = v;
    int32_t expectedSize = n;
    bool valid = true;
    for (const UnknottingMove& move : sequence.moves) {
        valid = move.givenSize == expectedSize && SameMatrix(move.given, expected, expectedSize) &&
                IsEnlargementOf(move) && IsUnimodular(move.basis, move.size) &&
                CongruenceHolds(move) && HasMoveShape(move);
        if (!valid) break;
        const IntMatrix w = MoveRemainder(move);
        const int32_t wSize = move.size - 2;
        if (wSize == 0) {
            expected = ZeroMatrix();
            expectedSize = 0;
        } else {
            const SEquivalenceResult rest = MinimalSEquivalent(w, wSize);
            valid = !ArithTrouble;
            expected = rest.matrix;
            expectedSize = rest.ReducedSize;
        }
        if (!valid) break;
        if (&move == &sequence.moves.back()) {
            valid = expectedSize == 0 && HasTrivialAlexanderPolynomial(w, wSize);
        } else {
            valid = expectedSize > 0;
        }
        if (!valid) break;
    }
    ArithTrouble = troubleBefore;
    return valid;
}

// The move searches' levels, one set per calculation thread, made afresh (every member from its
// initialiser) for each search: the 1.6 MB of matrices need neither clearing nor new pages.
MoveSearchLevels& FreshMoveSearchLevels() {
    thread_local const std::unique_ptr<MoveSearchLevels> levels =
        std::make_unique_for_overwrite<MoveSearchLevels>();
    std::destroy_at(levels.get());
    ::new (static_cast<void*>(levels.get())) MoveSearchLevels;
    return *levels;
}

}  // namespace corvane
