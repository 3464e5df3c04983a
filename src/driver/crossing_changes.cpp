#include "driver/crossing_changes.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>

#include "arith/checked.h"
#include "arith/errors.h"
#include "arith/sequivalence.h"
#include "input/braid_line.h"
#include "input/knot_list.h"
#include "invariants/exact_signature.h"
#include "unknotting/certificate.h"
#include "unknotting/deeper_search.h"
#include "unknotting/move_search.h"
#include "unknotting/rank_one_scan.h"

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

nlohmann::ordered_json Certificate(const std::vector<PdCrossing>& pd,
                                   const std::vector<int>& changed) {
    using json = nlohmann::ordered_json;
    json diagram = json::array();
    for (const PdCrossing& x : pd) diagram.push_back({x[0], x[1], x[2], x[3]});
    json indices = json::array();
    for (const int c : changed) indices.push_back(c + 1);
    return json{{"method", "crossing changes"}, {"diagram", diagram}, {"changed", indices}};
}

// ---- One crossing change, then moves. ----

// A diagram of the knot and one of its crossings; changing it is a crossing change of the knot.
struct SingleChange {
    std::vector<PdCrossing> diagram;
    int crossing = 0;
};

// The single crossing changes tried before a move search: every crossing of the code's diagram,
// and for a braid word every full twist of two strands at most two columns apart, inserted between
// two letters. The twist C·σ_i^2ε·C⁻¹ (C empty, or σ_(i+1)^±1 for the strands of columns i and
// i + 2) is drawn as C·σ_i^ε·σ_i^-ε·C⁻¹, a diagram of the same knot by Reidemeister II moves, whose
// crossing σ_i^-ε is the one changed.
std::vector<SingleChange> SingleChanges(const std::string& code,
                                        const std::vector<PdCrossing>& pd) {
    std::vector<SingleChange> changes;
    for (int c = 0; c < static_cast<int>(pd.size()); ++c) changes.push_back({pd, c});
    std::vector<int64_t> word;
    std::string error;
    if (!code.starts_with('{') || !BraidWord(code, word, error) || word.empty()) return changes;
    int64_t columns = 0;
    for (const int64_t letter : word) columns = std::max(columns, letter < 0 ? -letter : letter);
    for (std::size_t at = 0; at < word.size(); ++at) {
        for (int64_t i = 1; i <= columns; ++i) {
            for (const int64_t conjugator : {int64_t{0}, i + 1, -(i + 1)}) {
                if (conjugator != 0 && i + 1 > columns) continue;
                for (const int64_t sign : {int64_t{1}, int64_t{-1}}) {
                    std::vector<int64_t> twisted(word.begin(),
                                                 word.begin() + static_cast<long>(at));
                    if (conjugator != 0) twisted.push_back(conjugator);
                    twisted.push_back(sign * i);
                    const int crossing = static_cast<int>(twisted.size());
                    twisted.push_back(-sign * i);
                    if (conjugator != 0) twisted.push_back(-conjugator);
                    twisted.insert(twisted.end(), word.begin() + static_cast<long>(at), word.end());
                    changes.push_back({BraidClosurePd(twisted), crossing});
                }
            }
        }
    }
    return changes;
}

// Candidates examined, and the move search's budget on each, at unknotting effort 0..3 (none
// below large effort). Most knots that a change decides at all are decided by one of the first
// few candidates, while every candidate of an undecided knot costs a failed search: small
// budgets at large effort keep its time per knot close to what it was without the changes.
struct ThenMovesBudget {
    int candidates = 0;
    int32_t tries = 0;
    int64_t attemptCap = 0;
    int64_t screened = 0;  // rank-one changes whose signature is looked at
};
ThenMovesBudget ChangeThenMovesBudget(int32_t effort) {
    if (effort < 2) return {};
    if (effort == 2) return {24, TwoMoveTries(1), 60, 500};
    return {128, TwoMoveTries(2), 300, 5000};
}

// The largest number of nonzero entries of the vectors of RankOneChangeStep, and the largest
// entry of a matrix it changes (so that the change stays far within 64 bits).
constexpr int kMaxChangeWeight = 4;
constexpr int64_t kRankOneEntryLimit = int64_t{1} << 40;

