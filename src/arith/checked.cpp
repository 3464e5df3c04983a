#include "arith/checked.h"

#include <cmath>

#include "arith/errors.h"

namespace corvane {

namespace {

long double AbsLd(int64_t a) {
    return std::fabs(static_cast<long double>(a));
}

}  // namespace

void RaiseTrouble(const char* code) {
    ArithTrouble = true;
    TroubleCode = std::string(code);
}

int64_t CheckedAdd(int64_t a, int64_t b) {
    constexpr int64_t kSmallA = 10'000'000'000;
    constexpr int64_t kSmallB = 1'000'000'000'000;
    if (a > -kSmallA && a < kSmallA && b > -kSmallB && b < kSmallB) return a + b;
    // The sum of two 64-bit integers has at most 65 bits and is exact in the 64-bit mantissa of
    // the extended type, so the rounding test of the extended-precision sum never fails here; the
    // exact sum is formed in 128 bits instead.
    const __int128 s = static_cast<__int128>(a) + b;
    const __int128 magnitude = s < 0 ? -s : s;
    if (magnitude <= 10'000'000'000'000) return static_cast<int64_t>(s);
    if (std::log(static_cast<long double>(magnitude) + 0.1L) > 41.0L) {
        RaiseTrouble("t");
        return 1;
    }
    return static_cast<int64_t>(s);
}

int64_t CheckedMul(int64_t a, int64_t b) {
    if (ArithTrouble) return 1;
    constexpr int64_t kSmall = 1'000'000;
    if (a > -kSmall && a < kSmall && b > -kSmall && b < kSmall) return a * b;
    if (a == 0 || b == 0) return 0;
    if (a == -1) return PlainNeg(b);
    if (a == 1) return b;
    if (b == -1) return PlainNeg(a);
    if (b == 1) return a;
    const long double logSum = std::log(AbsLd(a) + 0.1L) + std::log(AbsLd(b) + 0.1L);
    if (logSum >= 42.0L) {
        RaiseTrouble("6");
        return 1;
    }
    // Below e^42 < 2^61 the product is exact in 64 bits.
    return static_cast<int64_t>(static_cast<__int128>(a) * b);
}

int64_t CheckedDiv(int64_t a, int64_t b) {
    if (b == 0) {
        RaiseTrouble("divv");
        return 1;
    }
    if (b == -1) return PlainNeg(a);
    return a / b;
}

int64_t SymMod(int64_t a, int64_t m) {
    if (m == 0) {
        RaiseTrouble("divv");
        return 0;
    }
    m = PlainAbs(m);
    int64_t r = a % m;
    if (r > m / 2) r -= m;
    if (r < -(m / 2)) r += m;
    return r;
}

int64_t Gcd64(int64_t a, int64_t b) {
    uint64_t x = a < 0 ? 0 - static_cast<uint64_t>(a) : static_cast<uint64_t>(a);
    uint64_t y = b < 0 ? 0 - static_cast<uint64_t>(b) : static_cast<uint64_t>(b);
    while (x != 0 && y != 0) {
        if (x >= y) {
            x %= y;
        } else {
            y %= x;
        }
    }
    const uint64_t g = x == 0 ? y : x;
    if (g > static_cast<uint64_t>(INT64_MAX)) throw OverflowError("Gcd64");
    return static_cast<int64_t>(g);
}

bool IsPrime(int64_t n) {
    if (n < 2) return false;
    for (int64_t d = 2; d <= n / d; ++d) {
        if (n % d == 0) return false;
    }
    return true;
}

int64_t PlainAdd(int64_t a, int64_t b) {
    int64_t r;
    if (__builtin_add_overflow(a, b, &r)) throw OverflowError("addition");
    return r;
}

int64_t PlainSub(int64_t a, int64_t b) {
    int64_t r;
    if (__builtin_sub_overflow(a, b, &r)) throw OverflowError("subtraction");
    return r;
}

int64_t PlainMul(int64_t a, int64_t b) {
    int64_t r;
    if (__builtin_mul_overflow(a, b, &r)) throw OverflowError("multiplication");
    return r;
}

int64_t PlainNeg(int64_t a) {
    if (a == INT64_MIN) throw OverflowError("negation");
    return -a;
}

int64_t PlainAbs(int64_t a) {
    return a < 0 ? PlainNeg(a) : a;
}

int32_t ToInt32(int64_t v) {
    if (v < INT32_MIN || v > INT32_MAX) throw OverflowError("conversion to 32 bits");
    return static_cast<int32_t>(v);
}

}  // namespace corvane
