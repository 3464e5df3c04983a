// S-equivalence reduction of Seifert matrices: completing a primitive vector to a unimodular
// basis, and reducing knot Seifert matrices, and random enlargements of them, to non-singular
// matrices that keep every S-equivalence invariant (size, Alexander polynomial, signature,
// det(V + Vᵀ) up to the sign (-1)^(size/2), the cokernel of V + Vᵀ).
#include "arith/sequivalence.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "arith/checked.h"
#include "arith/diagonalize.h"
#include "test_matrices.h"

namespace corvane {
namespace {

using test::BigMatrix;
using test::i128;

class SEquivalenceTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearTrouble(); }
};

using CompleteToBasisTest = SEquivalenceTest;

std::string DataPath(const char* name) {
    return std::string(CORVANE_TEST_DATA_DIR) + "/" + name;
}

bool ZeroOutside(const IntMatrix& a, int size) {
    for (int i = 1; i <= kMatrixDim; ++i)
        for (int j = 1; j <= kMatrixDim; ++j)
            if ((i > size || j > size) && a(i, j) != 0) return false;
    return true;
}

IntVector VectorOf(const std::vector<int64_t>& entries) {
    IntVector v;
    for (size_t i = 0; i < entries.size(); ++i) v(static_cast<int>(i) + 1) = entries[i];
    return v;
}

// det(V - Vᵀ) and det(V + Vᵀ) of an n × n matrix.
i128 SkewDet(const IntMatrix& v, int n) {
    const BigMatrix b = test::ToBig(v, n, n);
    return test::BigDet(test::BigCombine(b, test::BigTranspose(b), -1));
}
i128 SymDet(const IntMatrix& v, int n) {
    const BigMatrix b = test::ToBig(v, n, n);
    return test::BigDet(test::BigCombine(b, test::BigTranspose(b), 1));
}

// Checks that R (size `size`) is a minimal Seifert matrix of the knot whose reference values are
// `ref`, given for a file matrix of size n0. Returns the first violation, or "".
std::string MinimalViolation(const IntMatrix& r, int size, const test::KnotReference& ref, int n0) {
    if (ArithTrouble) return "trouble " + TroubleCode;
    const int degree = static_cast<int>(ref.alexander.size()) - 1;
    if (size != degree)
        return "size " + std::to_string(size) + ", Alexander degree " + std::to_string(degree);
    if (!ZeroOutside(r, size)) return "entries outside the reduced block";
    const BigMatrix b = test::ToBig(r, size, size);
    const i128 det = test::BigDet(b);
    if (size > 0 && det == 0) return "the reduced matrix is singular";
    if (SkewDet(r, size) != 1) return "det(R - Rᵀ) = " + test::ToString(SkewDet(r, size));
    const BigMatrix sym = test::BigCombine(b, test::BigTranspose(b), 1);
    if (test::Signature(sym) != ref.signature)
        return "signature " + std::to_string(test::Signature(sym));
    const i128 signedDet = (size / 2 % 2 == 0 ? 1 : -1) * test::BigDet(sym);
    const i128 expectedDet = (n0 / 2 % 2 == 0 ? 1 : -1) * static_cast<i128>(ref.det);
    if (signedDet != expectedDet) return "det(R + Rᵀ) = " + test::ToString(test::BigDet(sym));
    // det(tR - Rᵀ) has degree `size` with leading coefficient det R, so it is sign(det R) times
    // the reference polynomial; size + 1 points decide that.
    const i128 sign = size == 0 || det > 0 ? 1 : -1;
    for (i128 t = -2; t <= size - 2; ++t)
        if (test::AlexanderAt(b, t) != sign * test::EvaluatePoly(ref.alexander, t))
            return "Alexander polynomial differs at t = " + test::ToString(t);
    // The cokernel of R + Rᵀ (first homology of the double branched cover); the determinant-only
    // mode gives its orders without accumulating transforms.
    if (size > 0) {
        const DiagonalizeResult d =
            Diagonalize(test::FromBig(sym), size, size, DiagonalizeMode{.noTransforms = true});
        if (ArithTrouble) return "trouble in the check's diagonalization";
        std::vector<int64_t> orders(d.CokernelOrders.begin() + 1,
                                    d.CokernelOrders.begin() + size + 1);
        if (test::PrimePowerParts(orders) != test::PrimePowerParts(ref.h1))
            return "cokernel of R + Rᵀ differs";
    }
    return "";
}

