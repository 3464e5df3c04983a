// The LaTeX results document: a preamble that explains the notation and the columns, then the
// knots in tables of 44 computed rows per page, built from the LaTeX result slots. It is written
// beside the text results file every time that file is written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "knot/knot_record.h"
#include "knot/run_settings.h"
#include "knot/run_state.h"
#include "output/file_writer.h"

namespace corvane {

// Computed rows per table; a new page with a fresh table header follows them.
inline constexpr int LatexRowsPerPage = 44;

// Name of the LaTeX file for an input file named `inputName` (no directory): with stem the part
// before the last "." (the whole name without a dot), stem + ".tex" when the name contains
// "_output", otherwise stem + "_output.tex". knots.txt and knots_output.txt -> knots_output.tex.
std::string LatexResultsFileName(std::string_view inputName);

// The LaTeX file beside `inputFile`.
std::filesystem::path LatexResultsFilePath(const std::filesystem::path& inputFile);

// `text` made safe to typeset in text mode and in math mode alike: & % $ # { } _ become \& \%
// \$ \# \{ \} \_; ~ ^ \ < > become \text{\textasciitilde} and the like; a byte outside
// printable ASCII becomes \text{\textbackslash xHH} (so no input encoding is ever needed).
std::string LatexEscaped(std::string_view text);

// The name cell of a row: a name with "_" becomes "$" + before + "_{" + rest + "}$" (rest cut to
// 200 characters, so 10_132 reads $10_{132}$), each part escaped by LatexEscaped; a cell that
// would begin with "[" or "*" gets "{}" in front, since a row end "\\" reads those as its own
// arguments. The cell is right-padded with blanks to 14 and followed by " &".
std::string LatexNameCell(std::string_view name);

// The symbol of the obstruction that gave the lower bound: " L", " S", " $\sigma$", "W",
// "$\operatorname{W}_3$", " lk" for the named tests; " $\sigma_{max}$" for one Levine-Tristram
// position ("3/16"), " $\sigma_{max}-\sigma_{min}$" for two; " $mu$"; "$ A(\mathbb{F}_{p})$"
// for "A(F_p)"; nothing for an unknotting move; "$\operatorname{W}_n$" for "H_1(L_n)" and
// "Wendt on H_1(L_n)" (a degree of two digits or more in braces, W_{12}). Any other name is shown
// as itself, escaped.
std::string ObstructionSymbol(std::string_view detectedBy);

// The unknotting cell: L = U gives "  $L$", U = -1 gives "$> L-1$", U = L+1..L+3 give " $L,...,U$",
// any other pair nothing; then " " and ObstructionSymbol when that is not empty.
std::string LatexBoundCell(int32_t lowerBound, int32_t upperBound, std::string_view detectedBy);

// The cell of a LaTeX result slot, from its text after the code (at most 300 characters). A text
// "value detected by source" becomes one formula "$value\,source$" that keeps every number of
// the value, with "or" as \text{ or }, A(F_p) as A(\mathbb{F}_p) and a subscript of two or more
// digits in braces: "2 detected by H_1(L_2)" gives $2\,H_1(L_2)$, "2 or 3 detected by H_1(L_2)"
// $2\text{ or }3\,H_1(L_2)$, "> 1 detected by A(F_13)" $> 1\,A(\mathbb{F}_{13})$. Any other text
// is set in "$...$" unless the slot holds "or" ("1 or 2" stays text); a text holding
// "2 \,H_1(L_2)" or "2 \,H_1(L_3)" is shortened to "$2 \,L_2$" or "$2 \,L_3$", and in a text
// holding "A(" the first "F" becomes \mathbb{F}.
std::string LatexResultCell(std::string_view slot);

// The row of a computed knot: its name cell, the unknotting cell when algebraicUnknotting is on,
// then LatexResultCell of every LaTeX slot of code al, dt, l2, ma, si or nk in slot order; ends
// with " \\".
std::string LatexKnotRow(const KnotRecord& knot, const RunSettings& settings);

// The whole document, each line ended by CR LF. With InputError set: the lines "Error!" and the
// reader's message only. A knot taken over from an earlier results file shows its stored row as
// one typewriter cell across the table (a comment row stays a comment); it does not count
// toward the 44 rows of a page. Knots not yet computed are left out.
std::string LatexResultsContents(const RunState& state);

// Writes LatexResultsContents(state) whole into LatexResultsFilePath(inputFile); a failure
// names the file and the reason and leaves the previous file intact.
WriteStatus WriteLatexResults(const RunState& state, const std::filesystem::path& inputFile);

}  // namespace corvane
