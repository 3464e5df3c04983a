// Polynomials in t with rational coefficients (exponents 0..27), Laurent polynomials (exponents
// -27..27) and vectors of up to 12 polynomials: fixed-size values for the Alexander polynomial,
// presentations and generators of the Alexander module and the Blanchfield pairing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "arith/errors.h"
#include "arith/random.h"
#include "arith/rational.h"

namespace corvane {

inline constexpr int64_t kPolyMaxDegree = 27;       // highest representable exponent
inline constexpr int64_t kPolyProductDegree = 26;   // highest degree PolyMul may produce
inline constexpr int64_t kLaurentMaxExponent = 27;  // exponents -27..27
inline constexpr int64_t kPolyVectorSize = 12;      // entries 1..12

// Σ c(i)·t^i, i = 0..27. Invariant: degree is the highest i with c(i).num != 0, or -1 for the
// zero polynomial, and every coefficient above degree is 0/1. Only numerators decide whether a
// coefficient is zero; denominators may be unreduced or negative. c(i) throws RangeError for i
// outside 0..27.
class RatPoly {
  public:
    int64_t degree = -1;

    Rational& c(int64_t i) { return coeffs_[Index(i)]; }
    const Rational& c(int64_t i) const { return coeffs_[Index(i)]; }
    bool operator==(const RatPoly&) const = default;

  private:
    static size_t Index(int64_t i) {
        if (i < 0 || i > kPolyMaxDegree) throw RangeError("RatPoly coefficient index");
        return static_cast<size_t>(i);
    }
    std::array<Rational, kPolyMaxDegree + 1> coeffs_{};
};

// Σ c(e)·t^e, e = -27..27; no stored degree. c(e) throws RangeError for e outside -27..27.
class LaurentPoly {
  public:
    Rational& c(int64_t e) { return coeffs_[Index(e)]; }
    const Rational& c(int64_t e) const { return coeffs_[Index(e)]; }
    bool operator==(const LaurentPoly&) const = default;

  private:
    static size_t Index(int64_t e) {
        if (e < -kLaurentMaxExponent || e > kLaurentMaxExponent) {
            throw RangeError("LaurentPoly exponent");
        }
        return static_cast<size_t>(e + kLaurentMaxExponent);
    }
    std::array<Rational, 2 * kLaurentMaxExponent + 1> coeffs_{};
};

// Entries v(1..12), used with a length n <= 12 carried alongside, e.g. a generator of the
// Alexander module as a column of polynomials. v(i) throws RangeError for i outside 1..12.
class PolyVector {
  public:
    RatPoly& operator()(int64_t i) { return entries_[Index(i)]; }
    const RatPoly& operator()(int64_t i) const { return entries_[Index(i)]; }
    bool operator==(const PolyVector&) const = default;

  private:
    static size_t Index(int64_t i) {
        if (i < 1 || i > kPolyVectorSize) throw RangeError("PolyVector index");
        return static_cast<size_t>(i - 1);
    }
    std::array<RatPoly, kPolyVectorSize> entries_{};
};

// 0, degree -1.
RatPoly PolyZero();
// 1, degree 0.
RatPoly PolyOne();
// The highest i in 0..27 with c(i).num != 0, or -1: the degree the invariant demands.
int64_t PolyDegree(const RatPoly& p);

// -p: every numerator negated (checked; -2^63 throws OverflowError), degree kept.
RatPoly PolyNeg(const RatPoly& p);

// a + b coefficientwise by RatAdd, each reduced; degree recomputed. Exact unless ArithTrouble
// is set afterwards.
RatPoly PolyAdd(const RatPoly& a, const RatPoly& b);

// a · b with deg(a·b) = deg a + deg b <= 26: coefficient k is Σ_{i=0..k} a_i·b_{k-i}, summed in
// increasing i by RatAdd of RatMul. A zero factor gives the zero polynomial. Degrees summing to
// more than 26 set trouble "p11maxpcoeff" and give the zero polynomial.
RatPoly PolyMul(const RatPoly& a, const RatPoly& b);

// q · t^k · p for k >= 0 (k < 0 throws RangeError), each coefficient reduced. A zero p is
// returned as it is; q = 0 or ArithTrouble already set gives the zero polynomial; deg p + k > 27
// sets trouble "p11" and gives the zero polynomial.
RatPoly PolyScaleShift(const RatPoly& p, Rational q, int64_t k);

// p / t^j for the largest j with t^j | p. The zero polynomial is returned as it is. When the
// lowest non-zero coefficient is at exponent 27 (p = c·t^27) the division is refused with
// trouble "maxpcoeff" and p is returned unchanged.
RatPoly PolyStripT(const RatPoly& p);

// Σ_{i=0..d} c(i)·t^(d-i): t^d · p(t^-1) when d >= deg p; terms above d are dropped, degree
// recomputed. d > 27 throws RangeError.
RatPoly PolyReverse(const RatPoly& p, int64_t d);

// p with integral coefficients reduced into 0..m-1 (NonNegMod of each numerator, denominators
// ignored after their signs have been moved to the numerators); degree is the highest non-zero
// residue or -1. m = -1 returns p unchanged; m = 0 throws CalculationError.
RatPoly PolyCoeffMod(const RatPoly& p, int32_t m);

// p with every negative denominator made positive by negating both fields (checked).
RatPoly PolyNormSigns(const RatPoly& p);

// Random polynomial of degree at most n: c(i) = RandomBelow(rng, m) - (m div 2) for i = 0..n,
// uniform in -(m div 2)..m-1-(m div 2); degree recomputed. n > 27 throws RangeError.
RatPoly PolyRandom(RandomGenerator& rng, int64_t n, int64_t m);

// max of v(i).degree over i = 1..n (stored degrees); -1 when n < 1.
int64_t PolyVectorMaxDegree(const PolyVector& v, int64_t n);

// 0.
LaurentPoly LaurentZero();

// t^k · p. Sets trouble "mlaurent" and gives the zero Laurent polynomial when deg p + k > 27 or
// k < -27.
LaurentPoly LaurentFromPoly(const RatPoly& p, int64_t k);

// The highest exponent e in 0..27 with c(e).num != 0, or -1; negative exponents are not read.
int64_t LaurentDegree(const LaurentPoly& L);

// L with every negative denominator made positive by negating both fields (checked).
LaurentPoly LaurentNormSigns(const LaurentPoly& L);

// Reduction of a symmetric r modulo a symmetric b with integral quotients only. With
// dr = LaurentDegree(r) >= db = LaurentDegree(b), the quotient q = -r_dr / b_db is formed
// (products checked; overflow throws OverflowError); if it is an integer, r := r + q·(t^s +
// t^-s)·b with s = dr - db (r + q·b when s = 0), which removes the top term of r and, for
// symmetric r and b, its bottom term. The loop stops at the first non-integral quotient (r as
// it then is). Result: LaurentNormSigns(r), which differs from r by a Z[t,t^-1]-multiple of b.
// Trouble during a step ends the reduction with a void result (r as
// it then is, flag set). b without a non-zero coefficient at exponents 0..27 (db = -1) admits
// no reduction step and r is returned normalised; a step that does not lower the degree of r
// (possible only with zero denominators) also ends the loop.
LaurentPoly LaurentReduce(LaurentPoly r, const LaurentPoly& b);

}  // namespace corvane
