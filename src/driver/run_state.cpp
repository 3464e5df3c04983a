#include "driver/run_state.h"

#include <cstddef>
#include <utility>

#include "arith/checked.h"
#include "arith/errors.h"
#include "output/padding.h"

namespace corvane {

namespace {

std::string_view Tag(std::string_view s) {
    return s.substr(0, 2);
}

// One table of SetResultField.
void StoreInSlots(ResultSlotArray& slots, std::string_view value) {
    bool matched = false;
    for (std::string& slot : slots) {
        if (Tag(slot) != Tag(value)) continue;
        slot = PadRight(value, slot.size());
        matched = true;
    }
    if (matched) return;
    for (std::string& slot : slots) {
        if (!slot.empty()) continue;
        slot = std::string(value);
        return;
    }
}

}  // namespace

KnotRecord& KnotTable::operator()(int i) {
    if (i < 1 || i > Count()) throw RangeError("knot index");
    return knots_[static_cast<std::size_t>(i - 1)];
}

const KnotRecord& KnotTable::operator()(int i) const {
    if (i < 1 || i > Count()) throw RangeError("knot index");
    return knots_[static_cast<std::size_t>(i - 1)];
}

KnotRecord& KnotTable::Append() {
    if (Count() >= MaxKnots) throw RangeError("knot table is full");
    return knots_.emplace_back();
}

void KnotTable::Truncate(int count) {
    if (count < 0 || count > Count()) throw RangeError("knot table truncation");
    knots_.resize(static_cast<std::size_t>(count));
}

KnotRecord& CurrentRecord(RunState& state) {
    return state.Knots(state.CurrentKnot);
}

void SetResultField(RunState& state, std::string_view text, std::string_view tex) {
    KnotRecord& knot = CurrentRecord(state);
    StoreInSlots(knot.textFields, text);
    StoreInSlots(knot.texFields, tex);
}

void AddDetectionCode(RunState& state, std::string_view code) {
    std::string& codes = CurrentRecord(state).detectionCodes;
    if (codes.find(code) == std::string::npos) codes += code;
}

void RaiseLowerBound(RunState& state, int32_t value, std::string_view name, std::string_view code) {
    KnotRecord& knot = CurrentRecord(state);
    if (value == knot.lowerBound) {
        AddDetectionCode(state, code);
        return;
    }
    if (value < knot.lowerBound) return;
    knot.lowerBound = value;
    knot.detectedBy = std::string(name);
    knot.detectionCodes = std::string(code);
}

void RecordInputError(RunState& state, int line, std::string message) {
    state.InputError = true;
    state.InputErrorLine = line;
    TroubleCode = message;
    state.InputErrorText = std::move(message);
}

void RecordSkippedLine(RunState& state, int line, std::string reason) {
    if (!state.LineNotes.empty() && state.LineNotes.back().line == line) {
        state.LineNotes.pop_back();
    }
    state.LineNotes.push_back(LineNote{line, true, std::move(reason)});
}

void ResetForReading(RunState& state) {
    state.Knots.Clear();
    state.LineNotes.clear();
    state.InputError = false;
    state.InputErrorLine = 0;
    state.InputErrorText.clear();
}

void ResetForRunStart(RunState& state) {
    for (KnotRecord& knot : state.Knots) {
        knot.detectedBy.clear();
        knot.detectionCodes.clear();
        ApplyInitialResultLayout(knot);
    }
    state.PrimeList = kPrimeList;
    state.CurrentKnot = 0;
}

void ResetForKnotStart(RunState& state, std::chrono::steady_clock::time_point now) {
    KnotRecord& knot = CurrentRecord(state);
    state.KnotStartTime = now;
    state.InputError = false;
    state.SkipRequested = false;
    state.NakanishiSource.clear();
    state.NakanishiSourceTex.clear();
    ArithTrouble = false;
    TroubleCode.clear();
    knot.lowerBound = 0;
    knot.upperBound = -1;
    knot.mahlerMeasure = 0.0L;
    knot.detectedBy.clear();
    knot.detectionCodes.clear();
}

}  // namespace corvane
