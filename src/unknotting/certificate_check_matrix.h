// The exact matrices of the certificate check: FLINT integer matrices owned by a small class, and
// the reading of integers and square matrices from a certificate's JSON. Only the check's own files
// include this header; nothing here is shared with the searches whose results are checked.
#pragma once

#include <flint/fmpz.h>
#include <flint/fmpz_mat.h>
#include <flint/fmpz_poly.h>

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace corvane::checker {

using json = nlohmann::ordered_json;

// Matrices larger than any Seifert matrix a results file holds are refused, not replayed.
inline constexpr std::size_t kMaxCheckedSize = 400;

// An integer matrix of FLINT's, owned.
class Matrix {
  public:
    Matrix(long rows, long cols) { fmpz_mat_init(m_, rows, cols); }
    Matrix(const Matrix& other) { fmpz_mat_init_set(m_, other.m_); }
    Matrix& operator=(const Matrix& other) {
        if (this == &other) return *this;
        fmpz_mat_clear(m_);
        fmpz_mat_init_set(m_, other.m_);
        return *this;
    }
    ~Matrix() { fmpz_mat_clear(m_); }

    long Rows() const { return fmpz_mat_nrows(m_); }
    long Cols() const { return fmpz_mat_ncols(m_); }
    bool Square() const { return Rows() == Cols(); }
    fmpz* At(long i, long j) { return fmpz_mat_entry(m_, i, j); }
    const fmpz* At(long i, long j) const { return fmpz_mat_entry(m_, i, j); }
    fmpz_mat_struct* get() { return m_; }
    const fmpz_mat_struct* get() const { return m_; }
    bool operator==(const Matrix& other) const {
        return Rows() == other.Rows() && Cols() == other.Cols() &&
               fmpz_mat_equal(m_, other.m_) != 0;
    }

  private:
    fmpz_mat_t m_;
};

// An integer of a certificate: a JSON integer, or a string of decimal digits for one beyond 64
// bits. False for anything else.
inline bool ReadInteger(const json& value, fmpz* out) {
    if (value.is_number_integer()) {
        if (value.is_number_unsigned()) {
            fmpz_set_ui(out, value.get<uint64_t>());
        } else {
            fmpz_set_si(out, value.get<int64_t>());
        }
        return true;
    }
    if (!value.is_string()) return false;
    const std::string& text = value.get_ref<const std::string&>();
    const std::string_view digits = std::string_view(text).substr(text.starts_with('-') ? 1 : 0);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return false;
    }
    return fmpz_set_str(out, text.c_str(), 10) == 0;
}

// A polynomial of a certificate: its coefficients from t⁰ up, integers or strings of digits, an
// empty array for 0. False for anything else or for more than maxLength coefficients.
inline bool ReadPoly(const json& coefficients, fmpz_poly_struct* out, std::size_t maxLength) {
    if (!coefficients.is_array() || coefficients.size() > maxLength) return false;
    fmpz_poly_zero(out);
    fmpz_t c;
    fmpz_init(c);
    bool ok = true;
    for (std::size_t k = 0; ok && k < coefficients.size(); ++k) {
        ok = ReadInteger(coefficients[k], c);
        if (ok) fmpz_poly_set_coeff_fmpz(out, static_cast<long>(k), c);
    }
    fmpz_clear(c);
    return ok;
}

// A square matrix given as an array of rows; nullopt unless every row has one integer per row.
inline std::optional<Matrix> ReadSquare(const json& rows) {
    if (!rows.is_array() || rows.size() > kMaxCheckedSize) return std::nullopt;
    const long n = static_cast<long>(rows.size());
    Matrix m(n, n);
    for (long i = 0; i < n; ++i) {
        const json& row = rows[static_cast<std::size_t>(i)];
        if (!row.is_array() || static_cast<long>(row.size()) != n) return std::nullopt;
        for (long j = 0; j < n; ++j) {
            if (!ReadInteger(row[static_cast<std::size_t>(j)], m.At(i, j))) return std::nullopt;
        }
    }
    return m;
}

inline Matrix Transposed(const Matrix& a) {
    Matrix t(a.Cols(), a.Rows());
    fmpz_mat_transpose(t.get(), a.get());
    return t;
}

inline Matrix Product(const Matrix& a, const Matrix& b) {
    Matrix p(a.Rows(), b.Cols());
    fmpz_mat_mul(p.get(), a.get(), b.get());
    return p;
}

// Aᵀ·B·A.
inline Matrix Congruent(const Matrix& b, const Matrix& a) {
    return Product(Transposed(a), Product(b, a));
}

// The block of rows and columns first..first + size - 1 (0-based).
inline Matrix Block(const Matrix& a, long first, long size) {
    Matrix b(size, size);
    for (long i = 0; i < size; ++i) {
        for (long j = 0; j < size; ++j) fmpz_set(b.At(i, j), a.At(first + i, first + j));
    }
    return b;
}

inline bool IsUnimodular(const Matrix& a) {
    if (!a.Square()) return false;
    fmpz_t d;
    fmpz_init(d);
    fmpz_mat_det(d, a.get());
    const bool unit = fmpz_is_pm1(d) != 0;
    fmpz_clear(d);
    return unit;
}

inline bool IsZero(const fmpz* x) {
    return fmpz_is_zero(x) != 0;
}
inline bool IsOne(const fmpz* x) {
    return fmpz_is_one(x) != 0;
}
inline bool IsUnit(const fmpz* x) {
    return fmpz_is_pm1(x) != 0;
}

// The signature of the symmetric matrix S: its characteristic polynomial has only real roots, so
// Descartes' rule counts the positive ones exactly (sign changes of the coefficients), and the
// negative ones as the positive roots of p(-x).
inline long Signature(const Matrix& s) {
    fmpz_poly_t p;
    fmpz_poly_init(p);
    fmpz_mat_charpoly(p, s.get());
    const auto changes = [&p](bool negated) {
        long count = 0;
        int last = 0;
        for (long k = 0; k < fmpz_poly_length(p); ++k) {
            int sign = fmpz_sgn(fmpz_poly_get_coeff_ptr(p, k));
            if (sign == 0) continue;
            if (negated && k % 2 == 1) sign = -sign;
            if (last != 0 && sign != last) ++count;
            last = sign;
        }
        return count;
    };
    const long positive = changes(false);
    const long negative = changes(true);
    fmpz_poly_clear(p);
    return positive - negative;
}

inline Matrix SymmetrizedSum(const Matrix& v) {
    Matrix s(v.Rows(), v.Cols());
    fmpz_mat_add(s.get(), v.get(), Transposed(v).get());
    return s;
}

// The number of invariant factors of V + Vᵀ other than ±1: the least number of generators of

}  // namespace corvane::checker
