// The determinant of the knot and the homology of its 2-fold branched cover L_2, both read off
// the presentation matrix V + Vᵀ of H_1(L_2).
#pragma once

#include "knot/knot_context.h"

namespace corvane {

// For the current knot with working matrix V (size m >= 1): determinant := det(V + Vᵀ) with its
// sign, the fields "dt" and "l2" (H_1(L_2) as its invariant factors), the Wendt bound (H_1(L_2)
// needs GeneratorCount generators, and each crossing change alters the number of generators by
// at most one) and the Nakanishi bound from H_1(L_2), with their status lines.
// The checked 64-bit diagonalization is tried first; where it runs out of range, or the
// determinant leaves 32 bits, both are computed with big integers (determinant and Smith form)
// and printed in full; the record's determinant is then 0 when it does not fit in 32 bits.
void DeterminantAndDoubleCover(KnotContext& ctx);

class BigMatrix;
// The same, computed with big integers, for a knot whose minimal matrix V has entries beyond
// 64 bits.
void DeterminantAndDoubleCover(KnotContext& ctx, const BigMatrix& v);

}  // namespace corvane
