// Algebraic unknotting number 1 through the Blanchfield pairing. u_a(K) is the least size of a
// Hermitian matrix A(t) over Λ = Z[t,t⁻¹] that presents the Blanchfield pairing and has A(1)
// diagonalisable over Z (Borodzik–Friedl). For size 1 that says: some element y of the Alexander
// module has Bl(y, y) = ±1/Δ. Given an element x with Bl(x, x) = f/Δ, the search looks for a
// polynomial u with u(t)·u(t⁻¹)·f ≡ ±1 modulo Δ; then y = u·x has Bl(y, y) = ±1/Δ, u is a unit
// of Λ/(Δ), and u_a(K) = 1.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace corvane {

class KnotContext;

// The knot's detectedBy when this search gives its upper bound 1 (the trailing blank as for an
// unknotting move).
inline constexpr const char* kBlanchfieldUnitName = "Blanchfield pairing ";

// Candidates u tried, at most, for unknotting effort 0..3.
int64_t NormUnitBudget(int32_t effort);

// The search itself, on integer coefficients listed from the lowest exponent up: f is the
// Laurent polynomial t^fLow·(f[0] + f[1]·t + ...), delta the Alexander polynomial from t^0 up
// (delta[0] != 0, degree d >= 2, content 1, Δ(1) = ±1). Tries u = (1 - t)^k·g for k = 0, 1, -1,
// 2, -2 ((1 - t)⁻¹ is the unit (Δ - Δ(1))/(t - 1) up to sign) and g = g_0 + ... + g_(d-1)·t^(d-1)
// with g_0 > 0 (−g and t^j·g give the same product) and coefficients in -B..B for B = 1, 2, ...,
// each g once, until `budget` vectors of the boxes are spent (the inner boxes passed over count
// too); a cheap test at t = -1 modulo Δ(-1) comes before the exact division. keepGoing, when given,
// is asked every 4096 candidates and ends the search when it returns false. The first u found, or
// nullopt.
std::optional<std::vector<int64_t>> FindNormUnit(const std::vector<int64_t>& f, int64_t fLow,
                                                 const std::vector<int64_t>& delta, int64_t budget,
                                                 const std::function<bool()>& keepGoing = {});

// The step of the current knot: while its lower bound is 1 and its upper bound is not, and a
// generator of its cyclic Alexander module with its pairing is known, FindNormUnit with
// NormUnitBudget; a unit found sets upperBound := 1, detectedBy := kBlanchfieldUnitName and
// the certificate {"method": "blanchfield", "generator": x, "unit": u}.
void BlanchfieldUnitStep(KnotContext& ctx);

}  // namespace corvane
