// The LaTeX results document: file names, the name cell with its subscript and escapes, the
// obstruction symbols, the cells of a row, and the pages of 44 computed rows.
#include "output/latex_results.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arith/checked.h"

namespace corvane {
namespace {

std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text does not end in CR LF";
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The lines from the first "\newpage" on, with the empty line before it.
std::vector<std::string> Tables(const std::string& text) {
    const std::vector<std::string> lines = CrLfLines(text);
    std::size_t first = 0;
    while (first < lines.size() && lines[first] != "\\newpage") ++first;
    if (first == lines.size()) first = lines.size() - 1;  // no page: the closing lines
    return {lines.begin() + static_cast<std::ptrdiff_t>(first) - 1, lines.end()};
}

const std::string kHeader =
    " $K$ & $u_a$ & $\\Delta_K(t)$ &  $\\det$ & $H_1(L_2)$ & $\\operatorname{Mahler}$ & "
    "$\\sigma$ &  $m$  \\\\";
const std::vector<std::string> kPageOpening = {
    "", "\\newpage", "\\begin{tabular}{|l|l|l|l|l|l|l|l|}", "\\hline", kHeader, "\\hline"};

TEST(LatexResultsFileName, OutputStemAndTexExtension) {
    EXPECT_EQ(LatexResultsFileName("knots.txt"), "knots_output.tex");
    EXPECT_EQ(LatexResultsFileName("knots_output.txt"), "knots_output.tex");
    EXPECT_EQ(LatexResultsFileName("my.list.txt"), "my.list_output.tex");
    EXPECT_EQ(LatexResultsFileName("list"), "list_output.tex");
    EXPECT_EQ(LatexResultsFileName("a_output"), "a_output.tex");
    EXPECT_EQ(LatexResultsFilePath("/data/k.txt"), "/data/k_output.tex");
}

TEST(LatexNameCell, SubscriptPaddingAndEscapes) {
    EXPECT_EQ(LatexNameCell("10_132"), "$10_{132}$     &");
    EXPECT_EQ(LatexNameCell("3_1"), "$3_{1}$        &");
    EXPECT_EQ(LatexNameCell("unknot"), "unknot         &");
    EXPECT_EQ(LatexNameCell("a_very_long_name"), "$a_{very\\_long\\_name}$ &");
    EXPECT_EQ(LatexNameCell("K&L%1"), "K\\&L\\%1        &");
    EXPECT_EQ(LatexNameCell("$#{}"), "\\$\\#\\{\\}       &");
    EXPECT_EQ(LatexNameCell("x_{y}"), "$x_{\\{y\\}}$    &");
    EXPECT_EQ(LatexNameCell("~^\\"),
              "\\text{\\textasciitilde}\\text{\\textasciicircum}\\text{\\textbackslash} &");
    EXPECT_EQ(LatexNameCell("<>"), "\\text{\\textless}\\text{\\textgreater} &");
    EXPECT_EQ(LatexNameCell("[2]"), "{}[2]          &");
    EXPECT_EQ(LatexNameCell("*"), "{}*            &");
    EXPECT_EQ(LatexNameCell("\xE9t\x01"),
              "\\text{\\textbackslash xE9}t\\text{\\textbackslash x01} &");
    // A name is never shortened.
    EXPECT_EQ(LatexNameCell("k_" + std::string(300, '9')), "$k_{" + std::string(300, '9') + "}$ &");
}

TEST(ObstructionSymbol, EveryNamedObstruction) {
    EXPECT_EQ(ObstructionSymbol("Lickorish test"), " L");
    EXPECT_EQ(ObstructionSymbol("Stoimenow test"), " S");
    EXPECT_EQ(ObstructionSymbol("signature"), " $\\sigma$");
    EXPECT_EQ(ObstructionSymbol("Wendt"), "W");
    EXPECT_EQ(ObstructionSymbol("Wendt on H_1(L_3)"), "$\\operatorname{W}_3$");
    EXPECT_EQ(ObstructionSymbol("new u_a(K)=2 obstruction"), " lk");
    EXPECT_EQ(ObstructionSymbol("new u_a(K)=3 obstruction"), " lk");
    EXPECT_EQ(ObstructionSymbol("5/16"), " $\\sigma_{max}$");
    EXPECT_EQ(ObstructionSymbol("5/16-9/16"), " $\\sigma_{max}-\\sigma_{min}$");
    EXPECT_EQ(ObstructionSymbol("mu(K)"), " $mu$");
    EXPECT_EQ(ObstructionSymbol("A(F_7)"), "$ A(\\mathbb{F}_{7})$");
    EXPECT_EQ(ObstructionSymbol("A(F_13)"), "$ A(\\mathbb{F}_{13})$");
    EXPECT_EQ(ObstructionSymbol("unknotting move"), "");
    EXPECT_EQ(ObstructionSymbol("H_1(L_3)"), "$\\operatorname{W}_3$");
    EXPECT_EQ(ObstructionSymbol("H_1(L_12)"), "$\\operatorname{W}_{12}$");
    EXPECT_EQ(ObstructionSymbol("Wendt on H_1(L_5)"), "$\\operatorname{W}_5$");
    EXPECT_EQ(ObstructionSymbol("Wendt on H_1(L_16)"), "$\\operatorname{W}_{16}$");
    EXPECT_EQ(ObstructionSymbol(""), "");
    // Anything else is shown as text, escaped so that it typesets.
    EXPECT_EQ(ObstructionSymbol("my_test"), "my\\_test");
    EXPECT_EQ(ObstructionSymbol("H_1"), "H\\_1");
}

TEST(LatexBoundCell, BoundsAndSymbol) {
    EXPECT_EQ(LatexBoundCell(1, 1, ""), "  $1$");
    EXPECT_EQ(LatexBoundCell(0, 0, ""), "  $0$");
    EXPECT_EQ(LatexBoundCell(3, -1, ""), "$> 2$");
    EXPECT_EQ(LatexBoundCell(0, -1, ""), "");
    EXPECT_EQ(LatexBoundCell(1, 2, "signature"), "  $1,2$  $\\sigma$");
    EXPECT_EQ(LatexBoundCell(1, 4, ""), "  $1,2,3,4$");
    EXPECT_EQ(LatexBoundCell(1, 6, "Wendt"), " W");
    EXPECT_EQ(LatexBoundCell(2, 2, "Lickorish test"), "  $2$  L");
}

KnotRecord Knot(const std::string& name) {
    KnotRecord knot;
    knot.name = name;
    knot.lowerBound = 1;
    knot.upperBound = -1;
    ApplyInitialResultLayout(knot);
    return knot;
}

TEST(LatexKnotRow, CellsChosenByCode) {
    KnotRecord knot = Knot("3_1");
    knot.texFields(1) = "al-1+(t+t^{-1})";
    knot.texFields(2) = "dt 3";
    knot.texFields(3) = "l2\\mathbb{Z}_{3}";
    knot.texFields(4) = "ma";
    knot.texFields(5) = "si-2";
    knot.texFields(6) = "lt-2";
    knot.texFields(7) = "nk1";
    knot.texFields(11) = "erError";
    RunSettings settings;
    settings.algebraicUnknotting = true;
    EXPECT_EQ(LatexKnotRow(knot, settings),
              "$3_{1}$        & $> 0$ & $-1+(t+t^{-1})$ & $ 3$ & $\\mathbb{Z}_{3}$ & $$ & $-2$ & "
              "$1$  \\\\");
    settings.algebraicUnknotting = false;
    EXPECT_EQ(
        LatexKnotRow(knot, settings),
        "$3_{1}$        & $-1+(t+t^{-1})$ & $ 3$ & $\\mathbb{Z}_{3}$ & $$ & $-2$ & $1$  \\\\");
}

TEST(LatexResultCell, EveryNumberInMathMode) {
    const std::string lowerOnly = "nk> 1 detected by H_1(L_3)" + std::string(1500, ' ');
    const std::pair<std::string, std::string> cases[] = {
        // Forms that state their values as they are.
        {"nk1", "$1$"},
        {"nk1 or 2", "1 or 2"},
        {"nk1,2 or 3", "1,2 or 3"},
        {"nk1...4", "$1...4$"},
        {"nk> 0", "$> 0$"},
        {"nk2 detected by H_1(L_2)", "$2\\,H_1(L_2)$"},
        {"nk2 detected by A(F_7)     ", "$2\\,A(\\mathbb{F}_7)     $"},
        {"si-2 (-4)", "$-2 (-4)$"},
        {"si0 [2]", "$0 [2]$"},
        {"ma0.96...", "$0.96...$"},
        {"l2\\mathbb{Z}_{3}\\oplus \\mathbb{Z}_{3}", "$\\mathbb{Z}_{3}\\oplus \\mathbb{Z}_{3}$"},
        {"nk2 A(F_3)", "$2 A(\\mathbb{F}_3)$"},
        {"nk2 \\,H_1(L_2)", "$2 \\,L_2$"},
        {"nk2 \\,H_1(L_3)", "$2 \\,L_3$"},
        // A value other than one digit before "detected by".
        {"nk2 or 3 detected by H_1(L_2)", "$2\\text{ or }3\\,H_1(L_2)$"},
        {"nk2,3 or 4 detected by H_1(L_16)", "$2,3\\text{ or }4\\,H_1(L_{16})$"},
        {"nk2...5 detected by A(F_13)", "$2...5\\,A(\\mathbb{F}_{13})$"},
        {"nk10 detected by H_1(L_2)", "$10\\,H_1(L_2)$"},
        {"nk detected by H_1(L_2)", "$\\,H_1(L_2)$"},
        {lowerOnly, "$> 1\\,H_1(L_3)" + std::string(1500, ' ') + "$"},
    };
    for (const auto& [slot, cell] : cases) EXPECT_EQ(LatexResultCell(slot), cell) << slot;
}

void Fill(RunState& state, int computed, int total) {
    for (int i = 1; i <= total; ++i) {
        KnotRecord& knot = state.Knots.Append();
        knot = Knot("k" + std::to_string(i));
        knot.inputLine = "k" + std::to_string(i) + " [[1]]";
    }
    for (int i = 1; i <= computed; ++i) state.Knots(i).computed = true;
    state.Settings.algebraicUnknotting = false;
}

std::string Row(int i) {
    return LatexKnotRow(Knot("k" + std::to_string(i)), RunSettings{.algebraicUnknotting = false});
}

TEST(LatexResultsContents, PagesOfFortyFourComputedRows) {
    RunState state;
    Fill(state, 47, 48);
    state.Knots(2).takenOver = true;
    state.Knots(2).storedLine = "k2        | 1_2 & {x}";
    state.Knots(3).takenOver = true;
    state.Knots(3).storedLine = "% remark";
    // Page 1: k1, the two taken-over rows, k4..k46 (44 computed rows). Page 2: k47; k48 is not
    // computed yet.
    std::vector<std::string> expected = kPageOpening;
    expected.push_back(Row(1));
    expected.push_back("\\multicolumn{8}{|l|}{\\texttt{k2        | 1\\_2 \\& \\{x\\}}} \\\\");
    expected.push_back("% remark");
    for (int i = 4; i <= 46; ++i) expected.push_back(Row(i));
    expected.insert(expected.end(), {"\\hline", "\\end{tabular}"});
    expected.insert(expected.end(), kPageOpening.begin(), kPageOpening.end());
    expected.push_back(Row(47));
    expected.insert(expected.end(), {"\\hline", "\\end{tabular}", "", "\\end{document}"});
    EXPECT_EQ(Tables(LatexResultsContents(state)), expected);
}

TEST(LatexResultsContents, EveryTableOpenedIsClosed) {
    // Stopped during knot 1: nothing computed, yet the page opened for the first knot closes.
    std::vector<std::string> expected = kPageOpening;
    expected.insert(expected.end(), {"\\hline", "\\end{tabular}", "", "\\end{document}"});
    RunState stopped;
    Fill(stopped, 0, 3);
    EXPECT_EQ(Tables(LatexResultsContents(stopped)), expected);
    // No knots, no table.
    RunState empty;
    Fill(empty, 0, 0);
    EXPECT_EQ(Tables(LatexResultsContents(empty)),
              (std::vector<std::string>{"", "\\end{document}"}));
}

TEST(LatexResultsContents, PreambleFollowsTheOptions) {
    RunState state;
    Fill(state, 0, 0);
    state.Settings.ltValueCount = 1024;
    state.Settings.mahlerValueCount = 128;
    const std::string plain = LatexResultsContents(state);
    EXPECT_TRUE(plain.starts_with("\\documentclass[10pt]{amsart}\r\n\r\n\\textwidth 7in\r\n"));
    EXPECT_NE(plain.find("\r\nNote that the Levine-Tristram signatures is computed for all roots "
                         "of unity $z=\\exp(2\\pi i k/1024)$, $k=1,\\dots,1023$.\r\n"),
              std::string::npos);
    EXPECT_NE(plain.find("\r\n\\item The Mahler measure of $K$, given as its logarithm, computed "
                         "from the roots of the Alexander polynomial and printed to 2 decimals "
                         "(where the roots are not found, as the mean of $\\log|\\Delta_K(z)|$ "
                         "over 128 points $z$ of the unit circle)\r\n"),
              std::string::npos);
    EXPECT_EQ(plain.find("Mahler measure of the Alexander polynomial"), std::string::npos);
    EXPECT_EQ(plain.find("indicated by $mu$"), std::string::npos);
    EXPECT_EQ(plain.find("3 \\times 3"), std::string::npos);
    state.Settings.mahler = state.Settings.computeMu = state.Settings.checkU3 = true;
    const std::string all = LatexResultsContents(state);
    EXPECT_EQ(CrLfLines(all).size(), CrLfLines(plain).size() + 3);
    EXPECT_NE(all.find("\r\n\\item $mu(K)$, indicated by $mu$\r\n"), std::string::npos);
}

TEST(LatexResultsContents, ErrorCaseHasTwoLines) {
    RunState state;
    Fill(state, 1, 2);
    RecordInputError(state, 4, "Line 4: entry \"x\" is not an integer.");
    EXPECT_EQ(LatexResultsContents(state), "Error!\r\nLine 4: entry \"x\" is not an integer.\r\n");
}

}  // namespace
}  // namespace corvane
