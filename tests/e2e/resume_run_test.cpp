// Resuming runs from their results files: a run stopped midway and resumed ends with every knot
// once and in order, the rows of the first part byte for byte as they were; rows marked with "*"
// are computed again, comment rows keep their place, knot lines added by hand are computed, and
// a finished file run again is rewritten unchanged.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run_calculation.h"
#include "e2e/cli_support.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;

// Asks for Stop when knot `stopAt` begins (0: never).
class StoppingHost : public RunHost {
  public:
    StoppingHost(RunState& state, int stopAt) : state_(state), stopAt_(stopAt) {}
    void DrawText(int, int, std::string_view, StatusKind) override {}
    void KnotStarted(int index, int, std::string_view) override {
        if (index == stopAt_) state_.StopRequested = true;
    }

  private:
    RunState& state_;
    int stopAt_;
};

RunOutcome RunFile(const fs::path& input, int stopAt = 0) {
    RunState state;
    StoppingHost host(state, stopAt);
    return RunCalculation(state, host, input);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The lines after the table header.
std::vector<std::string> TableLines(const std::string& text) {
    std::vector<std::string> lines = Lines(text);
    std::size_t header = 0;
    while (header < lines.size() && !lines[header].starts_with("Name      |")) ++header;
    EXPECT_LT(header, lines.size());
    return {lines.begin() + static_cast<std::ptrdiff_t>(header) + 1, lines.end()};
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

// The columns of a row, split at "|" and trimmed.
std::vector<std::string> Columns(const std::string& row) {
    std::vector<std::string> columns;
    std::stringstream in(row);
    std::string column;
    while (std::getline(in, column, '|')) {
        const std::size_t first = column.find_first_not_of(' ');
        const std::size_t last = column.find_last_not_of(' ');
        columns.push_back(first == std::string::npos ? "" : column.substr(first, last - first + 1));
    }
    return columns;
}

std::vector<std::string> KnotNames(const fs::path& list) {
    std::ifstream in(list);
    std::vector<std::string> names;
    std::string line;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != '%') names.push_back(line.substr(0, line.find('\t')));
    return names;
}

class ResumeRun : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("corvane-resume-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "full");
        fs::create_directories(dir_ / "resumed");
        const fs::path source = fs::path(CORVANE_TEST_DATA_DIR) / "rolfsen-8-matrices.txt";
        fs::copy_file(source, dir_ / "full" / "rolfsen.txt");
        fs::copy_file(source, dir_ / "resumed" / "rolfsen.txt");
        names_ = KnotNames(source);
        ASSERT_EQ(names_.size(), 35u);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    std::vector<std::string> names_;
};

TEST_F(ResumeRun, StoppedRunResumedHoldsEveryKnotOnceWithTheEarlierRowsUnchanged) {
    ASSERT_EQ(RunFile(dir_ / "full" / "rolfsen.txt").end, RunEnd::Done);
    const std::string full = ReadFile(dir_ / "full" / "rolfsen_output.txt");

    const fs::path results = dir_ / "resumed" / "rolfsen_output.txt";
    ASSERT_EQ(RunFile(dir_ / "resumed" / "rolfsen.txt", 12).end, RunEnd::Stopped);
    const std::vector<std::string> stopped = TableLines(ReadFile(results));
    ASSERT_EQ(stopped.size(), 35u);
    // Knots 1..11 hold rows, knot 12 on are their knot-list lines.
    for (std::size_t i = 0; i < 35; ++i)
        EXPECT_EQ(stopped[i].find('|') != std::string::npos, i < 11);

    ASSERT_EQ(RunFile(results).end, RunEnd::Done);
    const std::string resumedText = ReadFile(results);
    const std::vector<std::string> resumed = TableLines(resumedText);
    ASSERT_EQ(resumed.size(), 35u);
    const std::vector<std::string> reference = TableLines(full);
    for (std::size_t i = 0; i < 35; ++i) {
        SCOPED_TRACE(names_[i]);
        if (i < 11) {
            EXPECT_EQ(resumed[i], stopped[i]);
        }
        const std::vector<std::string> got = Columns(resumed[i]);
        const std::vector<std::string> want = Columns(reference[i]);
        ASSERT_EQ(got.size(), want.size());
        EXPECT_EQ(got[0], names_[i]);
        EXPECT_EQ(got[2], want[2]);          // Alexander polynomial
        EXPECT_EQ(got[3], want[3]);          // signature
        EXPECT_EQ(got.back(), want.back());  // minimal Seifert matrix
    }
    // The preamble is the same as that of the uninterrupted run.
    EXPECT_EQ(resumedText.substr(0, resumedText.find("Name      |")),
              full.substr(0, full.find("Name      |")));
    EXPECT_TRUE(fs::exists(dir_ / "resumed" / "rolfsen_output.tex"));

    // A finished file run again is rewritten unchanged.
    ASSERT_EQ(RunFile(results).end, RunEnd::Done);
    EXPECT_EQ(ReadFile(results), resumedText);
}

TEST_F(ResumeRun, MarkedRowsCommentsAndAddedLines) {
    const fs::path results = dir_ / "resumed" / "rolfsen_output.txt";
    ASSERT_EQ(RunFile(dir_ / "resumed" / "rolfsen.txt").end, RunEnd::Done);
    const std::string finished = ReadFile(results);
    const std::string preamble = finished.substr(0, finished.find("Name      |"));
    const std::vector<std::string> all = Lines(finished);
    const std::vector<std::string> rows = TableLines(finished);
    const std::string header = all[all.size() - rows.size() - 1];

    // 5_2 (row 4) is marked and its Alexander column spoiled, so that only a fresh computation
    // restores it; a comment row follows 4_1; a knot line is added, a "+" line is skipped, and
    // what follows the first empty line is not read.
    std::vector<std::string> edited = rows;
    ASSERT_TRUE(edited[3].starts_with("5_2 "));
    std::string marked = "*" + edited[3];
    marked.replace(marked.find("2-3t+2t^2"), 9, "spoiled!!");
    edited[3] = marked;
    edited.insert(edited.begin() + 2, "% a comment row | kept");
    edited.push_back("+ a line of its own");
    edited.push_back("added      [[-1,0],[-1,-1]]");
    edited.push_back("");
    edited.push_back("stats      | not a row");
    {
        std::ofstream out(results, std::ios::binary);
        out << preamble << header << "\r\n" << Join(edited);
    }
    ASSERT_EQ(RunFile(results).end, RunEnd::Done);
    const std::vector<std::string> after = TableLines(ReadFile(results));
    ASSERT_EQ(after.size(), 37u);
    EXPECT_EQ(after[2], "% a comment row | kept");
    // 5_2 computed again: its Alexander polynomial restored, no mark; the matrix read back is
    // the minimal one already, so it is no longer marked as S-equivalent to the one read. (The
    // bounds may differ: the searches draw other random numbers for it than in the first run.)
    const std::vector<std::string> redone = Columns(after[4]);
    const std::vector<std::string> original = Columns(rows[3]);
    ASSERT_EQ(redone.size(), original.size());
    EXPECT_EQ(redone[0], "5_2");
    EXPECT_EQ(redone[2], original[2]);
    EXPECT_EQ(redone[3], original[3]);
    EXPECT_EQ("S-equivalent to " + redone.back(), original.back());
    for (std::size_t i = 0; i < 35; ++i) {
        if (i == 3) continue;
        EXPECT_EQ(after[i < 2 ? i : i + 1], rows[i]);
    }
    const std::vector<std::string> added = Columns(after[36]);
    EXPECT_EQ(added[0], "added");
    EXPECT_EQ(added[2], "1-t+t^2");
    EXPECT_EQ(added.back(), "[[-1,0],[-1,-1]]");
}

TEST_F(ResumeRun, ResultsFileFromTheCommandLine) {
    const fs::path list = dir_ / "resumed" / "rolfsen.txt";
    ASSERT_EQ(test::RunCli("--quiet " + list.string()).exitCode, 0);
    const fs::path results = dir_ / "resumed" / "rolfsen_output.txt";
    const std::string first = ReadFile(results);
    ASSERT_EQ(test::RunCli("--quiet " + results.string()).exitCode, 0);
    EXPECT_EQ(ReadFile(results), first);
    EXPECT_TRUE(fs::exists(dir_ / "resumed" / "rolfsen_output.tex"));
}

}  // namespace
}  // namespace corvane
