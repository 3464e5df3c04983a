// The run loop: which knots are written as rows and which as knot-list lines, when the files are
// rewritten, and how Stop and Pause take effect.
#include "driver/run_calculation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "output/text_results.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

// Records what the run draws and lets a test act at knot starts and polling points.
class RecordingHost : public RunHost {
  public:
    void DrawText(int x, int y, std::string_view text, StatusKind kind) override {
        if (kind != StatusKind::Blank) drawn.push_back({x, y, std::string(text)});
    }
    void ProcessEvents() override {
        ++polls;
        if (onPoll) onPoll();
    }
    void KnotStarted(int index, int, std::string_view) override {
        if (onKnotStart) onKnotStart(index);
    }
    bool Drew(int x, int y, const std::string& text) const {
        for (const auto& d : drawn)
            if (d.x == x && d.y == y && d.text == text) return true;
        return false;
    }

    struct Drawn {
        int x, y;
        std::string text;
    };
    std::vector<Drawn> drawn;
    int polls = 0;
    std::function<void()> onPoll;
    std::function<void(int)> onKnotStart;
};

fs::path TempDir() {
    const fs::path dir = fs::temp_directory_path() / "corvane_run_test";
    fs::create_directories(dir);
    return dir;
}

// Ten trefoils and figure-eight knots, alternately.
fs::path WriteTenKnots(const std::string& name) {
    const fs::path path = TempDir() / name;
    std::ofstream out(path, std::ios::binary);
    for (int i = 1; i <= 10; ++i)
        out << "k" << i << (i % 2 ? "\t[[-1,0],[-1,-1]]\n" : "\t[[1,0],[-1,-1]]\n");
    return path;
}

std::vector<std::string> KnotLines(const fs::path& results) {
    std::ifstream in(results, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    bool table = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (table) lines.push_back(line);
        if (line.rfind("Name      |", 0) == 0) table = true;
    }
    return lines;
}

bool IsRow(const std::string& line) {
    return line.size() > 10 && line.substr(10, 1) == "|";
}

TEST(KnotSeed, FollowsTheRunSeedTheKnotsLineAndTheRowItRedoes) {
    KnotRecord a;
    a.inputLine = "3_1        [[-1,0],[-1,-1]]";
    KnotRecord moved = a;  // the same line at another place of another list
    moved.lineNumber = 17;
    moved.name = "3_1";
    KnotRecord b = a;
    b.inputLine = "3_1b       [[-1,0],[-1,-1]]";
    KnotRecord redo = a;
    redo.redoneRow = "*3_1       | 1,2 | [[-1,0],[-1,-1]]";
    KnotRecord redoAgain = redo;
    redoAgain.redoneRow = "*3_1       |   1 | [[-1,0],[-1,-1]]";
    EXPECT_EQ(KnotSeed(0, a), KnotSeed(0, moved));
    const std::vector<uint32_t> seeds{KnotSeed(0, a), KnotSeed(1, a), KnotSeed(0, b),
                                      KnotSeed(0, redo), KnotSeed(0, redoAgain)};
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        for (std::size_t j = i + 1; j < seeds.size(); ++j) EXPECT_NE(seeds[i], seeds[j]) << i << j;
    }
}

TEST(RunCalculation, FinishedRunWritesEveryKnotAsARow) {
    const fs::path list = WriteTenKnots("finished.txt");
    RunState state;
    RecordingHost host;
    const RunOutcome outcome = RunCalculation(state, host, list);
    EXPECT_EQ(outcome.end, RunEnd::Done);
    EXPECT_TRUE(host.Drew(350, 200, "Done!"));
    const auto lines = KnotLines(ResultsFilePath(list));
    ASSERT_EQ(lines.size(), 10u);
    for (const auto& line : lines) EXPECT_TRUE(IsRow(line)) << line;
    EXPECT_FALSE(state.Running);
}

int RowCount(const fs::path& results) {
    int rows = 0;
    for (const auto& line : KnotLines(results)) rows += IsRow(line);
    return rows;
}

TEST(RunCalculation, AQuickRunWritesItsFilesOnceAtTheEnd) {
    const fs::path path = TempDir() / "five.txt";
    std::ofstream(path, std::ios::binary) << "a\t[[-1,0],[-1,-1]]\nb\t[[-1,0],[-1,-1]]\n"
                                             "c\t[[-1,0],[-1,-1]]\nd\t[[-1,0],[-1,-1]]\n"
                                             "e\t[[-1,0],[-1,-1]]\n";
    RunState state;
    RecordingHost host;
    std::vector<int> rowsSeenAtKnotStart;
    host.onKnotStart = [&](int) { rowsSeenAtKnotStart.push_back(RowCount(ResultsFilePath(path))); };
    fs::remove(ResultsFilePath(path));
    const auto start = std::chrono::steady_clock::now();
    const RunOutcome outcome = RunCalculation(state, host, path);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(outcome.end, RunEnd::Done);
    ASSERT_EQ(rowsSeenAtKnotStart.size(), 5u);
    // A knot's row is written only once it is finished.
    for (std::size_t i = 0; i < rowsSeenAtKnotStart.size(); ++i) {
        EXPECT_LE(rowsSeenAtKnotStart[i], static_cast<int>(i)) << "knot " << i + 1;
    }
    EXPECT_EQ(RowCount(ResultsFilePath(path)), 5);
    if (elapsed < std::chrono::seconds(2)) {
        // No two seconds passed while knots finished: only the end of the run wrote.
        EXPECT_EQ(outcome.resultsWrites, 1);
        EXPECT_EQ(rowsSeenAtKnotStart, (std::vector<int>{0, 0, 0, 0, 0}));
    } else {
        EXPECT_GE(outcome.resultsWrites, 1);
    }
}

