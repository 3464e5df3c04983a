#include "invariants/circle_roots.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <span>
#include <utility>

#include "arith/errors.h"
#include "invariants/mahler_roots.h"

namespace corvane {
namespace {

using Complex = std::complex<long double>;

// The prime 2^61 - 1 of the modular check.
constexpr uint64_t kPrime = (uint64_t{1} << 61) - 1;
// Rounded coefficients must lie this close to their integers...
constexpr long double kRoundingSlack = 0.25L;
// ...and below this in magnitude, so that they and their residues stay exact.
constexpr long double kLargestCoefficient = 4.6e18L;

void CheckSize(int n, const char* where) {
    if (n < 0 || n > kMatrixDim) throw RangeError(where);
}

// Products written out, so that no library routine for infinite parts is called.
Complex Times(Complex a, Complex b) {
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

long double Size(Complex a) {
    return std::fabs(a.real()) + std::fabs(a.imag());
}

// An n × n work matrix, row-major.
template <typename T>
class Square {
  public:
    explicit Square(int n) : n_(n), a_(static_cast<size_t>(n) * static_cast<size_t>(n)) {}
    T& operator()(int i, int j) { return a_[static_cast<size_t>(i * n_ + j)]; }
    void SwapRows(int i, int j) {
        for (int c = 0; c < n_; ++c) std::swap((*this)(i, c), (*this)(j, c));
    }

  private:
    int n_;
    std::vector<T> a_;
};

// det(ζV - Vᵀ) by elimination with partial pivoting.
Complex PencilDeterminant(const IntMatrix& v, int n, Complex zeta, Square<Complex>& a) {
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const long double vij = static_cast<long double>(v(i + 1, j + 1));
            const long double vji = static_cast<long double>(v(j + 1, i + 1));
            a(i, j) = {zeta.real() * vij - vji, zeta.imag() * vij};
        }
    }
    Complex det{1.0L, 0.0L};
    for (int k = 0; k < n; ++k) {
        int pivot = k;
        for (int i = k + 1; i < n; ++i) {
            if (Size(a(i, k)) > Size(a(pivot, k))) pivot = i;
        }
        if (Size(a(pivot, k)) == 0.0L) return {0.0L, 0.0L};
        if (pivot != k) {
            a.SwapRows(pivot, k);
            det = -det;
        }
        det = Times(det, a(k, k));
        const Complex inverse = Complex{1.0L, 0.0L} / a(k, k);
        for (int i = k + 1; i < n; ++i) {
            const Complex f = Times(a(i, k), inverse);
            if (f == Complex{}) continue;
            for (int j = k + 1; j < n; ++j) a(i, j) -= Times(f, a(k, j));
        }
    }
    return det;
}

uint64_t Reduce(int64_t x) {
    const int64_t r = x % static_cast<int64_t>(kPrime);
    return static_cast<uint64_t>(r < 0 ? r + static_cast<int64_t>(kPrime) : r);
}

uint64_t MulMod(uint64_t a, uint64_t b) {
    return static_cast<uint64_t>(static_cast<unsigned __int128>(a) * b % kPrime);
}

uint64_t AddMod(uint64_t a, uint64_t b) {
    const uint64_t s = a + b;
    return s >= kPrime ? s - kPrime : s;
}

uint64_t SubMod(uint64_t a, uint64_t b) {
    return a >= b ? a - b : a + kPrime - b;
}

uint64_t PowMod(uint64_t a, uint64_t e) {
    uint64_t r = 1;
    for (; e != 0; e >>= 1) {
        if ((e & 1) != 0) r = MulMod(r, a);
        a = MulMod(a, a);
    }
    return r;
}

// det(tV - Vᵀ) modulo the prime, by elimination over the field.
uint64_t PencilDeterminantMod(const IntMatrix& v, int n, uint64_t t, Square<uint64_t>& a) {
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            a(i, j) = SubMod(MulMod(t, Reduce(v(i + 1, j + 1))), Reduce(v(j + 1, i + 1)));
        }
    }
    uint64_t det = 1;
    for (int k = 0; k < n; ++k) {
        int pivot = k;
        while (pivot < n && a(pivot, k) == 0) ++pivot;
        if (pivot == n) return 0;
        if (pivot != k) {
            a.SwapRows(pivot, k);
            det = SubMod(0, det);
        }
        det = MulMod(det, a(k, k));
        const uint64_t inverse = PowMod(a(k, k), kPrime - 2);
        for (int i = k + 1; i < n; ++i) {
            if (a(i, k) == 0) continue;
            const uint64_t f = MulMod(a(i, k), inverse);
            for (int j = k + 1; j < n; ++j) a(i, j) = SubMod(a(i, j), MulMod(f, a(k, j)));
        }
    }
    return det;
}

