#include "driver/run_state.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <string>

#include "arith/checked.h"
#include "arith/errors.h"
#include "knot/knot_record.h"
#include "knot/run_settings.h"
#include "knot/padding.h"

namespace corvane {
namespace {

std::string Blanks(std::size_t n) {
    return std::string(n, ' ');
}

// A run state holding `count` default knots with the run-start layout, knot 1 current.
void PrepareKnots(RunState& state, int count) {
    for (int i = 0; i < count; ++i) state.Knots.Append();
    ResetForRunStart(state);
    state.CurrentKnot = 1;
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
    RunState state;
    PrepareKnots(state, 1);
    SetResultField(state, "dt 3", "dt 3");
    EXPECT_EQ(state.Knots(1).textFields(2), "dt 3     ");
    EXPECT_EQ(state.Knots(1).texFields(2), "dt 3     ");
    EXPECT_EQ(state.Knots(1).textFields(2).size(), 9u);
    // The neighbouring slots keep their layout.
    EXPECT_EQ(state.Knots(1).textFields(1), "al" + Blanks(53));
    EXPECT_EQ(state.Knots(1).textFields(3), "l2" + Blanks(12));
}

TEST(SetResultField, NeverCutsALongerValue) {
    RunState state;
    PrepareKnots(state, 1);
    SetResultField(state, "dt 123456789", "dt 123456789");
    EXPECT_EQ(state.Knots(1).textFields(2), "dt 123456789");
    // The slot is now wider; a shorter value is padded to the new width.
    SetResultField(state, "dt 5", "");
    EXPECT_EQ(state.Knots(1).textFields(2), "dt 5" + Blanks(8));
    EXPECT_EQ(state.Knots(1).texFields(2), "dt 123456789");
}

TEST(SetResultField, AnUnknownTagTakesTheFirstEmptySlotThenKeepsItsWidth) {
    RunState state;
    PrepareKnots(state, 1);
    SetResultField(state, "se[[1,2],[3,4]]", "");
    EXPECT_EQ(state.Knots(1).textFields(11), "se[[1,2],[3,4]]");
    SetResultField(state, "se[[1]]", "");
    EXPECT_EQ(state.Knots(1).textFields(11), "se[[1]]" + Blanks(8));
    SetResultField(state, "erfirst", "");
    EXPECT_EQ(state.Knots(1).textFields(12), "erfirst");
    // An empty LaTeX value leaves the LaTeX table as it was.
    for (int slot = 10; slot <= ResultSlots; ++slot) EXPECT_EQ(state.Knots(1).texFields(slot), "");
}

TEST(SetResultField, TooLargeMatrixFieldsLandInTheFirstEmptySlotOfEachTable) {
    // The LaTeX table has one slot fewer laid out, so "er" lands in LaTeX slot 10.
    RunState state;
    PrepareKnots(state, 1);
    SetResultField(state, "cdSeifert matrix too large", "erError");
    EXPECT_EQ(state.Knots(1).textFields(11), "cdSeifert matrix too large");
    EXPECT_EQ(state.Knots(1).texFields(10), "erError");
    EXPECT_EQ(state.Knots(1).texFields(11), "");
}

TEST(SetResultField, WithAllSlotsTakenAnUnknownTagIsDropped) {
    RunState state;
    PrepareKnots(state, 1);
    SetResultField(state, "rm[[1]]", "rm[[1]]");  // takes LaTeX slot 10, which starts empty
    EXPECT_EQ(state.Knots(1).texFields(10), "rm[[1]]");
    for (int slot = 11; slot <= ResultSlots; ++slot) {
        const std::string tag = "x" + std::to_string(slot % 10);
        SetResultField(state, tag + "value", tag + "value");
    }
    KnotRecord before = state.Knots(1);
    SetResultField(state, "zzlost", "zzlost");
    EXPECT_EQ(state.Knots(1).textFields, before.textFields);
    EXPECT_EQ(state.Knots(1).texFields, before.texFields);
}

TEST(SetResultField, ActsOnTheCurrentKnotOnly) {
    RunState state;
    PrepareKnots(state, 3);
    state.CurrentKnot = 2;
    SetResultField(state, "si -2", "si $-2$");
    EXPECT_EQ(state.Knots(2).textFields(5), "si -2" + Blanks(5));
    EXPECT_EQ(state.Knots(2).texFields(5), "si $-2$" + Blanks(3));
    EXPECT_EQ(state.Knots(1).textFields(5), "si" + Blanks(8));
    EXPECT_EQ(state.Knots(3).textFields(5), "si" + Blanks(8));
}

TEST(CurrentKnot, OutsideTheTableIsARangeError) {
    RunState state;
    EXPECT_THROW(SetResultField(state, "dt 1", "dt 1"), RangeError);
    PrepareKnots(state, 2);
    state.CurrentKnot = 3;
    EXPECT_THROW(AddDetectionCode(state, "s,"), RangeError);
    state.CurrentKnot = 0;
    EXPECT_THROW(RaiseLowerBound(state, 1, "signature", "s,"), RangeError);
    EXPECT_THROW(ResetForKnotStart(state, std::chrono::steady_clock::now()), RangeError);
}

TEST(DetectionCodes, AreAddedOnceEach) {
    RunState state;
    PrepareKnots(state, 1);
    KnotRecord& knot = state.Knots(1);
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
    RunState state;
    PrepareKnots(state, 1);
    KnotRecord& knot = state.Knots(1);
    knot.lowerBound = 1;
    knot.detectedBy = "Wendt";
    knot.detectionCodes = "w,";
    RaiseLowerBound(state, 1, "signature", "s,");
    EXPECT_EQ(knot.lowerBound, 1);
    EXPECT_EQ(knot.detectedBy, "Wendt");
    EXPECT_EQ(knot.detectionCodes, "w,s,");
}

TEST(RaiseLowerBound, SmallerValueChangesNothing) {
    RunState state;
    PrepareKnots(state, 1);
    KnotRecord& knot = state.Knots(1);
    knot.lowerBound = 2;
    knot.detectedBy = "Lickorish test";
    knot.detectionCodes = "L,";
    RaiseLowerBound(state, 1, "signature", "s,");
    EXPECT_EQ(knot.lowerBound, 2);
    EXPECT_EQ(knot.detectedBy, "Lickorish test");
    EXPECT_EQ(knot.detectionCodes, "L,");
}

TEST(RaiseLowerBound, GreaterValueReplacesBoundNameAndCodes) {
    RunState state;
    PrepareKnots(state, 1);
    KnotRecord& knot = state.Knots(1);
    RaiseLowerBound(state, 1, "Wendt", "w,");
    RaiseLowerBound(state, 1, "signature", "s,");
    RaiseLowerBound(state, 2, "Lickorish test", "L,");
    EXPECT_EQ(knot.lowerBound, 2);
    EXPECT_EQ(knot.detectedBy, "Lickorish test");
    EXPECT_EQ(knot.detectionCodes, "L,");
}

TEST(KnotTable, HoldsAtMostMaxKnotsIndexedFromOne) {
    KnotTable table;
    EXPECT_THROW(table(1), RangeError);
    for (int i = 1; i <= MaxKnots; ++i) table.Append().size = i;
    EXPECT_EQ(table.Count(), MaxKnots);
    EXPECT_EQ(table(1).size, 1);
    EXPECT_EQ(table(MaxKnots).size, MaxKnots);
    EXPECT_THROW(table.Append(), RangeError);
    EXPECT_THROW(table(0), RangeError);
    EXPECT_THROW(table(MaxKnots + 1), RangeError);
    table.Truncate(2);
    EXPECT_EQ(table.Count(), 2);
    EXPECT_EQ(table(2).size, 2);
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

TEST(Lifecycle, RunStartLaysOutEveryKnotAndSetsThePrimes) {
    RunState state;
    for (int i = 0; i < 3; ++i) {
        KnotRecord& knot = state.Knots.Append();
        knot.detectedBy = "signature";
        knot.detectionCodes = "s,";
        knot.lowerBound = 1;
        knot.textFields(2) = "dt 3     ";
        knot.texFields(15) = "seold";
    }
    state.CurrentKnot = 3;
    ResetForRunStart(state);
    EXPECT_EQ(state.CurrentKnot, 0);
    const std::array<int32_t, 14> primes{2, 3, 5, 7, 11, 13, 17, 23, 29, 31, 37, 41, 43, 47};
    EXPECT_EQ(state.PrimeList, primes);
    for (const KnotRecord& knot : state.Knots) {
        EXPECT_EQ(knot.detectedBy, "");
        EXPECT_EQ(knot.detectionCodes, "");
        EXPECT_EQ(knot.textFields(2), "dt" + Blanks(7));
        EXPECT_EQ(knot.texFields(15), "");
        EXPECT_EQ(knot.lowerBound, 1);  // bounds are reset per knot, not per run
    }
}

TEST(Lifecycle, KnotStartResetsTheCurrentKnotAndTheRunFlags) {
    RunState state;
    PrepareKnots(state, 2);
    for (KnotRecord& knot : state.Knots) {
        knot.lowerBound = 2;
        knot.upperBound = 3;
        knot.mahlerMeasure = 1.5L;
        knot.detectedBy = "signature";
        knot.detectionCodes = "s,";
        knot.nakanishiLower = 1;
    }
    state.CurrentKnot = 2;
    state.InputError = true;
    state.InputErrorLine = 9;
    state.InputErrorText = "Line 9: braid words are not supported yet.";
    state.SkipRequested = true;
    state.StopRequested = true;
    state.NakanishiSource = "H_1(L_2)";
    state.NakanishiSourceTex = "$H_1(L_2)$";
    ArithTrouble = true;
    TroubleCode = "divv";
    const auto now = std::chrono::steady_clock::now();

    ResetForKnotStart(state, now);

    const KnotRecord& knot = state.Knots(2);
    EXPECT_EQ(knot.lowerBound, 0);
    EXPECT_EQ(knot.upperBound, -1);
    EXPECT_EQ(knot.mahlerMeasure, 0.0L);
    EXPECT_EQ(knot.detectedBy, "");
    EXPECT_EQ(knot.detectionCodes, "");
    EXPECT_EQ(knot.nakanishiLower, 1);  // set by the reader and the invariants, not here
    EXPECT_EQ(state.KnotStartTime, now);
    EXPECT_FALSE(state.InputError);
    EXPECT_FALSE(state.SkipRequested);
    EXPECT_TRUE(state.StopRequested);  // the run loop drops a Stop later in the knot
    EXPECT_EQ(state.NakanishiSource, "");
    EXPECT_EQ(state.NakanishiSourceTex, "");
    EXPECT_FALSE(ArithTrouble);
    EXPECT_EQ(TroubleCode, "");
    // Where reading stopped stays known for the front end's report.
    EXPECT_EQ(state.InputErrorLine, 9);
    EXPECT_EQ(state.InputErrorText, "Line 9: braid words are not supported yet.");
    // The other knot is untouched.
    EXPECT_EQ(state.Knots(1).lowerBound, 2);
    EXPECT_EQ(state.Knots(1).detectionCodes, "s,");
}

TEST(Lifecycle, ReadingStartsWithNoKnotsAndNoError) {
    RunState state;
    PrepareKnots(state, 4);
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
    EXPECT_EQ(state.CurrentKnot, 0);
    EXPECT_EQ(state.Random.state, 0u);
    EXPECT_FALSE(state.Running || state.StopRequested || state.PauseRequested ||
                 state.SkipRequested || state.InputError);
}

}  // namespace
}  // namespace corvane
