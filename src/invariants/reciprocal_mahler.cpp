// The Mahler measure of a reciprocal integer polynomial through its half-degree trace polynomial.
// For r(t) = t^{2e}·r(1/t) of degree 2e, t^{-e}·r(t) = q(t + 1/t) with q of degree e and the same
// leading coefficient. Each root x of q stands for the pair α, 1/α of roots of t² - x·t + 1, and
// ln max(|α|, 1/|α|) = ln|α| with α = (x + s)/2, s = ±√(x² - 4) chosen so that |α| >= 1: roots x in
// [-2, 2] are pairs on the unit circle and contribute 0. The cyclotomic factors Φ_n (n >= 3) become
// the minimal polynomials ψ_n of 2·cos(2π/n), and Φ_1², Φ_2² become x - 2, x + 2.
#include "invariants/reciprocal_mahler.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <optional>
#include <span>
#include <vector>

#include "invariants/mahler_roots.h"

namespace corvane {
namespace {

// Reciprocal polynomials up to degree 2·kMaxHalfDegree take this route.
constexpr int kMaxHalfDegree = 64;
// φ(n) >= √n for n > 6, so φ(n) <= 2·kMaxHalfDegree leaves n <= (2·kMaxHalfDegree)².
constexpr int kMaxCyclotomicIndex = 4 * kMaxHalfDegree * kMaxHalfDegree;
// q(2·cos(2π/n)) below this multiple of Σ|q_j|·2^j makes ψ_n a candidate divisor; at a root of q
// the rounding of the double evaluation and the error of the tabulated cosine (below 1e-14, times
// |q'| <= e·Σ|q_j|·2^j) stay below 1e-12 of that sum.
constexpr double kCosineRootTolerance = 1e-9;
// Unit roundoffs of the double and of the 80-bit format.
constexpr double kDoubleRoundoff = DBL_EPSILON / 2.0;
constexpr long double kExtendedRoundoff = LDBL_EPSILON / 2.0L;
// A double-precision Aberth step below this fraction of |z| ends the iteration for z.
constexpr double kSmallStep = 1e-9;
// Newton steps in 80-bit arithmetic after the double-precision Aberth iteration.
constexpr int kPolishSteps = 3;
// Largest certified error bound of m accepted, relative to max(1, |m|). The bound (inclusion radii
// from the worst-case rounding of Horner's rule) exceeds the actual error, which stays near the
// 80-bit rounding of m, by about two orders of magnitude. Beyond it the caller takes the route
// through all the roots of the polynomial.
constexpr long double kAcceptedError = 4e-16L;

using Wide = WideInt;
using ComplexD = std::complex<double>;
using ComplexL = std::complex<long double>;

// cos and sin by their Taylor series, for |a| <= 2π: the tables below are built by the compiler,
// so the root finder needs no initialisation at run time. The error stays below 1e-14.
constexpr double TaylorCos(double a) {
    double term = 1.0, sum = 1.0;
    for (int k = 1; k < 40; ++k) {
        term *= -a * a / ((2 * k - 1) * (2 * k));
        sum += term;
    }
    return sum;
}

constexpr double TaylorSin(double a) {
    double term = a, sum = a;
    for (int k = 1; k < 40; ++k) {
        term *= -a * a / ((2 * k) * (2 * k + 1));
        sum += term;
    }
    return sum;
}

// The indices n with deg ψ_n <= kMaxHalfDegree (deg ψ_1 = deg ψ_2 = 1, deg ψ_n = φ(n)/2 for
// n >= 3), ordered by that degree.
struct Candidate {
    int32_t n = 0;
    int32_t degree = 0;
    double point = 0.0;  // 2·cos(2π/n), exact for n = 1, 2
};

constexpr int CandidateDegree(int n, const std::array<int32_t, kMaxCyclotomicIndex + 1>& phi) {
    return n <= 2 ? 1 : phi[n] / 2;
}

constexpr std::array<int32_t, kMaxCyclotomicIndex + 1> MakeTotients() {
    std::array<int32_t, kMaxCyclotomicIndex + 1> phi{};
    for (int k = 0; k <= kMaxCyclotomicIndex; ++k) phi[k] = k;
    for (int p = 2; p <= kMaxCyclotomicIndex; ++p) {
        if (phi[p] != p) continue;  // composite: a smaller prime has lowered φ(p)
        for (int k = p; k <= kMaxCyclotomicIndex; k += p) phi[k] -= phi[k] / p;
    }
    return phi;
}

constexpr int CountCandidates() {
    const auto phi = MakeTotients();
    int count = 0;
    for (int n = 1; n <= kMaxCyclotomicIndex; ++n) {
        count += CandidateDegree(n, phi) <= kMaxHalfDegree;
    }
    return count;
}
constexpr int kCandidateCount = CountCandidates();

constexpr std::array<Candidate, kCandidateCount> MakeCandidates() {
    const auto phi = MakeTotients();
    std::array<Candidate, kCandidateCount> out{};
    int count = 0;
    for (int n = 1; n <= kMaxCyclotomicIndex; ++n) {
        const int degree = CandidateDegree(n, phi);
        const double point = n == 1   ? 2.0
                             : n == 2 ? -2.0
                                      : 2.0 * TaylorCos(2.0 * std::numbers::pi / n);
        if (degree <= kMaxHalfDegree) out[count++] = {n, degree, point};
    }
    std::sort(out.begin(), out.end(), [](const Candidate& a, const Candidate& b) {
        return a.degree < b.degree || (a.degree == b.degree && a.n < b.n);
    });
    return out;
}
// Built once, at the first use: sixteen thousand cosines are more than every compiler's constant
// evaluator allows.
const std::array<Candidate, kCandidateCount>& Candidates() {
    static const std::array<Candidate, kCandidateCount> candidates = MakeCandidates();
    return candidates;
}

// e^{2πi/k} for k = 1..kMaxHalfDegree (index k), and e^{0.7i}: the turns between starting points.
struct UnitRoots {
    std::array<double, kMaxHalfDegree + 1> re{};
    std::array<double, kMaxHalfDegree + 1> im{};
};
constexpr UnitRoots MakeUnitRoots() {
    UnitRoots u;
    for (int k = 1; k <= kMaxHalfDegree; ++k) {
        u.re[k] = TaylorCos(2.0 * std::numbers::pi / k);
        u.im[k] = TaylorSin(2.0 * std::numbers::pi / k);
    }
    u.re[0] = TaylorCos(0.7);
    u.im[0] = TaylorSin(0.7);
    return u;
}
constexpr UnitRoots kUnitRoots = MakeUnitRoots();

// A polynomial of degree <= 2·kMaxHalfDegree with exact coefficients c[0..degree], from t^0 up;
// the entries above the degree are not initialised.
struct Poly {
    std::array<Wide, 2 * kMaxHalfDegree + 1> c;
    int degree = 0;
};

// Conversions that take the 64-bit path where the value fits.
double WideToDouble(Wide v) {
    const auto small = static_cast<int64_t>(v);
    return small == v ? static_cast<double>(small) : static_cast<double>(v);
}

long double WideToExtended(Wide v) {
    const auto small = static_cast<int64_t>(v);
    return small == v ? static_cast<long double>(small) : static_cast<long double>(v);
}

long double Modulus(ComplexL z) {
    return std::sqrt(z.real() * z.real() + z.imag() * z.imag());
}

// Products without the checks for infinities of the library's complex product.
template <typename Complex>
Complex Times(Complex a, Complex b) {
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

ComplexL Divide(ComplexL a, ComplexL b) {
    const long double n = b.real() * b.real() + b.imag() * b.imag();
    return {(a.real() * b.real() + a.imag() * b.imag()) / n,
            (a.imag() * b.real() - a.real() * b.imag()) / n};
}

// The principal square root.
ComplexL SquareRoot(ComplexL z) {
    const long double u = std::sqrt((Modulus(z) + std::fabs(z.real())) / 2.0L);
    if (u == 0.0L) return 0.0L;
    const long double v = z.imag() / (2.0L * u);
    return z.real() >= 0.0L ? ComplexL(u, v) : ComplexL(std::fabs(v), std::copysign(u, z.imag()));
}

// p / (t - a) for a root a = ±1 of p; the coefficients are partial sums of p's (with signs), so
// 128 bits hold them for 64-bit input.
Poly QuotientByLinear(const Poly& p, Wide a) {
    Poly q;
    q.degree = p.degree - 1;
    Wide carry = 0;
    for (int j = p.degree; j >= 1; --j) {
        carry = p.c[j] + a * carry;
        q.c[j - 1] = carry;
    }
    return q;
}

// Whether c_j = sign·c_{d-j} for every j.
bool IsReciprocal(const Poly& p, int sign) {
    for (int j = 0; j <= p.degree / 2; ++j) {
        if (p.c[j] != sign * p.c[p.degree - j]) return false;
    }
    return true;
}

// q with t^{-e}·r(t) = q(t + 1/t) for a reciprocal r of degree 2e <= 2·kMaxHalfDegree; false when
// a coefficient leaves 128 bits. With V_k(x) = t^k + t^-k (V_0 = 2, V_1 = x,
// V_{k+1} = x·V_k - V_{k-1}), q = r_e + Σ_{k>=1} r_{e+k}·V_k, summed by Clenshaw's recurrence:
// b_k = r_{e+k} + x·b_{k+1} - b_{k+2} for k = e..1 (b_{e+1} = b_{e+2} = 0) and
// q = r_e + x·b_1 - 2·b_2; b_k has degree e - k.
bool TracePolynomial(const Poly& r, Poly& q) {
    const int e = r.degree / 2;
    std::array<Wide, kMaxHalfDegree + 2> first;
    std::array<Wide, kMaxHalfDegree + 2> second;
    std::fill(first.begin(), first.begin() + e + 2, Wide{0});
    std::fill(second.begin(), second.begin() + e + 2, Wide{0});
    Wide* older = first.data();  // b_{k+2}
    Wide* old = second.data();   // b_{k+1}
    for (int k = e; k >= 1; --k) {
        // b_k overwrites b_{k+2}.
        for (int j = e - k; j >= 0; --j) {
            const Wide shifted = j > 0 ? old[j - 1] : r.c[e + k];
            if (__builtin_sub_overflow(shifted, older[j], &older[j])) return false;
        }
        std::swap(older, old);
    }
    // Now old = b_1 and older = b_2.
    q.degree = e;
    for (int j = 0; j <= e; ++j) {
        const Wide shifted = j > 0 ? old[j - 1] : r.c[e];
        Wide twice;
        if (__builtin_mul_overflow(older[j], static_cast<Wide>(2), &twice) ||
            __builtin_sub_overflow(shifted, twice, &q.c[j])) {
            return false;
        }
    }
    return true;
}

// ψ_n, the minimal polynomial of 2·cos(2π/n) (x - 2 and x + 2 for n = 1, 2); nullopt should a
// coefficient leave 128 bits.
std::optional<Poly> MinimalPolynomialOfCosine(int n) {
    Poly psi;
    if (n <= 2) {
        psi.degree = 1;
        psi.c[0] = n == 1 ? -2 : 2;
        psi.c[1] = 1;
        return psi;
    }
    const std::vector<int64_t> phi = CyclotomicPolynomial(n);
    Poly r;
    r.degree = static_cast<int>(phi.size()) - 1;
    for (int j = 0; j <= r.degree; ++j) r.c[j] = phi[j];
    if (!TracePolynomial(r, psi)) return std::nullopt;
    return psi;
}

// p / ψ for a monic ψ when the division leaves no remainder and nothing leaves 128 bits.
bool DivideByMonicExactly(Poly& p, const Poly& psi) {
    if (p.degree < psi.degree) return false;
    // In place on a copy: the quotient ends in r[k..deg], the remainder in r[0..k-1].
    std::array<Wide, 2 * kMaxHalfDegree + 1> r;
    std::copy(p.c.begin(), p.c.begin() + p.degree + 1, r.begin());
    const int k = psi.degree;
    for (int i = p.degree - k; i >= 0; --i) {
        const Wide lead = r[i + k];
        for (int j = 0; j < k; ++j) {
            Wide product;
            if (__builtin_mul_overflow(lead, psi.c[j], &product) ||
                __builtin_sub_overflow(r[i + j], product, &r[i + j])) {
                return false;
            }
        }
    }
    for (int j = 0; j < k; ++j) {
        if (r[j] != 0) return false;
    }
    p.degree -= k;
    std::copy(r.begin() + k, r.begin() + k + p.degree + 1, p.c.begin());
    return true;
}

// q with every factor ψ_n divided out (as often as it divides).
void RemoveCyclotomicFactors(Poly& q) {
    std::array<double, kMaxHalfDegree + 1> approximate{};
    double scale = 0.0;
    auto refresh = [&] {
        scale = 0.0;
        for (int j = q.degree; j >= 0; --j) {
            approximate[j] = WideToDouble(q.c[j]);
            scale = 2.0 * scale + std::fabs(approximate[j]);
        }
    };
    refresh();
    const auto& candidates = Candidates();
    for (int i = 0; i < kCandidateCount && candidates[i].degree <= q.degree; ++i) {
        const double x = candidates[i].point;
        double value = 0.0;
        for (int j = q.degree; j >= 0; --j) value = value * x + approximate[j];
        if (!(std::fabs(value) <= kCosineRootTolerance * scale)) continue;
        const auto psi = MinimalPolynomialOfCosine(candidates[i].n);
        if (!psi) continue;
        bool divided = false;
        while (DivideByMonicExactly(q, *psi)) divided = true;
        if (divided) refresh();
    }
}

// log2|v| for a finite v != 0, from the exponent and, linearly, the significand: within 0.09.
double RoughLog2(double v) {
    const auto bits = std::bit_cast<uint64_t>(v) & ~(uint64_t{1} << 63);
    const auto exponent = static_cast<int>(bits >> 52) - 1023;
    const double fraction = static_cast<double>(bits & ((uint64_t{1} << 52) - 1)) * 0x1p-52;
    return exponent + fraction;
}

// 2^v within 7 %, for |v| < 1000.
double RoughExp2(double v) {
    double whole = static_cast<double>(static_cast<int64_t>(v));
    if (whole > v) whole -= 1.0;
    const auto exponent = static_cast<uint64_t>(static_cast<int64_t>(whole) + 1023);
    return std::bit_cast<double>(exponent << 52) * (1.0 + (v - whole));
}

// Starting points of the Aberth iteration, as in the general root finder: for each edge (i, k) of
// the upper convex hull of the points (j, log2|a_j|), k - i points spread over the circle of radius
// (|a_i|/|a_k|)^{1/(k-i)}, rotated so that no two circles share angles. The radii need only be
// rough. Returns the number of points (d unless the moduli leave the double range).
template <int N>
int NewtonPolygonCirclePoints(const std::array<double, N + 1>& a, int d,
                              std::array<ComplexD, N>& z) {
    std::array<int, N + 1> hull;
    std::array<double, N + 1> height;
    int size = 0;
    for (int j = 0; j <= d; ++j) {
        if (a[j] == 0.0) continue;
        height[j] = RoughLog2(a[j]);
        while (size >= 2) {
            const int h0 = hull[size - 2];
            const int h1 = hull[size - 1];
            const double cross =
                (height[h1] - height[h0]) * (j - h0) - (height[j] - height[h0]) * (h1 - h0);
            if (cross > 0.0) break;
            --size;
        }
        hull[size++] = j;
    }
    const ComplexD shift(kUnitRoots.re[0], kUnitRoots.im[0]);  // e^{0.7i}
    const ComplexD step(kUnitRoots.re[d], kUnitRoots.im[d]);   // e^{2πi/d}
    ComplexD offset = shift;                                   // e^{i(2π·i/d + 0.7)} at edge i
    int count = 0;
    int previous = 0;
    for (int e = 0; e + 1 < size; ++e) {
        const int i = hull[e];
        const int points = hull[e + 1] - i;
        for (; previous < i; ++previous) offset = Times(offset, step);
        const double exponent = (height[i] - height[hull[e + 1]]) / points;
        if (!(std::fabs(exponent) < 1000.0)) return count;
        const ComplexD turn(kUnitRoots.re[points], kUnitRoots.im[points]);
        ComplexD w = RoughExp2(exponent) * offset;
        for (int m = 0; m < points; ++m) {
            z[count++] = w;
            w = Times(w, turn);
        }
    }
    return count;
}

// Aberth–Ehrlich sweeps in double precision (each approximation moved in turn, using the others'
// newest values) until, for every i, q(z_i) is within the rounding bound of its evaluation or the
// last step was below 1e-9·|z_i|; false if that takes more than maxSweeps sweeps or leaves the
// double range.
template <int N>
bool AberthRootsInDouble(const std::array<double, N + 1>& a, int d, std::array<ComplexD, N>& z,
                         int maxSweeps) {
    std::array<bool, N> frozen{};
    const double gamma = 4.0 * (d + 1) * kDoubleRoundoff;
    for (int sweep = 0; sweep < maxSweeps; ++sweep) {
        bool moved = false;
        for (int i = 0; i < d; ++i) {
            if (frozen[i]) continue;
            const double zr = z[i].real();
            const double zi = z[i].imag();
            const double r = std::sqrt(zr * zr + zi * zi);
            double vr = a[d], vi = 0.0, sr = 0.0, si = 0.0, bound = std::fabs(a[d]);
            for (int j = d - 1; j >= 0; --j) {
                const double nsr = sr * zr - si * zi + vr;
                si = sr * zi + si * zr + vi;
                sr = nsr;
                const double nvr = vr * zr - vi * zi + a[j];
                vi = vr * zi + vi * zr;
                vr = nvr;
                bound = bound * r + std::fabs(a[j]);
            }
            if (!std::isfinite(bound) || !std::isfinite(vr) || !std::isfinite(vi)) return false;
            const double rounding = gamma * bound;
            if (vr * vr + vi * vi <= rounding * rounding) {
                frozen[i] = true;
                continue;
            }
            // N = v/s; step = N/(1 - N·Σ_{j≠i} 1/(z_i - z_j)).
            const double slope = sr * sr + si * si;
            if (slope == 0.0) return false;
            const double nr = (vr * sr + vi * si) / slope;
            const double ni = (vi * sr - vr * si) / slope;
            double sumRe = 0.0, sumIm = 0.0;
            for (int j = 0; j < d; ++j) {
                if (j == i) continue;
                const double dr = zr - z[j].real();
                const double di = zi - z[j].imag();
                const double inverse = 1.0 / (dr * dr + di * di);
                sumRe += dr * inverse;
                sumIm -= di * inverse;
            }
            const double denRe = 1.0 - (nr * sumRe - ni * sumIm);
            const double denIm = -(nr * sumIm + ni * sumRe);
            const double den = denRe * denRe + denIm * denIm;
            if (!(den > 0.0) || !std::isfinite(den)) return false;
            const double stepRe = (nr * denRe + ni * denIm) / den;
            const double stepIm = (ni * denRe - nr * denIm) / den;
            z[i] = ComplexD(zr - stepRe, zi - stepIm);
            moved = true;
            // The iteration converges cubically to simple roots: after a step below 1e-9·|z| the
            // error is far below the double rounding, and the 80-bit Newton steps take over.
            if (stepRe * stepRe + stepIm * stepIm <= kSmallStep * kSmallStep * r * r) {
                frozen[i] = true;
            }
        }
        if (!moved) return true;
    }
    return false;
}

// The roots of b_0 + b_1·y + b_2·y² in double precision, the larger real one by the formula without
// cancellation and the other as b_0/(b_2·y_1); false where that leaves the double range.
template <int N>
bool QuadraticRoots(const std::array<double, N + 1>& b, std::array<ComplexD, N>& z) {
    const double discriminant = b[1] * b[1] - 4.0 * b[0] * b[2];
    if (!std::isfinite(discriminant) || b[0] == 0.0) return false;
    if (discriminant < 0.0) {
        const double re = -b[1] / (2.0 * b[2]);
        const double im = std::sqrt(-discriminant) / (2.0 * std::fabs(b[2]));
        z[0] = ComplexD(re, im);
        z[1] = ComplexD(re, -im);
        return true;
    }
    const double larger = -(b[1] + std::copysign(std::sqrt(discriminant), b[1])) / (2.0 * b[2]);
    z[0] = larger;
    z[1] = b[0] / (b[2] * larger);
    return std::isfinite(z[0].real()) && std::isfinite(z[1].real());
}

// q(x), q'(x) and the rounding bound of q(x) in 80-bit arithmetic (Horner's rule).
struct ValueAndSlope {
    ComplexL value;
    ComplexL slope;
    long double rounding = 0.0L;
};

template <int N>
ValueAndSlope HornerValueAndSlope(const std::array<long double, N + 1>& a, int d, ComplexL x) {
    const long double xr = x.real();
    const long double xi = x.imag();
    const long double r = std::sqrt(xr * xr + xi * xi);
    long double vr = a[d], vi = 0.0L, sr = 0.0L, si = 0.0L, bound = std::fabs(a[d]);
    for (int j = d - 1; j >= 0; --j) {
        const long double nsr = sr * xr - si * xi + vr;
        si = sr * xi + si * xr + vi;
        sr = nsr;
        const long double nvr = vr * xr - vi * xi + a[j];
        vi = vr * xi + vi * xr;
        vr = nvr;
        bound = bound * r + std::fabs(a[j]);
    }
    return {ComplexL(vr, vi), ComplexL(sr, si), 4.0L * (d + 1) * kExtendedRoundoff * bound};
}

// max(|α|, 1/|α|)² for the roots α, 1/α of t² - x·t + 1, and |s|² = |α - 1/α|² = |x² - 4|, where
// 1/|s| is the largest rate of change of ln|α| with x.
struct PairMeasure {
    long double modulusSquared = 1.0L;
    long double spreadSquared = 0.0L;
};

// For x = centre + y. About x = 2 (and x = -2 by x -> -x, α -> -α) with y = x - 2 = (α - 1)²/α:
// s = √(y(y + 4)) and α = 1 + w, w = (y + s)/2, so that |α|² = 1 + 2·Re w + |w|² keeps its
// absolute precision for roots α near ±1.
PairMeasure PairOfRoots(int centre, ComplexL y) {
    if (centre == 0) {
        const ComplexL square = Times(y - 2.0L, y + 2.0L);
        ComplexL s = SquareRoot(square);
        if (y.real() * s.real() + y.imag() * s.imag() < 0.0L) s = -s;
        const ComplexL alpha = (y + s) / 2.0L;
        return {alpha.real() * alpha.real() + alpha.imag() * alpha.imag(), Modulus(square)};
    }
    if (centre < 0) y = -y;
    const ComplexL square = Times(y, y + 4.0L);
    ComplexL s = SquareRoot(square);
    const ComplexL x = y + 2.0L;
    if (x.real() * s.real() + x.imag() * s.imag() < 0.0L) s = -s;
    const ComplexL w = (y + s) / 2.0L;
    const long double norm = w.real() * w.real() + w.imag() * w.imag();
    return {1.0L + (2.0L * w.real() + norm), Modulus(square)};
}

// The trace polynomial about the centres 0, 2 and -2: q(c + y) = Σ b_j·y^j, exact where 128 bits
// hold the Taylor shift. Roots of q near ±2 (roots of p near ±1) are found and bounded in the
// expansion about the nearer end: for an Alexander polynomial q(2 + y) is its Conway polynomial in
// z² = y, whose roots cluster near 0 where the expansion about 0 would lose their digits.
template <int N>
struct Expansion {
    int centre = 0;
    bool exact = false;
    std::array<long double, N + 1> al;
    std::array<double, N + 1> ad;
};

template <int N>
void Expand(const Poly& q, Expansion<N>& e) {
    std::array<Wide, N + 1> b;
    std::copy(q.c.begin(), q.c.begin() + q.degree + 1, b.begin());
    const Wide c = e.centre;
    for (int i = 0; i < q.degree && c != 0; ++i) {
        for (int j = q.degree - 1; j >= i; --j) {
            Wide term;
            if (__builtin_mul_overflow(c, b[j + 1], &term) ||
                __builtin_add_overflow(b[j], term, &b[j])) {
                return;
            }
        }
    }
    e.exact = true;
    for (int j = 0; j <= q.degree; ++j) {
        e.al[j] = WideToExtended(b[j]);
        e.ad[j] = WideToDouble(b[j]);
    }
}

// The expansions of q about 0, 2 and -2; those about ±2 are formed when first asked for.
template <int N>
class TraceExpansions {
  public:
    explicit TraceExpansions(const Poly& q) : q_(q) {
        for (int k = 0; k < 3; ++k) expansions_[k].centre = k == 0 ? 0 : k == 1 ? 2 : -2;
        Expand(q_, expansions_[0]);
    }

    // The expansion in which x has the smallest rounding bound Σ|b_j|·|x - c|^j, of those about 0
    // and about the end of [-2, 2] on the side of x.
    const Expansion<N>& WithSmallestBound(ComplexD x) {
        const int side = x.real() > 0.0 ? 1 : 2;
        if (!expanded_[side]) {
            Expand(q_, expansions_[side]);
            expanded_[side] = true;
        }
        const Expansion<N>* chosen = &expansions_[0];
        double smallest = HUGE_VAL;
        for (const int k : {0, side}) {
            const Expansion<N>& e = expansions_[k];
            if (!e.exact) continue;
            const ComplexD offset = x - static_cast<double>(e.centre);
            const double r =
                std::sqrt(offset.real() * offset.real() + offset.imag() * offset.imag());
            double bound = 0.0;
            for (int j = q_.degree; j >= 0; --j) bound = bound * r + std::fabs(e.ad[j]);
            if (bound < smallest) {
                smallest = bound;
                chosen = &e;
            }
        }
        return *chosen;
    }

  private:
    const Poly& q_;
    std::array<Expansion<N>, 3> expansions_;
    std::array<bool, 3> expanded_{true, false, false};
};

// The d roots of q in double precision, as offsets from the centre of the expansion `about`: by
// the formula for d = 2, otherwise by Aberth's iteration from points on the circles of the Newton
// polygon; false when either fails.
template <int N>
bool DoubleApproximations(const Expansion<N>& about, int d, int maxSweeps,
                          std::array<ComplexD, N>& z) {
    if (d == 2) return QuadraticRoots<N>(about.ad, z);
    if (NewtonPolygonCirclePoints<N>(about.ad, d, z) != d) return false;
    return AberthRootsInDouble<N>(about.ad, d, z, maxSweeps);
}

// A root x = centre + y of q, with y taken in the expansion about that centre, and the bound
// |q(x)| + rounding of its last evaluation there.
struct TraceRoot {
    int centre = 0;
    ComplexL y;
    long double residual = 0.0L;
};

// Newton steps in 80 bits from the approximation x = from + start, in the expansion where x has
// the smallest rounding bound, bring a simple root from double to extended precision.
template <int N>
TraceRoot ExtendedNewtonRoot(TraceExpansions<N>& expansions, int d, int from, ComplexD start) {
    const Expansion<N>& local = expansions.WithSmallestBound(start + static_cast<double>(from));
    TraceRoot root;
    root.centre = local.centre;
    root.y = ComplexL(start.real(), start.imag()) + static_cast<long double>(from - local.centre);
    ValueAndSlope e = HornerValueAndSlope<N>(local.al, d, root.y);
    for (int s = 0; s < kPolishSteps && Modulus(e.value) > e.rounding; ++s) {
        if (e.slope == ComplexL(0.0L)) break;
        root.y -= Divide(e.value, e.slope);
        e = HornerValueAndSlope<N>(local.al, d, root.y);
    }
    root.residual = Modulus(e.value) + e.rounding;
    return root;
}

// |x_i - x_j|² for i < j, and Π_{j≠i}|x_i - x_j|² for every i.
template <int N>
struct RootDistances {
    std::array<std::array<long double, N>, N> squared;
    std::array<long double, N> products;
};

template <int N>
void MeasureRootDistances(const std::array<TraceRoot, N>& roots, int d,
                          RootDistances<N>& distances) {
    distances.products.fill(1.0L);
    for (int i = 0; i < d; ++i) {
        for (int j = i + 1; j < d; ++j) {
            const ComplexL delta = roots[i].y - roots[j].y +
                                   static_cast<long double>(roots[i].centre - roots[j].centre);
            const long double squared = delta.real() * delta.real() + delta.imag() * delta.imag();
            distances.squared[i][j] = squared;
            distances.products[i] *= squared;
            distances.products[j] *= squared;
        }
    }
}

// The radii of the inclusion disks |ζ - x_i| <= d·(|q(x_i)| + rounding)/(|q_d|·Π_{j≠i}|x_i - x_j|)
// of the d roots, lead = |q_d|: when the disks are pairwise disjoint, each holds exactly one root
// of q. False when a radius is not finite or two disks meet.
template <int N>
bool DisjointInclusionDisks(const std::array<TraceRoot, N>& roots, int d, long double lead,
                            std::array<long double, N>& radius) {
    RootDistances<N> distances;
    MeasureRootDistances<N>(roots, d, distances);
    for (int i = 0; i < d; ++i) {
        radius[i] = static_cast<long double>(d) * roots[i].residual /
                    (lead * std::sqrt(distances.products[i]));
        if (!std::isfinite(radius[i])) return false;
    }
    for (int i = 0; i < d; ++i) {
        for (int j = i + 1; j < d; ++j) {
            const long double reach = radius[i] + radius[j];
            if (!(distances.squared[i][j] > reach * reach)) return false;
        }
    }
    return true;
}

// m = ln|q_d| + Σ ln|α_i| = ln(q_d²·Π|α_i|²)/2, one logarithm for the whole product, from the d
// roots certified within `radius`, lead = |q_d|; nullopt when the radii do not bound the error of
// m by kAcceptedError·max(1, |m|).
template <int N>
std::optional<long double> MeasureFromCertifiedRoots(const std::array<TraceRoot, N>& roots, int d,
                                                     long double lead,
                                                     const std::array<long double, N>& radius) {
    long double product = lead * lead;
    long double logarithms = 0.0L;
    long double error = 0.0L;
    for (int i = 0; i < d; ++i) {
        const PairMeasure pair = PairOfRoots(roots[i].centre, roots[i].y);
        // ln|α| changes by at most |dx|/|s| near x_i, where |s|² ≈ 4|x ∓ 2| stays large against
        // the radius.
        if (!(16.0L * radius[i] <= pair.spreadSquared)) return std::nullopt;
        error += 2.0L * radius[i] / std::sqrt(pair.spreadSquared);
        product *= pair.modulusSquared;
        if (product > 1e1000L) {
            logarithms += std::log(product);
            product = 1.0L;
        }
    }
    const long double m = (logarithms + std::log(product)) / 2.0L;
    if (!std::isfinite(m) || !(error <= kAcceptedError * std::max(1.0L, std::fabs(m)))) {
        return std::nullopt;
    }
    return m;
}

// m from the simple roots of q of degree d >= 2 (no cyclotomic factor), certified by inclusion
// disks: nullopt when the iteration fails, when two disks meet, or when the error bound of the
// result is not small.
template <int N>
[[gnu::noinline]] std::optional<long double> MeasureFromTraceRoots(const Poly& q, int maxSweeps) {
    const int d = q.degree;
    TraceExpansions<N> expansions(q);
    // The iteration runs about the centre best for the mean of the roots.
    const double mean = -WideToDouble(q.c[d - 1]) / (static_cast<double>(d) * WideToDouble(q.c[d]));
    const Expansion<N>& global = expansions.WithSmallestBound(ComplexD(mean, 0.0));
    if (!global.exact) return std::nullopt;
    std::array<ComplexD, N> start{};
    if (!DoubleApproximations<N>(global, d, maxSweeps, start)) return std::nullopt;
    std::array<TraceRoot, N> roots;
    for (int i = 0; i < d; ++i) {
        roots[i] = ExtendedNewtonRoot<N>(expansions, d, global.centre, start[i]);
    }
    const long double lead = std::fabs(WideToExtended(q.c[d]));
    std::array<long double, N> radius;
    if (!DisjointInclusionDisks<N>(roots, d, lead, radius)) return std::nullopt;
    return MeasureFromCertifiedRoots<N>(roots, d, lead, radius);
}

// m for a linear q = q_0 + q_1·x: the root x = -q_0/q_1 outside [-2, 2] gives
// |α| = 1 + y/2 + √(y(y + 4))/2 with y = |x| - 2 > 0, taken exactly as a fraction of integers so
// that roots α near ±1 keep their full relative precision; m = ln(|q_1|·|α|).
std::optional<long double> MeasureFromLinear(const Poly& q) {
    const long double lead = std::fabs(WideToExtended(q.c[1]));
    // -(q_0 + 2q_1) = q_1·(x - 2) and q_0 - 2q_1 = q_1·(-x - 2).
    Wide twice, toPlusTwo, toMinusTwo;
    if (__builtin_mul_overflow(q.c[1], static_cast<Wide>(2), &twice) ||
        __builtin_add_overflow(q.c[0], twice, &toPlusTwo) ||
        __builtin_sub_overflow(q.c[0], twice, &toMinusTwo) ||
        __builtin_sub_overflow(static_cast<Wide>(0), toPlusTwo, &toPlusTwo)) {
        return std::nullopt;
    }
    const bool positiveLead = q.c[1] > 0;
    Wide numerator = 0;
    if ((toPlusTwo > 0) == positiveLead && toPlusTwo != 0) {
        numerator = toPlusTwo;
    } else if ((toMinusTwo > 0) == positiveLead && toMinusTwo != 0) {
        numerator = toMinusTwo;
    } else {
        return std::log(lead);  // the root lies in [-2, 2]
    }
    const long double y = WideToExtended(numerator) / WideToExtended(q.c[1]);
    return std::log(lead + lead * ((y + std::sqrt(y * (y + 4.0L))) / 2.0L));
}

}  // namespace

std::optional<long double> ReciprocalMahlerMeasure(std::span<const int64_t> c, int maxSweeps) {
    const auto first = std::find_if(c.begin(), c.end(), [](int64_t v) { return v != 0; });
    if (first == c.end()) return 0.0L;
    const auto last = std::find_if(c.rbegin(), c.rend(), [](int64_t v) { return v != 0; }).base();
    const int degree = static_cast<int>(last - first) - 1;
    if (degree > 2 * kMaxHalfDegree) return std::nullopt;
    Poly r;
    r.degree = degree;
    std::copy(first, last, r.c.begin());
    // An anti-reciprocal polynomial is (t - 1) times a reciprocal one, and a reciprocal one of odd
    // degree is (t + 1) times one of even degree; both factors contribute 0.
    if (!IsReciprocal(r, 1)) {
        if (!IsReciprocal(r, -1)) return std::nullopt;
        r = QuotientByLinear(r, 1);
    }
    if (r.degree % 2 != 0) r = QuotientByLinear(r, -1);
    Poly q;
    if (!TracePolynomial(r, q)) return std::nullopt;
    RemoveCyclotomicFactors(q);
    if (q.degree == 0) return std::log(std::fabs(WideToExtended(q.c[0])));
    if (q.degree == 1) return MeasureFromLinear(q);
    // Small degrees in small buffers.
    if (q.degree <= 12) return MeasureFromTraceRoots<12>(q, maxSweeps);
    return MeasureFromTraceRoots<kMaxHalfDegree>(q, maxSweeps);
}

}  // namespace corvane
