#include "unknotting/certificate_check_blanchfield.h"

#include <flint/fmpz_poly.h>
#include <flint/fmpz_poly_mat.h>

#include <algorithm>

namespace corvane::checker {

namespace {

// A polynomial of FLINT's, owned.
class Poly {
  public:
    Poly() { fmpz_poly_init(p_); }
    ~Poly() { fmpz_poly_clear(p_); }
    Poly(const Poly&) = delete;
    Poly& operator=(const Poly&) = delete;
    fmpz_poly_struct* get() { return p_; }

  private:
    fmpz_poly_t p_;
};

// p / t^j for the largest j with t^j | p (p non-zero).
void StripT(fmpz_poly_struct* p) {
    long j = 0;
    while (j < fmpz_poly_length(p) && IsZero(fmpz_poly_get_coeff_ptr(p, j))) ++j;
    fmpz_poly_shift_right(p, p, j);
}

}  // namespace

std::string CheckBlanchfieldUnit(const Matrix& v, const json& certificate, const json& alexander) {
    const long n = v.Rows();
    const json generator = certificate.value("generator", json());
    if (n == 0 || !generator.is_array() || static_cast<long>(generator.size()) != n)
        return "the generator is not a column of the matrix's size";
    Poly u;
    if (!ReadPoly(certificate.value("unit", json()), u.get(), kMaxCheckedSize) ||
        fmpz_poly_is_zero(u.get()))
        return "the unit is not read";
    Poly delta;
    if (!ReadPoly(alexander, delta.get(), kMaxCheckedSize) ||
        fmpz_poly_degree(delta.get()) % 2 != 0 || IsZero(fmpz_poly_get_coeff_ptr(delta.get(), 0)))
        return "the Alexander polynomial is not read";
    const long g = fmpz_poly_degree(delta.get()) / 2;

    fmpz_poly_mat_t a, y, x;
    fmpz_poly_mat_init(a, n, n);
    fmpz_poly_mat_init(y, n, 1);
    fmpz_poly_mat_init(x, n, 1);
    Poly det, den, sum, term, target, bound;
    std::string why;
    for (long i = 0; i < n; ++i) {
        for (long j = 0; j < n; ++j) {
            fmpz_poly_struct* e = fmpz_poly_mat_entry(a, i, j);
            fmpz_poly_set_coeff_fmpz(e, 1, v.At(i, j));
            fmpz_t c;
            fmpz_init(c);
            fmpz_neg(c, v.At(j, i));
            fmpz_poly_zero(term.get());
            fmpz_poly_set_coeff_fmpz(term.get(), 0, c);
            fmpz_poly_add(e, e, term.get());
            fmpz_clear(c);
        }
        if (why.empty() && !ReadPoly(generator[static_cast<std::size_t>(i)],
                                     fmpz_poly_mat_entry(y, i, 0), kMaxCheckedSize))
            why = "an entry of the generator is not read";
        fmpz_poly_mul(fmpz_poly_mat_entry(y, i, 0), fmpz_poly_mat_entry(y, i, 0), u.get());
    }
    fmpz_poly_mat_det(det.get(), a);
    if (why.empty()) {
        StripT(det.get());
        fmpz_poly_t negated;
        fmpz_poly_init(negated);
        fmpz_poly_neg(negated, det.get());
        if (!fmpz_poly_equal(det.get(), delta.get()) && !fmpz_poly_equal(negated, delta.get()))
            why = "the Alexander polynomial is not det(tV - V^T)";
        fmpz_poly_clear(negated);
    }
    if (why.empty() && !fmpz_poly_mat_solve(x, den.get(), a, y)) why = "tV - V^T is singular";
    if (why.empty()) {
        // N = (t - 1)·Σ t^m·y_i(t⁻¹)·x_i with m the highest degree of y: Bl(y, y) = N/(t^m·den).
        long m = 0;
        for (long i = 0; i < n; ++i)
            m = std::max(m, fmpz_poly_degree(fmpz_poly_mat_entry(y, i, 0)));
        for (long i = 0; i < n; ++i) {
            fmpz_poly_reverse(term.get(), fmpz_poly_mat_entry(y, i, 0), m + 1);
            fmpz_poly_mul(term.get(), term.get(), fmpz_poly_mat_entry(x, i, 0));
            fmpz_poly_add(sum.get(), sum.get(), term.get());
        }
        fmpz_poly_zero(term.get());
        fmpz_poly_set_coeff_si(term.get(), 1, 1);
        fmpz_poly_set_coeff_si(term.get(), 0, -1);
        fmpz_poly_mul(sum.get(), sum.get(), term.get());
        // Bl(y, y) - ε/Δ_s = (N·Δ - ε·t^(g+m)·den) / (t^m·den·Δ) must lie in Λ.
        fmpz_poly_mul(bound.get(), den.get(), delta.get());
        StripT(bound.get());
        fmpz_poly_mul(sum.get(), sum.get(), delta.get());
        fmpz_poly_shift_left(target.get(), den.get(), g + m);
        bool holds = false;
        Poly difference, quotient;
        for (int sign = 0; sign < 2 && !holds; ++sign) {
            if (sign == 0) {
                fmpz_poly_sub(difference.get(), sum.get(), target.get());
            } else {
                fmpz_poly_add(difference.get(), sum.get(), target.get());
            }
            holds = fmpz_poly_is_zero(difference.get()) ||
                    fmpz_poly_divides(quotient.get(), difference.get(), bound.get());
        }
        if (!holds) why = "Bl(u x, u x) is not 1/Delta or -1/Delta";
    }
    fmpz_poly_mat_clear(x);
    fmpz_poly_mat_clear(y);
    fmpz_poly_mat_clear(a);
    return why;
}

}  // namespace corvane::checker
