// The linking pairing obstruction to algebraic unknotting number 2: a knot unknotted by two
// algebraic moves has a linking pairing on H_1(L_2) (L_2 the 2-fold branched cover) presented by
// a symmetric 2 × 2 integer matrix of determinant ±det(V + Vᵀ) with parity conditions.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "arith/int_matrix.h"
#include "knot/knot_context.h"
#include "unknotting/linking_forms.h"

namespace corvane {

// A candidate form F = [[p, r], [r, q]]; its adjugate is [[q, -r], [-r, p]].
struct CandidateForm {
    int64_t p = 0;
    int64_t q = 0;
    int64_t r = 0;
    bool operator==(const CandidateForm&) const = default;
};

inline constexpr int kMaxCandidateForms = 2000;
inline constexpr int kMaxPairingSummands = 5;
// The pair search visits |H_1(L_2)|² = D² pairs, each against every candidate form, and the
// candidate enumeration costs O(D log D): beyond this determinant they would take minutes to days,
// so the test stays undecided without beginning them. Within it there are fewer than 2000
// candidates and at most 5 summands (six need D >= 3²·5²·7²).
inline constexpr int64_t kMaxSearchDeterminant = 4096;

// Offers [[p, r], [r, q]] to `forms`. It is taken when exactly two of p, q, r are odd (p + q + r
// even and p or q odd: an odd form) and, for |signature| = 4, when it is congruent modulo 4 to
// s·T on the diagonal and T off it for some T of `table`, s = -1 for signature 4 and +1 for -4.
// RangeError when a form would be the 2001st.
void AddCandidateForm(std::vector<CandidateForm>& forms, int64_t p, int64_t q, int64_t r,
                      int32_t signature, const std::vector<Form2>& table);

// Polling of the long loops: CheckPause and, when given, the status redraw; a set stop or skip
// flag ends the search.
struct PairingPolling {
    const std::atomic<bool>* stop = nullptr;
    const std::atomic<bool>* skip = nullptr;
    ProgressDisplay* display = nullptr;
};

// Every candidate form for D = |det(V + Vᵀ)| >= 1 and the signature, in the order of the loops
// that define the list (each form offered through AddCandidateForm):
//  - |signature| ≠ 4: [[b, c], [c, a]] with a·b - c² = ±D, a = -D..D, b = -|a|..|a|,
//    c = 0..⌊|b|/2⌋ (every binary form of determinant ±D is congruent to one of these); when D is
//    a square r², [[x, r], [r, 0]] for x = -r..r; finally [[-3, 9], [9, 0]];
//  - signature 4: [[b, c], [c, a]] with a·b - c² = D, a = 1..D, b = 1..a, c = 0..b-1; signature -4:
//    the negatives of these.
// Pairs (a, b) that cannot satisfy the equation (|a·b| > 4D/3 in the first case, b·(a-b) >= D in
// the second) are passed over without testing. Returns false when a Stop or Skip ended the
// enumeration. RangeError beyond 2000 forms.
bool EnumerateCandidateForms(std::vector<CandidateForm>& forms, int64_t d, int32_t signature,
                             const std::vector<Form2>& table, const PairingPolling& polling = {});

enum class LinkingPairingVerdict {
    obstructed,     // u_a(K) >= 3
    notObstructed,  // a pair of elements fits a candidate form, or the test does not apply
    undecided,      // the computation could not be completed exactly, or it was interrupted
};

struct LinkingPairingOutcome {
    LinkingPairingVerdict verdict = LinkingPairingVerdict::undecided;
    // The computation failed (arithmetic trouble, an overflow, more than 2000 candidate forms or
    // more than 5 cyclic summands): the knot gets the field "erError in u=2 test".
    bool failed = false;
    int candidateCount = 0;
};

// The test on C = V + Vᵀ (n × n) with d = det C, D = |d| and the signature σ of C:
//  - |σ| > 4: notObstructed at once (the signature already gives u_a >= 3);
//  - H_1(L_2) = coker C needing three or more generators: obstructed (two moves leave at most two);
//  - otherwise, with g_1..g_k the generators of the non-trivial cyclic summands (orders o_i) and
//    L[i, j] = g_iᵀ·(D·C⁻¹)·g_j mod D (so L/D is the linking pairing), every pair x_1, x_2 of
//    elements is tried: it fits a candidate F when 2·W ≡ adj F (mod D) entrywise, W[p, q] =
//    x_pᵀ·L·x_q, and it counts when it also generates H_1(L_2) (the cokernel of
//    [diag(o_1..o_k) | x_1 | x_2] over Z/D is trivial). A counting pair gives notObstructed, none
//    gives obstructed.
// Undecided, never obstructed, when d = 0, d is even (not the form of a knot) or D >= 2^31, on
// arithmetic trouble, a 64-bit overflow, more than 2000 candidates or more than 5 summands (these
// with `failed`); when D > maxDeterminant (after the generator count, without `failed`); or when
// a Stop or Skip is seen at a polling point: after each element x_1 and every 65536 pairs, and
// every 1024 values of a in the candidate enumeration. Clears ArithTrouble first.
// Preconditions: 1 <= n <= 70 (RangeError otherwise).
LinkingPairingOutcome LinkingPairingVerdictOf(const IntMatrix& v, int n, int32_t signature,
                                              const std::vector<Form2>& table,
                                              const PairingPolling& polling = {},
                                              int64_t maxDeterminant = kMaxSearchDeterminant);

// The test on the current knot (WorkingMatrix, WorkingSize, its signature) with the run's
// FormTable2: shows its status line, clears SkipRequested, and answers false when the
// obstruction holds, true when it does not or could not be decided; a failed computation leaves
// the field "erError in u=2 test" (LaTeX "erError").
// Precondition: WorkingSize 1..70.
bool LinkingPairingTest(KnotContext& ctx);

// The obstruction to unknotting number 2 from the signature and the determinant: |s| = 4,
// |d| a perfect square, and no number 4k + 3 divides |d|.
bool StoimenowObstruction(int32_t signature, int32_t determinant);

}  // namespace corvane
