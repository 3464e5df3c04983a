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

}  // namespace corvane::checker
