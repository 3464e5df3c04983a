// The independent check of the certificates that the results carry for their bounds on the
// algebraic unknotting number. It shares no code with the searches that find the bounds: it reads
// the certificate as JSON and replays it in FLINT's exact integer and polynomial arithmetic.
#pragma once

#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace corvane {

// A JSON value read with every integer kept exactly: integers beyond 64 bits become strings of
// their decimal digits. Null when the text is not JSON.
nlohmann::ordered_json ParseJsonExactly(const std::string& text);

// The verdict on one knot: empty when every claimed bound is certified, otherwise one line per
// bound that is not, saying why.
struct CertificateVerdict {
    std::vector<std::string> failures;
    bool ok() const { return failures.empty(); }
};

// Checks the bounds of one JSON Lines object (a knot of a results file) against its
// certificates. Postconditions of an accepted knot, with V its minimal_matrix:
//  - V - Vᵀ is unimodular (V is a knot's Seifert matrix);
//  - upper bound 0: V is empty (Alexander polynomial 1);
//  - upper bound k > 0 by moves: the certificate lists 1 to k moves; the first acts on V (on
//    Pᵀ·V·P when the certificate gives a congruence P, which must be unimodular), each
//    later one on the matrix the previous one left after its reduction; every move carries a
//    unimodular Q and an iterated enlargement X of its matrix with Qᵀ·X'·Q = M (X' = X or Xᵀ) in
//    the shape of a move (M11 = ±1, M1s = 0 for s >= 2, M21 = 1, Ms1 = 0 for s >= 3), so that
//    setting M11 := 0 gives a matrix S-equivalent to the lower-right block W of M; every
//    reduction pass carries a unimodular U with Uᵀ·W·U of last column zero and last row
//    (0, ..., 0, ±1, 0), whose upper-left block is S-equivalent to W; the last move leaves the
//    empty matrix, and its W has det(tW - Wᵀ) = ±t^j;
//  - upper bound 1 by the Blanchfield pairing: y = u·x for the listed column x and polynomial u
//    has Bl(y, y) = (t - 1)·y(t⁻¹)ᵀ(tV - Vᵀ)⁻¹y(t) ≡ ±1/Δ_s modulo Λ, Δ_s the symmetric Alexander
//    polynomial of the results, itself det(tV - Vᵀ) up to ±t^j;
//  - lower bound 1 by the Alexander polynomial: det(tV - Vᵀ) is not ±t^j;
//  - lower bound by the signature: |sign(V + Vᵀ)| / 2 >= the bound, the signature computed
//    exactly from the characteristic polynomial (all roots real: Descartes' rule is exact);
//  - lower bound by the Wendt criterion: the number of invariant factors of V + Vᵀ other than ±1
//    (the generators of H_1 of the 2-fold branched cover) >= the bound;
//  - lower bound n + 1 by the linking form: for every listed odd prime p, p^(k·n) exactly divides
//    D = |det(V + Vᵀ)|, the n listed vectors have order dividing p^k in coker(V + Vᵀ) and
//    M = (p^k·y_iᵀ(V + Vᵀ)⁻¹y_j) has det M prime to p, and (det M / p) differs from
//    (2ⁿ·s·D/p^(kn) / p) for every sign s = (-1)^((n - b)/2) of an admissible b = sign B
//    (b = σ + a, a in {-n, -n+2, ..., n}, |b| <= n), each s at one listed prime at least;
//  - lower bound 3 by the Stoimenow condition: sign(V + Vᵀ) = ±4 and D a perfect square without
//    a prime factor ≡ 3 (mod 4), both as stated;
//  - lower bound r by the Alexander module over F_p: p prime, the stated f irreducible over F_p
//    and not t, and tV - Vᵀ of nullity exactly r over F_p[t]/(f), r >= the bound;
//  - lower bound by signatures and nullities on the unit circle: at every listed point the stated
//    σ and η are those of τS - iK (S = V + Vᵀ, K = V - Vᵀ, ω = (1 + iτ)/(1 - iτ)): at a rational
//    τ > 0 exactly by Descartes' rule; at a root, given by an irreducible factor m of
//    det [[τS, K], [-K, τS]] and an interval [lo, hi] in which m changes sign and the square-free
//    part of that determinant has no other root (a Taylor bound on its derivative), with η from
//    the rank of m(A) and σ the mean of σ(lo) and σ(hi), the root being semisimple (its
//    multiplicity in the determinant equals 2η); and max(0, max (η + σ)/2) +
//    max(0, max (η - σ)/2) over the points >= the bound;
//  - the bounds on the Nakanishi index under "nakanishi" (certificate_check_nakanishi.h):
//    upper U: the listed x_1..x_c, c <= U, and polynomials a_jk and columns y_j with
//    t^s·e_j = Σ_k a_jk·x_k + (tV - Vᵀ)·y_j exactly, so the x_k generate the Alexander module
//    (or V has Alexander polynomial 1); lower 1: det(tV - Vᵀ) is not ±t^j; lower L: an
//    irreducible f ≠ t over F_p with tV - Vᵀ of nullity >= L over F_p[t]/(f), or
//    N - rank_p(V + Vᵀ) >= L (H_1(L_2) ⊗ F_p), or ⌈r/(d - 1)⌉ >= L with r = N·d - rank_p of the
//    N·d × N·d matrix V ⊗ C - Vᵀ ⊗ I_d (H_1(L_d) ⊗ F_p, C the cyclic shift), as stated.
// Knots that are pending or carry no bounds pass; a bound without a certificate this check can
// replay fails.
//
// The Seifert matrix of a changed diagram (crossing changes followed by moves) comes from
// `diagramMatrix`, the reader's construction passed in from above: the matrix text of the PD
// code, or empty when it has none. Without it such a certificate fails.
using DiagramMatrixText = std::string (*)(const std::vector<std::array<int64_t, 4>>& pd);
CertificateVerdict CheckKnotCertificates(const nlohmann::ordered_json& knot,
                                         DiagramMatrixText diagramMatrix = nullptr);

}  // namespace corvane
