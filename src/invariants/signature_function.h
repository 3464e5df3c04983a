// The Levine-Tristram signature function t ↦ σ(e^{2πit}) on [0, 1] as a step function: constant
// on each arc between the roots of the Alexander polynomial on the unit circle, with its jumps
// there. This is the model behind the window's picture of the function, kept free of drawing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "arith/int_matrix.h"

namespace corvane {

// σ(e^{2πit}) = sign((1 - ω)V + (1 - ω̄)Vᵀ), ω = e^{2πit}, for 0 <= t <= 1.
struct SignatureFunction {
    // The angles t in (0, 1) of the roots of Δ(t) = det(tV - Vᵀ) on the unit circle, increasing,
    // each once (CircleRootAngles): the only places where σ can jump.
    std::vector<long double> jumps;
    // stepValues[k] is σ on the open arc between jumps[k-1] and jumps[k] (with 0 and 1 as the
    // outer ends): jumps.size() + 1 values, each the signature at the arc's midpoint.
    std::vector<int32_t> stepValues;
    // The value marked at each jump: the mean of the values on its two sides, the averaged
    // signature (for a simple root of Δ it is the signature of the singular form there).
    std::vector<long double> rootValues;
    // The lower bound on the algebraic unknotting number the function gives:
    // max(max |σ|, max σ - min σ) / 2 over the arcs, rounded down.
    int32_t bound = 0;
};

// The signature function of the n × n block of v. nullopt when the roots of Δ on the circle
// cannot be determined, or when an arc's evaluation is inaccurate (a pivot too small for the
// 80-bit elimination). σ is 0 near t = 0 and t = 1 and symmetric, σ(t) = σ(1 - t).
// Precondition: 0 <= n <= 70 (RangeError otherwise).
std::optional<SignatureFunction> SignatureFunctionOf(const IntMatrix& v, int n);

// σ at t in [0, 1]: the step value of the arc holding t, the root value at a jump, 0 at t = 0
// and t = 1 (where the form vanishes).
long double SignatureAt(const SignatureFunction& f, long double t);

// "u_a >= 2 (from the signature function)" for bound 2; the same words for every bound.
std::string SignatureFunctionBoundText(const SignatureFunction& f);

}  // namespace corvane
