// Exact integer linear algebra past 64 bits: owning wrappers of FLINT's integers, integer
// matrices and integer polynomials, and the routines that take over where the checked 64-bit
// arithmetic runs out of range (determinants, Smith forms, det(tV - Vᵀ), characteristic
// polynomials, the S-equivalence reduction and the size reduction of a Seifert matrix).
#pragma once

#include <flint/fmpz.h>
#include <flint/fmpz_mat.h>
#include <flint/fmpz_poly.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "arith/int_matrix.h"

namespace corvane {

// An arbitrary-precision integer, 0 when constructed.
class BigInt {
  public:
    BigInt() { fmpz_init(v_); }
    explicit BigInt(int64_t x) {
        fmpz_init(v_);
        fmpz_set_si(v_, x);
    }
    BigInt(const BigInt& other) { fmpz_init_set(v_, other.v_); }
    BigInt(BigInt&& other) noexcept {
        fmpz_init(v_);
        fmpz_swap(v_, other.v_);
    }
    BigInt& operator=(BigInt other) noexcept {
        fmpz_swap(v_, other.v_);
        return *this;
    }
    ~BigInt() { fmpz_clear(v_); }

    fmpz* get() { return v_; }
    const fmpz* get() const { return v_; }
    int Sign() const { return fmpz_sgn(v_); }
    bool FitsInt64() const { return fmpz_fits_si(v_) != 0; }
    // The value; precondition FitsInt64().
    int64_t ToInt64() const { return fmpz_get_si(v_); }
    // Decimal text with a leading "-" for negatives.
    std::string ToString() const;
    bool operator==(const BigInt& other) const { return fmpz_equal(v_, other.v_) != 0; }

  private:
    fmpz_t v_;
};

// A rows × cols integer matrix, indexed from 1, zero when constructed.
class BigMatrix {
  public:
    BigMatrix(int rows, int cols);
    BigMatrix(const BigMatrix& other);
    BigMatrix(BigMatrix&& other) noexcept;
    BigMatrix& operator=(BigMatrix other) noexcept;
    ~BigMatrix();

    int Rows() const { return static_cast<int>(fmpz_mat_nrows(m_)); }
    int Cols() const { return static_cast<int>(fmpz_mat_ncols(m_)); }
    // Entry (i, j), 1 <= i <= Rows(), 1 <= j <= Cols(); RangeError otherwise.
    fmpz* operator()(int i, int j);
    const fmpz* operator()(int i, int j) const;
    fmpz_mat_struct* get() { return m_; }
    const fmpz_mat_struct* get() const { return m_; }

  private:
    void Swap(BigMatrix& other) noexcept;
    fmpz_mat_t m_;
};

// An integer polynomial Σ c_j t^j, 0 when constructed.
class BigPoly {
  public:
    BigPoly() { fmpz_poly_init(p_); }
    BigPoly(const BigPoly& other) {
        fmpz_poly_init(p_);
        fmpz_poly_set(p_, other.p_);
    }
    BigPoly(BigPoly&& other) noexcept {
        fmpz_poly_init(p_);
        fmpz_poly_swap(p_, other.p_);
    }
    BigPoly& operator=(BigPoly other) noexcept {
        fmpz_poly_swap(p_, other.p_);
        return *this;
    }
    ~BigPoly() { fmpz_poly_clear(p_); }

    fmpz_poly_struct* get() { return p_; }
    const fmpz_poly_struct* get() const { return p_; }
    // The degree, -1 for the zero polynomial.
    int64_t Degree() const { return fmpz_poly_degree(p_); }
    // The coefficient of t^j (0 outside 0..Degree()).
    BigInt Coefficient(int64_t j) const;
    // The coefficients c_0..c_d in decimal; empty for the zero polynomial.
    std::vector<std::string> CoefficientTexts() const;

