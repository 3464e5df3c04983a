// Where the Alexander polynomial of a Seifert matrix vanishes on the unit circle: the points at
// which the Levine-Tristram signature function can jump. The polynomial is recovered exactly from
// floating-point values at roots of unity and checked modulo a prime; its roots on the circle are
// read off its cyclotomic factors exactly and found numerically for the rest.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "arith/int_matrix.h"

namespace corvane {

// Δ(t) = det(tV - Vᵀ) for the n × n block of v, coefficients from t^0 up (n + 1 of them, zeros
// included). Computed as the discrete Fourier transform of det(ζV - Vᵀ) at the (n+1)-th roots of
// unity ζ (complex elimination with partial pivoting in 80-bit arithmetic), rounded to integers,
// and accepted only when every value lay within 1/4 of an integer below 2^62 in magnitude and
// the rounded polynomial P satisfies P(t) ≡ det(tV - Vᵀ) modulo the prime 2^61 - 1 at
// t = 1, ..., n + 1 (hence P ≡ Δ coefficient-wise modulo that prime). nullopt otherwise.
// Precondition: 0 <= n <= 70 (RangeError otherwise); n = 0 gives {1}.
std::optional<std::vector<int64_t>> AlexanderCoefficients(const IntMatrix& v, int n);

// Distance from the unit circle within which a root of Δ counts as lying on it. Roots found
// numerically lie off the circle by rounding only (a few units of 1e-19 for simple roots, about
// the k-th root of that for a cluster of k), so this keeps every root on the circle; a root that
// is truly off the circle but this close merely adds a point where nothing jumps.
inline constexpr long double kOnCircleTolerance = 1e-3L;

// The angles x in (0, 1) (in turns: ζ = e^{2πix}) of the roots of det(tV - Vᵀ) on the unit
// circle, in increasing order, each once. Cyclotomic factors Φ_m give the angles j/m with
// gcd(j, m) = 1 exactly (up to the rounding of the division); the other roots come from the
// simultaneous root finder and are kept when their modulus is within kOnCircleTolerance of 1.
// z = 1 (angle 0) is never listed. nullopt when the polynomial or its roots could not be
// determined; an empty list when Δ has no root on the circle (Δ constant included).
// Precondition: 0 <= n <= 70 (RangeError otherwise).
std::optional<std::vector<long double>> CircleRootAngles(const IntMatrix& v, int n);

}  // namespace corvane
