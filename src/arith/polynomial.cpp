#include "arith/polynomial.h"

#include <algorithm>

#include "arith/checked.h"

namespace corvane {

namespace {

Rational NormSign(Rational q) {
    return q.den < 0 ? Rational{PlainNeg(q.num), PlainNeg(q.den)} : q;
}

// Narrows a 128-bit intermediate that the checked 64-bit arithmetic must hold.
int64_t CheckedNarrow(__int128 x, const char* where) {
    if (x < INT64_MIN || x > INT64_MAX) throw OverflowError(where);
    return static_cast<int64_t>(x);
}

// -r_top / b_top as a reduced fraction; the two cross products are checked 64-bit values.
Rational ReductionQuotient(Rational rTop, Rational bTop) {
    const int64_t num = CheckedNarrow(-(__int128{rTop.num} * bTop.den), "LaurentReduce quotient");
    const int64_t den = CheckedNarrow(__int128{rTop.den} * bTop.num, "LaurentReduce quotient");
    return RatReduce(Rational{num, den});
}

// r := r + q·t^shift·b over the exponents -db..db of b.
void AddShiftedMultiple(LaurentPoly& r, Rational q, const LaurentPoly& b, int64_t db,
                        int64_t shift) {
    for (int64_t j = -db; j <= db; ++j) {
        r.c(j + shift) = RatAdd(r.c(j + shift), RatMul(q, b.c(j)));
    }
}

}  // namespace

RatPoly PolyZero() {
    return RatPoly{};
}

RatPoly PolyOne() {
    RatPoly p;
    p.c(0) = Rational{1, 1};
    p.degree = 0;
    return p;
}

int64_t PolyDegree(const RatPoly& p) {
    for (int64_t i = kPolyMaxDegree; i >= 0; --i) {
        if (p.c(i).num != 0) return i;
    }
    return -1;
}

RatPoly PolyNeg(const RatPoly& p) {
    RatPoly r = p;
    for (int64_t i = 0; i <= kPolyMaxDegree; ++i) r.c(i).num = PlainNeg(p.c(i).num);
    return r;
}

RatPoly PolyAdd(const RatPoly& a, const RatPoly& b) {
    RatPoly r;
    for (int64_t i = 0; i <= kPolyMaxDegree; ++i) {
        // Two zero coefficients (any denominators) add to 0/1, r's coefficient already; while
        // ArithTrouble is clear that sum raises nothing, and once set RatAdd answers 1/1.
        if (a.c(i).num == 0 && b.c(i).num == 0 && !ArithTrouble) continue;
        r.c(i) = RatReduce(RatAdd(a.c(i), b.c(i)));
    }
    r.degree = PolyDegree(r);
    return r;
}

RatPoly PolyMul(const RatPoly& a, const RatPoly& b) {
    if (PlainAdd(a.degree, b.degree) > kPolyProductDegree) {
        RaiseTrouble("p11maxpcoeff");
        return PolyZero();
    }
    if (a.degree < 0 || b.degree < 0) return PolyZero();
    // c_k = Σ a_i·b_(k-i) in increasing i. Terms with i > deg a or k - i > deg b have a factor
    // 0/1: their product is 0/1 and adding it neither changes the sum nor raises trouble, so
    // they are skipped, and so are the positions above deg a + deg b.
    const int64_t degree = a.degree + b.degree;
    RatPoly r;
    for (int64_t k = 0; k <= degree; ++k) {
        Rational sum{0, 1};
        const int64_t last = std::min(k, a.degree);
        for (int64_t i = std::max<int64_t>(0, k - b.degree); i <= last; ++i) {
            sum = RatAdd(sum, RatMul(a.c(i), b.c(k - i)));
        }
        r.c(k) = sum;
    }
    r.degree = degree;
    return r;
}

RatPoly PolyScaleShift(const RatPoly& p, Rational q, int64_t k) {
    if (k < 0) throw RangeError("PolyScaleShift shift");
    if (p.degree < 0) return p;
    if (q.num == 0 || ArithTrouble) return PolyZero();
    if (PlainAdd(p.degree, k) > kPolyMaxDegree) {
        RaiseTrouble("p11");
        return PolyZero();
    }
    RatPoly r;
    for (int64_t i = p.degree; i >= 0; --i) r.c(i + k) = RatReduce(RatMul(p.c(i), q));
    r.degree = p.degree + k;
    return r;
}

RatPoly PolyStripT(const RatPoly& p) {
    if (p.degree < 0) return p;
    int64_t j = 0;
    while (j < kPolyMaxDegree && p.c(j).num == 0) ++j;
    if (j == kPolyMaxDegree) {
        RaiseTrouble("maxpcoeff");
        return p;
    }
    if (j == 0) return p;
    RatPoly r;
    for (int64_t i = 0; i <= p.degree - j; ++i) r.c(i) = p.c(i + j);
    r.degree = p.degree - j;
    return r;
}

RatPoly PolyReverse(const RatPoly& p, int64_t d) {
    RatPoly r;
    for (int64_t i = 0; i <= d; ++i) r.c(d - i) = p.c(i);
    r.degree = PolyDegree(r);
    return r;
}

RatPoly PolyCoeffMod(const RatPoly& p, int32_t m) {
    if (m == -1) return p;
    const RatPoly normed = PolyNormSigns(p);
    RatPoly r;
    for (int64_t i = 0; i <= normed.degree; ++i) {
        r.c(i) = RatFromInt(NonNegMod(normed.c(i).num, m));
    }
    r.degree = PolyDegree(r);
    return r;
}

RatPoly PolyNormSigns(const RatPoly& p) {
    RatPoly r = p;
    for (int64_t i = 0; i <= kPolyMaxDegree; ++i) r.c(i) = NormSign(p.c(i));
    return r;
}

RatPoly PolyRandom(RandomGenerator& rng, int64_t n, int64_t m) {
    RatPoly r;
    for (int64_t i = 0; i <= n; ++i) r.c(i) = RatFromInt(RandomBelow(rng, m) - m / 2);
    r.degree = PolyDegree(r);
    return r;
}

int64_t PolyVectorMaxDegree(const PolyVector& v, int64_t n) {
    int64_t best = -1;
    for (int64_t i = 1; i <= n; ++i) {
        if (v(i).degree > best) best = v(i).degree;
    }
    return best;
}

LaurentPoly LaurentZero() {
    return LaurentPoly{};
}

LaurentPoly LaurentFromPoly(const RatPoly& p, int64_t k) {
    if (PlainAdd(p.degree, k) > kLaurentMaxExponent || k < -kLaurentMaxExponent) {
        RaiseTrouble("mlaurent");
        return LaurentZero();
    }
    LaurentPoly L;
    for (int64_t i = 0; i <= p.degree; ++i) L.c(i + k) = p.c(i);
    return L;
}

int64_t LaurentDegree(const LaurentPoly& L) {
    for (int64_t e = kLaurentMaxExponent; e >= 0; --e) {
        if (L.c(e).num != 0) return e;
    }
    return -1;
}

LaurentPoly LaurentNormSigns(const LaurentPoly& L) {
    LaurentPoly r = L;
    for (int64_t e = -kLaurentMaxExponent; e <= kLaurentMaxExponent; ++e) r.c(e) = NormSign(L.c(e));
    return r;
}

LaurentPoly LaurentReduce(LaurentPoly r, const LaurentPoly& b) {
    const int64_t db = LaurentDegree(b);
    // A divisor without terms at exponents 0..27 admits no step that lowers the degree of r.
    if (db < 0) return LaurentNormSigns(r);
    for (int64_t dr = LaurentDegree(r); dr >= db; dr = LaurentDegree(r)) {
        const Rational q = ReductionQuotient(r.c(dr), b.c(db));
        if (q.den != 1 && q.den != -1) break;
        const int64_t s = dr - db;
        AddShiftedMultiple(r, q, b, db, s);
        if (s > 0) AddShiftedMultiple(r, q, b, db, -s);
        if (ArithTrouble) return r;
        // With non-zero denominators the top term cancels exactly; anything else would loop.
        if (LaurentDegree(r) >= dr) break;
    }
    return LaurentNormSigns(r);
}

}  // namespace corvane
