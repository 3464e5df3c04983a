// mu(K): the spread of the Levine-Tristram signature function widened by the nullity at the zeros
// of the Alexander polynomial on the unit circle, estimated numerically from 1023 samples and a
// refinement of every sign change and every touching zero of the sampled determinant.
#pragma once

#include <atomic>
#include <cstdint>

#include "arith/int_matrix.h"
#include "knot/knot_context.h"

namespace corvane {

// What the estimate of mu(K) found.
struct MuResult {
    int32_t maxSig = 0;  // largest sampled signature or signature + nullity at a zero, at least 0
    int32_t minSig = 0;  // smallest sampled signature or signature - nullity at a zero, at most 0
    int32_t mu = 0;      // maxSig - minSig
    // StopRequested was seen: the values cover only what was examined so far and are no estimate.
    bool stopped = false;
};

// With H(t) = (1-z)V + (1-z̄)Vᵀ, z = ComplexFromAngle(t), and D(t) the real part of the pivot
// product of its elimination (det H(t) up to a positive factor):
//  1. samples s_k = sign H(k/N), N = 1024, k = 1..N-1; accurate samples enter maxSig and minSig;
//  2. every sign change of D between consecutive samples k, k+1 with 51 <= k <= 973 is refined by
//     false position (at most 101 evaluations, until |D| < 1e-8);
//  3. every strict local extremum D((k+1)/N) in that range is refined by shrinking triples (at
//     most 101 steps, until |D| < 1e-18: at a touching zero of nullity two the null entries
//     shrink only like √D, and must reach the null tolerance below);
//  4. a refined point with |D| < 1e-5 is a zero of the Alexander polynomial: with p the signature
//     and z the number of diagonal entries of the reduced matrix whose real part lies within
//     ±1e-5, maxSig := max(maxSig, p + z) and minSig := min(minSig, p - z).
// An inaccurate evaluation keeps the previous value of D, and a refined point whose last
// evaluation was inaccurate is never accepted as a zero, so that a partly reduced matrix never
// widens the range. CheckPause() runs after every 100th sample and before every refinement step;
// a set stop flag ends the routine at once (stopped = true).
// Preconditions: 0 <= n <= 70 (RangeError otherwise).
MuResult MuInvariant(const IntMatrix& v, int n, const std::atomic<bool>& stopRequested);

// Step 8 of the invariant sequence, run only with computeMu: shows the status "Calculate mu(K)",
// computes u = mu(K) of the working matrix, raises the lower bound to (u + 1) div 2 with the name
// "mu(K) = " + u and the code "b,", and when ltSpread div 2 > u div 2 sets the field "md" to
// "mu(K) = " + u in both tables. A stopped estimate records nothing.
// Precondition: working size 0..70.
void MuInvariantStep(KnotContext& ctx, int32_t ltSpread);

}  // namespace corvane
