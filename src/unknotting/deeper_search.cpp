#include "unknotting/deeper_search.h"

#include <algorithm>
#include <memory>

#include "arith/errors.h"
#include "knot/knot_context.h"
#include "unknotting/move_search.h"

namespace corvane {

int32_t DeeperMoveTries(int32_t effort, int32_t depth) {
    if (depth < 1 || depth > kMaxMoveDepth) throw RangeError("DeeperMoveTries depth");
    if (effort <= 0) return 0;
    const int32_t base = TwoMoveTries(effort);
    if (depth <= 2) return base;
    const int32_t doublings = std::min(depth, 5) - 2;
    return base << doublings;
}

void DeeperDepths(int32_t lower, int32_t upper, int32_t& first, int32_t& last) {
    first = std::max(lower, 1);
    last = upper < 0 ? kMaxMoveDepth : std::min(upper - 1, kMaxMoveDepth);
}

void DeeperMoveSearch(KnotContext& ctx) {
    KnotState& state = ctx.state;
    const int32_t effort = state.Settings.unknottingEffort;
    const int32_t n = state.WorkingSize;
    if (effort <= 0 || n < 2 || n > kMaxMoveSize) return;
    const KnotRecord& knot = CurrentRecord(state);
    int32_t first = 0;
    int32_t last = 0;
    DeeperDepths(knot.lowerBound, knot.upperBound, first, last);
    const auto levels = std::make_unique<MoveSearchLevels>();
    for (int32_t d = first; d <= last; ++d) {
        levels->Matrices[d] = state.WorkingMatrix;
        const bool found =
            UnknottingMoveSearch(ctx, *levels, n, DeeperMoveTries(effort, d), d, false);
        if (found || state.StopRequested || state.SkipRequested) return;
    }
}

}  // namespace corvane
