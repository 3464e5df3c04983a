#include "arith/int_poly_matrix.h"

#include <algorithm>
#include <utility>

#include "arith/checked.h"
#include "arith/rational.h"

namespace corvane {

namespace {

// Below these magnitudes the logarithmic limits of the rational arithmetic cannot be reached:
// 2^57 < e^40·(1 - 1e-9) for a product, 2^54 < e^38·(1 - 1e-9) for the first operand of a sum.
constexpr int64_t kProductSurelyBelow = int64_t{1} << 57;
constexpr int64_t kSumSurelyBelow = int64_t{1} << 54;

bool AbsBelow(int64_t x, int64_t bound) {
    return x > -bound && x < bound;
}

void CheckSize(int n) {
    if (n < 0 || n > kPolyMatrixDim) throw RangeError("IntPolyMatrix size");
}

// target := target + c·t^s·source for coefficient arrays with degrees dt and ds >= 0 and c != 0,
// with the trouble of target := PolyAdd(target, PolyScaleShift(source, c/1, s)) on integral
// polynomials:
// - "p11" when deg source + s > 27;
// - "q" for the first product source_i·c (i from the top down) that RatMul refuses;
// - "q1q2" for the first sum (exponents upwards) whose first operand RatAdd refuses, or whose
//   value leaves 64 bits.
// Small operands take the rational arithmetic's small paths, whose results are the plain integer
// ones; trouble leaves target part-way (the caller abandons the matrix).
void AddScaledShifted(int64_t* target, int8_t& dt, const int64_t* source, int64_t ds, int64_t s,
                      int64_t c) {
    if (ds + s > kPolyMaxDegree) {
        RaiseTrouble("p11");
        return;
    }
    // The common case: every product and every target coefficient far below the limits.
    bool small = true;
    std::array<int64_t, kPolyMaxDegree + 1> scaled;
    for (int64_t i = 0; i <= ds; ++i) {
        int64_t product = 0;
        small = small && !__builtin_mul_overflow(source[i], c, &product) &&
                AbsBelow(product, kProductSurelyBelow) && AbsBelow(target[i + s], kSumSurelyBelow);
        scaled[static_cast<size_t>(i)] = product;
    }
    if (small) {
        for (int64_t i = 0; i <= ds; ++i) target[i + s] += scaled[static_cast<size_t>(i)];
    } else {
        for (int64_t i = ds; i >= 0; --i) {
            scaled[static_cast<size_t>(i)] = ProductAsRational(source[i], c);
            if (ArithTrouble) return;
        }
        for (int64_t i = 0; i <= ds; ++i) {
            if (scaled[static_cast<size_t>(i)] == 0) continue;
            target[i + s] = SumAsRational(target[i + s], scaled[static_cast<size_t>(i)]);
            if (ArithTrouble) return;
        }
    }
    int64_t degree = std::max<int64_t>(dt, ds + s);
    while (degree >= 0 && target[degree] == 0) --degree;
    dt = static_cast<int8_t>(degree);
}

}  // namespace

int64_t SumAsRational(int64_t a, int64_t b) {
    if (ArithTrouble) return 1;
    if (a == 0 || b == 0) return a + b;
    if (!AbsBelow(a, kSumSurelyBelow) && SumOperandsTooLarge(a, 1)) {
        RaiseTrouble("q1q2");
        return 1;
    }
    int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        RaiseTrouble("q1q2");
        return 1;
    }
    return sum;
}

int64_t ProductAsRational(int64_t a, int64_t b) {
    if (ArithTrouble) return 1;
    int64_t product = 0;
    if (a == 0 || b == 0) return 0;
    if (!__builtin_mul_overflow(a, b, &product) && AbsBelow(product, kProductSurelyBelow)) {
        return product;
    }
    if (ProductOperandsTooLarge(a, b)) {
        RaiseTrouble("q");
        return 1;
    }
    return PlainMul(a, b);
}

IntPoly IntPolyMul(const IntPoly& a, const IntPoly& b) {
    if (PlainAdd(a.degree, b.degree) > kPolyProductDegree) {
        RaiseTrouble("p11maxpcoeff");
        return IntPoly{};
    }
    if (a.degree < 0 || b.degree < 0) return IntPoly{};
    const int64_t degree = a.degree + b.degree;
    IntPoly r;
    for (int64_t k = 0; k <= degree; ++k) {
        int64_t sum = 0;
        const int64_t last = std::min(k, a.degree);
        for (int64_t i = std::max<int64_t>(0, k - b.degree); i <= last; ++i) {
            sum = SumAsRational(sum, ProductAsRational(a.c[static_cast<size_t>(i)],
                                                       b.c[static_cast<size_t>(k - i)]));
        }
        r.c[static_cast<size_t>(k)] = sum;
    }
    r.degree = degree;
    return r;
}

