// The certificates of the bounds on the Nakanishi index m(K), the least number of generators of
// the Alexander module H = Λ^N/(tV - Vᵀ)Λ^N: generators of H with the combinations that express
// the basis of Λ^N in them (upper), and the dimension of a quotient of H over a finite field
// that forces as many generators (lower).
#include <flint/fmpz.h>
#include <flint/fmpz_factor.h>
#include <flint/fmpz_mat.h>
#include <flint/fmpz_poly.h>
#include <flint/fmpz_poly_mat.h>
#include <flint/nmod_mat.h>
#include <flint/ulong_extras.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "unknotting/certificate.h"

namespace corvane {

namespace {

using json = nlohmann::ordered_json;

// Beyond these sizes no certificate is looked for: the cover's matrix has N·n rows, and its
// order is factored.
constexpr long kMaxCoverRows = 200;
constexpr int kMaxModulePrime = 200;

json Coefficients(const fmpz_poly_t p) {
    json c = json::array();
    for (long k = 0; k < fmpz_poly_length(p); ++k) {
        const fmpz* x = fmpz_poly_get_coeff_ptr(p, k);
        if (fmpz_fits_si(x)) {
            c.push_back(fmpz_get_si(x));
        } else {
            char* digits = fmpz_get_str(nullptr, 10, x);
            c.push_back(std::string(digits));
            flint_free(digits);
        }
    }
    return c;
}

void FromRat(fmpz_poly_t out, const RatPoly& p) {
    fmpz_poly_zero(out);
    for (int64_t k = 0; k <= p.degree; ++k) {
        // Entries of the search's transforms are integral: den = ±1.
        fmpz_t c;
        fmpz_init_set_si(c, p.c(k).num);
        if (p.c(k).den < 0) fmpz_neg(c, c);
        fmpz_poly_set_coeff_fmpz(out, static_cast<long>(k), c);
        fmpz_clear(c);
    }
}

// tV - Vᵀ over Z[t].
void AlexanderPresentation(fmpz_poly_mat_t a, const IntMatrix& v, int n) {
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            fmpz_poly_struct* entry = fmpz_poly_mat_entry(a, i - 1, j - 1);
            fmpz_t c;
            fmpz_init_set_si(c, v(j, i));
            fmpz_neg(c, c);
            fmpz_poly_set_coeff_si(entry, 1, v(i, j));
            fmpz_poly_set_coeff_fmpz(entry, 0, c);
            fmpz_clear(c);
        }
    }
}

// The rank of the integer matrix m modulo p.
long RankModulo(const fmpz_mat_t m, ulong p) {
    nmod_mat_t r;
    nmod_mat_init(r, fmpz_mat_nrows(m), fmpz_mat_ncols(m), p);
    fmpz_mat_get_nmod_mat(r, m);
    const long rank = nmod_mat_rank(r);
    nmod_mat_clear(r);
    return rank;
}

// The primes dividing d ≠ 0.
std::vector<ulong> PrimeFactors(const fmpz_t d) {
    std::vector<ulong> primes;
    if (fmpz_is_zero(d) || fmpz_bits(d) > 120) return primes;
    fmpz_factor_t f;
    fmpz_factor_init(f);
    fmpz_factor(f, d);
    for (long i = 0; i < f->num; ++i) {
        if (fmpz_fits_si(f->p + i)) primes.push_back(fmpz_get_ui(f->p + i));
    }
    fmpz_factor_clear(f);
    return primes;
}

// {"obstruction": "double cover", "prime": p, "generators": k}: H_1(L_2) = coker(V + Vᵀ) ⊗ F_p
// has dimension k, at the prime of the least invariant factor other than ±1.
std::optional<json> DoubleCoverCertificate(const IntMatrix& v, int n, int bound) {
    fmpz_mat_t s;
    fmpz_mat_init(s, n, n);
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            fmpz* entry = fmpz_mat_entry(s, i - 1, j - 1);
            fmpz_set_si(entry, v(i, j));
            fmpz_add_si(entry, entry, v(j, i));
        }
    }
    fmpz_mat_t d;
    fmpz_mat_init(d, n, n);
    fmpz_mat_snf(d, s);
    std::optional<json> found;
    for (int i = 0; i < n && !found; ++i) {
        const fmpz* x = fmpz_mat_entry(d, i, i);
        if (fmpz_is_pm1(x) || fmpz_is_zero(x)) continue;
        const std::vector<ulong> primes = PrimeFactors(x);
        if (primes.empty()) break;
        const long k = n - RankModulo(s, primes[0]);
        if (k >= bound) {
            found = json{{"obstruction", "double cover"}, {"prime", primes[0]}, {"generators", k}};
        }
    }
    fmpz_mat_clear(d);
    fmpz_mat_clear(s);
    return found;
}

