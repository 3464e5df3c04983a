#include "knot/run_state.h"

#include <cstddef>
#include <utility>

#include "arith/checked.h"
#include "arith/errors.h"

namespace corvane {

KnotRecord& KnotTable::operator()(int i) {
    if (i < 1 || i > Count()) throw RangeError("knot index");
    return knots_[static_cast<std::size_t>(i - 1)];
}

const KnotRecord& KnotTable::operator()(int i) const {
    if (i < 1 || i > Count()) throw RangeError("knot index");
    return knots_[static_cast<std::size_t>(i - 1)];
}

KnotRecord& KnotTable::Append() {
    return knots_.emplace_back();
}

void KnotTable::Truncate(int count) {
    if (count < 0 || count > Count()) throw RangeError("knot table truncation");
    knots_.resize(static_cast<std::size_t>(count));
}

bool InShard(const RunState& state, int i) {
    if (state.ShardCount < 1) return true;
    return (i - 1) % state.ShardCount == state.ShardNumber - 1;
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
    for (int i = 1; i <= state.KnotCount(); ++i) {
        KnotRecord& knot = state.Knots(i);
        // A knot of another shard is never computed here: its lines identify the list, its
        // matrix is not needed.
        if (!InShard(state, i)) knot.seifert = SeifertMatrix();
        if (knot.takenOver) continue;
        knot.detectedBy.clear();
        knot.detectionCodes.clear();
        knot.computed = false;
        knot.textFields.Clear();
        knot.texFields.Clear();
    }
}

}  // namespace corvane