TEST(RunCalculation, FilesAreRewrittenTwoSecondsAfterTheLastWriteWhileKnotsFinish) {
    const fs::path list = WriteTenKnots("rewritten.txt");
    fs::remove(ResultsFilePath(list));
    RunState state;
    RecordingHost host;
    int started = 0;
    bool waited = false;
    int rowsBeforeWaiting = -1;
    int rowsAfterWaiting = -1;
    host.onKnotStart = [&](int index) { started = index; };
    // At the first polling point once knot 3 has started (knots 1 and 2 are finished), the
    // calculation waits longer than the interval between writes.
    host.onPoll = [&] {
        if (started < 3 || waited) return;
        waited = true;
        rowsBeforeWaiting = RowCount(ResultsFilePath(list));
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        rowsAfterWaiting = RowCount(ResultsFilePath(list));
    };
    const RunOutcome outcome = RunCalculation(state, host, list);
    EXPECT_EQ(outcome.end, RunEnd::Done);
    ASSERT_TRUE(waited);
    EXPECT_LE(rowsBeforeWaiting, 3);
    EXPECT_GE(rowsAfterWaiting, 2);  // knots 1 and 2, written while knot 3 ran
    EXPECT_LE(rowsAfterWaiting, 3);
    EXPECT_GE(outcome.resultsWrites, 2);  // during the run, and at its end
    EXPECT_EQ(RowCount(ResultsFilePath(list)), 10);
}

TEST(RunCalculation, StopDuringKnotSevenKeepsSixRowsAndTheRestAsKnotLines) {
    const fs::path list = WriteTenKnots("stopped.txt");
    RunState state;
    RecordingHost host;
    host.onKnotStart = [&](int index) {
        if (index == 7) state.StopRequested = true;
    };
    const RunOutcome outcome = RunCalculation(state, host, list);
    EXPECT_EQ(outcome.end, RunEnd::Stopped);
    EXPECT_TRUE(host.Drew(350, 200, "Stopped calculation."));
    const auto lines = KnotLines(ResultsFilePath(list));
    ASSERT_EQ(lines.size(), 10u);
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(IsRow(lines[i])) << lines[i];
    EXPECT_EQ(lines[6], "k7         [[-1,0],[-1,-1]]");
    EXPECT_EQ(lines[9], "k10        [[1,0],[-1,-1]]");
}

TEST(RunCalculation, StopBetweenKnotsIsNotLost) {
    const fs::path list = WriteTenKnots("stop_between.txt");
    RunState state;
    RecordingHost host;
    int knotsStarted = 0;
    host.onKnotStart = [&](int) { ++knotsStarted; };
    // Stop arrives at the first polling point of the run, before any knot has begun.
    host.onPoll = [&] { state.StopRequested = true; };
    const RunOutcome outcome = RunCalculation(state, host, list);
    EXPECT_EQ(outcome.end, RunEnd::Stopped);
    EXPECT_EQ(knotsStarted, 0);
    for (const auto& line : KnotLines(ResultsFilePath(list))) EXPECT_FALSE(IsRow(line)) << line;
}

TEST(RunCalculation, PauseWritesTheFileAndWaitsUntilPausedAgain) {
    const fs::path list = WriteTenKnots("paused.txt");
    fs::remove(ResultsFilePath(list));
    RunState state;
    RecordingHost host;
    int pausedPolls = 0;
    bool fileWhilePaused = false;
    host.onKnotStart = [&](int index) {
        if (index == 3) state.PauseRequested = true;
    };
    host.onPoll = [&] {
        if (!state.PauseRequested) return;
        fileWhilePaused = fs::exists(ResultsFilePath(list));
        if (++pausedPolls == 5) state.PauseRequested = false;  // Pause pressed again
    };
    const RunOutcome outcome = RunCalculation(state, host, list);
    EXPECT_EQ(outcome.end, RunEnd::Done);
    EXPECT_TRUE(fileWhilePaused);
    EXPECT_GE(pausedPolls, 5);
    EXPECT_TRUE(host.Drew(350, 200, "Calculation paused."));
}

