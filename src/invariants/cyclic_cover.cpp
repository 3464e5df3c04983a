#include "invariants/cyclic_cover.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "arith/checked.h"
#include "invariants/signature.h"

namespace corvane {

namespace {

// A·B on the m × m block with the guarded operations: entries that leave the exact range set
// ArithTrouble instead of throwing.
IntMatrix SoftMatMul(const IntMatrix& a, const IntMatrix& b, int m) {
    IntMatrix out;
    for (int i = 1; i <= m; ++i) {
        for (int j = 1; j <= m; ++j) {
            int64_t sum = 0;
            for (int k = 1; k <= m; ++k) sum = CheckedAdd(sum, CheckedMul(a(i, k), b(k, j)));
            out(i, j) = sum;
        }
    }
    return out;
}

IntMatrix SoftMatPow(const IntMatrix& a, int m, int n) {
    IntMatrix power = IdentityMatrix(m);
    for (int k = 1; k <= n && !ArithTrouble; ++k) power = SoftMatMul(power, a, m);
    return power;
}

// Entries of M in the symmetric range modulo N (N >= 1); the class of every column in
// Z^m / (P·Z^m + N·Z^m) is unchanged.
IntMatrix ReduceMatrix(const IntMatrix& a, int m, int64_t modulus) {
    IntMatrix out;
    for (int i = 1; i <= m; ++i) {
        for (int j = 1; j <= m; ++j) out(i, j) = SymMod(a(i, j), modulus);
    }
    return out;
}

// A·B modulo N for matrices reduced modulo N <= 10000000: every partial sum stays below
// 70·(N/2)² < 2^63.
IntMatrix ModMatMul(const IntMatrix& a, const IntMatrix& b, int m, int64_t modulus) {
    IntMatrix out;
    for (int i = 1; i <= m; ++i) {
        for (int j = 1; j <= m; ++j) {
            int64_t sum = 0;
            for (int k = 1; k <= m; ++k) sum += a(i, k) * b(k, j);
            out(i, j) = SymMod(sum, modulus);
        }
    }
    return out;
}

// Re Π_{k=1..n} Δ(e^{2πik/n}) in extended precision; the product is ±|H_1(L_n)| when the group
// is finite (the factor k = n is Δ(1) = ±1) and 0 when Δ vanishes at an n-th root of unity.
long double OrderEstimate(const RatPoly& alexander, int n) {
    ComplexExt product = ComplexFromReal(1.0L);
    for (int k = 1; k <= n; ++k) {
        const ComplexExt z = ComplexFromAngle(static_cast<long double>(k) / n);
        ComplexExt value = ComplexFromReal(0.0L);
        ComplexExt power = ComplexFromReal(1.0L);
        for (int64_t i = 0; i <= alexander.degree; ++i) {
            const auto c = static_cast<long double>(alexander.c(i).num);
            value = value + ComplexFromReal(c) * power;
            power = power * z;
        }
        product = product * value;
    }
    return product.re;
}

// H⁻¹ on coker P: P = (H + I)ⁿ - Hⁿ = I + H·R with R = Σ_{k=1..n-1} C(n,k)·H^{k-1}, so
// H·(-R) = I - P acts as the identity on coker P. Entries modulo N.
IntMatrix InverseOfH(const IntMatrix& h, int m, int n, int64_t modulus) {
    const IntMatrix hReduced = ReduceMatrix(h, m, modulus);
    IntMatrix power = IdentityMatrix(m);
    IntMatrix r;
    int64_t binomial = 1;
    for (int k = 1; k <= n - 1; ++k) {
        binomial = binomial * (n - k + 1) / k;  // C(n, k) <= C(20, 10)
        for (int i = 1; i <= m; ++i) {
            for (int j = 1; j <= m; ++j) {
                r(i, j) = SymMod(r(i, j) + SymMod(binomial, modulus) * power(i, j), modulus);
            }
        }
        power = ModMatMul(power, hReduced, m, modulus);
    }
    for (int i = 1; i <= m; ++i) {
        for (int j = 1; j <= m; ++j) r(i, j) = SymMod(-r(i, j), modulus);
    }
    return r;
}

// S⁻¹ for S = Vᵀ - V from a full diagonalization Q·... : P_S·S·Q_S = D with every d_i = ±1
// gives S⁻¹ = Q_S·D·P_S. False (trouble "modd") when S is not unimodular.
bool InverseOfSkew(const IntMatrix& v, int m, IntMatrix& inverse) {
    IntMatrix s;
    for (int i = 1; i <= m; ++i) {
        for (int j = 1; j <= m; ++j) s(i, j) = PlainSub(v(j, i), v(i, j));
    }
    const DiagonalizeResult d = Diagonalize(s, m, m);
    if (ArithTrouble) return false;
    if (d.value != 1 && d.value != -1) {
        RaiseTrouble("modd");
        return false;
    }
    inverse = SoftMatMul(d.DiagRight, SoftMatMul(d.DiagResult, d.DiagLeft, m), m);
    return !ArithTrouble;
}

// Full diagonalization of P; when its transforms leave the exact range, the diagonal alone
// still gives the invariant factors.
void DiagonalizePresentation(CoverPresentationResult& out) {
    out.diag = Diagonalize(out.P, out.m, out.m);
    out.transformsValid = !ArithTrouble;
    if (!ArithTrouble) return;
    ClearTrouble();
    out.diag = Diagonalize(out.P, out.m, out.m, {.noTransforms = true});
    if (!ArithTrouble) NormaliseInvariantFactors(out.diag, out.m);
}

// Decides whether an element x of H_1(L_n) = coker P generates it over Z[Z/n]: the submodule it
// generates is spanned by x, T_1x, ..., T_1ⁿx, and the quotient coker [P | x ... T_1ⁿx] is a
// finite group of order dividing N = |H_1(L_n)|, trivial iff the matrix has rank m over F_p for
// every prime p dividing N. Exact for N <= 10000000; the buffers are set up once per test.
class GenerationCheck {
  public:
    GenerationCheck(const CoverPresentationResult& cover, int64_t modulus)
        : m_(cover.m), n_(cover.n), modulus_(modulus), t1_(cover.T1) {
        int64_t rest = modulus;
        for (int64_t p = 2; p * p <= rest; ++p) {
            if (rest % p != 0) continue;
            primes_.push_back(p);
            while (rest % p == 0) rest /= p;
        }
        if (rest > 1) primes_.push_back(rest);
        for (const int64_t p : primes_) {
            IntMatrix reduced;
            for (int i = 1; i <= m_; ++i) {
                for (int j = 1; j <= m_; ++j) reduced(i, j) = Residue(cover.P(i, j), p);
            }
            reducedP_.push_back(reduced);
        }
    }

