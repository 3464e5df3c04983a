// The big-integer routines against PARI/GP on S-enlarged Seifert matrices of table knots with
// large entries (tests/data/enlarged-knots.txt, enlarged-reference.tsv): determinant, Smith form,
// signature and det(tV - Vᵀ) of the matrices as given, and the invariants of the minimal matrices
// that the exact reduction gives.
#include "arith/big_integer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "arith/checked.h"
#include "arith/exact_reduction.h"
#include "arith/test_matrices.h"

namespace corvane {
namespace {

// V + Vᵀ.
BigMatrix Symmetrised(const BigMatrix& v) {
    BigMatrix s(v.Rows(), v.Cols());
    for (int i = 1; i <= v.Rows(); ++i)
        for (int j = 1; j <= v.Cols(); ++j) fmpz_add(s(i, j), v(i, j), v(j, i));
    return s;
}

// Coefficients from t^0 up without the powers of t and with a positive leading coefficient.
std::vector<int64_t> Normalised(const BigPoly& p) {
    std::vector<int64_t> c;
    for (int64_t j = 0; j <= p.Degree(); ++j) {
        const BigInt x = p.Coefficient(j);
        EXPECT_TRUE(x.FitsInt64());
        if (c.empty() && x.Sign() == 0) continue;
        c.push_back(x.ToInt64());
    }
    if (!c.empty() && c.back() < 0)
        for (int64_t& x : c) x = -x;
    return c;
}

std::vector<int64_t> SmithWithoutOnes(const BigMatrix& m) {
    std::vector<int64_t> out;
    for (const BigInt& d : SmithInvariantFactors(m))
        if (!(d == BigInt(1))) out.push_back(d.ToInt64());
    return out;
}

TEST(BigInteger, EnlargedMatricesAgainstPari) {
    const std::string data = CORVANE_TEST_DATA_DIR;
    const auto knots = test::ReadKnotMatrices(data + "/enlarged-knots.txt");
    const auto references = test::ReadKnotReferences(data + "/enlarged-reference.tsv");
    ASSERT_EQ(knots.size(), 70u);
    int outOfRange = 0;
    for (const test::KnotMatrix& k : knots) {
        SCOPED_TRACE(k.name);
        const test::KnotReference& r = references.at(k.name);
        std::vector<int64_t> h1 = r.h1;
        std::sort(h1.begin(), h1.end());

        // The matrix as given.
        const BigMatrix v = BigFromInt(k.v, k.n);
        EXPECT_EQ(BigDeterminant(Symmetrised(v)), BigInt(r.det));
        EXPECT_EQ(SymmetricSignature(Symmetrised(v)), r.signature);
        EXPECT_EQ(SmithWithoutOnes(Symmetrised(v)), h1);
        EXPECT_EQ(Normalised(BigAlexanderPolynomial(v)), r.alexander);

        try {
            MinimalSEquivalent(k.v, k.n);
            outOfRange += ArithTrouble ? 1 : 0;
        } catch (const CalculationError&) {
            ++outOfRange;
        }
        // Its minimal matrix: size 2g = deg Δ, small entries, the same invariants.
        const ExactReduction reduced = MinimalSEquivalentExact(k.v, k.n);
        ASSERT_EQ(reduced.big, nullptr);
        const int m = reduced.small.ReducedSize;
        EXPECT_EQ(m + 1, static_cast<int>(r.alexander.size()));
        EXPECT_LE(MaxAbsEntry(reduced.small.matrix, m), 100u);
        const BigMatrix w = BigFromInt(reduced.small.matrix, m);
        const BigInt det = BigDeterminant(Symmetrised(w));
        EXPECT_TRUE(det == BigInt(r.det) || det == BigInt(-r.det));
        EXPECT_EQ(SymmetricSignature(Symmetrised(w)), r.signature);
        EXPECT_EQ(SmithWithoutOnes(Symmetrised(w)), h1);
        EXPECT_EQ(Normalised(BigAlexanderPolynomial(w)), r.alexander);
        EXPECT_NE(BigDeterminant(w).Sign(), 0);
    }
    // Most of these overflow the checked 64-bit reduction.
    EXPECT_GE(outOfRange, 35);
}

// The congruence reductions on a matrix far from reduced: P·V·Pᵀ of the trefoil's matrix with a
// unimodular P of large entries comes back to entries of size 1, with the same form invariants;
// the pairwise and LLL reductions alone never raise the sum of squares.
TEST(BigInteger, CongruenceReductionsKeepTheForm) {
    BigMatrix v(4, 4);
    const int64_t rows[4][4] = {{-1, 0, 0, 0}, {-1, -1, 0, 0}, {0, 0, 1, 0}, {-1, 0, -1, -1}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) fmpz_set_si(v(i + 1, j + 1), rows[i][j]);
    BigMatrix p(4, 4);
    fmpz_mat_one(p.get());
    for (int step = 0; step < 40; ++step) {  // e_j := e_j + c·e_i
        const int i = step % 4 + 1;
        const int j = (step * 3 + 1) % 4 + 1;
        if (i == j) continue;
        for (int k = 1; k <= 4; ++k) fmpz_addmul_ui(p(j, k), p(i, k), 2 + step % 3);
    }
    BigMatrix pt(4, 4);
    fmpz_mat_transpose(pt.get(), p.get());
    BigMatrix pv(4, 4);
    fmpz_mat_mul(pv.get(), p.get(), v.get());
    BigMatrix far(4, 4);
    fmpz_mat_mul(far.get(), pv.get(), pt.get());
    EXPECT_GT(fmpz_bits(MaxAbsEntry(far).get()), 40u);

    const auto sumOfSquares = [](const BigMatrix& m) {
        BigInt s;
        for (int i = 1; i <= m.Rows(); ++i)
            for (int j = 1; j <= m.Cols(); ++j) fmpz_addmul(s.get(), m(i, j), m(i, j));
        return s;
    };
    BigMatrix pairwise = far;
    SizeReduceCongruence(pairwise);
    EXPECT_LE(fmpz_cmp(sumOfSquares(pairwise).get(), sumOfSquares(far).get()), 0);
    BigMatrix reduced = far;
    ReduceEntries(reduced);
    EXPECT_EQ(MaxAbsEntry(reduced), BigInt(1));
    for (const BigMatrix* m : {&pairwise, &reduced}) {
        EXPECT_EQ(BigDeterminant(*m), BigDeterminant(v));
        EXPECT_EQ(SymmetricSignature(Symmetrised(*m)), -2);
        EXPECT_EQ(BigAlexanderPolynomial(*m).CoefficientTexts(),
                  BigAlexanderPolynomial(v).CoefficientTexts());
    }
    EXPECT_EQ(BigMatrixText(reduced).front(), '[');
}

}  // namespace
}  // namespace corvane
