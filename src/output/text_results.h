// The text results file: a preamble explaining the notation, one header line and exactly one
// line per knot of the list (a result row for a computed knot, its knot-list line otherwise), so
// that the file is both the run's main product and a valid knot list to resume from.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "knot/knot_record.h"
#include "knot/run_settings.h"
#include "knot/run_state.h"
#include "output/file_writer.h"

namespace corvane {

// Name of the results file for an input file named `inputName` (no directory): the name itself
// when it contains "_output" anywhere (a results file given as input is rewritten in place);
// otherwise the name split at its last "." into stem and extension (dot included) gives
// stem + "_output" + extension, and a name without a dot gives name + "_output".
// knots.txt -> knots_output.txt, my.list.txt -> my.list_output.txt, list -> list_output.
std::string ResultsFileName(std::string_view inputName);

// The results file beside `inputFile`: its folder joined with ResultsFileName of its name.
std::filesystem::path ResultsFilePath(const std::filesystem::path& inputFile);

// The unknotting-number column of a row, from the lower bound L, the upper bound U (-1: none
// known) and the name of the obstruction that gave L, right-padded with blanks to 42 characters
// (never cut). By cases: U = L gives "  L"; U = -1 gives "> " and L-1; U = L+1, L+2 or L+3 give
// "  " and L..U separated by commas; any other pair gives nothing. A non-empty detectedBy then
// appends "  detected by " and the name.
std::string BoundText(int32_t lowerBound, int32_t upperBound, std::string_view detectedBy);

// The table header: "Name      ", then for each column the options print, in slot order, its
// heading ("| Algebraic unknotting number" padded to 44 first, when algebraicUnknotting is on),
// and always "| Seifert matrix" last. It always begins with "Name      |".
std::string HeaderLine(const RunSettings& settings);

// Whether the options print a result slot of the given two-letter code: each of al, dt, l2, ma,
// si, lt, nk, ge, bl, rm has its own option, h1 follows the generator option, and every other
// code (se, md, er, cd, ...) is always printed.
bool SlotPrinted(std::string_view code, const RunSettings& settings);

// The result row of a computed knot: its name padded to 10; "| " and BoundText when
// algebraicUnknotting is on; then for slots 1..20 in order, each non-empty slot that SlotPrinted
// allows adds "| " and the slot's text after its code (at most 300 characters). A slot keeps the
// width it was first given, so rows line up with the header unless a value outgrew its width.
std::string KnotRow(const KnotRecord& knot, const RunSettings& settings);

// The line knot takes in the table of the results file: storedLine if it was taken over from an
// earlier results file, else KnotRow if it is computed, else its knot-list line (a braid word as
// the name padded to 11 and the word, anything else its inputLine).
std::string KnotTableLine(const KnotRecord& knot, const RunSettings& settings);

// The whole text of the results file, each line ended by CR LF. With InputError set: the two
// lines "Error!" and the reader's message. Otherwise the preamble (its optional lines chosen by
// mahler, generator, blanchfield, computeMu and checkU3, with N = ltValueCount and
// M = mahlerValueCount), the header, then for knot i = 1..KnotCount(): storedLine if the knot
// was taken over from an earlier results file, else KnotRow if it is computed, else its
// inputLine (KnotTableLine). With computeAll on, the summary statistics block
// (SummaryStatisticsText) follows the last knot line.
std::string TextResultsContents(const RunState& state);

// The result rows (rows built in this run and rows taken over, not the knot-list lines of knots
// not yet computed) that IsProblemRow selects, in knot order: knots left between u_a = 1 and 2.
std::vector<std::string> ProblemRows(const RunState& state);

// Writes TextResultsContents(state) whole into ResultsFilePath(inputFile), replacing the
// previous file only once the new one is complete. Then, unless InputError is set, the input is
// named "problems.txt" or ProblemRows is empty (an earlier problems file then stays as it was),
// writes the header line and ProblemRows whole into ProblemsFilePath(inputFile). A failure names
// the file and the reason and leaves the previous file intact; the caller reports it and may
// simply try again later.
WriteStatus WriteTextResults(const RunState& state, const std::filesystem::path& inputFile);

}  // namespace corvane
