// The journal of a run: knots appended as they finish are taken back by a resume of the same
// list with the same settings, up to an entry cut short; other settings, a line marked for a redo
// or another knot at the same position take nothing.
#include "output/journal.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "knot/run_state.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

// Knots k1..k4 as read from a list: a 2 × 2 matrix each, nothing computed.
void ReadList(RunState& state) {
    state.Knots.Clear();
    for (int k = 1; k <= 4; ++k) {
        KnotRecord& knot = state.Knots.Append();
        knot.name = "k" + std::to_string(k);
        knot.inputLine = knot.name + " [[-1,0],[-1,-1]]";
        knot.size = 2;
        knot.seifert = SeifertMatrix(2);
        knot.seifert.Set(1, 1, -1);
        knot.seifert.Set(2, 1, -1);
        knot.seifert.Set(2, 2, -1);
        knot.lineNumber = k;
    }
}

TEST(RunJournal, TakesBackWholeEntriesOfTheSameListAndSettingsOnly) {
    const fs::path path =
        fs::temp_directory_path() / ("corvane-journal-" + std::to_string(getpid()) + ".journal");
    RunState state;
    ReadList(state);
    {
        RunJournal journal;
        EXPECT_EQ(journal.Open(path, state, false), 0);
        for (int k : {3, 1, 4}) {
            KnotRecord done = state.Knots.Copy(k);
            done.computed = true;
            done.signature = 2 * k;
            journal.Append(k, done);
        }
    }
    const auto resumed = [&](RunState& again) {
        RunJournal journal;
        return journal.Open(path, again, true);
    };
    RunState again;
    ReadList(again);
    again.Knots(1).redoneRow = "*k1 | ...";  // marked for a redo: computed again
    EXPECT_EQ(resumed(again), 2);
    EXPECT_FALSE(again.Knots.Computed(1));
    EXPECT_TRUE(again.Knots.Computed(3));
    EXPECT_EQ(again.Knots.Copy(4).signature, 8);
    EXPECT_FALSE(again.Knots.Computed(2));

    // An entry cut short ends the journal; the journal then goes on after the last whole one.
    fs::resize_file(path, fs::file_size(path) - 3);
    ReadList(again);
    EXPECT_EQ(resumed(again), 2);
    EXPECT_FALSE(again.Knots.Computed(4));

    ReadList(again);
    again.Knots(3).inputLine = "k3 [[1,0],[-1,1]]";  // another knot at that position
    EXPECT_EQ(resumed(again), 1);

    ReadList(again);
    again.Settings.unknottingEffort = 2;  // other settings: a new journal
    EXPECT_EQ(resumed(again), 0);
    again.Settings = state.Settings;
    ReadList(again);
    EXPECT_EQ(resumed(again), 0);

    // Knots journalled without their certificates are not taken back by a run that builds them.
    state.Certificates = false;
    {
        RunJournal journal;
        journal.Open(path, state, false);
        KnotRecord done = state.Knots.Copy(2);
        done.computed = true;
        journal.Append(2, done);
    }
    ReadList(again);
    again.Certificates = false;
    EXPECT_EQ(resumed(again), 1);
    ReadList(again);
    again.Certificates = true;
    EXPECT_EQ(resumed(again), 0);
    fs::remove(path);
}

}  // namespace
}  // namespace corvane
