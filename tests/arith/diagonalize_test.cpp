// Diagonal reduction of integer matrices: the identities P·M·Q = D and P·P⁻¹ = Q·Q⁻¹ = I, the
// determinant, the cokernel with its generators and their orders, the normalised invariant
// factors, the determinant-only, right-transform-only and solve modes, and the adjugate.
#include "arith/diagonalize.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "arith/checked.h"
#include "test_matrices.h"

namespace corvane {
namespace {

using test::BigMatrix;
using test::i128;

class DiagonalizeTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearTrouble(); }
};

using IntAdjugateTest = DiagonalizeTest;

constexpr DiagonalizeMode kFull{};
constexpr DiagonalizeMode kDeterminantOnly{.noTransforms = true};
constexpr DiagonalizeMode kRightOnly{.rightOnly = true};
constexpr DiagonalizeMode kSolve{.solveLastColumn = true};

DiagonalizeMode DeterminantModulo(int64_t m) {
    return {.noTransforms = true, .modulus = m};
}
DiagonalizeMode SolveModulo(int64_t m) {
    return {.solveLastColumn = true, .modulus = m};
}

// The adjugate from cofactors, each a determinant of a minor: independent of the reduction.
BigMatrix CofactorAdjugate(const BigMatrix& a) {
    const int n = static_cast<int>(a.size());
    BigMatrix adj(n, std::vector<i128>(n, 0));
    if (n == 1) {
        adj[0][0] = 1;
        return adj;
    }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            BigMatrix minor;
            for (int r = 0; r < n; ++r) {
                if (r == i) continue;
                std::vector<i128> row;
                for (int c = 0; c < n; ++c)
                    if (c != j) row.push_back(a[r][c]);
                minor.push_back(row);
            }
            adj[j][i] = ((i + j) % 2 == 0 ? 1 : -1) * test::BigDet(minor);
        }
    return adj;
}

// For a non-singular square M: y lies in M·Z^n iff adj(M)·y ≡ 0 (mod det M).
bool InImageOfNonSingular(const BigMatrix& adj, i128 det, const std::vector<i128>& y) {
    for (const auto& row : adj) {
        i128 s = 0;
        for (size_t j = 0; j < y.size(); ++j) s = test::Add128(s, test::Mul128(row[j], y[j]));
        if (s % det != 0) return false;
    }
    return true;
}

std::vector<int64_t> PrimesDividing(int64_t n) {
    std::vector<int64_t> primes;
    for (int64_t p = 2; p <= n / p; ++p) {
        if (n % p != 0) continue;
        primes.push_back(p);
        while (n % p == 0) n /= p;
    }
    if (n > 1) primes.push_back(n);
    return primes;
}

// Asks the solve mode whether M·x = y has an integral solution; a claimed solution is checked.
// No answer (nullopt) when
// y is large or the solve hits trouble: the pivot rule lets the transforms grow quickly, and
// trouble is then the documented outcome.
int solveChecks = 0;
std::optional<bool> SolveClaims(const IntMatrix& m, int rows, int cols, const std::vector<i128>& y,
                                std::string* error) {
    IntMatrix system = m;
    for (int i = 1; i <= rows; ++i) {
        if (test::Abs128(y[i - 1]) > 1'000'000) return std::nullopt;
        system(i, cols + 1) = static_cast<int64_t>(y[i - 1]);
    }
    const DiagonalizeResult r = Diagonalize(system, rows, cols + 1, kSolve);
    if (ArithTrouble) {
        ClearTrouble();
        return std::nullopt;
    }
    if (r.SolutionExists) {
        for (int i = 1; i <= rows; ++i) {
            i128 s = 0;
            for (int j = 1; j <= cols; ++j) s += static_cast<i128>(m(i, j)) * r.SolutionVector(j);
            if (s != y[i - 1]) {
                *error = "solve mode returned a vector that is no solution";
                return std::nullopt;
            }
        }
    }
    ++solveChecks;
    return r.SolutionExists;
}

bool ZeroOutside(const IntMatrix& a, int rows, int cols) {
    for (int i = 1; i <= kMatrixDim; ++i)
        for (int j = 1; j <= kMatrixDim; ++j)
            if ((i > rows || j > cols) && a(i, j) != 0) return false;
    return true;
}