// Searches `moves` moves from the minimal matrix of the n × n Seifert matrix S, whose signature
// must allow them: {"seifert_matrix": S, "reduction": ..., "moves": ...} on success; empty
// otherwise, or, when S itself reduces to the empty matrix, {}.
std::optional<nlohmann::ordered_json> MovesAfterChange(KnotContext& ctx, const IntMatrix& s, int n,
                                                       int32_t moves,
                                                       const ThenMovesBudget& budget) {
    const SEquivalenceResult reduced = MinimalSEquivalent(s, n);
    const bool trouble = ArithTrouble;
    ClearTrouble();
    const int size = reduced.ReducedSize;
    if (trouble || size > kMaxMoveSize) return std::nullopt;
    if (size == 0) return nlohmann::ordered_json::object();
    if (std::abs(ExactSignature(reduced.matrix, size)) / 2 > moves) return std::nullopt;
    MoveSearchLevels& levels = FreshMoveSearchLevels();
    levels.Matrices[moves] = reduced.matrix;
    levels.AttemptCap = budget.attemptCap;
    const int32_t tries = moves == 1 ? static_cast<int32_t>(budget.attemptCap) : budget.tries;
    if (!UnknottingMoveSearch(ctx, levels, size, tries, moves, true)) return std::nullopt;
    if (!VerifyMoveSequence(reduced.matrix, size, levels.Found)) return std::nullopt;
    const std::string then = ReducedMovesCertificate(s, n, levels.Found);
    if (then.empty()) return std::nullopt;
    return nlohmann::ordered_json::parse(then);
}

// Changes the crossing and searches the moves after it (MovesAfterChange). The certificate on
// success, else empty.
std::string ChangeThenMoves(KnotContext& ctx, const SingleChange& change, int32_t moves,
                            const ThenMovesBudget& budget) {
    std::vector<PdCrossing> changed = change.diagram;
    const int n = static_cast<int>(changed.size());
    auto& x = changed[static_cast<std::size_t>(change.crossing)];
    x = ChangedCrossing(x, n);
    const DiagramConversion converted = PdToMatrixText(changed);
    if (!converted.ok) return {};
    auto certificate = Certificate(change.diagram, {change.crossing});
    // Δ = 1 after this change alone: one fewer than the moves sought.
    if (converted.matrixLine == "[]") return certificate.dump();
    const ParsedMatrix parsed = ParseMatrixText(converted.matrixLine);
    if (parsed.sizeError || parsed.entryFault != EntryFault::none) return {};
    const auto then = MovesAfterChange(ctx, parsed.entries, parsed.rowCount, moves, budget);
    if (!then) return {};
    if (!then->empty()) certificate["then"] = *then;
    return certificate.dump();
}

// The number of changes and moves a certificate of ChangeThenMoves spends.
int32_t SpentMoves(const std::string& certificate) {
    const auto parsed = nlohmann::ordered_json::parse(certificate);
    return 1 + (parsed.contains("then") ? static_cast<int32_t>(parsed["then"]["moves"].size()) : 0);
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
                knot.upperCertificate = Certificate(pd, changed).dump();
                if (k == 1) knot.detectedBy = "crossing change ";
                return;
            }
        } while (NextSubset(changed, n));
    }
}

void ChangeThenMovesStep(KnotContext& ctx) {
    KnotState& state = ctx.state;
    KnotRecord& knot = state.record;
    if (knot.crossingCode.empty() || state.WorkingSize <= 0) return;
    if (state.StopRequested || state.SkipRequested) return;
    const int32_t lower = knot.lowerBound;
    const ThenMovesBudget budget = ChangeThenMovesBudget(state.Settings.unknottingEffort);
    if (budget.candidates == 0 || lower < 2 || (knot.upperBound != -1 && knot.upperBound <= lower))
        return;
    ctx.currentStep = "search for crossing changes";
    const std::vector<SingleChange> changes =
        SingleChanges(knot.crossingCode, CodeCrossings(knot.crossingCode));
    int examined = 0;
    for (const SingleChange& change : changes) {
        if (examined++ >= budget.candidates) return;
        ctx.CheckPause();
        const std::string certificate = ChangeThenMoves(ctx, change, lower - 1, budget);
        if (state.StopRequested || state.SkipRequested) return;
        if (certificate.empty()) continue;
        knot.upperBound = SpentMoves(certificate);
        knot.upperCertificate = certificate;
        if (knot.upperBound == 1) knot.detectedBy = "crossing change ";
        return;
    }
}

