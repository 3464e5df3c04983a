#include "invariants/mahler_roots.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <numbers>
#include <numeric>

#include "arith/errors.h"
#include "invariants/reciprocal_mahler.h"

namespace corvane {
namespace {

using Complex = std::complex<long double>;

// Unit roundoff of the 80-bit format, 2^-64.
constexpr long double kUnitRoundoff = LDBL_EPSILON / 2.0L;
// p(e^{2πi/n}) below this multiple of Σ|c_j| makes Φ_n a candidate divisor; the rounding of the
// evaluation stays below deg²·1e-19·Σ|c_j|.
constexpr long double kCyclotomicTolerance = 1e-9L;
// Polishing sweeps of the Aberth iteration with the compensated evaluation, and Newton steps on
// p^(k-1) for a cluster of k roots.
constexpr int kPolishSweeps = 10;
constexpr int kClusterNewtonSteps = 60;
// Allowed error of Σ k·ln|z| = ln|a_0/a_d|, relative to Σ k·|ln|z||.
constexpr long double kProductTolerance = 1e-9L;

// p / d for a monic d, when the division leaves no remainder and every intermediate fits in 128
// bits; nullopt otherwise.
std::optional<std::vector<WideInt>> DivideExactly(const std::vector<WideInt>& p,
                                                  const std::vector<WideInt>& d) {
    if (p.size() < d.size()) return std::nullopt;
    const size_t k = d.size() - 1;
    std::vector<WideInt> r = p;
    std::vector<WideInt> q(p.size() - k);
    for (size_t i = q.size(); i-- > 0;) {
        const WideInt lead = r[i + k];
        q[i] = lead;
        for (size_t j = 0; j < k; ++j) {
            WideInt product;
            if (__builtin_mul_overflow(lead, d[j], &product) ||
                __builtin_sub_overflow(r[i + j], product, &r[i + j])) {
                return std::nullopt;
            }
        }
    }
    for (size_t j = 0; j < k; ++j) {
        if (r[j] != 0) return std::nullopt;
    }
    return q;
}

// p(t^s).
std::vector<WideInt> Spread(const std::vector<WideInt>& p, size_t s) {
    std::vector<WideInt> out((p.size() - 1) * s + 1, 0);
    for (size_t j = 0; j < p.size(); ++j) out[j * s] = p[j];
    return out;
}

std::vector<WideInt> CyclotomicWide(int64_t n) {
    std::vector<WideInt> phi{-1, 1};
    int64_t radical = 1;
    int64_t m = n;
    for (int64_t prime = 2; m > 1; ++prime) {
        if (m % prime != 0) continue;
        while (m % prime == 0) m /= prime;
        radical *= prime;
        const auto next = DivideExactly(Spread(phi, static_cast<size_t>(prime)), phi);
        if (!next) throw OverflowError("cyclotomic polynomial");
        phi = *next;
    }
    return Spread(phi, static_cast<size_t>(n / radical));
}

// φ(k) for k = 0..limit.
std::vector<int64_t> Totients(int64_t limit) {
    std::vector<int64_t> phi(static_cast<size_t>(limit) + 1);
    std::iota(phi.begin(), phi.end(), 0);
    for (int64_t p = 2; p <= limit; ++p) {
        if (phi[p] != p) continue;  // p is composite: some smaller prime has lowered φ(p)
        for (int64_t k = p; k <= limit; k += p) phi[k] -= phi[k] / p;
    }
    return phi;
}

std::vector<long double> ToExtended(const std::vector<WideInt>& p) {
    std::vector<long double> out(p.size());
    for (size_t j = 0; j < p.size(); ++j) out[j] = static_cast<long double>(p[j]);
    return out;
}

// Whether |p(e^{2πi/n})| is small enough that Φ_n may divide p.
bool MayVanishAtRootOfUnity(const std::vector<long double>& p, int64_t n) {
    const long double angle = 2.0L * std::numbers::pi_v<long double> / static_cast<long double>(n);
    const Complex zeta = std::polar(1.0L, angle);
    Complex value = 0.0L;
    long double norm = 0.0L;
    for (size_t j = p.size(); j-- > 0;) {
        value = value * zeta + p[j];
        norm += std::fabs(p[j]);
    }
    return std::abs(value) <= kCyclotomicTolerance * norm;
}

// Error-free transformations in round-to-nearest: a + b = s + e and a·b = p + e exactly (Knuth's
// two-sum; Dekker's product with Veltkamp's split at 2^32 + 1 for the 64-bit significand).
struct Exact {
    long double value;
    long double error;
};

Exact TwoSum(long double a, long double b) {
    const long double s = a + b;
    const long double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

Exact Split(long double a) {
    const long double c = 4294967297.0L * a;
    const long double high = c - (c - a);
    return {high, a - high};
}

Exact TwoProduct(long double a, long double b) {
    const long double p = a * b;
    const Exact x = Split(a);
    const Exact y = Split(b);
    return {
        p, x.error * y.error - (((p - x.value * y.value) - x.error * y.value) - x.value * y.error)};
}

// p(z) through Horner's rule, by the reversed polynomial w^d·p(1/w) at w = 1/z when |z| > 1 so
// that nothing overflows and the rounding stays relative to the larger terms.
struct Evaluation {
    Complex newton;        // p(z)/p'(z)
    long double logAbs;    // ln|p(z)| as computed (-inf at an exact zero)
    long double logBound;  // ln(|p(z)| + rounding bound)
    bool withinRounding;   // |p(z)| does not exceed the rounding bound of its evaluation
};

// Plain Horner's rule errs by at most about γ·Σ|c_j||w|^j with γ = 2(d+1)·√2·u. The compensated
// scheme carries the rounding error of every step along (two-sum and two-product) and adds it at
// the end: its result errs by about u·|p| + γ²·Σ|c_j||w|^j, as if computed with twice the
// precision; Newton steps with it bring a root to within rounding of its 80-bit representation.
Evaluation Evaluate(std::span<const long double> a, Complex z, bool compensated = false) {
    const size_t d = a.size() - 1;
    const bool outside = std::abs(z) > 1.0L;
    const Complex w = outside ? 1.0L / z : z;
    const long double r = std::abs(w);
    const long double wr = w.real();
    const long double wi = w.imag();
    long double vr = 0.0L;
    long double vi = 0.0L;
    Complex error = 0.0L;
    Complex slope = 0.0L;
    long double bound = 0.0L;
    for (size_t i = 0; i <= d; ++i) {
        const long double c = outside ? a[i] : a[d - i];
        slope = slope * w + Complex(vr, vi);
        bound = bound * r + std::fabs(c);
        if (!compensated) {
            const Complex v = Complex(vr, vi) * w + c;
            vr = v.real();
            vi = v.imag();
            continue;
        }
        const Exact p1 = TwoProduct(vr, wr);
        const Exact p2 = TwoProduct(vi, wi);
        const Exact p3 = TwoProduct(vr, wi);
        const Exact p4 = TwoProduct(vi, wr);
        const Exact re = TwoSum(p1.value, -p2.value);
        const Exact im = TwoSum(p3.value, p4.value);
        const Exact sum = TwoSum(re.value, c);
        error = error * w +
                Complex(p1.error - p2.error + re.error + sum.error, p3.error + p4.error + im.error);
        vr = sum.value;
        vi = im.value;
    }
    const Complex value = Complex(vr, vi) + error;
    const long double gamma = 4.0L * static_cast<long double>(d + 1) * kUnitRoundoff;
    const long double rounding =
        compensated ? kUnitRoundoff * std::abs(value) + gamma * gamma * bound : gamma * bound;
    const long double shift = outside ? static_cast<long double>(d) * std::log(std::abs(z)) : 0.0L;
    Evaluation e;
    // For |z| > 1, q(w) = w^d·p(1/w): p = z^d·q and p' = d·z^{d-1}·q - z^{d-2}·q', so
    // p/p' = z·q/(d·q - w·q').
    const Complex denominator = outside ? static_cast<long double>(d) * value - w * slope : slope;
    const Complex numerator = outside ? z * value : value;
    e.newton = denominator == Complex(0.0L) ? Complex(0.0L) : numerator / denominator;
    e.logAbs = std::log(std::abs(value)) + shift;
    e.logBound = std::log(std::abs(value) + rounding) + shift;
    e.withinRounding = std::abs(value) <= rounding;
    return e;
}

// Starting points: for each edge (i, k) of the upper convex hull of the points (j, ln|a_j|), k - i
// points spread over the circle of radius (|a_i|/|a_k|)^{1/(k-i)}, where the Newton polygon puts
// k - i root moduli; rotated so that no two circles share angles.
std::vector<Complex> StartingPoints(std::span<const long double> a) {
    const size_t d = a.size() - 1;
    std::vector<size_t> hull;
    auto height = [&](size_t j) { return std::log(std::fabs(a[j])); };
    for (size_t j = 0; j <= d; ++j) {
        if (a[j] == 0.0L) continue;
        while (hull.size() >= 2) {
            const size_t h0 = hull[hull.size() - 2];
            const size_t h1 = hull.back();
            const long double cross = (height(h1) - height(h0)) * static_cast<long double>(j - h0) -
                                      (height(j) - height(h0)) * static_cast<long double>(h1 - h0);
            if (cross > 0.0L) break;
            hull.pop_back();
        }
        hull.push_back(j);
    }
    constexpr long double kTwoPi = 2.0L * std::numbers::pi_v<long double>;
    std::vector<Complex> z;
    for (size_t e = 0; e + 1 < hull.size(); ++e) {
        const size_t i = hull[e];
        const size_t count = hull[e + 1] - i;
        const long double radius =
            std::exp((height(i) - height(hull[e + 1])) / static_cast<long double>(count));
        for (size_t m = 0; m < count; ++m) {
            const long double angle =
                kTwoPi * static_cast<long double>(m) / static_cast<long double>(count) +
                kTwoPi * static_cast<long double>(i) / static_cast<long double>(d) + 0.7L;
            z.push_back(std::polar(radius, angle));
        }
    }
    return z;
}

// Aberth–Ehrlich sweeps (each approximation moved in turn, using the others' newest values):
// z_i -= N_i / (1 - N_i·Σ_{j≠i} 1/(z_i - z_j)), N_i = p(z_i)/p'(z_i), until p(z_i) is within the
// rounding bound of its evaluation (or, when polishing with the compensated evaluation, until the
// step is within rounding of z_i). False if some approximation is not after maxSweeps sweeps.
bool AberthIterate(std::span<const long double> a, std::vector<Complex>& z, int maxSweeps,
                   bool compensated) {
    std::vector<bool> frozen(z.size(), false);
    for (int sweep = 0; sweep < maxSweeps; ++sweep) {
        bool moved = false;
        for (size_t i = 0; i < z.size(); ++i) {
            if (frozen[i]) continue;
            const Evaluation e = Evaluate(a, z[i], compensated);
            if (e.withinRounding) {
                frozen[i] = true;
                continue;
            }
            // Σ 1/(z_i - z_j) = Σ conj(δ)/|δ|², in real arithmetic for speed.
            long double sumRe = 0.0L;
            long double sumIm = 0.0L;
            for (size_t j = 0; j < z.size(); ++j) {
                if (j == i) continue;
                const long double dr = z[i].real() - z[j].real();
                const long double di = z[i].imag() - z[j].imag();
                const long double inverse = 1.0L / (dr * dr + di * di);
                sumRe += dr * inverse;
                sumIm -= di * inverse;
            }
            const Complex step = e.newton / (1.0L - e.newton * Complex(sumRe, sumIm));
            z[i] -= step;
            moved = true;
            // Polishing ends where a step no longer changes z beyond its last few bits.
            if (compensated && std::abs(step) <= 4.0L * kUnitRoundoff * std::abs(z[i])) {
                frozen[i] = true;
            }
        }
        if (!moved) return true;
    }
    return false;
}

// Newton's method from z, with f evaluated by the compensated scheme, while |f| decreases, at
// most `steps` steps.
Complex NewtonRoot(std::span<const long double> f, Complex z, int steps) {
    Evaluation e = Evaluate(f, z, true);
    for (int s = 0; s < steps; ++s) {
        const Complex next = z - e.newton;
        const Evaluation ne = Evaluate(f, next, true);
        if (!(ne.logAbs < e.logAbs)) break;
        z = next;
        e = ne;
    }
    return z;
}

// p^(k-1) from t^0 up.
std::vector<long double> Derivative(std::span<const long double> a, int order) {
    std::vector<long double> out(a.begin(), a.end());
    for (int s = 0; s < order; ++s) {
        for (size_t j = 1; j < out.size(); ++j) out[j - 1] = out[j] * static_cast<long double>(j);
        out.pop_back();
    }
    return out;
}

// Index of the component of i, with path halving.
size_t Find(std::vector<size_t>& parent, size_t i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
}

// The radii of the inclusion disks of the approximations z; nullopt when two coincide. The
// connected components of the union of the disks hold as many roots as disks.
std::optional<std::vector<long double>> InclusionRadii(std::span<const long double> a,
                                                       const std::vector<Complex>& z) {
    const size_t d = z.size();
    std::vector<long double> radius(d);
    for (size_t i = 0; i < d; ++i) {
        long double logRadius = std::log(static_cast<long double>(d)) +
                                Evaluate(a, z[i], true).logBound - std::log(std::fabs(a[d]));
        for (size_t j = 0; j < d; ++j) {
            if (j == i) continue;
            if (z[i] == z[j]) return std::nullopt;
            logRadius -= std::log(std::abs(z[i] - z[j]));
        }
        radius[i] = std::exp(logRadius);
    }
    return radius;
}

// The approximations grouped by the components of the union of their inclusion disks.
std::vector<std::vector<size_t>> Clusters(const std::vector<Complex>& z,
                                          const std::vector<long double>& radius) {
    const size_t d = z.size();
    std::vector<size_t> parent(d);
    std::iota(parent.begin(), parent.end(), 0);
    for (size_t i = 0; i < d; ++i) {
        for (size_t j = i + 1; j < d; ++j) {
            if (std::abs(z[i] - z[j]) <= radius[i] + radius[j]) {
                parent[Find(parent, i)] = Find(parent, j);
            }
        }
    }
    std::vector<std::vector<size_t>> members(d);
    for (size_t i = 0; i < d; ++i) members[Find(parent, i)].push_back(i);
    std::erase_if(members, [](const auto& m) { return m.empty(); });
    return members;
}

// The root of p^(k-1) near the centre of a cluster of k approximations: for a root of
// multiplicity k it is that root, a simple root of p^(k-1) and so well conditioned; for k distinct
// close roots it is their mean up to terms quadratic in their spread. Falls back to the centre
// when Newton's method leaves the union of the cluster's disks.
Complex ClusterRoot(std::span<const long double> a, const std::vector<Complex>& z,
                    const std::vector<long double>& radius, const std::vector<size_t>& members) {
    Complex centre = 0.0L;
    for (const size_t i : members) centre += z[i];
    centre /= static_cast<long double>(members.size());
    long double reach = 0.0L;
    for (const size_t i : members) reach = std::max(reach, std::abs(z[i] - centre) + radius[i]);
    const std::vector<long double> derivative = Derivative(a, static_cast<int>(members.size()) - 1);
    const Complex root = NewtonRoot(derivative, centre, kClusterNewtonSteps);
    return std::abs(root - centre) <= reach ? root : centre;
}

}  // namespace

std::vector<int64_t> CyclotomicPolynomial(int64_t n) {
    if (n < 1) throw RangeError("cyclotomic polynomial index");
    const std::vector<WideInt> wide = CyclotomicWide(n);
    std::vector<int64_t> out(wide.size());
    for (size_t j = 0; j < wide.size(); ++j) {
        if (wide[j] < INT64_MIN || wide[j] > INT64_MAX) {
            throw OverflowError("cyclotomic polynomial");
        }
        out[j] = static_cast<int64_t>(wide[j]);
    }
    return out;
}

CyclotomicSplit SplitCyclotomicFactors(std::span<const int64_t> c) {
    const auto first = std::find_if(c.begin(), c.end(), [](int64_t x) { return x != 0; });
    if (first == c.end()) throw RangeError("cyclotomic split of the zero polynomial");
    const auto last = std::find_if(c.rbegin(), c.rend(), [](int64_t x) { return x != 0; }).base();
    CyclotomicSplit split;
    split.powerOfT = first - c.begin();
    split.rest.assign(first, last);
    const int64_t degree = static_cast<int64_t>(split.rest.size()) - 1;
    // φ(n) >= √n for n > 6, so φ(n) <= degree leaves n <= max(6, degree²).
    const int64_t limit = std::max<int64_t>(6, degree * degree);
    const std::vector<int64_t> phi = Totients(limit);
    std::vector<long double> approximate = ToExtended(split.rest);
    for (int64_t n = 1; n <= limit; ++n) {
        if (phi[n] > static_cast<int64_t>(split.rest.size()) - 1) continue;
        if (!MayVanishAtRootOfUnity(approximate, n)) continue;
        const std::vector<WideInt> factor = CyclotomicWide(n);
        int multiplicity = 0;
        while (const auto quotient = DivideExactly(split.rest, factor)) {
            split.rest = *quotient;
            ++multiplicity;
        }
        if (multiplicity == 0) continue;
        split.factors.emplace_back(n, multiplicity);
        approximate = ToExtended(split.rest);
    }
    return split;
}

std::optional<std::vector<RootGroup>> ComplexRoots(std::span<const long double> a, int maxSweeps) {
    if (a.size() < 2 || a.front() == 0.0L || a.back() == 0.0L) {
        throw RangeError("roots of a polynomial with a zero end coefficient");
    }
    const size_t d = a.size() - 1;
    std::vector<Complex> z = StartingPoints(a);
    if (!AberthIterate(a, z, maxSweeps, false)) return std::nullopt;
    // Polishing with the compensated evaluation: simple roots, also close ones, move to within
    // rounding of their 80-bit representation and their inclusion disks shrink accordingly; the
    // members of a cluster stay apart, around it. Convergence was decided above.
    AberthIterate(a, z, kPolishSweeps, true);
    const auto radius = InclusionRadii(a, z);
    if (!radius) return std::nullopt;
    std::vector<RootGroup> groups;
    long double logProduct = 0.0L;
    long double scale = 1.0L;
    for (const auto& members : Clusters(z, *radius)) {
        RootGroup g;
        g.multiplicity = static_cast<int>(members.size());
        g.z = g.multiplicity == 1 ? z[members[0]] : ClusterRoot(a, z, *radius, members);
        if (!std::isfinite(g.z.real()) || !std::isfinite(g.z.imag())) return std::nullopt;
        const long double logModulus = std::log(std::abs(g.z));
        logProduct += g.multiplicity * logModulus;
        scale += g.multiplicity * std::fabs(logModulus);
        groups.push_back(g);
    }
    // Vieta: |Π α| = |a_0/a_d|. A root found twice and another one missed show here.
    const long double expected = std::log(std::fabs(a[0])) - std::log(std::fabs(a[d]));
    if (std::fabs(logProduct - expected) > kProductTolerance * scale) return std::nullopt;
    return groups;
}

std::optional<long double> MahlerMeasureFromRoots(std::span<const int64_t> c, int maxSweeps) {
    if (const auto m = ReciprocalMahlerMeasure(c, maxSweeps)) return m;
    return GeneralMahlerMeasure(c, maxSweeps);
}

std::optional<long double> GeneralMahlerMeasure(std::span<const int64_t> c, int maxSweeps) {
    if (std::all_of(c.begin(), c.end(), [](int64_t x) { return x == 0; })) return 0.0L;
    const CyclotomicSplit split = SplitCyclotomicFactors(c);
    const long double lead = std::fabs(static_cast<long double>(split.rest.back()));
    long double m = std::log(lead);
    if (split.rest.size() == 1) return m;
    const std::vector<long double> a = ToExtended(split.rest);
    const auto groups = ComplexRoots(a, maxSweeps);
    if (!groups) return std::nullopt;
    for (const RootGroup& g : *groups) {
        const long double logModulus = std::log(std::abs(g.z));
        if (logModulus > 0.0L) m += g.multiplicity * logModulus;
    }
    return m;
}

}  // namespace corvane
