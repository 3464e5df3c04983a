#include "input/knot_list.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <fstream>
#include <limits>
#include <string>
#include <system_error>
#include <utility>

#include "arith/errors.h"
#include "input/braid_line.h"
#include "input/diagram.h"
#include "knot/padding.h"

namespace corvane {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Characters that end an entry, and those that end a row.
constexpr std::string_view kEntryEnds = ",])";
bool IsRowEnd(char c) {
    return c == ']' || c == ')';
}

// Longest piece of offending input quoted in a message.
constexpr std::size_t kQuotedLimit = 40;

// The offending text as a message may show it: cut to kQuotedLimit bytes, bytes outside
// printable ASCII (NUL among them) written as \xNN.
std::string Printable(std::string_view text) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    std::string shown;
    for (const char c : text.substr(0, kQuotedLimit)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            shown += c;
            continue;
        }
        shown += "\\x";
        shown += kHex[byte >> 4];
        shown += kHex[byte & 0xF];
    }
    if (text.size() > kQuotedLimit) shown += "...";
    return shown;
}

std::string LinePrefix(int lineNumber) {
    return "Line " + std::to_string(lineNumber) + ": ";
}

std::string SizeMessage() {
    return "Seifert matrices are too large, the maximal allowed size is " +
           std::to_string(MaxSeifertDim) + ".";
}

std::string NotInt32Message(int lineNumber, std::string_view entry) {
    return LinePrefix(lineNumber) + "entry " + Printable(entry) + " does not fit in 32 bits.";
}

std::string EntryMessage(int lineNumber, const ParsedMatrix& parsed) {
    if (parsed.entryFault == EntryFault::beyond64Bits) {
        return NotInt32Message(lineNumber, parsed.faultyEntry);
    }
    return LinePrefix(lineNumber) + "entry \"" + Printable(parsed.faultyEntry) +
           "\" is not an integer.";
}

// A decimal integer with optional sign, as a 64-bit string-to-integer conversion accepts it.
EntryFault ConvertEntry(std::string_view entry, int64_t& value) {
    const bool hasSign = !entry.empty() && (entry.front() == '+' || entry.front() == '-');
    const std::string_view digits = entry.substr(hasSign ? 1 : 0);
    if (digits.empty()) return EntryFault::notInteger;
    for (const char c : digits) {
        if (c < '0' || c > '9') return EntryFault::notInteger;
    }
    // from_chars takes a leading "-" but no "+".
    const std::string_view number = entry.front() == '+' ? digits : entry;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) return EntryFault::beyond64Bits;
    return end == number.data() + number.size() ? EntryFault::none : EntryFault::notInteger;
}

// Reads the entries of row `row` starting at `pos`; leaves `pos` at the row end (or where reading
// stopped). Returns false when reading of the whole matrix must stop (size error or bad entry).
bool ReadRow(std::string_view text, std::size_t& pos, int row, ParsedMatrix& parsed) {
    int count = 0;
    // Entries stop at a row end or at the last character of the text.
    while (pos + 1 < text.size() && !IsRowEnd(text[pos])) {
        if (text[pos] == ',') ++pos;
        std::size_t end = text.find_first_of(kEntryEnds, pos);
        if (end == npos) end = text.size();
        const std::string_view entry = text.substr(pos, end - pos);
        pos = end;
        ++count;
        if (count > MaxSeifertDim) {
            parsed.sizeError = true;
            return false;
        }
        int64_t value = 0;
        parsed.entryFault = ConvertEntry(entry, value);
        if (parsed.entryFault != EntryFault::none) {
            parsed.faultyEntry = std::string(entry);
            return false;
        }
        parsed.entries(row, count) = value;
    }
    parsed.rowLengths[static_cast<std::size_t>(row - 1)] = count;
    return true;
}

// Why the parsed matrix is not a square matrix of at least one row; empty when it is one.
std::string NotSquareReason(const ParsedMatrix& parsed) {
    const int n = parsed.rowCount;
    bool equal = !parsed.digitsLeft;
    for (int i = 2; i <= n; ++i) equal = equal && parsed.RowLength(i) == parsed.RowLength(1);
    if (n >= 1 && equal && parsed.RowLength(1) == n) return {};
    if (n < 1) return "no row";
    if (!equal) return "rows of unequal length";
    return "not square: " + std::to_string(n) + (n == 1 ? " row of " : " rows of ") +
           std::to_string(parsed.RowLength(1)) + " entries";
}

std::string WithoutBlanks(std::string_view text) {
    std::string kept;
    kept.reserve(text.size());
    for (const char c : text) {
        if (c != ' ') kept += c;
    }
    return kept;
}

