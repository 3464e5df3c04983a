// The Lickorish obstruction to algebraic unknotting number one: a knot unknotted by one algebraic
// move has a cyclic H_1 of its 2-fold branched cover L_2, of order d = |det(V + Vᵀ)|, with an
// element y whose linking pairing is λ(y, y) = ±2/d (mod 1), the sign tied to the signature.
#pragma once

#include <atomic>
#include <cstdint>

#include "arith/int_matrix.h"
#include "knot/knot_context.h"

namespace corvane {

enum class LickorishVerdict {
    obstructed,     // u_a(K) ≠ 1
    notObstructed,  // an element with the required pairing exists
    undecided,      // the exact arithmetic could not stay exact, or det(V + Vᵀ) = 0
};

// Whether B·x² ≡ t (mod d) has a solution x, for an odd d in 3..2^31 and t prime to d; B is any
// integer. RangeError for another d or t.
bool ScaledSquareSolvable(int64_t b, int64_t t, int64_t d);

// With C = V + Vᵀ (n × n), d = det C and e = signature, negated when n div 2 is odd:
//  - H_1(L_2) = coker C needing two or more generators is obstructed (it must be cyclic);
//  - otherwise every element y = Σ x_i·g_i of coker C (g_i, o_i its cyclic decomposition) is tried
//    with a = Σ_ij y_i·((adj(C)_ij·y_j) mod d), so that a/d ≡ yᵀC⁻¹y = λ(y, y) (mod 1):
//    a ≡ -2 (mod d) qualifies when e ∉ {-2, -1, 1}, a ≡ 2 (mod d) when e ∉ {-1, 1, 2}; the first
//    qualifying element gives notObstructed, none gives obstructed.
// Trouble in the exact arithmetic, a 64-bit overflow in the enumeration or d = 0 gives undecided:
// no obstruction is claimed from a computation that was not exact. The zero element is tried last.
// Clears ArithTrouble first and leaves it as the computation ended. Preconditions: 1 <= n <= 70
// (RangeError otherwise); V a Seifert matrix of a knot, so that |d| is odd (not relied on).
// The enumeration polls every 65536 elements; a Stop or Skip seen there makes it undecided.
LickorishVerdict LickorishVerdictOf(const IntMatrix& v, int n, int32_t signature,
                                    const std::atomic<bool>* stop = nullptr,
                                    const std::atomic<bool>* skip = nullptr);

// The test on the current knot (WorkingMatrix, WorkingSize and its signature): false when the
// obstruction holds, true when it does not or could not be decided; an undecided test leaves the
// field "erError in verification of Lickorish test" (LaTeX "erError").
// Precondition: WorkingSize 1..70.
bool LickorishTest(KnotState& state);

}  // namespace corvane
