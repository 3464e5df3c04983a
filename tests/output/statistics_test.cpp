// The summary statistics and the problems file: the counts of the detection codes, the block's
// lines, which rows are problems, and when the problems file is written.
#include "output/statistics.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "output/text_results.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

DetectionStatistics Count(std::initializer_list<std::string_view> codes) {
    DetectionStatistics counts;
    for (const std::string_view c : codes) CountDetectionCodes(counts, c);
    return counts;
}

// The counters in the order of the block's lines: A C E G I K P, then B D F H J L Q.
std::vector<int64_t> InOrder(const DetectionStatistics& n) {
    return {n.wendt,         n.nakanishi,         n.signature,      n.beta,
            n.stoimenow,     n.lickorish,         n.linkingPairing, n.wendtOnly,
            n.nakanishiOnly, n.signatureOnly,     n.betaOnly,       n.stoimenowOnly,
            n.lickorishOnly, n.linkingPairingOnly};
}

TEST(DetectionStatistics, CountingExamples) {
    // "w,m," counts for w(K) alone, for m(K), and as w(K) without types (2) and (3).
    EXPECT_EQ(InOrder(Count({"w,m,"})), (std::vector<int64_t>{1, 1, 0, 0, 0, 0, 0,  //
                                                              1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(InOrder(Count({"s,b,"})), (std::vector<int64_t>{0, 0, 1, 1, 0, 0, 0,  //
                                                              0, 0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(InOrder(Count({"St,u2,"})), (std::vector<int64_t>{0, 0, 0, 0, 1, 0, 1,  //
                                                                0, 0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(InOrder(Count({"w,", "w,m,L,", "w,L,", "w,s,", "m,", "b,", "L,", "u2,", "u3,", ""})),
              (std::vector<int64_t>{4, 2, 1, 1, 0, 3, 1,  //
                                    3, 1, 0, 1, 0, 1, 1}));
    // Case matters: "W," is no code.
    EXPECT_EQ(InOrder(Count({"W,", "S,"})), std::vector<int64_t>(14, 0));
}

TEST(DetectionStatistics, BlockLines) {
    DetectionStatistics n;
    n.wendt = 1;
    n.nakanishi = 2;
    n.signature = 3;
    n.beta = 4;
    n.stoimenow = 5;
    n.lickorish = 6;
    n.linkingPairing = 7;
    n.wendtOnly = 8;
    n.nakanishiOnly = 9;
    n.signatureOnly = 10;
    n.betaOnly = 11;
    n.stoimenowOnly = 12;
    n.lickorishOnly = 13;
    n.linkingPairingOnly = 14;
    const std::string text = SummaryStatisticsText(n);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size());
    ASSERT_EQ(lines.size(), 31u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "In the following we write");
    EXPECT_EQ(lines[6], std::string(44, ' ') + "Number of knots for which w(K) = o(K): 1");
    EXPECT_EQ(lines[11],
              "(3)     Number of knots for which the Stoimenow obstruction detects that "
              "o(K) = 3: 5");
    EXPECT_EQ(lines[14],
              "     Number of knots for which the new u(K) = 2 obstruction detects that "
              "o(K) = 3: 7");
    EXPECT_EQ(lines[22], std::string(50, ' ') +
                             "Number of knots for which w(K) = o(K) but no invariant of type (2) "
                             "or (3) detects o(K): 8");
    EXPECT_EQ(lines[30],
              "      Number of knots for which the new u(K) = 2 obstruction detects that "
              "o(K) = 3 but no invariant of type (1), (2) or (3) detects o(K): 14");
    // The colons of each group line up.
    for (const std::size_t i : {6, 7, 9, 10, 11, 13, 14}) EXPECT_EQ(lines[i].find(':'), 81u) << i;
    for (const std::size_t i : {22, 23, 25, 26, 27, 29, 30})
        EXPECT_EQ(lines[i].find("o(K): "), lines[22].find("o(K): ")) << i;
    // "|sign(K)|/2" puts bars into the block: only its leading empty line keeps a resumed run
    // from reading it as rows.
    EXPECT_EQ(lines[9].find('|'), 63u);
}

TEST(ProblemRows, BoundsOneAndTwo) {
    const std::string name = "3_1       | ";
    EXPECT_TRUE(IsProblemRow(name + BoundText(1, 2, "") + "| 1-t+t^2"));
    EXPECT_TRUE(IsProblemRow(name + BoundText(1, 2, "signature") + "| 1-t+t^2"));
    EXPECT_FALSE(IsProblemRow(name + BoundText(1, 3, "") + "| 1-t+t^2"));
    EXPECT_FALSE(IsProblemRow(name + BoundText(1, 1, "") + "| 1-t+t^2"));
    EXPECT_FALSE(IsProblemRow(name + BoundText(1, 2, "") + "| 1 or 2"));
    // Only the first 25 characters are searched.
    EXPECT_FALSE(IsProblemRow("a_rather_long_knot_name | 1,2 "));
}

class ProblemsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("corvane-problems-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        AddKnot("a", 1, 2);
        AddKnot("b", 1, 3);
        AddKnot("c", 1, 2);
        AddKnot("d", 1, 2);
        state_.Knots(4).inputLine = "d  1,2 [[1]]";
        for (int i = 1; i <= 3; ++i) state_.Knots(i).computed = true;
        state_.Settings.algebraicUnknotting = true;
    }
    void TearDown() override { fs::remove_all(dir_); }

    void AddKnot(const std::string& name, int lower, int upper) {
        KnotRecord& knot = state_.Knots.Append();
        knot.name = name;
        knot.lowerBound = lower;
        knot.upperBound = upper;
        knot.detectionCodes = "s,b,";
        ApplyInitialResultLayout(knot);
    }

    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir_;
    RunState state_;
};

TEST_F(ProblemsFile, HeaderAndTheUndecidedRows) {
    EXPECT_EQ(ProblemsFilePath("/x/knots.txt"), "/x/problems-knots.txt");
    EXPECT_EQ(ProblemsFilePath("/x/knots_output.txt"), "/x/problems-knots_output.txt");
    state_.Knots(2).takenOver = true;
    state_.Knots(2).storedLine = "old       |   1,2  detected by Wendt  | taken over";
    ASSERT_TRUE(WriteTextResults(state_, dir_ / "knots.txt").ok);
    // Rows a, the taken-over row and c; d is not computed yet, so its list line is no row.
    EXPECT_EQ(Read(dir_ / "problems-knots.txt"),
              HeaderLine(state_.Settings) + "\r\n" + KnotRow(state_.Knots(1), state_.Settings) +
                  "\r\n" + state_.Knots(2).storedLine + "\r\n" +
                  KnotRow(state_.Knots(3), state_.Settings) + "\r\n");
    // With computeAll off the results file ends with the last knot line.
    EXPECT_TRUE(Read(dir_ / "knots_output.txt").ends_with("d  1,2 [[1]]\r\n"));
    state_.Settings.computeAll = true;
    ASSERT_TRUE(WriteTextResults(state_, dir_ / "knots.txt").ok);
    EXPECT_TRUE(Read(dir_ / "knots_output.txt")
                    .ends_with("d  1,2 [[1]]\r\n\r\nIn the following we write\r\n" +
                               SummaryStatisticsText(CountDetections(state_)).substr(29)));
    EXPECT_EQ(CountDetections(state_).signatureOnly, 4);
}

TEST_F(ProblemsFile, NotWrittenForProblemsTxtErrorsOrNoProblems) {
    ASSERT_TRUE(WriteTextResults(state_, dir_ / "problems.txt").ok);
    EXPECT_TRUE(fs::exists(dir_ / "problems_output.txt"));
    EXPECT_FALSE(fs::exists(dir_ / "problems-problems.txt"));

    // With no undecided knot an earlier problems file stays as it was.
    std::ofstream(dir_ / "problems-knots.txt", std::ios::binary) << "earlier";
    state_.Knots(1).upperBound = 1;
    state_.Knots(3).upperBound = 1;
    ASSERT_TRUE(WriteTextResults(state_, dir_ / "knots.txt").ok);
    EXPECT_EQ(Read(dir_ / "problems-knots.txt"), "earlier");

    state_.Knots(1).upperBound = 2;
    RecordInputError(state_, 2, "Line 2: bad.");
    ASSERT_TRUE(WriteTextResults(state_, dir_ / "knots.txt").ok);
    EXPECT_EQ(Read(dir_ / "problems-knots.txt"), "earlier");
    EXPECT_EQ(Read(dir_ / "knots_output.txt"), "Error!\r\nLine 2: bad.\r\n");
}

}  // namespace
}  // namespace corvane
