// The signature and the Levine-Tristram signatures of a knot with Seifert matrix V: the signature
// of the Hermitian matrix (1-z)V + (1-z̄)Vᵀ at points z of the unit circle, computed by congruence
// elimination in 80-bit floating point, and the unknotting-number bounds drawn from its samples.
#pragma once

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <vector>

#include "arith/errors.h"
#include "arith/int_matrix.h"
#include "knot/knot_context.h"

namespace corvane {

// π as the ten-decimal constant of the angle constructor, not the full-precision value.
inline constexpr long double kSignaturePi = 3.1415926536L;

// A complex number as two extended-precision reals.
struct ComplexExt {
    long double re = 0.0L;
    long double im = 0.0L;
};

// x + 0i.
inline ComplexExt ComplexFromReal(long double x) {
    return {x, 0.0L};
}

// (cos 2πx, sin 2πx) with π = kSignaturePi: the point at angle x (in turns) of the unit circle.
inline ComplexExt ComplexFromAngle(long double x) {
    const long double angle = 2.0L * kSignaturePi * x;
    return {std::cos(angle), std::sin(angle)};
}

inline ComplexExt operator+(ComplexExt a, ComplexExt b) {
    return {a.re + b.re, a.im + b.im};
}

inline ComplexExt operator-(ComplexExt a, ComplexExt b) {
    return {a.re - b.re, a.im - b.im};
}

inline ComplexExt operator*(ComplexExt a, ComplexExt b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

// a / b = a·b̄ / (b.re² + b.im²). Precondition b ≠ 0 (otherwise the parts are IEEE inf or NaN).
inline ComplexExt operator/(ComplexExt a, ComplexExt b) {
    const long double norm = b.re * b.re + b.im * b.im;
    return {(a.re * b.re + a.im * b.im) / norm, (a.im * b.re - a.re * b.im) / norm};
}

inline ComplexExt Conj(ComplexExt a) {
    return {a.re, -a.im};
}

// |re| + |im|: the magnitude every pivot comparison of the elimination uses (not the modulus; it
// lies between the modulus and √2 times the modulus).
inline long double Magnitude(ComplexExt a) {
    return std::fabs(a.re) + std::fabs(a.im);
}

// A 70 × 70 complex matrix indexed from 1; a matrix of size n occupies the leading n × n block.
// Every access is range checked.
class HermitianMatrix {
  public:
    // Entry (i, j), 1 <= i, j <= 70; RangeError otherwise.
    ComplexExt& operator()(int i, int j) { return m_[Index(i, j)]; }
    const ComplexExt& operator()(int i, int j) const { return m_[Index(i, j)]; }

  private:
    static int Index(int i, int j) {
        if (i < 1 || i > kMatrixDim || j < 1 || j > kMatrixDim) {
            throw RangeError("HermitianMatrix index");
        }
        return (i - 1) * kMatrixDim + (j - 1);
    }
    std::array<ComplexExt, kMatrixDim * kMatrixDim> m_{};
};

// What one signature evaluation yields besides the matrix it ends with.
struct SignatureSummary {
    // #{diagonal entries d of the reduced matrix with Re d > 1e-12} - #{Re d < -1e-12}; 0 when
    // either flag below is set.
    int32_t signature = 0;
    // A pivot of magnitude below 1e-7 had to be divided by: the evaluation is void and its
    // signature 0 carries no information.
    bool SignatureInaccurate = false;
    // The elimination met a numerically zero row (every entry of the remaining block below about
    // 2e-9 in magnitude): the matrix is numerically singular, and by convention the signature is 0
    // and pivotProduct is (0, 1), whose real part 0 stands for the vanishing determinant. The
    // signature of the non-degenerate part is not reported, so that a sample taken at a zero of
    // the Alexander polynomial (where the form is singular) never moves the sampled extremes.
    bool numericallySingular = false;
    // H[1][1]·…·H[n][n] of the reduced matrix, from the real value 1 (so 1 for n = 0). Its real
    // part is det H times a positive factor (4 for every pivot that had to be doubled); its
    // imaginary part is rounding noise. Meaningless when SignatureInaccurate is set.
    ComplexExt pivotProduct{1.0L, 0.0L};
};

// A signature evaluation together with the matrix the elimination ended with.
struct SignatureResult : SignatureSummary {
    // P*·H·P for the invertible P the elimination built: diagonal up to rounding when the
    // evaluation ran to the end, partly reduced when it stopped at a singular row or an
    // inaccurate pivot.
    HermitianMatrix reducedHermitian;
};

// Signature of the Hermitian matrix H (leading n × n block) by congruence elimination in place:
// on return h is the reduced matrix P*·H·P. Symmetric pivoting brings the diagonal entry of
// largest |real part| forward; a diagonal pivot of magnitude below 0.1 is replaced, when the
// remaining block has a larger entry, by that entry's row, and then combined with a partner row
// (after turning an imaginary entry real by the congruence diag(1, …, i, …, 1)) so that the pivot
// grows. Entries outside the n × n block are neither read nor written.
// Preconditions: 0 <= n <= 70 (RangeError otherwise); h Hermitian with finite entries (a
// non-finite reduced diagonal is reported as SignatureInaccurate).
SignatureSummary ReduceHermitian(HermitianMatrix& h, int n);

// ReduceHermitian on a copy of h; the copy, reduced, is returned as reducedHermitian.
SignatureResult SignatureOfHermitian(const HermitianMatrix& h, int n);

// Writes H = (1-z)·V + (1-z̄)·Vᵀ into the leading n × n block of h: Re H[i][j] =
// (1 - Re z)(V[i][j] + V[j][i]) and Im H[i][j] = Im z·(V[j][i] - V[i][j]). Hermitian for every z;
// V's entries are converted to long double exactly, so no sum overflows. Precondition:
// 0 <= n <= 70 (RangeError otherwise).
void FillHermitianForm(const IntMatrix& v, int n, ComplexExt z, HermitianMatrix& h);

// sign_z(V): the signature of (1-z)V + (1-z̄)Vᵀ, with its reduced matrix. For |z| = 1, z ≠ 1,
// this is the Levine-Tristram signature; at z = -1 it is sign(V + Vᵀ) (H = 2(V + Vᵀ)). n = 0
// gives signature 0. Preconditions as FillHermitianForm.
SignatureResult HermitianSignature(const IntMatrix& v, int n, ComplexExt z);

// HermitianSignature without copying the reduced matrix out: the caller's workspace receives H
// and ends as the reduced matrix (its entries outside the n × n block are left alone). For the
// sampling loops, which evaluate many z with one workspace.
SignatureSummary HermitianSignatureInPlace(const IntMatrix& v, int n, ComplexExt z,
                                           HermitianMatrix& workspace);

// This thread's workspace for HermitianSignatureInPlace, for callers that do not keep the
// reduced matrix: a 70 × 70 complex matrix is too large to clear for every evaluation. Its
// contents are whatever the last evaluation on this thread left.
HermitianMatrix& EvaluationWorkspace();

// What the sampling of the Levine-Tristram signatures found.
struct LevineTristramResult {
    int32_t maxAbs = 0;    // largest |s| over the accepted samples (0 if none)
    int32_t maxSig = 0;    // largest accepted sample, at least 0 (sign at z = 1 is 0)
    int32_t minSig = 0;    // smallest accepted sample, at most 0
    int32_t ltSpread = 0;  // maxSig - minSig
    // The run's StopRequested was seen: the values above cover only the samples taken so far and
    // the knot record was left untouched.
    bool stopped = false;
};

// The value of a Levine-Tristram sample whose evaluation was inaccurate (SignatureInaccurate):
// it carries no information and is left out of the extremes.
inline constexpr int16_t kSkippedSample = INT16_MIN;

// The samples s_k, k = 1..N-1, of the signature function at z = exp(2πik/N).
struct LevineTristramSamples {
    // values[k - 1] = s_k, or kSkippedSample.
    std::vector<int16_t> values;
    // Eliminations (signature evaluations) spent on them.
    int64_t eliminations = 0;
    // StopRequested was seen: only values[0 .. taken - 1] are set.
    bool stopped = false;
    int64_t taken = 0;
};

// Samples within this distance (in turns) of a root of Δ on the unit circle, or of z = 1, are
// evaluated one by one.
inline constexpr long double kRootGuard = 1e-3L;
// Below this many sample points every sample is evaluated one by one: locating the roots of Δ
// would cost more than it saves.
inline constexpr int64_t kFewestIntervalSamples = 128;

// s_k = sign_z(V), z = ComplexFromAngle(k/N), each by its own elimination (HermitianSignature),
// k = 1..N-1 in increasing order. CheckPause() runs after every sample k divisible by 100; a set
// `stop` ends the sampling after the sample at hand. Preconditions: 0 <= n <= 70, count >= 1.
LevineTristramSamples SampleEachPoint(const IntMatrix& v, int n, int64_t count,
                                      const std::atomic<bool>& stop);

// The same samples as SampleEachPoint, from few eliminations. The signature of
// (1-z)V + (1-z̄)Vᵀ is constant on each arc of the unit circle between the roots of
// Δ(t) = det(tV - Vᵀ) on it (the form is singular exactly there and at z = 1, and a signature can
// change only where an eigenvalue passes through 0). So:
//  - a sample within kRootGuard of a root angle or of 0 or 1 turns is evaluated by its own
//    extended-precision elimination, exactly as SampleEachPoint does it. This is the rule for
//    samples within rounding of a root: they keep the verdict of their own elimination - 0 when
//    it met a numerically zero row, skipped when it had to divide by a pivot below 1e-7, else the
//    count of its diagonal;
//  - every maximal run a..b of the other samples that lie on one arc (all farther than
//    kRootGuard from its ends) is evaluated at a and at b; when both evaluations are accurate,
//    regular (no zero row) and equal, that value is every sample of the run, and otherwise each
//    sample of the run is evaluated on its own.
// Every sample is evaluated on its own when count < kFewestIntervalSamples or when the roots of
// Δ on the circle cannot be determined (CircleRootAngles). Polling and stopping as
// SampleEachPoint, CheckPause() running once for each k divisible by 100 as the samples reach it.
// Preconditions: 0 <= n <= 70, count >= 1 (RangeError otherwise).
LevineTristramSamples SampleByArcs(const IntMatrix& v, int n, int64_t count,
                                   const std::atomic<bool>& stop);

// Samples s_k = sign_z(V) at z = exp(2πik/N), k = 1..N-1, N = state.Settings.ltValueCount, skipping
// samples whose evaluation was inaccurate, and records in the current knot:
//  - a = maxAbs div 2 as a lower bound on the algebraic unknotting number (RaiseLowerBound with
//    name "sign(p/q)", p/q = k/N reduced at the sample of largest |s|, code "s,"), then the fields
//    "lt" + s and, for LaTeX, "si" + knot.signature + " (" + s + ")" with that sample s;
//  - b = ltSpread div 2 (half of beta(K)) as a lower bound named "sign(p1/q1)-sign(p2/q2)" at the
//    largest and the smallest sample, code "s,"; if a < b the fields become "lt" + minSig + "..." +
//    maxSig and "si" + knot.signature + " [" + ltSpread + "]".
// Among equal values the sample with the largest gcd(k, N) wins, the first one among those.
// knot.signature must already hold the ordinary signature. CheckPause() runs after every 100th
// sample; a set StopRequested ends the routine (stopped = true). The samples come from
// SampleByArcs. Preconditions: 0 <= n <= 70, N >= 1 (RangeError otherwise).
LevineTristramResult LevineTristram(KnotState& state, const IntMatrix& v, int n);

// LevineTristram with every sample evaluated on its own (SampleEachPoint): the reference the
// arc-wise sampling must reproduce.
LevineTristramResult LevineTristramEachPoint(KnotState& state, const IntMatrix& v, int n);

}  // namespace corvane