// "[[[1,2],[3,4]]" -> "[[1,2],[3,4]]": extra opening brackets are accepted. Counting them first
// keeps a line of a million brackets linear.
void DropExtraOpeningBrackets(std::string& text) {
    const std::size_t brackets = std::min(text.find_first_not_of('['), text.size());
    if (brackets > 2) text.erase(0, brackets - 2);
}

// Trailing blanks and tabs, then leading blanks, are removed while more than one character is
// left; the name ends before its first "|".
std::string KnotName(std::string_view part) {
    while (part.size() > 1 && (part.back() == ' ' || part.back() == '\t')) part.remove_suffix(1);
    while (part.size() > 1 && part.front() == ' ') part.remove_prefix(1);
    return std::string(part.substr(0, part.find('|')));
}

// Narrows the parsed entries to the stored 32-bit form; on an entry that does not fit, records
// the error and returns false.
bool NarrowMatrix(RunState& state, const ParsedMatrix& parsed, int lineNumber, SeifertMatrix& v) {
    constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    for (int i = 1; i <= v.Size(); ++i) {
        for (int j = 1; j <= v.Size(); ++j) {
            const int64_t value = parsed.entries(i, j);
            if (value < kMin || value > kMax) {
                RecordInputError(state, lineNumber,
                                 NotInt32Message(lineNumber, std::to_string(value)));
                return false;
            }
            v.Set(i, j, static_cast<int32_t>(value));
        }
    }
    return true;
}

// A braid line whose closure is a split link with an empty Seifert matrix: a knot of size 0 that
// the run reports instead of computing. Its input line keeps the braid word, so that a resumed
// run reads it again as it was given.
void AppendNotKnot(RunState& state, std::string_view namePart, std::string_view braidWord,
                   int lineNumber, std::string reason) {
    KnotRecord& knot = state.Knots.Append();
    knot.name = KnotName(namePart);
    knot.inputLine = PadRight(knot.name, 11) + WithoutBlanks(braidWord);
    knot.lineNumber = lineNumber;
    knot.notKnotReason = std::move(reason);
    knot.nakanishiLower = 0;
    knot.nakanishiUpper = -1;
}

// The code of a diagram line as written, from its keyword to the bracket that closes the code
// (to the end of the line when none does), every run of blanks and tabs made one blank (a DT code
// may separate its entries by blanks alone): what the knot's input line keeps.
std::string DiagramCode(std::string_view line) {
    const std::size_t keyword = DiagramKeyword(line);
    int depth = 0;
    std::size_t end = line.size();
    for (std::size_t at = keyword + 2; at < line.size(); ++at) {
        if (line[at] == '[') ++depth;
        if (line[at] == ']' && --depth == 0) {
            end = at + 1;
            break;
        }
    }
    std::string code;
    for (const char c : line.substr(keyword, end - keyword)) {
        const bool blank = c == ' ' || c == '\t';
        if (blank && (code.empty() || code.back() == ' ')) continue;
        code += blank ? ' ' : c;
    }
    return code;
}

// A diagram whose Seifert surface is a disc: the unknot, a knot with the empty Seifert matrix.
void AppendUnknotDiagram(RunState& state, std::string_view line, int lineNumber) {
    KnotRecord& knot = state.Knots.Append();
    knot.name = KnotName(line.substr(0, DiagramKeyword(line)));
    knot.seifert = SeifertMatrix(0);
    knot.size = 0;
    knot.inputLine = PadRight(knot.name, 11) + DiagramCode(line);
    knot.lineNumber = lineNumber;
    knot.nakanishiLower = 0;
    knot.nakanishiUpper = -1;
}

void StripOneCarriageReturn(std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

// The lines of a knot list, from the first up to the first empty line, the end of the stream or
// a fatal error.
void ReadKnotListLines(RunState& state, std::istream& in) {
    std::string line;
    int lineNumber = 0;
    while (!state.InputError && std::getline(in, line)) {
        ++lineNumber;
        StripOneCarriageReturn(line);
        if (line.empty()) break;
        ParseKnotLine(state, line, lineNumber);
    }
}

}  // namespace

int ParsedMatrix::RowLength(int i) const {
    if (i < 1 || i > MaxSeifertDim) throw RangeError("ParsedMatrix row");
    return rowLengths[static_cast<std::size_t>(i - 1)];
}

