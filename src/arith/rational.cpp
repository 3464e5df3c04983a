#include "arith/rational.h"

#include <cmath>

#include "arith/checked.h"
#include "arith/errors.h"

namespace corvane {

namespace {

using Wide = __int128;
using WideUnsigned = unsigned __int128;

constexpr int64_t kReduceDenominatorAbove = 10'000;
constexpr int64_t kSmallSumOperand = 100'000;
constexpr int64_t kSmallProductOperand = 1'000'000;
constexpr long double kSumLogLimit = 38.0L;
constexpr long double kProductLogLimit = 40.0L;

// |x| < bound for a positive bound, without forming -2^63.
bool AbsBelow(int64_t x, int64_t bound) {
    return x > -bound && x < bound;
}

bool AbsAbove(int64_t x, int64_t bound) {
    return x > bound || x < -bound;
}

// |x| as an unsigned 64-bit value, also for -2^63.
uint64_t PlainAbsWide(int64_t x) {
    return x < 0 ? 0 - static_cast<uint64_t>(x) : static_cast<uint64_t>(x);
}

// ln|x| for x != 0; the extended type holds every 64-bit magnitude exactly.
long double LogAbs(int64_t x) {
    return std::log(std::fabs(static_cast<long double>(x)));
}

// ln|x| + ln|y| >= limit for x, y != 0, decided exactly as the sum of the two 80-bit logarithms
// decides it. The logarithms err by a few units of 1e-18, so wherever the exact product |x·y|
// lies below `below` = e^limit·(1 - 1e-9) the sum is below the limit, and wherever it lies above
// `above` = e^limit·(1 + 1e-9) the sum is beyond it; only in between are the logarithms taken.
bool LogSumAtLeast(int64_t x, int64_t y, long double limit, uint64_t below, uint64_t above) {
    const unsigned __int128 product = static_cast<unsigned __int128>(PlainAbsWide(x)) *
                                      static_cast<unsigned __int128>(PlainAbsWide(y));
    if (product < below) return false;
    if (product > above) return true;
    return LogAbs(x) + LogAbs(y) >= limit;
}

// e^38 = 31855931757113756.22… and e^40 = 235385266837019985.40…, each widened by 1e-9 both ways.
constexpr uint64_t kSumLimitBelow = 31855931725257824;
constexpr uint64_t kSumLimitAbove = 31855931788969688;
constexpr uint64_t kProductLimitBelow = 235385266601634718;
constexpr uint64_t kProductLimitAbove = 235385267072405253;

bool FitsInt64(Wide x) {
    return x >= INT64_MIN && x <= INT64_MAX;
}

int64_t Narrow(Wide x) {
    return static_cast<int64_t>(x);
}

WideUnsigned AbsWide(Wide x) {
    return x < 0 ? WideUnsigned{0} - static_cast<WideUnsigned>(x) : static_cast<WideUnsigned>(x);
}

WideUnsigned GcdWide(WideUnsigned x, WideUnsigned y) {
    while (y != 0) {
        const WideUnsigned r = x % y;
        x = y;
        y = r;
    }
    return x;
}

// Lowest terms of num/den (den != 0) with a positive denominator, computed in 128 bits so that
// no sign change can overflow. False when the reduced fraction does not fit in 64 bits.
bool ReduceWide(Wide num, Wide den, Rational& out) {
    if (num == 0) {
        out = Rational{0, 1};
        return true;
    }
    const Wide g = static_cast<Wide>(GcdWide(AbsWide(num), AbsWide(den)));
    num /= g;
    den /= g;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    if (!FitsInt64(num) || !FitsInt64(den)) return false;
    out = Rational{static_cast<int64_t>(num), static_cast<int64_t>(den)};
    return true;
}

Rational ReduceLargeDenominator(Rational q) {
    return AbsAbove(q.den, kReduceDenominatorAbove) ? RatReduce(q) : q;
}

// Sum for operands beyond the small range. The logarithmic test decides which operands fail as
// the 80-bit computation would; the value itself is formed exactly, and a numerator that leaves
// 64 bits (a.den·b.num is not covered by the test) fails with the same code.
Rational AddLarge(Rational a, Rational b) {
    if (a.num == 0) return b;
    if (b.num == 0) return a;
    if (a.den == 0 || b.den == 0) {
        RaiseTrouble("r1222");
        return a;
    }
    if (SumOperandsTooLarge(a.num, b.den) || SumOperandsTooLarge(a.den, b.den)) {
        RaiseTrouble("q1q2");
        return Rational{1, 1};
    }
    const Wide num = Wide{a.num} * b.den + Wide{a.den} * b.num;
    const Wide den = Wide{a.den} * b.den;
    // An integer sum is in lowest terms as it stands (ReduceWide divides by gcd(num, 1) = 1).
    if (den == 1 && FitsInt64(num)) return num == 0 ? Rational{0, 1} : Rational{Narrow(num), 1};
    Rational sum;
    if (!FitsInt64(num) || !FitsInt64(den) || !ReduceWide(num, den, sum)) {
        RaiseTrouble("q1q2");
        return Rational{1, 1};
    }
    return sum;
}

// Product for operands beyond the small range; below the logarithmic limit e^40 both products
// fit in 64 bits, and the 128-bit test only guards that reasoning.
Rational MulLarge(Rational a, Rational b) {
    if (a.num == 0 || b.num == 0) return Rational{0, 1};
    if (a.den == 0 || b.den == 0) {
        RaiseTrouble("qprod");
        return Rational{0, 1};
    }
    if (ProductOperandsTooLarge(a.num, b.num) || ProductOperandsTooLarge(a.den, b.den)) {
        RaiseTrouble("q");
        return Rational{1, 1};
    }
    const Wide num = Wide{a.num} * b.num;
    const Wide den = Wide{a.den} * b.den;
    if (den == 1 && FitsInt64(num)) return Rational{Narrow(num), 1};
    Rational product;
    if (!FitsInt64(num) || !FitsInt64(den) || !ReduceWide(num, den, product)) {
        RaiseTrouble("q");
        return Rational{1, 1};
    }
    return product;
}

}  // namespace

bool SumOperandsTooLarge(int64_t x, int64_t y) {
    return LogSumAtLeast(x, y, kSumLogLimit, kSumLimitBelow, kSumLimitAbove);
}

bool ProductOperandsTooLarge(int64_t x, int64_t y) {
    return LogSumAtLeast(x, y, kProductLogLimit, kProductLimitBelow, kProductLimitAbove);
}

Rational RatFromInt(int64_t k) {
    return Rational{k, 1};
}

Rational RatReduce(Rational q) {
    // n/1 is in lowest terms already (and 0/1 is the zero the rest would return).
    if (q.den == 1) return q;
    if (q.num == 0) return Rational{0, 1};
    const int64_t g = Gcd64(q.num, q.den);
    if (g == 0) {
        RaiseTrouble("7");
        return q;
    }
    // g >= 1 here, so neither quotient can overflow.
    Rational r{q.num / g, q.den / g};
    if (r.den < 0) r = Rational{PlainNeg(r.num), PlainNeg(r.den)};
    return r;
}

Rational RatNeg(Rational q) {
    return Rational{PlainNeg(q.num), q.den};
}

Rational RatRecip(Rational q) {
    return Rational{q.den, q.num};
}

Rational RatAdd(Rational a, Rational b) {
    if (ArithTrouble) return Rational{1, 1};
    a = ReduceLargeDenominator(a);
    b = ReduceLargeDenominator(b);
    if (!AbsBelow(a.num, kSmallSumOperand) || !AbsBelow(a.den, kSmallSumOperand)) {
        return AddLarge(a, b);
    }
    const int64_t num = PlainAdd(PlainMul(a.num, b.den), PlainMul(a.den, b.num));
    const int64_t den = PlainMul(a.den, b.den);
    return RatReduce(Rational{num, den});
}

Rational RatMul(Rational a, Rational b) {
    if (ArithTrouble) return Rational{1, 1};
    a = ReduceLargeDenominator(a);
    b = ReduceLargeDenominator(b);
    const bool small =
        AbsBelow(a.num, kSmallProductOperand) && AbsBelow(a.den, kSmallProductOperand) &&
        AbsBelow(b.num, kSmallProductOperand) && AbsBelow(b.den, kSmallProductOperand);
    if (!small) return MulLarge(a, b);
    // Both factors are below 10^6 in absolute value, so each product is below 10^12.
    return RatReduce(Rational{a.num * b.num, a.den * b.den});
}

int64_t NonNegMod(int64_t x, int64_t m) {
    if (m == 0) throw CalculationError("division by zero in NonNegMod");
    // x mod ±1 is 0; the truncating remainder by -1 itself would overflow for x = -2^63.
    if (m == 1 || m == -1) return 0;
    const int64_t r = x % m;
    // For m > 0 the sum lies in 1..m-1; a negative m is not a modulus the callers use, but the
    // checked sum keeps it well defined.
    return r < 0 ? PlainAdd(r, m) : r;
}

}  // namespace corvane
