#include "input/knot_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "arith/checked.h"
#include "input/diagram.h"
#include "knot/run_state.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using std::string_literals::operator""s;

const std::string kSizeMessage = "Seifert matrices are too large, the maximal allowed size is 70.";

// The matrix text of a rows × columns block written with blanks after the commas, entries 1.
std::string BlockText(int rows, int columns) {
    std::string text = "[[";
    for (int i = 1; i <= rows; ++i) {
        if (i > 1) text += ", [";
        for (int j = 1; j <= columns; ++j) text += j > 1 ? ", 1" : "1";
        text += ']';
    }
    return text + ']';
}

class KnotListFile : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / ("corvane-input-" + std::to_string(::getpid()) + "-" +
                                            info->test_suite_name() + "-" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Writes the bytes as they are and reads the file as a knot list.
    KnotListStatus Read(const std::string& bytes) {
        const fs::path path = dir_ / "knots.txt";
        std::ofstream(path, std::ios::binary) << bytes;
        return ReadKnotList(state_, path);
    }

    // After a reading error: the message names the line, or it is the fixed message of the size
    // limit and InputErrorLine names it.
    void ExpectErrorAtLine(int line) {
        EXPECT_TRUE(state_.InputError);
        EXPECT_EQ(state_.InputErrorLine, line);
        EXPECT_EQ(state_.InputErrorText, TroubleCode);
        const bool fixed = TroubleCode == kSizeMessage;
        if (!fixed) {
            EXPECT_TRUE(TroubleCode.starts_with("Line " + std::to_string(line) + ": "));
        }
    }

    fs::path dir_;
    RunState state_;
};

TEST_F(KnotListFile, TheHelpTextsThreeKnots) {
    const KnotListStatus status = Read(
        "3_1\t[[ -1, 0], [ -1, -1]]\n"
        "4_1\t[[ 1, 0], [ -1, -1]]\n"
        "5_1\t[[ -1, -1, 0, -1], [ 0, -1, 0, 0], [ -1, -1, -1, -1], [ 0, -1, 0, -1]]\n");
    EXPECT_TRUE(status.opened);
    EXPECT_FALSE(state_.InputError);
    EXPECT_EQ(state_.InputErrorLine, 0);
    ASSERT_EQ(state_.KnotCount(), 3);
    const KnotRecord& trefoil = state_.Knots(1);
    EXPECT_EQ(trefoil.name, "3_1");
    EXPECT_EQ(trefoil.size, 2);
    EXPECT_EQ(trefoil.seifert.Size(), 2);
    EXPECT_EQ(trefoil.seifert(1, 1), -1);
    EXPECT_EQ(trefoil.seifert(1, 2), 0);
    EXPECT_EQ(trefoil.seifert(2, 1), -1);
    EXPECT_EQ(trefoil.seifert(2, 2), -1);
    EXPECT_EQ(trefoil.seifert(3, 3), 0);
    EXPECT_EQ(trefoil.inputLine, "3_1        [[-1,0],[-1,-1]]");
    EXPECT_EQ(trefoil.nakanishiLower, 0);
    EXPECT_EQ(trefoil.nakanishiUpper, -1);
    EXPECT_FALSE(trefoil.takenOver);
    EXPECT_EQ(trefoil.storedLine, "");
    EXPECT_EQ(trefoil.coversTried, "");
    EXPECT_EQ(trefoil.generatorText, "");
    EXPECT_EQ(trefoil.blanchfieldText, "");

    EXPECT_EQ(state_.Knots(2).name, "4_1");
    EXPECT_EQ(state_.Knots(2).size, 2);
    EXPECT_EQ(state_.Knots(2).seifert(1, 1), 1);
    const KnotRecord& cinquefoil = state_.Knots(3);
    EXPECT_EQ(cinquefoil.name, "5_1");
    EXPECT_EQ(cinquefoil.size, 4);
    EXPECT_EQ(cinquefoil.seifert(1, 4), -1);
    EXPECT_EQ(cinquefoil.seifert(2, 3), 0);
    EXPECT_EQ(cinquefoil.seifert(3, 3), -1);
    EXPECT_EQ(cinquefoil.seifert(4, 2), -1);
    EXPECT_EQ(cinquefoil.seifert(4, 3), 0);
    EXPECT_EQ(cinquefoil.inputLine,
              "5_1        [[-1,-1,0,-1],[0,-1,0,0],[-1,-1,-1,-1],[0,-1,0,-1]]");
}

