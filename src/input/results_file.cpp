#include "input/results_file.h"

#include <cerrno>
#include <cstddef>
#include <fstream>
#include <string>
#include <system_error>

namespace corvane {

namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::string_view kHeaderStart = "Name      |";
constexpr std::string_view kResultsSuffix = "_output.txt";
// Without a "|" the name of a marked row is taken from its first characters: the writer pads
// names to 10 before the first "|", so 8 characters after the "*" hold a short name.
constexpr std::size_t kShortNamePart = 9;

bool IsRow(std::string_view line) {
    return line.find('|') != npos || line.find("mod") != npos || line.starts_with('%');
}

void StripOneCarriageReturn(std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

// `line` from `open` through the first `close` after it (to the end if there is none).
std::string_view Span(std::string_view line, std::size_t open, std::string_view close) {
    if (open == npos) return {};
    const std::size_t end = line.find(close, open);
    return end == npos ? line.substr(open) : line.substr(open, end + close.size() - open);
}

// The knot line a marked row stands for: its name part followed by its Seifert matrix, or by its
// braid word when it has no matrix. The matrix column comes after every column that might itself
// hold brackets, so the last "[[" of the row opens it.
std::string RedoLine(std::string_view row) {
    const std::size_t bar = row.find('|');
    std::string_view name = bar == npos ? row.substr(0, kShortNamePart) : row.substr(0, bar);
    if (name.starts_with('*')) name.remove_prefix(1);
    const std::string_view matrix = Span(row, row.rfind("[["), "]]");
    const std::string_view braid = matrix.empty() ? Span(row, row.find('{'), "}") : "";
    std::string line(name);
    line += ' ';
    line += matrix;
    line += braid;
    return line;
}

// Appends the row as a knot taken over from the earlier run; false after a fatal error.
bool TakeOver(RunState& state, std::string_view row, int /*lineNumber*/) {
    KnotRecord& knot = state.Knots.Append();
    knot.storedLine = std::string(row);
    knot.takenOver = !knot.storedLine.empty();
    return true;
}

void ReadTableLine(RunState& state, std::string_view line, int lineNumber) {
    if (IsRow(line) && !line.starts_with('*')) {
        TakeOver(state, line, lineNumber);
        return;
    }
    if (IsRow(line)) {
        const int before = state.KnotCount();
        const std::size_t notes = state.LineNotes.size();
        ParseKnotLine(state, RedoLine(line), lineNumber);
        // The row's results seed the redo's random choices, so that it explores others than the
        // run that wrote the row.
        if (state.KnotCount() > before) state.Knots(state.KnotCount()).redoneRow = line;
        if (state.KnotCount() == before && !state.InputError) {
            // The marked row names no knot that can be read again: it is kept as it stands, so
            // nothing is skipped.
            state.LineNotes.resize(notes);
            TakeOver(state, line, lineNumber);
        }
        return;
    }
    if (line.starts_with('+')) return;
    if (line.starts_with('*')) line.remove_prefix(1);
    ParseKnotLine(state, line, lineNumber);
}

// The table of a results file: the lines after its header up to the first empty line, the end
// of the stream or a fatal error.
void ReadResultsFileLines(RunState& state, std::istream& in) {
    std::string line;
    int lineNumber = 0;
    bool header = false;
    while (!header && std::getline(in, line)) {
        ++lineNumber;
        StripOneCarriageReturn(line);
        if (line.empty()) return;
        header = line.starts_with(kHeaderStart);
    }
    while (!state.InputError && std::getline(in, line)) {
        ++lineNumber;
        StripOneCarriageReturn(line);
        if (line.empty()) break;
        ReadTableLine(state, line, lineNumber);
    }
}

}  // namespace

bool IsResultsFileName(std::string_view fileName) {
    return fileName.ends_with(kResultsSuffix);
}

KnotListStatus ReadResultsFile(RunState& state, const std::filesystem::path& path) {
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
    ReadResultsFileLines(state, in);
    return {true, {}};
}

void ReadResultsFile(RunState& state, std::istream& in) {
    ResetForReading(state);
    ReadResultsFileLines(state, in);
}

KnotListStatus ReadInput(RunState& state, const std::filesystem::path& path) {
    if (IsResultsFileName(path.filename().string())) return ReadResultsFile(state, path);
    return ReadKnotList(state, path);
}

}  // namespace corvane
