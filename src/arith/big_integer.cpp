#include "arith/big_integer.h"

#include <flint/fmpz_lll.h>
#include <flint/fmpz_poly_mat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <utility>

#include "arith/errors.h"

namespace corvane {

namespace {

// Frees a string that FLINT allocated.
struct FlintFree {
    void operator()(char* p) const { flint_free(p); }
};

// A FLINT polynomial matrix, cleared on scope exit.
class BigPolyMatrix {
  public:
    BigPolyMatrix(int rows, int cols) { fmpz_poly_mat_init(m_, rows, cols); }
    BigPolyMatrix(const BigPolyMatrix&) = delete;
    BigPolyMatrix& operator=(const BigPolyMatrix&) = delete;
    ~BigPolyMatrix() { fmpz_poly_mat_clear(m_); }
    fmpz_poly_struct* entry(int i, int j) { return fmpz_poly_mat_entry(m_, i, j); }
    fmpz_poly_mat_struct* get() { return m_; }

  private:
    fmpz_poly_mat_t m_;
};

// Bᵀ·W·B.
BigMatrix Congruent(const BigMatrix& w, const BigMatrix& b) {
    BigMatrix bt(b.Cols(), b.Rows());
    fmpz_mat_transpose(bt.get(), b.get());
    BigMatrix wb(w.Rows(), b.Cols());
    fmpz_mat_mul(wb.get(), w.get(), b.get());
    BigMatrix out(b.Cols(), b.Cols());
    fmpz_mat_mul(out.get(), bt.get(), wb.get());
    return out;
}

// LLL reduction of the rows of m (linearly independent) for the standard inner product; the rows
// span the same lattice afterwards.
void LllRows(BigMatrix& m) {
    if (m.Rows() < 2) return;
    fmpz_lll_t context;
    fmpz_lll_context_init_default(context);
    fmpz_lll(m.get(), nullptr, context);
}

// Row x of m minus the integer multiple of row k of b nearest to its projection on it, for every
// row k of b in turn (twice): x stays in x + span_Z(b) and becomes shorter.
void ReduceRowAgainst(BigMatrix& m, int x, const BigMatrix& b) {
    BigInt dot, norm, c, t;
    for (int pass = 0; pass < 2; ++pass) {
        for (int k = 1; k <= b.Rows(); ++k) {
            fmpz_zero(dot.get());
            fmpz_zero(norm.get());
            for (int j = 1; j <= b.Cols(); ++j) {
                fmpz_addmul(dot.get(), m(x, j), b(k, j));
                fmpz_addmul(norm.get(), b(k, j), b(k, j));
            }
            if (fmpz_is_zero(norm.get())) continue;
            // c = round(dot / norm) = floor((2·dot + norm) / (2·norm)).
            fmpz_mul_2exp(t.get(), dot.get(), 1);
            fmpz_add(t.get(), t.get(), norm.get());
            fmpz_mul_2exp(norm.get(), norm.get(), 1);
            fmpz_fdiv_q(c.get(), t.get(), norm.get());
            for (int j = 1; j <= b.Cols(); ++j) fmpz_submul(m(x, j), c.get(), b(k, j));
        }
    }
}

// A unimodular s × s matrix with small entries whose last column is the primitive vector v (an
// s × 1 matrix). The Hermite form of v is U·v = e_1, so U⁻¹ has first column v and its other
// columns complete v to a basis of Z^s; these are LLL reduced among themselves and then reduced
// against v, which keeps them a completion of v.
BigMatrix CompleteToUnimodular(const BigMatrix& v) {
    const int s = v.Rows();
    BigMatrix h(s, 1);
    BigMatrix u(s, s);
    fmpz_mat_hnf_transform(h.get(), u.get(), v.get());
    BigMatrix inverse(s, s);
    BigInt den;
    fmpz_mat_inv(inverse.get(), den.get(), u.get());
    // U is unimodular, so the denominator is ±1; H(1,1) = gcd(v) = 1 makes U⁻¹e_1 = v.
    if (den.Sign() < 0) fmpz_mat_neg(inverse.get(), inverse.get());
    BigMatrix others(s - 1, s);
    for (int c = 2; c <= s; ++c)
        for (int i = 1; i <= s; ++i) fmpz_set(others(c - 1, i), inverse(i, c));
    LllRows(others);
    BigMatrix vRow(1, s);
    for (int i = 1; i <= s; ++i) fmpz_set(vRow(1, i), v(i, 1));
    for (int c = 1; c < s; ++c) ReduceRowAgainst(others, c, vRow);
    BigMatrix out(s, s);
    for (int i = 1; i <= s; ++i) {
        for (int c = 1; c < s; ++c) fmpz_set(out(i, c), others(c, i));
        fmpz_set(out(i, s), v(i, 1));
    }
    return out;
}

// The upper-left k × k block of m.
BigMatrix LeadingBlock(const BigMatrix& m, int k) {
    BigMatrix out(k, k);
    for (int i = 1; i <= k; ++i)
        for (int j = 1; j <= k; ++j) fmpz_set(out(i, j), m(i, j));
    return out;
}

// Floating-point helpers for the 80-bit and the 128-bit (113-bit mantissa) formats.
using Quad = __float128;

long double Abs(long double x) {
    return std::fabs(x);
}
Quad Abs(Quad x) {
    return x < 0 ? -x : x;
}
long double Sqrt(long double x) {
    return std::sqrt(x);
}
// √x by Newton's method from the 80-bit root; x >= 0.
Quad Sqrt(Quad x) {
    if (x <= 0) return 0;
    Quad r = std::sqrt(static_cast<long double>(x));
    for (int i = 0; i < 3; ++i) r = (r + x / r) / 2;
    return r;
}
bool IsFinite(long double x) {
    return std::isfinite(x);
}
bool IsFinite(Quad x) {
    return std::isfinite(static_cast<long double>(x));
}

// The value of an integer below 2^100 in magnitude, to about 106 bits.
template <typename T>
T ToReal(const fmpz* x) {
    const double hi = fmpz_get_d(x);
    BigInt rest;
    fmpz_set_d(rest.get(), hi);
    fmpz_sub(rest.get(), x, rest.get());
    return static_cast<T>(hi) + static_cast<T>(fmpz_get_d(rest.get()));
}

// The integer nearest to x, |x| < 2^110.
template <typename T>
void SetNearest(fmpz* out, T x) {
    const double hi = static_cast<double>(x);
    fmpz_set_d(out, hi);
    const double lo = static_cast<double>(x - static_cast<T>(hi));
    BigInt rest;
    fmpz_set_d(rest.get(), std::nearbyint(lo));
    fmpz_add(out, out, rest.get());
}

template <typename T>
using RealMatrix = std::vector<std::vector<T>>;

template <typename T>
RealMatrix<T> RealZero(int n) {
    return RealMatrix<T>(static_cast<size_t>(n), std::vector<T>(static_cast<size_t>(n), 0));
}

// M⁻¹ by Gauss-Jordan elimination with partial pivoting; nullopt when a pivot vanishes.
template <typename T>
std::optional<RealMatrix<T>> RealInverse(RealMatrix<T> m) {
    const size_t n = m.size();
    RealMatrix<T> inv = RealZero<T>(static_cast<int>(n));
    for (size_t i = 0; i < n; ++i) inv[i][i] = 1;
    for (size_t k = 0; k < n; ++k) {
        size_t pivot = k;
        for (size_t i = k + 1; i < n; ++i)
            if (Abs(m[i][k]) > Abs(m[pivot][k])) pivot = i;
        if (m[pivot][k] == 0 || !IsFinite(m[pivot][k])) return std::nullopt;
        std::swap(m[k], m[pivot]);
        std::swap(inv[k], inv[pivot]);
        const T d = m[k][k];
        for (size_t j = 0; j < n; ++j) {
            m[k][j] /= d;
            inv[k][j] /= d;
        }
        for (size_t i = 0; i < n; ++i) {
            if (i == k || m[i][k] == 0) continue;
            const T f = m[i][k];
            for (size_t j = 0; j < n; ++j) {
                m[i][j] -= f * m[k][j];
                inv[i][j] -= f * inv[k][j];
            }
        }
    }
    return inv;
}

template <typename T>
T FrobeniusNorm(const RealMatrix<T>& m) {
    T sum = 0;
    for (const auto& row : m)
        for (const T x : row) sum += x * x;
    return Sqrt(sum);
}

// The modulus |M| = Uᵀ·M of the polar decomposition M = U·|M| of a non-singular normal matrix M
// (symmetric or skew-symmetric here), with U from the scaled Newton iteration
// U ← (γU + U⁻ᵀ/γ)/2. For such M, |xᵀMy| <= √(xᵀ|M|x · yᵀ|M|y): |M| majorises the form of M.
template <typename T>
std::optional<RealMatrix<T>> PolarModulus(const RealMatrix<T>& m, T tolerance) {
    const size_t n = m.size();
    RealMatrix<T> u = m;
    bool converged = false;
    for (int iteration = 0; iteration < 100 && !converged; ++iteration) {
        const std::optional<RealMatrix<T>> inverse = RealInverse(u);
        if (!inverse) return std::nullopt;
        const T gamma = Sqrt(FrobeniusNorm(*inverse) / FrobeniusNorm(u));
        T change = 0;
        for (size_t i = 0; i < n; ++i) {
            for (size_t j = 0; j < n; ++j) {
                const T next = (gamma * u[i][j] + (*inverse)[j][i] / gamma) / 2;
                change += (next - u[i][j]) * (next - u[i][j]);
                u[i][j] = next;
            }
        }
        converged = Sqrt(change) < tolerance * Sqrt(static_cast<T>(n));
    }
    if (!converged) return std::nullopt;
    RealMatrix<T> h = RealZero<T>(static_cast<int>(n));
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j)
            for (size_t k = 0; k < n; ++k) h[i][j] += u[k][i] * m[k][j];
    return h;
}

// Lower triangular L with G = L·Lᵀ; nullopt unless G is numerically positive definite.
template <typename T>
std::optional<RealMatrix<T>> Cholesky(const RealMatrix<T>& g) {
    const size_t n = g.size();
    RealMatrix<T> l = RealZero<T>(static_cast<int>(n));
    for (size_t j = 0; j < n; ++j) {
        T d = g[j][j];
        for (size_t k = 0; k < j; ++k) d -= l[j][k] * l[j][k];
        if (!(d > 0)) return std::nullopt;
        l[j][j] = Sqrt(d);
        for (size_t i = j + 1; i < n; ++i) {
            T x = g[i][j];
            for (size_t k = 0; k < j; ++k) x -= l[i][k] * l[j][k];
            l[i][j] = x / l[j][j];
        }
    }
    return l;
}

// One congruence step: a unimodular U (rows: the new basis) that is LLL reduced for the positive
// definite form G = |S| + |A| of the current matrix, S = V + Vᵀ, A = V - Vᵀ, computed in the
// floating-point type T with `mantissa` bits; nullopt when the majorant cannot be formed at that
// precision (S or A numerically singular, or G not numerically positive definite).
template <typename T>
std::optional<BigMatrix> MajorantReducedBasis(const BigMatrix& v, int mantissa, T tolerance) {
    const int n = v.Rows();
    // V scaled by a power of two so that its entries keep `mantissa` - 4 bits.
    slong bits = 0;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) bits = std::max<slong>(bits, fmpz_bits(v(i, j)));
    const slong shift = std::max<slong>(0, bits + 1 - (mantissa - 4));
    RealMatrix<T> sym = RealZero<T>(n);
    RealMatrix<T> skew = RealZero<T>(n);
    BigInt a, b;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            fmpz_add(a.get(), v(i, j), v(j, i));
            fmpz_sub(b.get(), v(i, j), v(j, i));
            fmpz_fdiv_q_2exp(a.get(), a.get(), static_cast<ulong>(shift));
            fmpz_fdiv_q_2exp(b.get(), b.get(), static_cast<ulong>(shift));
            sym[i - 1][j - 1] = ToReal<T>(a.get());
            skew[i - 1][j - 1] = ToReal<T>(b.get());
        }
    }
    const std::optional<RealMatrix<T>> hs = PolarModulus(sym, tolerance);
    const std::optional<RealMatrix<T>> ha = PolarModulus(skew, tolerance);
    if (!hs || !ha) return std::nullopt;
    RealMatrix<T> g = RealZero<T>(n);
    T largest = 0;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            g[i][j] = ((*hs)[i][j] + (*hs)[j][i] + (*ha)[i][j] + (*ha)[j][i]) / 2;
            largest = std::max(largest, Abs(g[i][j]));
        }
    }
    const std::optional<RealMatrix<T>> l = Cholesky(g);
    if (!l || !(largest > 0)) return std::nullopt;
    // Lattice basis rows L(k, ·)·2^e/√largest rounded, with e a few bits short of the mantissa;
    // a zero diagonal is made 1 so that the rows stay independent.
    const T scale = static_cast<T>(std::ldexp(1.0L, mantissa - 12)) / Sqrt(largest);
    BigMatrix basis(n, n);
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= i; ++j) SetNearest(basis(i, j), (*l)[i - 1][j - 1] * scale);
        if (fmpz_is_zero(basis(i, i))) fmpz_one(basis(i, i));
    }
    BigMatrix u(n, n);
    fmpz_mat_one(u.get());
    fmpz_lll_t context;
    fmpz_lll_context_init_default(context);
    fmpz_lll(basis.get(), u.get(), context);
    return u;
}

