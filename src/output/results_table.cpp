#include "output/results_table.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "output/json_results.h"
#include "output/text_results.h"

namespace corvane {

namespace {

std::string Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace

std::vector<std::string> TableCells(std::string_view line) {
    std::vector<std::string> cells;
    while (true) {
        const std::size_t bar = line.find('|');
        cells.push_back(Trimmed(line.substr(0, bar)));
        if (bar == std::string_view::npos) return cells;
        line.remove_prefix(bar + 1);
    }
}

std::vector<std::string> TableHeadings(const RunSettings& settings) {
    return TableCells(HeaderLine(settings));
}

std::vector<std::string> KnotCells(const KnotRecord& knot, const RunSettings& settings) {
    return TableCells(KnotTableLine(knot, settings));
}

namespace {

// The knot's JSON Lines object: the one made when it finished, or made now.
nlohmann::json JsonObject(const KnotRecord& knot, const RunSettings& settings) {
    const std::string line = knot.jsonLine.empty() ? KnotJsonLine(knot, settings) : knot.jsonLine;
    return nlohmann::json::parse(line, nullptr, false);
}

// The rows of a JSON matrix into v; false unless it is a square matrix of at most
// MaxSeifertDim rows of integers.
bool MatrixFromJson(const nlohmann::json& rows, IntMatrix& v, int& n) {
    if (!rows.is_array() || rows.size() > static_cast<std::size_t>(MaxSeifertDim)) return false;
    const int size = static_cast<int>(rows.size());
    IntMatrix m;
    for (int i = 1; i <= size; ++i) {
        const nlohmann::json& row = rows[static_cast<std::size_t>(i - 1)];
        if (!row.is_array() || row.size() != rows.size()) return false;
        for (int j = 1; j <= size; ++j) {
            const nlohmann::json& entry = row[static_cast<std::size_t>(j - 1)];
            if (!entry.is_number_integer()) return false;
            m(i, j) = entry.get<int64_t>();
        }
    }
    v = m;
    n = size;
    return true;
}

}  // namespace

bool KnotMinimalMatrix(const KnotRecord& knot, const RunSettings& settings, IntMatrix& v, int& n) {
    if (knot.computed || knot.takenOver) {
        const nlohmann::json object = JsonObject(knot, settings);
        if (object.is_object() && object.contains("minimal_matrix") &&
            MatrixFromJson(object["minimal_matrix"], v, n)) {
            return true;
        }
    }
    if (knot.seifert.Size() == 0 && (knot.computed || knot.takenOver)) return false;
    v = WorkingForm(knot.seifert);
    n = knot.seifert.Size();
    return true;
}

std::string KnotDetailsText(const KnotRecord& knot, const RunSettings& settings) {
    std::string text =
        "Knot " + knot.name + " (line " + std::to_string(knot.lineNumber) + " of the list)\n\n";
    const std::vector<std::string> headings = TableHeadings(settings);
    const std::vector<std::string> cells = KnotCells(knot, settings);
    for (std::size_t c = 0; c < cells.size(); ++c) {
        text += (c < headings.size() ? headings[c] : std::string("More")) + ": " + cells[c] + "\n";
    }
    const nlohmann::json object = JsonObject(knot, settings);
    text += "\nAll results and certificates (JSON Lines object):\n";
    text += (object.is_discarded() ? std::string("(none)") : object.dump(2)) + "\n";
    text += "\nMinimal Seifert matrix:\n";
    IntMatrix v;
    int n = 0;
    if (!KnotMinimalMatrix(knot, settings, v, n)) return text + "(not known)\n";
    if (n == 0) return text + "(empty: the Alexander polynomial is 1)\n";
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            char entry[32];
            std::snprintf(entry, sizeof entry, "%4lld", static_cast<long long>(v(i, j)));
            text += entry;
        }
        text += "\n";
    }
    return text;
}

}  // namespace corvane