bool MatchesModularDeterminants(const IntMatrix& v, int n, std::span<const int64_t> c) {
    Square<uint64_t> a(n);
    for (uint64_t t = 1; t <= static_cast<uint64_t>(n) + 1; ++t) {
        uint64_t value = 0;
        for (size_t j = c.size(); j-- > 0;) value = AddMod(MulMod(value, t), Reduce(c[j]));
        if (value != PencilDeterminantMod(v, n, t, a)) return false;
    }
    return true;
}

int64_t Gcd(int64_t a, int64_t b) {
    while (b != 0) a = std::exchange(b, a % b);
    return a;
}

// The angle of z in turns, in [0, 1).
long double TurnsOf(Complex z) {
    long double x = std::atan2(z.imag(), z.real()) / (2.0L * std::numbers::pi_v<long double>);
    if (x < 0.0L) x += 1.0L;
    return x >= 1.0L ? 0.0L : x;
}

}  // namespace

std::optional<std::vector<int64_t>> AlexanderCoefficients(const IntMatrix& v, int n) {
    CheckSize(n, "AlexanderCoefficients size");
    const int points = n + 1;
    std::vector<Complex> values(static_cast<size_t>(points));
    Square<Complex> work(n);
    const long double turn = 2.0L * std::numbers::pi_v<long double> / points;
    for (int j = 0; j < points; ++j) {
        const Complex zeta{std::cos(turn * j), std::sin(turn * j)};
        values[static_cast<size_t>(j)] = PencilDeterminant(v, n, zeta, work);
    }
    std::vector<int64_t> c(static_cast<size_t>(points));
    for (int k = 0; k < points; ++k) {
        // c_k = (1/(n+1)) Σ_j Δ(ζ^j)·ζ^{-jk}; the exponent jk is reduced first, so every root of
        // unity is taken at an angle below one turn.
        Complex sum{};
        for (int j = 0; j < points; ++j) {
            const long double angle = turn * static_cast<long double>((j * k) % points);
            sum += Times(values[static_cast<size_t>(j)], {std::cos(angle), -std::sin(angle)});
        }
        const long double x = sum.real() / points;
        const long double rounded = std::nearbyint(x);
        if (!(std::fabs(rounded) < kLargestCoefficient)) return std::nullopt;
        if (std::fabs(x - rounded) > kRoundingSlack) return std::nullopt;
        c[static_cast<size_t>(k)] = static_cast<int64_t>(rounded);
    }
    if (!MatchesModularDeterminants(v, n, c)) return std::nullopt;
    return c;
}

std::optional<std::vector<long double>> CircleRootAngles(const IntMatrix& v, int n) {
    CheckSize(n, "CircleRootAngles size");
    const std::optional<std::vector<int64_t>> c = AlexanderCoefficients(v, n);
    if (!c) return std::nullopt;
    if (std::all_of(c->begin(), c->end(), [](int64_t x) { return x == 0; })) return std::nullopt;
    const CyclotomicSplit split = SplitCyclotomicFactors(*c);
    std::vector<long double> angles;
    for (const auto& [m, multiplicity] : split.factors) {
        if (m < 2) continue;  // Φ_1 vanishes at z = 1 only
        for (int64_t j = 1; j < m; ++j) {
            if (Gcd(j, m) == 1) {
                angles.push_back(static_cast<long double>(j) / static_cast<long double>(m));
            }
        }
    }
    if (split.rest.size() > 1) {
        std::vector<long double> a;
        for (const WideInt x : split.rest) a.push_back(static_cast<long double>(x));
        const auto groups = ComplexRoots(a);
        if (!groups) return std::nullopt;
        for (const RootGroup& g : *groups) {
            if (std::fabs(std::abs(g.z) - 1.0L) > kOnCircleTolerance) continue;
            const long double x = TurnsOf(g.z);
            if (x > 0.0L) angles.push_back(x);
        }
    }
    std::sort(angles.begin(), angles.end());
    angles.erase(std::unique(angles.begin(), angles.end()), angles.end());
    return angles;
}

}  // namespace corvane
