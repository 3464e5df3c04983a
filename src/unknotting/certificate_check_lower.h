// The certificate check of the lower bounds that rest on more than one invariant: the linking form
// of the 2-fold branched cover, the Alexander module over a finite field, the Stoimenow condition
// and the signatures of the Seifert form on the unit circle. Each routine recomputes what the
// certificate states from the knot's Seifert matrix V in exact arithmetic and returns the bound
// the stated data prove, or a reason why they prove nothing.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "unknotting/certificate_check_matrix.h"

namespace corvane::checker {

// The bound a certificate proves (u_a >= proven), or proven = -1 and `why` when it proves nothing.
struct LowerProof {
    int64_t proven = -1;
    std::string why;
};

// {"obstruction": "linking form", "moves": n, "primes": [{"prime": p, "generators": [y_1..y_n]},
// ...]}: u_a > n. With C = V + Vᵀ, D = |det C|, σ = sign C and λ(x, y) = xᵀC⁻¹y mod 1 the linking
// form of the 2-fold branched cover: u_a <= n gives a symmetric integer n × n matrix B with
// |det B| = D, sign B = σ + a for some a in {-n, -n+2, ..., n}, and λ isometric to 2·B⁻¹ on
// Zⁿ/BZⁿ. For every listed odd prime p the check confirms that y_1..y_n (vectors of Z^rows) have
// order dividing p^k, k = v_p(D)/n, and that M = (p^k·y_iᵀC⁻¹y_j) is an integer matrix with
// det M prime to p; then the y_i generate the whole p-part of H_1, (Z/p^k)ⁿ, and B = p^k·B' with
// det B' = s·D/p^(kn), s = ±1 the sign of det B. An isometry forces the Legendre symbols
// (det M / p) = (2ⁿ·s·D/p^(kn) / p); the obstruction holds when every sign s that some admissible
// sign B gives, s = (-1)^((n - sign B)/2), fails this at one of the listed primes.
LowerProof CheckLinkingFormCertificate(const Matrix& v, const nlohmann::ordered_json& certificate);

// {"obstruction": "stoimenow", "signature": σ, "determinant": D}: u_a >= 3 when σ = sign(V + Vᵀ)
// is ±4 and D = |det(V + Vᵀ)| is a perfect square with no prime factor ≡ 3 (mod 4) (Stoimenow:
// two moves of the same sign then cannot reach a definite B of the linking form's parity).
LowerProof CheckStoimenowCertificate(const Matrix& v, const nlohmann::ordered_json& certificate);

// {"obstruction": "alexander module", "prime": p, "factor": [f_0, ..., f_d], "nullity": r}: f is
// irreducible over F_p with f(0) ≠ 0, and tV - Vᵀ has nullity r over F_q = F_p[t]/(f). Since
// tV - Vᵀ presents the Alexander module A over Λ = Z[t, t⁻¹], A ⊗ F_q has dimension r, so A needs
// r generators, and u_a, which bounds the number of generators (Nakanishi), is at least r.
LowerProof CheckAlexanderModuleCertificate(const Matrix& v,
                                           const nlohmann::ordered_json& certificate);

// {"obstruction": "signature-nullity", "points": [...]}: u_a >= max(0, max (η + σ)/2) +
// max(0, max (η - σ)/2) over the listed points of the unit circle, σ and η the signature and
// nullity of (1 - ω)V + (1 - ω̄)Vᵀ, which for ω = (1 + iτ)/(1 - iτ), τ > 0, are those of the
// Hermitian τS - iK (S = V + Vᵀ, K = V - Vᵀ), or half those of its real form
// N(τ) = [[τS, K], [-K, τS]]. A point is
//  - {"tau": "a/b", "signature": σ, "nullity": η}: checked on the integer matrix b·N(a/b) by
//    Descartes' rule on its characteristic polynomial (every root real), zero roots counted by
//    the lowest non-zero coefficient;
//  - {"factor": [m_0, ...], "interval": ["lo", "hi"], "signature": σ, "nullity": η}: m is
//    irreducible over Z, 0 < lo < hi, m(lo)·m(hi) < 0, so m has a root τ0 in (lo, hi); m divides
//    det N(τ) exactly e >= 1 times; the square-free part P of det N is non-zero at lo and hi and
//    P' is bounded away from 0 on [lo, hi] (its Taylor expansion at the midpoint c with radius r:
//    |P'(c)| > Σ_{k>=1} |P'^{(k)}(c)/k!|·r^k), so τ0 is the only root of det N there and lo, hi lie
//    on the arcs beside it; the nullity of N(τ0) is g = (2n - rank m(A))/deg m for
//    A = -diag(S, S)⁻¹·[[0, K], [-K, 0]] (dim ker m(A) counts every conjugate root of m), η = g/2;
//    g = e says that τ0 is semisimple, so S is non-degenerate on ker N(τ0), the zero eigenvalues
//    leave τ0 with non-zero speeds of opposite signs on the two sides, and
//    σ(τ0) = (σ(lo) + σ(hi))/2.
LowerProof CheckSignatureNullityCertificate(const Matrix& v,
                                            const nlohmann::ordered_json& certificate);

}  // namespace corvane::checker