// The integer matrix of tV - Vᵀ acting on (Z[t]/(t^d - 1))^N in the basis t^0..t^(d-1) of each
// summand: the presentation of H/(t^d - 1)H = H_1(L_d) as an abelian group.
void CoverMatrix(fmpz_mat_t m, const IntMatrix& v, int n, int degree) {
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            for (int k = 0; k < degree; ++k) {
                const long column = j * degree + k;
                fmpz_add_si(fmpz_mat_entry(m, i * degree + (k + 1) % degree, column),
                            fmpz_mat_entry(m, i * degree + (k + 1) % degree, column),
                            v(i + 1, j + 1));
                fmpz_sub_si(fmpz_mat_entry(m, i * degree + k, column),
                            fmpz_mat_entry(m, i * degree + k, column), v(j + 1, i + 1));
            }
        }
    }
}

// The primes dividing det m (the order of H_1 of the cover whose matrix m is).
std::vector<ulong> DeterminantPrimes(const fmpz_mat_t m) {
    fmpz_t order;
    fmpz_init(order);
    fmpz_mat_det(order, m);
    std::vector<ulong> primes = PrimeFactors(order);
    fmpz_clear(order);
    return primes;
}

// The primes dividing |H_1(L_d)| = |det| of the cover's matrix.
std::vector<ulong> CoverOrderPrimes(const IntMatrix& v, int n, int degree) {
    const long rows = static_cast<long>(n) * degree;
    if (degree < 2 || rows > kMaxCoverRows) return {};
    fmpz_mat_t m;
    fmpz_mat_init(m, rows, rows);
    CoverMatrix(m, v, n, degree);
    std::vector<ulong> primes = DeterminantPrimes(m);
    fmpz_mat_clear(m);
    return primes;
}

// {"obstruction": "cyclic cover", "degree": d, "prime": p, "dimension": r}: H_1(L_d) ⊗ F_p of
// dimension r, so that m(K) >= ⌈r/(d - 1)⌉.
std::optional<json> CyclicCoverCertificate(const IntMatrix& v, int n, int degree, int bound) {
    const long rows = static_cast<long>(n) * degree;
    if (degree < 2 || rows > kMaxCoverRows) return std::nullopt;
    fmpz_mat_t m;
    fmpz_mat_init(m, rows, rows);
    CoverMatrix(m, v, n, degree);
    std::optional<json> found;
    long best = 0;
    for (const ulong p : DeterminantPrimes(m)) {
        const long r = rows - RankModulo(m, p);
        if (r <= best) continue;
        best = r;
        if ((r + degree - 2) / (degree - 1) >= bound) {
            found = json{{"obstruction", "cyclic cover"},
                         {"degree", degree},
                         {"prime", p},
                         {"dimension", r}};
        }
    }
    fmpz_mat_clear(m);
    return found;
}

// The certificate of m(K) >= bound, or null.
json NakanishiLowerCertificate(const IntMatrix& v, int n, int bound, const std::string& source) {
    if (bound <= 0) return nullptr;
    if (bound == 1) return {{"obstruction", "alexander"}};
    // A matrix beyond 64 bits: the check counts the invariant factors of V + Vᵀ itself.
    if (n < 1 && source == "H_1(L_2)") {
        return {{"obstruction", "double cover"}, {"generators", bound}};
    }
    if (n < 1) return {{"obstruction", source}};
    if (std::optional<json> c = DoubleCoverCertificate(v, n, bound)) return *c;
    for (int p = 2; p <= kMaxModulePrime; ++p) {
        if (!n_is_prime(static_cast<ulong>(p))) continue;
        const std::string module = AlexanderModuleCertificate(v, n, p, bound);
        if (!module.empty()) return json::parse(module);
    }
    // The cover that found the bound first, then the others.
    int named = 0;
    if (source.starts_with("H_1(L_")) named = std::atoi(source.c_str() + 6);
    if (named >= 3) {
        if (std::optional<json> c = CyclicCoverCertificate(v, n, named, bound)) return *c;
        // H_1(L_d) is cyclic over Z[t]/(t^d - 1) when it is at every maximal ideal (p, f),
        // f | t^d - 1, where the quotient is H ⊗ F_p[t]/(f): a search that found no generator
        // has such a prime among those dividing |H_1(L_d)|.
        for (const ulong p : CoverOrderPrimes(v, n, named)) {
            if (p < kMaxModulePrime || p > INT32_MAX) continue;
            const std::string module = AlexanderModuleCertificate(v, n, static_cast<int>(p), bound);
            if (!module.empty()) return json::parse(module);
        }
    }
    for (int degree = 3; degree <= 20; ++degree) {
        if (degree == named) continue;
        if (std::optional<json> c = CyclicCoverCertificate(v, n, degree, bound)) return *c;
    }
    return {{"obstruction", source}};
}

