// The Alexander polynomial det(tV - Vᵀ) of an integer Seifert matrix V, computed exactly over
// Q[t] with the polynomial determinant, retrying with larger cofactor blocks when the exact
// arithmetic runs out of range.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "arith/int_matrix.h"
#include "arith/poly_matrix.h"
#include "arith/polynomial.h"

namespace corvane {

struct KnotState;
class BigMatrix;

inline constexpr int kAlexanderMaxSize = 12;        // larger matrices are refused
inline constexpr int32_t kAlexanderFirstBlock = 6;  // block size of the first attempt
inline constexpr int32_t kAlexanderLastBlock = 8;   // largest block size tried

struct AlexanderResult {
    // ±det(tV - Vᵀ) (see AlexanderPolynomial); degree -1 marks a reported failure.
    RatPoly out;
    // n exceeded 12; out is then the zero polynomial.
    bool MatrixTooLarge = false;
    // The block size of the last attempt: the one that succeeded, or the largest one tried. The
    // adjugate of the same matrix is computed with this value.
    int32_t DetBlockSize = kAlexanderFirstBlock;
};

// A = tV - Vᵀ as a polynomial matrix: A(i,j) = V(i,j)·t - V(j,i) for i, j = 1..n, zero elsewhere.
// Precondition 0 <= n <= 12 (RangeError otherwise); negating V(j,i) = -2^63 throws
// OverflowError.
PolyMatrix AlexanderMatrix(const IntMatrix& v, int n);

// The Alexander polynomial of the n × n Seifert matrix V (upper-left block of v), n >= 0:
// out = ±det(tV - Vᵀ), computed by PolyDeterminant with block sizes 6, 7, 8 in turn (a block
// size above n is not tried after the first attempt), each attempt starting with ArithTrouble
// clear, until one succeeds. The sign is that of PolyDeterminant (exchanges are not counted),
// and powers of t may be divided out of eliminated diagonal entries. For a non-singular V none
// can be, because the constant coefficient of det(tV - Vᵀ) is ±det V ≠ 0: out = ±det(tV - Vᵀ)
// exactly, of degree n. n = 0 gives 1.
//
// n > 12: out = 0 and MatrixTooLarge. When every attempt failed, ArithTrouble stays set for the
// caller; with report, out becomes the zero polynomial (degree -1) and, when state is given, the
// current knot's "er" result field is set to "erError in calculation of Alexander polynomial"
// (LaTeX "erError"). Without report, out is what the last attempt produced and the caller tests
// ArithTrouble. n < 0 throws RangeError.
AlexanderResult AlexanderPolynomial(const IntMatrix& v, int n, bool report,
                                    KnotState* state = nullptr);

// det(tV - Vᵀ) of the n × n Seifert matrix V (0 <= n <= 70) computed exactly with big integers,
// with its true sign: `coefficients` holds c_0..c_d in decimal (c_0 = (-1)^n det V, c_n = det V),
// and `small` the same polynomial as a RatPoly when its degree is at most 27 and every
// coefficient fits in 64 bits (nullopt otherwise). n = 0 gives 1. RangeError for n outside 0..70.
struct ExactAlexanderResult {
    std::vector<std::string> coefficients;
    std::optional<RatPoly> small;
};
ExactAlexanderResult ExactAlexanderPolynomial(const IntMatrix& v, int n);
// The same for a square matrix of big integers.
ExactAlexanderResult ExactAlexanderPolynomial(const BigMatrix& v);

}  // namespace corvane