void RankOneChangeStep(KnotContext& ctx) {
    KnotState& state = ctx.state;
    KnotRecord& knot = state.record;
    const int n = state.WorkingSize;
    if (n < 2 || n > kMaxMoveSize || state.StopRequested || state.SkipRequested) return;
    const int32_t lower = knot.lowerBound;
    const ThenMovesBudget budget = ChangeThenMovesBudget(state.Settings.unknottingEffort);
    if (budget.candidates == 0 || lower < 2 || (knot.upperBound != -1 && knot.upperBound <= lower))
        return;
    const IntMatrix& v = state.WorkingMatrix;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            if (v(i, j) > kRankOneEntryLimit || v(i, j) < -kRankOneEntryLimit) return;
        }
    }
    ctx.currentStep = "search for crossing changes";
    int64_t screened = 0;
    int searched = 0;
    for (int weight = 1; weight <= std::min(n, kMaxChangeWeight); ++weight) {
        std::vector<int> at(static_cast<std::size_t>(weight));
        for (int k = 0; k < weight; ++k) at[static_cast<std::size_t>(k)] = k;
        do {
            // The signs of the entries after the first (c and -c give the same change).
            for (uint32_t signs = 0; signs < (1U << (weight - 1)); ++signs) {
                std::vector<int64_t> c(static_cast<std::size_t>(n), 0);
                for (int k = 0; k < weight; ++k) {
                    const bool negative = k > 0 && ((signs >> (k - 1)) & 1U) != 0;
                    c[static_cast<std::size_t>(at[static_cast<std::size_t>(k)])] =
                        negative ? -1 : 1;
                }
                for (const int64_t sign : {int64_t{1}, int64_t{-1}}) {
                    if (++screened > budget.screened || searched >= budget.candidates) return;
                    IntMatrix s = v;
                    for (int i = 1; i <= n; ++i) {
                        for (int j = 1; j <= n; ++j)
                            s(i, j) += sign * c[static_cast<std::size_t>(i - 1)] *
                                       c[static_cast<std::size_t>(j - 1)];
                    }
                    if (std::abs(ExactSignature(s, n)) / 2 > lower - 1) continue;
                    ++searched;
                    ctx.CheckPause();
                    const auto then = MovesAfterChange(ctx, s, n, lower - 1, budget);
                    if (state.StopRequested || state.SkipRequested) return;
                    if (!then) continue;
                    nlohmann::ordered_json certificate = {
                        {"method", "crossing change"}, {"vector", c}, {"sign", sign}};
                    if (!then->empty()) certificate["then"] = *then;
                    knot.upperBound =
                        1 + (then->empty() ? 0 : static_cast<int32_t>((*then)["moves"].size()));
                    knot.upperCertificate = certificate.dump();
                    return;
                }
            }
        } while (NextSubset(at, n));
    }
}

void RankOneUnknotStep(KnotContext& ctx) {
    KnotState& state = ctx.state;
    KnotRecord& knot = state.record;
    if (knot.lowerBound != 1 || (knot.upperBound != -1 && knot.upperBound <= 1)) return;
    if (state.StopRequested || state.SkipRequested) return;
    ctx.currentStep = "search for crossing changes";
    const std::optional<RankOneChange> change = ScanRankOneUnknotting(
        state.WorkingMatrix, state.WorkingSize, RankOneScanBudget(state.Settings.unknottingEffort));
    if (!change) return;
    knot.upperBound = 1;
    knot.upperCertificate = nlohmann::ordered_json{
        {"method", "crossing change"},
        {"vector", change->vector},
        {"sign", change->sign}}.dump();
    knot.detectedBy = "crossing change ";
}

}  // namespace corvane