TEST_F(KnotListFile, CommentLinesAreSkippedEvenWithAMatrix) {
    Read("% 9_9 [[1]]\n%[[2]]\n3_1 [[-1,0],[-1,-1]]\n");
    ASSERT_EQ(state_.KnotCount(), 1);
    EXPECT_EQ(state_.Knots(1).name, "3_1");
}

TEST_F(KnotListFile, AnEmptyLineEndsTheList) {
    Read("a [[1]]\nb [[2]]\n\nc [[3]]\n");
    ASSERT_EQ(state_.KnotCount(), 2);
    EXPECT_EQ(state_.Knots(2).name, "b");
    Read("a [[1]]\r\nb [[2]]\r\n\r\nc [[3]]\r\n");
    EXPECT_EQ(state_.KnotCount(), 2);
    // A line of blanks is not empty: it is ignored and reading goes on.
    Read("a [[1]]\n   \nc [[3]]\n");
    EXPECT_EQ(state_.KnotCount(), 2);
}

TEST_F(KnotListFile, MixedLineEndsAndAMissingFinalNewline) {
    Read("a [[1]]\r\nb [[2]]\nc [[3]]\r\nd [[4]]\r\r\ne\r [[5]]\nf [[6]]");
    ASSERT_EQ(state_.KnotCount(), 6);
    EXPECT_EQ(state_.Knots(1).inputLine, "a          [[1]]");
    EXPECT_EQ(state_.Knots(2).inputLine, "b          [[2]]");
    EXPECT_EQ(state_.Knots(3).inputLine, "c          [[3]]");
    EXPECT_EQ(state_.Knots(4).inputLine, "d          [[4]]");
    EXPECT_EQ(state_.Knots(5).name, "e\r");  // only a line's last CR belongs to its end
    EXPECT_EQ(state_.Knots(6).seifert(1, 1), 6);
}

TEST_F(KnotListFile, ExtraOpeningBracketsAreAccepted) {
    Read("x [[[1,2],[3,4]]]\ny [[[[ 5 ]]]]\n");
    ASSERT_EQ(state_.KnotCount(), 2);
    const KnotRecord& x = state_.Knots(1);
    EXPECT_EQ(x.size, 2);
    EXPECT_EQ(x.seifert(1, 2), 2);
    EXPECT_EQ(x.seifert(2, 1), 3);
    EXPECT_EQ(x.seifert(2, 2), 4);
    EXPECT_EQ(x.inputLine, "x          [[1,2],[3,4]]");
    EXPECT_EQ(state_.Knots(2).size, 1);
    EXPECT_EQ(state_.Knots(2).seifert(1, 1), 5);
}

TEST_F(KnotListFile, LinesThatGiveNoMatrixAreSkippedWithTheirReason) {
    Read(
        "a [[1,2,3],[4,5,6]]\nb [[1,2],[3]]\nc [[]]\nd [[1,2]]\ne [[7]]\nf [[1, 2], [3\n"
        "g [[1,2],[3,4],5\nh {1,2}\n% c [[1,2]]\nprose\ni [[1,2],[3,4\n");
    EXPECT_FALSE(state_.InputError);
    ASSERT_EQ(state_.KnotCount(), 2);
    EXPECT_EQ(state_.Knots(1).name, "e");
    EXPECT_EQ(state_.Knots(1).lineNumber, 5);
    EXPECT_EQ(state_.Knots(2).name, "i");
    const std::vector<std::pair<int, std::string>> expected{
        {1, "not square: 2 rows of 3 entries"},
        {2, "rows of unequal length"},
        {3, "no row"},
        {4, "not square: 1 row of 2 entries"},
        {6, "rows of unequal length"},  // the cut-off row "[3"
        {7, "rows of unequal length"},
        {8, "empty Seifert matrix: the braid closes to the unknot"}};
    ASSERT_EQ(state_.LineNotes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(state_.LineNotes[i].line, expected[i].first);
        EXPECT_TRUE(state_.LineNotes[i].skipped);
        EXPECT_EQ(state_.LineNotes[i].Text(), "skipped: " + expected[i].second);
    }
}

