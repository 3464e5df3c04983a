// The Mahler measure of a reciprocal integer polynomial through its half-degree trace polynomial.
// For r(t) = t^{2e}·r(1/t) of degree 2e, t^{-e}·r(t) = q(t + 1/t) with q of degree e and the same
// leading coefficient. Each root x of q stands for the pair α, 1/α of roots of t² - x·t + 1, and
// ln max(|α|, 1/|α|) = ln|α| with α = (x + s)/2, s = ±√(x² - 4) chosen so that |α| >= 1: roots x in
// [-2, 2] are pairs on the unit circle and contribute 0. The cyclotomic factors Φ_n (n >= 3) become
// the minimal polynomials ψ_n of 2·cos(2π/n), and Φ_1², Φ_2² become x - 2, x + 2.
#include <algorithm>
#include <array>
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
// q(2·cos(2π/n)) below this multiple of Σ|q_j|·2^j makes ψ_n a candidate divisor; the rounding of
// the double evaluation (with the rounding of the cosine) stays below 4·(e + 1)·2^-53 of it.
constexpr double kCyclotomicTolerance = 1e-9;
// Unit roundoffs of the double and of the 80-bit format.
constexpr double kDoubleRoundoff = DBL_EPSILON / 2.0;
constexpr long double kUnitRoundoff = LDBL_EPSILON / 2.0L;
// Newton steps in 80-bit arithmetic after the double-precision Aberth iteration.
constexpr int kPolishSteps = 3;
// Largest certified error bound of Σ ln|α| accepted, relative to max(1, |m|): the roots are then
// known to within a few units of 80-bit rounding of the measure; otherwise the caller takes the
// route through all the roots of the polynomial.
constexpr long double kAcceptedError = 1e-16L;

using Wide = WideInt;
using ComplexD = std::complex<double>;
using ComplexL = std::complex<long double>;

// V_k(x) = t^k + t^-k as a polynomial in x = t + 1/t, k = 0..kMaxHalfDegree, from x^0 up:
// V_0 = 2, V_1 = x, V_{k+1} = x·V_k - V_{k-1}. Σ_j |coefficients of V_k| is the Lucas number L_k,
// below 2^45 for k <= 64.
using TraceTable = std::array<std::array<int64_t, kMaxHalfDegree + 1>, kMaxHalfDegree + 1>;
constexpr TraceTable MakeTraceTable() {
    TraceTable v{};
    v[0][0] = 2;
    v[1][1] = 1;
    for (int k = 1; k < kMaxHalfDegree; ++k) {
        for (int j = 0; j <= k + 1; ++j) {
            v[k + 1][j] = (j > 0 ? v[k][j - 1] : 0) - v[k - 1][j];
        }
    }
    return v;
}
constexpr TraceTable kTrace = MakeTraceTable();

// The indices n with deg ψ_n <= kMaxHalfDegree (deg ψ_1 = deg ψ_2 = 1, deg ψ_n = φ(n)/2 for
// n >= 3), ordered by that degree.
struct Candidate {
    int32_t n = 0;
    int32_t degree = 0;
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
        if (degree <= kMaxHalfDegree) out[count++] = {n, degree};
    }
    std::sort(out.begin(), out.end(), [](const Candidate& a, const Candidate& b) {
        return a.degree < b.degree || (a.degree == b.degree && a.n < b.n);
    });
    return out;
}
constexpr std::array<Candidate, kCandidateCount> kCandidates = MakeCandidates();

// 2·cos(2π/n) for the candidates, in their order.
const std::array<double, kCandidateCount>& CandidatePoints() {
    static const std::array<double, kCandidateCount> points = [] {
        std::array<double, kCandidateCount> out{};
        for (int i = 0; i < kCandidateCount; ++i) {
            out[i] = 2.0 * std::cos(2.0 * std::numbers::pi / kCandidates[i].n);
        }
        out[0] = kCandidates[0].n == 1 ? 2.0 : -2.0;  // exact at the ends of [-2, 2]
        out[1] = kCandidates[1].n == 1 ? 2.0 : -2.0;
        return out;
    }();
    return points;
}

