// Everything one run shares: the knot table, the run's options, the flags by which the front end
// steers the run, and the run seed. What one knot's computation works on lives in its own
// KnotContext. The front end owns one RunState and passes it by reference.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "knot/knot_record.h"
#include "knot/run_settings.h"

namespace corvane {

// The knots of a run, indexed 1..Count(), any number of them. They are kept in blocks, so that a
// list of millions of knots grows without moving the knots already read (references stay valid).
class KnotTable {
  public:
    int Count() const { return static_cast<int>(knots_.size()); }
    // Knot i, 1 <= i <= Count(); RangeError otherwise.
    KnotRecord& operator()(int i);
    const KnotRecord& operator()(int i) const;
    // Appends a default record as knot Count() + 1.
    KnotRecord& Append();
    // Keeps knots 1..count, 0 <= count <= Count(); RangeError otherwise.
    void Truncate(int count);
    void Clear() { knots_.clear(); }

    auto begin() { return knots_.begin(); }
    auto end() { return knots_.end(); }
    auto begin() const { return knots_.begin(); }
    auto end() const { return knots_.end(); }

  private:
    std::deque<KnotRecord> knots_;
};

// A line of the input that gives no knot's invariants: skipped by the reader (its results file
// has no row for it), or read as a knot whose row holds only the reason it is not a knot.
struct LineNote {
    int line = 0;
    bool skipped = false;
    std::string reason;  // "rows of unequal length", "not a knot: ..."

    // "skipped: " + reason for a skipped line, the reason alone otherwise.
    std::string Text() const { return skipped ? "skipped: " + reason : reason; }
};

struct RunState {
    KnotTable Knots;
    int KnotCount() const { return Knots.Count(); }

    RunSettings Settings;

    // Read by the front end's thread while the calculation sets it.
    std::atomic<bool> Running = false;
    // Set by the front end's thread; the calculation reads them at its polling points.
    std::atomic<bool> StopRequested = false;
    std::atomic<bool> PauseRequested = false;
    std::atomic<bool> SkipRequested = false;

    // The reader met a fatal error; its message is in TroubleCode. The line and the message stay
    // until the next reading, for the front end's report.
    bool InputError = false;
    int InputErrorLine = 0;  // line of the reading error, 0 if none
    std::string InputErrorText;
    // Lines without invariants, in the order met: the reader's skipped lines, then the knots
    // that are not knots, as the run reaches them.
    std::vector<LineNote> LineNotes;

    // The seed of every knot's random generator, with the knot's own line: 0 unless the front
    // end sets it (a number given, or one drawn from the clock).
    uint64_t RunSeed = 0;
    // How many knots are computed side by side.
    int Jobs = 1;
    // Shard K of N (both 0: no shards): the run computes only the knots whose position i in the
    // list has (i - 1) mod N = K - 1.
    int ShardNumber = 0;
    int ShardCount = 0;
    // Whether the results are also written as JSON Lines, one object per knot. It changes no
    // result, so it lives here and not among the RunSettings that a shard file records.
    bool JsonLines = false;
};

// Whether knot i belongs to the run's shard (always, without shards).
bool InShard(const RunState& state, int i);

// Marks a fatal reading error at line `line` (1-based): InputError is set and message becomes
// TroubleCode and InputErrorText.
void RecordInputError(RunState& state, int line, std::string message);

// Notes a line of the input that the reader skips; a second note for the same line replaces
// the first (a results file row may be read twice).
void RecordSkippedLine(RunState& state, int line, std::string reason);

// Before a list is read: no knots, no reading error, no line notes.
void ResetForReading(RunState& state);

// Run start, after reading: every knot that is not taken over gets empty detections, empty
// result slots (a knot gets the initial layout when its computation starts, so that waiting knots
// hold no strings) and computed := false; a knot outside the run's shard drops its matrix.
void ResetForRunStart(RunState& state);

}  // namespace corvane