TEST_F(KnotListFile, BraidsThatCloseToLinksAreKnotsWithTheirReason) {
    // Two components with a matrix (T(2,4)), a split link without one, and a knot.
    Read("T24 {1,1,1,1}\nS {1, 3}\n3_1 {1,1,1}\n");
    ASSERT_EQ(state_.KnotCount(), 3);
    EXPECT_EQ(state_.Knots(1).notKnotReason, "not a knot: the braid closes to 2 components");
    EXPECT_EQ(state_.Knots(1).size, 3);
    EXPECT_EQ(state_.Knots(2).notKnotReason, "not a knot: the braid closes to 2 components");
    EXPECT_EQ(state_.Knots(2).inputLine, "S          {1,3}");
    EXPECT_EQ(state_.Knots(3).notKnotReason, "");
    EXPECT_EQ(NotAKnotReason(state_.Knots(3)), "");
    EXPECT_TRUE(state_.LineNotes.empty());
}

TEST_F(KnotListFile, LinesWithoutDoubleBracketAreIgnored) {
    Read("just text\n3_1 [1,2]\n]] [[ \n(( 1 ))\na [[1]]\n");
    EXPECT_FALSE(state_.InputError);
    ASSERT_EQ(state_.KnotCount(), 1);
    EXPECT_EQ(state_.Knots(1).name, "a");
}

TEST_F(KnotListFile, NamesAreTrimmedAndCutAtTheBar) {
    Read(
        "  3_1 \t [[1]]\n"
        "4_1|alias [[1]]\n"
        "5_1 | alias [[1]]\n"
        "[[1]]\n"
        " [[1]]\n"
        "  [[1]]\n"
        "\t\t[[1]]\n"
        "  \t 6_1 [[1]]\n"
        "|x [[1]]\n"
        "7_1 [[1]] trailing | text\n");
    ASSERT_EQ(state_.KnotCount(), 10);
    const char* names[] = {"3_1", "4_1", "5_1 ", "", " ", " ", "\t", "\t 6_1", "", "7_1"};
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(state_.Knots(i).name, names[i - 1]) << i;
    EXPECT_EQ(state_.Knots(4).inputLine, "           [[1]]");
    EXPECT_EQ(state_.Knots(3).inputLine, "5_1        [[1]]");
}

TEST_F(KnotListFile, LongNamesAreNotCut) {
    Read("a-rather-long-knot-name [[1]]\n");
    ASSERT_EQ(state_.KnotCount(), 1);
    EXPECT_EQ(state_.Knots(1).inputLine, "a-rather-long-knot-name[[1]]");
}

TEST_F(KnotListFile, TheMatrixEndsAtTheFirstDoubleClosingBracket) {
    Read("a [[1,2],[3,4]] [[9]]\nb [[1, 2),( 3, 4))\n");
    ASSERT_EQ(state_.KnotCount(), 2);
    EXPECT_EQ(state_.Knots(1).inputLine, "a          [[1,2],[3,4]]");
    EXPECT_EQ(state_.Knots(2).size, 2);
    EXPECT_EQ(state_.Knots(2).seifert(2, 2), 4);
    EXPECT_EQ(state_.Knots(2).inputLine, "b          [[1,2),(3,4))");
}

TEST_F(KnotListFile, SeventyRowsWithBlanksAreReadCompletely) {
    std::string text = "[[";
    for (int i = 1; i <= 70; ++i) {
        if (i > 1) text += ",  [";
        for (int j = 1; j <= 70; ++j) text += (j > 1 ? ", " : "") + std::to_string(i - j);
        text += " ]";
    }
    Read("big " + text + "]\n");
    ASSERT_EQ(state_.KnotCount(), 1);
    const KnotRecord& big = state_.Knots(1);
    EXPECT_EQ(big.size, 70);
    EXPECT_EQ(big.seifert(1, 1), 0);
    EXPECT_EQ(big.seifert(1, 70), -69);
    EXPECT_EQ(big.seifert(70, 1), 69);
    EXPECT_EQ(big.seifert(40, 3), 37);
}