// Σ V(i, j)².
BigInt SumOfSquares(const BigMatrix& v) {
    BigInt sum;
    for (int i = 1; i <= v.Rows(); ++i)
        for (int j = 1; j <= v.Cols(); ++j) fmpz_addmul(sum.get(), v(i, j), v(i, j));
    return sum;
}

// U·V·Uᵀ when it has a smaller sum of squares than V.
std::optional<BigMatrix> ImprovedBy(const BigMatrix& v, const std::optional<BigMatrix>& u) {
    if (!u) return std::nullopt;
    BigMatrix ut(v.Rows(), v.Rows());
    fmpz_mat_transpose(ut.get(), u->get());
    BigMatrix next = Congruent(v, ut);
    if (fmpz_cmp(SumOfSquares(next).get(), SumOfSquares(v).get()) >= 0) return std::nullopt;
    return next;
}

// The main thread's caches and the library's global state are freed at exit, so that a leak
// checker sees every allocation returned.
[[maybe_unused]] const int kCleanupAtExit = std::atexit([] { flint_cleanup_master(); });

}  // namespace

void ReleaseBigIntegerCaches() {
    flint_cleanup();
}

std::string BigInt::ToString() const {
    const std::unique_ptr<char, FlintFree> text(fmpz_get_str(nullptr, 10, v_));
    return std::string(text.get());
}

