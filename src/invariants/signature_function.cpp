#include "invariants/signature_function.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "invariants/circle_roots.h"
#include "invariants/signature.h"

namespace corvane {

namespace {

// Two places closer than this (in turns) are the same place: the roots come from a numerical
// root finder whose angles are good to far better than this.
constexpr long double kSamePlace = 1e-9L;

}  // namespace

std::optional<SignatureFunction> SignatureFunctionOf(const IntMatrix& v, int n) {
    std::optional<std::vector<long double>> roots = CircleRootAngles(v, n);
    if (!roots) return std::nullopt;
    SignatureFunction f;
    f.jumps = std::move(*roots);
    // σ is constant on each arc, so the midpoint of the arc decides it.
    long double left = 0.0L;
    for (std::size_t k = 0; k <= f.jumps.size(); ++k) {
        const long double right = k < f.jumps.size() ? f.jumps[k] : 1.0L;
        const SignatureResult s = HermitianSignature(v, n, ComplexFromAngle((left + right) / 2));
        if (s.SignatureInaccurate || s.numericallySingular) return std::nullopt;
        f.stepValues.push_back(s.signature);
        left = right;
    }
    for (std::size_t k = 0; k < f.jumps.size(); ++k)
        f.rootValues.push_back((f.stepValues[k] + f.stepValues[k + 1]) / 2.0L);
    const auto [low, high] = std::minmax_element(f.stepValues.begin(), f.stepValues.end());
    const int32_t maxAbs = std::max(std::abs(*low), std::abs(*high));
    f.bound = std::max(maxAbs, *high - *low) / 2;
    return f;
}

long double SignatureAt(const SignatureFunction& f, long double t) {
    if (t <= kSamePlace || t >= 1.0L - kSamePlace) return 0.0L;
    for (std::size_t k = 0; k < f.jumps.size(); ++k) {
        if (std::fabs(t - f.jumps[k]) <= kSamePlace) return f.rootValues[k];
        if (t < f.jumps[k]) return f.stepValues[k];
    }
    return f.stepValues.back();
}

std::string SignatureFunctionBoundText(const SignatureFunction& f) {
    return "u_a >= " + std::to_string(f.bound) + " (from the signature function)";
}

}  // namespace corvane