// A polynomial of degree <= 2·kMaxHalfDegree with exact coefficients c[0..degree], from t^0 up;
// the entries above the degree are not initialised.
struct Poly {
    std::array<Wide, 2 * kMaxHalfDegree + 1> c;
    int degree = 0;
};

long double Modulus(ComplexL z) {
    return std::sqrt(z.real() * z.real() + z.imag() * z.imag());
}

ComplexL Times(ComplexL a, ComplexL b) {
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
// a coefficient leaves 128 bits.
bool TracePolynomial(const Poly& r, Poly& q) {
    const int e = r.degree / 2;
    q.degree = e;
    std::fill(q.c.begin(), q.c.begin() + e + 1, Wide{0});
    q.c[0] = r.c[e];
    for (int k = 1; k <= e; ++k) {
        for (int j = 0; j <= k; ++j) {
            Wide term;
            if (__builtin_mul_overflow(r.c[e + k], static_cast<Wide>(kTrace[k][j]), &term) ||
                __builtin_add_overflow(q.c[j], term, &q.c[j])) {
                return false;
            }
        }
    }
    return true;
}

// ψ_n, the minimal polynomial of 2·cos(2π/n) (x - 2 and x + 2 for n = 1, 2).
Poly MinimalPolynomialOfCosine(int n) {
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
    TracePolynomial(r, psi);  // coefficients below L_64·max|Φ_n coefficient|
    return psi;
}

// p / ψ for a monic ψ when the division leaves no remainder and nothing leaves 128 bits.
bool DivideExactly(Poly& p, const Poly& psi) {
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
    const auto& points = CandidatePoints();
    std::array<double, kMaxHalfDegree + 1> approximate{};
    double scale = 0.0;
    auto refresh = [&] {
        scale = 0.0;
        for (int j = q.degree; j >= 0; --j) {
            approximate[j] = static_cast<double>(q.c[j]);
            scale = 2.0 * scale + std::fabs(approximate[j]);
        }
    };
    refresh();
    for (int i = 0; i < kCandidateCount && kCandidates[i].degree <= q.degree; ++i) {
        const double x = points[i];
        double value = 0.0;
        for (int j = q.degree; j >= 0; --j) value = value * x + approximate[j];
        if (!(std::fabs(value) <= kCyclotomicTolerance * scale)) continue;
        const Poly psi = MinimalPolynomialOfCosine(kCandidates[i].n);
        bool divided = false;
        while (DivideExactly(q, psi)) divided = true;
        if (divided) refresh();
    }
}

// Starting points of the Aberth iteration on the circles of the Newton polygon of q, as in the
// general root finder, in double precision.
int StartingPoints(const std::array<double, kMaxHalfDegree + 1>& a, int d,
                   std::array<ComplexD, kMaxHalfDegree>& z) {
    std::array<int, kMaxHalfDegree + 1> hull{};
    std::array<double, kMaxHalfDegree + 1> height{};
    int size = 0;
    for (int j = 0; j <= d; ++j) {
        if (a[j] == 0.0) continue;
        height[j] = std::log(std::fabs(a[j]));
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
    constexpr double kTwoPi = 2.0 * std::numbers::pi;
    int count = 0;
    for (int e = 0; e + 1 < size; ++e) {
        const int i = hull[e];
        const int points = hull[e + 1] - i;
        const double radius = std::exp((height[i] - height[hull[e + 1]]) / points);
        const ComplexD turn = std::polar(1.0, kTwoPi / points);
        ComplexD w = std::polar(radius, kTwoPi * i / d + 0.7);
        for (int m = 0; m < points; ++m) {
            z[count++] = w;
            w *= turn;
        }
    }
    return count;
}

// Aberth–Ehrlich sweeps in double precision until q(z_i) is within the rounding bound of its
// evaluation for every i; false if that takes more than maxSweeps sweeps or leaves the double
// range.
bool AberthIterate(const std::array<double, kMaxHalfDegree + 1>& a, int d,
                   std::array<ComplexD, kMaxHalfDegree>& z, int maxSweeps) {
    std::array<bool, kMaxHalfDegree> frozen{};
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
            z[i] = ComplexD(zr - (nr * denRe + ni * denIm) / den,
                            zi - (ni * denRe - nr * denIm) / den);
            moved = true;
        }
        if (!moved) return true;
    }
    return false;
}

