// Exact rational numbers as fractions of two signed 64-bit integers, the coefficients of every
// polynomial of the system. Sums and products stay exact or report trouble ("q1q2", "q", ...)
// through ArithTrouble; checked 64-bit overflow on the small-operand paths throws OverflowError.
#pragma once

#include <cstdint>

namespace corvane {

// num/den. Values are not kept reduced at all times: a stored value may carry a negative or
// non-coprime denominator until it is reduced. The default value is 0/1.
struct Rational {
    int64_t num = 0;
    int64_t den = 1;
    // Equality of the two fields, not of the values: 1/2 and 2/4 differ here.
    bool operator==(const Rational&) const = default;
};

// k/1.
Rational RatFromInt(int64_t k);

// Lowest terms with a positive denominator: 0 becomes 0/1, otherwise num/g over den/g with
// g = gcd(|num|, |den|), both negated when den < 0. A gcd of 0 (impossible for num != 0) sets
// trouble "7" and returns q unchanged. Throws OverflowError when a sign change leaves 64 bits
// and when the gcd is 2^63.
Rational RatReduce(Rational q);

// -num/den; throws OverflowError for num = -2^63.
Rational RatNeg(Rational q);

// den/num: the fields exchanged without a test, so 0/d becomes d/0. The sum and product report
// such a zero denominator on their large-operand paths.
Rational RatRecip(Rational q);

// a + b in lowest terms.
// - While ArithTrouble is set: 1/1, nothing computed.
// - An operand with |den| > 10000 is reduced first.
// - Small first operand (|a.num|, |a.den| < 10^5; b is not tested): (a.num·b.den + a.den·b.num)
//   over a.den·b.den in checked 64-bit arithmetic, reduced; overflow throws OverflowError.
// - Otherwise: a zero numerator returns the other operand as it is (not reduced); a zero
//   denominator returns a with trouble "r1222"; if ln|a.num| + ln|b.den| >= 38 or
//   ln|a.den| + ln|b.den| >= 38 the result is 1/1 with trouble "q1q2". Else the exact sum is
//   formed in 128 bits; if its numerator or denominator does not fit in 64 bits (possible
//   because a.den·b.num is not bounded by the test) the result is 1/1 with trouble "q1q2".
// Every value returned without trouble equals a + b exactly.
Rational RatAdd(Rational a, Rational b);

// a · b in lowest terms.
// - While ArithTrouble is set: 1/1.
// - An operand with |den| > 10000 is reduced first.
// - All four of |a.num|, |a.den|, |b.num|, |b.den| < 10^6: the product of numerators over the
//   product of denominators, reduced.
// - Otherwise: a zero numerator gives 0/1; a zero denominator gives 0/1 with trouble "qprod";
//   if ln|a.num| + ln|b.num| >= 40 or ln|a.den| + ln|b.den| >= 40 the product is refused with
//   trouble "q" and the harmless value 1/1 is returned (callers abandon the computation once
//   the flag is set). Else the exact product (below e^40 < 2^58) is formed in 128 bits.
// Every value returned without trouble equals a · b exactly.
Rational RatMul(Rational a, Rational b);

// ln|x| + ln|y| >= 38 for x, y != 0, decided exactly as RatAdd decides that its operands are too
// large (from the 80-bit logarithms).
bool SumOperandsTooLarge(int64_t x, int64_t y);
// ln|x| + ln|y| >= 40 for x, y != 0, decided exactly as RatMul decides that its operands are too
// large.
bool ProductOperandsTooLarge(int64_t x, int64_t y);

// The residue of x modulo m by the truncating remainder, with m added once when the remainder
// is negative: in 0..m-1 for m > 0. Throws CalculationError for m = 0.
int64_t NonNegMod(int64_t x, int64_t m);

}  // namespace corvane
