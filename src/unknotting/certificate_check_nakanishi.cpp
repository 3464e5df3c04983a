#include "unknotting/certificate_check_nakanishi.h"

#include <flint/fmpz_poly_mat.h>
#include <flint/nmod_mat.h>
#include <flint/ulong_extras.h>

#include <cstdint>
#include <optional>

#include "unknotting/certificate_check_lower.h"

namespace corvane::checker {

namespace {

using json = nlohmann::ordered_json;

// Longer polynomials and larger shifts than any certificate of a results file needs are refused.
constexpr std::size_t kMaxPolyLength = 4096;
constexpr int64_t kMaxShift = 4096;
// The cover's matrix has N·d rows.
constexpr long kMaxCoverRows = 400;

// A matrix of integer polynomials of FLINT's, owned.
class PolyMatrix {
  public:
    PolyMatrix(long rows, long cols) { fmpz_poly_mat_init(m_, rows, cols); }
    PolyMatrix(const PolyMatrix&) = delete;
    PolyMatrix& operator=(const PolyMatrix&) = delete;
    ~PolyMatrix() { fmpz_poly_mat_clear(m_); }
    fmpz_poly_struct* At(long i, long j) { return fmpz_poly_mat_entry(m_, i, j); }
    fmpz_poly_mat_struct* get() { return m_; }

