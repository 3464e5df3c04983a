// The certificate check of the bounds on the Nakanishi index m(K), the least number of generators
// of the Alexander module H = Λ^N/(tV - Vᵀ)Λ^N over Λ = Z[t, t⁻¹]. It recomputes what each
// certificate states from the knot's Seifert matrix V in FLINT's exact integer, modular and
// polynomial arithmetic, and shares nothing with the searches that found the bounds.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "unknotting/certificate_check_matrix.h"

namespace corvane::checker {

// The failures of the "nakanishi" object {"lower": L, "upper": U, "certificate": {"lower": ...,
// "upper": ...}} of a knot with minimal matrix V (V - Vᵀ unimodular, checked by the caller), one
// line per bound that its certificate does not prove ("nakanishi lower bound 2: ..."); empty
// when every stated bound is proved. A bound without a certificate fails. Postconditions of an
// accepted bound:
//  - upper U by {"method": "generators", "shift": s, "generators": [x_1..x_c], "coefficients":
//    [[a_j1..a_jc] for j = 1..N], "relations": [y_1..y_N]} (polynomials as coefficients from t⁰
//    up, x_k and y_j columns of N of them, 0 <= s): c <= U and [tV - Vᵀ | X]·[Y; A] = t^s·I_N
//    exactly over Z[t] (A the c × N matrix (a_jk)ᵀ), i.e. t^s·e_j = Σ_k a_jk·x_k + (tV - Vᵀ)·y_j;
//    t^s being a unit of Λ, the x_k generate H;
//  - upper U by {"method": "trivial"}: V is empty or det(tV - Vᵀ) = ±t^j (then tV - Vᵀ is
//    invertible over Λ and H = 0);
//  - lower 1 by {"obstruction": "alexander"}: det(tV - Vᵀ) is not ±t^j, so H ≠ 0;
//  - lower L by {"obstruction": "alexander module", ...}: as CheckAlexanderModuleCertificate
//    states, nullity r >= L of tV - Vᵀ over F_p[t]/(f): H ⊗ F_p[t]/(f) has dimension r;
//  - lower L by {"obstruction": "double cover", "generators": k[, "prime": p]}: k >= L, and with
//    a prime, k = N - rank (V + Vᵀ) over F_p; without one, k invariant factors of V + Vᵀ are not
//    ±1. H_1(L_2) = H/(t + 1)H, presented by V + Vᵀ, then needs k generators as a group, and as a
//    quotient of (Λ/(t + 1))^m = Z^m it has at most m(K);
//  - lower L by {"obstruction": "cyclic cover", "degree": d, "prime": p, "dimension": r}:
//    2 <= d, p prime, r = N·d - rank over F_p of the N·d × N·d matrix V ⊗ C - Vᵀ ⊗ I_d (C the
//    cyclic shift of Z^d: multiplication by t on Z[t]/(t^d - 1)), and ⌈r/(d - 1)⌉ >= L. That
//    matrix presents H/(t^d - 1)H, which is H_1(L_d) (t - 1 acts invertibly on H since
//    Δ(1) = ±1, so (t^d - 1)H = (1 + t + ... + t^(d-1))H); a quotient of (Λ/(1 + ... + t^(d-1)))^m,
//    free abelian of rank m(d - 1), so r <= m(K)·(d - 1).
std::vector<std::string> CheckNakanishiCertificates(const Matrix& v,
                                                    const nlohmann::ordered_json& nakanishi);

}  // namespace corvane::checker
