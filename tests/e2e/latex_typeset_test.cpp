// The LaTeX results documents of real runs are typeset by pdflatex without errors: the Rolfsen
// table with every column, a resumed run whose knot names and taken-over rows are full of LaTeX's
// special characters, and a document with every form of every cell, whose cells state the values
// of the text table. Skipped where pdflatex is not installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "arith/poly_test_support.h"
#include "driver/run_calculation.h"
#include "e2e/cli_support.h"
#include "invariants/mahler.h"
#include "invariants/nakanishi.h"
#include "knot/knot_context.h"
#include "knot/text_forms.h"
#include "output/latex_results.h"
#include "output/text_results.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

bool HavePdflatex() {
    return std::system("command -v pdflatex > /dev/null 2>&1") == 0;
}

// Typesets the document in its folder; returns pdflatex's log when it failed, empty otherwise.
std::string TypesetErrors(const fs::path& tex) {
    const std::string command = "cd '" + tex.parent_path().string() +
                                "' && pdflatex -interaction=nonstopmode -halt-on-error '" +
                                tex.filename().string() + "' > typeset.out 2>&1";
    const int status = std::system(command.c_str());
    const std::string log = test::ReadFile(tex.parent_path() / "typeset.out");
    if (status != 0) return log.empty() ? "pdflatex failed without output" : log;
    if (log.find("\n! ") != std::string::npos) return log;
    fs::path pdf = tex;
    pdf.replace_extension(".pdf");
    if (!fs::exists(pdf)) return "no PDF written\n" + log;
    return {};
}

class LatexTypeset : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HavePdflatex()) GTEST_SKIP() << "pdflatex is not installed";
        dir_ = fs::temp_directory_path() / ("corvane-latex-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
};

TEST_F(LatexTypeset, RolfsenRunWithEveryColumn) {
    for (const std::string list : {"rolfsen-8-matrices.txt", "rolfsen-8-braids.txt"}) {
        SCOPED_TRACE(list);
        const fs::path input = dir_ / list;
        fs::copy_file(fs::path(CORVANE_TEST_DATA_DIR) / list, input);
        RunState state;
        state.Settings.mahler = state.Settings.determinant = state.Settings.h1l2 = true;
        state.Settings.levineTristram = state.Settings.computeMu = true;
        state.Settings.computeAll = true;
        SilentRunHost host;
        ASSERT_EQ(RunCalculation(state, host, input).end, RunEnd::Done);
        fs::path tex = input;
        tex.replace_filename(input.stem().string() + "_output.tex");
        const std::string document = test::ReadFile(tex);
        // 35 knots: one page of 44 rows.
        EXPECT_NE(document.find("\r\n$8_{21}$       & "), std::string::npos);
        EXPECT_EQ(TypesetErrors(tex), "");
    }
}

TEST_F(LatexTypeset, SpecialCharactersAndTakenOverRows) {
    std::string list;
    int i = 0;
    for (const std::string name :
         {"a&b", "50%", "$x$", "#1", "k}", "~k", "k^2", "back\\slash", "a_b_c", "x__y", "[k]", "*k",
          "k<>", "caf\xC3\xA9", "raw\xE9", "_lead", "trail_", "3_1"}) {
        list += name + (++i % 2 ? " [[-1,0],[-1,-1]]\n" : " {1,-2,1,-2}\n");
    }
    const fs::path input = dir_ / "names.txt";
    std::ofstream(input, std::ios::binary) << list;
    SilentRunHost host;
    RunState first;
    ASSERT_EQ(RunCalculation(first, host, input).end, RunEnd::Done);
    EXPECT_EQ(first.KnotCount(), 18);
    EXPECT_EQ(TypesetErrors(dir_ / "names_output.tex"), "");

    // Resumed with a comment row, a marked row and an added line: taken-over rows are text that
    // holds "|", "_" and "^"; the document still typesets.
    const fs::path results = dir_ / "names_output.txt";
    std::string text = test::ReadFile(results);
    text.insert(text.find("\r\n", text.find("Name      |")) + 2, "% comment_row ^ & |\r\n");
    text.replace(text.find("\r\n3_1 ") + 2, 0, "*");
    text += "added [[1,1],[0,-1]]\r\n";
    std::ofstream(results, std::ios::binary) << text;
    RunState resumed;
    ASSERT_EQ(RunCalculation(resumed, host, results).end, RunEnd::Done);
    EXPECT_EQ(resumed.KnotCount(), 20);
    EXPECT_FALSE(resumed.Knots(19).takenOver);
    EXPECT_EQ(resumed.Knots(19).name, "3_1");
    EXPECT_EQ(TypesetErrors(dir_ / "names_output.tex"), "");

    // A document of taken-over rows only (a finished run given again) closes its table too.
    RunState again;
    ASSERT_EQ(RunCalculation(again, host, results).end, RunEnd::Done);
    EXPECT_EQ(TypesetErrors(dir_ / "names_output.tex"), "");
}

