#include "arith/exact_reduction.h"

#include <optional>

#include "arith/big_integer.h"
#include "arith/checked.h"

namespace corvane {

uint64_t MaxAbsEntry(const IntMatrix& m, int n) {
    uint64_t best = 0;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            const int64_t x = m(i, j);
            const uint64_t a = x < 0 ? 0 - static_cast<uint64_t>(x) : static_cast<uint64_t>(x);
            if (a > best) best = a;
        }
    }
    return best;
}

IntMatrix SizeReduced(const IntMatrix& m, int n) {
    BigMatrix big = BigFromInt(m, n);
    ReduceEntries(big);
    const std::optional<IntMatrix> small = IntFromBig(big);
    return small ? *small : m;
}

ExactReduction MinimalSEquivalentExact(const IntMatrix& m, int n) {
    std::optional<SEquivalenceResult> result;
    try {
        const SEquivalenceResult reduced = MinimalSEquivalent(m, n);
        if (!ArithTrouble) result = reduced;
    } catch (const CalculationError&) {
        // An overflow outside the guarded operations: the exact reduction below takes over.
    }
    ClearTrouble();
    if (!result) {
        auto reduced = std::make_shared<const BigMatrix>(BigMinimalSEquivalent(BigFromInt(m, n)));
        const std::optional<IntMatrix> small = IntFromBig(*reduced);
        if (!small)
            return ExactReduction{SEquivalenceResult{IntMatrix{}, reduced->Rows()}, reduced};
        result = SEquivalenceResult{*small, reduced->Rows()};
    }
    if (MaxAbsEntry(result->matrix, result->ReducedSize) > kLargeEntryLimit) {
        result->matrix = SizeReduced(result->matrix, result->ReducedSize);
    }
    return ExactReduction{*result, nullptr};
}

}  // namespace corvane
