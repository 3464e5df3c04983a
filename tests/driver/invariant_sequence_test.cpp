// The invariant sequence on knots whose invariants are known by hand: the fields it records,
// the status lines it draws and the lower bounds with their detection codes.
#include "driver/invariant_sequence.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "arith/checked.h"
#include "arith/sequivalence.h"
#include "driver/run_calculation.h"
#include "unknotting/linking_pairing.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

class LineHost : public RunHost {
  public:
    void DrawText(int, int, std::string_view text, StatusKind kind) override {
        if (kind == StatusKind::Result) lines.emplace_back(text);
    }
    bool Has(const std::string& line) const {
        for (const auto& l : lines)
            if (l == line) return true;
        return false;
    }
    std::vector<std::string> lines;
};

std::string Trim(const std::string& s) {
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

// Runs a list of knots and leaves the state for inspection.
void RunList(RunState& state, LineHost& host, const std::string& name, const std::string& list) {
    const fs::path dir = fs::temp_directory_path() / "corvane_sequence";
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary) << list;
    ASSERT_EQ(RunCalculation(state, host, dir / name).end, RunEnd::Done);
}

TEST(InvariantSequence, TrefoilAndFigureEight) {
    RunState state;
    LineHost host;
    RunList(state, host, "two.txt", "3_1\t[[-1,0],[-1,-1]]\n4_1\t[[1,0],[-1,-1]]\n");
    const KnotRecord& trefoil = state.Knots(1);
    EXPECT_EQ(Trim(trefoil.textFields(1)), "al1-t+t^2");
    EXPECT_EQ(trefoil.textFields(2), "dt 3     ");
    EXPECT_EQ(Trim(trefoil.textFields(3)), "l2Z/3");
    EXPECT_EQ(Trim(trefoil.textFields(5)), "si-2");
    EXPECT_EQ(trefoil.determinant, 3);
    EXPECT_EQ(trefoil.signature, -2);
    // |σ|/2 = 1 equals the starting bound: the code is added, the name is not; the name comes
    // from the single move that unknots it.
    EXPECT_EQ(trefoil.lowerBound, 1);
    EXPECT_EQ(trefoil.detectionCodes, "s,");
    EXPECT_EQ(trefoil.detectedBy, "unknotting move ");
    EXPECT_EQ(trefoil.upperBound, 1);
    EXPECT_EQ(trefoil.textFields(11), "se[[-1,0],[-1,-1]]");

    const KnotRecord& figureEight = state.Knots(2);
    EXPECT_EQ(Trim(figureEight.textFields(2)), "dt-5");
    EXPECT_EQ(Trim(figureEight.texFields(2)), "dt-5");
    EXPECT_EQ(Trim(figureEight.textFields(1)), "al-1+3t-t^2");
    EXPECT_EQ(Trim(figureEight.texFields(1)), "al3-(t+t^{-1})");
    EXPECT_TRUE(host.Has("Determinant = 5"));
    EXPECT_TRUE(host.Has("H_1(2-fold branched cover) = Z/5"));
    EXPECT_TRUE(host.Has("Signature = 0"));
    EXPECT_TRUE(host.Has("Alexander polynomial = -1+3t-t^2"));
}

TEST(InvariantSequence, TwoGeneratorDoubleCoverGivesWendtAndNakanishiBounds) {
    RunState state;
    LineHost host;
    RunList(
        state, host, "818.txt",
        "8_18\t[[1, 1, -1, 0, 0, 0], [0, -1, 0, 0, 0, 0], [0, -1, 1, 1, -1, 0], [0, 1, 0, -1, 0, "
        "0], [0, 0, 0, -1, 1, 1], [0, 0, 0, 1, 0, -1]]\n");
    const KnotRecord& knot = state.Knots(1);
    EXPECT_EQ(Trim(knot.textFields(3)), "l2Z/15+Z/3");
    EXPECT_EQ(knot.lowerBound, 2);
    EXPECT_EQ(knot.detectedBy, "Wendt");
    // A non-cyclic H_1(L_2) is also the Lickorish obstruction, which reaches the same bound, and
    // H_1(L_3) = Z/2 + Z/2 + Z/8 + Z/8 needs four generators, more than 3 (code "m,").
    EXPECT_EQ(knot.detectionCodes, "w,L,m,");
    EXPECT_EQ(knot.nakanishiLower, 2);
    // The source of the bound is the knot's own; the Nakanishi field names it.
    EXPECT_EQ(Trim(knot.textFields(7)), "nk2 detected by H_1(L_2)");
}

