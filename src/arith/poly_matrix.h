// Square matrices of rational polynomials (up to 12 × 12, blocks up to 8 × 8), their elementary
// operations, and the determinant and adjugate of such a matrix by Euclidean elimination over
// Q[t] followed by cofactor expansion of a small remaining block. Used on tV - Vᵀ.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "arith/errors.h"
#include "arith/polynomial.h"

namespace corvane {

inline constexpr int kPolyMatrixDim = 12;  // PolyMatrix: rows and columns 1..12
inline constexpr int kPolyBlockDim = 8;    // PolyBlock: rows and columns 1..8

// Dim × Dim polynomials indexed (row, column) from 1. A matrix of size n uses the upper-left
// n × n block; all other entries are the zero polynomial. Indices outside 1..Dim throw
// RangeError.
template <int Dim>
class PolySquare {
  public:
    RatPoly& operator()(int i, int j) { return entries_[Index(i, j)]; }
    const RatPoly& operator()(int i, int j) const { return entries_[Index(i, j)]; }
    bool operator==(const PolySquare&) const = default;

  private:
    static size_t Index(int i, int j) {
        if (i < 1 || i > Dim || j < 1 || j > Dim) {
            throw RangeError(Dim == kPolyBlockDim ? "PolyBlock index" : "PolyMatrix index");
        }
        return static_cast<size_t>((i - 1) * Dim + (j - 1));
    }
    std::array<RatPoly, static_cast<size_t>(Dim) * Dim> entries_{};
};

using PolyMatrix = PolySquare<kPolyMatrixDim>;
using PolyBlock = PolySquare<kPolyBlockDim>;

// All 144 entries zero.
PolyMatrix PolyMatZero();
// The constant 1 on the diagonal positions 1..n, zero elsewhere; n outside 0..12 throws
// RangeError.
PolyMatrix PolyMatIdentity(int n);
// The constant 1 on all twelve diagonal positions.
PolyMatrix PolyMatIdentity12();

// C = A·B on the n × n block: C(i,k) = Σ_{j=1..n} A(i,j)·B(j,k) by PolyMul, accumulated with
// PolyAdd in increasing j (zero products add nothing and are skipped). Exact unless ArithTrouble
// is set afterwards.
PolyMatrix PolyMatMul(const PolyMatrix& a, const PolyMatrix& b, int n);

// M with entries 1..n of rows i and j (columns i and j) exchanged.
PolyMatrix PolySwapRows(const PolyMatrix& m, int i, int j, int n);
PolyMatrix PolySwapColumns(const PolyMatrix& m, int i, int j, int n);

// M with row target := row target + c·t^s·row source over columns 1..n, entry by entry with
// PolyScaleShift and PolyAdd (s >= 0, else RangeError). The column form adds c·t^s·column
// source to column target over rows 1..n. Exact unless ArithTrouble is set afterwards.
PolyMatrix PolyAddRowMultiple(const PolyMatrix& m, int target, int source, int n, int64_t s,
                              Rational c);
PolyMatrix PolyAddColumnMultiple(const PolyMatrix& m, int target, int source, int n, int64_t s,
                                 Rational c);

// In-place forms of the elementary operations, for the elimination that owns its matrices.
namespace inplace {
void PolySwapRows(PolyMatrix& m, int i, int j, int n);
void PolySwapColumns(PolyMatrix& m, int i, int j, int n);
void PolyAddRowMultiple(PolyMatrix& m, int target, int source, int n, int64_t s, Rational c);
void PolyAddColumnMultiple(PolyMatrix& m, int target, int source, int n, int64_t s, Rational c);
}  // namespace inplace

// det B of the m × m block, 0 <= m <= 8 (else RangeError); det of the empty block is 1.
// m = 1: B(1,1); m = 2: B(1,1)·B(2,2) + (-(B(1,2)·B(2,1))); m >= 3: Laplace expansion along the
// first column, Σ_{j=1..m} B(j,1)·(-1)^(j+1)·det(minor without row j and column 1), summed in
// increasing j from the zero polynomial. Minors are shared between the terms (each is expanded
// once) and terms with B(j,1) = 0 are skipped. Exact unless ArithTrouble is set afterwards.
RatPoly PolyBlockDeterminant(const PolyBlock& b, int m);

// adj B of the m × m block, 0 <= m <= 8: entry (j,i) = (-1)^(i+j)·det(B without row i and column
// j), so that adj(B)·B = B·adj(B) = det(B)·I. m = 1 gives the block with the single entry 1.
PolyBlock PolyBlockAdjugate(const PolyBlock& b, int m);

// Transforms of an elimination P·M·Q = R (R in PolyDiagResult), all on the n × n block.
struct PolyTransforms {
    PolyMatrix PolyDiagLeft;          // P: the product of the row operations
    PolyMatrix PolyDiagLeftInverse;   // P⁻¹: its columns are the images of the standard basis
    PolyMatrix PolyDiagRight;         // Q: the product of the column operations
    PolyMatrix PolyDiagRightInverse;  // Q⁻¹
    PolyMatrix PolyAdjugate;          // adjugate of M (see PolyDeterminant); zero until built
};

struct PolyDeterminantResult {
    // The determinant, normalised with PolyNormSigns; meaningful only when written is true and
    // ArithTrouble is clear after the call. The zero polynomial while unwritten.
    RatPoly out;
    bool written = false;
    // det M = ExchangeSign · t^StrippedPower · out exactly, once out is written without trouble:
    // ExchangeSign = (-1)^(number of row and column exchanges), StrippedPower = the total power
    // of t divided out of the eliminated diagonal entries.
    int32_t ExchangeSign = 1;
    int64_t StrippedPower = 0;
    // The matrix as far as the elimination got; after a complete elimination of positions
    // 1..e = n - m, rows and columns 1..e are zero off the diagonal and P·M·Q = PolyDiagResult.
    PolyMatrix PolyDiagResult;
    // Engaged when transforms were requested (detOnly false, n > 0).
    std::optional<PolyTransforms> transforms;
};

// The determinant of the n × n matrix M (0 <= n <= 12) over Q[t], up to sign and powers of t.
// The first e = max(n - blockSize, 0) diagonal positions are eliminated by Euclidean row and
// column operations over Q[t] (each step cancels the leading term of an entry against the pivot
// of least degree in its column or row); the remaining m × m block, m = n - e <= 8, is expanded
// by cofactors. The result is out = D·b with D the product of the eliminated diagonal entries,
// each with its largest power of t divided out, and b the determinant of the block, so
// det M = ±t^j·out (see ExchangeSign and StrippedPower). n = 0 gives 1 and touches nothing else.
//
// With detOnly false the transforms P, P⁻¹, Q, Q⁻¹ are kept and, once the elimination is
// complete, PolyAdjugate is built as Q'·(T·P), where Q' is Q with column k scaled by
// b·Π_{i<=e, i≠k} R(i,i) and T is the identity with the block replaced by D·adj(B). When
// StrippedPower is 0, PolyAdjugate·M = M·PolyAdjugate = out·I, indeed PolyAdjugate =
// ExchangeSign·adj(M). When a power of t was stripped that identity does not hold (the
// eliminated and the block columns carry different powers of t); after the early exit for a zero
// row and column PolyAdjugate is not built and stays zero.
//
// On entry (n > 0) ArithTrouble is cleared and TroubleCode emptied; the caller tests
// ArithTrouble afterwards. Soft failures, each leaving ArithTrouble set: trouble of the
// polynomial arithmetic during the elimination (out unwritten); code "9" when one diagonal
// position needs more than 100 passes (out unwritten); code "10" when the constant coefficient
// of D has a denominator above 10000 in absolute value (out unwritten); trouble in the block
// determinant (out written as the zero polynomial). A zero column and row at some position give
// out = 0 at once. Preconditions: 0 <= n <= 12 and 0 <= blockSize <= 8 (RangeError otherwise);
// entries outside the n × n block are ignored. Does not poll.
PolyDeterminantResult PolyDeterminant(const PolyMatrix& m, int n, bool detOnly, int blockSize);

}  // namespace corvane