    bool Generates(const IntVector& x) {
        IntVector y = x;
        for (int k = 1; k <= n_; ++k) {
            y = ModMatVec(y);
            orbit_[static_cast<size_t>(k)] = y;
        }
        for (size_t i = 0; i < primes_.size(); ++i) {
            if (!FullRankModP(reducedP_[i], primes_[i])) return false;
        }
        return true;
    }

  private:
    static int64_t Residue(int64_t a, int64_t p) {
        const int64_t r = a % p;
        return r < 0 ? r + p : r;
    }

    static int64_t InverseModP(int64_t a, int64_t p) {
        int64_t result = 1;
        int64_t base = a;
        for (int64_t e = p - 2; e > 0; e >>= 1) {
            if (e & 1) result = result * base % p;
            base = base * base % p;
        }
        return result;
    }

    IntVector ModMatVec(const IntVector& x) const {
        IntVector out;
        for (int i = 1; i <= m_; ++i) {
            int64_t sum = 0;
            for (int k = 1; k <= m_; ++k) sum += t1_(i, k) * x(k);
            out(i) = SymMod(sum, modulus_);
        }
        return out;
    }

    // Rank m of [P | T_1x ... T_1ⁿx] over F_p by Gaussian elimination on the work buffer.
    bool FullRankModP(const IntMatrix& reducedP, int64_t p) {
        const int cols = m_ + n_;
        for (int i = 1; i <= m_; ++i) {
            for (int j = 1; j <= m_; ++j) work_(i, j) = reducedP(i, j);
            for (int k = 1; k <= n_; ++k) {
                work_(i, m_ + k) = Residue(orbit_[static_cast<size_t>(k)](i), p);
            }
        }
        int rank = 0;
        for (int col = 1; col <= cols && rank < m_; ++col) {
            int pivot = rank + 1;
            while (pivot <= m_ && work_(pivot, col) == 0) ++pivot;
            if (pivot > m_) continue;
            ++rank;
            inplace::SwapRows(work_, pivot, rank, cols);
            const int64_t inverse = InverseModP(work_(rank, col), p);
            for (int i = rank + 1; i <= m_; ++i) {
                const int64_t f = work_(i, col) * inverse % p;
                if (f == 0) continue;
                for (int j = col; j <= cols; ++j) {
                    work_(i, j) = Residue(work_(i, j) - f * work_(rank, j), p);
                }
            }
        }
        return rank == m_;
    }

