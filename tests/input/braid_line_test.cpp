// Braid words to Seifert matrices: the worked examples, every crossing pattern of two loops, the
// limits, and the Rolfsen table read as braids against matrices and invariants computed
// independently.
#include "input/braid_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "arith/test_matrices.h"

namespace corvane {
namespace {

using test::i128;

std::string Matrix(std::string_view line) {
    const BraidConversion converted = BraidToMatrixText(line);
    EXPECT_TRUE(converted.ok) << line << ": " << converted.error;
    return converted.matrixLine;
}

std::string Refusal(std::string_view line) {
    const BraidConversion converted = BraidToMatrixText(line);
    EXPECT_FALSE(converted.ok) << line;
    return converted.error;
}

TEST(BraidToMatrixText, WorkedExamples) {
    // Loops (1,2) and (2,3) share the positive crossing 2.
    EXPECT_EQ(Matrix("3_1 {1,1,1}"), "[[-1,0],[1,-1]]");
    // Loops (1,3) in column 1 and (2,4) in column 2 interleave; det(S + S^T) = -5.
    EXPECT_EQ(Matrix("4_1 {1,-2,1,-2}"), "[[-1,1],[0,1]]");
    EXPECT_EQ(Matrix("{-1,-1,-1}"), "[[1,-1],[0,1]]");
    EXPECT_EQ(Matrix("{1}"), "[]");
    EXPECT_EQ(Matrix("{1,2,3}"), "[]");
}

TEST(BraidClosureComponents, CyclesOfThePermutation) {
    const std::vector<std::pair<std::vector<int64_t>, int>> cases{
        {{1, 1, 1}, 1},
        {{1, 1}, 2},                      // Hopf link
        {{1, 1, 1, 1}, 2},                // T(2,4)
        {{1, -1}, 2},                     // two-component unlink
        {{1, 2, 1, 2}, 1},                // T(3,2)
        {{1, 2, 1, 2, 1, 2}, 3},          // the full twist on three strands
        {{1, 1, 1, -2, 1, 1, -2, 1}, 3},  // permutation s1 s2 s2 s1 = id
        {{1, 1, 1, 4, 4, 4}, 3},          // two trefoils and the free strand 3
        {{2, 2, 2}, 1},                   // the word lives on strands 2 and 3
        {{5, -6, 5, -6}, 1},              // 4_1 moved up the strands
        {{1, 3}, 2},
        {{2147483647, -2147483647, 2147483647}, 1}};
    for (const auto& [word, components] : cases) {
        EXPECT_EQ(BraidClosureComponents(word), components) << ::testing::PrintToString(word);
    }
    EXPECT_EQ(BraidToMatrixText("{1,1,1,1}").components, 2);
}

TEST(BraidToMatrixText, HowTwoLoopsMeet) {
    // Interleaved in columns i and i+1, and in columns i and i-1.
    EXPECT_EQ(Matrix("{1,2,1,2}"), "[[-1,1],[0,-1]]");
    EXPECT_EQ(Matrix("{2,1,2,1}"), "[[-1,0],[-1,-1]]");
    // Interleaved two columns apart, nested, disjoint: no linking.
    EXPECT_EQ(Matrix("{1,3,1,3}"), "[[-1,0],[0,-1]]");
    EXPECT_EQ(Matrix("{1,2,2,1}"), "[[-1,0],[0,-1]]");
    EXPECT_EQ(Matrix("{1,1,2,2}"), "[[-1,0],[0,-1]]");
    // A shared negative crossing; mixed signs give a zero diagonal entry.
    EXPECT_EQ(Matrix("{1,-1,1}"), "[[0,-1],[0,0]]");
    EXPECT_EQ(Matrix("{-1,1,-1}"), "[[0,0],[1,0]]");
}

TEST(BraidToMatrixText, LettersAndTheirLimits) {
    EXPECT_EQ(Matrix("{ 1 , +1,\t1 }"), "[[-1,0],[1,-1]]");
    EXPECT_EQ(Matrix("{2147483647,2147483647,2147483647}"), "[[-1,0],[1,-1]]");
    EXPECT_EQ(Refusal("{2147483648}"), "braid letter \"2147483648\" is not a non-zero integer.");
    EXPECT_EQ(Refusal("{-2147483648}"), "braid letter \"-2147483648\" is not a non-zero integer.");
    EXPECT_EQ(Refusal("{1,0,1}"), "braid letter \"0\" is not a non-zero integer.");
    EXPECT_EQ(Refusal("{1,,1}"), "braid letter \"\" is not a non-zero integer.");
    EXPECT_EQ(Refusal("{}"), "braid letter \"\" is not a non-zero integer.");
    EXPECT_EQ(Refusal("{1 1}"), "braid letter \"1 1\" is not a non-zero integer.");
    EXPECT_EQ(Refusal("{1,1"), "braid word without closing \"}\".");
    EXPECT_EQ(Refusal("x} {1,1"), "braid word without closing \"}\".");

    std::string word;
    for (int i = 1; i <= MaxBraidLetters; ++i) word += (i > 1 ? "," : "") + std::to_string(i);
    EXPECT_EQ(Matrix("{" + word + "}"), "[]");
    EXPECT_EQ(Refusal("{" + word + ",1}"), "braid word longer than 350 letters.");

    // 350 letters of one column: 349 loops, each sharing a crossing with the next.
    std::string column = "1";
    for (int i = 2; i <= MaxBraidLetters; ++i) column += ",1";
    const std::string text = Matrix("{" + column + "}");
    EXPECT_EQ(std::count(text.begin(), text.end(), '['), 1 + 349);
    EXPECT_TRUE(text.starts_with("[[-1,0,0,"));
    EXPECT_TRUE(text.ends_with(",0,1,-1]]"));
}

TEST(BraidLineToMatrixLine, KeepsTheTextBeforeTheWord) {
    const BraidConversion line = BraidLineToMatrixLine("3_1         {1,1,1} rest");
    ASSERT_TRUE(line.ok);
    EXPECT_EQ(line.matrixLine, "3_1         [[-1,0],[1,-1]]");
    EXPECT_FALSE(BraidLineToMatrixLine("a {1,x}").ok);
}

// Signature of a non-singular symmetric integer matrix from its eigenvalues, found by cyclic
// Jacobi rotations in extended precision (the matrices here are small with small entries, and
// det != 0 keeps every eigenvalue away from 0).
int SignatureOf(const test::BigMatrix& symmetric) {
    const std::size_t n = symmetric.size();
    std::vector<std::vector<long double>> a(n, std::vector<long double>(n));
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j) a[i][j] = static_cast<long double>(symmetric[i][j]);
    for (int sweep = 0; sweep < 100; ++sweep) {
        for (std::size_t p = 0; p < n; ++p) {
            for (std::size_t q = p + 1; q < n; ++q) {
                if (std::fabs(a[p][q]) < 1e-18L) continue;
                const long double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
                const long double t =
                    (theta >= 0 ? 1 : -1) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
                const long double c = 1 / std::sqrt(t * t + 1);
                const long double s = t * c;
                for (std::size_t k = 0; k < n; ++k) {
                    const long double kp = a[k][p], kq = a[k][q];
                    a[k][p] = c * kp - s * kq;
                    a[k][q] = s * kp + c * kq;
                }
                for (std::size_t k = 0; k < n; ++k) {
                    const long double pk = a[p][k], qk = a[q][k];
                    a[p][k] = c * pk - s * qk;
                    a[q][k] = s * pk + c * qk;
                }
            }
        }
    }
    int signature = 0;
    for (std::size_t i = 0; i < n; ++i) {
        EXPECT_GT(std::fabs(a[i][i]), 1e-6L);
        signature += a[i][i] > 0 ? 1 : -1;
    }
    return signature;
}

using test::FromText;

TEST(BraidToMatrixText, RolfsenBraidsGiveTheListedMatricesAndTheirInvariants) {
    const std::string data = CORVANE_TEST_DATA_DIR;
    const auto references = test::ReadKnotReferences(data + "/rolfsen-8-reference.tsv");
    std::map<std::string, test::KnotMatrix> matrices;
    for (test::KnotMatrix& m : test::ReadKnotMatrices(data + "/rolfsen-8-matrices.txt"))
        matrices[m.name] = m;

    std::ifstream in(data + "/rolfsen-8-braids.txt");
    ASSERT_TRUE(in);
    std::string line;
    int knots = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%') continue;
        const std::string name = line.substr(0, line.find(' '));
        SCOPED_TRACE(name);
        ++knots;
        const test::BigMatrix v = FromText(Matrix(line));
        EXPECT_EQ(BraidToMatrixText(line).components, 1);
        ASSERT_EQ(matrices.count(name), 1u);
        EXPECT_EQ(v, test::ToBig(matrices[name].v, matrices[name].n, matrices[name].n));

        const test::KnotReference& r = references.at(name);
        const test::BigMatrix symmetric = test::BigCombine(v, test::BigTranspose(v), 1);
        EXPECT_EQ(static_cast<int64_t>(test::BigDet(symmetric)), r.det);
        EXPECT_EQ(SignatureOf(symmetric), r.signature);
        EXPECT_TRUE(test::IsAlexanderMultiple(v, r.alexander)) << "not ±t^s times the reference";
    }
    EXPECT_EQ(knots, 35);
}

}  // namespace
}  // namespace corvane
