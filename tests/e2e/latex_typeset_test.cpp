// The LaTeX results documents of real runs are typeset by pdflatex without errors: the Rolfsen
// table with every column, and a resumed run whose knot names and taken-over rows are full of
// LaTeX's special characters. Skipped where pdflatex is not installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "driver/run_calculation.h"
#include "e2e/cli_support.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

class SilentHost : public RunHost {
  public:
    void DrawText(int, int, std::string_view, StatusKind) override {}
};

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
        SilentHost host;
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
    SilentHost host;
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

}  // namespace
}  // namespace corvane
