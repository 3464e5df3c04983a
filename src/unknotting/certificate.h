// Certificates of the bounds on the algebraic unknotting number, as the JSON texts a knot's record
// carries into the results: the evidence from which an independent check (certificate_check.h)
// replays each bound without repeating any search.
#pragma once

#include <cstdint>
#include <string>

#include "knot/knot_record.h"
#include "unknotting/move_search.h"

namespace corvane {

// {"method": "moves", "moves": [...]}: for every move of the sequence, in order, its matrix L
// ("given"), the enlargement X ("enlarged"), whether the move acts on Xᵀ ("transposed"), the
// unimodular Q ("basis") with Qᵀ·X'·Q = M ("move_matrix"), and the reduction passes U of the
// remainder W (MinimalSEquivalent's evidence), whose last reduced matrix is the next move's L.
// With a congruence P ("congruence", before the moves), the first move acts on Pᵀ·V·P.
// Empty when a reduction pass cannot be recorded within 64 bits.
std::string MoveSequenceCertificate(const MoveSequence& sequence);

// {"method": "trivial"}: the minimal matrix is empty, so the Alexander polynomial is 1 and u_a = 0.
std::string TrivialKnotCertificate();

// The certificate of the knot's lower bound, from the invariants its record holds: the Alexander
// polynomial (a bound of 1), the signature |σ|/2, or the number of generators of H_1 of the 2-fold
// branched cover, whichever reaches the bound first; otherwise the name of the obstruction that
// found it, which the check cannot replay yet. Empty when the lower bound is 0.
std::string LowerBoundCertificate(const KnotRecord& knot);

}  // namespace corvane
