// The knot list reader: one knot per line, a name followed by a Seifert matrix ("3_1 [[-1,0],
// [-1,-1]]"), a braid word ("3_1 {1,1,1}") or a PD or DT code ("3_1 DT[4,6,2]"). Lines starting
// with "%" are comments; the first empty line ends the list.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <istream>
#include <string>
#include <string_view>

#include "arith/int_matrix.h"
#include "knot/knot_record.h"
#include "knot/run_state.h"

namespace corvane {

// What went wrong with an entry of a matrix text.
enum class EntryFault {
    none,
    notInteger,    // not an optional sign followed by decimal digits
    beyond64Bits,  // an integer, but outside the signed 64-bit range
};

// A matrix text as read: row i holds rowLength(i) entries in columns 1, 2, ... of `entries`.
struct ParsedMatrix {
    IntMatrix entries;
    int rowCount = 0;
    std::array<int, MaxSeifertDim> rowLengths{};
    // More than MaxSeifertDim rows, or entries in one row: reading stopped there.
    bool sizeError = false;
    // The first entry that is not a 64-bit integer, and its text: reading stopped there.
    EntryFault entryFault = EntryFault::none;
    std::string faultyEntry;
    // Digits after the place where reading ended: a last row cut off before its first ",", as in
    // "[[1,2],[3", which the matrix does not hold.
    bool digitsLeft = false;

    // Entries of row i, 1 <= i <= MaxSeifertDim; RangeError otherwise.
    int RowLength(int i) const;
};

// Reads a matrix text without blanks such as "[[-1,0],[-1,-1]]". Reading starts after the first
// two characters. A row is a list of entries separated by "," and ended by "]" or ")"; after a
// row one "," and then one "[" or "(" are skipped. The matrix ends where a row would begin with
// "]" or ")", or at the last character of the text. An entry is the text up to the next ",",
// "]" or ")" and must be a decimal integer with optional sign. Never reads outside the text.
ParsedMatrix ParseMatrixText(std::string_view text);

// Reads one line of a knot list, `lineNumber` being its position in the file (for messages).
// Does nothing while InputError is set, or for a line starting with "%". A line with "PD[" or
// "DT[" is a diagram, converted by DiagramLineToMatrixLine with at most MaxSeifertDim rows (its
// name is the text before the keyword); a code that cannot be converted, and a diagram whose
// matrix is empty, are skipped with a note saying why. Otherwise a line with "{" is first
// converted by BraidLineToMatrixLine. A line with "[[" whose matrix is square with
// 1..MaxSeifertDim rows becomes knot KnotCount() + 1; a line without "[[" or "{" is ignored
// without a message. A matrix that is not square (no row, rows of unequal length, r rows of
// c != r entries) and a braid that closes to the unknot's empty matrix are skipped with a note
// (RecordSkippedLine). A braid whose closure has several components becomes a knot all the
// same, with notKnotReason "not a knot: the braid closes to k components". Fatal errors set
// InputError through RecordInputError: a matrix larger than MaxSeifertDim (with its fixed
// message), an entry that is not an integer or does not fit in 32 bits, a
// braid line that cannot be converted.
void ParseKnotLine(RunState& state, std::string_view line, int lineNumber);


// Outcome of opening a knot list.
struct KnotListStatus {
    bool opened = false;
    std::string reason;  // why the file could not be opened, when not opened
};

// Reads the knot list in `path` into the knot table, replacing what it held (ResetForReading).
// Lines end in LF or CR LF; reading stops at the first empty line, the end of the file, or a
// fatal error (InputError). A file that cannot be opened leaves no knots and says why.
KnotListStatus ReadKnotList(RunState& state, const std::filesystem::path& path);

// The same reading from the bytes of a stream opened in binary mode.
void ReadKnotList(RunState& state, std::istream& in);

}  // namespace corvane
