#include "invariants/exact_signature.h"

#include <flint/fmpz.h>

#include "arith/big_integer.h"
#include "arith/exact_reduction.h"

namespace corvane {

bool ExactSignatureNeeded(const IntMatrix& v, int n) {
    return n > kFloatSignatureMaxSize ||
           MaxAbsEntry(v, n) > static_cast<uint64_t>(kFloatSignatureEntryLimit);
}

int32_t ExactSignature(const IntMatrix& v, int n) {
    if (n < 0 || n > kMatrixDim) throw RangeError("ExactSignature size");
    return ExactSignature(BigFromInt(v, n));
}

int32_t ExactSignature(const BigMatrix& v) {
    const int n = v.Rows();
    BigMatrix s(n, n);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) fmpz_add(s(i, j), v(i, j), v(j, i));
    return static_cast<int32_t>(SymmetricSignature(s));
}

}  // namespace corvane