TEST(InvariantSequence, ReducedMatrixIsMarkedSEquivalent) {
    RunState state;
    LineHost host;
    RunList(state, host, "52.txt",
            "5_2\t[[1, -1, 0, 0], [0, 1, -1, 0], [0, 0, 0, 1], [0, 0, 0, 1]]\n");
    EXPECT_EQ(state.Knots(1).textFields(11), "seS-equivalent to [[2,-1],[0,1]]");
    EXPECT_EQ(state.Knots(1).texFields(11), "");
}

TEST(InvariantSequence, StoimenowRaisesTwoToThreeOnSignatureFourAndDeterminant25) {
    // 5_1 # 4_1: signature 4 (so the bound 2), determinant 5 · 5 = 25 with no divisor 4k + 3.
    RunState state;
    LineHost host;
    RunList(state, host, "sum.txt",
            "5_1#4_1\t[[-1,-1,0,-1,0,0],[0,-1,0,0,0,0],[-1,-1,-1,-1,0,0],[0,-1,0,-1,0,0],"
            "[0,0,0,0,1,0],[0,0,0,0,-1,-1]]\n");
    const KnotRecord& knot = state.Knots(1);
    EXPECT_EQ(std::abs(knot.signature), 4);
    EXPECT_EQ(std::abs(knot.determinant), 25);
    EXPECT_EQ(knot.lowerBound, 3);
    EXPECT_EQ(knot.detectedBy, "Stoimenow test");
    EXPECT_EQ(knot.detectionCodes, "St,");
}

TEST(InvariantSequence, StoimenowObstructionNeedsSignatureFourAndASquareWithoutPrimes4kPlus3) {
    EXPECT_TRUE(StoimenowObstruction(4, 25));
    EXPECT_TRUE(StoimenowObstruction(-4, -25));
    EXPECT_TRUE(StoimenowObstruction(4, 1));
    EXPECT_TRUE(StoimenowObstruction(4, 169));  // 13² with 13 = 4·2 + 5
    EXPECT_FALSE(StoimenowObstruction(4, 9));   // 3 divides 9
    EXPECT_FALSE(StoimenowObstruction(4, 49));  // 7 = 4·1 + 3
    EXPECT_FALSE(StoimenowObstruction(4, 24));  // not a square
    EXPECT_FALSE(StoimenowObstruction(2, 25));
    EXPECT_FALSE(StoimenowObstruction(6, 25));
    EXPECT_FALSE(StoimenowObstruction(4, 441));  // 21² = 3²·7²
}

TEST(InvariantSequence, ReductionPastTheExactRangeIsDoneWithBigIntegers) {
    // A 10 × 10 matrix on which the checked 64-bit reduction outgrows its range, then a trefoil.
    // Reference values by PARI/GP: det(tV - Vᵀ), det(V + Vᵀ), qfsign and matsnf of V + Vᵀ.
    RunState state;
    LineHost host;
    RunList(state, host, "unreduced.txt",
            "hard\t[[2, 0, 0, -3, -5, 4, -7, 4, 0, 0], [-1, 1, -5, 0, -7, -2, -4, -4, 2, -1], [1,"
            " -5, 12, 0, 10, -4, -1, -1, -6, 4], [-3, 0, -1, -3, -3, 4, 1, 4, 3, -3], [-5, -7, 9,"
            " -2, -3, 2, -11, 2, -5, 0], [4, -2, -4, 4, 1, 1, -1, -1, 2, -3], [-7, -4, -2, 2, -11"
            ", 0, -18, 7, -3, 1], [4, -4, -1, 4, 2, -1, 6, 0, 4, -2], [0, 2, -6, 3, -5, 2, -3, 4,"
            " -1, 3], [0, -1, 4, -3, 0, -3, 1, -2, 2, 2]]\n"
            "3_1\t[[-1,0],[-1,-1]]\n");
    ClearTrouble();
    MinimalSEquivalent(WorkingForm(state.Knots(1).seifert), 10);
    EXPECT_TRUE(ArithTrouble);
    ClearTrouble();
    const KnotRecord& hard = state.Knots(1);
    for (int k = 1; k <= ResultSlots; ++k) EXPECT_NE(hard.textFields(k).substr(0, 2), "er");
    EXPECT_EQ(Trim(hard.textFields(1)),
              "al25087038-258039199t+1186339619t^2-3211605738t^3+5670817644t^4-6825198729t^5"
              "+5670817644t^6-3211605738t^7+1186339619t^8-258039199t^9+25087038t^10");
    // A determinant beyond 32 bits is printed in full.
    EXPECT_EQ(Trim(hard.textFields(2)), "dt-27528977205");
    EXPECT_EQ(Trim(hard.textFields(3)), "l2Z/27528977205");
    EXPECT_EQ(Trim(hard.textFields(5)), "si 0");
    EXPECT_EQ(hard.lowerBound, 1);
    EXPECT_EQ(Trim(state.Knots(2).textFields(2)), "dt 3");
}

}  // namespace
}  // namespace corvane
