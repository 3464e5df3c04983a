// Tests of the results table as cells: the cuts at the column bars, and the headings of the
// columns the options choose.
#include "output/results_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "knot/knot_record.h"
#include "knot/run_settings.h"

namespace corvane {
namespace {

using Cells = std::vector<std::string>;

TEST(ResultsTable, CellsAreTheTextsBetweenBars) {
    const std::vector<std::pair<std::string, Cells>> cases{
        {"3_1       |   1 | t^2-t+1  ", {"3_1", "1", "t^2-t+1"}},
        {"4_1 [[1,0],[1,-1]]", {"4_1 [[1,0],[1,-1]]"}},
        {"a||b|", {"a", "", "b", ""}},
        {"", {""}},
    };
    for (const auto& [line, cells] : cases) EXPECT_EQ(TableCells(line), cells) << line;
}

TEST(ResultsTable, HeadingsFollowTheOptions) {
    RunSettings s;
    s.algebraicUnknotting = false;
    s.alexander = false;
    s.nakanishi = false;
    s.signature = false;
    EXPECT_EQ(TableHeadings(s), (Cells{"Name", "Seifert matrix"}));
    s.signature = true;
    s.determinant = true;
    s.algebraicUnknotting = true;
    EXPECT_EQ(TableHeadings(s), (Cells{"Name", "Algebraic unknotting number", "det(K)", "sign(K)",
                                       "Seifert matrix"}));
}

// 3_1 as a run leaves it: bounds 1 and 1, its Alexander polynomial and its minimal matrix.
KnotRecord Trefoil() {
    KnotRecord knot;
    knot.name = "3_1";
    knot.lineNumber = 3;
    knot.seifert = SeifertMatrix(2);
    knot.seifert.Set(1, 1, -1);
    knot.seifert.Set(2, 1, -1);
    knot.seifert.Set(2, 2, -1);
    ApplyInitialResultLayout(knot);
    knot.textFields(1) = "al1-t+t^2";
    knot.textFields(5) = "si-2";
    knot.textFields(11) = "se[[-1,0],[-1,-1]]";
    knot.lowerBound = 1;
    knot.upperBound = 1;
    knot.detectedBy = "signature";
    knot.computed = true;
    return knot;
}

TEST(ResultsTable, DetailsHoldTheRowTheJsonObjectAndTheMatrix) {
    RunSettings s;
    s.nakanishi = false;
    const std::string text = KnotDetailsText(Trefoil(), s);
    for (const char* piece : {
             "Knot 3_1 (line 3 of the list)\n\nName: 3_1\nAlgebraic unknotting number: 1  "
             "detected by signature\nAlexander polynomial: 1-t+t^2\nsign(K): -2\n"
             "Seifert matrix: [[-1,0],[-1,-1]]\n",
             "\"unknotting\": {",
             "\"signature\": -2",
             "\nMinimal Seifert matrix:\n  -1   0\n  -1  -1\n",
         }) {
        EXPECT_NE(text.find(piece), std::string::npos) << piece << "\nin\n" << text;
    }
}

TEST(ResultsTable, MinimalMatrixFromTheResultsOrAsRead) {
    RunSettings s;
    KnotRecord knot = Trefoil();
    // The results' matrix is taken, not the one read: make them differ.
    knot.seifert.Set(1, 2, 7);
    IntMatrix v;
    int n = 0;
    ASSERT_TRUE(KnotMinimalMatrix(knot, s, v, n));
    EXPECT_EQ(n, 2);
    EXPECT_EQ((std::vector<int64_t>{v(1, 1), v(1, 2), v(2, 1), v(2, 2)}),
              (std::vector<int64_t>{-1, 0, -1, -1}));
    // A knot still waiting has its matrix as read.
    knot.computed = false;
    ASSERT_TRUE(KnotMinimalMatrix(knot, s, v, n));
    EXPECT_EQ(v(1, 2), 7);
}

}  // namespace
}  // namespace corvane
