// Upper bounds on the algebraic unknotting number: a randomized search for Seifert matrices,
// S-equivalent to the knot's, in whose basis one entry change by ±1 leaves a matrix S-equivalent
// to a smaller one, repeated until the empty matrix is reached, and the exact check of the result.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "arith/int_matrix.h"

namespace corvane {

class KnotContext;

inline constexpr int kMaxMoveDepth = 10;
// The largest matrix the search is given: candidate matrices stay within the 12 × 12 polynomial
// matrices of the Alexander polynomial, so a 12-row matrix is searched without enlargements.
inline constexpr int kMaxMoveSize = 12;

// One IntMatrix per recursion depth 1..kMaxMoveDepth; RangeError for another depth.
class MoveLevelMatrices {
  public:
    IntMatrix& operator[](int depth) { return slots_[Index(depth)]; }
    const IntMatrix& operator[](int depth) const { return slots_[Index(depth)]; }

  private:
    static int Index(int depth);
    std::array<IntMatrix, kMaxMoveDepth> slots_{};
};

// One algebraic unknotting move with the evidence that it is one. With X' = X or Xᵀ
// (transposed), Qᵀ·X'·Q = M, det Q = ±1, X an iterated enlargement of the given matrix L
//   [[L, ξ, 0], [0, 0, 1], [0, 0, 0]]  or  [[L, 0, 0], [ξᵀ, 0, 0], [0, 1, 0]],
// and M[1,1] = ±1, M[1,s] = 0 (s >= 2), M[2,1] = 1, M[s,1] = 0 (s >= 3). Setting M[1,1] := 0 is
// the move; the changed matrix is an enlargement of its lower-right (size - 2) block W.
struct UnknottingMove {
    IntMatrix given;  // L, the matrix the search at this depth started from
    int32_t givenSize = 0;
    IntMatrix enlarged;  // X, L followed by its enlargements
    bool transposed = false;
    IntMatrix basis;       // Q, size × size
    IntMatrix moveMatrix;  // M, size × size, the matrix in which M[1,1] is changed
    int32_t size = 0;      // size of X, Q and M
};

// The moves of one unknotting sequence in the order they are made: the given matrix of each
// move after the first is MinimalSEquivalent of the previous move's W. With congruenceSize > 0,
// the first move's given matrix is Pᵀ·V·P for the knot's matrix V and the unimodular
// P = congruence (congruenceSize × congruenceSize); otherwise it is V itself.
struct MoveSequence {
    std::vector<UnknottingMove> moves;
    IntMatrix congruence;
    int32_t congruenceSize = 0;
};

// The matrices of a search and its record of the sequence found. Large (a few megabytes):
// allocate it on the heap.
struct MoveSearchLevels {
    MoveLevelMatrices Matrices;  // the matrix searched at depth d is in slot d
    MoveLevelMatrices Backups;   // slot d as the search at depth d was given it
    // The evidence of the attempt in progress at each depth: X, whether it is transposed, Q.
    MoveLevelMatrices Enlarged;
    MoveLevelMatrices Basis;
    std::array<bool, kMaxMoveDepth + 1> Transposed{};
    std::array<int32_t, kMaxMoveDepth + 1> EnlargedSize{};
    // Attempts made by the most recent search at each depth.
    std::array<int64_t, kMaxMoveDepth + 1> Attempts{};
    // Attempts made at all depths since AttemptCap was set; with AttemptCap >= 0 every search
    // (also a nested one) ends, unsuccessful, once AttemptsTotal exceeds it.
    int64_t AttemptsTotal = 0;
    int64_t AttemptCap = -1;
    // Filled, innermost depth last, when a sequence is found; cleared when a top-level search
    // begins. A top-level search records a bound only after VerifyMoveSequence accepted it.
    MoveSequence Found;
};

// The levels of the searches on the calling thread, every member reset to its initialiser. Each
// call invalidates what the previous one returned.
MoveSearchLevels& FreshMoveSearchLevels();

// Effort budgets of the driver's calls for unknotting effort e = 0..3: one move with
// (5^e - 1)·1000 + 10 attempts (10, 4010, 24010, 124010), two moves with 15·e² + 20.
int32_t OneMoveTries(int32_t effort);
int32_t TwoMoveTries(int32_t effort);

// Searches for at most d algebraic unknotting moves that turn the n × n Seifert matrix in
// levels.Matrices[d] into a matrix S-equivalent to the empty one. Randomized: each attempt
// perturbs the given matrix by unimodular congruences and S-equivalence enlargements, brings it
// into the shape of an UnknottingMove, reduces W to a minimal matrix and, when moves remain and
// the remainder is small enough, recurses one depth lower on it. Budget E: E + 1 attempts at
// depth 1; at depth > 1 at most 15·E attempts or E + 1 abandoned candidate moves. Honours Stop
// and Skip at the end of each attempt (clearing Skip at its start) and polls CheckPause.
// Not quiet (the driver's call, on the current knot): shows its status text, and on success sets
// upperBound to the number of moves found (and detectedBy := "unknotting move " for one move),
// after VerifyMoveSequence confirmed them against Backups[d]. Quiet (nested): returns true when
// the sequence is complete, with its moves in levels.Found. Overflow and trouble of the exact
// arithmetic fail the attempt in which they occur. Preconditions: 1 <= d <= 10, n <= 10, E >= 0
// (RangeError otherwise), M zero outside its n × n block; n < 2 returns false at once. M - Mᵀ
// unimodular, as for a knot (not relied on: a matrix that is not gives no move).
bool UnknottingMoveSearch(KnotContext& ctx, MoveSearchLevels& levels, int32_t n, int32_t E,
                          int32_t d, bool quiet);

// The lower-right (size - 2) block W of the move matrix: the matrix the move leaves, up to
// S-equivalence.
IntMatrix MoveRemainder(const UnknottingMove& move);

// Exact check of a sequence against the n × n matrix V: every move has the evidence described at
// UnknottingMove (determinants and products in 128-bit arithmetic, refused on overflow), the first
// given matrix is V, each later given matrix is MinimalSEquivalent of the previous W, and the last
// W reduces to the empty matrix without trouble and has Alexander polynomial ±t^k. True only when
// all of this holds, so that V is S-equivalent to the empty matrix after moves.size() moves.
bool VerifyMoveSequence(const IntMatrix& v, int32_t n, const MoveSequence& sequence);

}  // namespace corvane
