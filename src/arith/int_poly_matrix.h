// Polynomials in t with 64-bit integer coefficients (exponents 0..27) and 12 × 12 matrices of
// them: the presentations of the Alexander module that the Nakanishi search diagonalises by
// integral row and column operations. Their arithmetic is that of the rational polynomials on
// integral values, with the same limits and the same trouble codes (a product refused as RatMul
// refuses it, a sum as RatAdd does, a shift beyond t^27 as PolyScaleShift does), in half the
// memory and without the fractions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "arith/errors.h"
#include "arith/poly_matrix.h"
#include "arith/polynomial.h"

namespace corvane {

// Σ c[i]·t^i, i = 0..27. Invariant: degree is the highest i with c[i] != 0, or -1 for the zero
// polynomial; every coefficient above degree is 0.
struct IntPoly {
    int64_t degree = -1;
    std::array<int64_t, kPolyMaxDegree + 1> c{};
    bool operator==(const IntPoly&) const = default;
};

// 12 × 12 integer polynomials indexed (row, column) from 1, used like PolyMatrix: a matrix of
// size n uses the upper-left n × n block. The degrees and leading coefficients are kept apart
// from the coefficients, in a few cache lines, so that scans for pivots and zero entries touch no
// coefficient; each entry's coefficients start on a cache line. Indices outside 1..12 throw
// RangeError.
class IntPolyMatrix {
  public:
    IntPolyMatrix() { degree_.fill(-1); }

    int64_t Degree(int i, int j) const { return degree_[Index(i, j)]; }
    // All degrees and leading coefficients, entry (i, j) at (i - 1)·12 + (j - 1). Sixteen
    // degrees can be read from any entry on: the padding after the last entry holds -1.
    static constexpr size_t kDegreePadding = 16;
    const std::array<int8_t, static_cast<size_t>(kPolyMatrixDim) * kPolyMatrixDim + kDegreePadding>&
    Degrees() const {
        return degree_;
    }
    const std::array<int64_t, static_cast<size_t>(kPolyMatrixDim) * kPolyMatrixDim>& Leads() const {
        return lead_;
    }
    // The leading coefficient; 0 for the zero polynomial.
    int64_t Lead(int i, int j) const { return lead_[Index(i, j)]; }
    IntPoly Entry(int i, int j) const;
    void Set(int i, int j, const IntPoly& p);
    bool operator==(const IntPolyMatrix&) const = default;

  private:
    friend struct IntPolyMatrixAccess;
    static constexpr size_t kEntries = static_cast<size_t>(kPolyMatrixDim) * kPolyMatrixDim;
    static size_t Index(int i, int j) {
        if (i < 1 || i > kPolyMatrixDim || j < 1 || j > kPolyMatrixDim) {
            throw RangeError("IntPolyMatrix index");
        }
        return static_cast<size_t>((i - 1) * kPolyMatrixDim + (j - 1));
    }
    std::array<int8_t, kEntries + kDegreePadding> degree_{};
    std::array<int64_t, kEntries> lead_{};
    alignas(64) std::array<std::array<int64_t, 32>, kEntries> coeffs_{};
};

// a + b as RatAdd(a/1, b/1) forms it: 1 while trouble is set; otherwise, for a, b != 0, trouble
// "q1q2" (and 1) when RatAdd refuses the first operand or the sum leaves 64 bits.
int64_t SumAsRational(int64_t a, int64_t b);
// a·b as RatMul(a/1, b/1) forms it: 1 while trouble is set, trouble "q" (and 1) where RatMul
// refuses the operands.
int64_t ProductAsRational(int64_t a, int64_t b);

// p with each coefficient num/den, |den| = 1, as the integer num·den; throws RangeError for a
// coefficient that is not an integer in that form.
IntPoly IntPolyFromRat(const RatPoly& p);
// p with coefficients c/1.
RatPoly RatPolyFromInt(const IntPoly& p);

// The n × n block of m as integer polynomials (IntPolyFromRat of each entry).
IntPolyMatrix IntPolyMatrixFrom(const PolyMatrix& m, int n);
// The constant 1 on the diagonal positions 1..n; n outside 0..12 throws RangeError.
IntPolyMatrix IntPolyMatIdentity(int n);

namespace inplace {

// Exchange entries 1..n of rows (columns) i and j.
void IntPolySwapRows(IntPolyMatrix& m, int i, int j, int n);
void IntPolySwapColumns(IntPolyMatrix& m, int i, int j, int n);

// Row (column) target += c·t^s·row (column) source on entries 1..n, s >= 0 (else RangeError).
// Trouble, raised exactly where the rational row operation raises it, ends the operation with
// the matrix no longer meaningful; while trouble is set nothing is computed.
void IntPolyAddRowMultiple(IntPolyMatrix& m, int target, int source, int n, int64_t s, int64_t c);
void IntPolyAddColumnMultiple(IntPolyMatrix& m, int target, int source, int n, int64_t s,
                              int64_t c);

// m(ti, tj) := m(ti, tj) - a·m(si, sj), with the arithmetic and trouble of
// PolyAdd(m(ti, tj), PolyNeg(PolyMul(a, m(si, sj)))) ("p11maxpcoeff" when the degrees of the
// product sum to more than 26); (ti, tj) and (si, sj) differ.
void IntPolySubtractProduct(IntPolyMatrix& m, int ti, int tj, const IntPoly& a, int si, int sj);

}  // namespace inplace

}  // namespace corvane
