// The signature of V + Vᵀ computed exactly over the integers, for Seifert matrices on which the
// 80-bit elimination cannot be trusted: large matrices, large entries, or an elimination that
// reported a too small pivot.
#pragma once

#include <cstdint>

#include "arith/int_matrix.h"

namespace corvane {

// Entries of V beyond this size make the floating-point signature untrustworthy.
inline constexpr int64_t kFloatSignatureEntryLimit = 1 << 16;
// Matrices larger than this have their signature computed exactly.
inline constexpr int kFloatSignatureMaxSize = 10;

// True when the signature of V + Vᵀ (n × n block of v) is to be computed exactly: n above
// kFloatSignatureMaxSize or an entry of V above kFloatSignatureEntryLimit in absolute value.
bool ExactSignatureNeeded(const IntMatrix& v, int n);

// sign(V + Vᵀ) exactly (Descartes' rule of signs on the characteristic polynomial of the
// symmetric integer matrix V + Vᵀ, computed with big integers). n = 0 gives 0.
// Precondition 0 <= n <= 70 (RangeError otherwise).
int32_t ExactSignature(const IntMatrix& v, int n);

class BigMatrix;
// The same for a square matrix of big integers.
int32_t ExactSignature(const BigMatrix& v);

}  // namespace corvane