    int m_;
    int n_;
    int64_t modulus_;
    const IntMatrix& t1_;
    std::vector<int64_t> primes_;
    std::vector<IntMatrix> reducedP_;
    std::array<IntVector, kMaxCoverDegree + 1> orbit_{};
    IntMatrix work_;
};

// The cyclic summands Z/o_j of coker P with their generators g_j (entries modulo N).
struct CyclicSummands {
    int r = 0;
    std::array<int64_t, kMatrixDim + 1> orders{};
    std::array<IntVector, kMatrixDim + 1> generators{};
};

// False when some summand is free or the orders do not multiply to N (then the decomposition
// cannot be trusted and nothing is decided).
bool CollectSummands(const DiagonalizeResult& diag, int m, int64_t modulus, CyclicSummands& out) {
    int64_t product = 1;
    for (int i = 1; i <= m; ++i) {
        const int64_t order = diag.CokernelOrders[static_cast<size_t>(i)];
        if (order == 0) return false;
        if (order == 1) continue;
        if (order > modulus / product) return false;
        product *= order;
        ++out.r;
        out.orders[static_cast<size_t>(out.r)] = order;
        IntVector& g = out.generators[static_cast<size_t>(out.r)];
        for (int k = 1; k <= m; ++k) {
            g(k) = SymMod(diag.CokernelGenerators[static_cast<size_t>(i)](k), modulus);
        }
    }
    return product == modulus;
}

void Undecided(CoverState& cover) {
    cover.CoverResult = 0;
    cover.CoverUndecided = true;
}

void Decided(CoverState& cover, int32_t result) {
    cover.CoverResult = result;
    cover.CoverUndecided = false;
}

bool StopOrSkip(const KnotState& state) {
    return state.StopRequested.load() || state.SkipRequested.load();
}

// Tries every element Σ c_j g_j, 0 <= c_j < o_j, the last position moving fastest.
void SearchGenerator(KnotContext& ctx, CoverState& cover, const CoverPresentationResult& pres,
                     int64_t modulus, const CyclicSummands& summands) {
    GenerationCheck check(pres, modulus);
    const int r = summands.r;
    std::array<int64_t, kMatrixDim + 1> c{};
    c[static_cast<size_t>(r)] = 1;
    for (int64_t tried = 1;; ++tried) {
        IntVector x;
        for (int j = 1; j <= r; ++j) {
            const int64_t cj = c[static_cast<size_t>(j)];
            if (cj == 0) continue;
            const IntVector& g = summands.generators[static_cast<size_t>(j)];
            for (int k = 1; k <= pres.m; ++k) x(k) = SymMod(x(k) + cj * g(k), modulus);
        }
        if (check.Generates(x)) {
            Decided(cover, 1);
            return;
        }
        if (tried % 100 == 0) {
            ctx.CheckPause();
            ctx.display.ShowStatus(false);
        }
        int j = r;
        ++c[static_cast<size_t>(j)];
        while (j > 1 && c[static_cast<size_t>(j)] == summands.orders[static_cast<size_t>(j)]) {
            c[static_cast<size_t>(j)] = 0;
            --j;
            ++c[static_cast<size_t>(j)];
        }
        if (c[1] >= summands.orders[1]) break;
        if (StopOrSkip(ctx.state)) {
            Undecided(cover);
            return;
        }
    }
    Decided(cover, 2);
}

// More than n abelian generators: Nakanishi index at least 2, beyond 2n at least 3.
void ApplyCountBound(KnotState& state, int32_t n, int32_t count) {
    KnotRecord& knot = state.record;
    const int32_t b = count > 2 * n ? 3 : 2;
    const std::string group = "H_1(L_" + std::to_string(n) + ")";
    if (b > knot.nakanishiLower) {
        knot.nakanishiLower = b;
        state.NakanishiSource = group;
        state.NakanishiSourceTex = group;
    }
    RaiseLowerBound(state, b, "Wendt on " + group, "m,");
}

}  // namespace

std::unique_ptr<CoverPresentationResult> CoverPresentation(const IntMatrix& v, int m,
                                                           const RatPoly& alexander, int n,
                                                           bool countOnly) {
    // Every member has its initialiser: nothing needs the whole object cleared first.
    auto out = std::make_unique_for_overwrite<CoverPresentationResult>();
    out->m = m;
    out->n = n;
    if (m < 1 || m > kMatrixDim || n < 1 || n > kMaxCoverDegree) {
        RaiseTrouble("modd");
        return out;
    }
    const long double estimate = OrderEstimate(alexander, n);
    if (!std::isfinite(estimate) || std::fabs(estimate) > kCoverEstimateLimit) RaiseTrouble("z1");
    const int64_t order = ArithTrouble ? 0 : std::llabs(std::llround(estimate));
    if (order == 0 || order > kMaxCoverOrder || ArithTrouble) {
        RaiseTrouble("modd");
        return out;
    }

    IntMatrix skewInverse;
    if (!InverseOfSkew(v, m, skewInverse)) return out;
    out->G = SoftMatMul(skewInverse, Transpose(v, m), m);
    out->H = out->G;
    for (int i = 1; i <= m; ++i) out->H(i, i) = CheckedAdd(out->H(i, i), -1);
    const IntMatrix gn = SoftMatPow(out->G, m, n);
    const IntMatrix hn = SoftMatPow(out->H, m, n);
    for (int i = 1; i <= m; ++i) {
        for (int j = 1; j <= m; ++j) out->P(i, j) = CheckedAdd(gn(i, j), -hn(i, j));
    }
    if (ArithTrouble) return out;

    DiagonalizePresentation(*out);
    if (ArithTrouble) return out;
    out->status = CoverBuild::counted;
    if (countOnly || !out->transformsValid) return out;
    if (out->diag.value == 0) {
        out->status = CoverBuild::singular;
        return out;
    }
    const int64_t modulus = PlainAbs(out->diag.value);
    // The estimate admitted the group; a determinant beyond the limit means the estimate was off,
    // and the arithmetic modulo N below relies on the limit.
    if (modulus > kMaxCoverOrder) {
        RaiseTrouble("modd");
        out->status = CoverBuild::failed;
        return out;
    }
    const IntMatrix q = InverseOfH(out->H, m, n, modulus);
    out->T1 = ModMatMul(ReduceMatrix(out->G, m, modulus), q, m, modulus);
    out->status = CoverBuild::complete;
    return out;
}

std::string CoverMark(int32_t n) {
    return "l" + std::to_string(n);
}

bool CoverTried(const std::string& coversTried, int32_t n) {
    const std::string mark = CoverMark(n);
    for (size_t at = coversTried.find(mark); at != std::string::npos;
         at = coversTried.find(mark, at + 1)) {
        const size_t end = at + mark.size();
        if (end == coversTried.size() || coversTried[end] < '0' || coversTried[end] > '9') {
            return true;
        }
    }
    return false;
}

void CyclicCoverTest(KnotContext& ctx, CoverState& cover, int32_t n, int64_t limit, bool countOnly) {
    KnotState& state = ctx.state;
    ClearTrouble();
    state.SkipRequested = false;
    Undecided(cover);
    const int m = state.WorkingSize;
    if (n < 1 || n > kMaxCoverDegree || m < 1 || m + n + 2 > kMatrixDim) return;
    const auto pres = CoverPresentation(state.WorkingMatrix, m, state.AlexanderPoly, n, countOnly);
    if (pres->status == CoverBuild::failed || ArithTrouble) return;

    if (pres->diag.GeneratorCount > n) {
        ApplyCountBound(state, n, pres->diag.GeneratorCount);
        Decided(cover, 2);
        return;
    }
    if (countOnly || pres->status != CoverBuild::complete) return;
    const int64_t modulus = PlainAbs(pres->diag.value);
    if (modulus > limit) {
        cover.CoverTooLarge = true;
        return;
    }
    CyclicSummands summands;
    if (!CollectSummands(pres->diag, m, modulus, summands)) return;
    if (summands.r == 0) {
        Decided(cover, 0);
        return;
    }
    const std::string degree = std::to_string(n);
    ctx.display.StatusText = "Check whether H_1(L_" + degree +
                             ") is generated by one element over the ring Z[Z/" + degree + "]";
    SearchGenerator(ctx, cover, *pres, modulus, summands);
}

void CyclicCoverSeries(KnotContext& ctx, CoverState& cover, int64_t limit, int32_t maxDegree) {
    KnotState& state = ctx.state;
    KnotRecord& knot = state.record;
    cover.CoverTooLarge = false;
    ClearTrouble();
    state.SkipRequested = false;
    int32_t n = 0;
    do {
        n = ++cover.CoverDegree;
        if (!CoverTried(knot.coversTried, n)) {
            CyclicCoverTest(ctx, cover, n, limit, false);
            if (!cover.CoverUndecided && cover.CoverResult > 1) {
                const std::string group = "H_1(L_" + std::to_string(n) + ")";
                if (knot.nakanishiLower < 2) {
                    knot.nakanishiLower = 2;
                    state.NakanishiSource = group;
                    state.NakanishiSourceTex = group;
                }
                RaiseLowerBound(state, 2, group, "m,");
                break;
            }
            // A degree is settled unless its group was too large for this limit or the user
            // ended its search; those are tried again by a later run.
            if (!cover.CoverTooLarge && !StopOrSkip(state)) knot.coversTried += CoverMark(n);
        }
        ctx.display.ShowStatus(true);
    } while (!ArithTrouble && n < maxDegree && !cover.CoverTooLarge && n <= 15 &&
             !StopOrSkip(state) && knot.nakanishiLower <= 1);
    if (cover.CoverTooLarge) --cover.CoverDegree;
}

}  // namespace corvane
