// Upper bounds on the algebraic unknotting number from sequences of any length: after the one-
// and two-move searches of the invariant sequence, the move search is run for L, L + 1, ...
// moves (L the lower bound) until it finds a sequence or reaches the depth limit.
#pragma once

#include <cstdint>

namespace corvane {

class KnotContext;
struct KnotState;
struct MoveSearchLevels;

// Budget E of the top-level search for d moves at unknotting effort e = 1..3: the two-move
// budget 15·e² + 20 (35, 80, 155), doubled for every move beyond two up to 5 and held there for
// longer sequences, where each candidate move already costs a nested search on its remainder.
// Effort 0 gives 0 (no deeper search at low effort). RangeError for d outside 1..kMaxMoveDepth.
int32_t DeeperMoveTries(int32_t effort, int32_t depth);

// The attempts that the search for d moves of the deeper stage may make in all, at all levels
// together: an eighth of the one-move budget (501, 3001, 15501 at effort 1..3). Without such a
// cap the nested searches of the deeper levels multiply their budgets.
int64_t DeeperAttemptCap(int32_t effort);

// The depths that are still worth a search for a knot with lower bound L and upper bound U
// (-1 = none known): L, L + 1, ... up to U - 1, or up to kMaxMoveDepth without U. Empty when
// U <= L. `first` and `last` are set; the range is empty when first > last.
void DeeperDepths(int32_t lower, int32_t upper, int32_t& first, int32_t& last);

// Independent rounds of the deeper search at each depth for unknotting effort e: 1 up to large
// effort, 4 at very large. The random search succeeds on a hard knot in a fraction of its runs, so
// fresh rounds raise that fraction where a longer single round would not: a round after the first
// starts from its own stream of random numbers, drawn from the knot's stream as the search began.
int32_t DeeperSearchRounds(int32_t effort);

// The state of the stream of random numbers of round `round` >= 1 of the search for `depth` moves,
// made from the knot's stream state `seed` as the search began.
uint32_t RoundSeed(uint32_t seed, int32_t depth, int32_t round);

// Whether DeeperMoveSearch has anything to do for the knot: effort >= 1, a working matrix of size
// 2..kMaxMoveSize and a non-empty range of depths.
bool DeeperSearchWanted(const KnotState& state);

// On the current knot (its working matrix, brought to small entries by the congruence of
// ReducedBasis, and its bounds): for each depth d of DeeperDepths, the
// not-quiet move search for at most d moves with budget DeeperMoveTries(e, d), in up to
// DeeperSearchRounds(e) rounds, stopping at the first depth whose sequence is found (it sets
// upperBound after the exact check), at Stop or Skip; each round ends unsuccessful after
// DeeperAttemptCap(e) attempts at all levels.
// Runs only at unknotting effort e >= 1 and on working matrices of size 2..kMaxMoveSize. The
// sequence found, for the reduced matrix, is left in levels.Found and levels.Backups[d].
void DeeperMoveSearch(KnotContext& ctx, MoveSearchLevels& levels);

}  // namespace corvane