BigMatrix::BigMatrix(int rows, int cols) {
    if (rows < 0 || cols < 0) throw RangeError("BigMatrix size");
    fmpz_mat_init(m_, rows, cols);
}

BigMatrix::BigMatrix(const BigMatrix& other) {
    fmpz_mat_init_set(m_, other.m_);
}

BigMatrix::BigMatrix(BigMatrix&& other) noexcept {
    fmpz_mat_init(m_, 0, 0);
    Swap(other);
}

BigMatrix& BigMatrix::operator=(BigMatrix other) noexcept {
    Swap(other);
    return *this;
}

BigMatrix::~BigMatrix() {
    fmpz_mat_clear(m_);
}

void BigMatrix::Swap(BigMatrix& other) noexcept {
    std::swap(*m_, *other.m_);
}

fmpz* BigMatrix::operator()(int i, int j) {
    if (i < 1 || i > Rows() || j < 1 || j > Cols()) throw RangeError("BigMatrix index");
    return fmpz_mat_entry(m_, i - 1, j - 1);
}

const fmpz* BigMatrix::operator()(int i, int j) const {
    if (i < 1 || i > Rows() || j < 1 || j > Cols()) throw RangeError("BigMatrix index");
    return fmpz_mat_entry(m_, i - 1, j - 1);
}

