#include "knot/text_forms.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <vector>

#include "arith/checked.h"
#include "arith/errors.h"

namespace corvane {
namespace {

class TextFormsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ArithTrouble = false;
        TroubleCode.clear();
    }
};

RatPoly Poly(std::initializer_list<Rational> coeffs) {
    RatPoly p;
    int64_t i = 0;
    for (const Rational& q : coeffs) p.c(i++) = q;
    p.degree = PolyDegree(p);
    return p;
}

RatPoly IntPoly(std::initializer_list<int64_t> coeffs) {
    RatPoly p;
    int64_t i = 0;
    for (int64_t k : coeffs) p.c(i++) = {k, 1};
    p.degree = PolyDegree(p);
    return p;
}

LaurentPoly Laurent(std::initializer_list<std::pair<int64_t, Rational>> terms) {
    LaurentPoly L;
    for (const auto& [e, q] : terms) L.c(e) = q;
    return L;
}

// Orders d_1..d_c in a table indexed from 1, as the diagonal reduction leaves them.
std::array<int64_t, 71> Orders(std::initializer_list<int64_t> d) {
    std::array<int64_t, 71> table{};
    size_t i = 1;
    for (int64_t x : d) table[i++] = x;
    return table;
}

// --- PolyToText ---

TEST_F(TextFormsTest, PolyToTextBasicForms) {
    EXPECT_EQ(PolyToText(PolyZero()), "0");
    EXPECT_EQ(PolyToText(PolyOne()), "1");
    EXPECT_EQ(PolyToText(IntPoly({-1})), "-1");
    EXPECT_EQ(PolyToText(IntPoly({-1, 1, -1})), "-1+t-t^2");
    EXPECT_EQ(PolyToText(IntPoly({1, -1, 1})), "1-t+t^2");
    EXPECT_EQ(PolyToText(IntPoly({-1, 3, -1})), "-1+3t-t^2");
    EXPECT_EQ(PolyToText(IntPoly({2, -3, 2})), "2-3t+2t^2");
}

TEST_F(TextFormsTest, PolyToTextSkipsZerosAndStartsWithoutPlus) {
    EXPECT_EQ(PolyToText(IntPoly({0, 0, 1})), "t^2");
    EXPECT_EQ(PolyToText(IntPoly({0, -1})), "-t");
    EXPECT_EQ(PolyToText(IntPoly({0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, -12})), "t-12t^11");
    RatPoly top;
    top.c(27) = {1, 1};
    top.degree = 27;
    EXPECT_EQ(PolyToText(top), "t^27");
}

TEST_F(TextFormsTest, PolyToTextReducesFractions) {
    // 1/2 at t^2 is written 1/2t^2; a numerator 1 is written when a denominator follows.
    EXPECT_EQ(PolyToText(Poly({{0, 1}, {0, 1}, {1, 2}})), "1/2t^2");
    EXPECT_EQ(PolyToText(Poly({{2, -4}, {-3, 6}, {-6, -3}})), "-1/2-1/2t+2t^2");
    EXPECT_EQ(PolyToText(Poly({{5, 5}, {-7, -7}})), "1+t");
    EXPECT_EQ(PolyToText(Poly({{3, 4}, {-10, 4}})), "3/4-5/2t");
    EXPECT_FALSE(ArithTrouble);
}

TEST_F(TextFormsTest, PolyToTextExtremeCoefficients) {
    EXPECT_EQ(PolyToText(IntPoly({INT64_MIN, INT64_MAX})),
              "-9223372036854775808+9223372036854775807t");
}

// --- SymmetricPolyToLatex ---

TEST_F(TextFormsTest, SymmetricPolyToLatexFromTheMiddleOutwards) {
    EXPECT_EQ(SymmetricPolyToLatex(PolyZero()), "0");
    EXPECT_EQ(SymmetricPolyToLatex(PolyOne()), "1");
    EXPECT_EQ(SymmetricPolyToLatex(IntPoly({1, -1, 1})), "-1+(t+t^{-1})");
    EXPECT_EQ(SymmetricPolyToLatex(IntPoly({-1, 3, -1})), "3-(t+t^{-1})");
    EXPECT_EQ(SymmetricPolyToLatex(IntPoly({2, -3, 2})), "-3+2(t+t^{-1})");
    EXPECT_EQ(SymmetricPolyToLatex(IntPoly({1, -1, 1, -1, 1})), "1-(t+t^{-1})+(t^{2}+t^{-2})");
    // A zero middle coefficient: the first written term carries no "+".
    EXPECT_EQ(SymmetricPolyToLatex(IntPoly({2, 0, 2})), "2(t+t^{-1})");
    EXPECT_EQ(SymmetricPolyToLatex(IntPoly(
                  {-1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1})),
              "-(t^{12}+t^{-12})");
}

