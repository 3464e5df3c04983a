// The shared text forms of results: polynomials and Laurent polynomials in plain text, symmetric
// polynomials and finite abelian groups in LaTeX, integer matrices in bracket notation. Numbers
// are decimal with a leading "-" for negatives and no blanks anywhere.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "arith/int_matrix.h"
#include "arith/polynomial.h"

namespace corvane {

// Σ c_j t^j in increasing j, e.g. "-1+t-t^2" and "1/2t^2"; each coefficient reduced first, a
// coefficient ±1 of t^j (j > 0) written as its sign only; "0" for the zero polynomial.
std::string PolyToText(const RatPoly& p);

// A polynomial of degree 2m with symmetric coefficients as its middle coefficient followed by
// c_(m+k)·(t^k + t^-k) for k = 1..m, e.g. "-1+(t+t^{-1})" for 1 - t + t^2 and
// "3-(t^{2}+t^{-2})"; the lower half is not read. "0" for the zero polynomial.
std::string SymmetricPolyToLatex(const RatPoly& p);

// The group ⊕ Z/|d_i| over i = 1..c with |d_i| >= 2, e.g. "Z/3+Z/5"; "0" when no order counts.
// orders[i] holds d_i (index 0 unused), so a 71-entry table of cokernel orders can be passed
// directly; c >= orders.size() throws RangeError.
std::string GroupToText(std::span<const int64_t> orders, int64_t c);

// The same group for LaTeX math mode: "\mathbb{Z}_{3}\oplus \mathbb{Z}_{5}"; "0" when empty.
std::string GroupToLatex(std::span<const int64_t> orders, int64_t c);

// PolyToText and SymmetricPolyToLatex for an integer polynomial of any degree and coefficient
// size, given by its coefficients c_0..c_d in decimal (a leading "-" for negatives, "0" for zero
// coefficients); "0" when there is none or all are zero.
std::string IntegerPolyToText(std::span<const std::string> c);
std::string SymmetricIntegerPolyToLatex(std::span<const std::string> c);

// GroupToText and GroupToLatex for orders given in decimal (non-negative), each order >= 2 in the
// order given.
std::string DecimalGroupToText(std::span<const std::string> orders);
std::string DecimalGroupToLatex(std::span<const std::string> orders);

// The n × n block of m as "[[m11,...,m1n],...,[mn1,...,mnn]]"; "[]" for n = 0.
std::string MatrixToText(const IntMatrix& m, int n);

// Σ c_e t^e in increasing e = -27..27, with the rules of PolyToText and "t^-3" for negative
// exponents, e.g. "3t^-1-5+3t"; "0" when every coefficient is zero.
std::string LaurentText(const LaurentPoly& L);

// "(" + PolyToText(v(1)) + "," + ... + PolyToText(v(n)) + ")"; "()" for n = 0.
std::string PolyVectorText(const PolyVector& v, int64_t n);

// A number behind its two-letter field code, with a blank before a non-negative value so that
// the signs of a column line up: SignedField("dt", 3) is "dt 3", SignedField("si", -2) "si-2".
std::string SignedField(std::string_view code, int64_t value);

}  // namespace corvane