// Everything a full-mode call promises; returns a description of the first violation, or "".
std::string FullModeViolation(const IntMatrix& m, int rows, int cols, const DiagonalizeResult& r) {
    if (ArithTrouble) return "trouble " + TroubleCode;
    const IntMatrix& d = r.DiagResult;
    for (int i = 1; i <= kMatrixDim; ++i)
        for (int j = 1; j <= kMatrixDim; ++j)
            if ((i != j || i > rows || j > cols) && d(i, j) != 0) return "D is not diagonal";
    if (!ZeroOutside(r.DiagLeft, rows, rows) || !ZeroOutside(r.DiagLeftInverse, rows, rows) ||
        !ZeroOutside(r.DiagRight, cols, cols) || !ZeroOutside(r.DiagRightInverse, cols, cols))
        return "a transform has entries outside its block";
    const BigMatrix p = test::ToBig(r.DiagLeft, rows, rows);
    const BigMatrix pInv = test::ToBig(r.DiagLeftInverse, rows, rows);
    const BigMatrix q = test::ToBig(r.DiagRight, cols, cols);
    const BigMatrix qInv = test::ToBig(r.DiagRightInverse, cols, cols);
    const BigMatrix bm = test::ToBig(m, rows, cols);
    if (test::BigMul(test::BigMul(p, bm), q) != test::ToBig(d, rows, cols)) return "P·M·Q != D";
    if (test::BigMul(p, pInv) != test::BigIdentity(rows)) return "P·P⁻¹ != I";
    if (test::BigMul(q, qInv) != test::BigIdentity(cols)) return "Q·Q⁻¹ != I";

    i128 product = 1;
    for (int i = 1; i <= rows; ++i) {
        const int64_t di = d(i, i);
        if (r.CokernelOrders[i] != (di < 0 ? -di : di)) return "CokernelOrders[i] != |d_i|";
        product *= r.CokernelOrders[i];
        for (int k = 1; k <= kMatrixDim; ++k) {
            const int64_t expected = k <= rows ? r.DiagLeftInverse(k, i) : 0;
            if (r.CokernelGenerators[i](k) != expected) return "generator i != column i of P⁻¹";
        }
    }
    for (int i = rows + 1; i <= kMatrixDim; ++i)
        if (r.CokernelOrders[i] != 0 || r.CokernelGenerators[i] != IntVector{})
            return "slots beyond rows are not zero";
    if (test::Abs128(r.value) != product) return "|value| != product of the |d_i|";
    if (rows == cols && r.value != test::BigDet(bm))
        return "value " + std::to_string(r.value) + " != det " + test::ToString(test::BigDet(bm));

    // Orders of the generators in the cokernel Z^rows / M·Z^cols: o·g ∈ im M, (o/p)·g ∉ im M for
    // every prime p | o, and no positive multiple of a generator of a free summand lies in it.
    const i128 det = rows == cols ? test::BigDet(bm) : 0;
    const BigMatrix adj = det != 0 ? CofactorAdjugate(bm) : BigMatrix{};
    for (int i = 1; i <= rows; ++i) {
        const int64_t order = r.CokernelOrders[i];
        std::vector<std::pair<int64_t, bool>> multiples;  // (k, whether k·g_i must lie in im M)
        if (order == 0) {
            multiples = {{1, false}, {2, false}, {6, false}};
        } else {
            multiples.push_back({order, true});
            for (const int64_t prime : PrimesDividing(order))
                multiples.push_back({order / prime, false});
        }
        for (const auto& [k, member] : multiples) {
            std::vector<i128> y(rows);
            for (int j = 1; j <= rows; ++j)
                y[j - 1] = static_cast<i128>(k) * r.CokernelGenerators[i](j);
            const std::string what =
                "generator " + std::to_string(i) + " times " + std::to_string(k);
            if (det != 0 && InImageOfNonSingular(adj, det, y) != member)
                return what + (member ? " is not in im M" : " is in im M");
            std::string error;
            const std::optional<bool> claim = SolveClaims(m, rows, cols, y, &error);
            if (!error.empty()) return what + ": " + error;
            if (claim.has_value() && *claim != member)
                return what +
                       (member ? ": solve mode finds no solution" : ": solve mode finds one");
        }
    }
    return "";
}

