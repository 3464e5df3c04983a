// Certificates of the bounds on the algebraic unknotting number, as the JSON texts a knot's record
// carries into the results: the evidence from which an independent check (certificate_check.h)
// replays each bound without repeating any search.
#pragma once

#include <cstdint>
#include <string>

#include "knot/knot_context.h"
#include "knot/knot_record.h"
#include "unknotting/move_search.h"

namespace corvane {

// {"method": "moves", "moves": [...]}: for every move of the sequence, in order, its matrix L
// ("given"), the enlargement X ("enlarged"), whether the move acts on Xᵀ ("transposed"), the
// unimodular Q ("basis") with Qᵀ·X'·Q = M ("move_matrix"), and the reduction passes U of the
// remainder W (MinimalSEquivalent's evidence), whose last reduced matrix is the next move's L.
// With a congruence P ("congruence", before the moves), the first move acts on Pᵀ·V·P.
// Empty when a reduction pass cannot be recorded within 64 bits.
std::string MoveSequenceCertificate(const MoveSequence& sequence);

// {"seifert_matrix": S, "reduction": [U, ...], "moves": [...]}: the n × n Seifert matrix S of a
// diagram, the passes of MinimalSEquivalent that take it to its minimal matrix, and a sequence of
// moves from that matrix (as in MoveSequenceCertificate, without congruence). Empty when a pass
// or a move cannot be recorded.
std::string ReducedMovesCertificate(const IntMatrix& s, int n, const MoveSequence& sequence);

// {"method": "trivial"}: the minimal matrix is empty, so the Alexander polynomial is 1 and u_a = 0.
std::string TrivialKnotCertificate();

// The certificate of the knot's lower bound L, the first of these that reaches it: the Alexander
// polynomial (L = 1), the signature |σ|/2, the number of generators of H_1 of the 2-fold branched
// cover (Wendt), and, from V (n × n, its minimal matrix; n < 0 when it does not fit 64 bits),
// the linking form of the 2-fold branched cover at odd primes against L - 1 moves
// (LinkingFormCertificate), the Stoimenow condition (L = 3), the Alexander module over F_p
// (AlexanderModuleCertificate, p in kPrimeList), the signatures and nullities on the unit circle
// (SignatureNullityCertificate, which also certifies the sampled Levine-Tristram bounds: it is at
// least (σ_max - σ_min)/2 and max |σ_ω|/2). Otherwise the name of the obstruction that found
// the bound, which the check cannot replay. Empty when the lower bound is 0.
std::string LowerBoundCertificate(const KnotRecord& knot, const IntMatrix& v, int n);

// {"obstruction": "linking form", "moves": m, "primes": [{"prime": p, "generators": [...]}]}
// proving u_a > m (certificate_check_lower.h): for each odd prime p whose part of
// H_1(L_2) = coker(V + Vᵀ) is (Z/p^k)^m, generators of that part, as many primes as needed to
// exclude both signs of det B that the signature admits. Empty when the primes do not suffice or
// the arithmetic leaves 64 bits.
std::string LinkingFormCertificate(const IntMatrix& v, int n, int moves, int32_t signature);

// {"obstruction": "alexander module", "prime": p, "factor": f, "nullity": r}: the irreducible
// factor f ≠ t of det(tV - Vᵀ) over F_p at which tV - Vᵀ has the largest nullity r; empty when
// r < bound.
std::string AlexanderModuleCertificate(const IntMatrix& v, int n, int p, int bound);

// {"obstruction": "signature-nullity", "points": [...]} (certificate_check_lower.h): the points
// of largest (η + σ)/2 and (η - σ)/2 that SignatureNullityBound found; empty when its bound is
// below `bound` or it was not decided.
std::string SignatureNullityCertificate(const IntMatrix& v, int n, int bound);

// The certificates of the knot's bounds on the Nakanishi index m(K), as the JSON text
// {"lower": ..., "upper": ...} (null where a bound has none; empty when neither has one), on V
// (n × n, its minimal matrix; n < 0 when it does not fit 64 bits):
//  - upper m(K) <= c: {"method": "generators", "shift": s, "generators": [x_1..x_c],
//    "coefficients": [[a_11..a_1c], ..., [a_N1..a_Nc]], "relations": [y_1..y_N]}, columns x_k
//    and y_j of N polynomials and polynomials a_jk, each as its coefficients from t⁰ up, with
//    t^s·e_j = Σ_k a_jk·x_k + (tV - Vᵀ)·y_j for every standard basis vector e_j: the x_k generate
//    H = Λ^N/(tV - Vᵀ)Λ^N. Made from the search's generators and forward transform by solving for
//    the y_j exactly; {"method": "trivial"} for the empty matrix;
//  - lower 1: {"obstruction": "alexander"} (Δ ≠ 1, so H ≠ 0);
//  - lower k, the first that reaches k of:
//    {"obstruction": "double cover", "prime": p, "generators": k} (H_1(L_2) ⊗ F_p =
//    coker(V + Vᵀ) ⊗ F_p of dimension k);
//    the Alexander module over F_p (AlexanderModuleCertificate) for a prime p < 200;
//    {"obstruction": "cyclic cover", "degree": d, "prime": p, "dimension": r} (H_1(L_d) ⊗ F_p of
//    dimension r, m(K) >= ⌈r/(d - 1)⌉) for the degree named by `source`, then the Alexander
//    module at the primes dividing |H_1(L_d)| (where a search found no single generator of
//    H_1(L_d) over Z[t]/(t^d - 1), one of them has a factor f | t^d - 1 of nullity 2), then the
//    cyclic covers of degrees 3..20;
//    for a matrix beyond 64 bits whose bound came from H_1(L_2), {"obstruction": "double cover",
//    "generators": k} (the check counts the invariant factors);
//    otherwise {"obstruction": source}, which the check cannot replay.
std::string NakanishiCertificate(const KnotRecord& knot, const IntMatrix& v, int n,
                                 const ModuleGenerators& generators, const std::string& source);

}  // namespace corvane
