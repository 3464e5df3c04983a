// Resuming a run from its text results file: rows that hold results are taken over verbatim and
// not computed again, while rows marked with "*", knot-list lines of knots not yet computed and
// knot lines the user added are read as knots and computed.
#pragma once

#include <filesystem>
#include <istream>
#include <string_view>

#include "knot/run_state.h"
#include "input/knot_list.h"

namespace corvane {

// Whether a file of this name (no directory) is a results file to resume from: the name ends in
// "_output.txt".
bool IsResultsFileName(std::string_view fileName);

// Reads the results file in `path` into the knot table, replacing what it held. Lines before the
// table header (the first line starting with "Name      |") are skipped; an empty line or the end
// of the file before it gives no knots. Then, up to the first empty line (where the statistics
// block begins), the end of the file or a fatal reading error, each line takes the next position:
// - a row (contains "|" or "mod", or starts with "%") is taken over: takenOver, storedLine = the
//   line verbatim; comment rows so keep their place in the table;
// - a row starting with "*" is read again as a knot from its name (the text before its first
//   "|", less the "*") and its Seifert matrix (its last "[[" through the next "]]"), or from a
//   braid word "{...}" when it has no matrix; a marked row that holds neither is kept verbatim,
//   so that nothing is lost;
// - a line starting with "+" that is not a row is skipped without taking a position;
// - any other line is a knot line for ParseKnotLine (a leading "*" removed).
// Fatal errors are those of ParseKnotLine; a file of any number of rows is read.
KnotListStatus ReadResultsFile(RunState& state, const std::filesystem::path& path);

// The same reading from the bytes of a stream opened in binary mode.
void ReadResultsFile(RunState& state, std::istream& in);

// The reading step of a run: ReadResultsFile when IsResultsFileName of the file's name, otherwise
// ReadKnotList.
KnotListStatus ReadInput(RunState& state, const std::filesystem::path& path);

}  // namespace corvane