using Tokens = std::vector<std::string>;

// The numbers of a cell and the marks that relate them (">", "...", "or"), in order.
Tokens Values(const std::string& cell) {
    static const std::regex token(R"(-?\d+(\.\d+)?|\.\.\.|>|\bor\b)");
    Tokens values;
    for (std::sregex_iterator it(cell.begin(), cell.end(), token), end; it != end; ++it) {
        values.push_back(it->str());
    }
    return values;
}

Tokens Joined(Tokens a, const Tokens& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The value of a text cell: what stands before "detected by".
Tokens TextValue(const std::string& cell) {
    return Values(cell.substr(0, cell.find("detected by")));
}

// The cells of the rows whose first cell (the knot name kN) starts the line, split at `separator`
// unless it is escaped; a LaTeX row loses its closing "\\".
std::map<std::string, std::vector<std::string>> Rows(const std::string& document, char separator) {
    std::map<std::string, std::vector<std::string>> rows;
    std::stringstream lines(document);
    for (std::string line; std::getline(lines, line, '\n');) {
        if (!std::regex_search(line, std::regex("^k\\d+ +[|&]"))) continue;
        line = line.substr(0, line.rfind(separator == '&' ? " \\\\" : "\r"));
        std::vector<std::string> cells{""};
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == separator && (i == 0 || line[i - 1] != '\\')) {
                cells.emplace_back();
            } else {
                cells.back() += line[i];
            }
        }
        rows[cells[0].substr(0, cells[0].find(' '))] = cells;
    }
    return rows;
}

