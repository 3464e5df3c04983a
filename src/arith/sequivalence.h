// S-equivalence reduction of Seifert matrices: while V is singular, a change of basis exhibits
// V as an enlargement of a matrix two sizes smaller, which replaces it.
#pragma once

#include <cstdint>
#include <vector>

#include "arith/int_matrix.h"

namespace corvane {

struct SEquivalenceResult {
    IntMatrix matrix;         // the minimal matrix, valid unless ArithTrouble is set
    int32_t ReducedSize = 0;  // its size: 0 <= size <= n, n - size even
};

// A matrix S-equivalent to the n × n Seifert matrix M that is non-singular or empty (size 0,
// Alexander polynomial 1). Clears ArithTrouble on entry; if it is set on return the reduction
// failed and the matrix is void. Assumes M - Mᵀ unimodular, as for the Seifert matrix of a knot.
//
// With `passes` given, it receives one unimodular matrix U per pass, in order: the pass on the
// matrix W of size s has Z = Uᵀ·W·U with last column zero and last row (0, ..., 0, ±1, 0), and the
// next matrix is the upper-left (s - 2) block of Z. The passes are the evidence of the reduction
// that an independent check can replay.
SEquivalenceResult MinimalSEquivalent(const IntMatrix& m, int n,
                                      std::vector<IntMatrix>* passes = nullptr);

// A unimodular n × n matrix whose last column is the primitive vector v, preferring a sparse
// completion (a unit entry of v, else the cheapest coprime pair); Q, a unimodular matrix that
// already ends in v, is returned when no such completion is found.
IntMatrix CompleteToBasis(const IntMatrix& q, const IntVector& v, int n);

}  // namespace corvane
