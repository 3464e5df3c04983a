// The check of signature-nullity certificates: signatures and nullities of the Seifert form on
// the unit circle, at rational points of the parameter τ = tan(θ/2) and at roots of the
// Alexander polynomial, in exact rational arithmetic.
#include <flint/fmpq.h>
#include <flint/fmpq_mat.h>
#include <flint/fmpz_poly_factor.h>
#include <flint/fmpz_poly_mat.h>

#include <algorithm>
#include <optional>
#include <tuple>
#include <vector>

#include "unknotting/certificate_check_lower.h"

namespace corvane::checker {

namespace {

using json = nlohmann::ordered_json;

// Seifert matrices beyond this size are refused: det N(τ) would take too long.
constexpr long kMaxCircleSize = 48;

// A rational number of FLINT's, owned.
struct Fraction {
    Fraction() { fmpq_init(q); }
    Fraction(const Fraction&) = delete;
    Fraction& operator=(const Fraction&) = delete;
    ~Fraction() { fmpq_clear(q); }
    fmpq_t q;
};

// An integer polynomial of FLINT's, owned.
struct Polynomial {
    Polynomial() { fmpz_poly_init(p); }
    Polynomial(const Polynomial&) = delete;
    Polynomial& operator=(const Polynomial&) = delete;
    ~Polynomial() { fmpz_poly_clear(p); }
    fmpz_poly_t p;
};

// "a/b" or "a" with b > 0; false for anything else.
bool ReadFraction(const json& text, fmpq_t out) {
    if (!text.is_string()) return false;
    const std::string& s = text.get_ref<const std::string&>();
    if (s.empty() || s.size() > 4000 || s.find_first_not_of("-0123456789/") != std::string::npos) {
        return false;
    }
    const std::size_t slash = s.find('/');
    const std::string numerator = s.substr(0, slash);
    const std::string denominator = slash == std::string::npos ? "1" : s.substr(slash + 1);
    const auto digits = [](const std::string& t) {
        const std::size_t start = t.starts_with('-') ? 1 : 0;
        return t.size() > start && t.find_first_not_of("0123456789", start) == std::string::npos;
    };
    if (!digits(numerator) || !digits(denominator)) return false;
    fmpz_t a;
    fmpz_t b;
    fmpz_init(a);
    fmpz_init(b);
    const bool read = fmpz_set_str(a, numerator.c_str(), 10) == 0 &&
                      fmpz_set_str(b, denominator.c_str(), 10) == 0 && !fmpz_is_zero(b);
    if (read) fmpq_set_fmpz_frac(out, a, b);
    fmpz_clear(b);
    fmpz_clear(a);
    return read;
}

// (σ, η) of τS - iK at τ = a/b: the real form b·N(τ) = [[aS, bK], [-bK, aS]] has signature 2σ and
// nullity 2η; its characteristic polynomial has real roots only, so the sign changes of its
// coefficients count the positive roots and those of p(-x) the negative ones.
std::pair<long, long> SignatureAndNullityAt(const Matrix& s, const Matrix& k, const fmpq_t tau) {
    const long n = s.Rows();
    Matrix real(2 * n, 2 * n);
    for (long i = 0; i < n; ++i) {
        for (long j = 0; j < n; ++j) {
            fmpz_mul(real.At(i, j), s.At(i, j), fmpq_numref(tau));
            fmpz_set(real.At(n + i, n + j), real.At(i, j));
            fmpz_mul(real.At(i, n + j), k.At(i, j), fmpq_denref(tau));
            fmpz_neg(real.At(n + i, j), real.At(i, n + j));
        }
    }
    fmpz_poly_t chi;
    fmpz_poly_init(chi);
    fmpz_mat_charpoly(chi, real.get());
    long zero = 0;
    while (zero < fmpz_poly_length(chi) && fmpz_is_zero(fmpz_poly_get_coeff_ptr(chi, zero))) ++zero;
    long positive = 0;
    long negative = 0;
    int lastPlain = 0;
    int lastNegated = 0;
    for (long e = zero; e < fmpz_poly_length(chi); ++e) {
        const int sign = fmpz_sgn(fmpz_poly_get_coeff_ptr(chi, e));
        if (sign == 0) continue;
        const int negated = e % 2 == 1 ? -sign : sign;
        positive += lastPlain != 0 && sign != lastPlain ? 1 : 0;
        negative += lastNegated != 0 && negated != lastNegated ? 1 : 0;
        lastPlain = sign;
        lastNegated = negated;
    }
    fmpz_poly_clear(chi);
    return {(positive - negative) / 2, zero / 2};
}

// det N(τ) as a polynomial in τ.
void PencilDeterminant(const Matrix& s, const Matrix& k, fmpz_poly_t out) {
    const long n = s.Rows();
    fmpz_poly_mat_t pencil;
    fmpz_poly_mat_init(pencil, 2 * n, 2 * n);
    for (long i = 0; i < n; ++i) {
        for (long j = 0; j < n; ++j) {
            fmpz_poly_set_coeff_fmpz(fmpz_poly_mat_entry(pencil, i, j), 1, s.At(i, j));
            fmpz_poly_set_coeff_fmpz(fmpz_poly_mat_entry(pencil, n + i, n + j), 1, s.At(i, j));
            fmpz_poly_set_fmpz(fmpz_poly_mat_entry(pencil, i, n + j), k.At(i, j));
            fmpz_poly_neg(fmpz_poly_mat_entry(pencil, n + i, j),
                          fmpz_poly_mat_entry(pencil, i, n + j));
        }
    }
    fmpz_poly_mat_det(out, pencil);
    fmpz_poly_mat_clear(pencil);
}

int SignOf(const fmpz_poly_t p, const fmpq_t x) {
    Fraction y;
    fmpz_poly_evaluate_fmpq(y.q, p, x);
    return fmpq_sgn(y.q);
}

// No root of f in [lo, hi]: with c the midpoint and r the half width, the Taylor coefficients
// t_j of f at c (by repeated synthetic division by x - c) satisfy |t_0| > Σ_{j>=1} |t_j|·r^j.
bool BoundedAwayFromZero(const fmpz_poly_t f, const fmpq_t lo, const fmpq_t hi) {
    Fraction c;
    Fraction r;
    fmpq_add(c.q, lo, hi);
    fmpq_div_2exp(c.q, c.q, 1);
    fmpq_sub(r.q, hi, lo);
    fmpq_div_2exp(r.q, r.q, 1);
    const long length = fmpz_poly_length(f);
    if (length == 0) return false;
    std::vector<Fraction> a(static_cast<std::size_t>(length));
    for (long j = 0; j < length; ++j) fmpq_set_fmpz(a[j].q, fmpz_poly_get_coeff_ptr(f, j));
    // Synthetic division: after pass i, a[i] is the i-th Taylor coefficient at c.
    Fraction t;
    for (long i = 0; i < length; ++i) {
        for (long j = length - 2; j >= i; --j) {
            fmpq_mul(t.q, a[j + 1].q, c.q);
            fmpq_add(a[j].q, a[j].q, t.q);
        }
    }
    Fraction tail;
    Fraction power;
    fmpq_one(power.q);
    for (long j = 1; j < length; ++j) {
        fmpq_mul(power.q, power.q, r.q);
        fmpq_abs(t.q, a[j].q);
        fmpq_mul(t.q, t.q, power.q);
        fmpq_add(tail.q, tail.q, t.q);
    }
    fmpq_abs(t.q, a[0].q);
    return fmpq_cmp(t.q, tail.q) > 0;
}

// The nullity of N(τ0) for the roots τ0 of m: dim ker m(A) / deg m, A = -diag(S, S)⁻¹·[[0, K],
// [-K, 0]].
long RootNullity(const Matrix& s, const Matrix& k, const fmpz_poly_t m) {
    const long n = s.Rows();
    fmpq_mat_t left;
    fmpq_mat_t right;
    fmpq_mat_t a;
    fmpq_mat_init(left, 2 * n, 2 * n);
    fmpq_mat_init(right, 2 * n, 2 * n);
    fmpq_mat_init(a, 2 * n, 2 * n);
    for (long i = 0; i < n; ++i) {
        for (long j = 0; j < n; ++j) {
            fmpq_set_fmpz(fmpq_mat_entry(left, i, j), s.At(i, j));
            fmpq_set(fmpq_mat_entry(left, n + i, n + j), fmpq_mat_entry(left, i, j));
            fmpq_set_fmpz(fmpq_mat_entry(right, i, n + j), k.At(i, j));
            fmpq_neg(fmpq_mat_entry(right, i, n + j), fmpq_mat_entry(right, i, n + j));
            fmpq_neg(fmpq_mat_entry(right, n + i, j), fmpq_mat_entry(right, i, n + j));
        }
    }
    long nullity = -1;
    if (fmpq_mat_solve(a, left, right)) {
        // Horner: R = m_d·I, then R = R·A + m_j·I.
        fmpq_mat_t r;
        fmpq_mat_t next;
        fmpq_mat_init(r, 2 * n, 2 * n);
        fmpq_mat_init(next, 2 * n, 2 * n);
        const long d = fmpz_poly_degree(m);
        Fraction coefficient;
        for (long j = d; j >= 0; --j) {
            fmpq_mat_mul(next, r, a);
            fmpq_set_fmpz(coefficient.q, fmpz_poly_get_coeff_ptr(m, j));
            for (long i = 0; i < 2 * n; ++i) {
                fmpq_add(fmpq_mat_entry(next, i, i), fmpq_mat_entry(next, i, i), coefficient.q);
            }
            fmpq_mat_swap(r, next);
        }
        const long rank = fmpq_mat_rref(next, r);
        nullity = (2 * n - rank) / d;
        fmpq_mat_clear(next);
        fmpq_mat_clear(r);
    }
    fmpq_mat_clear(a);
    fmpq_mat_clear(right);
    fmpq_mat_clear(left);
    return nullity;
}

}  // namespace

LowerProof CheckSignatureNullityCertificate(const Matrix& v, const json& certificate) {
    const json points = certificate.value("points", json());
    if (!points.is_array() || points.empty() || points.size() > 64) return {-1, "malformed"};
    const long n = v.Rows();
    if (n == 0) return {-1, "the knot is trivial"};
    if (n > kMaxCircleSize) return {-1, "the matrix is too large for this check"};
    Matrix s = SymmetrizedSum(v);
    Matrix k(n, n);
    fmpz_mat_sub(k.get(), v.get(), Transposed(v).get());
    std::optional<long> up;
    std::optional<long> down;
    for (const json& point : points) {
        const json sigma = point.is_object() ? point.value("signature", json()) : json();
        const json eta = point.is_object() ? point.value("nullity", json()) : json();
        if (!sigma.is_number_integer() || !eta.is_number_integer()) return {-1, "malformed point"};
        long signature = 0;
        long nullity = 0;
        if (point.contains("tau")) {
            Fraction tau;
            if (!ReadFraction(point["tau"], tau.q) || fmpq_sgn(tau.q) <= 0) {
                return {-1, "τ is not a positive fraction"};
            }
            std::tie(signature, nullity) = SignatureAndNullityAt(s, k, tau.q);
        } else {
            const json factor = point.value("factor", json());
            const json interval = point.value("interval", json());
            Fraction lo;
            Fraction hi;
            Polynomial m;
            bool read = factor.is_array() && factor.size() >= 2 && factor.size() <= 200 &&
                        interval.is_array() && interval.size() == 2 &&
                        ReadFraction(interval[0], lo.q) && ReadFraction(interval[1], hi.q);
            fmpz_t c;
            fmpz_init(c);
            for (std::size_t j = 0; read && j < factor.size(); ++j) {
                read = ReadInteger(factor[j], c);
                fmpz_poly_set_coeff_fmpz(m.p, static_cast<long>(j), c);
            }
            fmpz_clear(c);
            if (!read) return {-1, "malformed root"};
            fmpz_poly_factor_t parts;
            fmpz_poly_factor_init(parts);
            fmpz_poly_factor(parts, m.p);
            const bool irreducible = fmpz_poly_degree(m.p) >= 1 && parts->num == 1 &&
                                     parts->exp[0] == 1 && fmpz_is_pm1(&parts->c);
            fmpz_poly_factor_clear(parts);
            if (!irreducible) return {-1, "the factor is not irreducible"};
            if (fmpq_sgn(lo.q) <= 0 || fmpq_cmp(lo.q, hi.q) >= 0 ||
                SignOf(m.p, lo.q) * SignOf(m.p, hi.q) >= 0) {
                return {-1, "the interval does not hold a positive root of the factor"};
            }
            Polynomial det;
            PencilDeterminant(s, k, det.p);
            Polynomial rest;
            fmpz_poly_set(rest.p, det.p);
            long multiplicity = 0;
            while (fmpz_poly_divides(rest.p, rest.p, m.p)) ++multiplicity;
            if (multiplicity == 0) return {-1, "the factor does not divide det N"};
            Polynomial derivative;
            Polynomial common;
            Polynomial squarefree;
            fmpz_poly_derivative(derivative.p, det.p);
            fmpz_poly_gcd(common.p, det.p, derivative.p);
            fmpz_poly_div(squarefree.p, det.p, common.p);
            fmpz_poly_derivative(derivative.p, squarefree.p);
            if (SignOf(squarefree.p, lo.q) == 0 || SignOf(squarefree.p, hi.q) == 0 ||
                !BoundedAwayFromZero(derivative.p, lo.q, hi.q)) {
                return {-1, "the interval may hold another root of the Alexander polynomial"};
            }
            const long g = RootNullity(s, k, m.p);
            if (g != multiplicity || g % 2 != 0) return {-1, "the root is not semisimple"};
            const auto [below, zeroBelow] = SignatureAndNullityAt(s, k, lo.q);
            const auto [above, zeroAbove] = SignatureAndNullityAt(s, k, hi.q);
            if (zeroBelow != 0 || zeroAbove != 0 || (below + above) % 2 != 0) {
                return {-1, "the interval's ends are not on arcs"};
            }
            signature = (below + above) / 2;
            nullity = g / 2;
        }
        if (sigma.get<int64_t>() != signature || eta.get<int64_t>() != nullity) {
            return {-1, "σ and η there are " + std::to_string(signature) + " and " +
                            std::to_string(nullity)};
        }
        up = std::max(up.value_or(signature + nullity), signature + nullity);
        down = std::max(down.value_or(nullity - signature), nullity - signature);
    }
    return {std::max(*up, 0L) / 2 + std::max(*down, 0L) / 2, {}};
}

}  // namespace corvane::checker
