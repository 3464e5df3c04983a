// Everything one run shares: the knot table, the run's options, the flags by which the front end
// steers the run, and the run seed. What one knot's computation works on lives in its own
// KnotContext. The front end owns one RunState and passes it by reference.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "knot/knot_record.h"
#include "knot/knot_store.h"
#include "knot/run_settings.h"

namespace corvane {

// The knots of a run, indexed 1..Count(), any number of them.
//
// A long table keeps its knots on disk: once it holds more than SpillAbove() knots, a record
// that is parked (the one appended before, a knot whose computation ended) is encoded into the
// run's scratch file (knot_store.h), and memory holds a few words for it. A parked record is
// read back, as a copy, by Get and Copy, and becomes live again (loaded into memory, where it
// stays until it is parked again) through operator(). A short table never parks: every record
// stays live, as do the records of a table whose scratch file cannot be written. A live record
// keeps its address until it is parked or removed.
class KnotTable {
  public:
    // Tables longer than this keep their parked knots on disk.
    static constexpr int kDefaultSpillAbove = 20000;

    KnotTable() = default;
    KnotTable(KnotTable&&) noexcept;
    KnotTable& operator=(KnotTable&&) noexcept;
    ~KnotTable();

    int Count() const { return static_cast<int>(entries_.size()); }
    // Knot i, live, 1 <= i <= Count(); RangeError otherwise.
    KnotRecord& operator()(int i);
    // Knot i without making it live: the live record, or the parked one read into `buffer`.
    const KnotRecord& Get(int i, KnotRecord& buffer) const;
    KnotRecord Copy(int i) const;
    // Whether knot i was taken over from a results file, and whether its results are final,
    // without reading it back.
    bool TakenOver(int i) const;
    bool Computed(int i) const;
    // Appends a default record as knot Count() + 1; the knot appended before is parked.
    KnotRecord& Append();
    // Puts knot i on disk when the table is long enough (otherwise it stays as it is).
    void Park(int i);
    // Applies `change` to knot i; a parked knot is written back only when the change changed it.
    template <class Change>
    void Update(int i, Change&& change);
    // Keeps knots 1..count, 0 <= count <= Count(); RangeError otherwise.
    void Truncate(int count);
    void Clear();
    // From how many knots on the table parks: kDefaultSpillAbove unless set (tests set it low).
    void SetSpillAbove(int count) { spillAbove_ = count; }
    int SpillAbove() const { return spillAbove_; }
    // How many knots are parked on disk.
    int ParkedCount() const;

    // Iterates the knots in order; each one is read as by Get, into the iterator's own buffer.
    class const_iterator {
      public:
        using iterator_category = std::input_iterator_tag;
        using value_type = KnotRecord;
        using difference_type = std::ptrdiff_t;
        using pointer = const KnotRecord*;
        using reference = const KnotRecord&;

        const_iterator(const KnotTable* table, int index) : table_(table), index_(index) {}
        const KnotRecord& operator*() const { return table_->Get(index_, buffer_); }
        const KnotRecord* operator->() const { return &**this; }
        const_iterator& operator++() {
            ++index_;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before(table_, index_);
            ++index_;
            return before;
        }
        bool operator==(const const_iterator& other) const { return index_ == other.index_; }

      private:
        const KnotTable* table_;
        int index_;
        mutable KnotRecord buffer_;
    };
    const_iterator begin() const { return {this, 1}; }
    const_iterator end() const { return {this, Count() + 1}; }

  private:
    struct Entry {
        std::unique_ptr<KnotRecord> live;
        uint64_t offset = 0;  // where the parked record starts in the scratch file
        uint32_t length = 0;
        bool takenOver = false;
        bool computed = false;
    };
    Entry& At(int i);
    const Entry& At(int i) const;
    bool Spilling();

    std::deque<Entry> entries_;
    std::unique_ptr<RecordSpill> spill_;
    bool spillFailed_ = false;
    int spillAbove_ = kDefaultSpillAbove;
    std::string bytes_;  // scratch for encoding
};

template <class Change>
void KnotTable::Update(int i, Change&& change) {
    Entry& entry = At(i);
    if (entry.live) {
        change(*entry.live);
        return;
    }
    KnotRecord record = Copy(i);
    const KnotRecord before = record;
    change(record);
    if (record == before) return;
    entry.live = std::make_unique<KnotRecord>(std::move(record));
    Park(i);
}

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
    // Held while a run stores a finished knot or writes the results files, and by a front end
    // that reads finished knots while the run goes on.
    mutable std::mutex KnotsMutex;

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
    // Whether every knot's certificates of its lower bound and of its Nakanishi bounds are built.
    // Only the JSON objects carry them (JSON Lines, the window's details, the Python module, and
    // shard files and the journal, from which JSON objects are written later); a front end that
    // makes none may turn them off and save their time. No bound depends on it.
    bool Certificates = true;
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