BigInt BigPoly::Coefficient(int64_t j) const {
    BigInt c;
    if (j >= 0 && j <= Degree()) fmpz_poly_get_coeff_fmpz(c.get(), p_, j);
    return c;
}

std::vector<std::string> BigPoly::CoefficientTexts() const {
    std::vector<std::string> out;
    for (int64_t j = 0; j <= Degree(); ++j) out.push_back(Coefficient(j).ToString());
    return out;
}

BigMatrix BigFromInt(const IntMatrix& m, int n) {
    if (n < 0 || n > kMatrixDim) throw RangeError("BigFromInt size");
    BigMatrix out(n, n);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) fmpz_set_si(out(i, j), m(i, j));
    return out;
}

std::optional<IntMatrix> IntFromBig(const BigMatrix& m) {
    const int n = m.Rows();
    if (n != m.Cols() || n > kMatrixDim) return std::nullopt;
    IntMatrix out;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            if (!fmpz_fits_si(m(i, j))) return std::nullopt;
            out(i, j) = fmpz_get_si(m(i, j));
        }
    }
    return out;
}

BigInt MaxAbsEntry(const BigMatrix& m) {
    BigInt best;
    for (int i = 1; i <= m.Rows(); ++i) {
        for (int j = 1; j <= m.Cols(); ++j) {
            if (fmpz_cmpabs(m(i, j), best.get()) > 0) fmpz_abs(best.get(), m(i, j));
        }
    }
    return best;
}

