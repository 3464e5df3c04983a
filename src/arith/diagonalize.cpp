#include "arith/diagonalize.h"

#include <utility>

#include "arith/checked.h"
#include "arith/poll.h"

namespace corvane {

namespace {

// The elimination state of one call: the working matrix and the transforms it accumulates.
// Row operations on M are mirrored on P (same operation) and P⁻¹ (inverse operation on columns);
// column operations on M on Q (same) and Q⁻¹ (inverse on rows).
class Elimination {
  public:
    Elimination(const IntMatrix& m, int rows, int cols, const DiagonalizeMode& mode,
                DiagonalizeResult& out)
        : m_(m),
          rows_(rows),
          cols_(cols),
          reducedCols_(mode.solveLastColumn ? cols - 1 : cols),
          trackLeft_(!mode.noTransforms && !mode.rightOnly),
          trackRight_(!mode.noTransforms),
          trackRightInverse_(!mode.noTransforms && !mode.rightOnly),
          noTransforms_(mode.noTransforms),
          modulus_(mode.modulus),
          out_(out) {
        // The transforms start as identities; out is freshly made, so only the diagonal is set.
        if (!mode.noTransforms) {
            for (int i = 1; i <= rows; ++i) out_.DiagLeft(i, i) = out_.DiagLeftInverse(i, i) = 1;
            for (int i = 1; i <= cols; ++i) out_.DiagRight(i, i) = out_.DiagRightInverse(i, i) = 1;
        }
    }

    // Runs the pivot steps. Returns false when the elimination stopped early: on trouble, or on
    // a zero row and column of a square determinant-only call (the matrix is singular).
    bool Run() {
        for (int k = 1; k <= rows_; ++k) {
            bool done = false;
            while (!done) {
                CheckPause();
                if (!PivotStep(k, done)) return false;
            }
        }
        return true;
    }

    int sign() const { return sign_; }
    const IntMatrix& matrix() const { return m_; }
    int reducedCols() const { return reducedCols_; }

  private:
    // One pass of the pivot step for position k; sets done when row and column k are clear.
    bool PivotStep(int k, bool& done) {
        ChooseRowPivot(k);
        const bool columnClear = m_(k, k) == 0;
        if (!columnClear && !EliminateBelow(k)) return false;
        if (modulus_ > 0) ReduceAfterRows(k);

        ChooseColumnPivot(k);
        const bool rowClear = m_(k, k) == 0;
        if (!rowClear && !EliminateRight(k)) return false;
        if (columnClear && rowClear && noTransforms_ && rows_ == cols_) {
            return false;
        }
        if (modulus_ > 0) ReduceAfterColumns(k);
        done = IsClear(k);
        return true;
    }

    void ChooseRowPivot(int k) {
        int best = k;
        for (int j = k + 1; j <= rows_; ++j) {
            const int64_t entry = m_(j, k);
            if (entry != 0 && (m_(best, k) == 0 || PlainAbs(entry) < PlainAbs(m_(best, k))))
                best = j;
        }
        if (best != k) {
            inplace::SwapRows(m_, best, k, cols_);
            if (trackLeft_) {
                inplace::SwapRows(out_.DiagLeft, best, k, rows_);
                inplace::SwapColumns(out_.DiagLeftInverse, best, k, rows_);
            }
            sign_ = -sign_;
        }
        if (m_(k, k) < 0) {
            NegateRow(m_, k, cols_);
            if (trackLeft_) {
                NegateRow(out_.DiagLeft, k, rows_);
                NegateColumn(out_.DiagLeftInverse, k, rows_);
            }
            sign_ = -sign_;
        }
    }

    void ChooseColumnPivot(int k) {
        int best = k;
        for (int j = k + 1; j <= reducedCols_; ++j) {
            const int64_t entry = m_(k, j);
            if (entry != 0 && (m_(k, best) == 0 || PlainAbs(entry) < PlainAbs(m_(k, best))))
                best = j;
        }
        if (best != k && best <= reducedCols_) {
            inplace::SwapColumns(m_, best, k, rows_);
            if (trackRight_) inplace::SwapColumns(out_.DiagRight, best, k, reducedCols_);
            if (trackRightInverse_) inplace::SwapRows(out_.DiagRightInverse, best, k, reducedCols_);
            sign_ = -sign_;
        }
        if (k <= reducedCols_ && m_(k, k) < 0) {
            NegateColumn(m_, k, rows_);
            if (trackRight_) NegateColumn(out_.DiagRight, k, reducedCols_);
            if (trackRightInverse_) NegateRow(out_.DiagRightInverse, k, reducedCols_);
            sign_ = -sign_;
        }
    }

