#include "invariants/alexander_module.h"

#include <algorithm>
#include <string>

#include "arith/checked.h"
#include "knot/knot_context.h"

namespace corvane {

namespace {

constexpr int kMaxPasses = 1000;

int32_t Lead(const FpPoly& a) {
    return a.c[static_cast<size_t>(a.degree)];
}

int32_t Inverse(const FpField& f, int32_t a) {
    return a >= 1 && a <= 100 ? f.InverseTable[static_cast<size_t>(a)] : -1;
}

// target := target - coef·t^shift·source. Refuses (trouble "fpdeg", target unchanged) a term
// beyond degree 135 rather than dropping it, since a dropped term would change the module.
bool SubtractShifted(const FpField& f, FpPoly& target, const FpPoly& source, int32_t coef,
                     int shift) {
    if (source.degree < 0 || coef == 0) return true;
    if (source.degree + shift > kFpMaxDegree) {
        RaiseTrouble("fpdeg");
        return false;
    }
    const int64_t p = f.FieldPrime;
    for (int i = 0; i <= source.degree; ++i) {
        int32_t& t = target.c[static_cast<size_t>(i + shift)];
        const int64_t product = static_cast<int64_t>(coef) * source.c[static_cast<size_t>(i)] % p;
        t = static_cast<int32_t>((t - product + p) % p);
    }
    // Above both degrees target stays zero.
    int top = std::max(target.degree, source.degree + shift);
    while (top >= 0 && target.c[static_cast<size_t>(top)] == 0) --top;
    target.degree = top;
    return true;
}

// Exchanges a and b; above both degrees both are zero and stay as they are.
void SwapPolys(FpPoly& a, FpPoly& b) {
    const auto used = static_cast<size_t>(std::max(a.degree, b.degree) + 1);
    std::swap_ranges(a.c.begin(), a.c.begin() + static_cast<std::ptrdiff_t>(used), b.c.begin());
    std::swap(a.degree, b.degree);
}

// The entry of least degree (first on ties) among the non-zero entries at (from..to, fixed)
// when byRow is false, or (fixed, from..to) when it is true; 0 when all are zero.
int LeastDegreeIndex(const FpField& f, const FpPolyMatrix& m, int fixed, int from, int to,
                     bool byRow) {
    int best = 0;
    int32_t bestDegree = 0;
    for (int k = from; k <= to; ++k) {
        const FpPoly& e = byRow ? m(fixed, k) : m(k, fixed);
        if (e.degree < 0 || Inverse(f, Lead(e)) < 0) continue;
        if (best == 0 || e.degree < bestDegree) {
            best = k;
            bestDegree = e.degree;
        }
    }
    return best;
}

// The column phase at position i: the pivot of least degree moves to row i and the leading term
// of every entry below it is cancelled. False when column i is zero from row i on.
bool ColumnPhase(const FpField& f, FpPolyMatrix& m, int i, int rows, int cols) {
    const int r = LeastDegreeIndex(f, m, i, i, rows, false);
    if (r == 0) return false;
    if (r != i) {
        for (int c = 1; c <= cols; ++c) SwapPolys(m(r, c), m(i, c));
    }
    const FpPoly& pivot = m(i, i);
    const int64_t pivotInverse = Inverse(f, Lead(pivot));
    for (int k = i + 1; k <= rows; ++k) {
        const FpPoly& e = m(k, i);
        if (e.degree < 0) continue;
        const int shift = e.degree - pivot.degree;
        const auto coef = static_cast<int32_t>(Lead(e) * pivotInverse % f.FieldPrime);
        for (int c = i; c <= cols; ++c) {
            if (!SubtractShifted(f, m(k, c), m(i, c), coef, shift)) return true;
        }
    }
    return true;
}

// The row phase at position i: the same along row i with column operations.
bool RowPhase(const FpField& f, FpPolyMatrix& m, int i, int rows, int cols) {
    const int c = LeastDegreeIndex(f, m, i, i, cols, true);
    if (c == 0) return false;
    if (c != i) {
        for (int r = 1; r <= rows; ++r) SwapPolys(m(r, c), m(r, i));
    }
    const FpPoly& pivot = m(i, i);
    const int64_t pivotInverse = Inverse(f, Lead(pivot));
    for (int k = i + 1; k <= cols; ++k) {
        const FpPoly& e = m(i, k);
        if (e.degree < 0) continue;
        const int shift = e.degree - pivot.degree;
        const auto coef = static_cast<int32_t>(Lead(e) * pivotInverse % f.FieldPrime);
        for (int r = i; r <= rows; ++r) {
            if (!SubtractShifted(f, m(r, k), m(r, i), coef, shift)) return true;
        }
    }
    return true;
}

bool PositionCleared(const FpPolyMatrix& m, int i, int rows, int cols) {
    for (int r = i + 1; r <= rows; ++r) {
        if (m(r, i).degree >= 0) return false;
    }
    for (int c = i + 1; c <= cols; ++c) {
        if (m(i, c).degree >= 0) return false;
    }
    return true;
}

enum class Diagonal { Done, TooManyPasses, Trouble };

// Brings m to diagonal form on positions 1..min(rows, cols).
Diagonal Diagonalise(const FpField& f, FpPolyMatrix& m, int rows, int cols) {
    const int positions = std::min(rows, cols);
    for (int i = 1; i <= positions; ++i) {
        for (int pass = 1;; ++pass) {
            const bool column = ColumnPhase(f, m, i, rows, cols);
            const bool row = RowPhase(f, m, i, rows, cols);
            if (ArithTrouble) return Diagonal::Trouble;
            // A zero row and column: a zero diagonal entry, i.e. a free summand.
            if (!column && !row) break;
            if (pass > kMaxPasses) return Diagonal::TooManyPasses;
            if (PositionCleared(m, i, rows, cols)) break;
        }
    }
    return Diagonal::Done;
}

// The number of non-units among torsion orders d (all non-zero, powers of t stripped) once they
// are made a divisibility chain by gcd and lcm: the minimal number of generators of ⊕ F[t]/(d_i).
using TorsionOrders = std::array<FpPoly, kFpMatrixDim>;
int32_t ChainLength(const FpField& f, TorsionOrders& d, size_t count) {
    const auto nonUnits = [&d, count] {
        return static_cast<int32_t>(std::count_if(d.begin(), d.begin() + static_cast<long>(count),
                                                  [](const FpPoly& x) { return x.degree > 0; }));
    };
    if (nonUnits() < 2) return nonUnits();
    for (size_t i = 0; i < count; ++i) {
        for (size_t j = i + 1; j < count; ++j) {
            const FpPoly g = FpGcd(f, d[i], d[j]);
            const FpPoly q = FpDivMod(f, d[i], g).quotient;
            if (q.degree > 0) {
                d[i] = g;
                d[j] = FpMul(f, q, d[j]);
            }
        }
    }
    return nonUnits();
}

}  // namespace

FpField InitInverses(int32_t p) {
    if (p < 2 || p > kFpMaxPrime) throw RangeError("FieldPrime outside 2..101");
    FpField f;
    f.FieldPrime = p;
    f.InverseTable.fill(-1);
    for (int32_t a = 1; a < p && a <= 100; ++a) {
        for (int32_t b = 1; b < p; ++b) {
            if (a * b % p == 1) f.InverseTable[static_cast<size_t>(a)] = b;
        }
    }
    return f;
}

int32_t FpReduce(const FpField& f, int64_t x) {
    const int64_t r = x % f.FieldPrime;
    return static_cast<int32_t>(r < 0 ? r + f.FieldPrime : r);
}

FpPoly FpZero() {
    return FpPoly{};
}

int32_t FpDegree(const FpPoly& a) {
    for (int i = kFpMaxDegree; i >= 0; --i) {
        if (a.c[static_cast<size_t>(i)] != 0) return i;
    }
    return -1;
}

FpPoly FpAdd(const FpField& f, const FpPoly& a, const FpPoly& b) {
    FpPoly s;
    const int top = std::max(a.degree, b.degree);
    for (int i = 0; i <= top; ++i) {
        const auto k = static_cast<size_t>(i);
        s.c[k] = (a.c[k] + b.c[k]) % f.FieldPrime;
    }
    s.degree = FpDegree(s);
    return s;
}

FpPoly FpMul(const FpField& f, const FpPoly& a, const FpPoly& b) {
    FpPoly product;
    if (a.degree < 0 || b.degree < 0) return product;
    for (int i = 0; i <= a.degree; ++i) {
        if (a.c[static_cast<size_t>(i)] == 0) continue;
        for (int j = 0; j <= b.degree && i + j <= kFpMaxDegree; ++j) {
            int32_t& c = product.c[static_cast<size_t>(i + j)];
            const int64_t term =
                static_cast<int64_t>(a.c[static_cast<size_t>(i)]) * b.c[static_cast<size_t>(j)];
            c = static_cast<int32_t>((c + term) % f.FieldPrime);
        }
    }
    product.degree = FpDegree(product);
    return product;
}

FpDivModResult FpDivMod(const FpField& f, const FpPoly& a, const FpPoly& b) {
    FpDivModResult result{FpZero(), a};
    const int32_t inverse = b.degree < 0 ? -1 : Inverse(f, Lead(b));
    if (inverse < 0) {
        RaiseTrouble("times");
        return result;
    }
    FpPoly& r = result.remainder;
    while (r.degree >= b.degree) {
        const int shift = r.degree - b.degree;
        const auto coef =
            static_cast<int32_t>(static_cast<int64_t>(Lead(r)) * inverse % f.FieldPrime);
        result.quotient.c[static_cast<size_t>(shift)] = coef;
        SubtractShifted(f, r, b, coef, shift);  // cancels the leading term, degree falls
    }
    result.quotient.degree = FpDegree(result.quotient);
    return result;
}

FpPoly FpGcd(const FpField& f, const FpPoly& a, const FpPoly& b) {
    FpPoly x = a;
    FpPoly y = b;
    while (y.degree >= 0 && !ArithTrouble) {
        FpPoly r = FpDivMod(f, x, y).remainder;
        x = y;
        y = r;
    }
    return x;
}

FpPoly FpStripT(const FpPoly& a) {
    if (a.degree < 0) return a;
    int low = 0;
    while (a.c[static_cast<size_t>(low)] == 0) ++low;
    if (low == 0) return a;
    FpPoly s;
    for (int i = low; i <= a.degree; ++i)
        s.c[static_cast<size_t>(i - low)] = a.c[static_cast<size_t>(i)];
    s.degree = a.degree - low;
    return s;
}

int32_t ModuleGeneratorsFp(const FpField& f, const FpPolyMatrix& input, int rows, int cols) {
    const std::optional<int32_t> count = FpModuleGeneratorCount(f, input, rows, cols);
    if (count) return *count;
    return ArithTrouble ? 1 : 0;
}

std::optional<int32_t> FpModuleGeneratorCount(const FpField& f, const FpPolyMatrix& input, int rows,
                                              int cols) {
    if (rows < 0 || rows > kFpMatrixDim || cols < 0 || cols > kFpMatrixDim) {
        throw RangeError("ModuleGeneratorsFp size");
    }
    ClearTrouble();
    FpPolyMatrix m = input;
    if (Diagonalise(f, m, rows, cols) != Diagonal::Done) return std::nullopt;
    int32_t free = std::max(rows - cols, 0);
    TorsionOrders torsion;
    size_t count = 0;
    for (int i = 1; i <= std::min(rows, cols); ++i) {
        const FpPoly d = FpStripT(m(i, i));
        if (d.degree < 0) {
            ++free;
        } else {
            torsion[count++] = d;
        }
    }
    const int32_t chain = ChainLength(f, torsion, count);
    if (ArithTrouble) return std::nullopt;
    return free + chain;
}

AlexanderModuleOutcome AlexanderModuleBound(KnotState& state) {
    KnotRecord& knot = state.record;
    const int n = state.WorkingSize;
    AlexanderModuleOutcome outcome;
    int64_t lowest = 0;
    for (int64_t i = 0; i <= state.AlexanderPoly.degree; ++i) {
        lowest = state.AlexanderPoly.c(i).num;
        if (lowest != 0) break;
    }
    for (const int32_t p : state.PrimeList) {
        if (p < 2) continue;  // PrimeList not yet set for a run
        if (knot.nakanishiLower >= knot.nakanishiUpper) continue;
        if (Gcd64(p, lowest) != 1) continue;
        const FpField field = InitInverses(p);
        const FpPolyMatrix m = FpAlexanderMatrix(field, state.WorkingMatrix, n);
        ClearTrouble();
        const int32_t g = ModuleGeneratorsFp(field, m, n, n);
        ClearTrouble();
        ++outcome.primesTried;
        if (g > outcome.best) {
            outcome.best = g;
            outcome.bestPrime = p;
        }
    }
    const std::string p = std::to_string(outcome.bestPrime);
    if (knot.nakanishiLower < outcome.best) {
        knot.nakanishiLower = outcome.best;
        state.NakanishiSource = "H_1(S^3\\K;F_" + p + "[t,t^-1])";
        state.NakanishiSourceTex = "A(F_" + p + ")";
    }
    RaiseLowerBound(state, outcome.best, "A(F_" + p + ")", "m,");
    return outcome;
}

}  // namespace corvane