IntPoly IntPolySub(const IntPoly& a, const IntPoly& b) {
    IntPoly r;
    for (size_t i = 0; i <= static_cast<size_t>(kPolyMaxDegree); ++i) {
        if (a.c[i] == 0 && b.c[i] == 0 && !ArithTrouble) continue;
        r.c[i] = SumAsRational(a.c[i], PlainNeg(b.c[i]));
        if (r.c[i] != 0) r.degree = static_cast<int64_t>(i);
    }
    return r;
}

IntPoly IntPolyFromRat(const RatPoly& p) {
    IntPoly r;
    for (int64_t i = 0; i <= kPolyMaxDegree; ++i) {
        const Rational& q = p.c(i);
        if (q.num == 0) continue;
        if (q.den != 1 && q.den != -1) throw RangeError("integral polynomial coefficient");
        r.c[static_cast<size_t>(i)] = q.den == 1 ? q.num : PlainNeg(q.num);
        r.degree = i;
    }
    return r;
}

RatPoly RatPolyFromInt(const IntPoly& p) {
    RatPoly r;
    for (int64_t i = 0; i <= p.degree; ++i) r.c(i) = RatFromInt(p.c[static_cast<size_t>(i)]);
    r.degree = p.degree;
    return r;
}

// The raw storage, for the row and column operations.
struct IntPolyMatrixAccess {
    static int8_t& Degree(IntPolyMatrix& m, int i, int j) {
        return m.degree_[IntPolyMatrix::Index(i, j)];
    }
    static int64_t* Coefficients(IntPolyMatrix& m, int i, int j) {
        return m.coeffs_[IntPolyMatrix::Index(i, j)].data();
    }
};

IntPoly IntPolyMatrix::Entry(int i, int j) const {
    const size_t x = Index(i, j);
    IntPoly p;
    p.degree = degree_[x];
    std::copy_n(coeffs_[x].begin(), p.c.size(), p.c.begin());
    return p;
}

void IntPolyMatrix::Set(int i, int j, const IntPoly& p) {
    const size_t x = Index(i, j);
    degree_[x] = static_cast<int8_t>(p.degree);
    std::copy(p.c.begin(), p.c.end(), coeffs_[x].begin());
}

IntPolyMatrix IntPolyMatrixFrom(const PolyMatrix& m, int n) {
    CheckSize(n);
    IntPolyMatrix r;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) r.Set(i, j, IntPolyFromRat(m(i, j)));
    }
    return r;
}

IntPolyMatrix IntPolyMatIdentity(int n) {
    CheckSize(n);
    IntPolyMatrix r;
    IntPoly one;
    one.degree = 0;
    one.c[0] = 1;
    for (int i = 1; i <= n; ++i) r.Set(i, i, one);
    return r;
}

namespace inplace {

namespace {

void SwapEntries(IntPolyMatrix& m, int i1, int j1, int i2, int j2) {
    using A = IntPolyMatrixAccess;
    int8_t& d1 = A::Degree(m, i1, j1);
    int8_t& d2 = A::Degree(m, i2, j2);
    // Above both degrees both polynomials are zero.
    const size_t used = static_cast<size_t>(std::max<int64_t>(d1, d2) + 1);
    std::swap_ranges(A::Coefficients(m, i1, j1), A::Coefficients(m, i1, j1) + used,
                     A::Coefficients(m, i2, j2));
    std::swap(d1, d2);
}

// m(ti, tj) += c·t^s·m(si, sj).
void AddEntryMultiple(IntPolyMatrix& m, int ti, int tj, int si, int sj, int64_t s, int64_t c) {
    using A = IntPolyMatrixAccess;
    const int64_t ds = A::Degree(m, si, sj);
    if (ds < 0) return;
    AddScaledShifted(A::Coefficients(m, ti, tj), A::Degree(m, ti, tj), A::Coefficients(m, si, sj),
                     ds, s, c);
}

}  // namespace

void IntPolySwapRows(IntPolyMatrix& m, int i, int j, int n) {
    CheckSize(n);
    for (int c = 1; c <= n; ++c) SwapEntries(m, i, c, j, c);
}

void IntPolySwapColumns(IntPolyMatrix& m, int i, int j, int n) {
    CheckSize(n);
    for (int r = 1; r <= n; ++r) SwapEntries(m, r, i, r, j);
}

void IntPolyAddRowMultiple(IntPolyMatrix& m, int target, int source, int n, int64_t s, int64_t c) {
    CheckSize(n);
    if (s < 0) throw RangeError("IntPolyAddRowMultiple shift");
    if (c == 0) return;
    for (int col = 1; col <= n && !ArithTrouble; ++col) {
        AddEntryMultiple(m, target, col, source, col, s, c);
    }
}

void IntPolyAddColumnMultiple(IntPolyMatrix& m, int target, int source, int n, int64_t s,
                              int64_t c) {
    CheckSize(n);
    if (s < 0) throw RangeError("IntPolyAddColumnMultiple shift");
    if (c == 0) return;
    for (int row = 1; row <= n && !ArithTrouble; ++row) {
        AddEntryMultiple(m, row, target, row, source, s, c);
    }
}

}  // namespace inplace

}  // namespace corvane