    // Quotient of the elimination: truncated, except that a small negative entry is cleared
    // upward (q = -1) so that the remainder stays non-negative and below the pivot.
    static int64_t Quotient(int64_t entry, int64_t pivot) {
        if (entry < 0 && PlainAbs(entry) < pivot) return -1;
        return CheckedDiv(entry, pivot);
    }

    bool EliminateBelow(int k) {
        const int64_t pivot = m_(k, k);
        for (int j = k + 1; j <= rows_; ++j) {
            const int64_t q = Quotient(m_(j, k), pivot);
            if (q != 0) {
                const int64_t minusQ = PlainNeg(q);
                inplace::AddRowMultiple(m_, j, k, minusQ, cols_);
                if (trackLeft_) {
                    inplace::AddRowMultiple(out_.DiagLeft, j, k, minusQ, rows_);
                    inplace::AddColumnMultiple(out_.DiagLeftInverse, k, j, q, rows_);
                }
            }
            if (ArithTrouble) return false;
        }
        return true;
    }

    bool EliminateRight(int k) {
        const int64_t pivot = m_(k, k);
        for (int j = k + 1; j <= reducedCols_; ++j) {
            const int64_t q = Quotient(m_(k, j), pivot);
            if (q != 0) {
                const int64_t minusQ = PlainNeg(q);
                inplace::AddColumnMultiple(m_, j, k, minusQ, rows_);
                if (trackRight_)
                    inplace::AddColumnMultiple(out_.DiagRight, j, k, minusQ, reducedCols_);
                if (trackRightInverse_)
                    inplace::AddRowMultiple(out_.DiagRightInverse, k, j, q, reducedCols_);
            }
            if (ArithTrouble) return false;
        }
        return true;
    }

    void ReduceAfterRows(int k) {
        ReduceBlock(m_, k, rows_, k, cols_);
        if (trackLeft_) {
            ReduceBlock(out_.DiagLeft, 1, rows_, 1, rows_);
            ReduceBlock(out_.DiagLeftInverse, 1, rows_, 1, rows_);
        }
    }

    void ReduceAfterColumns(int k) {
        ReduceBlock(m_, k, rows_, k, cols_);
        if (trackRight_) ReduceBlock(out_.DiagRight, 1, reducedCols_, 1, reducedCols_);
        if (trackRightInverse_)
            ReduceBlock(out_.DiagRightInverse, 1, reducedCols_, 1, reducedCols_);
    }

    void ReduceBlock(IntMatrix& a, int firstRow, int lastRow, int firstCol, int lastCol) const {
        for (int i = firstRow; i <= lastRow; ++i)
            for (int j = firstCol; j <= lastCol; ++j) a(i, j) = SymMod(a(i, j), modulus_);
    }

    bool IsClear(int k) const {
        for (int j = k + 1; j <= rows_; ++j)
            if (m_(j, k) != 0) return false;
        for (int j = k + 1; j <= reducedCols_; ++j)
            if (m_(k, j) != 0) return false;
        return true;
    }

    static void NegateRow(IntMatrix& a, int i, int cols) {
        for (int j = 1; j <= cols; ++j) a(i, j) = PlainNeg(a(i, j));
    }

    static void NegateColumn(IntMatrix& a, int j, int rows) {
        for (int i = 1; i <= rows; ++i) a(i, j) = PlainNeg(a(i, j));
    }

