// Everything one run shares: the knot table, the run's options, the cursor on the current knot
// and its working matrix, the flags by which the front end steers the run, and the pseudo-random
// generator. The front end owns one RunState and passes it by reference.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "arith/int_matrix.h"
#include "arith/polynomial.h"
#include "arith/random.h"
#include "driver/knot_record.h"
#include "driver/run_settings.h"

namespace corvane {

// The primes of the Alexander module tests over F_p, in the order they are tried (19 is left
// out on purpose).
inline constexpr std::array<int32_t, 14> kPrimeList{2,  3,  5,  7,  11, 13, 17,
                                                    23, 29, 31, 37, 41, 43, 47};

// The knots of a run, indexed 1..Count(), at most MaxKnots of them.
class KnotTable {
  public:
    int Count() const { return static_cast<int>(knots_.size()); }
    // Knot i, 1 <= i <= Count(); RangeError otherwise.
    KnotRecord& operator()(int i);
    const KnotRecord& operator()(int i) const;
    // Appends a default record as knot Count() + 1. RangeError when MaxKnots are held already:
    // the readers test the limit first and report it.
    KnotRecord& Append();
    // Keeps knots 1..count, 0 <= count <= Count(); RangeError otherwise.
    void Truncate(int count);
    void Clear() { knots_.clear(); }

    auto begin() { return knots_.begin(); }
    auto end() { return knots_.end(); }
    auto begin() const { return knots_.begin(); }
    auto end() const { return knots_.end(); }

  private:
    std::vector<KnotRecord> knots_;
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
    int32_t CurrentKnot = 0;       // 0 before the first knot of a run
    IntMatrix WorkingMatrix;       // the current knot's minimal S-equivalent matrix
    int32_t WorkingSize = 0;       // 0: Alexander polynomial 1; -1: too large to compute on
    RatPoly AlexanderPoly;         // the current knot's Alexander polynomial
    LaurentPoly AlexanderLaurent;  // the same, shifted to be symmetric

    // Read by the front end's thread while the calculation sets it.
    std::atomic<bool> Running = false;
    // Set by the front end's thread; the calculation reads them at its polling points.
    std::atomic<bool> StopRequested = false;
    std::atomic<bool> PauseRequested = false;
    std::atomic<bool> SkipRequested = false;

    // The reader met a fatal error; its message is in TroubleCode. Knot starts clear the flag (so
    // the final status reports the error only when no knot was computed after it), while the
    // line and the message stay until the next reading, for the front end's report.
    bool InputError = false;
    int InputErrorLine = 0;  // line of the reading error, 0 if none
    std::string InputErrorText;
    // Lines without invariants, in the order met: the reader's skipped lines, then the knots
    // that are not knots, as the run reaches them.
    std::vector<LineNote> LineNotes;

    // The block size of the cofactor expansion with which the current knot's Alexander polynomial
    // was computed; the adjugate of the same matrix is computed with it.
    int32_t DetBlockSize = 6;
    // The text of the smallest diagonal presentation of the current knot's Alexander module found
    // so far; emptied when the knot's Alexander polynomial is computed.
    std::string presentationText;

    std::string NakanishiSource;     // text name of what gave nakanishiLower, e.g. "H_1(L_2)"
    std::string NakanishiSourceTex;  // the same in LaTeX
    std::array<int32_t, 14> PrimeList{};
    std::chrono::steady_clock::time_point KnotStartTime{};

    // State 0 at program start and kept across runs, so that runs repeat their random choices.
    RandomGenerator Random;
};

// The knot CurrentKnot points at; RangeError unless 1 <= CurrentKnot <= KnotCount().
KnotRecord& CurrentRecord(RunState& state);

// Stores a result of the current knot in both slot tables. In each table every slot whose first
// two characters equal those of the value is replaced by the value padded with blanks to the
// slot's length; when no slot matches, the first empty slot takes the value unpadded. So a slot
// keeps the width it was first given, and an empty tex changes nothing visible.
void SetResultField(RunState& state, std::string_view text, std::string_view tex);

// Appends code (e.g. "s,") to the current knot's detectionCodes unless it occurs there already.
void AddDetectionCode(RunState& state, std::string_view code);

// An obstruction reports that the algebraic unknotting number of the current knot is at least
// value: equal to lowerBound adds its code; greater makes it the new lowerBound with name and
// code as the only detection; smaller changes nothing.
void RaiseLowerBound(RunState& state, int32_t value, std::string_view name, std::string_view code);

// Marks a fatal reading error at line `line` (1-based): InputError is set and message becomes
// TroubleCode and InputErrorText.
void RecordInputError(RunState& state, int line, std::string message);

// Notes a line of the input that the reader skips; a second note for the same line replaces
// the first (a results file row may be read twice).
void RecordSkippedLine(RunState& state, int line, std::string reason);

// Before a list is read: no knots, no reading error, no line notes.
void ResetForReading(RunState& state);

// Run start, after reading: every knot gets empty detections and the initial result-slot
// layout; PrimeList is set; CurrentKnot := 0.
void ResetForRunStart(RunState& state);

// Knot start for the knot CurrentKnot: KnotStartTime := now; InputError, ArithTrouble and
// SkipRequested cleared, TroubleCode, NakanishiSource and NakanishiSourceTex emptied; the knot's
// lowerBound := 0, upperBound := -1, mahlerMeasure := 0, detectedBy and detectionCodes emptied.
// RangeError unless 1 <= CurrentKnot <= KnotCount().
void ResetForKnotStart(RunState& state, std::chrono::steady_clock::time_point now);

}  // namespace corvane
