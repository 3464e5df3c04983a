// The Mahler measure of the Alexander polynomial: the mean of ln|Δ(z)| over equally spaced points
// z of the unit circle approximates m(Δ) = ∫ ln|Δ(e^{2πiθ})| dθ, the logarithm of the Mahler
// measure, which the knot record keeps and the results files print with a few decimals.
#pragma once

#include <cstdint>
#include <string>

#include "arith/polynomial.h"
#include "driver/run_context.h"

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

// Step 4 of the invariant sequence: mahlerMeasure of the current knot := MeanLogModulus of
// AlexanderPoly with M = mahlerValueCount; the result line "Mahler measure of Alexander polynomial
// = " + text and the field "ma" + text in both tables. Precondition: a valid CurrentKnot and
// AlexanderPoly.
void MahlerMeasure(RunContext& ctx);

}  // namespace corvane
