// The data of the lower-bound certificates that need the knot's matrix: generators of the
// homogeneous p-parts of H_1 of the 2-fold branched cover, and the factor of the Alexander
// polynomial over F_p at which the Alexander module needs the most generators.
#include <flint/fmpz.h>
#include <flint/fmpz_mat.h>
#include <flint/fq_nmod.h>
#include <flint/fq_nmod_mat.h>
#include <flint/nmod_poly.h>
#include <flint/nmod_poly_factor.h>
#include <flint/nmod_poly_mat.h>

#include <array>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <vector>

#include "arith/checked.h"
#include "arith/diagonalize.h"
#include "arith/errors.h"
#include "unknotting/certificate.h"

namespace corvane {

namespace {

using json = nlohmann::ordered_json;

// Beyond this determinant the primes are not found by trial division.
constexpr int64_t kMaxFactoredDeterminant = int64_t{1} << 40;

// The odd primes dividing d > 0, by trial division.
std::vector<int64_t> OddPrimeFactors(int64_t d) {
    std::vector<int64_t> primes;
    while (d % 2 == 0) d /= 2;
    for (int64_t p = 3; p * p <= d; p += 2) {
        if (d % p != 0) continue;
        primes.push_back(p);
        while (d % p == 0) d /= p;
    }
    if (d > 1) primes.push_back(d);
    return primes;
}

int Valuation(int64_t x, int64_t p) {
    int v = 0;
    for (; x != 0 && x % p == 0; x /= p) ++v;
    return v;
}

// The Legendre symbol (a / p), a of either sign, p an odd prime.
int Legendre(const fmpz_t a, int64_t p) {
    fmpz_t r;
    fmpz_t q;
    fmpz_init(r);
    fmpz_init_set_si(q, p);
    fmpz_mod(r, a, q);
    const int symbol = fmpz_jacobi(r, q);
    fmpz_clear(q);
    fmpz_clear(r);
    return symbol;
}

// (det M / p) for M = p^k·Yᵀ·C⁻¹·Y (n × n, C of size rows), which the caller made integral by
// choosing the columns of Y of order p^k in coker C.
int GramClass(const IntMatrix& c, int rows, const std::vector<std::vector<int64_t>>& y, int64_t p,
              int k) {
    const long moves = static_cast<long>(y.size());
    fmpz_mat_t cm;
    fmpz_mat_t ym;
    fmpz_mat_t x;
    fmpz_mat_t m;
    fmpz_mat_init(cm, rows, rows);
    fmpz_mat_init(ym, rows, moves);
    fmpz_mat_init(x, rows, moves);
    fmpz_mat_init(m, moves, moves);
    for (int i = 1; i <= rows; ++i) {
        for (int j = 1; j <= rows; ++j) fmpz_set_si(fmpz_mat_entry(cm, i - 1, j - 1), c(i, j));
        for (long j = 0; j < moves; ++j) {
            fmpz_set_si(fmpz_mat_entry(ym, i - 1, j),
                        y[static_cast<size_t>(j)][static_cast<size_t>(i - 1)]);
        }
    }
    fmpz_t den;
    fmpz_t scale;
    fmpz_t det;
    fmpz_init(den);
    fmpz_init(scale);
    fmpz_init(det);
    int symbol = 0;
    if (fmpz_mat_solve(x, den, cm, ym)) {
        fmpz_set_si(scale, p);
        fmpz_pow_ui(scale, scale, static_cast<ulong>(k));
        fmpz_mat_scalar_mul_fmpz(x, x, scale);
        fmpz_mat_scalar_divexact_fmpz(x, x, den);
        fmpz_mat_t yt;
        fmpz_mat_init(yt, moves, rows);
        fmpz_mat_transpose(yt, ym);
        fmpz_mat_mul(m, yt, x);
        fmpz_mat_clear(yt);
        fmpz_mat_det(det, m);
        symbol = Legendre(det, p);
    }
    fmpz_clear(det);
    fmpz_clear(scale);
    fmpz_clear(den);
    fmpz_mat_clear(m);
    fmpz_mat_clear(x);
    fmpz_mat_clear(ym);
    fmpz_mat_clear(cm);
    return symbol;
}

std::string LinkingFormData(const IntMatrix& v, int n, int moves, int32_t signature) {
    const IntMatrix c = MatAdd(v, Transpose(v, n), n);
    ClearTrouble();
    const DiagonalizeResult diag = Diagonalize(c, n, n);
    const bool trouble = ArithTrouble;
    ClearTrouble();
    const int64_t d = diag.value < 0 ? -diag.value : diag.value;
    if (trouble || d <= 1 || d > kMaxFactoredDeterminant) return {};
    // The signs of det B that the signature leaves: sign B = σ + a, a in {-m, ..., m} by 2.
    std::array<bool, 2> open{false, false};
    for (int a = -moves; a <= moves; a += 2) {
        const int b = signature + a;
        if (b >= -moves && b <= moves) open[((moves - b) / 2) % 2 == 0 ? 0 : 1] = true;
    }
    json primes = json::array();
    for (const int64_t p : OddPrimeFactors(d)) {
        if (!open[0] && !open[1]) break;
        std::vector<std::vector<int64_t>> y;
        int k = 0;
        bool homogeneous = true;
        for (int i = 1; i <= n; ++i) {
            const int64_t order = diag.CokernelOrders[i];
            const int e = Valuation(order, p);
            if (e == 0) continue;
            homogeneous = homogeneous && (k == 0 || e == k);
            k = e;
            int64_t cofactor = order;
            for (int s = 0; s < e; ++s) cofactor /= p;
            std::vector<int64_t> generator(static_cast<size_t>(n));
            for (int j = 1; j <= n; ++j) {
                const __int128 entry =
                    static_cast<__int128>(cofactor % d) * (diag.CokernelGenerators[i](j) % d) % d;
                generator[static_cast<size_t>(j - 1)] = static_cast<int64_t>(entry);
            }
            y.push_back(std::move(generator));
        }
        if (!homogeneous || static_cast<int>(y.size()) != moves) continue;
        const int chi = GramClass(c, n, y, p, k);
        if (chi == 0) continue;
        // D' = D / p^(k·m), then the classes 2^m·(±D') that B' would need.
        int64_t rest = d;
        for (int s = 0; s < k * moves; ++s) rest /= p;
        fmpz_t required;
        fmpz_init_set_si(required, rest % p);
        fmpz_mul_2exp(required, required, static_cast<ulong>(moves));
        const int plus = Legendre(required, p);
        fmpz_neg(required, required);
        const int minus = Legendre(required, p);
        fmpz_clear(required);
        const bool excludesPlus = open[0] && chi != plus;
        const bool excludesMinus = open[1] && chi != minus;
        if (!excludesPlus && !excludesMinus) continue;
        if (excludesPlus) open[0] = false;
        if (excludesMinus) open[1] = false;
        primes.push_back({{"prime", p}, {"generators", y}});
    }
    if (open[0] || open[1]) return {};
    return json({{"obstruction", "linking form"}, {"moves", moves}, {"primes", std::move(primes)}})
        .dump();
}

// The nullity of tV - Vᵀ over F_p[t]/(f), f monic irreducible.
long NullityAt(const IntMatrix& v, int n, const nmod_poly_t f, int p) {
    fq_nmod_ctx_t field;
    fq_nmod_ctx_init_modulus(field, f, "t");
    fq_nmod_mat_t a;
    fq_nmod_mat_init(a, n, n, field);
    fq_nmod_t t;
    fq_nmod_t term;
    fq_nmod_init(t, field);
    fq_nmod_init(term, field);
    fq_nmod_gen(t, field);
    const auto reduced = [p](int64_t x) { return static_cast<ulong>(((x % p) + p) % p); };
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            fq_nmod_mul_ui(term, t, reduced(v(i, j)), field);
            fq_nmod_struct* entry = fq_nmod_mat_entry(a, i - 1, j - 1);
            fq_nmod_set_ui(entry, reduced(v(j, i)), field);
            fq_nmod_sub(entry, term, entry, field);
        }
    }
    const long nullity = n - fq_nmod_mat_rank(a, field);
    fq_nmod_clear(term, field);
    fq_nmod_clear(t, field);
    fq_nmod_mat_clear(a, field);
    fq_nmod_ctx_clear(field);
    return nullity;
}

}  // namespace

