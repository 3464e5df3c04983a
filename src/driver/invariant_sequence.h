// The invariant sequence of one knot: every invariant and bound in a fixed order, each step
// reading the bounds that the earlier ones left.
#pragma once

#include <cstdint>

#include "knot/knot_context.h"

namespace corvane {

// Computes the invariants of the current knot, whose working matrix has size 1..10, records
// them in its record and shows them as status lines. False when the Alexander polynomial could
// not be computed (its error field is recorded and nothing else happens), true otherwise.
// Overflow and range errors propagate to the run loop, which records them for this knot.
bool ComputeKnotInvariants(KnotContext& ctx);

}  // namespace corvane