// The certificate that H is generated by the listed elements, or null.
json NakanishiUpperCertificate(const IntMatrix& v, int n, const ModuleGenerators& g) {
    if (!g.valid || n < 1 || static_cast<int>(g.Generators.size()) != g.count) return nullptr;
    const long c = g.count;
    fmpz_poly_mat_t a;
    fmpz_poly_mat_t r;
    fmpz_poly_mat_t y;
    fmpz_poly_t den;
    fmpz_poly_t term;
    fmpz_poly_mat_init(a, n, n);
    fmpz_poly_mat_init(r, n, n);
    fmpz_poly_mat_init(y, n, n);
    fmpz_poly_init(den);
    fmpz_poly_init(term);
    AlexanderPresentation(a, v, n);
    // R = I - Σ_k x_k·a_kᵀ: column j is e_j - Σ_k a_k(j)·x_k, in the image of tV - Vᵀ.
    fmpz_poly_mat_one(r);
    for (long k = 0; k < c; ++k) {
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= n; ++j) {
                fmpz_poly_t x;
                fmpz_poly_t f;
                fmpz_poly_init(x);
                fmpz_poly_init(f);
                FromRat(x, g.Generators[static_cast<std::size_t>(k)](i));
                fmpz_poly_set(
                    f, g.Coefficients[static_cast<std::size_t>(k)][static_cast<std::size_t>(j - 1)]
                           .get());
                fmpz_poly_mul(term, x, f);
                fmpz_poly_sub(fmpz_poly_mat_entry(r, i - 1, j - 1),
                              fmpz_poly_mat_entry(r, i - 1, j - 1), term);
                fmpz_poly_clear(f);
                fmpz_poly_clear(x);
            }
        }
    }
    // (tV - Vᵀ)·Y = den·R; den = t^shift·den' with den'(0) ≠ 0, and Y/den' = t^shift·(the
    // Laurent solution) is a polynomial matrix exactly when the columns of R lie in the image.
    bool exact = fmpz_poly_mat_solve(y, den, a, r) != 0;
    long shift = 0;
    while (exact && shift < fmpz_poly_length(den) &&
           fmpz_is_zero(fmpz_poly_get_coeff_ptr(den, shift)))
        ++shift;
    fmpz_poly_shift_right(den, den, shift);
    for (int i = 0; exact && i < n; ++i) {
        for (int j = 0; exact && j < n; ++j) {
            fmpz_poly_struct* entry = fmpz_poly_mat_entry(y, i, j);
            exact = fmpz_poly_divides(entry, entry, den) != 0;
        }
    }
    // Only as much of the shift as the solution needs.
    long common = shift;
    for (int i = 0; exact && i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const fmpz_poly_struct* entry = fmpz_poly_mat_entry(y, i, j);
            long low = 0;
            while (low < fmpz_poly_length(entry) &&
                   fmpz_is_zero(fmpz_poly_get_coeff_ptr(entry, low)))
                ++low;
            if (low < fmpz_poly_length(entry)) common = std::min(common, low);
        }
    }
    json certificate = nullptr;
    if (exact) {
        shift -= common;
        json generators = json::array();
        for (long k = 0; k < c; ++k) {
            json x = json::array();
            for (int i = 1; i <= n; ++i) {
                FromRat(term, g.Generators[static_cast<std::size_t>(k)](i));
                x.push_back(Coefficients(term));
            }
            generators.push_back(std::move(x));
        }
        json coefficients = json::array();
        json relations = json::array();
        for (int j = 1; j <= n; ++j) {
            json row = json::array();
            for (long k = 0; k < c; ++k) {
                fmpz_poly_set(
                    term,
                    g.Coefficients[static_cast<std::size_t>(k)][static_cast<std::size_t>(j - 1)]
                        .get());
                fmpz_poly_shift_left(term, term, shift);
                row.push_back(Coefficients(term));
            }
            coefficients.push_back(std::move(row));
            json column = json::array();
            for (int i = 0; i < n; ++i) {
                fmpz_poly_shift_right(term, fmpz_poly_mat_entry(y, i, j - 1), common);
                column.push_back(Coefficients(term));
            }
            relations.push_back(std::move(column));
        }
        certificate = {{"method", "generators"},
                       {"shift", shift},
                       {"generators", std::move(generators)},
                       {"coefficients", std::move(coefficients)},
                       {"relations", std::move(relations)}};
    }
    fmpz_poly_clear(term);
    fmpz_poly_clear(den);
    fmpz_poly_mat_clear(y);
    fmpz_poly_mat_clear(r);
    fmpz_poly_mat_clear(a);
    return certificate;
}

}  // namespace

std::string NakanishiCertificate(const KnotRecord& knot, const IntMatrix& v, int n,
                                 const ModuleGenerators& generators, const std::string& source) {
    json upper = nullptr;
    if (knot.nakanishiUpper == 0 && n == 0) {
        upper = {{"method", "trivial"}};
    } else if (knot.nakanishiUpper > 0 && n > 0) {
        upper = NakanishiUpperCertificate(v, n, generators);
    }
    const json lower = NakanishiLowerCertificate(v, n, knot.nakanishiLower, source);
    if (lower.is_null() && upper.is_null()) return {};
    return json({{"lower", lower}, {"upper", upper}})
        .dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace corvane
