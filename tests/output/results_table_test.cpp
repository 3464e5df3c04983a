// Tests of the results table as cells: the cuts at the column bars, and the headings of the
// columns the options choose.
#include "output/results_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
}  // namespace corvane
