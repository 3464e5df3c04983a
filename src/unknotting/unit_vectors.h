// The systematic stage of the move search. A move needs a basis vector x with xᵀ·V·x = ±1 (such
// an x is primitive by itself); instead of waiting for random congruences to produce one, short
// vectors of the form are enumerated in growing boxes, brought to the front of a basis by
// Euclid's algorithm on their coordinates, and the first row and column are cleared as in the
// random search, so that the move can be tried and checked the same way.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "arith/int_matrix.h"

namespace corvane {

// Coordinates of a lattice vector, 1-based (entry 0 unused), for matrices of size at most 16.
inline constexpr int kLatticeDim = 16;
using LatticeVector = std::array<int64_t, kLatticeDim + 1>;

// Visits, shell by shell (sup norm r = 1, 2, ...), the vectors x of Z^n whose first non-zero
// coordinate is positive and with xᵀ·V·x = ε = ±1, calling visit(x, ε) for each; visit returns
// true to end the enumeration. At most `limit` vectors of the boxes are looked at, and no shell is
// begun that would exceed the limit. Returns the number looked at. Nothing is enumerated for
// n outside 1..kLatticeDim or entries of V above 2^40 in absolute value.
int64_t ForEachUnitVector(const IntMatrix& v, int n, int64_t limit,
                          const std::function<bool(const LatticeVector&, int64_t)>& visit);

// A basis in which the form has small entries: the columns of a unimodular Q such that Qᵀ·V·Q
// has a small sum of squared entries, found by pairwise reduction (shears e_i += c·e_j that lower
// that sum, until none does). It undoes congruences that hide a small matrix. The identity when n
// is outside 1..kLatticeDim or an entry of V exceeds 2^40; entries stay below 2^40.
IntMatrix ReducedBasis(const IntMatrix& v, int n);

// ForEachUnitVector in the reduced basis Q = ReducedBasis(V): the boxes are those of the form
// Qᵀ·V·Q, and each vector y found is passed on as x = Q·y, in the coordinates of V (so
// xᵀ·V·x = ε and xᵀ·Vᵀ·x = ε). Vectors whose coordinates would exceed 2^40 are left out.
int64_t ForEachReducedUnitVector(const IntMatrix& v, int n, int64_t limit,
                                 const std::function<bool(const LatticeVector&, int64_t)>& visit);

// Elementary congruences M := Pᵀ·M·P, recorded as Q := Q·P, after which the first basis vector
// is ±x, so that M[1,1] = xᵀ·M·x. Needs x primitive (gcd of its coordinates 1).
void BringToFront(IntMatrix& m, IntMatrix& q, int n, LatticeVector x);

// With M[1,1] = ±1: congruences (recorded in Q) that make M[1,s] = 0 for s >= 2 and, by Euclid's
// algorithm on the first column, M[s,1] = 0 for s >= 3. True when M[2,1] = 1 at the end, which
// holds whenever M - Mᵀ is unimodular, and no trouble occurred. Deterministic.
bool ClearFirstRowAndColumn(IntMatrix& m, IntMatrix& q, int n);

// The move with first vector x (xᵀ·V·x = ε) turns V into V' = V - ε·u·uᵀ with u = Vᵀ·x. A
// necessary condition for V' to have Alexander polynomial 1: det(V' + V'ᵀ) = ±1 and
// |det(t·V' - V'ᵀ)| a power of t for t = 2, 3. Exact in 128-bit arithmetic; true (undecided)
// when that overflows.
bool MayLeaveTrivialAlexander(const IntMatrix& v, int n, const LatticeVector& x, int64_t epsilon);

}  // namespace corvane