TEST_F(KnotListFile, SeventyOneRowsStopReadingAndKeepTheKnotsAbove) {
    Read("% header\na [[1]]\nb [[2]]\nhuge " + BlockText(71, 71) + "\nc [[3]]\n");
    EXPECT_EQ(state_.KnotCount(), 2);
    EXPECT_EQ(TroubleCode, kSizeMessage);
    ExpectErrorAtLine(4);
}

TEST_F(KnotListFile, SeventyOneEntriesInARowAreASizeError) {
    Read("a [[1]]\nwide " + BlockText(1, 71) + "\nc [[3]]\n");
    EXPECT_EQ(state_.KnotCount(), 1);
    EXPECT_EQ(TroubleCode, kSizeMessage);
    ExpectErrorAtLine(2);
}

TEST_F(KnotListFile, SizeErrorsOfNonSquareBlocksStillStopReading) {
    Read("tall " + BlockText(71, 2) + "\na [[1]]\n");
    EXPECT_EQ(state_.KnotCount(), 0);
    EXPECT_EQ(TroubleCode, kSizeMessage);
    ExpectErrorAtLine(1);
}

TEST_F(KnotListFile, EntriesThatAreNotIntegersStopReading) {
    Read("a [[1]]\n% note\nb [[1, 0], [1x, 2]]\nc [[3]]\n");
    EXPECT_EQ(state_.KnotCount(), 1);
    EXPECT_EQ(TroubleCode, "Line 3: entry \"1x\" is not an integer.");
    ExpectErrorAtLine(3);

    Read("a [[1,,2]]\n");
    EXPECT_EQ(TroubleCode, "Line 1: entry \"\" is not an integer.");
    Read("a [[1.5]]\n");
    EXPECT_EQ(TroubleCode, "Line 1: entry \"1.5\" is not an integer.");
    Read("a [[1\t]]\n");
    EXPECT_EQ(TroubleCode, "Line 1: entry \"1\\x09\" is not an integer.");
}

TEST_F(KnotListFile, EntriesMustFitInThirtyTwoBits) {
    Read("a [[2147483647, -2147483648], [0, 1]]\n");
    ASSERT_EQ(state_.KnotCount(), 1);
    EXPECT_EQ(state_.Knots(1).seifert(1, 1), 2147483647);
    EXPECT_EQ(state_.Knots(1).seifert(1, 2), -2147483647 - 1);

    Read("a [[1]]\nb [[3000000000]]\nc [[1]]\n");
    EXPECT_EQ(state_.KnotCount(), 1);
    EXPECT_EQ(TroubleCode, "Line 2: entry 3000000000 does not fit in 32 bits.");
    ExpectErrorAtLine(2);

    Read("a [[0, 2147483648], [0, 0]]\n");
    EXPECT_EQ(TroubleCode, "Line 1: entry 2147483648 does not fit in 32 bits.");
    Read("a [[-2147483649]]\n");
    EXPECT_EQ(TroubleCode, "Line 1: entry -2147483649 does not fit in 32 bits.");
    Read("a [[+0002147483648]]\n");
    EXPECT_EQ(TroubleCode, "Line 1: entry 2147483648 does not fit in 32 bits.");
    EXPECT_EQ(state_.KnotCount(), 0);
}

TEST_F(KnotListFile, NumbersBeyondSixtyFourBits) {
    Read("a [[1]]\nb [[99999999999999999999]]\n");
    EXPECT_EQ(state_.KnotCount(), 1);
    EXPECT_EQ(TroubleCode, "Line 2: entry 99999999999999999999 does not fit in 32 bits.");
    ExpectErrorAtLine(2);
    // The message quotes at most 40 characters of a long entry.
    Read("b [[" + std::string(100, '9') + "]]\n");
    EXPECT_EQ(TroubleCode,
              "Line 1: entry " + std::string(40, '9') + "... does not fit in 32 bits.");
}

TEST_F(KnotListFile, OnlySquareMatricesAreNarrowedToThirtyTwoBits) {
    // Square shape is judged first; entries are narrowed when the knot is stored.
    Read("a [[3000000000, 1]]\nb [[1]]\n");
    EXPECT_FALSE(state_.InputError);
    EXPECT_EQ(state_.KnotCount(), 1);
}