// Random integer matrices of many shapes: square, tall, wide, singular, larger entries, sparse.
IntMatrix RandomCase(std::mt19937& rng, int kind, int* rows, int* cols) {
    using test::UniformInt;
    switch (kind) {
        case 0:
        case 1:
        case 2:
            *rows = *cols = static_cast<int>(UniformInt(rng, 1, 7));
            return test::RandomMatrix(rng, *rows, *cols, -5, 5);
        case 3:
            *rows = static_cast<int>(UniformInt(rng, 2, 8));
            *cols = static_cast<int>(UniformInt(rng, 1, *rows - 1));
            return test::RandomMatrix(rng, *rows, *cols, -5, 5);
        case 4:
            *cols = static_cast<int>(UniformInt(rng, 2, 8));
            *rows = static_cast<int>(UniformInt(rng, 1, *cols - 1));
            return test::RandomMatrix(rng, *rows, *cols, -5, 5);
        case 5: {  // singular: the last row is a combination of two others
            const int n = static_cast<int>(UniformInt(rng, 3, 7));
            *rows = *cols = n;
            IntMatrix m = test::RandomMatrix(rng, n, n, -4, 4);
            const int a = static_cast<int>(UniformInt(rng, 1, n - 1));
            const int b = static_cast<int>(UniformInt(rng, 1, n - 1));
            const int64_t x = UniformInt(rng, -2, 2);
            const int64_t y = UniformInt(rng, -2, 2);
            for (int j = 1; j <= n; ++j) m(n, j) = x * m(a, j) + y * m(b, j);
            return m;
        }
        case 6:  // larger entries; beyond 4 × 4 the transforms soon leave the checked range
            *rows = *cols = static_cast<int>(UniformInt(rng, 1, 4));
            return test::RandomMatrix(rng, *rows, *cols, -40, 40);
        default: {  // sparse, any shape, with repeated small torsion
            *rows = static_cast<int>(UniformInt(rng, 1, 8));
            *cols = static_cast<int>(UniformInt(rng, 1, 8));
            IntMatrix m;
            for (int i = 1; i <= *rows; ++i)
                for (int j = 1; j <= *cols; ++j)
                    if (UniformInt(rng, 0, 3) == 0) m(i, j) = 2 * UniformInt(rng, -4, 4);
            return m;
        }
    }
}

