// PolyDeterminant: Euclidean elimination over Q[t] on the leading diagonal positions, cofactor
// expansion on the remaining block, and the adjugate assembled from the transforms.
#include <cstdlib>

#include "arith/checked.h"
#include "arith/poly_matrix.h"

namespace corvane {

namespace {

constexpr int kMaxPasses = 100;
constexpr int64_t kMaxConstantDenominator = 10000;

const Rational& Lead(const RatPoly& p) {
    return p.c(p.degree);
}

unsigned __int128 Magnitude(int64_t x) {
    return x < 0 ? static_cast<unsigned __int128>(-static_cast<__int128>(x))
                 : static_cast<unsigned __int128>(x);
}

// |a| < |b| for the values of two fractions, compared exactly by cross multiplication.
bool SmallerMagnitude(const Rational& a, const Rational& b) {
    return Magnitude(a.num) * Magnitude(b.den) < Magnitude(b.num) * Magnitude(a.den);
}

// Whether candidate should replace the current pivot: it is non-zero and the pivot is zero, or
// it has smaller degree, or equal degree and a leading coefficient of smaller magnitude.
bool BetterPivot(const RatPoly& candidate, const RatPoly& pivot) {
    if (candidate.degree < 0) return false;
    if (pivot.degree < 0 || candidate.degree < pivot.degree) return true;
    return candidate.degree == pivot.degree && SmallerMagnitude(Lead(candidate), Lead(pivot));
}

// The lowest exponent with a non-zero coefficient of a non-zero polynomial.
int64_t LowestExponent(const RatPoly& p) {
    int64_t j = 0;
    while (j < p.degree && p.c(j).num == 0) ++j;
    return j;
}

enum class PositionOutcome { kCleared, kZeroDeterminant, kFailed };

// The elimination of one call. Invariant: P·M_input·Q = M, with P (Q) the product of the row
// (column) operations so far; P⁻¹ and Q⁻¹ receive the inverse operations. Row operations are
// mirrored on P's rows and P⁻¹'s columns, column operations on Q's columns and Q⁻¹'s rows.
class PolyElimination {
  public:
    PolyElimination(PolyDeterminantResult& result, int n)
        : r_(result), m_(result.PolyDiagResult), n_(n) {}

    // Clears row and column k apart from the diagonal.
    PositionOutcome EliminatePosition(int k) {
        for (int passes = 1;; ++passes) {
            const bool columnEmpty = ColumnPass(k);
            if (ArithTrouble) return PositionOutcome::kFailed;
            const bool rowEmpty = RowPass(k);
            if (ArithTrouble) return PositionOutcome::kFailed;
            if (passes > kMaxPasses) {
                RaiseTrouble("9");
                return PositionOutcome::kFailed;
            }
            if (columnEmpty && rowEmpty) return PositionOutcome::kZeroDeterminant;
            if (Cleared(k)) return PositionOutcome::kCleared;
        }
    }

  private:
    // Moves the best pivot of column k (rows k..n) to (k,k) and cancels the leading term of
    // every other entry below it. Returns true when the column is zero from row k down.
    bool ColumnPass(int k) {
        int pivot = k;
        for (int i = k + 1; i <= n_; ++i) {
            if (BetterPivot(m_(i, k), m_(pivot, k))) pivot = i;
        }
        if (pivot != k) ExchangeRows(k, pivot);
        if (m_(k, k).degree < 0) return true;
        for (int i = k + 1; i <= n_; ++i) {
            const RatPoly& entry = m_(i, k);
            if (entry.degree < 0) continue;
            const Rational q = Quotient(entry, m_(k, k));
            AddRowMultiple(i, k, entry.degree - m_(k, k).degree, q);
        }
        return false;
    }

    // The same along row k with column operations.
    bool RowPass(int k) {
        int pivot = k;
        for (int j = k + 1; j <= n_; ++j) {
            if (BetterPivot(m_(k, j), m_(k, pivot))) pivot = j;
        }
        if (pivot != k) ExchangeColumns(k, pivot);
        if (m_(k, k).degree < 0) return true;
        for (int j = k + 1; j <= n_; ++j) {
            const RatPoly& entry = m_(k, j);
            if (entry.degree < 0) continue;
            const Rational q = Quotient(entry, m_(k, k));
            AddColumnMultiple(j, k, entry.degree - m_(k, k).degree, q);
        }
        return false;
    }

    // The quotient of the leading coefficients, entry / pivot.
    static Rational Quotient(const RatPoly& entry, const RatPoly& pivot) {
        return RatReduce(RatMul(RatRecip(Lead(pivot)), Lead(entry)));
    }

    bool Cleared(int k) const {
        for (int i = k + 1; i <= n_; ++i) {
            if (m_(i, k).degree >= 0 || m_(k, i).degree >= 0) return false;
        }
        return true;
    }

    void ExchangeRows(int a, int b) {
        inplace::PolySwapRows(m_, a, b, n_);
        r_.ExchangeSign = -r_.ExchangeSign;
        if (!r_.transforms) return;
        inplace::PolySwapRows(r_.transforms->PolyDiagLeft, a, b, n_);
        inplace::PolySwapColumns(r_.transforms->PolyDiagLeftInverse, a, b, n_);
    }

    void ExchangeColumns(int a, int b) {
        inplace::PolySwapColumns(m_, a, b, n_);
        r_.ExchangeSign = -r_.ExchangeSign;
        if (!r_.transforms) return;
        inplace::PolySwapColumns(r_.transforms->PolyDiagRight, a, b, n_);
        inplace::PolySwapRows(r_.transforms->PolyDiagRightInverse, a, b, n_);
    }

