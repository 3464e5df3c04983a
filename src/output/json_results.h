// The results as JSON Lines: one JSON object per knot of the list, in list order, for loading
// into data frames and databases. Every value is read from what the text table prints for the
// knot (its result slots, bounds and detections), so the two files always agree, whatever
// columns the table shows, and a merged or resumed run gives the same objects as a single run.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "knot/knot_record.h"
#include "knot/run_settings.h"
#include "knot/run_state.h"
#include "output/file_writer.h"

namespace corvane {

// Name of the JSON Lines file for an input file named `inputName` (no directory), beside the
// LaTeX file: the stem as LatexResultsFileName takes it with ".jsonl" in place of ".tex".
// knots.txt and knots_output.txt -> knots_output.jsonl.
std::string JsonResultsFileName(std::string_view inputName);

// The JSON Lines file beside `inputFile`.
std::filesystem::path JsonResultsFilePath(const std::filesystem::path& inputFile);

// The object of one knot as one line of JSON (no line end). A knot neither computed nor taken
// over is {"name", "input", "status": "pending"}. A computed knot has exactly the keys name,
// input, status, minimal_matrix, alexander, determinant, h1_double_cover, signature,
// levine_tristram, mahler, mu, unknotting, nakanishi, generator, blanchfield, presentation and
// errors, each null when its slot holds no value:
// - status: "too large" when the "cd" slot says so, "error" when the knot has an error text,
//   "done" otherwise;
// - alexander: the coefficients of the "al" slot, increasing powers from t^0; h1_double_cover:
//   the orders d of the summands Z/d of the "l2" slot ([] for the trivial group);
//   minimal_matrix: the rows of the "se" slot's matrix;
// - levine_tristram: {"values": ltValueCount, "min", "max"} from the "lt" slot: "a...b" gives
//   min a and max b; a single sample s is the extreme of largest absolute value, so it is the
//   minimum when s < 0 (max null), the maximum when s > 0 (min null), and both when s = 0;
// - mahler: the computed logarithmic Mahler measure when its text is the one printed, else the
//   printed number; mu: mu(K) when it was computed (the "md" slot and the obstruction
//   "mu(K) = n" print it only where it beats other bounds), else null;
// - unknotting: {"lower", "upper" (null for no upper bound), "detected_by": [name],
//   "codes": [the comma-separated detection codes]};
// - nakanishi: {"lower", "upper" (null when unbounded), "source" (the text after
//   "detected by", or null)} read from the "nk" slot;
// - generator, blanchfield, presentation: the texts of the "ge", "bl", "rm" slots;
// - errors: the texts of the "er" and "cd" slots.
// A row taken over from an earlier results file keeps only what the row states without knowing
// the columns of the run that wrote it: name (the text before its first "|"), input (the row),
// status "done", minimal_matrix from its last "[[...]]", every other key null and errors [].
std::string KnotJsonLine(const KnotRecord& knot, const RunSettings& settings);

// The object of KnotJsonLine before it is written, its keys in their order. An integer beyond 64
// bits is held as a string that JsonBigIntegerDigits reads; KnotJsonLine writes it as a number.
nlohmann::ordered_json KnotJson(const KnotRecord& knot, const RunSettings& settings);

// The decimal digits of an integer beyond 64 bits that KnotJson holds as a string; nothing for
// every other string.
std::optional<std::string_view> JsonBigIntegerDigits(std::string_view text);

// Whether the knot has a line in the JSON Lines: every knot but the comment rows taken over.
bool HasJsonObject(const KnotRecord& knot);

// One KnotJsonLine per knot in list order (comment rows taken over are not knots and give
// none), each ended by LF alone: JSON Lines readers split on "\n" and expect no CR. Empty when
// the reading failed (InputError): the text file carries that message.
std::string JsonResultsContents(const RunState& state);

// Writes JsonResultsContents(state) whole into JsonResultsFilePath(inputFile); a failure names
// the file and the reason and leaves the previous file intact.
WriteStatus WriteJsonResults(const RunState& state, const std::filesystem::path& inputFile);

}  // namespace corvane