    IntMatrix m_;
    const int rows_;
    const int cols_;
    const int reducedCols_;
    const bool trackLeft_;
    const bool trackRight_;
    const bool trackRightInverse_;
    const bool noTransforms_;
    const int64_t modulus_;
    DiagonalizeResult& out_;
    int sign_ = 1;
};

// Solve mode: with D = P·M'·Q diagonal and c = P·b in the last column, M'x = b has the integral
// solution x = Q·y exactly when every d_i divides c_i (and c_i = 0 where d_i = 0).
void ReadSolution(const Elimination& e, int rows, int cols, DiagonalizeResult& out) {
    const IntMatrix& d = e.matrix();
    const int reducedCols = e.reducedCols();
    out.SolutionExists = true;
    IntVector y;
    for (int i = 1; i <= rows; ++i) {
        const int64_t rhs = d(i, cols);
        const int64_t di = i <= reducedCols ? d(i, i) : 0;
        if (di == 0) {
            if (rhs != 0) out.SolutionExists = false;
            continue;
        }
        if (rhs % di != 0) {
            out.SolutionExists = false;
            continue;
        }
        if (i <= reducedCols) y(i) = CheckedDiv(rhs, di);
    }
    if (ArithTrouble) return;
    out.SolutionVector = MatVecRect(out.DiagRight, y, reducedCols, reducedCols);
}

// Prime divisors of e in increasing order, by trial division up to √e.
template <typename Visit>
void ForEachPrimeDivisor(int64_t e, Visit visit) {
    for (int64_t p = 2; p <= e / p; ++p) {
        if (e % p != 0) continue;
        visit(p);
        while (e % p == 0) e /= p;
    }
    if (e > 1) visit(e);
}

}  // namespace

void NormaliseInvariantFactors(DiagonalizeResult& out, int cols) {
    const IntMatrix& d = out.DiagResult;
    std::array<int64_t, kMatrixDim + 1> e{};
    for (int i = 1; i <= kMatrixDim; ++i) e[i] = PlainAbs(d(i, i));
    for (int s = cols; s >= 1; --s) {
        if (e[s] < 2) continue;
        ForEachPrimeDivisor(e[s], [&](int64_t p) {
            int64_t power = 1;
            for (int64_t rest = e[s]; rest % p == 0; rest /= p) power *= p;
            for (int j = 1; j < s; ++j) {
                if (Gcd64(e[j], p) != 1) continue;
                e[s] /= power;
                e[j] = CheckedMul(e[j], power);
                break;
            }
        });
    }
    out.InvariantFactors = e;
    out.GeneratorCount = 0;
    for (int i = 1; i <= cols; ++i)
        if (e[i] != 1) ++out.GeneratorCount;
}

DiagonalizeResult Diagonalize(const IntMatrix& m, int rows, int cols, DiagonalizeMode mode) {
    DiagonalizeResult out;
    if (rows < 0 || cols < 0 || rows > kMatrixDim) throw RangeError("Diagonalize size");
    if (rows == 0 || cols == 0) return out;
    if (cols > kMatrixDim) {
        RaiseTrouble("13");
        return out;
    }
    if (mode.solveLastColumn) mode.noTransforms = false;

    Elimination elimination(m, rows, cols, mode, out);
    if (!elimination.Run()) {
        out.value = 0;  // singular, or void after trouble
        return out;
    }
    const IntMatrix& d = elimination.matrix();
    if (mode.solveLastColumn) {
        ReadSolution(elimination, rows, cols, out);
        return out;
    }

    out.DiagResult = d;
    int64_t product = 1;
    for (int i = 1; i <= rows; ++i) product = CheckedMul(product, d(i, i));
    out.value = elimination.sign() == 1 ? product : PlainNeg(product);
    for (int i = 1; i <= rows; ++i) {
        // P⁻¹·e_i: column i of P⁻¹.
        if (!mode.noTransforms) {
            for (int r = 1; r <= rows; ++r)
                out.CokernelGenerators[i](r) = out.DiagLeftInverse(r, i);
        }
        out.CokernelOrders[i] = PlainAbs(d(i, i));
    }
    if (mode.noTransforms || mode.rightOnly) return out;
    NormaliseInvariantFactors(out, cols);
    return out;
}

IntMatrix IntAdjugate(const IntMatrix& m, int n) {
    const DiagonalizeResult r = Diagonalize(m, n, n);
    IntMatrix scaled = r.DiagResult;
    for (int i = 1; i <= n; ++i) scaled(i, i) = CheckedDiv(r.value, r.DiagResult(i, i));
    return MatMul(r.DiagRight, MatMul(scaled, r.DiagLeft, n), n);
}

}  // namespace corvane
