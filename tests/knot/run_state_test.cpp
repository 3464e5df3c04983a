#include "knot/run_state.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <limits>
#include <string>

#include "arith/checked.h"
#include "arith/errors.h"
#include "knot/knot_context.h"
#include "knot/knot_record.h"
#include "knot/padding.h"
#include "knot/run_settings.h"

namespace corvane {
namespace {

std::string Blanks(std::size_t n) {
    return std::string(n, ' ');
}

// A knot state whose record has the run-start layout.
void PrepareKnot(KnotState& state) {
    ApplyInitialResultLayout(state.record);
}

TEST(PadRight, PadsShortTextsAndNeverCuts) {
    EXPECT_EQ(PadRight("dt 3", 9), "dt 3     ");
    EXPECT_EQ(PadRight("", 3), "   ");
    EXPECT_EQ(PadRight("abcdef", 3), "abcdef");
    EXPECT_EQ(PadRight("abc", 3), "abc");
    EXPECT_EQ(PadRight("abc", 0), "abc");
}

TEST(SeifertMatrix, StoresTheBlockAndReadsZeroOutsideIt) {
    SeifertMatrix v(2);
    v.Set(1, 1, -1);
    v.Set(1, 2, 7);
    v.Set(2, 1, std::numeric_limits<int32_t>::min());
    v.Set(2, 2, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(v.Size(), 2);
    EXPECT_EQ(v(1, 1), -1);
    EXPECT_EQ(v(1, 2), 7);
    EXPECT_EQ(v(2, 1), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(v(2, 2), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(v(3, 1), 0);
    EXPECT_EQ(v(70, 70), 0);
    EXPECT_EQ(SeifertMatrix()(1, 1), 0);
}

TEST(SeifertMatrix, IndicesOutsideTheLimitsAreRangeErrors) {
    SeifertMatrix v(2);
    EXPECT_THROW(v(0, 1), RangeError);
    EXPECT_THROW(v(1, 71), RangeError);
    EXPECT_THROW(v.Set(3, 1, 1), RangeError);
    EXPECT_THROW(v.Set(1, 0, 1), RangeError);
    EXPECT_THROW(SeifertMatrix(-1), RangeError);
    EXPECT_THROW(SeifertMatrix(71), RangeError);
    EXPECT_EQ(SeifertMatrix(70).Size(), 70);
}

TEST(SeifertMatrix, WorkingFormSignExtendsEntries) {
    SeifertMatrix v(3);
    v.Set(1, 3, -1);
    v.Set(3, 1, std::numeric_limits<int32_t>::min());
    v.Set(2, 2, 5);
    const IntMatrix m = WorkingForm(v);
    EXPECT_EQ(m(1, 3), -1);
    EXPECT_EQ(m(3, 1), -2147483648LL);
    EXPECT_EQ(m(2, 2), 5);
    EXPECT_EQ(m(1, 1), 0);
    EXPECT_EQ(m(4, 4), 0);
    EXPECT_EQ(m(70, 1), 0);
}

TEST(ResultSlots, IndicesOutsideOneToTwentyAreRangeErrors) {
    KnotRecord knot;
    EXPECT_THROW(knot.textFields(0), RangeError);
    EXPECT_THROW(knot.texFields(21), RangeError);
    EXPECT_NO_THROW(knot.texFields(20));
}

TEST(InitialResultLayout, TagsArePaddedToTheColumnWidths) {
    KnotRecord knot;
    knot.textFields(12) = "seleft over";
    knot.texFields(10) = "rmleft over";
    ApplyInitialResultLayout(knot);
    const struct {
        int slot;
        std::string text;
    } expected[] = {{1, "al" + Blanks(53)}, {2, "dt" + Blanks(7)},  {3, "l2" + Blanks(12)},
                    {4, "ma" + Blanks(12)}, {5, "si" + Blanks(8)},  {6, "lt" + Blanks(10)},
                    {7, "nk" + Blanks(25)}, {8, "ge" + Blanks(33)}, {9, "bl" + Blanks(33)},
                    {10, "rm" + Blanks(33)}};
    for (const auto& [slot, text] : expected) {
        EXPECT_EQ(knot.textFields(slot), text) << "text slot " << slot;
        EXPECT_EQ(knot.texFields(slot), slot <= 9 ? text : "") << "LaTeX slot " << slot;
    }
    for (int slot = 11; slot <= ResultSlots; ++slot) {
        EXPECT_EQ(knot.textFields(slot), "") << slot;
        EXPECT_EQ(knot.texFields(slot), "") << slot;
    }
}

TEST(SetResultField, ReplacesTheSlotOfTheTagPaddedToItsWidth) {
    KnotState state;
    PrepareKnot(state);
    SetResultField(state, "dt 3", "dt 3");
    EXPECT_EQ(state.record.textFields(2), "dt 3     ");
    EXPECT_EQ(state.record.texFields(2), "dt 3     ");
    EXPECT_EQ(state.record.textFields(2).size(), 9u);
    // The neighbouring slots keep their layout.
    EXPECT_EQ(state.record.textFields(1), "al" + Blanks(53));
    EXPECT_EQ(state.record.textFields(3), "l2" + Blanks(12));
}

TEST(SetResultField, NeverCutsALongerValue) {
    KnotState state;
    PrepareKnot(state);
    SetResultField(state, "dt 123456789", "dt 123456789");
    EXPECT_EQ(state.record.textFields(2), "dt 123456789");
    // The slot is now wider; a shorter value is padded to the new width.
    SetResultField(state, "dt 5", "");
    EXPECT_EQ(state.record.textFields(2), "dt 5" + Blanks(8));
    EXPECT_EQ(state.record.texFields(2), "dt 123456789");
}

TEST(SetResultField, AnUnknownTagTakesTheFirstEmptySlotThenKeepsItsWidth) {
    KnotState state;
    PrepareKnot(state);
    SetResultField(state, "se[[1,2],[3,4]]", "");
    EXPECT_EQ(state.record.textFields(11), "se[[1,2],[3,4]]");
    SetResultField(state, "se[[1]]", "");
    EXPECT_EQ(state.record.textFields(11), "se[[1]]" + Blanks(8));
    SetResultField(state, "erfirst", "");
    EXPECT_EQ(state.record.textFields(12), "erfirst");
    // An empty LaTeX value leaves the LaTeX table as it was.
    for (int slot = 10; slot <= ResultSlots; ++slot) EXPECT_EQ(state.record.texFields(slot), "");
}

TEST(SetResultField, TooLargeMatrixFieldsLandInTheFirstEmptySlotOfEachTable) {
    // The LaTeX table has one slot fewer laid out, so "er" lands in LaTeX slot 10.
    KnotState state;
    PrepareKnot(state);
    SetResultField(state, "cdSeifert matrix too large", "erError");
    EXPECT_EQ(state.record.textFields(11), "cdSeifert matrix too large");
    EXPECT_EQ(state.record.texFields(10), "erError");
    EXPECT_EQ(state.record.texFields(11), "");
}

TEST(SetResultField, WithAllSlotsTakenAnUnknownTagIsDropped) {
    KnotState state;
    PrepareKnot(state);
    SetResultField(state, "rm[[1]]", "rm[[1]]");  // takes LaTeX slot 10, which starts empty
    EXPECT_EQ(state.record.texFields(10), "rm[[1]]");
    for (int slot = 11; slot <= ResultSlots; ++slot) {
        const std::string tag = "x" + std::to_string(slot % 10);
        SetResultField(state, tag + "value", tag + "value");
    }
    KnotRecord before = state.record;
    SetResultField(state, "zzlost", "zzlost");
    EXPECT_EQ(state.record.textFields, before.textFields);
    EXPECT_EQ(state.record.texFields, before.texFields);
}

TEST(SetResultField, ActsOnItsOwnKnotOnly) {
    KnotState first;
    KnotState second;
    PrepareKnot(first);
    PrepareKnot(second);
    SetResultField(second, "si -2", "si $-2$");
    EXPECT_EQ(second.record.textFields(5), "si -2" + Blanks(5));
    EXPECT_EQ(second.record.texFields(5), "si $-2$" + Blanks(3));
    EXPECT_EQ(first.record.textFields(5), "si" + Blanks(8));
    EXPECT_EQ(first.record.texFields(5), "si" + Blanks(8));
}

TEST(KnotState, StopIsTheRunsFlagOrItsOwnAndSkipIsAlwaysItsOwn) {
    RunState run;
    KnotState inRun(run.StopRequested);
    KnotState alone;
    run.StopRequested = true;
    EXPECT_TRUE(inRun.StopRequested);
    EXPECT_FALSE(alone.StopRequested);
    run.StopRequested = false;
    alone.StopRequested = true;
    EXPECT_FALSE(run.StopRequested);
    EXPECT_FALSE(inRun.StopRequested);
    run.SkipRequested = true;
    EXPECT_FALSE(inRun.SkipRequested);
    inRun.SkipRequested = true;
    EXPECT_FALSE(alone.SkipRequested);
}

TEST(DetectionCodes, AreAddedOnceEach) {
    KnotState state;
    PrepareKnot(state);
    KnotRecord& knot = state.record;
    knot.detectionCodes = "w,s,";
    AddDetectionCode(state, "s,");
    EXPECT_EQ(knot.detectionCodes, "w,s,");
    AddDetectionCode(state, "St,");
    EXPECT_EQ(knot.detectionCodes, "w,s,St,");
    AddDetectionCode(state, "w,");
    EXPECT_EQ(knot.detectionCodes, "w,s,St,");
    AddDetectionCode(state, "u2,");
    EXPECT_EQ(knot.detectionCodes, "w,s,St,u2,");
}

TEST(RaiseLowerBound, EqualValueAddsTheCodeOnly) {
    KnotState state;
    PrepareKnot(state);
    KnotRecord& knot = state.record;
    knot.lowerBound = 1;
    knot.detectedBy = "Wendt";
    knot.detectionCodes = "w,";
    RaiseLowerBound(state, 1, "signature", "s,");
    EXPECT_EQ(knot.lowerBound, 1);
    EXPECT_EQ(knot.detectedBy, "Wendt");
    EXPECT_EQ(knot.detectionCodes, "w,s,");
}

TEST(RaiseLowerBound, SmallerValueChangesNothing) {
    KnotState state;
    PrepareKnot(state);
    KnotRecord& knot = state.record;
    knot.lowerBound = 2;
    knot.detectedBy = "Lickorish test";
    knot.detectionCodes = "L,";
    RaiseLowerBound(state, 1, "signature", "s,");
    EXPECT_EQ(knot.lowerBound, 2);
    EXPECT_EQ(knot.detectedBy, "Lickorish test");
    EXPECT_EQ(knot.detectionCodes, "L,");
}

TEST(RaiseLowerBound, GreaterValueReplacesBoundNameAndCodes) {
    KnotState state;
    PrepareKnot(state);
    KnotRecord& knot = state.record;
    RaiseLowerBound(state, 1, "Wendt", "w,");
    RaiseLowerBound(state, 1, "signature", "s,");
    RaiseLowerBound(state, 2, "Lickorish test", "L,");
    EXPECT_EQ(knot.lowerBound, 2);
    EXPECT_EQ(knot.detectedBy, "Lickorish test");
    EXPECT_EQ(knot.detectionCodes, "L,");
}

// A record with every field set to a value that depends on i.
KnotRecord FullRecord(int i) {
    KnotRecord k;
    k.name = "K" + std::to_string(i);
    k.size = i % 5;
    k.seifert = SeifertMatrix(k.size);
    for (int r = 1; r <= k.size; ++r) {
        for (int c = 1; c <= k.size; ++c) k.seifert.Set(r, c, (r - c) * i - (i % 3 == 0 ? 1 << 30 : 0));
    }
    k.inputLine = k.name + " {1,1,1}";
    k.crossingCode = "DT[4,6,2]";
    k.lineNumber = i + 3;
    k.notKnotReason = i % 7 == 0 ? "not a knot" : "";
    k.takenOver = i % 2 == 0;
    k.storedLine = "row " + std::to_string(i);
    k.redoneRow = "*row";
    k.computed = i % 3 == 1;
    if (i % 4 != 0) k.textFields(i % ResultSlots + 1) = std::string(i % 300, 'x');
    k.texFields(3) = "\\(x\\)";
    k.lowerBound = i % 4;
    k.upperBound = -1 + i % 6;
    k.detectedBy = "signature";
    k.detectionCodes = "s";
    k.upperCertificate = "{\"method\": \"trivial\"}";
    k.lowerCertificate = std::to_string(-i);
    k.nakanishiCertificate = std::to_string(3 * i);
    k.nakanishiLower = -i;
    k.nakanishiUpper = i * 1000;
    k.signature = -2 * i;
    k.determinant = std::numeric_limits<int32_t>::min() + i;
    k.mahlerMeasure = 1.0L / (i + 7);
    k.mu = i % 9 - 1;
    k.coversTried = "3,4";
    k.generatorText = "ge " + std::to_string(i);
    k.blanchfieldText = "bl";
    k.jsonLine = "{\"name\": \"" + k.name + "\"}";
    return k;
}

// A short table keeps its knots in memory, where they never move; a long one parks them on disk
// and gives every one back exactly, as a copy or live again.
TEST(KnotTable, ParksLongTablesOnDiskAndGivesEveryKnotBackExactly) {
    KnotTable shortTable;
    EXPECT_THROW(shortTable(1), RangeError);
    const KnotRecord* first = &shortTable.Append();
    for (int i = 2; i <= 1000; ++i) shortTable.Append().size = i;
    EXPECT_EQ(&shortTable(1), first);
    EXPECT_EQ(shortTable.ParkedCount(), 0);

    constexpr int kMany = 5000;
    KnotTable table;
    table.SetSpillAbove(100);
    for (int i = 1; i <= kMany; ++i) table.Append() = FullRecord(i);
    EXPECT_EQ(table.ParkedCount(), kMany - 1);  // all but the last, still being filled
    int i = 0;
    for (const KnotRecord& knot : table) ASSERT_EQ(knot, FullRecord(++i)) << i;
    EXPECT_EQ(i, kMany);
    EXPECT_EQ(table.TakenOver(10), true);
    table(7).signature = 99;  // live again, until parked
    EXPECT_EQ(table.ParkedCount(), kMany - 2);
    table.Park(7);
    EXPECT_EQ(table.ParkedCount(), kMany - 1);
    EXPECT_EQ(table.Copy(7).signature, 99);
    table.Update(9, [](KnotRecord& knot) { knot.takenOver = false; });
    EXPECT_FALSE(table.TakenOver(9));
    EXPECT_EQ(table.ParkedCount(), kMany - 1);
    EXPECT_THROW(table(0), RangeError);
    EXPECT_THROW(table.Copy(kMany + 1), RangeError);
    table.Truncate(2);
    EXPECT_EQ(table.Copy(2), FullRecord(2));
    EXPECT_THROW(table.Truncate(3), RangeError);
    EXPECT_THROW(table.Truncate(-1), RangeError);
    table.Clear();
    EXPECT_EQ(table.Count(), 0);
}

TEST(RunSettings, ValueCountsOfTheChoiceItems) {
    EXPECT_EQ(LevineTristramValueCount(0), 16);
    EXPECT_EQ(LevineTristramValueCount(1), 128);
    EXPECT_EQ(LevineTristramValueCount(2), 1024);
    EXPECT_EQ(LevineTristramValueCount(3), 8096);  // offered as 8192
    EXPECT_THROW(LevineTristramValueCount(4), RangeError);
    EXPECT_THROW(LevineTristramValueCount(-1), RangeError);
    EXPECT_EQ(MahlerValueCount(0), 128);
    EXPECT_EQ(MahlerValueCount(1), 16384);
    EXPECT_EQ(MahlerValueCount(2), 2097152);
    EXPECT_THROW(MahlerValueCount(3), RangeError);
}

TEST(RunSettings, DefaultsAreTheFrontEndsStartingChoices) {
    // The lists start at 16 values, 16384 values, medium and low effort; four columns ticked.
    const RunSettings settings;
    EXPECT_EQ(settings.ltValueCount, LevineTristramValueCount(0));
    EXPECT_EQ(settings.mahlerValueCount, MahlerValueCount(1));
    EXPECT_EQ(settings.nakanishiEffort, 1);
    EXPECT_EQ(settings.unknottingEffort, 0);
    EXPECT_TRUE(settings.alexander && settings.nakanishi && settings.algebraicUnknotting &&
                settings.signature);
    EXPECT_FALSE(settings.computeAll || settings.computeMu || settings.checkU3 || settings.mahler);
}

TEST(Lifecycle, RunStartLaysOutEveryKnotNotTakenOver) {
    RunState state;
    for (int i = 0; i < 3; ++i) {
        KnotRecord& knot = state.Knots.Append();
        knot.detectedBy = "signature";
        knot.detectionCodes = "s,";
        knot.lowerBound = 1;
        knot.textFields(2) = "dt 3     ";
        knot.texFields(15) = "seold";
        knot.computed = true;
    }
    // A knot taken over from a results file keeps its row as it was read.
    state.Knots(2).takenOver = true;
    ResetForRunStart(state);
    for (int i : {1, 3}) {
        const KnotRecord& knot = state.Knots(i);
        EXPECT_EQ(knot.detectedBy, "") << i;
        EXPECT_EQ(knot.detectionCodes, "") << i;
        EXPECT_EQ(knot.textFields(2), "") << i;
        EXPECT_EQ(knot.texFields(15), "") << i;
        EXPECT_FALSE(knot.computed) << i;
        EXPECT_EQ(knot.lowerBound, 1) << i;  // bounds are reset per knot, not per run
    }
    const KnotRecord& kept = state.Knots(2);
    EXPECT_EQ(kept.detectedBy, "signature");
    EXPECT_EQ(kept.detectionCodes, "s,");
    EXPECT_EQ(kept.textFields(2), "dt 3     ");
    EXPECT_EQ(kept.texFields(15), "seold");
    EXPECT_TRUE(kept.computed);
}

TEST(Lifecycle, KnotStartResetsTheKnotAndItsFlags) {
    RunState run;
    KnotState state(run.StopRequested);
    PrepareKnot(state);
    KnotRecord& knot = state.record;
    knot.lowerBound = 2;
    knot.upperBound = 3;
    knot.mahlerMeasure = 1.5L;
    knot.detectedBy = "signature";
    knot.detectionCodes = "s,";
    knot.nakanishiLower = 1;
    RecordInputError(run, 9, "Line 9: braid words are not supported yet.");
    state.SkipRequested = true;
    run.StopRequested = true;
    state.NakanishiSource = "H_1(L_2)";
    state.NakanishiSourceTex = "$H_1(L_2)$";
    ArithTrouble = true;
    TroubleCode = "divv";
    const auto now = std::chrono::steady_clock::now();

    ResetForKnotStart(state, now);

    EXPECT_EQ(knot.lowerBound, 0);
    EXPECT_EQ(knot.upperBound, -1);
    EXPECT_EQ(knot.mahlerMeasure, 0.0L);
    EXPECT_EQ(knot.detectedBy, "");
    EXPECT_EQ(knot.detectionCodes, "");
    EXPECT_EQ(knot.nakanishiLower, 1);  // set by the reader and the invariants, not here
    EXPECT_EQ(knot.textFields(2), "dt" + Blanks(7));  // the layout stays
    EXPECT_EQ(state.KnotStartTime, now);
    EXPECT_FALSE(state.SkipRequested);
    EXPECT_TRUE(state.StopRequested);  // the run's Stop is the run's to drop
    EXPECT_TRUE(run.StopRequested);
    EXPECT_EQ(state.NakanishiSource, "");
    EXPECT_EQ(state.NakanishiSourceTex, "");
    EXPECT_FALSE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "");
    // The reading error belongs to the run: a knot start leaves it for the front end's report.
    EXPECT_TRUE(run.InputError);
    EXPECT_EQ(run.InputErrorLine, 9);
    EXPECT_EQ(run.InputErrorText, "Line 9: braid words are not supported yet.");
}

TEST(Lifecycle, ReadingStartsWithNoKnotsAndNoError) {
    RunState state;
    for (int i = 0; i < 4; ++i) state.Knots.Append();
    ResetForRunStart(state);
    RecordInputError(state, 5, "Line 5: entry \"x\" is not an integer.");
    EXPECT_TRUE(state.InputError);
    EXPECT_EQ(TroubleCode, "Line 5: entry \"x\" is not an integer.");
    ResetForReading(state);
    EXPECT_EQ(state.KnotCount(), 0);
    EXPECT_FALSE(state.InputError);
    EXPECT_EQ(state.InputErrorLine, 0);
    EXPECT_EQ(state.InputErrorText, "");
}

TEST(Lifecycle, ProgramStartState) {
    const RunState state;
    EXPECT_EQ(state.KnotCount(), 0);
    EXPECT_EQ(state.RunSeed, 0u);
    EXPECT_EQ(state.Jobs, 1);
    EXPECT_EQ(state.ShardNumber, 0);
    EXPECT_EQ(state.ShardCount, 0);
    EXPECT_FALSE(state.Running || state.StopRequested || state.PauseRequested ||
                 state.SkipRequested || state.InputError);
}

TEST(Lifecycle, AFreshKnotStateHoldsThePrimesAndNoResults) {
    const KnotState state;
    const std::array<int32_t, 14> primes{2, 3, 5, 7, 11, 13, 17, 23, 29, 31, 37, 41, 43, 47};
    EXPECT_EQ(state.PrimeList, primes);
    EXPECT_FALSE(state.record.computed);
    EXPECT_EQ(state.WorkingSize, 0);
    EXPECT_EQ(state.DetBlockSize, 6);
    EXPECT_FALSE(state.StopRequested || state.SkipRequested);
}

}  // namespace
}  // namespace corvane
