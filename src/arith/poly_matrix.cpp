#include "arith/poly_matrix.h"

#include <algorithm>
#include <array>
#include <bit>
#include <optional>
#include <utility>

#include "arith/checked.h"

namespace corvane {

namespace {

void CheckSize(int n) {
    if (n < 0 || n > kPolyMatrixDim) throw RangeError("PolyMatrix size");
}

void CheckBlockSize(int m) {
    if (m < 0 || m > kPolyBlockDim) throw RangeError("PolyBlock size");
}

// Integer operands below these bounds take the small-operand paths of RatMul (10^6) and RatAdd
// (10^5), where n/1 operands give the plain integer result over 1 and RatReduce leaves it as it
// is: the same values without the calls, for the integer coefficients that dominate here.
constexpr int64_t kSmallProductInteger = 1'000'000;
constexpr int64_t kSmallSumInteger = 100'000;

bool SmallInteger(const Rational& q, int64_t bound) {
    return q.den == 1 && q.num > -bound && q.num < bound;
}

// RatReduce(RatMul(a, b)).
Rational ReducedProduct(const Rational& a, const Rational& b) {
    if (!ArithTrouble && SmallInteger(a, kSmallProductInteger) &&
        SmallInteger(b, kSmallProductInteger)) {
        return Rational{a.num * b.num, 1};
    }
    return RatReduce(RatMul(a, b));
}

// RatReduce(RatAdd(a, b)).
Rational ReducedSum(const Rational& a, const Rational& b) {
    if (!ArithTrouble && SmallInteger(a, kSmallSumInteger) && SmallInteger(b, kSmallSumInteger)) {
        return Rational{a.num + b.num, 1};
    }
    return RatReduce(RatAdd(a, b));
}

// target := target + c·t^s·source; a zero source adds nothing. The same arithmetic, in the same
// order and with the same trouble, as target := PolyAdd(target, PolyScaleShift(source, c, s)),
// done in place without the two temporary polynomials.
void AddScaledShifted(RatPoly& target, const RatPoly& source, int64_t s, Rational c) {
    if (source.degree < 0) return;
    if (s < 0) throw RangeError("PolyScaleShift shift");
    // scaled[i] holds c·source(i - s) for i in lo..hi; every other exponent of the scaled source
    // is 0/1.
    std::array<Rational, kPolyMaxDegree + 1> scaled;
    int64_t lo = 0;
    int64_t hi = -1;
    if (c.num != 0 && !ArithTrouble) {
        if (PlainAdd(source.degree, s) > kPolyMaxDegree) {
            RaiseTrouble("p11");
        } else {
            lo = s;
            hi = source.degree + s;
            for (int64_t i = source.degree; i >= 0; --i) {
                scaled[static_cast<size_t>(i + s)] = ReducedProduct(source.c(i), c);
            }
        }
    }
    // Above both degrees every coefficient is 0/1 and stays so, unless trouble is set.
    const int64_t top = std::max(target.degree, hi);
    int64_t degree = -1;
    for (int64_t i = 0; i <= kPolyMaxDegree; ++i) {
        if (i > top && !ArithTrouble) break;
        Rational& t = target.c(i);
        const bool inRange = i >= lo && i <= hi;
        // Adding a zero (always 0/1) while no trouble is set leaves t in lowest terms, which is
        // RatReduce(t) (0/1 for a zero t, as in PolyAdd); t/1 needs nothing. Once trouble is set
        // RatAdd answers 1/1.
        if ((!inRange || scaled[static_cast<size_t>(i)].num == 0) && !ArithTrouble) {
            if (t.den != 1) t = RatReduce(t);
        } else {
            t = ReducedSum(t, inRange ? scaled[static_cast<size_t>(i)] : Rational{0, 1});
        }
        if (t.num != 0) degree = i;
    }
    target.degree = degree;
}

// Exchanges two polynomials coefficient by coefficient, without a temporary polynomial.
void SwapPolys(RatPoly& a, RatPoly& b) {
    std::swap(a.degree, b.degree);
    for (int64_t k = 0; k <= kPolyMaxDegree; ++k) std::swap(a.c(k), b.c(k));
}

// Determinants of the minors of a block that use the rows in a bit mask (bit r - 1 for row r)
// and, for a minor of k rows, the last k of a fixed list of columns. Expanding along the first
// of those columns leaves minors of the same kind, so each minor is expanded once and then
// shared by every term that needs it; the arithmetic is the plain Laplace recursion's.
class MinorExpansion {
  public:
    MinorExpansion(const PolyBlock& b, const std::array<int, kPolyBlockDim>& columns, int size)
        : b_(b), columns_(columns), size_(size) {}

    RatPoly Determinant(unsigned rowMask) {
        const int k = std::popcount(rowMask);
        if (k == 0) return PolyOne();
        std::array<int, kPolyBlockDim> rows{};
        int count = 0;
        for (int r = 1; r <= kPolyBlockDim; ++r) {
            if ((rowMask & Bit(r)) != 0) rows[count++] = r;
        }
        const int first = columns_[size_ - k];
        if (k == 1) return b_(rows[0], first);
        if (k == 2) {
            const int second = columns_[size_ - 1];
            return PolyAdd(PolyMul(b_(rows[0], first), b_(rows[1], second)),
                           PolyNeg(PolyMul(b_(rows[0], second), b_(rows[1], first))));
        }
        RatPoly sum = PolyZero();
        for (int j = 0; j < k; ++j) {
            const RatPoly& entry = b_(rows[j], first);
            if (entry.degree < 0) continue;
            const RatPoly& minor = Cached(rowMask & ~Bit(rows[j]));
            // (-1)^(j+1) for the 1-based position j + 1 of the row in the minor.
            sum = PolyAdd(sum, PolyMul(entry, j % 2 == 0 ? minor : PolyNeg(minor)));
        }
        return sum;
    }