// q(x), q'(x) and the rounding bound of q(x) in 80-bit arithmetic (Horner's rule).
struct Evaluation {
    ComplexL value;
    ComplexL slope;
    long double rounding = 0.0L;
};

Evaluation Evaluate(const std::array<long double, kMaxHalfDegree + 1>& a, int d, ComplexL x) {
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
    return {ComplexL(vr, vi), ComplexL(sr, si), 4.0L * (d + 1) * kUnitRoundoff * bound};
}

// ln max(|α|, 1/|α|) for the roots α, 1/α of t² - x·t + 1, and |s| = |α - 1/α| = |√(x² - 4)|,
// the reciprocal of the largest rate of change of that value with x.
struct PairMeasure {
    long double log = 0.0L;
    long double spread = 0.0L;
};

// For x = centre + y. About x = 2 (and x = -2 by x -> -x, α -> -α) with y = x - 2 = (α - 1)²/α:
// s = √(y(y + 4)) and α = 1 + w, w = (y + s)/2, so that ln|α| = ln(1 + 2·Re w + |w|²)/2 keeps its
// relative precision for roots α near ±1.
PairMeasure PairOfRoots(int centre, ComplexL y) {
    if (centre == 0) {
        ComplexL s = SquareRoot(Times(y - 2.0L, y + 2.0L));
        if (y.real() * s.real() + y.imag() * s.imag() < 0.0L) s = -s;
        const ComplexL alpha = (y + s) / 2.0L;
        return {std::log(alpha.real() * alpha.real() + alpha.imag() * alpha.imag()) / 2.0L,
                Modulus(s)};
    }
    if (centre < 0) y = -y;
    ComplexL s = SquareRoot(Times(y, y + 4.0L));
    const ComplexL x = y + 2.0L;
    if (x.real() * s.real() + x.imag() * s.imag() < 0.0L) s = -s;
    const ComplexL w = (y + s) / 2.0L;
    const long double norm = w.real() * w.real() + w.imag() * w.imag();
    return {std::log1p(2.0L * w.real() + norm) / 2.0L, Modulus(s)};
}

// The trace polynomial about the centres 0, 2 and -2: q(c + y) = Σ b_j·y^j, exact where 128 bits
// hold the Taylor shift. Roots of q near ±2 (roots of p near ±1) are found and bounded in the
// expansion about the nearer end: for an Alexander polynomial q(2 + y) is its Conway polynomial in
// z² = y, whose roots cluster near 0 where the expansion about 0 would lose their digits.
struct Expansion {
    int centre = 0;
    bool exact = false;
    std::array<long double, kMaxHalfDegree + 1> al;
    std::array<double, kMaxHalfDegree + 1> ad;
};

void Expand(const Poly& q, Expansion& e) {
    std::array<Wide, kMaxHalfDegree + 1> b;
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
        e.al[j] = static_cast<long double>(b[j]);
        e.ad[j] = static_cast<double>(b[j]);
    }
}

