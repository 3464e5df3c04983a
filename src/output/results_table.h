// The table of the results file as headings and cells, for a front end that shows the results
// as a table: the same lines the text results file holds, cut at their column bars, so that what
// is shown and what is written cannot differ.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "arith/int_matrix.h"
#include "knot/knot_record.h"
#include "knot/run_settings.h"

namespace corvane {

// The cells of a line of the table: the text between consecutive "|" (and before the first and
// after the last), blanks at both ends removed. "3_1       |   1 | t^2-t+1" gives "3_1", "1",
// "t^2-t+1"; a line without "|" is one cell.
std::vector<std::string> TableCells(std::string_view line);

// The headings of the columns the options print: TableCells of HeaderLine, "Name" first and
// "Seifert matrix" last.
std::vector<std::string> TableHeadings(const RunSettings& settings);

// The cells of knot's line in the results file: TableCells of KnotTableLine.
std::vector<std::string> KnotCells(const KnotRecord& knot, const RunSettings& settings);

// The minimal Seifert matrix of a knot: the "minimal_matrix" of its JSON Lines object (the
// results file's matrix column), else, for a knot with no results yet, its matrix as read (which
// is S-equivalent to it). v gets the n × n block, the rest zero; false when neither is known.
bool KnotMinimalMatrix(const KnotRecord& knot, const RunSettings& settings, IntMatrix& v, int& n);

// A knot's full results as text: "Knot NAME (line L of the list)", then "heading: cell" for every
// cell of its row ("More" for cells beyond the headings), then its JSON Lines object indented
// (every result whatever the columns, and the certificates of its bounds under "unknotting"),
// then "Minimal Seifert matrix:" and its rows, each entry right-aligned in 4 characters.
std::string KnotDetailsText(const KnotRecord& knot, const RunSettings& settings);

}  // namespace corvane
