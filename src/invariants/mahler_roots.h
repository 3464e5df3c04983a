// The Mahler measure of an integer polynomial from its roots: the factors t^k and the cyclotomic
// factors are split off exactly, so that by Kronecker's theorem they contribute exactly 0, and the
// roots of the rest are found by simultaneous Aberth–Ehrlich iteration in 80-bit arithmetic; for a
// reciprocal polynomial (an Alexander polynomial) through the roots of its half-degree trace
// polynomial, certified by inclusion disks.
#pragma once

#include <complex>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace corvane {

using WideInt = __int128;

// Sweeps of the Aberth iteration before the root finder gives up.
inline constexpr int kAberthSweeps = 500;

// Φ_n from t^0 up, for n >= 1: Φ_1 = t - 1, Φ_{mp}(t) = Φ_m(t^p)/Φ_m(t) for a prime p ∤ m, and
// Φ_n(t) = Φ_r(t^{n/r}) for the radical r of n. Throws RangeError for n < 1 and OverflowError when
// a coefficient leaves 64 bits.
std::vector<int64_t> CyclotomicPolynomial(int64_t n);

// p = t^powerOfT · Π Φ_n^e · rest over the pairs (n, e) of `factors`, n increasing, e >= 1.
struct CyclotomicSplit {
    int64_t powerOfT = 0;
    std::vector<std::pair<int64_t, int>> factors;
    std::vector<WideInt> rest;  // from t^0 up; rest[0] != 0, rest.back() = leading coefficient of p
};

// Splits p = Σ c_j·t^j (c from t^0 up, zeros above the degree allowed) by exact integer division:
// every Φ_n with φ(n) <= deg p is tried, as often as it divides. A division is tried only where p
// nearly vanishes at e^{2πi/n} (|p| <= 1e-9·Σ|c_j|, far above the rounding of the test), and one
// whose 128-bit intermediates would overflow counts as not dividing: rest then keeps that factor,
// whose roots the root finder treats like any other. Precondition: some c_j != 0 (RangeError).
CyclotomicSplit SplitCyclotomicFactors(std::span<const int64_t> c);

// A root z of multiplicity k: an isolated root, or k roots that the inclusion disks
// |ζ - z_i| <= d·|p(z_i) / (a_d·Π_{j≠i}(z_i - z_j))| (enlarged by the rounding bound of p(z_i))
// do not separate, represented by the root of p^(k-1) near their centre.
struct RootGroup {
    std::complex<long double> z;
    int multiplicity = 1;
};

// All complex roots of p = Σ a_j·t^j, a from t^0 up, degree d = a.size() - 1 >= 1, a_0 != 0,
// a_d != 0; Σ multiplicity = d. Aberth–Ehrlich iteration from points on the circles of the Newton
// polygon of p, each approximation frozen once |p(z)| is below the rounding bound of its
// evaluation (where it is a root of a polynomial within a few units of rounding of p), then
// polished by further sweeps with p evaluated in compensated arithmetic (about twice the
// precision), which bring simple roots to within rounding of their 80-bit representation.
// Returns nullopt when the first sweeps do not converge within maxSweeps, or when the groups fail
// the check Σ k·ln|z| = ln|a_0/a_d|. Throws RangeError when d < 1, a_0 = 0 or a_d = 0.
std::optional<std::vector<RootGroup>> ComplexRoots(std::span<const long double> a,
                                                   int maxSweeps = kAberthSweeps);

// m(p) = ln|c_d| + Σ ln max(1, |α|) over the roots α of p = Σ c_j·t^j (with multiplicity), the
// logarithm of the Mahler measure; t^k and cyclotomic factors contribute exactly 0, so a product of
// them (times ±1) gives exactly 0. The zero polynomial gives 0. Takes ReciprocalMahlerMeasure
// (reciprocal_mahler.h) where it gives a value, otherwise GeneralMahlerMeasure; nullopt when
// ComplexRoots fails on the non-cyclotomic rest.
std::optional<long double> MahlerMeasureFromRoots(std::span<const int64_t> c,
                                                  int maxSweeps = kAberthSweeps);

// m(p) through SplitCyclotomicFactors and ComplexRoots on the whole non-cyclotomic rest, for any p;
// nullopt when ComplexRoots fails.
std::optional<long double> GeneralMahlerMeasure(std::span<const int64_t> c,
                                                int maxSweeps = kAberthSweeps);

}  // namespace corvane