  private:
    fmpz_poly_mat_t m_;
};

// An array of `size` polynomials, written into `count` entries of `m` from (row, col) on, down a
// column (byColumn) or along a row.
bool ReadPolys(const json& polys, long size, PolyMatrix& m, long row, long col, bool byColumn) {
    if (!polys.is_array() || static_cast<long>(polys.size()) != size) return false;
    for (long k = 0; k < size; ++k) {
        fmpz_poly_struct* entry = byColumn ? m.At(row + k, col) : m.At(row, col + k);
        if (!ReadPoly(polys[static_cast<std::size_t>(k)], entry, kMaxPolyLength)) return false;
    }
    return true;
}

// tV - Vᵀ into columns 0..N-1 of m.
void PutAlexanderMatrix(const Matrix& v, PolyMatrix& m) {
    for (long i = 0; i < v.Rows(); ++i) {
        for (long j = 0; j < v.Rows(); ++j) {
            fmpz_poly_set_coeff_fmpz(m.At(i, j), 1, v.At(i, j));
            fmpz_t minus;
            fmpz_init(minus);
            fmpz_neg(minus, v.At(j, i));
            fmpz_poly_set_coeff_fmpz(m.At(i, j), 0, minus);
            fmpz_clear(minus);
        }
    }
}

// det(tV - Vᵀ) = ±t^j (the empty matrix has determinant 1).
bool AlexanderPolynomialIsOne(const Matrix& v) {
    const long n = v.Rows();
    if (n == 0) return true;
    PolyMatrix a(n, n);
    PutAlexanderMatrix(v, a);
    fmpz_poly_t det;
    fmpz_poly_init(det);
    fmpz_poly_mat_det(det, a.get());
    long terms = 0;
    bool units = true;
    for (long k = 0; k < fmpz_poly_length(det); ++k) {
        const fmpz* c = fmpz_poly_get_coeff_ptr(det, k);
        if (fmpz_is_zero(c)) continue;
        ++terms;
        units = units && fmpz_is_pm1(c);
    }
    fmpz_poly_clear(det);
    return terms == 1 && units;
}

// The number of elements the certificate shows to generate H, or nullopt and `why`.
std::optional<long> GeneratorsProven(const Matrix& v, const json& certificate, std::string& why) {
    const long n = v.Rows();
    const json generators = certificate.value("generators", json());
    const json coefficients = certificate.value("coefficients", json());
    const json relations = certificate.value("relations", json());
    const json shift = certificate.value("shift", json());
    if (!generators.is_array() || generators.size() > kMaxCheckedSize ||
        !shift.is_number_integer() || shift.get<int64_t>() < 0 ||
        shift.get<int64_t>() > kMaxShift || !coefficients.is_array() ||
        static_cast<long>(coefficients.size()) != n || !relations.is_array() ||
        static_cast<long>(relations.size()) != n) {
        why = "malformed";
        return std::nullopt;
    }
    const long c = static_cast<long>(generators.size());
    // M = [tV - Vᵀ | X] (N × (N + c)) and R = [Y; A] ((N + c) × N).
    PolyMatrix m(n, n + c);
    PolyMatrix r(n + c, n);
    PutAlexanderMatrix(v, m);
    for (long k = 0; k < c; ++k) {
        if (!ReadPolys(generators[static_cast<std::size_t>(k)], n, m, 0, n + k, true)) {
            why = "malformed generator";
            return std::nullopt;
        }
    }
    for (long j = 0; j < n; ++j) {
        if (!ReadPolys(relations[static_cast<std::size_t>(j)], n, r, 0, j, true) ||
            !ReadPolys(coefficients[static_cast<std::size_t>(j)], c, r, n, j, true)) {
            why = "malformed coefficients or relations";
            return std::nullopt;
        }
    }
    PolyMatrix product(n, n);
    fmpz_poly_mat_mul(product.get(), m.get(), r.get());
    fmpz_poly_t expected;
    fmpz_poly_init(expected);
    bool identity = true;
    for (long i = 0; i < n && identity; ++i) {
        for (long j = 0; j < n && identity; ++j) {
            fmpz_poly_zero(expected);
            if (i == j)
                fmpz_poly_set_coeff_ui(expected, static_cast<ulong>(shift.get<int64_t>()), 1);
            identity = fmpz_poly_equal(product.At(i, j), expected) != 0;
        }
    }
    fmpz_poly_clear(expected);
    if (!identity) {
        why =
            "the basis vectors are not the stated combinations of the generators modulo the "
            "relations";
        return std::nullopt;
    }
    return c;
}

// The rank over F_p of an integer matrix.
long RankOverFp(const Matrix& a, ulong p) {
    nmod_mat_t r;
    nmod_mat_init(r, a.Rows(), a.Cols(), p);
    for (long i = 0; i < a.Rows(); ++i) {
        for (long j = 0; j < a.Cols(); ++j) nmod_mat_entry(r, i, j) = fmpz_fdiv_ui(a.At(i, j), p);
    }
    const long rank = nmod_mat_rank(r);
    nmod_mat_clear(r);
    return rank;
}

// A prime of a certificate that fits a word; 0 otherwise.
ulong ReadPrime(const json& value) {
    if (!value.is_number_integer()) return 0;
    if (!value.is_number_unsigned() && value.get<int64_t>() < 2) return 0;
    const uint64_t p = value.get<uint64_t>();
    if (p > (uint64_t{1} << 62)) return 0;
    return n_is_prime(p) ? p : 0;
}

LowerProof DoubleCover(const Matrix& v, const json& certificate) {
    const json generators = certificate.value("generators", json());
    if (!generators.is_number_integer()) return {-1, "malformed"};
    const Matrix s = SymmetrizedSum(v);
    long found = 0;
    if (certificate.contains("prime")) {
        const ulong p = ReadPrime(certificate["prime"]);
        if (p == 0) return {-1, "not a prime"};
        found = v.Rows() - RankOverFp(s, p);
    } else {
        Matrix snf(v.Rows(), v.Rows());
        fmpz_mat_snf(snf.get(), s.get());
        for (long i = 0; i < v.Rows(); ++i) found += IsUnit(snf.At(i, i)) ? 0 : 1;
    }
    if (generators.get<int64_t>() != found) {
        return {-1, "H_1(L_2) needs " + std::to_string(found) + " generators there"};
    }
    return {found, {}};
}

LowerProof CyclicCover(const Matrix& v, const json& certificate) {
    const json degree = certificate.value("degree", json());
    const json dimension = certificate.value("dimension", json());
    const ulong p = ReadPrime(certificate.value("prime", json()));
    const long n = v.Rows();
    if (!degree.is_number_integer() || !dimension.is_number_integer() || p == 0 ||
        degree.get<int64_t>() < 2 || degree.get<int64_t>() * n > kMaxCoverRows) {
        return {-1, "malformed, or not a prime"};
    }
    const long d = static_cast<long>(degree.get<int64_t>());
    // V ⊗ C - Vᵀ ⊗ I_d, with C·e_k = e_(k+1 mod d): block (i, j) is v_ij·C - v_ji·I.
    Matrix m(n * d, n * d);
    for (long i = 0; i < n; ++i) {
        for (long j = 0; j < n; ++j) {
            for (long k = 0; k < d; ++k) {
                fmpz* shifted = m.At(i * d + (k + 1) % d, j * d + k);
                fmpz_add(shifted, shifted, v.At(i, j));
                fmpz* diagonal = m.At(i * d + k, j * d + k);
                fmpz_sub(diagonal, diagonal, v.At(j, i));
            }
        }
    }
    const long found = n * d - RankOverFp(m, p);
    if (dimension.get<int64_t>() != found) {
        return {-1, "H_1(L_d) ⊗ F_p has dimension " + std::to_string(found)};
    }
    return {(found + d - 2) / (d - 1), {}};
}

std::string CheckLower(const Matrix& v, int64_t lower, const json& certificate) {
    const std::string obstruction =
        certificate.is_object() ? certificate.value("obstruction", "") : "";
    LowerProof proof;
    if (obstruction == "alexander") {
        proof = AlexanderPolynomialIsOne(v) ? LowerProof{-1, "the Alexander polynomial is 1"}
                                            : LowerProof{1, {}};
    } else if (obstruction == "alexander module") {
        proof = CheckAlexanderModuleCertificate(v, certificate);
    } else if (obstruction == "double cover") {
        proof = DoubleCover(v, certificate);
    } else if (obstruction == "cyclic cover") {
        proof = CyclicCover(v, certificate);
    } else {
        const std::string name = obstruction.empty() ? "none" : obstruction;
        return "no certificate that can be replayed (" + name + ")";
    }
    if (proof.proven < 0) return "the " + obstruction + " obstruction fails: " + proof.why;
    if (proof.proven < lower) {
        return "the " + obstruction + " obstruction gives only " + std::to_string(proof.proven);
    }
    return {};
}

std::string CheckUpper(const Matrix& v, int64_t upper, const json& certificate) {
    const std::string method = certificate.is_object() ? certificate.value("method", "") : "";
    if (method == "trivial") {
        return upper >= 0 && AlexanderPolynomialIsOne(v) ? "" : "the module is not trivial";
    }
    if (method != "generators") return "no certificate";
    std::string why;
    const std::optional<long> count = GeneratorsProven(v, certificate, why);
    if (!count) return why;
    if (*count > upper)
        return "the certificate shows only " + std::to_string(*count) + " generators";
    return {};
}

}  // namespace

std::vector<std::string> CheckNakanishiCertificates(const Matrix& v, const json& nakanishi) {
    std::vector<std::string> failures;
    if (!nakanishi.is_object()) return failures;
    const json certificate = nakanishi.value("certificate", json());
    const json none;
    const auto part = [&](const char* which) {
        return certificate.is_object() ? certificate.value(which, none) : none;
    };
    const json upper = nakanishi.value("upper", json());
    const json lower = nakanishi.value("lower", json());
    if (upper.is_number_integer()) {
        const std::string why = CheckUpper(v, upper.get<int64_t>(), part("upper"));
        if (!why.empty()) {
            failures.push_back("nakanishi upper bound " + std::to_string(upper.get<int64_t>()) +
                               ": " + why);
        }
    }
    if (lower.is_number_integer() && lower.get<int64_t>() > 0) {
        const std::string why = CheckLower(v, lower.get<int64_t>(), part("lower"));
        if (!why.empty()) {
            failures.push_back("nakanishi lower bound " + std::to_string(lower.get<int64_t>()) +
                               ": " + why);
        }
    }
    return failures;
}

}  // namespace corvane::checker
