// Upper bounds on the algebraic unknotting number from the knot's own diagram: changing a crossing
// is an algebraic unknotting move, so a set of k crossings of the braid word or diagram code the
// knot was read from whose change leaves Alexander polynomial 1 shows u_a <= k.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "input/diagram.h"
#include "knot/knot_context.h"

namespace corvane {

// The sets of crossings tried, at most, for unknotting effort 0..3.
int64_t CrossingChangeBudget(int32_t effort);

// Whether changing the crossings `changed` (0-based, distinct) of the diagram leaves a knot with
// Alexander polynomial 1: its Seifert matrix reduces by S-equivalence to the empty matrix.
// nullopt when that cannot be decided (a matrix above 70 rows or beyond the checked arithmetic).
std::optional<bool> ChangesUnknotAlgebraically(const std::vector<PdCrossing>& pd,
                                               const std::vector<int>& changed);

// The search of the current knot: when it was read from a braid word or a diagram code and its
// upper bound is missing or above its lower bound L, the sets of k crossings for k = max(L, 1)
// up to one below the upper bound (or L + 1 + effort without one) are tried in lexicographic
// order, within CrossingChangeBudget sets in all; the first set that unknots sets upperBound := k
// (detectedBy := "crossing change " for k = 1) and its certificate. Honours Stop and Skip.
void CrossingChangeStep(KnotContext& ctx);

}  // namespace corvane
