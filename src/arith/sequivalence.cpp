#include "arith/sequivalence.h"

#include <algorithm>

#include "arith/checked.h"
#include "arith/diagonalize.h"

namespace corvane {

namespace {

// Pairs whose Bezout search would take this many steps or more are not used.
constexpr int64_t kBezoutLimit = 800'000;

// Replaces basis vector i by the vector j and vice versa in the bilinear form Z (n × n), and in
// the basis matrix U (its columns are the basis vectors) when one is kept.
void SwapBasisVectors(IntMatrix& z, IntMatrix* u, int i, int j, int n) {
    inplace::SwapColumns(z, i, j, n);
    inplace::SwapRows(z, i, j, n);
    if (u != nullptr) inplace::SwapColumns(*u, i, j, n);
}

// Replaces basis vector j by its negative.
void NegateBasisVector(IntMatrix& z, IntMatrix* u, int j, int n) {
    inplace::ScaleColumn(z, j, -1, n);
    inplace::ScaleRow(z, j, -1, n);
    if (u != nullptr) inplace::ScaleColumn(*u, j, -1, n);
}

// e_j := e_j + c·e_source in the bilinear form Z.
void AddBasisMultiple(IntMatrix& z, IntMatrix* u, int j, int source, int64_t c, int n) {
    inplace::AddColumnMultiple(z, j, source, c, n);
    inplace::AddRowMultiple(z, j, source, c, n);
    if (u != nullptr) inplace::AddColumnMultiple(*u, j, source, c, n);
}

// The columns e_r (r not in the skipped indices, increasing), then the given last columns.
IntMatrix UnitColumnsThen(int n, int skipA, int skipB, const IntVector* lastButOne,
                          const IntVector& last) {
    IntMatrix u;
    int column = 0;
    for (int r = 1; r <= n; ++r) {
        if (r == skipA || r == skipB) continue;
        u(r, ++column) = 1;
    }
    if (lastButOne != nullptr) {
        ++column;
        for (int i = 1; i <= n; ++i) u(i, column) = (*lastButOne)(i);
    }
    ++column;
    for (int i = 1; i <= n; ++i) u(i, column) = last(i);
    return u;
}

// One pass: W (size s, singular) is congruent to a matrix whose last column is zero and whose
// last row is (0, ..., 0, g, 0); with `basis`, the change of basis U that does it (Z = Uᵀ·W·U).
// Returns false on trouble.
bool SplitOffHyperbolicPair(IntMatrix& w, int s, const DiagonalizeResult& diag, IntMatrix* basis) {
    int i0 = s;
    for (int i = s; i >= 1; --i) {
        if (diag.CokernelOrders[i] == 0) {
            i0 = i;
            break;
        }
    }
    // Column i0 of Q spans part of the kernel: P·W·Q·e_i0 = D·e_i0 = 0.
    const IntMatrix q = SwapColumns(diag.DiagRight, i0, s, s);
    IntVector v;
    for (int i = 1; i <= s; ++i) v(i) = q(i, s);

    const IntMatrix u = CompleteToBasis(q, v, s);
    IntMatrix z = MatMul(Transpose(u, s), MatMul(w, u, s), s);
    if (ArithTrouble) return false;
    if (basis != nullptr) *basis = u;

    for (int j = 1; j <= s - 1; ++j)
        if (z(s, j) < 0) NegateBasisVector(z, basis, j, s);

    // Euclid on the last row: afterwards only Z[s, s-1] may be non-zero.
    for (;;) {
        bool clear = true;
        for (int j = 1; j <= s - 2; ++j) clear = clear && z(s, j) == 0;
        if (clear) break;

        int pivot = s - 1;
        int64_t smallest = z(s, s - 1);
        for (int j = 1; j <= s - 2; ++j) {
            const int64_t entry = z(s, j);
            if (entry > 0 && (smallest == 0 || entry < smallest)) {
                pivot = j;
                smallest = entry;
            }
        }
        if (pivot != s - 1) SwapBasisVectors(z, basis, pivot, s - 1, s);

        for (int j = 1; j <= s - 2; ++j) {
            int64_t quotient = CheckedDiv(z(s, j), z(s, s - 1));
            if (z(s, j) < 0) quotient = PlainSub(quotient, 1);
            if (quotient != 0) AddBasisMultiple(z, basis, j, s - 1, PlainNeg(quotient), s);
        }
        if (ArithTrouble) return false;
    }
    w = z;
    return true;
}

}  // namespace

SEquivalenceResult MinimalSEquivalent(const IntMatrix& m, int n, std::vector<IntMatrix>* passes) {
    if (n < 0 || n > kMatrixDim) throw RangeError("MinimalSEquivalent size");
    SEquivalenceResult result;
    result.matrix = m;
    result.ReducedSize = n;
    ClearTrouble();
    IntMatrix& w = result.matrix;
    for (int s = n;; s -= 2) {
        const DiagonalizeResult diag = Diagonalize(w, s, s, {.rightOnly = true});
        if (ArithTrouble) return result;
        if (diag.value != 0) return result;
        IntMatrix basis;
        if (!SplitOffHyperbolicPair(w, s, diag, passes != nullptr ? &basis : nullptr)) {
            return result;
        }
        if (passes != nullptr) passes->push_back(basis);
        // The last two basis vectors span a summand of the enlargement; drop them.
        for (int i = 1; i <= s; ++i) {
            for (int j = s - 1; j <= s; ++j) {
                w(i, j) = 0;
                w(j, i) = 0;
            }
        }
        result.ReducedSize = s - 2;
    }
}

IntMatrix CompleteToBasis(const IntMatrix& q, const IntVector& v, int n) {
    if (n < 1 || n > kMatrixDim) throw RangeError("CompleteToBasis size");
    for (int i = n; i >= 1; --i) {
        if (v(i) == 1 || v(i) == -1) return UnitColumnsThen(n, i, i, nullptr, v);
    }

    int first = 0;
    int second = 0;
    int64_t bestSum = 0;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            if (Gcd64(v(i), v(j)) != 1) continue;
            const int64_t sum = PlainAdd(PlainAbs(v(i)), PlainAbs(v(j)));
            if (first == 0 || sum < bestSum) {
                first = i;
                second = j;
                bestSum = sum;
            }
        }
    }
    if (first == 0 || bestSum >= kBezoutLimit) return q;

    // a carries the smaller |v|; find k, w_b with k·v_b - v_a·w_b = ±1.
    const int a = PlainAbs(v(first)) <= PlainAbs(v(second)) ? first : second;
    const int b = a == first ? second : first;
    const int64_t va = v(a);
    const int64_t vb = v(b);
    for (int64_t k = 0; k <= PlainAbs(va); ++k) {
        for (const int64_t offset : {int64_t{-1}, int64_t{1}}) {
            const int64_t target = k * vb + offset;
            if (target % va != 0) continue;
            IntVector w;
            w(a) = k;
            w(b) = target / va;
            return UnitColumnsThen(n, std::min(a, b), std::max(a, b), &w, v);
        }
    }
    return q;
}

}  // namespace corvane
