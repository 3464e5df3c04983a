#include "unknotting/certificate_check_lower.h"

#include <flint/fmpz_factor.h>
#include <flint/fq_nmod.h>
#include <flint/fq_nmod_mat.h>
#include <flint/nmod_poly.h>
#include <flint/nmod_poly_factor.h>

#include <array>
#include <optional>
#include <vector>

namespace corvane::checker {

namespace {

using json = nlohmann::ordered_json;

// An integer of FLINT's, owned.
class Integer {
  public:
    Integer() { fmpz_init(x_); }
    explicit Integer(long value) { fmpz_init_set_si(x_, value); }
    Integer(const Integer& other) { fmpz_init_set(x_, other.x_); }
    Integer& operator=(const Integer& other) {
        fmpz_set(x_, other.x_);
        return *this;
    }
    ~Integer() { fmpz_clear(x_); }
    fmpz* get() { return x_; }
    const fmpz* get() const { return x_; }

  private:
    fmpz_t x_;
};

// The decimal digits of x.
std::string Text(const fmpz* x) {
    char* digits = fmpz_get_str(nullptr, 10, x);
    std::string text(digits);
    flint_free(digits);
    return text;
}

LowerProof Fails(std::string why) {
    return {-1, std::move(why)};
}

Integer Determinant(const Matrix& a) {
    Integer d;
    fmpz_mat_det(d.get(), a.get());
    return d;
}

// The Legendre symbol (a / p) for an odd prime p: 1, -1, or 0 when p divides a.
int Legendre(const fmpz* a, const fmpz* p) {
    Integer r;
    fmpz_mod(r.get(), a, p);
    return fmpz_jacobi(r.get(), p);
}

// The vector of `size` integers of a certificate, as a column; nullopt when it is not one.
std::optional<Matrix> ReadColumn(const json& entries, long size) {
    if (!entries.is_array() || static_cast<long>(entries.size()) != size) return std::nullopt;
    Matrix column(size, 1);
    for (long i = 0; i < size; ++i) {
        if (!ReadInteger(entries[static_cast<std::size_t>(i)], column.At(i, 0)))
            return std::nullopt;
    }
    return column;
}

// A positive integer of a certificate that fits a machine word; 0 when it is not one.
uint64_t ReadWord(const json& value) {
    if (!value.is_number_integer()) return 0;
    if (value.is_number_unsigned()) return value.get<uint64_t>();
    const int64_t x = value.get<int64_t>();
    return x > 0 ? static_cast<uint64_t>(x) : 0;
}

// The signs s of det B over the admissible signatures of B: sign B = σ + a with a in
// {-n, -n+2, ..., n} and |sign B| <= n, s = (-1)^((n - sign B)/2). Index 0: s = +1, 1: s = -1.
std::array<bool, 2> AdmissibleDeterminantSigns(long sigma, long n) {
    std::array<bool, 2> signs{false, false};
    for (long a = -n; a <= n; a += 2) {
        const long b = sigma + a;
        if (b < -n || b > n) continue;
        signs[((n - b) / 2) % 2 == 0 ? 0 : 1] = true;
    }
    return signs;
}

}  // namespace

LowerProof CheckLinkingFormCertificate(const Matrix& v, const json& certificate) {
    const long moves = static_cast<long>(ReadWord(certificate.value("moves", json())));
    const json primes = certificate.value("primes", json());
    if (moves < 1 || moves > v.Rows() || !primes.is_array() || primes.size() > 64) {
        return Fails("malformed");
    }
    const long rows = v.Rows();
    const Matrix c = SymmetrizedSum(v);
    const Integer det = Determinant(c);
    Integer d;
    fmpz_abs(d.get(), det.get());
    std::array<bool, 2> open = AdmissibleDeterminantSigns(Signature(c), moves);
    for (const json& entry : primes) {
        const json generators = entry.is_object() ? entry.value("generators", json()) : json();
        Integer p;
        if (!entry.is_object() || !ReadInteger(entry.value("prime", json()), p.get()) ||
            !generators.is_array() || static_cast<long>(generators.size()) != moves) {
            return Fails("malformed");
        }
        if (fmpz_cmp_si(p.get(), 2) <= 0 || !fmpz_is_prime(p.get())) {
            return Fails("a listed prime is not an odd prime");
        }
        // D = p^(k·n)·D' with p prime to D'.
        Integer rest;
        const long valuation = fmpz_remove(rest.get(), d.get(), p.get());
        if (valuation == 0 || valuation % moves != 0) {
            return Fails("the p-part of H_1 has no n generators of one order for p = " +
                         Text(p.get()));
        }
        const long k = valuation / moves;
        Matrix y(rows, moves);
        for (long j = 0; j < moves; ++j) {
            const std::optional<Matrix> column =
                ReadColumn(generators[static_cast<std::size_t>(j)], rows);
            if (!column) return Fails("malformed generator");
            for (long i = 0; i < rows; ++i) fmpz_set(y.At(i, j), column->At(i, 0));
        }
        // Z = p^k·C⁻¹·Y, integral exactly when every y_j has order dividing p^k in coker C.
        Matrix x(rows, moves);
        Integer den;
        if (!fmpz_mat_solve(x.get(), den.get(), c.get(), y.get())) return Fails("C is singular");
        Integer power;
        fmpz_pow_ui(power.get(), p.get(), static_cast<ulong>(k));
        fmpz_mat_scalar_mul_fmpz(x.get(), x.get(), power.get());
        for (long i = 0; i < rows; ++i) {
            for (long j = 0; j < moves; ++j) {
                if (!fmpz_divisible(x.At(i, j), den.get())) {
                    return Fails("a generator's order does not divide p^k");
                }
                fmpz_divexact(x.At(i, j), x.At(i, j), den.get());
            }
        }
        const Matrix m = Product(Transposed(y), x);
        const int chi = Legendre(Determinant(m).get(), p.get());
        if (chi == 0) return Fails("the generators do not span the p-part of H_1");
        // The class B' must have: (2ⁿ·s·D' / p) for s = ±1.
        Integer two;
        fmpz_set_ui(two.get(), 2);
        fmpz_pow_ui(two.get(), two.get(), static_cast<ulong>(moves));
        fmpz_mul(rest.get(), rest.get(), two.get());
        const int plus = Legendre(rest.get(), p.get());
        fmpz_neg(rest.get(), rest.get());
        const int minus = Legendre(rest.get(), p.get());
        if (chi != plus) open[0] = false;
        if (chi != minus) open[1] = false;
    }
    if (open[0] || open[1]) {
        return Fails("the listed primes leave a form 2·B⁻¹ of determinant " +
                     std::string(open[0] ? "+" : "-") + "D possible");
    }
    return {moves + 1, {}};
}

LowerProof CheckStoimenowCertificate(const Matrix& v, const json& certificate) {
    const Matrix c = SymmetrizedSum(v);
    const long sigma = Signature(c);
    Integer d = Determinant(c);
    fmpz_abs(d.get(), d.get());
    Integer stated;
    const json signature = certificate.value("signature", json());
    if (!signature.is_number_integer() || signature.get<int64_t>() != sigma) {
        return Fails("the signature is " + std::to_string(sigma));
    }
    if (!ReadInteger(certificate.value("determinant", json()), stated.get()) ||
        !fmpz_equal(stated.get(), d.get())) {
        return Fails("the determinant is " + Text(d.get()));
    }
    if (sigma != 4 && sigma != -4) return Fails("the signature is not ±4");
    if (!fmpz_is_square(d.get())) return Fails("the determinant is not a square");
    if (fmpz_bits(d.get()) > 160) return Fails("the determinant is too large to factor");
    fmpz_factor_t factors;
    fmpz_factor_init(factors);
    fmpz_factor(factors, d.get());
    bool threeModFour = false;
    for (long i = 0; i < factors->num; ++i) {
        threeModFour = threeModFour || fmpz_fdiv_ui(factors->p + i, 4) == 3;
    }
    fmpz_factor_clear(factors);
    if (threeModFour) return Fails("the determinant has a prime factor 3 mod 4");
    return {3, {}};
}

LowerProof CheckAlexanderModuleCertificate(const Matrix& v, const json& certificate) {
    const uint64_t p = ReadWord(certificate.value("prime", json()));
    const json factor = certificate.value("factor", json());
    const json nullity = certificate.value("nullity", json());
    if (p < 2 || p > (uint64_t{1} << 62) || !n_is_prime(p) || !factor.is_array() ||
        factor.size() < 2 || factor.size() > kMaxCheckedSize || !nullity.is_number_integer()) {
        return Fails("malformed, or not a prime");
    }
    nmod_poly_t f;
    nmod_poly_init(f, p);
    Integer c;
    for (std::size_t i = 0; i < factor.size(); ++i) {
        if (!ReadInteger(factor[i], c.get())) {
            nmod_poly_clear(f);
            return Fails("malformed factor");
        }
        nmod_poly_set_coeff_ui(f, static_cast<long>(i), fmpz_fdiv_ui(c.get(), p));
    }
    // t is a unit of Λ: a factor t would measure V alone, not the module.
    if (nmod_poly_degree(f) < 1 || nmod_poly_get_coeff_ui(f, 0) == 0 ||
        !nmod_poly_is_irreducible(f)) {
        nmod_poly_clear(f);
        return Fails("the factor is not an irreducible polynomial other than t over F_p");
    }
    nmod_poly_make_monic(f, f);
    fq_nmod_ctx_t field;
    fq_nmod_ctx_init_modulus(field, f, "t");
    const long rows = v.Rows();
    fq_nmod_mat_t a;
    fq_nmod_mat_init(a, rows, rows, field);
    fq_nmod_t t;
    fq_nmod_t term;
    fq_nmod_init(t, field);
    fq_nmod_init(term, field);
    fq_nmod_gen(t, field);
    for (long i = 0; i < rows; ++i) {
        for (long j = 0; j < rows; ++j) {
            // t·v_ij - v_ji
            fq_nmod_mul_ui(term, t, fmpz_fdiv_ui(v.At(i, j), p), field);
            fq_nmod_struct* entry = fq_nmod_mat_entry(a, i, j);
            fq_nmod_set_ui(entry, fmpz_fdiv_ui(v.At(j, i), p), field);
            fq_nmod_sub(entry, term, entry, field);
        }
    }
    const long found = rows - fq_nmod_mat_rank(a, field);
    fq_nmod_clear(term, field);
    fq_nmod_clear(t, field);
    fq_nmod_mat_clear(a, field);
    fq_nmod_ctx_clear(field);
    nmod_poly_clear(f);
    if (nullity.get<int64_t>() != found) {
        return Fails("the nullity over F_p[t]/(f) is " + std::to_string(found));
    }
    return {found, {}};
}

}  // namespace corvane::checker
