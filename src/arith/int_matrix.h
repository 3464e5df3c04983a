// The fixed-size integer matrix and vector of all exact linear algebra: 70 × 70 and 70 signed
// 64-bit entries, indexed from 1. A matrix of size r × c occupies the upper-left block and the
// entries outside it are zero. Every operation works on a copy and returns a new value.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "arith/errors.h"

namespace corvane {

inline constexpr int kMatrixDim = 70;

// Like IntMatrix below, only the leading entries up to the largest index ever written to are
// kept; the others read as 0.
class IntVector {
  public:
    IntVector() noexcept {}  // user-provided: value-initialisation must not clear the storage
    IntVector(const IntVector& other) noexcept : used_(other.used_) {
        std::copy_n(other.v_.begin(), used_, v_.begin());
    }
    IntVector& operator=(const IntVector& other) noexcept {
        used_ = other.used_;
        std::copy_n(other.v_.begin(), used_, v_.begin());
        return *this;
    }

    int64_t& operator()(int i) {
        const int x = Index(i);
        if (i > used_) {
            std::fill(v_.begin() + used_, v_.begin() + i, 0);
            used_ = i;
        }
        return v_[static_cast<size_t>(x)];
    }
    int64_t operator()(int i) const {
        const int x = Index(i);
        return i > used_ ? 0 : v_[static_cast<size_t>(x)];
    }
    // Equality of all 70 entries.
    bool operator==(const IntVector& other) const {
        for (int i = 1; i <= std::max(used_, other.used_); ++i) {
            if ((*this)(i) != other(i)) return false;
        }
        return true;
    }

  private:
    static int Index(int i) {
        if (i < 1 || i > kMatrixDim) throw RangeError("IntVector index");
        return i - 1;
    }
    int used_ = 0;
    std::array<int64_t, kMatrixDim> v_;
};

// Storage is fixed, 70 × 70 entries, but only the leading block up to the largest index ever
// written to is kept: a fresh matrix costs nothing to make, and copies and comparisons move only
// that block. Reading outside it gives 0; a reference to an entry outside it first clears the
// entries the block gains. The storage never moves, so references stay valid.
class IntMatrix {
  public:
    IntMatrix() noexcept {}  // user-provided: value-initialisation must not clear the storage
    IntMatrix(const IntMatrix& other) noexcept : used_(other.used_) { CopyBlock(other); }
    IntMatrix& operator=(const IntMatrix& other) noexcept {
        if (this != &other) {
            used_ = other.used_;
            CopyBlock(other);
        }
        return *this;
    }

    int64_t& operator()(int i, int j) {
        const int x = Index(i, j);
        if (i > used_ || j > used_) Widen(i > j ? i : j);
        return m_[static_cast<size_t>(x)];
    }
    int64_t operator()(int i, int j) const {
        const int x = Index(i, j);
        return i > used_ || j > used_ ? 0 : m_[static_cast<size_t>(x)];
    }
    // Equality of all 70 × 70 entries.
    bool operator==(const IntMatrix& other) const;

  private:
    static int Index(int i, int j) {
        if (i < 1 || i > kMatrixDim || j < 1 || j > kMatrixDim) throw RangeError("IntMatrix index");
        return (i - 1) * kMatrixDim + (j - 1);
    }
    void CopyBlock(const IntMatrix& other) noexcept;
    // Extends the kept block to n × n, clearing the entries it gains.
    void Widen(int n) noexcept;

    int used_ = 0;  // the kept block is used_ × used_
    std::array<int64_t, kMatrixDim * kMatrixDim> m_;
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
