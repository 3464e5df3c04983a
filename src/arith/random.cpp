#include "arith/random.h"

#include "arith/errors.h"

namespace corvane {

int64_t RandomBelow(RandomGenerator& rng, int64_t n) {
    if (n < 0 || n > INT32_MAX) throw RangeError("RandomBelow");
    rng.state = rng.state * 134775813u + 1u;
    const uint64_t product = static_cast<uint64_t>(n) * rng.state;
    return static_cast<int64_t>(product >> 32);
}

}  // namespace corvane
