// The S-equivalence reduction and the entry size of a minimal Seifert matrix beyond the checked
// 64-bit range: the reduction is redone with big integers where the 64-bit one runs out of range,
// and a minimal matrix with large entries is brought to small ones by unimodular congruence.
#pragma once

#include <cstdint>
#include <memory>

#include "arith/int_matrix.h"
#include "arith/sequivalence.h"

namespace corvane {

// A minimal matrix whose entries are all at most this large is kept as the reduction gives it (the
// printed minimal matrices of small knots stay as they are); one with a larger entry is reduced
// by congruence, so that the searches, which work in 64 bits, get small entries.
inline constexpr int64_t kLargeEntryLimit = 100;

// max |M(i, j)| over the n × n block, as an unsigned value (|-2^63| fits).
uint64_t MaxAbsEntry(const IntMatrix& m, int n);

class BigMatrix;

// A minimal matrix S-equivalent to a Seifert matrix: in `small` when its entries fit in 64 bits,
// otherwise in `big` (non-null; `small` then holds only the size).
struct ExactReduction {
    SEquivalenceResult small;
    std::shared_ptr<const BigMatrix> big;
};

// A minimal matrix S-equivalent to the Seifert matrix M (n × n, M - Mᵀ unimodular): by
// MinimalSEquivalent where it stays within the checked 64-bit range, otherwise by the same
// reduction in big integers (BigMinimalSEquivalent). A result with an entry above
// kLargeEntryLimit is then reduced by congruence (SizeReduced). Leaves ArithTrouble clear.
ExactReduction MinimalSEquivalentExact(const IntMatrix& m, int n);

// P·M·Pᵀ for a unimodular P that makes the entries of M small (pairwise size reduction in big
// integers); M itself when some entry of the result does not fit in 64 bits. The sum of squares
// of the entries never grows.
IntMatrix SizeReduced(const IntMatrix& m, int n);

}  // namespace corvane
