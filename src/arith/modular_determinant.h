// Exact determinants of integer matrices without big integers: elimination modulo primes below
// 2^31 and the Hadamard bound decide whether det A is a small integer and, if so, which.
#pragma once

#include <cstdint>
#include <optional>

#include "arith/int_matrix.h"

namespace corvane {

// det A for the n × n block of a, 0 <= n <= kMatrixDim, when |det A| < 2^29; std::nullopt
// when |det A| >= 2^29. Exact for any 64-bit entries: det A is reduced modulo primes
// p_1, p_2, ... just below 2^31 until their product exceeds 2(H + 2^29), H = Π_i ||row_i||
// the Hadamard bound. When every symmetric residue equals the same r with |r| < 2^29, then
// det A ≡ r modulo the product and |det A - r| <= H + 2^29 forces det A = r; when two residues
// differ, det A is not such an r. det of the empty matrix is 1.
std::optional<int64_t> SmallDeterminant(const IntMatrix& a, int n);

}  // namespace corvane
