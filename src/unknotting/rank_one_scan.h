// Single crossing changes on the Seifert surface that leave Alexander polynomial 1. Twisting a knot
// once along a disk that meets its Seifert surface in a proper arc is a crossing change, and it
// turns the Seifert matrix V into V + ε·c·cᵀ (ε = ±1, c the intersection numbers of the basis
// curves with the arc; every primitive c occurs). With A = tV - Vᵀ, the matrix determinant lemma
// gives the changed Alexander polynomial Δ + ε·(t - 1)·cᵀ·adj(A)·c, so a scan over many vectors c
// needs one adjugate and a quadratic form per vector.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "arith/int_matrix.h"

namespace corvane {

struct RankOneChange {
    std::vector<int64_t> vector;  // c, primitive
    int64_t sign = 1;             // ε
};

// The next k-subset of 0..n-1 in lexicographic order (s holds k increasing indices); false after
// the last one.
bool NextSubset(std::vector<int>& s, int n);

// Vectors scanned, at most, for unknotting effort 0..3.
int64_t RankOneScanBudget(int32_t effort);

// The first change V + ε·c·cᵀ of the n × n Seifert matrix V (2 <= n <= 12) that reduces to the
// empty matrix, within `budget` vectors c (first nonzero entry positive): those with entries
// -1, 0, 1, fewest nonzero entries first, then the primitive ones with entries -2..2. Candidates
// are screened by the changed polynomial's values modulo a prime at three points, which must be
// ±t^k with one sign and k for all three, and confirmed by the exact reduction. nullopt when none
// is found or V is beyond the screen (entries above 2^40, or every point a root of Δ modulo the
// prime).
std::optional<RankOneChange> ScanRankOneUnknotting(const IntMatrix& v, int n, int64_t budget);

}  // namespace corvane