std::string LinkingFormCertificate(const IntMatrix& v, int n, int moves, int32_t signature) {
    if (n < 1 || moves < 1 || moves > n) return {};
    try {
        return LinkingFormData(v, n, moves, signature);
    } catch (const OverflowError&) {
        return {};
    }
}

std::string AlexanderModuleCertificate(const IntMatrix& v, int n, int p, int bound) {
    if (n < 1 || bound < 1) return {};
    nmod_poly_mat_t a;
    nmod_poly_mat_init(a, n, n, static_cast<ulong>(p));
    const auto reduced = [p](int64_t x) { return static_cast<ulong>(((x % p) + p) % p); };
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            nmod_poly_struct* entry = nmod_poly_mat_entry(a, i - 1, j - 1);
            nmod_poly_set_coeff_ui(entry, 1, reduced(v(i, j)));
            nmod_poly_set_coeff_ui(entry, 0, (p - reduced(v(j, i))) % static_cast<ulong>(p));
        }
    }
    nmod_poly_t delta;
    nmod_poly_init(delta, static_cast<ulong>(p));
    nmod_poly_mat_det(delta, a);
    nmod_poly_mat_clear(a);
    long best = 0;
    std::vector<ulong> bestFactor;
    if (!nmod_poly_is_zero(delta)) {
        nmod_poly_factor_t factors;
        nmod_poly_factor_init(factors);
        nmod_poly_factor(factors, delta);
        for (long i = 0; i < factors->num; ++i) {
            const nmod_poly_struct* f = factors->p + i;
            if (nmod_poly_get_coeff_ui(f, 0) == 0) continue;  // the unit t
            const long nullity = NullityAt(v, n, f, p);
            if (nullity <= best) continue;
            best = nullity;
            bestFactor.clear();
            for (long k = 0; k <= nmod_poly_degree(f); ++k)
                bestFactor.push_back(nmod_poly_get_coeff_ui(f, k));
        }
        nmod_poly_factor_clear(factors);
    }
    nmod_poly_clear(delta);
    if (best < bound) return {};
    return json({{"obstruction", "alexander module"},
                 {"prime", p},
                 {"factor", bestFactor},
                 {"nullity", best}})
        .dump();
}

}  // namespace corvane