TEST(RunCalculation, UnopenableInputIsReportedAndWritesNothing) {
    RunState state;
    RecordingHost host;
    const fs::path missing = TempDir() / "no_such_list.txt";
    const RunOutcome outcome = RunCalculation(state, host, missing);
    EXPECT_EQ(outcome.end, RunEnd::CannotOpen);
    EXPECT_FALSE(fs::exists(ResultsFilePath(missing)));
    ASSERT_FALSE(host.drawn.empty());
    EXPECT_EQ(host.drawn.back().text.rfind("Error! cannot open ", 0), 0u);
}

TEST(RunCalculation, ReadingErrorBeforeAnyKnotEndsWithTheMessage) {
    const fs::path path = TempDir() / "too_large.txt";
    {
        std::ofstream out(path, std::ios::binary);
        out << "big\t[";
        for (int i = 0; i < 71; ++i) out << (i ? ",[" : "[") << "1]";
        out << "]\n";
    }
    RunState state;
    RecordingHost host;
    const RunOutcome outcome = RunCalculation(state, host, path);
    EXPECT_EQ(outcome.end, RunEnd::InputError);
    EXPECT_TRUE(
        host.Drew(7, 7, "Error! Seifert matrices are too large, the maximal allowed size is 70."));
    std::ifstream in(ResultsFilePath(path), std::ios::binary);
    std::stringstream contents;
    contents << in.rdbuf();
    EXPECT_EQ(contents.str(),
              "Error!\r\nSeifert matrices are too large, the maximal allowed size is 70.\r\n");
}

TEST(RunCalculation, ReadingErrorAfterSomeKnotsIsReportedAtTheEnd) {
    const fs::path path = TempDir() / "cut_short.txt";
    std::ofstream(path, std::ios::binary)
        << "a\t[[-1,0],[-1,-1]]\nb\t[[1,x]]\nc\t[[1,0],[-1,-1]]\n";
    RunState state;
    RecordingHost host;
    const RunOutcome outcome = RunCalculation(state, host, path);
    EXPECT_EQ(outcome.end, RunEnd::ReadingStopped);
    EXPECT_EQ(outcome.errorLine, 2);
    EXPECT_TRUE(host.Drew(350, 200, "Done!"));
    const auto lines = KnotLines(ResultsFilePath(path));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(IsRow(lines[0]));
}

TEST(RunCalculation, TrivialAndTwelveRowKnots) {
    const fs::path path = TempDir() / "special.txt";
    std::ofstream out(path, std::ios::binary);
    out << "unknot\t[[0,0],[1,0]]\n";
    // A 12 × 12 matrix with determinant 1 and V - Vᵀ unimodular: the sum of six trefoils.
    out << "big\t[";
    for (int i = 0; i < 12; ++i) {
        out << (i ? ",[" : "[");
        for (int j = 0; j < 12; ++j) {
            int v = 0;
            if (i == j) v = -1;
            if (i % 2 == 1 && j == i - 1) v = -1;
            out << (j ? "," : "") << v;
        }
        out << "]";
    }
    out << "]\n";
    out.close();
    RunState state;
    RecordingHost host;
    RunCalculation(state, host, path);
    const KnotRecord& unknot = state.Knots(1);
    EXPECT_EQ(unknot.textFields(1).substr(0, 3), "al1");
    EXPECT_EQ(unknot.textFields(2).substr(0, 4), "dt 1");
    EXPECT_EQ(unknot.textFields(3).substr(0, 3), "l20");
    EXPECT_EQ(unknot.textFields(4).substr(0, 4), "ma 0");
    EXPECT_EQ(unknot.textFields(5).substr(0, 4), "si 0");
    EXPECT_EQ(unknot.textFields(7).substr(0, 3), "nk0");
    EXPECT_EQ(unknot.lowerBound, 0);
    EXPECT_EQ(unknot.upperBound, 0);
    EXPECT_EQ(unknot.nakanishiUpper, 0);
    EXPECT_TRUE(host.Drew(7, 200, "Alexander polynomial = 1"));
    EXPECT_TRUE(host.Drew(200, 23, "Determinant = 1"));
    EXPECT_TRUE(host.Drew(200, 55, "Signature = 0"));

    // Minimal matrices larger than 10 × 10 are computed: H_1(L_2) = (Z/3)^6 needs six generators,
    // so the Wendt bound and the Nakanishi bound are 6.
    const KnotRecord& big = state.Knots(2);
    for (int k = 1; k <= ResultSlots; ++k) {
        EXPECT_NE(big.textFields(k).substr(0, 2), "cd");
        EXPECT_NE(big.textFields(k).substr(0, 2), "er");
    }
    EXPECT_EQ(big.textFields(2).substr(0, 6), "dt 729");
    EXPECT_EQ(big.textFields(3).substr(0, 25), "l2Z/3+Z/3+Z/3+Z/3+Z/3+Z/3");
    EXPECT_EQ(big.textFields(5).substr(0, 5), "si-12");
    EXPECT_EQ(big.lowerBound, 6);
    EXPECT_EQ(big.nakanishiLower, 6);
}

}  // namespace
}  // namespace corvane