ParsedMatrix ParseMatrixText(std::string_view text) {
    ParsedMatrix parsed;
    std::size_t pos = 2;
    // A row begins unless the position is at a row end or at (or beyond) the last character.
    while (pos + 1 < text.size() && !IsRowEnd(text[pos])) {
        ++parsed.rowCount;
        if (parsed.rowCount > MaxSeifertDim) {
            parsed.sizeError = true;
            return parsed;
        }
        if (!ReadRow(text, pos, parsed.rowCount, parsed)) return parsed;
        pos = std::min(pos + 1, text.size());
        if (pos < text.size() && text[pos] == ',') ++pos;
        if (pos < text.size() && (text[pos] == '[' || text[pos] == '(')) ++pos;
    }
    parsed.digitsLeft = text.find_first_of("0123456789", pos) != npos;
    return parsed;
}

void ParseKnotLine(RunState& state, std::string_view line, int lineNumber) {
    if (state.InputError || line.starts_with('%')) return;
    std::string converted;
    std::string notKnot;
    std::string_view braidWord;
    std::string_view braidName;
    std::string diagramCode;
    if (DiagramKeyword(line) != npos) {
        // A PD or DT code: its Seifert matrix, reduced below the size limit where it is larger.
        DiagramConversion diagram = DiagramLineToMatrixLine(line, MaxSeifertDim);
        if (!diagram.ok) {
            RecordSkippedLine(state, lineNumber, diagram.error);
            return;
        }
        if (diagram.rows == 0) {
            AppendUnknotDiagram(state, line, lineNumber);
            return;
        }
        diagramCode = DiagramCode(line);
        converted = std::move(diagram.matrixLine);
        line = converted;
    } else if (const std::size_t brace = line.find('{'); brace != npos) {
        BraidConversion braid = BraidLineToMatrixLine(line);
        if (!braid.ok) {
            RecordInputError(state, lineNumber, LinePrefix(lineNumber) + braid.error);
            return;
        }
        if (braid.components > 1) {
            notKnot = "not a knot: the braid closes to " + std::to_string(braid.components) +
                      " components";
        }
        braidName = line.substr(0, brace);
        braidWord = line.substr(brace, line.find('}', brace) + 1 - brace);
        converted = std::move(braid.matrixLine);
        line = converted;
    }
    const std::size_t open = line.find("[[");
    if (open == npos && !braidWord.empty()) {
        // A braid without two crossings in one column: a disk's boundary when it closes to one
        // component, a split link (a row that says so) otherwise.
        if (notKnot.empty()) {
            RecordSkippedLine(state, lineNumber,
                              "empty Seifert matrix: the braid closes to the unknot");
            return;
        }
        AppendNotKnot(state, braidName, braidWord, lineNumber, notKnot);
        return;
    }
    if (open == npos) return;
    const std::size_t close = line.find("]]", open + 2);
    const std::size_t matrixEnd = close == npos ? line.size() : close + 2;
    std::string matrixText = WithoutBlanks(line.substr(open, matrixEnd - open));
    DropExtraOpeningBrackets(matrixText);

    const ParsedMatrix parsed = ParseMatrixText(matrixText);
    if (parsed.sizeError) {
        RecordInputError(state, lineNumber, SizeMessage());
        return;
    }
    if (parsed.entryFault != EntryFault::none) {
        RecordInputError(state, lineNumber, EntryMessage(lineNumber, parsed));
        return;
    }
    if (const std::string reason = NotSquareReason(parsed); !reason.empty()) {
        RecordSkippedLine(state, lineNumber, reason);
        return;
    }
    SeifertMatrix v(parsed.rowCount);
    if (!NarrowMatrix(state, parsed, lineNumber, v)) return;

    KnotRecord& knot = state.Knots.Append();
    knot.name = KnotName(line.substr(0, open));
    knot.size = v.Size();
    knot.seifert = std::move(v);
    // A diagram keeps its code, which the run reads again when it resumes; a braid word and a
    // matrix keep the matrix.
    knot.inputLine = PadRight(knot.name, 11) + (diagramCode.empty() ? matrixText : diagramCode);
    knot.crossingCode = diagramCode.empty() ? WithoutBlanks(braidWord) : diagramCode;
    knot.lineNumber = lineNumber;
    knot.notKnotReason = std::move(notKnot);
    knot.nakanishiLower = 0;
    knot.nakanishiUpper = -1;
}

KnotListStatus ReadKnotList(RunState& state, const std::filesystem::path& path) {
    ResetForReading(state);
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return {false, "it is a directory"};
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int error = errno;
        if (error == 0) return {false, "it cannot be opened"};
        return {false, std::error_code(error, std::generic_category()).message()};
    }
    ReadKnotListLines(state, in);
    return {true, {}};
}

void ReadKnotList(RunState& state, std::istream& in) {
    ResetForReading(state);
    ReadKnotListLines(state, in);
}

}  // namespace corvane
