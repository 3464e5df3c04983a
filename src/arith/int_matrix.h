// The fixed-size integer matrix and vector of all exact linear algebra: 70 × 70 and 70 signed
// 64-bit entries, indexed from 1. A matrix of size r × c occupies the upper-left block and the
// entries outside it are zero. Every operation works on a copy and returns a new value.
#pragma once

#include <array>
#include <cstdint>

#include "arith/errors.h"

namespace corvane {

inline constexpr int kMatrixDim = 70;

class IntVector {
  public:
    int64_t& operator()(int i) { return v_[Index(i)]; }
    int64_t operator()(int i) const { return v_[Index(i)]; }
    bool operator==(const IntVector&) const = default;

  private:
    static int Index(int i) {
        if (i < 1 || i > kMatrixDim) throw RangeError("IntVector index");
        return i - 1;
    }
    std::array<int64_t, kMatrixDim> v_{};
};

class IntMatrix {
  public:
    int64_t& operator()(int i, int j) { return m_[Index(i, j)]; }
    int64_t operator()(int i, int j) const { return m_[Index(i, j)]; }
    bool operator==(const IntMatrix&) const = default;

  private:
    static int Index(int i, int j) {
        if (i < 1 || i > kMatrixDim || j < 1 || j > kMatrixDim) throw RangeError("IntMatrix index");
        return (i - 1) * kMatrixDim + (j - 1);
    }
    std::array<int64_t, kMatrixDim * kMatrixDim> m_{};
};

IntMatrix ZeroMatrix();
IntVector ZeroVector();
// 1 on the diagonal positions 1..n.
IntMatrix IdentityMatrix(int n);
// e_i.
IntVector UnitVector(int i);

// A + B on the n × n block; a plain sum that throws OverflowError.
IntMatrix MatAdd(const IntMatrix& a, const IntMatrix& b, int n);
// A·B on the n × n block; products by CheckedMul, accumulated by a plain (throwing) sum.
IntMatrix MatMul(const IntMatrix& a, const IntMatrix& b, int n);
// Mᵀ on the n × n block.
IntMatrix Transpose(const IntMatrix& m, int n);
// M·v for an n × n block (CheckedMul and CheckedAdd).
IntVector MatVec(const IntMatrix& m, const IntVector& v, int n);
// M·v for a rows × cols block.
IntVector MatVecRect(const IntMatrix& m, const IntVector& v, int rows, int cols);

IntMatrix SwapRows(const IntMatrix& m, int i, int j, int cols);
IntMatrix SwapColumns(const IntMatrix& m, int i, int j, int rows);
IntMatrix ScaleRow(const IntMatrix& m, int i, int64_t c, int cols);
IntMatrix ScaleColumn(const IntMatrix& m, int i, int64_t c, int rows);
// row target := row target + c·row source over columns 1..cols.
IntMatrix AddRowMultiple(const IntMatrix& m, int target, int source, int64_t c, int cols);
// column target := column target + c·column source over rows 1..rows.
IntMatrix AddColumnMultiple(const IntMatrix& m, int target, int source, int64_t c, int rows);

// In-place forms of the elementary operations, for the hot loops that own their matrix.
namespace inplace {
void SwapRows(IntMatrix& m, int i, int j, int cols);
void SwapColumns(IntMatrix& m, int i, int j, int rows);
void ScaleRow(IntMatrix& m, int i, int64_t c, int cols);
void ScaleColumn(IntMatrix& m, int i, int64_t c, int rows);
void AddRowMultiple(IntMatrix& m, int target, int source, int64_t c, int cols);
void AddColumnMultiple(IntMatrix& m, int target, int source, int64_t c, int rows);
}  // namespace inplace

}  // namespace corvane