// m from the simple roots of q of degree d >= 2 (no cyclotomic factor), certified by inclusion
// disks: nullopt when the iteration fails, when two disks meet, or when the error bound of the
// result is not small.
std::optional<long double> MeasureFromTraceRoots(const Poly& q, long double logLead,
                                                 int maxSweeps) {
    const int d = q.degree;
    std::array<Expansion, 3> expansions;
    for (int k = 0; k < 3; ++k) {
        expansions[k].centre = k == 0 ? 0 : k == 1 ? 2 : -2;
        Expand(q, expansions[k]);
    }
    // The expansion in which x has the smallest rounding bound Σ|b_j|·|x - c|^j.
    auto best = [&](ComplexD x) -> const Expansion& {
        const Expansion* chosen = &expansions[0];
        double smallest = HUGE_VAL;
        for (const Expansion& e : expansions) {
            if (!e.exact) continue;
            const double r = std::abs(x - static_cast<double>(e.centre));
            double bound = 0.0;
            for (int j = d; j >= 0; --j) bound = bound * r + std::fabs(e.ad[j]);
            if (bound < smallest) {
                smallest = bound;
                chosen = &e;
            }
        }
        return *chosen;
    };
    // The iteration runs about the centre best for the mean of the roots.
    const double mean =
        -static_cast<double>(q.c[d - 1]) / (static_cast<double>(d) * static_cast<double>(q.c[d]));
    const Expansion& global = best(ComplexD(mean, 0.0));
    if (!global.exact) return std::nullopt;
    std::array<ComplexD, kMaxHalfDegree> start{};
    if (StartingPoints(global.ad, d, start) != d) return std::nullopt;
    if (!AberthIterate(global.ad, d, start, maxSweeps)) return std::nullopt;
    // Newton steps in 80 bits, each root in the expansion about its nearest centre, bring the
    // simple roots from double to extended precision.
    std::array<int, kMaxHalfDegree> centre{};
    std::array<ComplexL, kMaxHalfDegree> y{};
    std::array<long double, kMaxHalfDegree> residual{};
    for (int i = 0; i < d; ++i) {
        const Expansion& local = best(start[i] + static_cast<double>(global.centre));
        centre[i] = local.centre;
        y[i] = ComplexL(start[i].real(), start[i].imag()) +
               static_cast<long double>(global.centre - local.centre);
        Evaluation e = Evaluate(local.al, d, y[i]);
        for (int s = 0; s < kPolishSteps && Modulus(e.value) > e.rounding; ++s) {
            if (e.slope == ComplexL(0.0L)) break;
            y[i] -= Divide(e.value, e.slope);
            e = Evaluate(local.al, d, y[i]);
        }
        residual[i] = Modulus(e.value) + e.rounding;
    }
    // Inclusion disks |ζ - x_i| <= d·(|q(x_i)| + rounding)/(|q_d|·Π_{j≠i}|x_i - x_j|): when they
    // are pairwise disjoint, each holds exactly one root of q.
    auto distance = [&](int i, int j) {
        return Modulus(y[i] - y[j] + static_cast<long double>(centre[i] - centre[j]));
    };
    std::array<long double, kMaxHalfDegree> radius{};
    for (int i = 0; i < d; ++i) {
        long double product = std::fabs(static_cast<long double>(q.c[d]));
        for (int j = 0; j < d; ++j) {
            if (j != i) product *= distance(i, j);
        }
        radius[i] = static_cast<long double>(d) * residual[i] / product;
        if (!std::isfinite(radius[i])) return std::nullopt;
    }
    for (int i = 0; i < d; ++i) {
        for (int j = i + 1; j < d; ++j) {
            if (!(distance(i, j) > radius[i] + radius[j])) return std::nullopt;
        }
    }
    long double m = logLead;
    long double error = 0.0L;
    for (int i = 0; i < d; ++i) {
        const PairMeasure pair = PairOfRoots(centre[i], y[i]);
        // ln|α| changes by at most |dx|/|s| near x_i, where |s|² ≈ 4|x ∓ 2| stays large against
        // the radius.
        if (!(16.0L * radius[i] <= pair.spread * pair.spread)) return std::nullopt;
        m += pair.log;
        error += 2.0L * radius[i] / pair.spread;
    }
    if (!(error <= kAcceptedError * std::max(1.0L, std::fabs(m)))) return std::nullopt;
    return m;
}

// m for a linear q = q_0 + q_1·x: the root x = -q_0/q_1 outside [-2, 2] gives
// ln|α| = ln(1 + y/2 + √(y(y + 4))/2) with y = |x| - 2 > 0, taken exactly as a fraction of
// integers so that roots α near ±1 keep their full relative precision.
std::optional<long double> MeasureFromLinear(const Poly& q, long double logLead) {
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
        return logLead;  // the root lies in [-2, 2]
    }
    const long double y = static_cast<long double>(numerator) / static_cast<long double>(q.c[1]);
    return logLead + std::log1p(y / 2.0L + std::sqrt(y * (y + 4.0L)) / 2.0L);
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
    const long double logLead = std::log(std::fabs(static_cast<long double>(r.c[r.degree])));
    Poly q;
    if (!TracePolynomial(r, q)) return std::nullopt;
    RemoveCyclotomicFactors(q);
    if (q.degree == 0) return logLead;
    if (q.degree == 1) return MeasureFromLinear(q, logLead);
    return MeasureFromTraceRoots(q, logLead, maxSweeps);
}

}  // namespace corvane
