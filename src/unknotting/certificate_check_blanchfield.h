// The check of an upper bound 1 from the Blanchfield pairing, on its own: the certificate names
// a column x of polynomials and a polynomial u, and the check computes Bl(u·x, u·x) from the
// knot's matrix alone.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "unknotting/certificate_check_matrix.h"

namespace corvane::checker {

// {"method": "blanchfield", "generator": [[c_0, c_1, ...], ...], "unit": [c_0, ...]}: with
// y = u·x (n polynomials, coefficients from t^0 up) and A = tV - Vᵀ, the pairing
// Bl(y, y) = (t - 1)·y(t⁻¹)ᵀ·A⁻¹·y(t) is ±1/Δ_s modulo Λ, where Δ_s = t^-g·Δ is the symmetric
// Alexander polynomial of the results (degree 2g), which must equal det A up to ±t^j. By
// Borodzik–Friedl, a 1 × 1 Hermitian presentation of the Blanchfield pairing then exists and
// u_a(K) <= 1. Empty when the certificate holds, otherwise why not.
std::string CheckBlanchfieldUnit(const Matrix& v, const json& certificate, const json& alexander);

}  // namespace corvane::checker