TEST_F(DiagonalizeTest, EmptyMatricesGiveOne) {
    const IntMatrix m = test::FromRows({{5, 1}, {2, 7}});
    EXPECT_EQ(Diagonalize(m, 0, 0).value, 1);
    EXPECT_EQ(Diagonalize(m, 2, 0).value, 1);
    EXPECT_EQ(Diagonalize(m, 0, 2).value, 1);
    EXPECT_EQ(Diagonalize(m, 0, 0, DeterminantModulo(7)).value, 1);
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(DiagonalizeTest, OneByOneNegative) {
    const IntMatrix m = test::FromRows({{-3}});
    const DiagonalizeResult r = Diagonalize(m, 1, 1);
    EXPECT_EQ(r.value, -3);
    EXPECT_EQ(r.DiagResult(1, 1), 3);
    EXPECT_EQ(r.CokernelOrders[1], 3);
    EXPECT_EQ(r.DiagLeft(1, 1), -1);
    EXPECT_EQ(r.DiagLeftInverse(1, 1), -1);
    EXPECT_EQ(r.DiagRight(1, 1), 1);
    EXPECT_EQ(r.CokernelGenerators[1](1), -1);
    EXPECT_EQ(r.InvariantFactors[1], 3);
    EXPECT_EQ(r.GeneratorCount, 1);
    EXPECT_EQ(FullModeViolation(m, 1, 1, r), "");
}

TEST_F(DiagonalizeTest, TwoByTwoWithDeterminantThree) {
    const IntMatrix m = test::FromRows({{2, 1}, {1, 2}});
    const DiagonalizeResult r = Diagonalize(m, 2, 2);
    EXPECT_EQ(r.value, 3);
    std::vector<int64_t> orders = {r.CokernelOrders[1], r.CokernelOrders[2]};
    std::sort(orders.begin(), orders.end());
    EXPECT_EQ(orders, (std::vector<int64_t>{1, 3}));
    EXPECT_EQ(r.GeneratorCount, 1);
    EXPECT_EQ(FullModeViolation(m, 2, 2, r), "");
}

TEST_F(DiagonalizeTest, SingularSquareMatrixInFullModeHasAFreeSummand) {
    const IntMatrix m = test::FromRows({{2, 4}, {3, 6}});
    const DiagonalizeResult r = Diagonalize(m, 2, 2);
    EXPECT_EQ(r.value, 0);
    std::vector<int64_t> orders = {r.CokernelOrders[1], r.CokernelOrders[2]};
    std::sort(orders.begin(), orders.end());
    EXPECT_EQ(orders,
              (std::vector<int64_t>{0, 1}));  // cokernel Z: rows (1,2) and (3,6) span 1 column
    EXPECT_EQ(r.GeneratorCount, 1);
    EXPECT_EQ(FullModeViolation(m, 2, 2, r), "");
}

// The normalisation moves each prime-power part of a later diagonal entry to the first earlier
// entry prime to it. Positive diagonal input is already reduced, so D is the input itself.
TEST_F(DiagonalizeTest, InvariantFactorNormalisation) {
    struct Case {
        std::vector<int64_t> diagonal;
        std::vector<int64_t> factors;
        int count;
    };
    const std::vector<Case> cases = {
        {{2, 3}, {6, 1}, 1},
        {{2, 4}, {2, 4}, 2},
        {{2, 2, 3}, {6, 2, 1}, 2},
        {{4, 6, 10}, {60, 2, 2}, 3},  // 5 moves to 4, then 3 moves to 20
        {{12, 1, 5}, {60, 1, 1}, 1},
        {{0, 6}, {0, 6}, 2},  // nothing moves into a free summand, which counts
        {{1, 1}, {1, 1}, 0},
        {{3, 2, 2}, {6, 2, 1}, 2},
        {{2, 9, 4, 3}, {6, 36, 1, 1}, 2},  // 3 moves to 2, then 4 to 9
    };
    for (const Case& c : cases) {
        const int n = static_cast<int>(c.diagonal.size());
        IntMatrix m;
        for (int i = 1; i <= n; ++i) m(i, i) = c.diagonal[i - 1];
        const DiagonalizeResult r = Diagonalize(m, n, n);
        SCOPED_TRACE(test::Describe(m, n, n));
        ASSERT_FALSE(ArithTrouble);
        for (int i = 1; i <= n; ++i) {
            EXPECT_EQ(r.CokernelOrders[i], c.diagonal[i - 1]) << i;
            EXPECT_EQ(r.InvariantFactors[i], c.factors[i - 1]) << i;
        }
        for (int i = n + 1; i <= kMatrixDim; ++i) EXPECT_EQ(r.InvariantFactors[i], 0) << i;
        EXPECT_EQ(r.GeneratorCount, c.count);
        EXPECT_EQ(FullModeViolation(m, n, n, r), "");
    }
}

// Several hundred random matrices against every full-mode promise, plus the normalisation:
// InvariantFactors describe the same group as the diagonal (same prime-power parts, the same
// free summands in the same places) and GeneratorCount counts its entries other than 1.
TEST_F(DiagonalizeTest, RandomMatricesSatisfyAllFullModeIdentities) {
    std::mt19937 rng(20240611);
    int singular = 0;
    int torsion = 0;
    for (int trial = 0; trial < 480; ++trial) {
        int rows = 0;
        int cols = 0;
        const IntMatrix m = RandomCase(rng, trial % 8, &rows, &cols);
        SCOPED_TRACE(test::Describe(m, rows, cols));
        ClearTrouble();
        const DiagonalizeResult r = Diagonalize(m, rows, cols);
        ASSERT_EQ(FullModeViolation(m, rows, cols, r), "");

        std::vector<int64_t> diagonal;
        std::vector<int64_t> factors;
        int count = 0;
        for (int i = 1; i <= cols; ++i) {
            const int64_t di = r.DiagResult(i, i);
            diagonal.push_back(di);
            factors.push_back(r.InvariantFactors[i]);
            ASSERT_GE(r.InvariantFactors[i], 0);
            ASSERT_EQ(r.InvariantFactors[i] == 0, di == 0) << "free summand moved at " << i;
            if (r.InvariantFactors[i] != 1) ++count;
        }
        for (int i = cols + 1; i <= kMatrixDim; ++i) ASSERT_EQ(r.InvariantFactors[i], 0);
        ASSERT_EQ(test::PrimePowerParts(diagonal), test::PrimePowerParts(factors));
        ASSERT_EQ(r.GeneratorCount, count);
        if (rows == cols && r.value == 0) ++singular;
        if (!test::PrimePowerParts(diagonal).empty()) ++torsion;
    }
    EXPECT_GT(singular, 50);
    EXPECT_GT(torsion, 200);
    EXPECT_GT(solveChecks, 1000);
}

// Golden cokernels computed with an independent computer algebra system (determinant, Smith
// form and rank), see the data file's header.
TEST_F(DiagonalizeTest, CokernelsAgreeWithIndependentSmithForms) {
    std::ifstream in(std::string(CORVANE_TEST_DATA_DIR) + "/smith-forms.txt");
    ASSERT_TRUE(in) << "smith-forms.txt missing";
    std::string line;
    int cases = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%') continue;
        std::vector<std::string> fields;
        std::stringstream split(line);
        std::string field;
        while (std::getline(split, field, '|')) fields.push_back(field);
        ASSERT_GE(fields.size(), 4u) << line;
        int rows = 0;
        int cols = 0;
        std::stringstream(fields[0]) >> rows >> cols;
        std::stringstream entries(fields[1]);
        IntMatrix m;
        for (int i = 1; i <= rows; ++i)
            for (int j = 1; j <= cols; ++j) entries >> m(i, j);
        const std::string det = fields[2];
        const int free = std::stoi(fields[3]);
        const std::vector<int64_t> smith = test::SplitNumbers(fields.size() > 4 ? fields[4] : "");
        SCOPED_TRACE(line);
        ClearTrouble();
        const DiagonalizeResult r = Diagonalize(m, rows, cols);
        ASSERT_EQ(FullModeViolation(m, rows, cols, r), "");
        if (rows == cols) {
            EXPECT_EQ(r.value, std::stoll(det));
        }
        std::vector<int64_t> diagonal;
        int zeros = 0;
        for (int i = 1; i <= rows; ++i) {
            const int64_t di = i <= cols ? r.DiagResult(i, i) : 0;
            diagonal.push_back(di);
            if (di == 0) ++zeros;
        }
        EXPECT_EQ(zeros, free);
        EXPECT_EQ(test::PrimePowerParts(diagonal), test::PrimePowerParts(smith));
        std::vector<int64_t> factors(r.InvariantFactors.begin() + 1,
                                     r.InvariantFactors.begin() + cols + 1);
        EXPECT_EQ(test::PrimePowerParts(factors), test::PrimePowerParts(smith));
        // No cyclic decomposition has fewer summands than the Smith form.
        if (rows == cols) {
            EXPECT_GE(r.GeneratorCount, static_cast<int>(smith.size()) + free);
        }
        ++cases;
    }
    EXPECT_GT(cases, 50);
}