TEST_F(KnotListFile, BraidLinesAreReadAsTheirSeifertMatrices) {
    Read("a [[1]]\n3_1         {1,1,1}\nunknot {1}\n4_1 {1,-2,1,-2} trailing text\n");
    EXPECT_FALSE(state_.InputError);
    ASSERT_EQ(state_.KnotCount(), 3);  // {1} has no basis loop and is passed over
    EXPECT_EQ(state_.Knots(2).name, "3_1");
    EXPECT_EQ(state_.Knots(2).inputLine, "3_1        [[-1,0],[1,-1]]");
    EXPECT_EQ(state_.Knots(3).name, "4_1");
    EXPECT_EQ(state_.Knots(3).seifert(1, 2), 1);
    EXPECT_EQ(state_.Knots(3).seifert(2, 2), 1);
}

TEST_F(KnotListFile, DiagramLinesAreReadAsTheirSeifertMatrices) {
    Read(
        "a [[1]]\n3_1 PD[[1,5,2,4],[3,1,4,6],[5,3,6,2]]\n 4_1  DT[6, 8, 2, 4] rest\n"
        "kink PD[[1,1,2,2]]\nbad PD[[1,5,2,4]]\nhopf PD[[4,1,3,2],[2,3,1,4]]\nb {1,1,1}\n"
        "c [[2]]\n");
    EXPECT_FALSE(state_.InputError);
    ASSERT_EQ(state_.KnotCount(), 6);
    EXPECT_EQ(state_.Knots(2).name, "3_1");
    EXPECT_EQ(state_.Knots(2).lineNumber, 2);
    // A diagram keeps its code: a resumed run reads it again.
    EXPECT_EQ(state_.Knots(2).inputLine, "3_1        PD[[1,5,2,4],[3,1,4,6],[5,3,6,2]]");
    EXPECT_EQ(state_.Knots(2).size, 2);
    EXPECT_EQ(state_.Knots(3).name, "4_1");
    EXPECT_EQ(state_.Knots(3).inputLine, "4_1        DT[6, 8, 2, 4]");
    EXPECT_EQ(state_.Knots(3).size, 2);
    // A kink alone is the unknot: a knot with the empty matrix.
    EXPECT_EQ(state_.Knots(4).name, "kink");
    EXPECT_EQ(state_.Knots(4).size, 0);
    EXPECT_EQ(state_.Knots(5).name, "b");
    EXPECT_EQ(state_.Knots(6).name, "c");
    const std::vector<std::pair<int, std::string>> expected{
        {5, "PD label 5 is out of range: with 1 crossing the labels run from 1 to 2 (or 0 to 1)."},
        {6, "not a knot: the diagram has 2 components"}};
    ASSERT_EQ(state_.LineNotes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(state_.LineNotes[i].line, expected[i].first);
        EXPECT_EQ(state_.LineNotes[i].Text(), "skipped: " + expected[i].second);
    }
}

TEST_F(KnotListFile, BraidWordsThatCannotBeConvertedStopTheReadingAtTheirLine) {
    Read("a [[1]]\nb {1,x,1}\nc [[1]]\n");
    EXPECT_EQ(state_.KnotCount(), 1);
    EXPECT_EQ(TroubleCode, "Line 2: braid letter \"x\" is not a non-zero integer.");
    ExpectErrorAtLine(2);

    std::string word = "{1";
    for (int i = 2; i <= 351; ++i) word += ",1";
    Read("a [[1]]\nb [[1]]\nlong " + word + "}\n");
    EXPECT_EQ(state_.KnotCount(), 2);
    EXPECT_EQ(TroubleCode, "Line 3: braid word longer than 350 letters.");
    ExpectErrorAtLine(3);

    // 350 letters in one column give 349 loops: a matrix larger than the reader takes.
    Read("b [[1]]\nlong " + word.substr(0, word.size() - 2) + "}\n");
    EXPECT_EQ(state_.KnotCount(), 1);
    EXPECT_EQ(TroubleCode, kSizeMessage);
    ExpectErrorAtLine(2);

    // A "{" anywhere makes a braid line, even after a matrix; an unclosed word is refused.
    Read("a [[1]] {1\n");
    EXPECT_EQ(state_.KnotCount(), 0);
    EXPECT_EQ(TroubleCode, "Line 1: braid word without closing \"}\".");
}