  private:
    fmpz_poly_t p_;
};

// Frees the calling thread's caches of the big-integer library; a thread that used big integers
// calls it before it ends (the main thread's are freed at exit).
void ReleaseBigIntegerCaches();

// The n × n block of m.
BigMatrix BigFromInt(const IntMatrix& m, int n);
// The matrix as an IntMatrix (upper-left block), when it is square of size <= 70 and every entry
// fits in 64 bits; nullopt otherwise.
std::optional<IntMatrix> IntFromBig(const BigMatrix& m);
// max |m(i, j)|, 0 for an empty matrix.
BigInt MaxAbsEntry(const BigMatrix& m);

// The matrix as "[[m11,...,m1n],...,[mn1,...,mnn]]" in decimal; "[]" when empty.
std::string BigMatrixText(const BigMatrix& m);

// det M for a square M (1 for the empty matrix).
BigInt BigDeterminant(const BigMatrix& m);

// The Smith form of M (any shape): the non-negative invariant factors d_1 | d_2 | ... | d_r,
// r = min(rows, cols), so that the cokernel of M is the sum of Z/d_i (Z for d_i = 0).
std::vector<BigInt> SmithInvariantFactors(const BigMatrix& m);

// det(tV - Vᵀ) exactly, for a square integer matrix V of size n: a polynomial of degree at most
// n with c_n = det V and c_0 = (-1)^n det V. The empty matrix gives 1.
BigPoly BigAlexanderPolynomial(const BigMatrix& v);

// The characteristic polynomial det(tI - M) of a square matrix M.
BigPoly CharacteristicPolynomial(const BigMatrix& m);

// The signature (positive minus negative eigenvalues) of a symmetric integer matrix S, exactly:
// the characteristic polynomial of S has only real roots, so by Descartes' rule of signs the
// number of positive roots (with multiplicity) is the number of sign changes of its coefficient
// sequence, and that of negative roots the number for p(-t). Precondition: S symmetric.
int64_t SymmetricSignature(const BigMatrix& s);

// A matrix S-equivalent to the Seifert matrix V (V - Vᵀ unimodular, as for a knot) that is
// non-singular or empty. While W is singular: a primitive kernel vector v is completed to a
// unimodular basis B with last column v (Hermite form of v with its transform), so that
// Z = BᵀWB has last column 0; a unimodular change C of the first s - 1 basis vectors (Hermite form
// of the last row) makes the last row (0, ..., 0, g, 0) with g = 1, and W becomes the upper-left
// (s - 2) block. The matrix is brought to small entries (ReduceEntries) before every pass and at
// the end.
BigMatrix BigMinimalSEquivalent(const BigMatrix& v);

// LLL reduction by unimodular congruence, V := P·V·Pᵀ with det P = ±1: the rows of P are an
// LLL-reduced basis of Z^n for the positive definite form |Vb|² + |Vᵀb|² + |b|², so that every
// entry b_iᵀ·V·b_j = (Vᵀb_i)·b_j of the result is a product of two short vectors' lengths.
void LllCongruence(BigMatrix& v);

// Reduction by congruence for V with V + Vᵀ and V - Vᵀ non-singular (as for a Seifert matrix of a
// knot; otherwise V is left as it is): with the
// majorants |S| and |A| of S = V + Vᵀ and A = V - Vᵀ (moduli of their polar decompositions,
// computed in 80-bit floating point), the rows of P are an LLL-reduced basis for the positive
// definite form |S| + |A|, so that |b_iᵀ·S·b_j| and |b_iᵀ·A·b_j| are at most the product of the
// lengths of b_i and b_j for it. Repeated while Σ V(i, j)² decreases, at most maxRounds times;
// the floating point only chooses P, the congruence itself is exact.
void MajorantCongruence(BigMatrix& v, int maxRounds = 30);

// The entries of V made small by unimodular congruence: LllCongruence when it lowers Σ V(i, j)²,
// then MajorantCongruence and SizeReduceCongruence.
void ReduceEntries(BigMatrix& v);

// Pairwise size reduction by unimodular congruence, V := P·V·Pᵀ with det P = ±1: for pairs of
// basis vectors e_j := e_j + c·e_i with the integer c that minimises the quadratic part of the
// change of Σ V(k, l)², applied when the exact sum of squares strictly decreases. Repeats until a
// sweep over all pairs changes nothing or maxSweeps sweeps are done. The congruence class, and
// so every invariant of the Seifert form, is unchanged; Σ V(k, l)² never grows.
void SizeReduceCongruence(BigMatrix& v, int maxSweeps = 1000);

}  // namespace corvane
