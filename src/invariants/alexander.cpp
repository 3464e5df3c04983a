#include "invariants/alexander.h"

#include "arith/big_integer.h"
#include "arith/checked.h"
#include "knot/knot_context.h"

namespace corvane {

PolyMatrix AlexanderMatrix(const IntMatrix& v, int n) {
    if (n < 0 || n > kPolyMatrixDim) throw RangeError("AlexanderMatrix size");
    PolyMatrix a;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            RatPoly& entry = a(i, j);
            entry.c(1) = RatFromInt(v(i, j));
            entry.c(0) = RatFromInt(PlainNeg(v(j, i)));
            entry.degree = PolyDegree(entry);
        }
    }
    return a;
}

AlexanderResult AlexanderPolynomial(const IntMatrix& v, int n, bool report, KnotState* state) {
    if (n < 0) throw RangeError("AlexanderPolynomial size");
    AlexanderResult result;
    if (n > kAlexanderMaxSize) {
        result.MatrixTooLarge = true;
        return result;
    }
    const PolyMatrix a = AlexanderMatrix(v, n);
    for (int32_t block = kAlexanderFirstBlock;; ++block) {
        ClearTrouble();
        result.DetBlockSize = block;
        const PolyDeterminantResult det = PolyDeterminant(a, n, true, block);
        if (det.written) result.out = det.out;
        if (!ArithTrouble) return result;
        // A larger block leaves fewer positions to the elimination, whose coefficient growth is
        // what usually fails; a block beyond n changes nothing.
        if (block + 1 > kAlexanderLastBlock || block + 1 > n) break;
    }
    if (report) {
        result.out = PolyZero();
        if (state != nullptr) {
            SetResultField(*state, "erError in calculation of Alexander polynomial", "erError");
        }
    }
    return result;
}

ExactAlexanderResult ExactAlexanderPolynomial(const IntMatrix& v, int n) {
    if (n < 0 || n > kMatrixDim) throw RangeError("ExactAlexanderPolynomial size");
    return ExactAlexanderPolynomial(BigFromInt(v, n));
}

ExactAlexanderResult ExactAlexanderPolynomial(const BigMatrix& v) {
    const BigPoly p = BigAlexanderPolynomial(v);
    ExactAlexanderResult result;
    result.coefficients = p.CoefficientTexts();
    if (p.Degree() > kPolyMaxDegree) return result;
    RatPoly small;
    for (int64_t j = 0; j <= p.Degree(); ++j) {
        const BigInt c = p.Coefficient(j);
        if (!c.FitsInt64()) return result;
        small.c(j) = RatFromInt(c.ToInt64());
    }
    small.degree = PolyDegree(small);
    result.small = small;
    return result;
}

}  // namespace corvane
