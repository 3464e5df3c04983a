#include "input/braid_line.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "input/line_text.h"

namespace corvane {

namespace {

// A basis loop of the braid's Seifert surface: consecutive crossings a < b (0-based positions)
// of one column. The loop runs down one band, along the disk of the lower strand, up the next
// band and back along the disk of the upper strand.
struct Loop {
    std::size_t a;
    std::size_t b;
};

// A letter as a signed column: a decimal integer, optional sign, not zero, within 32 bits (so
// that its absolute value and column differences stay exact).
bool ReadLetter(std::string_view text, int64_t& letter) {
    const std::string_view t = TrimBlanks(text);
    const std::string_view number = t.starts_with('+') ? t.substr(1) : t;
    if (number.empty() || number.starts_with('+')) return false;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), letter);
    if (error != std::errc() || end != number.data() + number.size()) return false;
    constexpr int64_t kLimit = std::numeric_limits<int32_t>::max();
    return letter != 0 && letter >= -kLimit && letter <= kLimit;
}

int64_t Column(int64_t letter) {
    return letter < 0 ? -letter : letter;
}

// Pairs of consecutive crossings of one column, in increasing order of the first crossing.
std::vector<Loop> BasisLoops(const std::vector<int64_t>& w) {
    std::vector<Loop> loops;
    for (std::size_t a = 0; a < w.size(); ++a) {
        for (std::size_t b = a + 1; b < w.size(); ++b) {
            if (Column(w[b]) != Column(w[a])) continue;
            loops.push_back({a, b});
            break;
        }
    }
    return loops;
}

// The linking numbers of the loops with the push-offs of one another, as described in the
// header: self-linking from the signs of the two bands, neighbours through a shared band or
// through interleaved bands of adjacent columns.
std::vector<std::vector<int>> SeifertEntries(const std::vector<int64_t>& w,
                                             const std::vector<Loop>& loops) {
    const std::size_t g = loops.size();
    std::vector<std::vector<int>> s(g, std::vector<int>(g, 0));
    for (std::size_t k = 0; k < g; ++k) {
        const bool firstPositive = w[loops[k].a] > 0;
        const bool secondPositive = w[loops[k].b] > 0;
        if (firstPositive == secondPositive) s[k][k] = firstPositive ? -1 : 1;
    }
    for (std::size_t k = 0; k < g; ++k) {
        const auto [a, b] = loops[k];
        for (std::size_t l = k + 1; l < g; ++l) {
            const auto [c, d] = loops[l];
            if (b > d || b < c) continue;  // nested or disjoint
            if (c == b) {
                if (w[b] > 0) {
                    s[l][k] = 1;
                } else {
                    s[k][l] = -1;
                }
                continue;
            }
            const int64_t step = Column(w[c]) - Column(w[a]);
            if (step == 1) s[k][l] = 1;
            if (step == -1) s[l][k] = -1;
        }
    }
    return s;
}

BraidConversion Refused(std::string reason) {
    return BraidConversion{false, {}, std::move(reason)};
}

}  // namespace

int BraidClosureComponents(const std::vector<int64_t>& word) {
    if (word.empty()) return 1;
    // Strands touched by a crossing, in increasing order; each crossing swaps two neighbours.
    std::vector<int64_t> strands;
    for (const int64_t letter : word) {
        strands.push_back(Column(letter));
        strands.push_back(Column(letter) + 1);
    }
    std::sort(strands.begin(), strands.end());
    strands.erase(std::unique(strands.begin(), strands.end()), strands.end());
    const auto index = [&](int64_t strand) {
        return static_cast<std::size_t>(std::lower_bound(strands.begin(), strands.end(), strand) -
                                        strands.begin());
    };
    // position[s]: where the strand that starts at place s is after the crossings so far.
    std::vector<std::size_t> permutation(strands.size());
    for (std::size_t s = 0; s < strands.size(); ++s) permutation[s] = s;
    std::vector<std::size_t> strandAt = permutation;  // inverse: which strand is at each place
    for (const int64_t letter : word) {
        const std::size_t left = index(Column(letter));
        const std::size_t right = index(Column(letter) + 1);
        std::swap(strandAt[left], strandAt[right]);
    }
    for (std::size_t place = 0; place < strands.size(); ++place)
        permutation[strandAt[place]] = place;
    int cycles = 0;
    std::vector<bool> seen(strands.size(), false);
    for (std::size_t s = 0; s < strands.size(); ++s) {
        if (seen[s]) continue;
        ++cycles;
        for (std::size_t t = s; !seen[t]; t = permutation[t]) seen[t] = true;
    }
    // Untouched strands between the lowest and the highest one are components of their own.
    const int64_t span = strands.back() - strands.front() + 1;
    return cycles + static_cast<int>(std::min<int64_t>(span - static_cast<int64_t>(strands.size()),
                                                       int64_t{1} << 30));
}

bool BraidWord(std::string_view line, std::vector<int64_t>& letters, std::string& error) {
    letters.clear();
    const std::size_t open = line.find('{');
    if (open == std::string_view::npos) {
        error = "no braid word (no \"{\").";
        return false;
    }
    const std::size_t close = line.find('}', open + 1);
    if (close == std::string_view::npos) {
        error = "braid word without closing \"}\".";
        return false;
    }
    std::string_view word = line.substr(open + 1, close - open - 1);
    while (true) {
        const std::size_t comma = word.find(',');
        const std::string_view text = word.substr(0, comma);
        if (static_cast<int>(letters.size()) == MaxBraidLetters) {
            error = "braid word longer than " + std::to_string(MaxBraidLetters) + " letters.";
            return false;
        }
        int64_t letter = 0;
        if (!ReadLetter(text, letter)) {
            error = "braid letter " + Quoted(text) + " is not a non-zero integer.";
            return false;
        }
        letters.push_back(letter);
        if (comma == std::string_view::npos) return true;
        word.remove_prefix(comma + 1);
    }
}

BraidConversion BraidToMatrixText(std::string_view line) {
    std::vector<int64_t> letters;
    std::string error;
    if (!BraidWord(line, letters, error)) return Refused(error);
    const std::vector<Loop> loops = BasisLoops(letters);
    return BraidConversion{
        true, RowsText(SeifertEntries(letters, loops)), {}, BraidClosureComponents(letters)};
}

BraidConversion BraidLineToMatrixLine(std::string_view line) {
    BraidConversion converted = BraidToMatrixText(line);
    if (!converted.ok) return converted;
    converted.matrixLine.insert(0, line.substr(0, line.find('{')));
    return converted;
}

}  // namespace corvane