TEST_F(KnotListFile, NulBytesInsideLines) {
    Read("a\0b [[1]]\nc [[1\0]]\nd [[1]]\n"s);
    ASSERT_EQ(state_.KnotCount(), 1);
    EXPECT_EQ(state_.Knots(1).name, "a\0b"s);
    EXPECT_EQ(TroubleCode, "Line 2: entry \"1\\x00\" is not an integer.");
    ExpectErrorAtLine(2);
    Read("\0\0\0\n[[\0\0]]\n"s);
    EXPECT_EQ(state_.KnotCount(), 0);
    ExpectErrorAtLine(2);
}

TEST_F(KnotListFile, ListsOfAnyLengthAreReadWhole) {
    constexpr int kMany = 70000;
    std::string list = "% many\n";
    for (int i = 1; i <= kMany; ++i) list += "k" + std::to_string(i) + " [[1]]\n";
    list += "% comment\nnot a knot\nlast [[1,2]]\n";
    Read(list);
    EXPECT_EQ(state_.KnotCount(), kMany);
    EXPECT_EQ(state_.Knots(kMany).name, "k70000");
    EXPECT_FALSE(state_.InputError);
}

TEST_F(KnotListFile, AFileThatCannotBeOpenedGivesNoKnotsAndAReason) {
    Read("a [[1]]\n");
    ASSERT_EQ(state_.KnotCount(), 1);
    const KnotListStatus missing = ReadKnotList(state_, dir_ / "missing.txt");
    EXPECT_FALSE(missing.opened);
    EXPECT_NE(missing.reason, "");
    EXPECT_EQ(state_.KnotCount(), 0);
    EXPECT_FALSE(state_.InputError);

    const KnotListStatus folder = ReadKnotList(state_, dir_);
    EXPECT_FALSE(folder.opened);
    EXPECT_NE(folder.reason, "");
}

TEST_F(KnotListFile, AnEarlierErrorDoesNotBlockTheNextReading) {
    Read("a [[x]]\n");
    ASSERT_TRUE(state_.InputError);
    Read("a [[1]]\n");
    EXPECT_FALSE(state_.InputError);
    EXPECT_EQ(state_.InputErrorLine, 0);
    EXPECT_EQ(state_.KnotCount(), 1);
}

TEST_F(KnotListFile, TheEightCrossingTable) {
    const KnotListStatus status =
        ReadKnotList(state_, fs::path(CORVANE_TEST_DATA_DIR) / "rolfsen-8-matrices.txt");
    ASSERT_TRUE(status.opened);
    EXPECT_FALSE(state_.InputError);
    const struct {
        const char* name;
        int size;
    } expected[] = {{"3_1", 2},  {"4_1", 2},  {"5_1", 4},  {"5_2", 4},  {"6_1", 4},  {"6_2", 4},
                    {"6_3", 4},  {"7_1", 6},  {"7_2", 6},  {"7_3", 6},  {"7_4", 6},  {"7_5", 6},
                    {"7_6", 4},  {"7_7", 4},  {"8_1", 6},  {"8_2", 6},  {"8_3", 6},  {"8_4", 6},
                    {"8_5", 6},  {"8_6", 6},  {"8_7", 6},  {"8_8", 6},  {"8_9", 6},  {"8_10", 6},
                    {"8_11", 6}, {"8_12", 4}, {"8_13", 6}, {"8_14", 6}, {"8_15", 6}, {"8_16", 6},
                    {"8_17", 6}, {"8_18", 6}, {"8_19", 6}, {"8_20", 6}, {"8_21", 6}};
    ASSERT_EQ(state_.KnotCount(), 35);
    for (int i = 1; i <= 35; ++i) {
        EXPECT_EQ(state_.Knots(i).name, expected[i - 1].name) << i;
        EXPECT_EQ(state_.Knots(i).size, expected[i - 1].size) << i;
        EXPECT_EQ(state_.Knots(i).seifert.Size(), expected[i - 1].size) << i;
    }
    EXPECT_EQ(state_.Knots(1).inputLine, "3_1        [[1,-1],[0,1]]");
    const KnotRecord& last = state_.Knots(35);  // 8_21
    EXPECT_EQ(last.seifert(4, 6), -1);
    EXPECT_EQ(last.seifert(5, 3), 1);
    EXPECT_EQ(last.seifert(6, 6), 1);
}

