#include "arith/int_poly_matrix.h"

#include <algorithm>
#include <bit>
#include <utility>

#include "arith/checked.h"
#include "arith/rational.h"

namespace corvane {

namespace {

// Below these magnitudes the logarithmic limits of the rational arithmetic cannot be reached:
// 2^57 < e^40·(1 - 1e-9) for a product, 2^54 < e^38·(1 - 1e-9) for the first operand of a sum.
constexpr int64_t kProductSurelyBelow = int64_t{1} << 57;
constexpr int64_t kSumSurelyBelow = int64_t{1} << 54;

void CheckSize(int n) {
    if (n < 0 || n > kPolyMatrixDim) throw RangeError("IntPolyMatrix size");
}

// Where these bounds hold, no product or sum below can reach the limits of the rational
// arithmetic: |c·source_i| < 2^56 < e^40·(1 - 1e-9), and a first operand below 2^54 <
// e^38·(1 - 1e-9) takes no test.
constexpr int64_t kSmallFactor = int64_t{1} << 20;
constexpr int64_t kSmallSource = int64_t{1} << 36;
constexpr int64_t kTinyFactor = int64_t{1} << 4;
constexpr int64_t kLargeSource = int64_t{1} << 52;
static_assert(kSmallFactor * kSmallSource <= kProductSurelyBelow / 2);
static_assert(kTinyFactor * kLargeSource <= kProductSurelyBelow / 2);

// Coefficients exchanged as one block by a swap of entries of low degree.
constexpr size_t kSwapBlock = 8;

// |x| < bound, branch-free.
bool Within(int64_t x, int64_t bound) {
    return static_cast<uint64_t>(x) + static_cast<uint64_t>(bound) <
           2 * static_cast<uint64_t>(bound);
}

// target_i += c·source_i for i = 0..ds, as the rational arithmetic forms it: every product (from
// the top down) before any sum, the first refusal raising its trouble and ending the operation.
[[gnu::noinline]] void AddMultipleExactly(int64_t* target, const int64_t* source, int64_t ds,
                                          int64_t c) {
    std::array<int64_t, kPolyMaxDegree + 1> scaled;
    for (int64_t i = ds; i >= 0; --i) {
        scaled[static_cast<size_t>(i)] = ProductAsRational(source[i], c);
        if (ArithTrouble) return;
    }
    for (int64_t i = 0; i <= ds; ++i) {
        if (scaled[static_cast<size_t>(i)] == 0) continue;
        target[i] = SumAsRational(target[i], scaled[static_cast<size_t>(i)]);
        if (ArithTrouble) return;
    }
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
inline void AddScaledShifted(int64_t* target, int8_t& dt, int64_t& lead, const int64_t* source,
                             int64_t ds, int64_t s, int64_t c) {
    const int64_t top = ds + s;
    if (top > kPolyMaxDegree) {
        RaiseTrouble("p11");
        return;
    }
    int64_t* shifted = target + s;
    // The factors of the row operations are mostly tiny, which leaves room for large sources.
    const bool tiny = Within(c, kTinyFactor);
    bool small = tiny || Within(c, kSmallFactor);
    const int64_t sourceBound = tiny ? kLargeSource : kSmallSource;
    for (int64_t i = 0; i <= ds; ++i) {
        small &= Within(source[i], sourceBound);
        small &= Within(shifted[i], kSumSurelyBelow);
    }
    if (small) {
        for (int64_t i = 0; i <= ds; ++i) shifted[i] += c * source[i];
    } else {
        AddMultipleExactly(shifted, source, ds, c);
        if (ArithTrouble) return;
    }
    // The product's top term c·source_ds is not zero: above the old degree it is the new top
    // term, below it the top term stays; only at the old degree can the sum cancel.
    if (top > dt) {
        dt = static_cast<int8_t>(top);
    } else if (top == dt) {
        int64_t degree = top;
        while (degree >= 0 && target[degree] == 0) --degree;
        dt = static_cast<int8_t>(degree);
    }
    lead = dt < 0 ? 0 : target[dt];
}

}  // namespace

int64_t SumAsRational(int64_t a, int64_t b) {
    if (ArithTrouble) return 1;
    if (a == 0 || b == 0) return a + b;
    if (!Within(a, kSumSurelyBelow) && SumOperandsTooLarge(a, 1)) {
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
    if (!__builtin_mul_overflow(a, b, &product) && Within(product, kProductSurelyBelow)) {
        return product;
    }
    if (ProductOperandsTooLarge(a, b)) {
        RaiseTrouble("q");
        return 1;
    }
    return PlainMul(a, b);
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
    static size_t Index(int i, int j) { return IntPolyMatrix::Index(i, j); }
    static int8_t& Degree(IntPolyMatrix& m, int i, int j) { return m.degree_[Index(i, j)]; }
    static int64_t* Coefficients(IntPolyMatrix& m, int i, int j) {
        return m.coeffs_[Index(i, j)].data();
    }
    static int8_t* Degrees(IntPolyMatrix& m) { return m.degree_.data(); }
    static int64_t* Leads(IntPolyMatrix& m) { return m.lead_.data(); }
    static auto* Coefficients(IntPolyMatrix& m) { return m.coeffs_.data(); }
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
    lead_[x] = p.degree < 0 ? 0 : p.c[static_cast<size_t>(p.degree)];
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
    // Above both degrees both polynomials are zero; the usual low degrees take a fixed block.
    const size_t used = static_cast<size_t>(std::max<int64_t>(d1, d2) + 1);
    int64_t* c1 = A::Coefficients(m, i1, j1);
    int64_t* c2 = A::Coefficients(m, i2, j2);
    if (used <= kSwapBlock) {
        std::swap_ranges(c1, c1 + kSwapBlock, c2);
    } else {
        std::swap_ranges(c1, c1 + used, c2);
    }
    std::swap(d1, d2);
    std::swap(A::Leads(m)[A::Index(i1, j1)], A::Leads(m)[A::Index(i2, j2)]);
}

// Entries target += c·t^s·source for the entries at the indices target + k·stride and
// source + k·stride, k = 0..n-1 (a row for stride 1, a column for stride 12), while no trouble is
// set.
void AddLineMultiple(IntPolyMatrix& m, size_t target, size_t source, size_t stride, int n,
                     int64_t s, int64_t c) {
    int8_t* degrees = IntPolyMatrixAccess::Degrees(m);
    int64_t* leads = IntPolyMatrixAccess::Leads(m);
    auto* coefficients = IntPolyMatrixAccess::Coefficients(m);
    // The non-zero entries of the source line first, without a branch for each entry: a good
    // share of them is zero, in no pattern a branch predictor could follow.
    unsigned nonZero = 0;
    for (int k = 0; k < n; ++k) {
        nonZero |= static_cast<unsigned>(degrees[source + static_cast<size_t>(k) * stride] >= 0)
                   << k;
    }
    for (; nonZero != 0; nonZero &= nonZero - 1) {
        const size_t k = static_cast<size_t>(std::countr_zero(nonZero));
        const size_t from = source + k * stride;
        const size_t to = target + k * stride;
        AddScaledShifted(coefficients[to].data(), degrees[to], leads[to], coefficients[from].data(),
                         degrees[from], s, c);
        if (ArithTrouble) return;
    }
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
    if (c == 0 || ArithTrouble) return;
    AddLineMultiple(m, IntPolyMatrixAccess::Index(target, 1), IntPolyMatrixAccess::Index(source, 1),
                    1, n, s, c);
}

void IntPolyAddColumnMultiple(IntPolyMatrix& m, int target, int source, int n, int64_t s,
                              int64_t c) {
    CheckSize(n);
    if (s < 0) throw RangeError("IntPolyAddColumnMultiple shift");
    if (c == 0 || ArithTrouble) return;
    AddLineMultiple(m, IntPolyMatrixAccess::Index(1, target), IntPolyMatrixAccess::Index(1, source),
                    kPolyMatrixDim, n, s, c);
}

void IntPolySubtractProduct(IntPolyMatrix& m, int ti, int tj, const IntPoly& a, int si, int sj) {
    using A = IntPolyMatrixAccess;
    const size_t to = A::Index(ti, tj);
    const size_t from = A::Index(si, sj);
    const int64_t* source = A::Coefficients(m)[from].data();
    const int64_t ds = A::Degrees(m)[from];
    // The product, as PolyMul forms it: coefficient k summed in increasing i.
    std::array<int64_t, kPolyMaxDegree + 1> product{};
    int64_t dp = -1;
    if (PlainAdd(a.degree, ds) > kPolyProductDegree) {
        RaiseTrouble("p11maxpcoeff");
    } else if (a.degree >= 0 && ds >= 0) {
        dp = a.degree + ds;
        for (int64_t k = 0; k <= dp; ++k) {
            int64_t sum = 0;
            const int64_t last = std::min(k, a.degree);
            for (int64_t i = std::max<int64_t>(0, k - ds); i <= last; ++i) {
                sum = SumAsRational(sum,
                                    ProductAsRational(a.c[static_cast<size_t>(i)], source[k - i]));
            }
            product[static_cast<size_t>(k)] = sum;
        }
    }
    // The difference, as PolyAdd(target, PolyNeg(product)) forms it: above both degrees both
    // are zero, which adds nothing unless trouble is set.
    int64_t* target = A::Coefficients(m)[to].data();
    int8_t& dt = A::Degrees(m)[to];
    const int64_t top = ArithTrouble ? kPolyMaxDegree : std::max<int64_t>(dt, dp);
    int64_t degree = -1;
    for (int64_t i = 0; i <= top; ++i) {
        if (target[i] == 0 && product[static_cast<size_t>(i)] == 0 && !ArithTrouble) continue;
        target[i] = SumAsRational(target[i], PlainNeg(product[static_cast<size_t>(i)]));
        if (target[i] != 0) degree = i;
    }
    dt = static_cast<int8_t>(degree);
    A::Leads(m)[to] = degree < 0 ? 0 : target[degree];
}

}  // namespace inplace

}  // namespace corvane