  private:
    static unsigned Bit(int row) { return 1U << (row - 1); }

    const RatPoly& Cached(unsigned rowMask) {
        std::optional<RatPoly>& slot = cache_[rowMask];
        if (!slot) slot = Determinant(rowMask);
        return *slot;
    }

    const PolyBlock& b_;
    std::array<int, kPolyBlockDim> columns_;
    int size_;
    std::array<std::optional<RatPoly>, 1U << kPolyBlockDim> cache_;
};

unsigned AllRows(int m) {
    return (1U << m) - 1U;
}

}  // namespace

PolyMatrix PolyMatZero() {
    return PolyMatrix{};
}

PolyMatrix PolyMatIdentity(int n) {
    CheckSize(n);
    PolyMatrix m;
    for (int i = 1; i <= n; ++i) m(i, i) = PolyOne();
    return m;
}

PolyMatrix PolyMatIdentity12() {
    return PolyMatIdentity(kPolyMatrixDim);
}

PolyMatrix PolyMatMul(const PolyMatrix& a, const PolyMatrix& b, int n) {
    CheckSize(n);
    PolyMatrix c;
    for (int i = 1; i <= n; ++i) {
        for (int k = 1; k <= n; ++k) {
            RatPoly sum = PolyZero();
            for (int j = 1; j <= n; ++j) {
                if (a(i, j).degree < 0 || b(j, k).degree < 0) continue;
                sum = PolyAdd(sum, PolyMul(a(i, j), b(j, k)));
            }
            c(i, k) = sum;
        }
    }
    return c;
}

namespace inplace {

void PolySwapRows(PolyMatrix& m, int i, int j, int n) {
    CheckSize(n);
    for (int c = 1; c <= n; ++c) SwapPolys(m(i, c), m(j, c));
}

void PolySwapColumns(PolyMatrix& m, int i, int j, int n) {
    CheckSize(n);
    for (int r = 1; r <= n; ++r) SwapPolys(m(r, i), m(r, j));
}

void PolyAddRowMultiple(PolyMatrix& m, int target, int source, int n, int64_t s, Rational c) {
    CheckSize(n);
    if (s < 0) throw RangeError("PolyAddRowMultiple shift");
    for (int col = 1; col <= n; ++col) AddScaledShifted(m(target, col), m(source, col), s, c);
}

void PolyAddColumnMultiple(PolyMatrix& m, int target, int source, int n, int64_t s, Rational c) {
    CheckSize(n);
    if (s < 0) throw RangeError("PolyAddColumnMultiple shift");
    for (int row = 1; row <= n; ++row) AddScaledShifted(m(row, target), m(row, source), s, c);
}

}  // namespace inplace

PolyMatrix PolySwapRows(const PolyMatrix& m, int i, int j, int n) {
    PolyMatrix r = m;
    inplace::PolySwapRows(r, i, j, n);
    return r;
}

PolyMatrix PolySwapColumns(const PolyMatrix& m, int i, int j, int n) {
    PolyMatrix r = m;
    inplace::PolySwapColumns(r, i, j, n);
    return r;
}

PolyMatrix PolyAddRowMultiple(const PolyMatrix& m, int target, int source, int n, int64_t s,
                              Rational c) {
    PolyMatrix r = m;
    inplace::PolyAddRowMultiple(r, target, source, n, s, c);
    return r;
}

PolyMatrix PolyAddColumnMultiple(const PolyMatrix& m, int target, int source, int n, int64_t s,
                                 Rational c) {
    PolyMatrix r = m;
    inplace::PolyAddColumnMultiple(r, target, source, n, s, c);
    return r;
}

RatPoly PolyBlockDeterminant(const PolyBlock& b, int m) {
    CheckBlockSize(m);
    std::array<int, kPolyBlockDim> columns{};
    for (int j = 0; j < m; ++j) columns[j] = j + 1;
    MinorExpansion expansion(b, columns, m);
    return expansion.Determinant(AllRows(m));
}

PolyBlock PolyBlockAdjugate(const PolyBlock& b, int m) {
    CheckBlockSize(m);
    PolyBlock adj;
    if (m == 0) return adj;
    if (m == 1) {
        adj(1, 1) = PolyOne();
        return adj;
    }
    for (int j = 1; j <= m; ++j) {
        // The columns other than j, in order: the minors of column j's cofactors.
        std::array<int, kPolyBlockDim> columns{};
        int count = 0;
        for (int c = 1; c <= m; ++c) {
            if (c != j) columns[count++] = c;
        }
        MinorExpansion expansion(b, columns, m - 1);
        for (int i = 1; i <= m; ++i) {
            const RatPoly minor = expansion.Determinant(AllRows(m) & ~(1U << (i - 1)));
            adj(j, i) = (i + j) % 2 == 0 ? minor : PolyNeg(minor);
        }
    }
    return adj;
}

}  // namespace corvane
