// Reading a results file back: which lines are taken over, which are read as knots again, where
// the table begins and ends, and how marked rows keep their names.
#include "input/results_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "arith/checked.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

const std::string kHeader =
    "Name      | Algebraic unknotting number               | Seifert matrix";

class ResultsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("corvane-results-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    KnotListStatus Read(const std::string& bytes, const std::string& name = "k_output.txt") {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return ReadInput(state_, path);
    }

    fs::path dir_;
    RunState state_;
};

TEST_F(ResultsFile, RowsAreTakenOverAndOtherLinesComputed) {
    const std::string row1 =
        "3_1       |   1  detected by signature              | [[-1,0],[-1,-1]]";
    const std::string row2 = "% my own remark";
    const std::string row3 = "4_1       | mod 5";
    const KnotListStatus status =
        Read("preamble line\r\nmore | preamble\r\n" + kHeader + "\r\n" + row1 + "\r\n" + row2 +
             "\r\n" + "+ a note\r\n" + "5_1        [[-1,-1],[0,-1]]\r\n" + row3 + "\r\n" + "\r\n" +
             "later     | [[1]]\r\n");
    EXPECT_TRUE(status.opened);
    EXPECT_FALSE(state_.InputError);
    ASSERT_EQ(state_.KnotCount(), 4);
    EXPECT_TRUE(state_.Knots(1).takenOver);
    EXPECT_EQ(state_.Knots(1).storedLine, row1);
    EXPECT_TRUE(state_.Knots(2).takenOver);
    EXPECT_EQ(state_.Knots(2).storedLine, row2);
    EXPECT_FALSE(state_.Knots(3).takenOver);
    EXPECT_EQ(state_.Knots(3).name, "5_1");
    EXPECT_EQ(state_.Knots(3).inputLine, "5_1        [[-1,-1],[0,-1]]");
    EXPECT_TRUE(state_.Knots(4).takenOver);
    EXPECT_EQ(state_.Knots(4).storedLine, row3);
}

TEST_F(ResultsFile, MarkedRowsAreReadAgainUnderTheirNames) {
    Read(kHeader + "\n" +
         "*3_1       |   1                                       | [[-1,0],[-1,-1]]\n" +
         "*a_long_knot_name|   1                                 | S-equivalent to "
         "[[2,-1],[0,1]]\n" +
         "*8_18      | > 1                                       | Seifert matrix too large\n" +
         "*7_1 {1,1,1,1,1,1,1}\n" + "*b{1,1,1}|   1\n");
    EXPECT_FALSE(state_.InputError);
    ASSERT_EQ(state_.KnotCount(), 5);
    EXPECT_EQ(state_.Knots(1).name, "3_1");
    EXPECT_FALSE(state_.Knots(1).takenOver);
    EXPECT_EQ(state_.Knots(1).inputLine, "3_1        [[-1,0],[-1,-1]]");
    EXPECT_EQ(state_.Knots(2).name, "a_long_knot_name");
    EXPECT_EQ(state_.Knots(2).seifert(1, 1), 2);
    // A marked row without a matrix cannot be computed again; it is kept as it is.
    EXPECT_TRUE(state_.Knots(3).takenOver);
    EXPECT_EQ(state_.Knots(3).storedLine,
              "*8_18      | > 1                                       | Seifert matrix too large");
    // A marked knot line is simply a knot line; a marked row may hold a braid word.
    EXPECT_EQ(state_.Knots(4).name, "7_1");
    EXPECT_EQ(state_.Knots(4).size, 6);
    EXPECT_EQ(state_.Knots(5).name, "b");
    EXPECT_EQ(state_.Knots(5).size, 2);
    // Redone rows remember what they were (it seeds their new random choices); lines do not.
    EXPECT_EQ(state_.Knots(1).redoneRow,
              "*3_1       |   1                                       | [[-1,0],[-1,-1]]");
    EXPECT_EQ(state_.Knots(4).redoneRow, "");
    EXPECT_EQ(state_.Knots(5).redoneRow, "*b{1,1,1}|   1");
}

TEST_F(ResultsFile, MatrixIsTheLastBracketedTextOfTheRow) {
    // Columns before the Seifert matrix may themselves hold brackets.
    Read(kHeader + "\n*k         | [[t,1],[0,t]] | [[-1,0],[-1,-1]]\n");
    EXPECT_FALSE(state_.InputError);
    ASSERT_EQ(state_.KnotCount(), 1);
    EXPECT_EQ(state_.Knots(1).inputLine, "k          [[-1,0],[-1,-1]]");
}

TEST_F(ResultsFile, TheStatisticsBlockIsNotRead) {
    // The block begins with an empty line, though some of its lines hold "|".
    Read(kHeader + "\r\n3_1       | [[1]]\r\n\r\nIn the following we write\r\n" +
         "  Number of knots for which |sign(K)|/2 = o(K): 3\r\n");
    EXPECT_EQ(state_.KnotCount(), 1);
}

TEST_F(ResultsFile, NoHeaderNoKnots) {
    EXPECT_TRUE(Read("Error!\r\nLine 3: entry x is not an integer.\r\n").opened);
    EXPECT_EQ(state_.KnotCount(), 0);
    // An empty line before the header ends the search.
    Read("text\n\n" + kHeader + "\n3_1       | [[1]]\n");
    EXPECT_EQ(state_.KnotCount(), 0);
    EXPECT_FALSE(state_.InputError);
}

TEST_F(ResultsFile, ReadingErrorsStopTheReadingWithTheirLine) {
    Read(kHeader + "\n3_1       | [[1]]\nbad        [[x]]\n4_1       | [[1]]\n");
    EXPECT_TRUE(state_.InputError);
    EXPECT_EQ(state_.InputErrorLine, 3);
    EXPECT_EQ(TroubleCode, "Line 3: entry \"x\" is not an integer.");
    EXPECT_EQ(state_.KnotCount(), 1);

    // Any number of rows: more than the 30000 of earlier versions.
    std::string many = kHeader + "\n";
    for (int i = 0; i <= 40000; ++i) many += "k | row\n";
    Read(many);
    EXPECT_EQ(state_.KnotCount(), 40001);
    EXPECT_FALSE(state_.InputError);
}

TEST_F(ResultsFile, OnlyNamesEndingInOutputTxtAreResultsFiles) {
    EXPECT_TRUE(IsResultsFileName("knots_output.txt"));
    EXPECT_FALSE(IsResultsFileName("knots_output.txt.bak"));
    EXPECT_FALSE(IsResultsFileName("knots_output"));
    EXPECT_FALSE(IsResultsFileName("knots_Output.txt"));
    // A knot list is read as a knot list: its rows would not be knots at all.
    Read("3_1 [[1]]\n", "knots.txt");
    EXPECT_EQ(state_.KnotCount(), 1);
    Read("3_1 [[1]]\n", "knots_output.txt");
    EXPECT_EQ(state_.KnotCount(), 0);
    EXPECT_FALSE(ReadInput(state_, dir_ / "missing_output.txt").opened);
}

}  // namespace
}  // namespace corvane