TEST_F(TextFormsTest, SymmetricPolyToLatexReadsOnlyTheUpperHalf) {
    // The lower half is ignored; a middle coefficient 1 is written, a fraction reduced.
    EXPECT_EQ(SymmetricPolyToLatex(IntPoly({99, -7, 1, 0, 5})), "1+5(t^{2}+t^{-2})");
    EXPECT_EQ(SymmetricPolyToLatex(Poly({{0, 1}, {2, -4}, {1, 3}})), "-1/2+1/3(t+t^{-1})");
}

// --- GroupToText, GroupToLatex ---

TEST_F(TextFormsTest, GroupForms) {
    const auto orders = Orders({1, 3, 3});
    EXPECT_EQ(GroupToText(orders, 3), "Z/3+Z/3");
    EXPECT_EQ(GroupToLatex(orders, 3), "\\mathbb{Z}_{3}\\oplus \\mathbb{Z}_{3}");
    EXPECT_EQ(GroupToText(Orders({3, 5}), 2), "Z/3+Z/5");
    EXPECT_EQ(GroupToLatex(Orders({7}), 1), "\\mathbb{Z}_{7}");
}

TEST_F(TextFormsTest, GroupFormsSkipTrivialOrders) {
    EXPECT_EQ(GroupToText(Orders({1, 1, 1}), 3), "0");
    EXPECT_EQ(GroupToLatex(Orders({1, 1, 1}), 3), "0");
    EXPECT_EQ(GroupToText(Orders({}), 0), "0");
    EXPECT_EQ(GroupToLatex(Orders({}), 0), "0");
    // 0, 1 and -1 add nothing; negative orders are written by their absolute value.
    EXPECT_EQ(GroupToText(Orders({0, -1, -5, 1, 2}), 5), "Z/5+Z/2");
    EXPECT_EQ(GroupToLatex(Orders({0, -1, -5, 1, 2}), 5), "\\mathbb{Z}_{5}\\oplus \\mathbb{Z}_{2}");
    // Only d_1..d_c are read.
    EXPECT_EQ(GroupToText(Orders({3, 5}), 1), "Z/3");
}

TEST_F(TextFormsTest, GroupFormsTakeAnySpanAndCheckTheCount) {
    const std::vector<int64_t> orders{0, 9, INT64_MIN};
    EXPECT_EQ(GroupToText(orders, 2), "Z/9+Z/9223372036854775808");
    EXPECT_THROW(GroupToText(orders, 3), RangeError);
    EXPECT_THROW(GroupToLatex(Orders({}), 71), RangeError);
}

// --- MatrixToText ---

TEST_F(TextFormsTest, MatrixToText) {
    IntMatrix m;
    m(1, 1) = -1;
    m(2, 1) = -1;
    m(2, 2) = -1;
    EXPECT_EQ(MatrixToText(m, 2), "[[-1,0],[-1,-1]]");
    EXPECT_EQ(MatrixToText(m, 1), "[[-1]]");
    EXPECT_EQ(MatrixToText(m, 0), "[]");
    m(1, 2) = -12;
    m(3, 3) = 123456789012;
    EXPECT_EQ(MatrixToText(m, 3), "[[-1,-12,0],[-1,-1,0],[0,0,123456789012]]");
    EXPECT_THROW(MatrixToText(m, 71), RangeError);
}

// --- LaurentText ---

TEST_F(TextFormsTest, LaurentText) {
    EXPECT_EQ(LaurentText(LaurentZero()), "0");
    EXPECT_EQ(LaurentText(Laurent({{-1, {-1, 1}}})), "-t^-1");
    EXPECT_EQ(LaurentText(Laurent({{2, {1, 2}}})), "1/2t^2");
    EXPECT_EQ(LaurentText(Laurent({{-1, {3, 1}}, {0, {-5, 1}}, {1, {3, 1}}})), "3t^-1-5+3t");
    EXPECT_EQ(LaurentText(Laurent({{0, {-1, 1}}})), "-1");
    EXPECT_EQ(LaurentText(Laurent({{0, {1, 1}}})), "1");
    EXPECT_EQ(LaurentText(Laurent({{-27, {1, 1}}, {27, {1, 1}}})), "t^-27+t^27");
    // Zero numerators are skipped; fractions reduced with the sign on the numerator.
    EXPECT_EQ(LaurentText(Laurent({{-2, {0, 5}}, {-1, {4, -6}}, {1, {-2, -2}}})), "-2/3t^-1+t");
}

// --- PolyVectorText ---

TEST_F(TextFormsTest, PolyVectorText) {
    PolyVector v;
    v(1) = PolyOne();
    v(2) = IntPoly({1, -1});
    EXPECT_EQ(PolyVectorText(v, 2), "(1,1-t)");
    EXPECT_EQ(PolyVectorText(v, 0), "()");
    EXPECT_EQ(PolyVectorText(v, 3), "(1,1-t,0)");
    v(12) = Poly({{0, 1}, {-1, 2}});
    EXPECT_EQ(PolyVectorText(v, 12), "(1,1-t,0,0,0,0,0,0,0,0,0,-1/2t)");
    EXPECT_THROW(PolyVectorText(v, 13), RangeError);
}

}  // namespace
}  // namespace corvane
