// The progress display: matrix layout, the two-line animated status and the blank line.
#include "knot/progress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane {
namespace {

struct Drawn {
    int x, y;
    std::string text;
    StatusKind kind;
};

class RecordingHost : public RunHost {
  public:
    void DrawText(int x, int y, std::string_view text, StatusKind kind) override {
        drawn.push_back({x, y, std::string(text), kind});
    }
    std::vector<Drawn> drawn;
};

std::string Trim(const std::string& s) {
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

TEST(ProgressDisplay, MatrixRowsAreBlankSeparatedPaddedEntries) {
    RecordingHost host;
    ProgressDisplay display(host);
    IntMatrix m;
    m(1, 1) = -1;
    m(1, 2) = 12;
    m(2, 1) = 1000;
    m(2, 2) = 0;
    display.DrawMatrix(m, 2, 7, 23);
    ASSERT_EQ(host.drawn.size(), 2u);
    EXPECT_EQ(host.drawn[0].text, " -1  12 ");
    EXPECT_EQ(host.drawn[1].text, " 1000 0  ");
    EXPECT_EQ(host.drawn[0].y, 23);
    EXPECT_EQ(host.drawn[1].y, 39);
}

TEST(ProgressDisplay, RowsAreSixteenPixelsApartUpToFourAndTwelveBeyond) {
    for (const auto& [n, step] : {std::pair{4, 16}, std::pair{5, 12}}) {
        RecordingHost host;
        ProgressDisplay display(host);
        display.DrawMatrix(IdentityMatrix(n), n, 7, 23);
        ASSERT_EQ(host.drawn.size(), static_cast<size_t>(n));
        EXPECT_EQ(host.drawn[1].y - host.drawn[0].y, step) << n;
    }
}

TEST(ProgressDisplay, LongStatusIsSplitAfterTheFirstBlankFromCharacter45) {
    RecordingHost host;
    ProgressDisplay display(host);
    display.StatusLineY = 39;
    // 60 characters: the first blank at or after character 45 (1-based) is character 48.
    display.StatusText = std::string(44, 'a') + "bbb ccccccccccc" + " dd";
    display.ShowStatus(false);
    ASSERT_EQ(host.drawn.size(), 2u);
    EXPECT_EQ(Trim(host.drawn[0].text), std::string(44, 'a') + "bbb");
    EXPECT_EQ(Trim(host.drawn[1].text), "ccccccccccc dd  (");
    EXPECT_EQ(host.drawn[0].y, 39);
    EXPECT_EQ(host.drawn[1].y, 55);
    EXPECT_EQ(host.drawn[0].x, 200);
    EXPECT_EQ(display.StatusLineY, 39);
}

TEST(ProgressDisplay, AnimationCyclesThroughFourStylesOfHundredCalls) {
    RecordingHost host;
    ProgressDisplay display(host);
    display.StatusText = "Searching";
    std::vector<std::string> firstLines;
    for (int call = 1; call <= 310; ++call) {
        host.drawn.clear();
        display.ShowStatus(false);
        firstLines.push_back(Trim(host.drawn[0].text));
    }
    EXPECT_EQ(firstLines[0], "Searching  (");         // call 1: mode 0, position 1
    EXPECT_EQ(firstLines[11], "Searching  [");        // call 12: position 0
    EXPECT_EQ(firstLines[100], "Searching  -");       // call 101: mode 1, position 1
    EXPECT_EQ(firstLines[201], "Searching  x");       // call 202: mode 2, position 2
    EXPECT_EQ(firstLines[304], "Searching       >");  // call 305: mode 3, five blanks
}

TEST(ProgressDisplay, ClearingErasesBothLinesAndEmptyStatusDrawsNothing) {
    RecordingHost host;
    ProgressDisplay display(host);
    display.ShowStatus(false);
    EXPECT_TRUE(host.drawn.empty());
    display.StatusText = "Working";
    display.ShowStatus(true);
    ASSERT_EQ(host.drawn.size(), 2u);
    EXPECT_EQ(host.drawn[0].text, display.BlankLine());
    EXPECT_EQ(host.drawn[1].text, display.BlankLine());
    EXPECT_EQ(display.BlankLine().size(), 1500u);
}

TEST(ProgressDisplay, StatusAreaIsClearedWithOneHundredBlankLines) {
    RecordingHost host;
    ProgressDisplay display(host);
    display.ClearStatusArea();
    ASSERT_EQ(host.drawn.size(), 100u);
    EXPECT_EQ(host.drawn.front().y, 7);
    EXPECT_EQ(host.drawn.back().y, 799);
    for (const Drawn& d : host.drawn) EXPECT_EQ(d.x, 7);
}

TEST(ProgressDisplay, ResultLinesGoDownSixteenPixelsAtATime) {
    RecordingHost host;
    ProgressDisplay display(host);
    display.ResultLine("Determinant = 3");
    display.ResultLine("Signature = -2");
    EXPECT_EQ(host.drawn[0].y, 7);
    EXPECT_EQ(host.drawn[1].y, 23);
    EXPECT_EQ(display.StatusLineY, 39);
}

}  // namespace
}  // namespace corvane