std::string BigMatrixText(const BigMatrix& m) {
    std::string out = "[";
    for (int i = 1; i <= m.Rows(); ++i) {
        if (i > 1) out += ',';
        out += '[';
        for (int j = 1; j <= m.Cols(); ++j) {
            if (j > 1) out += ',';
            const std::unique_ptr<char, FlintFree> text(fmpz_get_str(nullptr, 10, m(i, j)));
            out += text.get();
        }
        out += ']';
    }
    return out + "]";
}

BigInt BigDeterminant(const BigMatrix& m) {
    if (m.Rows() != m.Cols()) throw RangeError("BigDeterminant of a non-square matrix");
    BigInt det;
    fmpz_mat_det(det.get(), m.get());
    return det;
}

std::vector<BigInt> SmithInvariantFactors(const BigMatrix& m) {
    BigMatrix s(m.Rows(), m.Cols());
    fmpz_mat_snf(s.get(), m.get());
    std::vector<BigInt> out;
    for (int i = 1; i <= std::min(m.Rows(), m.Cols()); ++i) {
        BigInt d;
        fmpz_abs(d.get(), s(i, i));
        out.push_back(std::move(d));
    }
    return out;
}

BigPoly BigAlexanderPolynomial(const BigMatrix& v) {
    const int n = v.Rows();
    if (n != v.Cols()) throw RangeError("BigAlexanderPolynomial of a non-square matrix");
    BigPoly det;
    if (n == 0) {
        fmpz_poly_one(det.get());
        return det;
    }
    BigPolyMatrix a(n, n);
    BigInt c;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            fmpz_poly_struct* entry = a.entry(i - 1, j - 1);
            fmpz_poly_set_coeff_fmpz(entry, 1, v(i, j));
            fmpz_neg(c.get(), v(j, i));
            fmpz_poly_set_coeff_fmpz(entry, 0, c.get());
        }
    }
    fmpz_poly_mat_det(det.get(), a.get());
    return det;
}

BigPoly CharacteristicPolynomial(const BigMatrix& m) {
    if (m.Rows() != m.Cols()) throw RangeError("CharacteristicPolynomial of a non-square matrix");
    BigPoly p;
    fmpz_mat_charpoly(p.get(), m.get());
    return p;
}

