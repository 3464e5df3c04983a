#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "arith/errors.h"
#include "input/knot_list.h"

namespace corvane {
namespace {

using std::string_literals::operator""s;

// "[[r1],[r2],...]]" with `rows` rows of `columns` entries; entry (i, j) = 100 i + j, negated
// on odd columns.
std::string MatrixText(int rows, int columns) {
    std::string text = "[[";
    for (int i = 1; i <= rows; ++i) {
        if (i > 1) text += ",[";
        for (int j = 1; j <= columns; ++j) {
            if (j > 1) text += ',';
            text += std::to_string((j % 2 == 1 ? -1 : 1) * (100 * i + j));
        }
        text += ']';
    }
    return text + ']';
}

TEST(ParseMatrixText, ReadsRowsAndEntries) {
    const ParsedMatrix m = ParseMatrixText("[[-1,0],[-1,-1]]");
    EXPECT_FALSE(m.sizeError);
    EXPECT_EQ(m.entryFault, EntryFault::none);
    ASSERT_EQ(m.rowCount, 2);
    EXPECT_EQ(m.RowLength(1), 2);
    EXPECT_EQ(m.RowLength(2), 2);
    EXPECT_EQ(m.RowLength(3), 0);
    EXPECT_EQ(m.entries(1, 1), -1);
    EXPECT_EQ(m.entries(1, 2), 0);
    EXPECT_EQ(m.entries(2, 1), -1);
    EXPECT_EQ(m.entries(2, 2), -1);
    EXPECT_THROW(m.RowLength(0), RangeError);
    EXPECT_THROW(m.RowLength(71), RangeError);
}

TEST(ParseMatrixText, KeepsUnequalRowsForTheCallerToJudge) {
    const ParsedMatrix m = ParseMatrixText("[[1,2,3],[4,5]]");
    ASSERT_EQ(m.rowCount, 2);
    EXPECT_EQ(m.RowLength(1), 3);
    EXPECT_EQ(m.RowLength(2), 2);
    EXPECT_EQ(m.entries(1, 3), 3);
    EXPECT_EQ(m.entries(2, 2), 5);
}

TEST(ParseMatrixText, RoundBracketsEndRowsToo) {
    const ParsedMatrix m = ParseMatrixText("[[1,2),(3,4))");
    ASSERT_EQ(m.rowCount, 2);
    EXPECT_EQ(m.RowLength(1), 2);
    EXPECT_EQ(m.RowLength(2), 2);
    EXPECT_EQ(m.entries(2, 1), 3);
    EXPECT_EQ(m.entries(2, 2), 4);
}

TEST(ParseMatrixText, RowsMayFollowWithoutCommaOrBracket) {
    // After a row end one "," and one "[" are skipped only when present.
    const ParsedMatrix m = ParseMatrixText("[[1,2][3,4]]");
    ASSERT_EQ(m.rowCount, 2);
    EXPECT_EQ(m.entries(2, 1), 3);
    const ParsedMatrix bare = ParseMatrixText("[[1,2],3,4]]");
    ASSERT_EQ(bare.rowCount, 2);
    EXPECT_EQ(bare.entries(2, 2), 4);
}

TEST(ParseMatrixText, SignsAndLeadingZeros) {
    const ParsedMatrix m = ParseMatrixText("[[+7,-007,0,-0]]");
    ASSERT_EQ(m.rowCount, 1);
    ASSERT_EQ(m.RowLength(1), 4);
    EXPECT_EQ(m.entries(1, 1), 7);
    EXPECT_EQ(m.entries(1, 2), -7);
    EXPECT_EQ(m.entries(1, 3), 0);
    EXPECT_EQ(m.entries(1, 4), 0);
}

TEST(ParseMatrixText, SixtyFourBitLimits) {
    const ParsedMatrix m = ParseMatrixText("[[9223372036854775807,-9223372036854775808]]");
    EXPECT_EQ(m.entryFault, EntryFault::none);
    EXPECT_EQ(m.entries(1, 1), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(m.entries(1, 2), std::numeric_limits<int64_t>::min());
    for (const char* big :
         {"9223372036854775808", "-9223372036854775809", "123456789012345678901234567890"}) {
        const ParsedMatrix over = ParseMatrixText("[[1," + std::string(big) + "]]");
        EXPECT_EQ(over.entryFault, EntryFault::beyond64Bits) << big;
        EXPECT_EQ(over.faultyEntry, big);
    }
}

TEST(ParseMatrixText, EntriesThatAreNotIntegers) {
    const struct {
        std::string text;
        std::string entry;
    } cases[] = {
        {"[[1x]]", "1x"},     {"[[1,,2]]", ""},   {"[[1,]]", ""},     {"[[-]]", "-"},
        {"[[+-1]]", "+-1"},   {"[[--1]]", "--1"}, {"[[1e3]]", "1e3"}, {"[[0x10]]", "0x10"},
        {"[[ 1]]", " 1"},     {"[[1\t]]", "1\t"}, {"[[1.5]]", "1.5"}, {"[[2,[3]]", "[3"},
        {"[[1\0]]"s, "1\0"s},
    };
    for (const auto& [text, entry] : cases) {
        const ParsedMatrix m = ParseMatrixText(text);
        EXPECT_EQ(m.entryFault, EntryFault::notInteger) << text;
        EXPECT_EQ(m.faultyEntry, entry) << text;
        EXPECT_FALSE(m.sizeError) << text;
    }
}

TEST(ParseMatrixText, EmptyAndTruncatedTexts) {
    // A row begins only before the last character, and not at a row end.
    const struct {
        std::string text;
        int rows;
    } cases[] = {{"", 0},      {"[", 0},     {"[[", 0},     {"[[5", 0},     {"[[]]", 0},
                 {"[[)", 0},   {"[[1]", 1},  {"[[1,2", 1},  {"[[1],[2", 1}, {"[[1]]]]]", 1},
                 {"xx1]]", 1}, {"[[1],", 1}, {"[[1],[", 1}, {"[[1],[]", 1}};
    for (const auto& [text, rows] : cases) {
        const ParsedMatrix m = ParseMatrixText(text);
        EXPECT_EQ(m.rowCount, rows) << text;
        EXPECT_FALSE(m.sizeError) << text;
        EXPECT_EQ(m.entryFault, EntryFault::none) << text;
    }
    // A last character is read as an entry only after a comma.
    EXPECT_EQ(ParseMatrixText("[[1,2").RowLength(1), 2);
    const ParsedMatrix open = ParseMatrixText("[[1],[2,3");
    ASSERT_EQ(open.rowCount, 2);
    EXPECT_EQ(open.RowLength(2), 2);
    EXPECT_EQ(open.entries(2, 2), 3);
}

TEST(ParseMatrixText, SeventyRowsAndColumnsAreTheLimit) {
    const ParsedMatrix full = ParseMatrixText(MatrixText(70, 70));
    EXPECT_FALSE(full.sizeError);
    ASSERT_EQ(full.rowCount, 70);
    EXPECT_EQ(full.RowLength(70), 70);
    EXPECT_EQ(full.entries(1, 1), -101);
    EXPECT_EQ(full.entries(70, 70), 7070);
    EXPECT_EQ(full.entries(35, 7), -3507);

    EXPECT_TRUE(ParseMatrixText(MatrixText(71, 1)).sizeError);
    EXPECT_TRUE(ParseMatrixText(MatrixText(1, 71)).sizeError);
    EXPECT_TRUE(ParseMatrixText(MatrixText(3, 71)).sizeError);
}

TEST(ParseMatrixText, HugeTextsStopAtTheLimits) {
    std::string longRow = "[[";
    for (int i = 0; i < 500000; ++i) longRow += "1,";
    EXPECT_TRUE(ParseMatrixText(longRow).sizeError);
    std::string manyRows = "[[";
    for (int i = 0; i < 500000; ++i) manyRows += "1],[";
    EXPECT_TRUE(ParseMatrixText(manyRows).sizeError);
    // A bad entry before the size limit stops reading at that entry.
    const ParsedMatrix early = ParseMatrixText("[[1,x," + longRow.substr(2));
    EXPECT_FALSE(early.sizeError);
    EXPECT_EQ(early.faultyEntry, "x");
}

}  // namespace
}  // namespace corvane
