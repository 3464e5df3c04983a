// The signature-nullity bound on the algebraic unknotting number: with σ(ω) and η(ω) the signature
// and nullity of (1 - ω)V + (1 - ω̄)Vᵀ on the unit circle,
//     u_a >= max(0, max_ω (η(ω) + σ(ω))/2) + max(0, max_ω (η(ω) - σ(ω))/2),
// evaluated exactly at the roots of the Alexander polynomial on the circle and once on every arc
// between them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "arith/int_matrix.h"

namespace corvane {

// The name under which the bound is "detected by".
inline constexpr const char* kSignatureNullityName = "signature-nullity";

// Seifert matrices beyond this size are not evaluated.
inline constexpr int kSignatureNullityMaxSize = 24;

// A point ω = (1 + iτ)/(1 - iτ) of the upper half circle, τ = tan(θ/2) > 0 (θ in (0, π)): there
// (1 - ω)V + (1 - ω̄)Vᵀ = sin θ·(τS - iK), S = V + Vᵀ, K = V - Vᵀ, so σ and η are those of the
// Hermitian τS - iK; the lower half circle repeats them conjugated. An arc point has a rational
// τ = lo (a text "a/b" or "a"); a root of Δ has the irreducible integer factor `factor` of
// det N(τ), N(τ) = [[τS, K], [-K, τS]] the real form of τS - iK (coefficients from τ^0 up), of
// which it is the only root in [lo, hi].
struct CirclePoint {
    std::vector<std::string> factor;
    std::string lo;
    std::string hi;
    int32_t signature = 0;
    int32_t nullity = 0;
};

struct SignatureNullityResult {
    bool decided = false;  // the evaluation completed
    int32_t bound = 0;
    CirclePoint plus;   // a point of largest (η + σ)/2
    CirclePoint minus;  // a point of largest (η - σ)/2
};

// The bound for the n × n Seifert matrix V (1 <= n <= kSignatureNullityMaxSize, otherwise not
// decided). det N(τ) = |det(τS - iK)|² is interpolated exactly from its values at τ = 0..2n and
// factored over Z; the positive roots of each irreducible factor m are isolated by Sturm
// sequences and bisection into [lo, hi] with P(lo)·P(hi) ≠ 0 for the square-free part P of det N
// and |P'(c)| > Σ_{k>=1} |P'^{(k)}(c)/k!|·r^k (c the midpoint, r the half width), so that P has
// no other root there. Arc values: σ at the rational points lo of the first root and hi of each
// root (τ = 1 without roots), exactly (Descartes on the characteristic polynomial, ExactSignature),
// η = 0. A root τ0 of m counts when it is semisimple: the geometric multiplicity
// g = (2n - rank m(A))/deg m of A = -diag(S, S)⁻¹·[[0, K], [-K, 0]] at τ0 equals the exponent e of
// m in det N; then the zero eigenvalues of N leave τ0 with the non-zero speeds of S on the kernel
// and σ(τ0) = (σ(lo) + σ(hi))/2, η(τ0) = g/2. Other roots are passed over (the bound stays valid
// over fewer points).
SignatureNullityResult SignatureNullityBound(const IntMatrix& v, int n);

}  // namespace corvane