    // row target -= q·t^s·row source; P⁻¹ gets the inverse, column source += q·t^s·column target.
    void AddRowMultiple(int target, int source, int64_t s, Rational q) {
        const Rational minusQ = RatNeg(q);
        inplace::PolyAddRowMultiple(m_, target, source, n_, s, minusQ);
        if (!r_.transforms) return;
        inplace::PolyAddRowMultiple(r_.transforms->PolyDiagLeft, target, source, n_, s, minusQ);
        inplace::PolyAddColumnMultiple(r_.transforms->PolyDiagLeftInverse, source, target, n_, s,
                                       q);
    }

    // column target -= q·t^s·column source; Q⁻¹ gets row source += q·t^s·row target.
    void AddColumnMultiple(int target, int source, int64_t s, Rational q) {
        const Rational minusQ = RatNeg(q);
        inplace::PolyAddColumnMultiple(m_, target, source, n_, s, minusQ);
        if (!r_.transforms) return;
        inplace::PolyAddColumnMultiple(r_.transforms->PolyDiagRight, target, source, n_, s, minusQ);
        inplace::PolyAddRowMultiple(r_.transforms->PolyDiagRightInverse, source, target, n_, s, q);
    }

    PolyDeterminantResult& r_;
    PolyMatrix& m_;
    const int n_;
};

// Rows and columns e+1..e+m of M as a block.
PolyBlock TrailingBlock(const PolyMatrix& m, int e, int size) {
    PolyBlock b;
    for (int i = 1; i <= size; ++i) {
        for (int j = 1; j <= size; ++j) b(i, j) = m(e + i, e + j);
    }
    return b;
}

// adj(R) for R = diag(d_1..d_e) ⊕ B is diag(b·Π_{i≠k} d_i) ⊕ (Π d_i)·adj(B); with M = P⁻¹RQ⁻¹
// and det P, det Q = ±1 this gives adj(M) = ±Q·adj(R)·P. The eliminated columns use the raw
// diagonal entries, the block the stripped product D, as the contract states.
void BuildAdjugate(PolyDeterminantResult& result, int n, int e, const RatPoly& d,
                   const PolyBlock& block, const RatPoly& b) {
    const PolyMatrix& r = result.PolyDiagResult;
    PolyTransforms& tr = *result.transforms;
    PolyMatrix scaledRight = tr.PolyDiagRight;
    for (int k = 1; k <= e; ++k) {
        RatPoly f = PolyOne();
        for (int i = 1; i <= e; ++i) {
            if (i != k) f = PolyMul(f, r(i, i));
        }
        for (int j = 1; j <= n; ++j) scaledRight(j, k) = PolyMul(PolyMul(f, scaledRight(j, k)), b);
    }
    const int size = n - e;
    const PolyBlock blockAdjugate = PolyBlockAdjugate(block, size);
    PolyMatrix middle = PolyMatIdentity12();
    for (int i = 1; i <= size; ++i) {
        for (int j = 1; j <= size; ++j) middle(e + i, e + j) = PolyMul(d, blockAdjugate(i, j));
    }
    tr.PolyAdjugate = PolyMatMul(scaledRight, PolyMatMul(middle, tr.PolyDiagLeft, n), n);
}

}  // namespace

PolyDeterminantResult PolyDeterminant(const PolyMatrix& m, int n, bool detOnly, int blockSize) {
    if (n < 0 || n > kPolyMatrixDim) throw RangeError("PolyDeterminant size");
    if (blockSize < 0 || blockSize > kPolyBlockDim) throw RangeError("PolyDeterminant block size");
    PolyDeterminantResult result;
    result.PolyDiagResult = m;
    if (n == 0) {
        result.out = PolyOne();
        result.written = true;
        return result;
    }
    ClearTrouble();
    const int e = n > blockSize ? n - blockSize : 0;
    const int size = n - e;
    if (!detOnly) {
        PolyTransforms& tr = result.transforms.emplace();
        tr.PolyDiagLeft = PolyMatIdentity(n);
        tr.PolyDiagLeftInverse = tr.PolyDiagLeft;
        tr.PolyDiagRight = tr.PolyDiagLeft;
        tr.PolyDiagRightInverse = tr.PolyDiagLeft;
    }
    TroubleCode.clear();

    PolyElimination elimination(result, n);
    for (int k = 1; k <= e; ++k) {
        switch (elimination.EliminatePosition(k)) {
            case PositionOutcome::kFailed:
                return result;
            case PositionOutcome::kZeroDeterminant:
                result.out = PolyZero();
                result.written = true;
                return result;
            case PositionOutcome::kCleared:
                break;
        }
    }

    const PolyMatrix& r = result.PolyDiagResult;
    RatPoly d = PolyOne();
    for (int k = 1; k <= e; ++k) {
        result.StrippedPower += LowestExponent(r(k, k));
        d = PolyMul(d, PolyStripT(r(k, k)));
    }
    if (PlainAbs(d.c(0).den) > kMaxConstantDenominator) {
        RaiseTrouble("10");
        return result;
    }

    const PolyBlock block = TrailingBlock(r, e, size);
    const RatPoly b = PolyBlockDeterminant(block, size);
    if (ArithTrouble) {
        result.out = PolyZero();
        result.written = true;
        return result;
    }
    if (result.transforms) BuildAdjugate(result, n, e, d, block, b);
    result.out = PolyNormSigns(PolyMul(d, b));
    result.written = true;
    return result;
}

}  // namespace corvane
