// One knot from its record to its results: the test that its matrix is a knot's, the reduction
// to a minimal S-equivalent matrix, and the trivial or the full computation of its invariants.
#pragma once

#include "knot/knot_context.h"

namespace corvane {

// What became of a knot's computation.
enum class KnotEnd {
    computed,  // its results are in its record (possibly an error field)
    notAKnot,  // its line gives no knot: the record's row says why
};

// Computes ctx.state.record in place, from the initial result-slot layout: a line that is not a knot gets an "er" field with the
// reason and no bounds; a matrix whose reduction fails gets "erError in S-equivalence reduction";
// a knot whose minimal matrix is empty (Alexander polynomial 1) gets the trivial results; every
// other knot goes through the invariant sequence, where an overflow or range error becomes an
// "er" field of this knot alone. Precondition: ctx.state.record holds the knot as read.
KnotEnd ComputeKnot(KnotContext& ctx);

}  // namespace corvane
