#include "arith/int_matrix.h"

#include <algorithm>
#include <utility>

#include "arith/checked.h"

namespace corvane {

namespace {

void CheckSize(int n, const char* where) {
    if (n < 0 || n > kMatrixDim) throw RangeError(where);
}

}  // namespace

void IntMatrix::CopyBlock(const IntMatrix& other) noexcept {
    for (int i = 0; i < used_; ++i) {
        const size_t row = static_cast<size_t>(i) * kMatrixDim;
        std::copy_n(other.m_.begin() + static_cast<std::ptrdiff_t>(row), used_,
                    m_.begin() + static_cast<std::ptrdiff_t>(row));
    }
}

void IntMatrix::Widen(int n) noexcept {
    for (int i = 0; i < n; ++i) {
        const size_t row = static_cast<size_t>(i) * kMatrixDim;
        const int from = i < used_ ? used_ : 0;
        std::fill(m_.begin() + static_cast<std::ptrdiff_t>(row + static_cast<size_t>(from)),
                  m_.begin() + static_cast<std::ptrdiff_t>(row + static_cast<size_t>(n)), 0);
    }
    used_ = n;
}

bool IntMatrix::operator==(const IntMatrix& other) const {
    const int n = std::max(used_, other.used_);
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            if ((*this)(i, j) != other(i, j)) return false;
        }
    }
    return true;
}

IntMatrix ZeroMatrix() {
    return IntMatrix{};
}

IntVector ZeroVector() {
    return IntVector{};
}

IntMatrix IdentityMatrix(int n) {
    CheckSize(n, "IdentityMatrix");
    IntMatrix m;
    for (int i = 1; i <= n; ++i) m(i, i) = 1;
    return m;
}

IntVector UnitVector(int i) {
    IntVector v;
    v(i) = 1;
    return v;
}

IntMatrix MatAdd(const IntMatrix& a, const IntMatrix& b, int n) {
    CheckSize(n, "MatAdd");
    IntMatrix r = a;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) r(i, j) = PlainAdd(a(i, j), b(i, j));
    return r;
}

IntMatrix MatMul(const IntMatrix& a, const IntMatrix& b, int n) {
    CheckSize(n, "MatMul");
    IntMatrix r;
    for (int i = 1; i <= n; ++i) {
        for (int k = 1; k <= n; ++k) {
            const int64_t aik = a(i, k);
            if (aik == 0) continue;
            for (int j = 1; j <= n; ++j) r(i, j) = PlainAdd(r(i, j), CheckedMul(aik, b(k, j)));
        }
    }
    return r;
}

IntMatrix Transpose(const IntMatrix& m, int n) {
    CheckSize(n, "Transpose");
    IntMatrix r = m;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) r(i, j) = m(j, i);
    return r;
}

IntVector MatVec(const IntMatrix& m, const IntVector& v, int n) {
    return MatVecRect(m, v, n, n);
}

IntVector MatVecRect(const IntMatrix& m, const IntVector& v, int rows, int cols) {
    CheckSize(rows, "MatVecRect");
    CheckSize(cols, "MatVecRect");
    IntVector r;
    for (int i = 1; i <= rows; ++i) {
        int64_t sum = 0;
        for (int j = 1; j <= cols; ++j) sum = CheckedAdd(sum, CheckedMul(m(i, j), v(j)));
        r(i) = sum;
    }
    return r;
}

namespace inplace {

void SwapRows(IntMatrix& m, int i, int j, int cols) {
    CheckSize(cols, "SwapRows");
    for (int c = 1; c <= cols; ++c) std::swap(m(i, c), m(j, c));
}

void SwapColumns(IntMatrix& m, int i, int j, int rows) {
    CheckSize(rows, "SwapColumns");
    for (int r = 1; r <= rows; ++r) std::swap(m(r, i), m(r, j));
}

void ScaleRow(IntMatrix& m, int i, int64_t c, int cols) {
    CheckSize(cols, "ScaleRow");
    for (int k = 1; k <= cols; ++k) m(i, k) = CheckedMul(m(i, k), c);
}

void ScaleColumn(IntMatrix& m, int i, int64_t c, int rows) {
    CheckSize(rows, "ScaleColumn");
    for (int k = 1; k <= rows; ++k) m(k, i) = CheckedMul(m(k, i), c);
}

void AddRowMultiple(IntMatrix& m, int target, int source, int64_t c, int cols) {
    CheckSize(cols, "AddRowMultiple");
    for (int k = 1; k <= cols; ++k)
        m(target, k) = CheckedAdd(CheckedMul(c, m(source, k)), m(target, k));
}

void AddColumnMultiple(IntMatrix& m, int target, int source, int64_t c, int rows) {
    CheckSize(rows, "AddColumnMultiple");
    for (int k = 1; k <= rows; ++k)
        m(k, target) = CheckedAdd(CheckedMul(c, m(k, source)), m(k, target));
}

}  // namespace inplace

IntMatrix SwapRows(const IntMatrix& m, int i, int j, int cols) {
    IntMatrix r = m;
    inplace::SwapRows(r, i, j, cols);
    return r;
}

IntMatrix SwapColumns(const IntMatrix& m, int i, int j, int rows) {
    IntMatrix r = m;
    inplace::SwapColumns(r, i, j, rows);
    return r;
}

IntMatrix ScaleRow(const IntMatrix& m, int i, int64_t c, int cols) {
    IntMatrix r = m;
    inplace::ScaleRow(r, i, c, cols);
    return r;
}

IntMatrix ScaleColumn(const IntMatrix& m, int i, int64_t c, int rows) {
    IntMatrix r = m;
    inplace::ScaleColumn(r, i, c, rows);
    return r;
}

IntMatrix AddRowMultiple(const IntMatrix& m, int target, int source, int64_t c, int cols) {
    IntMatrix r = m;
    inplace::AddRowMultiple(r, target, source, c, cols);
    return r;
}

IntMatrix AddColumnMultiple(const IntMatrix& m, int target, int source, int64_t c, int rows) {
    IntMatrix r = m;
    inplace::AddColumnMultiple(r, target, source, c, rows);
    return r;
}

}  // namespace corvane