int64_t SymmetricSignature(const BigMatrix& s) {
    const BigPoly p = CharacteristicPolynomial(s);
    int64_t positive = 0;
    int64_t negative = 0;
    int previous = 0;        // sign of the last non-zero coefficient of p(t)
    int previousMirror = 0;  // the same for p(-t)
    for (int64_t j = 0; j <= p.Degree(); ++j) {
        const int sign = p.Coefficient(j).Sign();
        if (sign == 0) continue;
        const int mirror = j % 2 == 0 ? sign : -sign;
        if (previous != 0 && sign != previous) ++positive;
        if (previousMirror != 0 && mirror != previousMirror) ++negative;
        previous = sign;
        previousMirror = mirror;
    }
    return positive - negative;
}

BigMatrix BigMinimalSEquivalent(const BigMatrix& v) {
    BigMatrix w = v;
    for (;;) {
        const int s = w.Rows();
        ReduceEntries(w);
        if (s < 2 || BigDeterminant(w).Sign() != 0) return w;

        // A primitive kernel vector.
        BigMatrix kernel(s, s);
        fmpz_mat_nullspace(kernel.get(), w.get());
        BigMatrix k(s, 1);
        BigInt content;
        for (int i = 1; i <= s; ++i) fmpz_gcd(content.get(), content.get(), kernel(i, 1));
        for (int i = 1; i <= s; ++i) fmpz_divexact(k(i, 1), kernel(i, 1), content.get());

        BigMatrix z = Congruent(w, CompleteToUnimodular(k));
        // The last column of Z is zero. Make its last row (0, ..., 0, g, 0) by a unimodular
        // change of the first s - 1 basis vectors: with U·r = g·e_1 (Hermite form of the column
        // r = Z(s, 1..s-1)ᵀ), the matrix Uᵀ with its first column moved last sends r to g·e_{s-1}.
        BigMatrix r(s - 1, 1);
        for (int j = 1; j < s; ++j) fmpz_set(r(j, 1), z(s, j));
        BigMatrix h(s - 1, 1);
        BigMatrix u(s - 1, s - 1);
        fmpz_mat_hnf_transform(h.get(), u.get(), r.get());
        // Rows 2.. of U span the vectors x with r·x = 0; row 1 has r·x = g. The former are LLL
        // reduced, the latter reduced against them, so that the entries stay small.
        BigMatrix kernelRows(s - 2, s - 1);
        for (int i = 2; i < s; ++i)
            for (int j = 1; j < s; ++j) fmpz_set(kernelRows(i - 1, j), u(i, j));
        LllRows(kernelRows);
        ReduceRowAgainst(u, 1, kernelRows);
        BigMatrix d(s, s);
        for (int i = 1; i < s; ++i) {
            for (int j = 1; j < s - 1; ++j) fmpz_set(d(i, j), kernelRows(j, i));
            fmpz_set(d(i, s - 1), u(1, i));
        }
        fmpz_one(d(s, s));
        z = Congruent(z, d);
        // The last two basis vectors span a summand of the enlargement; drop them.
        w = LeadingBlock(z, s - 2);
    }
}

void LllCongruence(BigMatrix& v) {
    const int n = v.Rows();
    if (n != v.Cols()) throw RangeError("LllCongruence of a non-square matrix");
    if (n < 2) return;
    // Row k of the lattice basis is (V e_k, Vᵀ e_k, e_k), so that a basis vector b has squared
    // length |Vb|² + |Vᵀb|² + |b|²; the transform U of the reduction gives the new basis.
    BigMatrix a(n, 3 * n);
    for (int k = 1; k <= n; ++k) {
        for (int l = 1; l <= n; ++l) {
            fmpz_set(a(k, l), v(l, k));
            fmpz_set(a(k, n + l), v(k, l));
        }
        fmpz_one(a(k, 2 * n + k));
    }
    BigMatrix u(n, n);
    fmpz_mat_one(u.get());
    fmpz_lll_t context;
    fmpz_lll_context_init_default(context);
    fmpz_lll(a.get(), u.get(), context);
    BigMatrix ut(n, n);
    fmpz_mat_transpose(ut.get(), u.get());
    v = Congruent(v, ut);
}

