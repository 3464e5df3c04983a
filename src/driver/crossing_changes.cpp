#include "driver/crossing_changes.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>

#include "arith/checked.h"
#include "arith/errors.h"
#include "arith/sequivalence.h"
#include "input/braid_line.h"
#include "input/knot_list.h"

namespace corvane {

namespace {

// How often the search looks at Stop and Skip, in sets tried.
constexpr int64_t kPollEvery = 64;

// The crossings of the code the knot was read from; empty when there are none to change.
std::vector<PdCrossing> CodeCrossings(const std::string& code) {
    std::vector<PdCrossing> pd;
    std::string error;
    if (code.starts_with('{')) {
        std::vector<int64_t> word;
        if (BraidWord(code, word, error)) pd = BraidClosurePd(word);
        return pd;
    }
    if (!DiagramCrossings(code, pd, error)) pd.clear();
    return pd;
}

// The next k-subset of 0..n-1 in lexicographic order; false after the last one.
bool NextSubset(std::vector<int>& s, int n) {
    const int k = static_cast<int>(s.size());
    int i = k - 1;
    while (i >= 0 && s[static_cast<std::size_t>(i)] == n - k + i) --i;
    if (i < 0) return false;
    ++s[static_cast<std::size_t>(i)];
    for (int j = i + 1; j < k; ++j)
        s[static_cast<std::size_t>(j)] = s[static_cast<std::size_t>(j - 1)] + 1;
    return true;
}

std::string Certificate(const std::vector<PdCrossing>& pd, const std::vector<int>& changed) {
    using json = nlohmann::ordered_json;
    json diagram = json::array();
    for (const PdCrossing& x : pd) diagram.push_back({x[0], x[1], x[2], x[3]});
    json indices = json::array();
    for (const int c : changed) indices.push_back(c + 1);
    return json{{"method", "crossing changes"}, {"diagram", diagram}, {"changed", indices}}.dump();
}

}  // namespace

int64_t CrossingChangeBudget(int32_t effort) {
    switch (effort) {
        case 0:
            return 2000;
        case 1:
            return 20000;
        case 2:
            return 100000;
        default:
            return 400000;
    }
}

std::optional<bool> ChangesUnknotAlgebraically(const std::vector<PdCrossing>& pd,
                                               const std::vector<int>& changed) {
    std::vector<PdCrossing> changedPd = pd;
    const int n = static_cast<int>(pd.size());
    for (const int c : changed) {
        changedPd[static_cast<std::size_t>(c)] =
            ChangedCrossing(pd[static_cast<std::size_t>(c)], n);
    }
    const DiagramConversion converted = PdToMatrixText(changedPd);
    if (!converted.ok) return std::nullopt;
    if (converted.matrixLine == "[]") return true;
    const ParsedMatrix parsed = ParseMatrixText(converted.matrixLine);
    if (parsed.sizeError || parsed.entryFault != EntryFault::none) return std::nullopt;
    try {
        const SEquivalenceResult reduced = MinimalSEquivalent(parsed.entries, parsed.rowCount);
        const bool trouble = ArithTrouble;
        ClearTrouble();
        if (trouble) return std::nullopt;
        return reduced.ReducedSize == 0;
    } catch (const CalculationError&) {
        ClearTrouble();
        return std::nullopt;
    }
}

void CrossingChangeStep(KnotContext& ctx) {
    KnotState& state = ctx.state;
    KnotRecord& knot = state.record;
    if (knot.crossingCode.empty() || state.WorkingSize <= 0) return;
    if (knot.upperBound != -1 && knot.upperBound <= knot.lowerBound) return;
    const std::vector<PdCrossing> pd = CodeCrossings(knot.crossingCode);
    const int n = static_cast<int>(pd.size());
    const int32_t effort = state.Settings.unknottingEffort;
    const int first = std::max(1, knot.lowerBound);
    const int last = std::min(n, knot.upperBound == -1 ? first + 1 + effort : knot.upperBound - 1);
    ctx.currentStep = "search for crossing changes";
    int64_t budget = CrossingChangeBudget(effort);
    state.SkipRequested = false;
    for (int k = first; k <= last; ++k) {
        std::vector<int> changed(static_cast<std::size_t>(k));
        for (int i = 0; i < k; ++i) changed[static_cast<std::size_t>(i)] = i;
        do {
            if (budget-- <= 0) return;
            if (budget % kPollEvery == 0) {
                ctx.CheckPause();
                if (state.StopRequested || state.SkipRequested) return;
            }
            if (ChangesUnknotAlgebraically(pd, changed) == true) {
                knot.upperBound = k;
                knot.upperCertificate = Certificate(pd, changed);
                if (k == 1) knot.detectedBy = "crossing change ";
                return;
            }
        } while (NextSubset(changed, n));
    }
}

}  // namespace corvane
