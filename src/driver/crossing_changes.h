// Upper bounds on the algebraic unknotting number from crossing changes: changing a crossing is an
// algebraic unknotting move, so a set of k crossings of the braid word or diagram code the knot
// was read from whose change leaves Alexander polynomial 1 shows u_a <= k. A crossing change on
// the Seifert surface, V -> V + ε·c·cᵀ, does the same for a knot read as a matrix; and a single
// change of either kind followed by moves found by the move search bounds u_a by 1 + the moves.
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

// A crossing change of the knot, then moves: for a knot read from a braid word or a diagram code
// whose lower bound L >= 2 is below its upper bound (or no upper bound is known), at large effort
// and above, each crossing of the code's diagram, and for a braid word each full twist of two
// strands at most two columns apart inserted between two letters, is changed in turn, and the move
// search (quiet, with a small budget) looks for L - 1 moves from the minimal matrix of the knot it
// leaves, when that matrix's signature allows them. The first success sets upperBound := L (1 +
// the moves found) and its certificate, the changed diagram's Seifert matrix, its reduction and
// the moves following the crossing change. Honours Stop and Skip between changes.
void ChangeThenMovesStep(KnotContext& ctx);

// A crossing change on the Seifert surface, then moves, for any knot whose lower bound L >= 2 is
// below its upper bound (or none is known), at large effort and above: for a primitive c, twisting
// once along a disk that meets the surface in an arc dual to c is a crossing change and turns the
// Seifert matrix V into V + ε·c·cᵀ (ε = ±1). The vectors c with 1 to 4 entries ±1 and the rest 0,
// fewest entries first, are tried in the working matrix's basis; where the signature of
// V + ε·c·cᵀ allows L - 1 moves, the move search looks for them on its minimal matrix as in
// ChangeThenMovesStep. The first success sets upperBound := L and the certificate
// {"method": "crossing change", "vector": c, "sign": ε, "then": ...}. Honours Stop and Skip.
void RankOneChangeStep(KnotContext& ctx);

// The same change alone, for a knot with lower bound 1 and no upper bound 1 yet: the vectors c of
// ScanRankOneUnknotting, within RankOneScanBudget, for one that leaves Alexander polynomial 1. It
// sets upperBound := 1, detectedBy := "crossing change " and the certificate
// {"method": "crossing change", "vector": c, "sign": ε}.
void RankOneUnknotStep(KnotContext& ctx);

}  // namespace corvane