// Every cell form in one document, built from the slots the computations fill (the Nakanishi
// cell by NakanishiOutput itself) through both writers: pdflatex typesets it, and every LaTeX
// cell holds the numbers and ranges of its text cell, and of the source or obstruction named.
TEST_F(LatexTypeset, EveryCellFormStatesTheTextTablesValues) {
    struct Named {
        std::string text, tex;
        Tokens numbers;  // the numbers the LaTeX form of the name shows
    };
    const std::vector<std::pair<int32_t, int32_t>> bounds = {{1, 1}, {0, 0}, {3, -1}, {1, 2},
                                                             {1, 3}, {1, 4}, {1, 6},  {2, 1}};
    // The obstructions that give a lower bound, and the numbers of their symbols.
    const std::vector<std::pair<std::string, Tokens>> obstructions = {
        {"", {}},
        {"signature", {}},
        {"Wendt", {}},
        {"Wendt on H_1(L_3)", {"3"}},
        {"Wendt on H_1(L_5)", {"5"}},
        {"H_1(L_3)", {"3"}},
        {"H_1(L_12)", {"12"}},
        {"A(F_7)", {"7"}},
        {"A(F_13)", {"13"}},
        {"sign(3/16)", {}},
        {"sign(3/16)-sign(9/16)", {}},
        {"mu(K) = 3", {}},
        {"Lickorish test", {}},
        {"Stoimenow test", {}},
        {"new u_a(K)=2 obstruction", {}},
        {"new u_a(K)=3 obstruction", {}},
        {"unknotting move ", {}},
        {"odd_test 5 & <x> ^~\\ {}%$#", {"5"}}};
    const std::vector<Named> sources = {
        {"H_1(L_2)", "H_1(L_2)", {"1", "2"}},
        {"H_1(L_16)", "H_1(L_16)", {"1", "16"}},
        {"H_1(S^3\\K;F_7[t,t^-1])", "A(F_7)", {"7"}},
        {"H_1(S^3\\K;F_13[t,t^-1])", "A(F_13)", {"13"}},
    };
    const std::vector<std::pair<int32_t, int32_t>> nakanishi = {
        {0, 0}, {1, 1}, {2, 2}, {10, 10}, {1, 2},  {2, 3}, {1, 3},
        {2, 4}, {1, 4}, {2, 5}, {1, -1},  {2, -1}, {1, 6}, {2, 7}};
    const std::vector<std::vector<int64_t>> alexander = {{1}, {1, -1, 1}, {2, -3, 2}};
    // Orders d_1..d_c of H_1(L_2), 1-based.
    const std::vector<std::vector<int64_t>> groups = {{0, 1}, {0, 3}, {0, 1, 3, 15}};
    const std::vector<std::string> mahler = {"ma", "ma 0", "ma" + MahlerText(0.9624L, 128),
                                             "ma" + MahlerText(0.0000014L, 2097152)};
    // Signature, then the largest |Levine-Tristram signature| or the extreme ones.
    const std::vector<std::vector<int32_t>> signatures = {{-2}, {0}, {-2, -4}, {0, 2}, {2, -3, 3}};

    RunState state;
    state.Settings.mahler = state.Settings.determinant = state.Settings.h1l2 = true;
    state.Settings.levineTristram = true;
    const int rows = static_cast<int>(bounds.size() * obstructions.size());
    for (int i = 1; i <= rows; ++i) state.Knots.Append().name = "k" + std::to_string(i);
    ResetForRunStart(state);
    SilentRunHost host;
    for (int i = 1; i <= rows; ++i) {
        const auto r = static_cast<std::size_t>(i - 1);
        // Each knot's results are stored in its own context, as the run computes them.
        KnotContext ctx(host);
        KnotState& knotState = ctx.state;
        knotState.Settings = state.Settings;
        knotState.record = state.Knots(i);
        KnotRecord& knot = knotState.record;
        ApplyInitialResultLayout(knot);
        std::tie(knot.lowerBound, knot.upperBound) = bounds[r % bounds.size()];
        knot.detectedBy = obstructions[r / bounds.size()].first;
        const RatPoly p = polytest::IntPoly(alexander[r % alexander.size()]);
        SetResultField(knotState, "al" + PolyToText(p), "al" + SymmetricPolyToLatex(p));
        if (r % 4 == 3) {
            SetResultField(knotState, "erError in calculation of determinant", "erError");
        } else {
            const std::vector<int64_t>& orders = groups[r % groups.size()];
            int64_t det = 1;
            for (const int64_t d : orders) det *= std::max<int64_t>(d, 1);
            const std::string dt = SignedField("dt", r % 2 ? det : -det);
            SetResultField(knotState, dt, dt);
            const auto c = static_cast<int64_t>(orders.size()) - 1;
            SetResultField(knotState, "l2" + GroupToText(orders, c),
                           "l2" + GroupToLatex(orders, c));
        }
        SetResultField(knotState, mahler[r % mahler.size()], mahler[r % mahler.size()]);
        const std::vector<int32_t>& s = signatures[r % signatures.size()];
        SetResultField(knotState, SignedField("si", s[0]), SignedField("si", s[0]));
        const std::string ordinary = std::to_string(s[0]);
        if (s.size() == 2) {
            const std::string sample = std::to_string(s[1]);
            SetResultField(knotState, "lt" + sample, "si" + ordinary + " (" + sample + ")");
        } else if (s.size() == 3) {
            SetResultField(knotState, "lt" + std::to_string(s[1]) + "..." + std::to_string(s[2]),
                           "si" + ordinary + " [" + std::to_string(s[2] - s[1]) + "]");
        }
        const Named& source = sources[r / nakanishi.size() % sources.size()];
        knotState.NakanishiSource = source.text;
        knotState.NakanishiSourceTex = source.tex;
        std::tie(knot.nakanishiLower, knot.nakanishiUpper) = nakanishi[r % nakanishi.size()];
        NakanishiOutput(ctx);
        knot.computed = true;
        state.Knots(i) = std::move(knot);
    }

    ASSERT_TRUE(WriteLatexResults(state, dir_ / "cells.txt").ok);
    EXPECT_EQ(TypesetErrors(dir_ / "cells_output.tex"), "");
    const auto latex = Rows(test::ReadFile(dir_ / "cells_output.tex"), '&');
    const auto text = Rows(TextResultsContents(state), '|');
    ASSERT_EQ(latex.size(), static_cast<std::size_t>(rows));
    ASSERT_EQ(text.size(), static_cast<std::size_t>(rows));
    for (int i = 1; i <= rows; ++i) {
        const auto r = static_cast<std::size_t>(i - 1);
        const std::vector<std::string>& l = latex.at("k" + std::to_string(i));
        const std::vector<std::string>& t = text.at("k" + std::to_string(i));
        SCOPED_TRACE(t[0] + "|" + t[1] + "|" + t[8]);
        // LaTeX: name, bound, al, dt, l2, ma, si, nk. Text: name, bound, al, dt, l2, ma, si, lt,
        // nk, then the error field.
        ASSERT_EQ(l.size(), 8u);
        EXPECT_EQ(Values(l[1]), Joined(TextValue(t[1]), obstructions[r / bounds.size()].second));
        for (const int c : {3, 4, 5}) EXPECT_EQ(Values(l[c]), Values(t[c])) << c;
        const Tokens lt = Values(t[7]);
        const Tokens extra =
            lt.size() == 3 ? Tokens{std::to_string(std::stoi(lt[2]) - std::stoi(lt[0]))} : lt;
        EXPECT_EQ(Values(l[6]), Joined(Values(t[6]), extra));
        const bool named = t[8].find("detected by") != std::string::npos;
        const Tokens& from = sources[r / nakanishi.size() % sources.size()].numbers;
        EXPECT_EQ(Values(l[7]), Joined(TextValue(t[8]), named ? from : Tokens{}));
    }
}

}  // namespace
}  // namespace corvane
