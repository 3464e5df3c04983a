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

// ln|x| for x != 0; the extended type holds every 64-bit magnitude exactly.
long double LogAbs(int64_t x) {
    return std::log(std::fabs(static_cast<long double>(x)));
}

bool FitsInt64(Wide x) {
    return x >= INT64_MIN && x <= INT64_MAX;
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
    if (LogAbs(a.num) + LogAbs(b.den) >= kSumLogLimit ||
        LogAbs(a.den) + LogAbs(b.den) >= kSumLogLimit) {
        RaiseTrouble("q1q2");
        return Rational{1, 1};
    }
    const Wide num = Wide{a.num} * b.den + Wide{a.den} * b.num;
    const Wide den = Wide{a.den} * b.den;
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
    if (LogAbs(a.num) + LogAbs(b.num) >= kProductLogLimit ||
        LogAbs(a.den) + LogAbs(b.den) >= kProductLogLimit) {
        RaiseTrouble("q");
        return Rational{1, 1};
    }
    const Wide num = Wide{a.num} * b.num;
    const Wide den = Wide{a.den} * b.den;
    Rational product;
    if (!FitsInt64(num) || !FitsInt64(den) || !ReduceWide(num, den, product)) {
        RaiseTrouble("q");
        return Rational{1, 1};
    }
    return product;
}

}  // namespace

Rational RatFromInt(int64_t k) {
    return Rational{k, 1};
}

Rational RatReduce(Rational q) {
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
