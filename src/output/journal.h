// The journal of a run: every knot whose results became final is appended, whole, to a file
// beside the results file the moment it finishes. A run that is killed or stopped leaves it
// behind; when its results file is resumed, the knots the journal holds are taken back whole, so
// that the resumed run writes the same text, LaTeX and JSON Lines files as a run that was never
// interrupted, and loses no knot finished after the last rewrite of the results files. A run
// that ends removes its journal.
//
// The file is a header line naming the run's settings, then one entry per knot: its length, a
// checksum, its position in the knot table and its encoded record (knot_store.h). An entry cut
// short by a kill, or damaged, ends the journal there.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>

#include "knot/knot_record.h"
#include "knot/run_state.h"

namespace corvane {

// knots.txt -> knots_output.journal: the results file's name with the extension ".journal".
std::filesystem::path JournalFilePath(const std::filesystem::path& inputFile);

class RunJournal {
  public:
    RunJournal() = default;
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;
    ~RunJournal();

    // Starts the journal of this run at `path`. With `resume` (the run's input is a results file)
    // and a journal there written with the same settings and seed, its knots are taken back
    // first: a knot at position p replaces knot p of the table when that is the row the journal's
    // knot prints (a row taken over) or the same list line still to be computed (not a line
    // marked for a redo, and a knot, not a line that is not); it is then computed, and the run
    // does not compute it again. The journal continues after its last whole entry. Otherwise a
    // new journal starts. Returns the number of knots taken back. A journal that cannot be
    // written is not kept, and the run goes on without it.
    int Open(const std::filesystem::path& path, RunState& state, bool resume);
    // Appends knot `position` (its results final) and passes it to the disk.
    void Append(int position, const KnotRecord& knot);
    // Removes the journal: the results files hold everything.
    void Remove();

  private:
    std::mutex mutex_;
    std::FILE* file_ = nullptr;
    std::filesystem::path path_;
    std::string bytes_;
};

}  // namespace corvane