TEST_F(DiagonalizeTest, MoreThanSeventyColumnsIsTrouble) {
    const IntMatrix m = IdentityMatrix(2);
    Diagonalize(m, 2, 71);
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "13");
}

TEST_F(DiagonalizeTest, ProductBeyondTheCheckedRangeIsTrouble) {
    IntMatrix m;
    m(1, 1) = 10'000'000'000;
    m(2, 2) = 10'000'000'000;
    Diagonalize(m, 2, 2);
    EXPECT_TRUE(ArithTrouble);
}

TEST_F(DiagonalizeTest, DeterminantOnlyOverTheIntegers) {
    std::mt19937 rng(1234);
    int singular = 0;
    for (int trial = 0; trial < 300; ++trial) {
        int rows = 0;
        int cols = 0;
        const IntMatrix m =
            RandomCase(rng, std::vector<int>{0, 1, 5, 6, 7}[trial % 5], &rows, &cols);
        if (rows != cols) continue;
        SCOPED_TRACE(test::Describe(m, rows, cols));
        ClearTrouble();
        const DiagonalizeResult r = Diagonalize(m, rows, cols, kDeterminantOnly);
        ASSERT_FALSE(ArithTrouble) << TroubleCode;
        const i128 det = test::BigDet(test::ToBig(m, rows, cols));
        ASSERT_EQ(static_cast<i128>(r.value), det);
        EXPECT_EQ(r.GeneratorCount, 0);
        if (det == 0) {
            ++singular;
            continue;
        }
        // The transforms do not steer the reduction, so D is the full mode's D.
        const DiagonalizeResult full = Diagonalize(m, rows, cols);
        ASSERT_FALSE(ArithTrouble) << TroubleCode;
        ASSERT_EQ(r.DiagResult, full.DiagResult);
        ASSERT_EQ(r.CokernelOrders, full.CokernelOrders);
    }
    EXPECT_GT(singular, 20);
}