void MajorantCongruence(BigMatrix& v, int maxRounds) {
    const int n = v.Rows();
    if (n != v.Cols()) throw RangeError("MajorantCongruence of a non-square matrix");
    if (n < 2) return;
    for (int round = 0; round < maxRounds; ++round) {
        // The 80-bit format first; where it cannot form the majorant or gain anything, 113 bits.
        std::optional<BigMatrix> next =
            ImprovedBy(v, MajorantReducedBasis<long double>(v, 64, 1e-15L));
        if (!next)
            next = ImprovedBy(v, MajorantReducedBasis<Quad>(v, 113, static_cast<Quad>(1e-30L)));
        if (!next) return;
        v = std::move(*next);
    }
}

void ReduceEntries(BigMatrix& v) {
    BigMatrix reduced = v;
    LllCongruence(reduced);
    if (fmpz_cmp(SumOfSquares(reduced).get(), SumOfSquares(v).get()) < 0) v = reduced;
    MajorantCongruence(v);
    SizeReduceCongruence(v);
}

void SizeReduceCongruence(BigMatrix& v, int maxSweeps) {
    const int n = v.Rows();
    if (n != v.Cols()) throw RangeError("SizeReduceCongruence of a non-square matrix");
    BigInt num, den, c, twice, delta, t, diag;
    for (int sweep = 0; sweep < maxSweeps; ++sweep) {
        bool changed = false;
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= n; ++j) {
                if (i == j) continue;
                // The entries off (j, j) that e_j := e_j + c·e_i changes are V(j,k) + c·V(i,k)
                // and V(k,j) + c·V(k,i), k ≠ j: their squares change by 2c·num + c²·den.
                fmpz_zero(num.get());
                fmpz_zero(den.get());
                for (int k = 1; k <= n; ++k) {
                    if (k == j) continue;
                    fmpz_addmul(num.get(), v(j, k), v(i, k));
                    fmpz_addmul(num.get(), v(k, j), v(k, i));
                    fmpz_addmul(den.get(), v(i, k), v(i, k));
                    fmpz_addmul(den.get(), v(k, i), v(k, i));
                }
                if (fmpz_is_zero(den.get())) continue;
                // c = round(-num / den) = floor((den - 2·num) / (2·den)).
                fmpz_mul_2exp(twice.get(), num.get(), 1);
                fmpz_sub(t.get(), den.get(), twice.get());
                fmpz_mul_2exp(twice.get(), den.get(), 1);
                fmpz_fdiv_q(c.get(), t.get(), twice.get());
                if (fmpz_is_zero(c.get())) continue;
                // Exact change: 2c·num + c²·den + V'(j,j)² - V(j,j)² with
                // V'(j,j) = V(j,j) + c·(V(i,j) + V(j,i)) + c²·V(i,i).
                fmpz_mul(delta.get(), c.get(), num.get());
                fmpz_mul_2exp(delta.get(), delta.get(), 1);
                fmpz_mul(t.get(), c.get(), c.get());
                fmpz_addmul(delta.get(), t.get(), den.get());
                fmpz_mul(diag.get(), t.get(), v(i, i));
                fmpz_add(t.get(), v(i, j), v(j, i));
                fmpz_addmul(diag.get(), c.get(), t.get());
                fmpz_add(diag.get(), diag.get(), v(j, j));
                fmpz_addmul(delta.get(), diag.get(), diag.get());
                fmpz_submul(delta.get(), v(j, j), v(j, j));
                if (fmpz_sgn(delta.get()) >= 0) continue;
                for (int k = 1; k <= n; ++k) fmpz_addmul(v(k, j), c.get(), v(k, i));
                for (int k = 1; k <= n; ++k) fmpz_addmul(v(j, k), c.get(), v(i, k));
                changed = true;
            }
        }
        if (!changed) return;
    }
}

}  // namespace corvane