TEST_F(SEquivalenceTest, EmptyMatrixStaysEmpty) {
    const SEquivalenceResult r = MinimalSEquivalent(ZeroMatrix(), 0);
    EXPECT_EQ(r.ReducedSize, 0);
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(SEquivalenceTest, NonSingularMatricesComeBackUnchanged) {
    const std::vector<IntMatrix> matrices = {
        test::FromRows({{-1, 0}, {-1, -1}}),  // trefoil, determinant 1
        test::FromRows({{1, -1}, {0, 1}}),
        test::FromRows({{2, 1}, {1, 2}}),
        test::FromRows({{1, -1, 0, 0}, {0, 1, -1, 0}, {0, 0, 1, -1}, {0, 0, 0, 1}}),
        test::FromRows({{3}}),
    };
    const std::vector<int> sizes = {2, 2, 2, 4, 1};
    for (size_t k = 0; k < matrices.size(); ++k) {
        ClearTrouble();
        const SEquivalenceResult r = MinimalSEquivalent(matrices[k], sizes[k]);
        EXPECT_FALSE(ArithTrouble) << k;
        EXPECT_EQ(r.ReducedSize, sizes[k]) << k;
        EXPECT_EQ(r.matrix, matrices[k]) << k;
    }
}

TEST_F(SEquivalenceTest, ClearsTroubleOnEntry) {
    ArithTrouble = true;
    const SEquivalenceResult r = MinimalSEquivalent(test::FromRows({{-1, 0}, {-1, -1}}), 2);
    EXPECT_FALSE(ArithTrouble);
    EXPECT_EQ(r.ReducedSize, 2);
}

TEST_F(SEquivalenceTest, ElementaryEnlargementOfNothingReducesToEmpty) {
    const SEquivalenceResult r = MinimalSEquivalent(test::FromRows({{0, 0}, {1, 0}}), 2);
    EXPECT_FALSE(ArithTrouble);
    EXPECT_EQ(r.ReducedSize, 0);
    const SEquivalenceResult s = MinimalSEquivalent(test::FromRows({{0, 1}, {0, 0}}), 2);
    EXPECT_FALSE(ArithTrouble);
    EXPECT_EQ(s.ReducedSize, 0);
    // The unknot as a twice-enlarged empty matrix, hidden by a change of basis.
    const IntMatrix v = test::FromRows({{0, 1, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 1}, {0, 0, 0, 0}});
    const IntMatrix u = test::FromRows({{1, 1, 0, 0}, {0, 1, 1, 0}, {0, 0, 1, 1}, {0, 0, 0, 1}});
    const SEquivalenceResult t = MinimalSEquivalent(test::Congruence(v, u, 4), 4);
    EXPECT_FALSE(ArithTrouble);
    EXPECT_EQ(t.ReducedSize, 0);
}

TEST_F(CompleteToBasisTest, UnitEntryGivesTheOtherUnitVectors) {
    const IntMatrix q = test::FromRows({{0, 1, 0}, {0, 0, 1}, {1, 0, 0}});
    const IntMatrix u = CompleteToBasis(q, VectorOf({0, 1, 0}), 3);
    EXPECT_EQ(u, test::FromRows({{1, 0, 0}, {0, 0, 1}, {0, 1, 0}}));  // columns e1, e3, v
    // The last entry of absolute value 1 is the one left out.
    const IntMatrix u2 = CompleteToBasis(IdentityMatrix(3), VectorOf({1, 5, -1}), 3);
    EXPECT_EQ(u2, test::FromRows({{1, 0, 1}, {0, 1, 5}, {0, 0, -1}}));
    const IntMatrix u3 = CompleteToBasis(IdentityMatrix(4), VectorOf({-1, 4, 6, 2}), 4);
    EXPECT_EQ(u3, test::FromRows({{0, 0, 0, -1}, {1, 0, 0, 4}, {0, 1, 0, 6}, {0, 0, 1, 2}}));
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(CompleteToBasisTest, CoprimePairGivesABezoutColumn) {
    // v = (2, 3): k = 1, since 2 divides 3·1 - 1; w = (1, 1).
    const IntMatrix u = CompleteToBasis(test::FromRows({{-1, 2}, {-1, 3}}), VectorOf({2, 3}), 2);
    EXPECT_EQ(u, test::FromRows({{1, 2}, {1, 3}}));
    // v = (4, 6, 9): the cheapest coprime pair is (4, 9); k = 1, since 4 divides 9 - 1, w_3 = 2;
    // the columns are e2, w = (1, 0, 2), v.
    const IntMatrix q = test::FromRows({{-1, 0, 4}, {0, 1, 6}, {-2, 0, 9}});
    const IntMatrix u2 = CompleteToBasis(q, VectorOf({4, 6, 9}), 3);
    EXPECT_EQ(u2, test::FromRows({{0, 1, 4}, {1, 0, 6}, {0, 2, 9}}));
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(CompleteToBasisTest, WithoutUnitOrCoprimePairTheGivenBasisIsKept) {
    // Any two of 6, 10, 15 share a factor, though the three are coprime.
    const IntMatrix q = test::FromRows({{-2, -1, 6}, {-1, -1, 10}, {0, -1, 15}});
    ASSERT_EQ(test::BigDet(test::ToBig(q, 3, 3)), 1);
    EXPECT_EQ(CompleteToBasis(q, VectorOf({6, 10, 15}), 3), q);
}

// For random primitive vectors (last columns of random unimodular matrices): the result is
// unimodular, ends in v, and has the sparse shape promised: unit vectors in increasing order,
// then one column supported on the two indices they leave out (or on none when v has a unit).
TEST_F(CompleteToBasisTest, RandomPrimitiveVectors) {
    std::mt19937 rng(123);
    int sparse = 0;
    for (int trial = 0; trial < 400; ++trial) {
        const int n = static_cast<int>(test::UniformInt(rng, 2, 7));
        const IntMatrix q = test::RandomUnimodular(rng, n, 4 * n);
        IntVector v;
        bool unit = false;
        for (int i = 1; i <= n; ++i) {
            v(i) = q(i, n);
            unit = unit || v(i) == 1 || v(i) == -1;
        }
        SCOPED_TRACE(test::Describe(q, n, n));
        ClearTrouble();
        const IntMatrix u = CompleteToBasis(q, v, n);
        ASSERT_FALSE(ArithTrouble);
        ASSERT_TRUE(ZeroOutside(u, n));
        for (int i = 1; i <= n; ++i) ASSERT_EQ(u(i, n), v(i));
        ASSERT_EQ(test::Abs128(test::BigDet(test::ToBig(u, n, n))), 1);
        if (u == q && !unit) continue;  // no sparse completion exists or was cheap enough
        const int units = unit ? n - 1 : n - 2;
        std::vector<bool> used(n + 1, false);
        int previous = 0;
        for (int j = 1; j <= units; ++j) {
            int at = 0;
            for (int i = 1; i <= n; ++i)
                if (u(i, j) != 0) {
                    ASSERT_EQ(at, 0) << "column " << j << " is not a unit vector";
                    ASSERT_EQ(u(i, j), 1) << "column " << j << " is not a unit vector";
                    at = i;
                }
            ASSERT_GT(at, previous) << "unit vectors out of order";
            used[at] = true;
            previous = at;
        }
        if (!unit)
            for (int i = 1; i <= n; ++i)
                if (used[i]) {
                    ASSERT_EQ(u(i, n - 1), 0) << "Bezout column outside its pair";
                }
        if (unit)
            for (int i = 1; i <= n; ++i)
                if (!used[i]) {
                    ASSERT_TRUE(v(i) == 1 || v(i) == -1);
                }
        ++sparse;
    }
    EXPECT_GT(sparse, 300);
}

class KnotMatrices : public SEquivalenceTest {
  protected:
    void SetUp() override {
        SEquivalenceTest::SetUp();
        knots_ = test::ReadKnotMatrices(DataPath("rolfsen-8-matrices.txt"));
        references_ = test::ReadKnotReferences(DataPath("rolfsen-8-reference.tsv"));
    }
    std::vector<test::KnotMatrix> knots_;
    std::map<std::string, test::KnotReference> references_;
};

TEST_F(KnotMatrices, ReferenceValuesMatchTheFileMatrices) {
    // A check of the test's own tools (signature, determinants) on the unreduced matrices.
    ASSERT_EQ(knots_.size(), 35u);
    for (const auto& knot : knots_) {
        ASSERT_TRUE(references_.count(knot.name)) << knot.name;
        const test::KnotReference& ref = references_.at(knot.name);
        EXPECT_EQ(SkewDet(knot.v, knot.n), 1) << knot.name;
        EXPECT_EQ(SymDet(knot.v, knot.n), ref.det) << knot.name;
        const BigMatrix b = test::ToBig(knot.v, knot.n, knot.n);
        EXPECT_EQ(test::Signature(test::BigCombine(b, test::BigTranspose(b), 1)), ref.signature)
            << knot.name;
    }
}

TEST_F(KnotMatrices, EveryKnotReducesToAMinimalMatrix) {
    int reduced = 0;
    for (const auto& knot : knots_) {
        ClearTrouble();
        const SEquivalenceResult r = MinimalSEquivalent(knot.v, knot.n);
        EXPECT_EQ(MinimalViolation(r.matrix, r.ReducedSize, references_.at(knot.name), knot.n), "")
            << knot.name;
        EXPECT_EQ((knot.n - r.ReducedSize) % 2, 0) << knot.name;
        if (r.ReducedSize < knot.n) ++reduced;
    }
    EXPECT_GT(reduced, 5);  // the file has singular matrices, which must shrink
}

// Random elementary enlargements (both layouts) hidden by random unimodular congruences, once or
// twice: each must reduce to a minimal matrix of the same knot.
TEST_F(KnotMatrices, RandomEnlargementsReduceToTheSameKnot) {
    std::mt19937 rng(97531);
    int trials = 0;
    for (const auto& knot : knots_) {
        const test::KnotReference& ref = references_.at(knot.name);
        for (int variant = 0; variant < 6; ++variant) {
            IntMatrix v = knot.v;
            int n = knot.n;
            const int enlargements = variant < 3 ? 1 : 2;
            for (int e = 0; e < enlargements; ++e) {
                if (variant % 3 == 2)
                    v = test::Congruence(v, test::RandomUnimodular(rng, n, n / 2), n);
                v = test::ElementaryEnlargement(v, n, rng, test::UniformInt(rng, 0, 1) == 1,
                                                variant % 3 == 1 ? 6 : 3);
                n += 2;
                v = test::Congruence(v, test::RandomUnimodular(rng, n, n / 2 + 1), n);
            }
            ASSERT_EQ(SkewDet(v, n), 1) << "test construction";
            SCOPED_TRACE(knot.name + " as " + test::Describe(v, n, n));
            ClearTrouble();
            const SEquivalenceResult r = MinimalSEquivalent(v, n);
            ASSERT_EQ(MinimalViolation(r.matrix, r.ReducedSize, ref, knot.n), "");
            ++trials;
        }
    }
    EXPECT_EQ(trials, 6 * 35);
}

}  // namespace
}  // namespace corvane
