// The Mahler measure of the Alexander polynomial: m(Δ) = ∫ ln|Δ(e^{2πiθ})| dθ, the logarithm of
// the Mahler measure, from the roots of Δ (or, failing them, as the mean of ln|Δ(z)| over equally
// spaced points z of the unit circle), which the knot record keeps and the results files print.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "arith/polynomial.h"
#include "invariants/mahler_roots.h"
#include "knot/knot_context.h"

namespace corvane {

// (1/M)·Σ_{k=1..M} L(z_k) with z_k = ComplexFromAngle(k/M) and L(z) = ln max(|p(z)|, τ),
// τ = 1e-17·Σ|c_j|: a value below τ is rounding noise at a zero of p on the circle and counts as
// τ, the best bound on it (skipping it would bias the mean upwards at multiple zeros).
// p(z) is evaluated by powers, Σ c_j·z^j in 80-bit arithmetic, from the numerators of p's
// coefficients. By Jensen's formula the exact integral is ln|c_d| + Σ ln|α| over the roots α
// outside the circle; without roots on the circle the error of the mean decays geometrically in
// M, and a zero ζ on the circle adds about ln|ζ^M - 1|/M. The zero polynomial gives 0.
// Precondition: M >= 1 (RangeError otherwise).
long double MeanLogModulus(const RatPoly& p, int64_t count);

// The general text of a number in the C locale: rounded to 15 significant digits, trailing zeros
// dropped, in fixed notation when 1e-5 <= |v| < 1e15 (or v = 0), otherwise as mantissa, "E" and
// exponent ("1E-6", "2.5E20"). Precondition: v finite.
std::string GeneralFloatText(long double v);

// The printed Mahler measure: r = nearest(q·mean)/q (ties to even) with q = 100, 10000 or 1000000
// for M < 10001, M < 1000001 and larger M; GeneralFloatText(r) + "...", or, when that text needs an
// exponent, GeneralFloatText(nearest(mean)) alone. Precondition: |mean| < 1e12.
std::string MahlerText(long double mean, int64_t count);

// The decimals MahlerText keeps for M values: 2, 4 or 6 (q = 10^decimals).
int MahlerDecimals(int64_t count);

// m(p) = ln|c_d| + Σ ln max(1, |α|) by MahlerMeasureFromRoots on the numerators of p's
// coefficients: exactly 0 for a product of cyclotomic polynomials, otherwise within a few units of
// 80-bit rounding. Should the root finder not converge within maxSweeps, the value is
// MeanLogModulus(p, count), so that a value is always produced.
long double LogMahlerMeasure(const RatPoly& p, int64_t count, int maxSweeps = kAberthSweeps);

// LogMahlerMeasure for an integer polynomial of any degree given by its coefficients c_0..c_d in
// decimal: from the roots when every coefficient fits in 64 bits and the root finder converges,
// otherwise as the mean of ln|p(z)| over `count` points with the coefficients rounded to 80 bits.
long double LogMahlerMeasureOfDecimal(const std::vector<std::string>& c, int64_t count);

// Step 4 of the invariant sequence: mahlerMeasure of the current knot := LogMahlerMeasure of
// AlexanderPoly (or of AlexanderExact when that holds the polynomial); M = mahlerValueCount sets
// the printed decimals (and the fallback); the result line "Mahler measure of Alexander polynomial
// = " + text and the field "ma" + text in both tables. Precondition: the knot's AlexanderPoly is
// computed.
void MahlerMeasure(KnotContext& ctx);

}  // namespace corvane
