#include "unknotting/deeper_search.h"

#include <algorithm>
#include <optional>

#include "arith/errors.h"
#include "knot/knot_context.h"
#include "knot/step_times.h"
#include "unknotting/move_search.h"
#include "unknotting/unit_vectors.h"

namespace corvane {

int32_t DeeperMoveTries(int32_t effort, int32_t depth) {
    if (depth < 1 || depth > kMaxMoveDepth) throw RangeError("DeeperMoveTries depth");
    if (effort <= 0) return 0;
    const int32_t base = TwoMoveTries(effort);
    if (depth <= 2) return base;
    const int32_t doublings = std::min(depth, 5) - 2;
    return base << doublings;
}

int64_t DeeperAttemptCap(int32_t effort) {
    return OneMoveTries(effort) / 8;
}

int32_t DeeperSearchRounds(int32_t effort) {
    return effort >= 3 ? 4 : 1;
}

uint32_t RoundSeed(uint32_t seed, int32_t depth, int32_t round) {
    // A 32-bit mix of the three, so that no two rounds repeat each other's draws.
    uint32_t mixed = seed ^ (static_cast<uint32_t>(depth) << 8 | static_cast<uint32_t>(round));
    mixed = (mixed ^ (mixed >> 16)) * 0x45d9f3bu;
    mixed = (mixed ^ (mixed >> 16)) * 0x45d9f3bu;
    return mixed ^ (mixed >> 16);
}

void DeeperDepths(int32_t lower, int32_t upper, int32_t& first, int32_t& last) {
    first = std::max(lower, 1);
    last = upper < 0 ? kMaxMoveDepth : std::min(upper - 1, kMaxMoveDepth);
}

bool DeeperSearchWanted(const KnotState& state) {
    const int32_t n = state.WorkingSize;
    if (state.Settings.unknottingEffort <= 0 || n < 2 || n > kMaxMoveSize) return false;
    const KnotRecord& knot = state.record;
    int32_t first = 0;
    int32_t last = 0;
    DeeperDepths(knot.lowerBound, knot.upperBound, first, last);
    return first <= last;
}

namespace {

// Qᵀ·V·Q for Q = ReducedBasis(V): a matrix congruent to V, hence of the same knot, with small
// entries, on which the random attempts do better; `basis` is set to Q. V itself (and Q the
// identity) when an entry would pass 2^40.
IntMatrix ReducedForm(const IntMatrix& v, int32_t n, IntMatrix& basis) {
    constexpr __int128 kLimit = __int128{1} << 40;
    basis = ZeroMatrix();
    for (int i = 1; i <= n; ++i) basis(i, i) = 1;
    const IntMatrix q = ReducedBasis(v, n);
    IntMatrix reduced = ZeroMatrix();
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            __int128 sum = 0;
            for (int k = 1; k <= n; ++k) {
                for (int l = 1; l <= n; ++l) {
                    __int128 term = 0;
                    if (__builtin_mul_overflow(static_cast<__int128>(q(k, i)) * v(k, l), q(l, j),
                                               &term) ||
                        __builtin_add_overflow(sum, term, &sum))
                        return v;
                }
            }
            if (sum > kLimit || sum < -kLimit) return v;
            reduced(i, j) = static_cast<int64_t>(sum);
        }
    }
    basis = q;
    return reduced;
}

}  // namespace

void DeeperMoveSearch(KnotContext& ctx, MoveSearchLevels& levels) {
    KnotState& state = ctx.state;
    if (!DeeperSearchWanted(state)) return;
    const int32_t effort = state.Settings.unknottingEffort;
    const KnotRecord& knot = state.record;
    int32_t first = 0;
    int32_t last = 0;
    DeeperDepths(knot.lowerBound, knot.upperBound, first, last);
    // The certificate of a sequence found starts with the congruence from the working matrix.
    const IntMatrix start =
        ReducedForm(state.WorkingMatrix, state.WorkingSize, levels.Found.congruence);
    levels.Found.congruenceSize = state.WorkingSize;
    levels.AttemptCap = DeeperAttemptCap(effort);
    const uint32_t seed = state.Random.state;
    bool done = false;
    for (int32_t d = first; d <= last && !done; ++d) {
        for (int32_t round = 0; round < DeeperSearchRounds(effort) && !done; ++round) {
            std::optional<ScopedStepTime> timed;
            if (round > 0) {
                state.Random.state = RoundSeed(seed, d, round);
                timed.emplace(TimedStep::laterRounds);
            }
            levels.Matrices[d] = start;
            levels.AttemptsTotal = 0;
            const bool found = UnknottingMoveSearch(ctx, levels, state.WorkingSize,
                                                    DeeperMoveTries(effort, d), d, false);
            done = found || state.StopRequested || state.SkipRequested;
        }
    }
    levels.AttemptCap = -1;
    levels.Found.congruenceSize = 0;
}

}  // namespace corvane