TEST_F(DiagonalizeTest, DeterminantOnlyStopsAtAZeroRowAndColumn) {
    const IntMatrix m = test::FromRows({{1, 2, 0}, {3, 4, 0}, {0, 0, 0}});
    EXPECT_EQ(Diagonalize(m, 3, 3, kDeterminantOnly).value, 0);
    const IntMatrix n = test::FromRows({{0, 0}, {0, 5}});
    EXPECT_EQ(Diagonalize(n, 2, 2, kDeterminantOnly).value, 0);
    const IntMatrix dependent = test::FromRows({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    EXPECT_EQ(Diagonalize(dependent, 3, 3, kDeterminantOnly).value, 0);
    EXPECT_EQ(Diagonalize(dependent, 3, 3, DeterminantModulo(5)).value % 5, 0);
    EXPECT_FALSE(ArithTrouble);
}

// Modulo m every step either preserves the determinant (row and column additions, reductions of
// entries mod m) or negates it together with the tracked sign, so value ≡ det M (mod m) exactly.
// The diagonal entries end in the symmetric residue range.
TEST_F(DiagonalizeTest, DeterminantOnlyModuloM) {
    std::mt19937 rng(55);
    const std::vector<int64_t> moduli = {2, 3, 4, 5, 7, 9, 10, 11, 12, 13, 97};
    for (int trial = 0; trial < 600; ++trial) {
        const int n = static_cast<int>(test::UniformInt(rng, 1, 6));
        const int64_t modulus = moduli[trial % moduli.size()];
        IntMatrix m = test::RandomMatrix(rng, n, n, -9, 9);
        if (trial % 4 == 3 && n > 1)  // make it singular
            for (int j = 1; j <= n; ++j) m(n, j) = 2 * m(1, j);
        SCOPED_TRACE(test::Describe(m, n, n) + " mod " + std::to_string(modulus));
        ClearTrouble();
        const DiagonalizeResult r = Diagonalize(m, n, n, DeterminantModulo(modulus));
        ASSERT_FALSE(ArithTrouble) << TroubleCode;
        const i128 det = test::BigDet(test::ToBig(m, n, n));
        ASSERT_EQ((static_cast<i128>(r.value) - det) % modulus, 0)
            << "value " << r.value << ", det " << test::ToString(det);
        EXPECT_EQ(r.GeneratorCount, 0);
        if (r.value == 0) continue;
        for (int i = 1; i <= n; ++i) {
            const int64_t di = r.DiagResult(i, i);
            ASSERT_LE(2 * (di < 0 ? -di : di), modulus) << i;
            ASSERT_EQ(r.CokernelOrders[i], di < 0 ? -di : di) << i;
            for (int j = 1; j <= n; ++j)
                if (j != i) {
                    ASSERT_EQ(r.DiagResult(i, j), 0) << i << "," << j;
                }
        }
    }
}

TEST_F(DiagonalizeTest, RightTransformsOnly) {
    std::mt19937 rng(8080);
    for (int trial = 0; trial < 240; ++trial) {
        int rows = 0;
        int cols = 0;
        const IntMatrix m = RandomCase(rng, trial % 8, &rows, &cols);
        SCOPED_TRACE(test::Describe(m, rows, cols));
        ClearTrouble();
        const DiagonalizeResult r = Diagonalize(m, rows, cols, kRightOnly);
        ASSERT_FALSE(ArithTrouble) << TroubleCode;
        const DiagonalizeResult full = Diagonalize(m, rows, cols);
        ASSERT_FALSE(ArithTrouble) << TroubleCode;
        // The reduction of M is the same; only the bookkeeping differs.
        ASSERT_EQ(r.value, full.value);
        ASSERT_EQ(r.DiagResult, full.DiagResult);
        ASSERT_EQ(r.CokernelOrders, full.CokernelOrders);
        ASSERT_EQ(r.DiagRight, full.DiagRight);
        ASSERT_EQ(r.DiagLeft, IdentityMatrix(rows));
        ASSERT_EQ(r.DiagLeftInverse, IdentityMatrix(rows));
        ASSERT_EQ(r.DiagRightInverse, IdentityMatrix(cols));
        ASSERT_EQ(r.GeneratorCount, 0);

        // Q is unimodular; its columns i <= cols with CokernelOrders[i] = 0 span the kernel of M.
        const BigMatrix q = test::ToBig(r.DiagRight, cols, cols);
        ASSERT_EQ(test::Abs128(test::BigDet(q)), 1);
        const BigMatrix mq = test::BigMul(test::ToBig(m, rows, cols), q);
        int kernelColumns = 0;
        for (int i = 1; i <= cols; ++i) {
            bool zero = true;
            for (int k = 0; k < rows; ++k) zero = zero && mq[k][i - 1] == 0;
            ASSERT_EQ(zero, r.CokernelOrders[i] == 0) << "column " << i;
            if (zero) ++kernelColumns;
        }
        ASSERT_EQ(kernelColumns, cols - test::BareissRank(test::ToBig(m, rows, cols)));
    }
}

TEST_F(DiagonalizeTest, SolveModeSmallCases) {
    const DiagonalizeResult odd = Diagonalize(test::FromRows({{2, 3}}), 1, 2, kSolve);
    EXPECT_FALSE(odd.SolutionExists);
    const DiagonalizeResult even = Diagonalize(test::FromRows({{2, 4}}), 1, 2, kSolve);
    ASSERT_TRUE(even.SolutionExists);
    EXPECT_EQ(even.SolutionVector(1), 2);
    // 2x + 4y = 6 has the solutions (3 - 2t, t); 2x + 4y = 5 has none.
    const DiagonalizeResult line = Diagonalize(test::FromRows({{2, 4, 6}}), 1, 3, kSolve);
    ASSERT_TRUE(line.SolutionExists);
    EXPECT_EQ(2 * line.SolutionVector(1) + 4 * line.SolutionVector(2), 6);
    EXPECT_FALSE(Diagonalize(test::FromRows({{2, 4, 5}}), 1, 3, kSolve).SolutionExists);
    // Overdetermined: x = 1 and x = 2 contradict each other; 2x = 4 and 3x = 6 agree.
    EXPECT_FALSE(Diagonalize(test::FromRows({{1, 1}, {1, 2}}), 2, 2, kSolve).SolutionExists);
    const DiagonalizeResult agree = Diagonalize(test::FromRows({{2, 4}, {3, 6}}), 2, 2, kSolve);
    ASSERT_TRUE(agree.SolutionExists);
    EXPECT_EQ(agree.SolutionVector(1), 2);
    // x + y = 1, x - y = 0 has only a rational solution.
    EXPECT_FALSE(Diagonalize(test::FromRows({{1, 1, 1}, {1, -1, 0}}), 2, 3, kSolve).SolutionExists);
    // The noTransforms flag is overridden by the solve mode.
    const DiagonalizeMode both{.noTransforms = true, .solveLastColumn = true};
    const DiagonalizeResult forced =
        Diagonalize(test::FromRows({{3, 1, 5}, {1, 1, 3}}), 2, 3, both);
    ASSERT_TRUE(forced.SolutionExists);
    EXPECT_EQ(forced.SolutionVector(1), 1);
    EXPECT_EQ(forced.SolutionVector(2), 2);
    EXPECT_FALSE(ArithTrouble);
}

// Random systems M·x = b with 2 or 3 equations in 2 or 3 unknowns. A solution found by search in
// a box must be found; every returned solution must be one. For a non-singular square M the
// existence is decided exactly by adj(M)·b ≡ 0 (mod det M).
TEST_F(DiagonalizeTest, SolveModeAgreesWithSearch) {
    std::mt19937 rng(31337);
    const std::vector<std::pair<int, int>> shapes = {{2, 2}, {3, 3}, {2, 3}, {3, 2}};
    int found = 0;
    int none = 0;
    for (int trial = 0; trial < 600; ++trial) {
        const auto [rows, unknowns] = shapes[trial % shapes.size()];
        IntMatrix system = test::RandomMatrix(rng, rows, unknowns, -3, 3);
        if (trial % 5 == 4)  // singular coefficient matrix
            for (int j = 1; j <= unknowns; ++j) system(rows, j) = -system(1, j);
        std::vector<int64_t> b(rows);
        for (int i = 1; i <= rows; ++i)
            system(i, unknowns + 1) = b[i - 1] = test::UniformInt(rng, -6, 6);
        SCOPED_TRACE(test::Describe(system, rows, unknowns + 1));
        ClearTrouble();
        const DiagonalizeResult r = Diagonalize(system, rows, unknowns + 1, kSolve);
        ASSERT_FALSE(ArithTrouble) << TroubleCode;

        auto residualZero = [&](const std::vector<int64_t>& x) {
            for (int i = 1; i <= rows; ++i) {
                int64_t s = 0;
                for (int j = 1; j <= unknowns; ++j) s += system(i, j) * x[j - 1];
                if (s != b[i - 1]) return false;
            }
            return true;
        };
        bool inBox = false;
        const int bound = unknowns == 2 ? 12 : 6;
        std::vector<int64_t> x(unknowns, -bound);
        while (!inBox) {
            inBox = residualZero(x);
            int k = 0;
            while (k < unknowns && x[k] == bound) x[k++] = -bound;
            if (k == unknowns) break;
            ++x[k];
        }
        if (r.SolutionExists) {
            std::vector<int64_t> solution(unknowns);
            for (int j = 1; j <= unknowns; ++j) solution[j - 1] = r.SolutionVector(j);
            ASSERT_TRUE(residualZero(solution));
            ++found;
        } else {
            ASSERT_FALSE(inBox) << "a solution exists in the search box";
            ++none;
        }
        if (rows == unknowns) {
            const BigMatrix a = test::ToBig(system, rows, unknowns);
            const i128 det = test::BigDet(a);
            if (det != 0) {
                const std::vector<i128> bb(b.begin(), b.end());
                ASSERT_EQ(r.SolutionExists, InImageOfNonSingular(CofactorAdjugate(a), det, bb));
            }
        }
    }
    EXPECT_GT(found, 100);
    EXPECT_GT(none, 100);
}

// Modulo a prime m the returned vector solves the system modulo m, and a system without any
// solution modulo m is never reported solvable. (The divisibility test on the reduced diagonal is
// over the integers, so a solvable system may still be reported unsolvable.)
TEST_F(DiagonalizeTest, SolveModeModuloPrime) {
    std::mt19937 rng(4711);
    const std::vector<std::pair<int, int>> shapes = {{2, 2}, {3, 3}, {2, 3}, {1, 2}, {3, 2}};
    int found = 0;
    int none = 0;
    for (int trial = 0; trial < 600; ++trial) {
        const auto [rows, unknowns] = shapes[trial % shapes.size()];
        const int64_t modulus = trial % 2 == 0 ? 5 : 7;
        IntMatrix system = test::RandomMatrix(rng, rows, unknowns + 1, -6, 6);
        if (trial % 3 == 2)
            for (int j = 1; j <= unknowns; ++j) system(rows, j) = 2 * system(1, j);
        SCOPED_TRACE(test::Describe(system, rows, unknowns + 1) + " mod " +
                     std::to_string(modulus));
        ClearTrouble();
        const DiagonalizeResult r = Diagonalize(system, rows, unknowns + 1, SolveModulo(modulus));
        ASSERT_FALSE(ArithTrouble) << TroubleCode;
        auto solvesModulo = [&](const std::vector<int64_t>& x) {
            for (int i = 1; i <= rows; ++i) {
                int64_t s = -system(i, unknowns + 1);
                for (int j = 1; j <= unknowns; ++j) s += system(i, j) * x[j - 1];
                if (s % modulus != 0) return false;
            }
            return true;
        };
        bool solvable = false;
        std::vector<int64_t> x(unknowns, 0);
        while (!solvable) {
            solvable = solvesModulo(x);
            int k = 0;
            while (k < unknowns && x[k] == modulus - 1) x[k++] = 0;
            if (k == unknowns) break;
            ++x[k];
        }
        if (r.SolutionExists) {
            std::vector<int64_t> solution(unknowns);
            for (int j = 1; j <= unknowns; ++j) solution[j - 1] = r.SolutionVector(j);
            ASSERT_TRUE(solvesModulo(solution));
            ++found;
        } else {
            ++none;
        }
        if (!solvable) {
            ASSERT_FALSE(r.SolutionExists);
        }
    }
    EXPECT_GT(found, 100);
    EXPECT_GT(none, 20);
}

TEST_F(IntAdjugateTest, TwoByTwo) {
    const IntMatrix adj = IntAdjugate(test::FromRows({{2, 1}, {1, 2}}), 2);
    EXPECT_EQ(adj, test::FromRows({{2, -1}, {-1, 2}}));
    EXPECT_EQ(IntAdjugate(test::FromRows({{-3}}), 1), test::FromRows({{1}}));
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(IntAdjugateTest, RandomNonSingularMatricesAgreeWithCofactors) {
    std::mt19937 rng(1618);
    int tested = 0;
    for (int trial = 0; trial < 200; ++trial) {
        const bool large = trial % 4 == 0;  // larger entries only for small sizes
        const int n = static_cast<int>(test::UniformInt(rng, 1, large ? 3 : 6));
        const IntMatrix m = test::RandomMatrix(rng, n, n, large ? -30 : -4, large ? 30 : 4);
        const BigMatrix bm = test::ToBig(m, n, n);
        const i128 det = test::BigDet(bm);
        if (det == 0) continue;
        SCOPED_TRACE(test::Describe(m, n, n));
        ClearTrouble();
        const IntMatrix adj = IntAdjugate(m, n);
        ASSERT_FALSE(ArithTrouble) << TroubleCode;
        ASSERT_EQ(test::ToBig(adj, n, n), CofactorAdjugate(bm));
        BigMatrix scalar = test::BigIdentity(n);
        for (auto& row : scalar)
            for (auto& x : row) x *= det;
        ASSERT_EQ(test::BigMul(test::ToBig(adj, n, n), bm), scalar);
        ASSERT_TRUE(ZeroOutside(adj, n, n));
        ++tested;
    }
    EXPECT_GT(tested, 150);
}

TEST_F(IntAdjugateTest, SingularMatrixIsADivisionTrouble) {
    IntAdjugate(test::FromRows({{1, 2}, {2, 4}}), 2);
    EXPECT_TRUE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "divv");
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// A large prime diagonal entry: its prime-power part is the entry itself, which must be found
// without forming its square.
TEST(DiagonalizeInvariantFactors, LargePrimeEntryMovesWithoutOverflow) {
    DiagonalizeResult r;
    r.DiagResult(1, 1) = 2;
    r.DiagResult(2, 2) = 67656445037;  // prime, and its square is beyond 64 bits
    NormaliseInvariantFactors(r, 2);
    EXPECT_EQ(r.InvariantFactors[1], 2 * 67656445037);
    EXPECT_EQ(r.InvariantFactors[2], 1);
    EXPECT_EQ(r.GeneratorCount, 1);
}

}  // namespace
}  // namespace corvane
