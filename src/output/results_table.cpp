#include "output/results_table.h"

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

}  // namespace corvane
