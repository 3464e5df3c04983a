// The Alexander module over the finite fields F_p: polynomials over F_p, the minimal number of
// generators of a module presented by a matrix over F_p[t,t⁻¹], and the lower bounds this gives
// on the Nakanishi index and the algebraic unknotting number of the current knot.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "arith/errors.h"

namespace corvane {

struct KnotState;

inline constexpr int kFpMaxDegree = 135;     // FpPoly: coefficients c_0..c_135
inline constexpr int32_t kFpMaxPrime = 101;  // InverseTable covers residues 1..100
inline constexpr int kFpMatrixDim = 12;      // FpPolyMatrix: rows and columns 1..12

// The prime field of a computation: FieldPrime p and InverseTable, entry a (1 <= a <= 100) the
// inverse of a mod p, or -1 where there is none (a ≡ 0 mod p, or a >= p).
struct FpField {
    int32_t FieldPrime = 2;
    std::array<int32_t, 101> InverseTable{};  // index 0 unused
};

// The field F_p with its inverse table. Precondition: p is a prime, 2 <= p <= 101 (RangeError
// otherwise; primality is the caller's promise).
FpField InitInverses(int32_t p);

// Σ c_i t^i over F_p, i = 0..135, every c_i in 0..p-1. Invariant: degree is the highest i with
// c_i ≠ 0, or -1 for the zero polynomial.
struct FpPoly {
    int32_t degree = -1;
    std::array<int32_t, kFpMaxDegree + 1> c{};
    bool operator==(const FpPoly&) const = default;
};

// 12 × 12 FpPoly indexed (row, column) from 1; a matrix of r rows and c columns uses the
// upper-left block. Indices outside 1..12 throw RangeError.
class FpPolyMatrix {
  public:
    FpPoly& operator()(int i, int j) { return entries_[Index(i, j)]; }
    const FpPoly& operator()(int i, int j) const { return entries_[Index(i, j)]; }

  private:
    static size_t Index(int i, int j) {
        if (i < 1 || i > kFpMatrixDim || j < 1 || j > kFpMatrixDim) {
            throw RangeError("FpPolyMatrix index");
        }
        return static_cast<size_t>((i - 1) * kFpMatrixDim + (j - 1));
    }
    std::array<FpPoly, static_cast<size_t>(kFpMatrixDim) * kFpMatrixDim> entries_{};
};

// x mod p in 0..p-1, for every 64-bit x (negative x included).
int32_t FpReduce(const FpField& f, int64_t x);
// The zero polynomial.
FpPoly FpZero();
// The highest index with a non-zero coefficient, -1 if none (recomputed from the coefficients).
int32_t FpDegree(const FpPoly& a);
// a + b coefficientwise mod p.
FpPoly FpAdd(const FpField& f, const FpPoly& a, const FpPoly& b);
// a·b mod p, truncated: only the coefficients of degree 0..135 are formed, higher terms are
// dropped. Exact whenever deg a + deg b <= 135.
FpPoly FpMul(const FpField& f, const FpPoly& a, const FpPoly& b);

struct FpDivModResult {
    FpPoly quotient;
    FpPoly remainder;
};
// a = quotient·b + remainder with deg remainder < deg b. b = 0 sets trouble "times" and gives
// quotient 0 and remainder a.
FpDivModResult FpDivMod(const FpField& f, const FpPoly& a, const FpPoly& b);
// A greatest common divisor of a and b by the Euclidean algorithm (not made monic); gcd(a, 0) = a.
FpPoly FpGcd(const FpField& f, const FpPoly& a, const FpPoly& b);
// a / t^j for the largest j with t^j | a; the zero polynomial is returned unchanged.
FpPoly FpStripT(const FpPoly& a);

// The minimal number of generators of the F_p[t,t⁻¹]-module presented by the rows × cols matrix
// M: generators index the rows, relations the columns, the module is F_p[t,t⁻¹]^rows / M·(...).
// M is brought to diagonal form over the Euclidean ring F_p[t] by row and column operations
// (each pass cancels the leading terms of a pivot's row and column against the pivot of least
// degree), powers of t are divided out of the diagonal (they are units), and the torsion part is
// made a divisibility chain d_1 | d_2 | ... by replacing pairs with their gcd and lcm. The count
// is the number of chain entries that are not units, plus one free summand for each zero
// diagonal entry and for each row beyond the columns.
// Returns 0 (no information) when one position needs more than 1000 passes, and 1 when an
// operation of the field arithmetic fails (trouble "times", or "fpdeg" when an entry would pass
// degree 135). Preconditions: 0 <= rows, cols <= 12, entries reduced mod p (RangeError for sizes).
int32_t ModuleGeneratorsFp(const FpField& f, const FpPolyMatrix& m, int rows, int cols);

// The same count without the stand-in values: empty when the diagonalisation gave up or the
// field arithmetic failed, so that 0 always means the trivial module.
std::optional<int32_t> FpModuleGeneratorCount(const FpField& f, const FpPolyMatrix& m, int rows,
                                              int cols);

// tV - Vᵀ mod p for the n × n block of an integer matrix given by its entries:
// M(i,j) = (V(i,j) mod p)·t + (-V(j,i) mod p). Precondition 0 <= n <= 12.
template <typename Matrix>
FpPolyMatrix FpAlexanderMatrix(const FpField& f, const Matrix& v, int n) {
    if (n < 0 || n > kFpMatrixDim) throw RangeError("FpAlexanderMatrix size");
    FpPolyMatrix m;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            FpPoly& e = m(i, j);
            e.c[1] = FpReduce(f, v(i, j));
            e.c[0] = (f.FieldPrime - FpReduce(f, v(j, i))) % f.FieldPrime;
            e.degree = FpDegree(e);
        }
    }
    return m;
}

// What AlexanderModuleBound found: the largest count over the primes tried and the first prime
// that reached it (0 when no prime was tried).
struct AlexanderModuleOutcome {
    int32_t best = 0;
    int32_t bestPrime = 0;
    int32_t primesTried = 0;
};

// Lower bounds from A(F_p) = F_p[t,t⁻¹]^n / (tV - Vᵀ) for the current knot, V = WorkingMatrix,
// n = WorkingSize <= 12. For each p of PrimeList in order, while nakanishiLower < nakanishiUpper
// (an upper bound must be known, tested anew for each prime) and p does not divide the lowest
// coefficient of AlexanderPoly, the count of ModuleGeneratorsFp is taken; best is the largest.
// Since m(K) >= μ(A(F_p)) and u_a(K) >= m(K): nakanishiLower is raised to best (with
// NakanishiSource "H_1(S^3\K;F_p[t,t^-1])" and NakanishiSourceTex "A(F_p)" for the first prime
// reaching it), and the unknotting lower bound is raised by RaiseLowerBound(best, "A(F_p)", "m,").
AlexanderModuleOutcome AlexanderModuleBound(KnotState& state);

}  // namespace corvane
