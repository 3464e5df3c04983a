// The Mahler measure of a reciprocal integer polynomial, such as an Alexander polynomial, through
// the roots of its half-degree trace polynomial q with t^{-e}·r(t) = q(t + 1/t), certified by
// inclusion disks; the route through all the roots (mahler_roots.h) takes every other polynomial.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "invariants/mahler_roots.h"

namespace corvane {

// m(p) = ln|c_d| + Σ ln max(1, |α|) over the roots α of p = Σ c_j·t^j (with multiplicity), for
// p = t^k·r with r of degree <= 128 reciprocal (c_j = c_{d-j}) or anti-reciprocal
// (c_j = -c_{d-j}, then r = (t - 1)·r' with r' reciprocal). A reciprocal r of degree 2e is
// t^e·q(t + 1/t) with q of degree e: the cyclotomic factors are divided out of q exactly (they
// contribute exactly 0, so a product of them and t^k, times ±1, gives exactly 0), and each other
// root x of q, found by Aberth's iteration in double precision and Newton steps in 80 bits,
// contributes ln max(|α|, 1/|α|) for the roots α, 1/α of t² - x·t + 1. The roots are certified by
// disjoint inclusion disks, and the value is given only when their radii bound its error by
// 4e-16·max(1, |m|). nullopt otherwise: p not of this form, a coefficient of q beyond 128 bits,
// the iteration not converging within maxSweeps sweeps (q of degree <= 2 needs none), multiple or
// clustered roots of q, or roots of q near ±2 (roots of p near ±1 off the circle) not resolved to
// that accuracy; GeneralMahlerMeasure then applies.
// Preconditions: none on c, which runs from t^0 up with zeros at either end allowed; the zero
// polynomial and the empty list give 0.
std::optional<long double> ReciprocalMahlerMeasure(std::span<const int64_t> c,
                                                   int maxSweeps = kAberthSweeps);

}  // namespace corvane