// Lines that must never crash the reader; each either gives a knot, is ignored, or stops the
// reading with a message that names its line.
TEST(ParseKnotLine, BadLinesNeverCrashAndNameTheirLine) {
    std::vector<std::string> corpus = {
        "",
        "[[",
        "[[[[[[",
        "[[1,2",
        "[[1],[2",
        "[[]]",
        "[[,]]",
        "[[)",
        "]]]][[",
        "[[1]]]]]]]]",
        "x [[1,2],[3,4]",
        "x [[1,2],[3,4",
        "x [[-]]",
        "x [[--]]",
        "x [[1,2],[3,4],]]",
        "x [[(((1)))]]",
        "x [[1],[2],[3]]",
        "x [[1,2,3],[4,5,6],[7,8,9],[1]]",
        "x [[9223372036854775807]]",
        "x [[-9223372036854775808]]",
        "{",
        "}{",
        "x [[1]\0]]"s,
        "\0[[\0"s,
        "\xff\xfe[[\xff]]",
        std::string(1'000'000, '['),
        "x " + std::string(1'000'000, '[') + "1]]",
        "x [[" + std::string(1'000'000, ',') + "]]",
        "x [[" + std::string(1'000'000, '1') + "]]",
        "x [[" + std::string(1'000'000, ']') + "]]",
        "x " + std::string(1'000'000, ' ') + "[[1]]",
        "x [[" + BlockText(71, 71).substr(2) + "]]",
    };
    for (std::size_t k = 0; k < corpus.size(); ++k) {
        RunState state;
        const int line = static_cast<int>(k) + 1;
        ASSERT_NO_THROW(ParseKnotLine(state, corpus[k], line)) << k;
        EXPECT_LE(state.KnotCount(), 1) << k;
        if (state.KnotCount() == 1) {
            EXPECT_GE(state.Knots(1).size, 1) << k;
        }
        if (!state.InputError) {
            EXPECT_EQ(state.InputErrorLine, 0) << k;
            continue;
        }
        EXPECT_EQ(state.KnotCount(), 0) << k;
        EXPECT_EQ(state.InputErrorLine, line) << k;
        EXPECT_TRUE(TroubleCode == kSizeMessage ||
                    TroubleCode.starts_with("Line " + std::to_string(line) + ": "))
            << k << ": " << TroubleCode;
        EXPECT_LE(TroubleCode.size(), 200u) << k;
    }
}

TEST(ParseKnotLine, RandomLinesKeepTheInvariants) {
    const std::string alphabet = "[[[]]](),,,,--+0123456789 \t|%x\r"s + '\0';
    std::mt19937 random(20240601);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 60);
    RunState state;
    int errors = 0;
    for (int line = 1; line <= 20000; ++line) {
        std::string text = std::to_string(line) + " [[";
        for (int k = length(random); k > 0; --k) text += alphabet[pick(random)];
        const int before = state.KnotCount();
        ParseKnotLine(state, text, line);
        if (state.InputError) {
            ++errors;
            EXPECT_EQ(state.KnotCount(), before);
            EXPECT_EQ(state.InputErrorLine, line);
            state.InputError = false;
            continue;
        }
        if (state.KnotCount() == before) continue;
        const KnotRecord& knot = state.Knots(state.KnotCount());
        EXPECT_GE(knot.size, 1);
        EXPECT_EQ(knot.size, knot.seifert.Size());
        EXPECT_EQ(knot.name, std::to_string(line));
        EXPECT_TRUE(knot.inputLine.starts_with(knot.name));
        EXPECT_EQ(knot.inputLine.find(' ', 11), std::string::npos);
    }
    // The alphabet makes both outcomes common; a reader that never fails would be suspect.
    EXPECT_GT(errors, 100);
    EXPECT_GT(state.KnotCount(), 100);
}

TEST(ParseKnotLine, DoesNothingWhileAnErrorIsSet) {
    RunState state;
    state.InputError = true;
    ParseKnotLine(state, "a [[1]]", 1);
    EXPECT_EQ(state.KnotCount(), 0);
    state.InputError = false;
    ParseKnotLine(state, "%a [[1]]", 1);
    EXPECT_EQ(state.KnotCount(), 0);
    ParseKnotLine(state, "a [[1]]", 1);
    EXPECT_EQ(state.KnotCount(), 1);
}

}  // namespace
}  // namespace corvane
