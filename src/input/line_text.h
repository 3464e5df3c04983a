// Small text helpers of the readers of knot lines: trimming, and quoting a piece of a line in a
// message so that it stays short and printable.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// s without the blanks and tabs at either end.
inline std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The text in double quotes for a message: at most its first 20 characters, each byte outside
// printable ASCII shown as "?", and "..." after a longer text.
inline std::string Quoted(std::string_view text) {
    constexpr std::size_t kShown = 20;
    std::string shown;
    for (const char c : text.substr(0, kShown)) {
        const auto byte = static_cast<unsigned char>(c);
        shown += (byte >= 0x20 && byte < 0x7F) ? c : '?';
    }
    if (text.size() > kShown) shown += "...";
    return "\"" + shown + "\"";
}

// The bracket text "[[a,b],[c,d]]" of a matrix given by its rows, without blanks.
template <typename Entry>
std::string RowsText(const std::vector<std::vector<Entry>>& rows) {
    std::string text = "[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0) text += ',';
        text += '[';
        for (std::size_t j = 0; j < rows[i].size(); ++j) {
            if (j > 0) text += ',';
            text += std::to_string(rows[i][j]);
        }
        text += ']';
    }
    return text + "]";
}

}  // namespace corvane
