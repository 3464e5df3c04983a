#include "knot/run_state.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "arith/checked.h"
#include "arith/errors.h"

namespace corvane {

KnotTable::KnotTable(KnotTable&&) noexcept = default;
KnotTable& KnotTable::operator=(KnotTable&&) noexcept = default;
KnotTable::~KnotTable() = default;

KnotTable::Entry& KnotTable::At(int i) {
    if (i < 1 || i > Count()) throw RangeError("knot index");
    return entries_[static_cast<std::size_t>(i - 1)];
}

const KnotTable::Entry& KnotTable::At(int i) const {
    if (i < 1 || i > Count()) throw RangeError("knot index");
    return entries_[static_cast<std::size_t>(i - 1)];
}

KnotRecord& KnotTable::operator()(int i) {
    Entry& entry = At(i);
    if (!entry.live) {
        auto record = std::make_unique<KnotRecord>();
        std::string bytes;
        spill_->Read(entry.offset, entry.length, bytes);
        DecodeRecord(bytes, *record);
        entry.live = std::move(record);
    }
    return *entry.live;
}

const KnotRecord& KnotTable::Get(int i, KnotRecord& buffer) const {
    const Entry& entry = At(i);
    if (entry.live) return *entry.live;
    std::string bytes;
    spill_->Read(entry.offset, entry.length, bytes);
    DecodeRecord(bytes, buffer);
    return buffer;
}

KnotRecord KnotTable::Copy(int i) const {
    KnotRecord buffer;
    const KnotRecord& knot = Get(i, buffer);
    if (&knot == &buffer) return buffer;
    return knot;
}

bool KnotTable::TakenOver(int i) const {
    const Entry& entry = At(i);
    return entry.live ? entry.live->takenOver : entry.takenOver;
}

bool KnotTable::Computed(int i) const {
    const Entry& entry = At(i);
    return entry.live ? entry.live->computed : entry.computed;
}

// Whether parked knots go to disk; the scratch file is created when the table first grows past
// SpillAbove().
bool KnotTable::Spilling() {
    if (spill_) return true;
    if (spillFailed_ || Count() <= spillAbove_) return false;
    auto spill = std::make_unique<RecordSpill>();
    if (!spill->Open()) {
        spillFailed_ = true;
        return false;
    }
    spill_ = std::move(spill);
    return true;
}

KnotRecord& KnotTable::Append() {
    if (!entries_.empty() && Spilling()) {
        // The knots read before the table grew long are parked now, later ones one by one.
        for (int i = Count(); i >= 1 && entries_[static_cast<std::size_t>(i - 1)].live; --i)
            Park(i);
    }
    Entry& entry = entries_.emplace_back();
    entry.live = std::make_unique<KnotRecord>();
    return *entry.live;
}

void KnotTable::Park(int i) {
    Entry& entry = At(i);
    if (!entry.live || !Spilling()) return;
    EncodeRecord(*entry.live, bytes_);
    uint64_t offset = 0;
    if (bytes_.size() > UINT32_MAX || !spill_->Append(bytes_, offset)) return;
    entry.offset = offset;
    entry.length = static_cast<uint32_t>(bytes_.size());
    entry.takenOver = entry.live->takenOver;
    entry.computed = entry.live->computed;
    entry.live.reset();
}

int KnotTable::ParkedCount() const {
    return static_cast<int>(
        std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return !e.live; }));
}

void KnotTable::Truncate(int count) {
    if (count < 0 || count > Count()) throw RangeError("knot table truncation");
    entries_.resize(static_cast<std::size_t>(count));
}

void KnotTable::Clear() {
    entries_.clear();
    spill_.reset();
    spillFailed_ = false;
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
        const bool inShard = InShard(state, i);
        state.Knots.Update(i, [inShard](KnotRecord& knot) {
            // A knot of another shard is never computed here: its lines identify the list, its
            // matrix is not needed.
            if (!inShard) knot.seifert = SeifertMatrix();
            if (knot.takenOver) return;
            knot.detectedBy.clear();
            knot.detectionCodes.clear();
            knot.computed = false;
            knot.jsonLine.clear();
            knot.textFields.Clear();
            knot.texFields.Clear();
        });
    }
}

}  // namespace corvane
