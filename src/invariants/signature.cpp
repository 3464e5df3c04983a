#include "invariants/signature.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "arith/checked.h"
#include "arith/poll.h"
#include "invariants/circle_roots.h"

namespace corvane {
namespace {

// A diagonal pivot at least this large is used as it stands.
constexpr long double kGoodPivot = 0.1L;
// A row whose entries all stay below this (component-wise) is taken as numerically zero.
constexpr long double kZeroRow = 1e-9L;
// Dividing by a pivot below this would amplify rounding errors beyond use.
constexpr long double kTinyPivot = 1e-7L;
// Diagonal entries of the reduced matrix within ±this count as zero.
constexpr long double kZeroEntry = 1e-12L;

void CheckSize(int n, const char* where) {
    if (n < 0 || n > kMatrixDim) throw RangeError(where);
}

// Unchecked 1-based access to a HermitianMatrix for the elimination, whose indices all lie in
// 1..n once n has been checked against the 70 × 70 storage.
class Block {
  public:
    explicit Block(HermitianMatrix& h) : first_(&h(1, 1)) {}
    ComplexExt& operator()(int i, int j) const { return first_[(i - 1) * kMatrixDim + (j - 1)]; }

  private:
    ComplexExt* first_;
};

void SwapRowsAndColumns(const Block& h, int n, int a, int b) {
    if (a == b) return;
    for (int j = 1; j <= n; ++j) std::swap(h(a, j), h(b, j));
    for (int i = 1; i <= n; ++i) std::swap(h(i, a), h(i, b));
}

// Symmetric pivoting: the diagonal entry of largest |real part| among k..n moves to (k, k).
void PivotLargestDiagonal(const Block& h, int n, int k) {
    int best = k;
    for (int m = k + 1; m <= n; ++m) {
        if (std::fabs(h(m, m).re) > std::fabs(h(best, best).re)) best = m;
    }
    SwapRowsAndColumns(h, n, k, best);
}

// Brings into row k the row of the largest entry of the upper triangle of the remaining block, when
// that entry exceeds the pivot.
void PivotLargestEntry(const Block& h, int n, int k) {
    long double best = Magnitude(h(k, k));
    int row = k;
    for (int i = k; i <= n; ++i) {
        for (int j = i; j <= n; ++j) {
            const long double size = Magnitude(h(i, j));
            if (size > best) {
                best = size;
                row = i;
            }
        }
    }
    SwapRowsAndColumns(h, n, k, row);
}

// The congruence by diag(1, …, i, …, 1) at position j: column j times i, row j times -i. It keeps
// H Hermitian and the signature, and turns the imaginary part of H[k][j] into its real part (up to
// sign).
void RotateByI(const Block& h, int n, int j) {
    for (int i = 1; i <= n; ++i) h(i, j) = {-h(i, j).im, h(i, j).re};
    for (int c = 1; c <= n; ++c) h(j, c) = {h(j, c).im, -h(j, c).re};
}

// The partner column c of a small pivot: the column of the largest real or imaginary part in row
// k, imaginary parts being rotated to real ones. Returns 0 when the whole row is numerically zero.
int ChoosePartner(const Block& h, int n, int k) {
    long double best = Magnitude(h(k, k));
    int partner = k;
    for (int j = k; j <= n; ++j) {
        if (std::fabs(h(k, j).re) > best) {
            best = std::fabs(h(k, j).re);
            partner = j;
        }
    }
    for (int j = k; j <= n; ++j) {
        if (std::fabs(h(k, j).im) > best) {
            best = std::fabs(h(k, j).im);
            partner = j;
            RotateByI(h, n, j);
        }
    }
    return best < kZeroRow ? 0 : partner;
}

// Row k += row c, then column k += column c: the congruence by I + e_c·e_kᵀ, whose new pivot is
// H[k][k] + 2 Re H[k][c] + H[c][c]; for c = k it multiplies the pivot by 4.
void AddPartner(const Block& h, int n, int k, int c) {
    for (int j = 1; j <= n; ++j) h(k, j) = h(k, j) + h(c, j);
    for (int i = 1; i <= n; ++i) h(i, k) = h(i, k) + h(i, c);
}

// Clears row and column k beyond the diagonal with the pivot H[k][k]: column i -= f·column k and
// row i -= f̄·row k with f = H[k][i] / H[k][k]. False when the pivot is too small to divide by.
bool EliminateBelowPivot(const Block& h, int n, int k) {
    if (k < n && Magnitude(h(k, k)) < kTinyPivot) return false;
    const ComplexExt pivot = h(k, k);
    for (int i = k + 1; i <= n; ++i) {
        const ComplexExt f = h(k, i) / pivot;
        const ComplexExt fBar = Conj(f);
        for (int r = 1; r <= n; ++r) h(r, i) = h(r, i) - f * h(r, k);
        for (int c = 1; c <= n; ++c) h(i, c) = h(i, c) - fBar * h(k, c);
    }
    return true;
}

SignatureSummary Inaccurate() {
    SignatureSummary summary;
    summary.SignatureInaccurate = true;
    return summary;
}

SignatureSummary Singular() {
    SignatureSummary summary;
    summary.numericallySingular = true;
    summary.pivotProduct = {0.0L, 1.0L};
    return summary;
}

// The signature and pivot product of the reduced (diagonal) matrix.
SignatureSummary CountDiagonal(const Block& h, int n) {
    SignatureSummary summary;
    for (int k = 1; k <= n; ++k) {
        const ComplexExt d = h(k, k);
        if (!std::isfinite(d.re) || !std::isfinite(d.im)) return Inaccurate();
        summary.pivotProduct = summary.pivotProduct * d;
        if (d.re > kZeroEntry) ++summary.signature;
        if (d.re < -kZeroEntry) --summary.signature;
    }
    return summary;
}

// The running extremes of the Levine-Tristram samples, with where they were met. A sample at
// position k has weight gcd(k, N); among equal values the larger weight wins, then the earlier.
struct SampleExtremes {
    int32_t maxAbs = 0;
    int32_t sAbs = 0;
    int64_t kAbs = 0;
    int64_t gAbs = 0;
    int32_t maxSig = 0;
    int64_t kMax = 0;
    int64_t gMax = 1;
    int32_t minSig = 0;
    int64_t kMin = 0;
    int64_t gMin = 1;
};

void AcceptSample(SampleExtremes& e, int32_t s, int64_t k, int64_t g) {
    const int32_t size = s < 0 ? -s : s;
    if (size > e.maxAbs || (size == e.maxAbs && size > 0 && g > e.gAbs)) {
        e.maxAbs = size;
        e.sAbs = s;
        e.kAbs = k;
        e.gAbs = g;
    }
    if (s > e.maxSig || (s == e.maxSig && s > 0 && g > e.gMax)) {
        e.maxSig = s;
        e.kMax = k;
        e.gMax = g;
    }
    if (s < e.minSig || (s == e.minSig && s < 0 && g > e.gMin)) {
        e.minSig = s;
        e.kMin = k;
        e.gMin = g;
    }
}

// "sign(p/q)" with p/q = k/N in lowest terms (k = 0 gives "sign(0/1)", the signature at z = 1,
// which is 0).
std::string SignAt(int64_t k, int64_t count) {
    const int64_t d = Gcd64(k, count);
    return "sign(" + std::to_string(k / d) + "/" + std::to_string(count / d) + ")";
}

// The bounds and result fields drawn from the samples, as stated at LevineTristram.
void RecordSamples(KnotState& state, const SampleExtremes& e, int64_t count) {
    const std::string ordinary = std::to_string(state.record.signature);
    const int32_t spread = e.maxSig - e.minSig;
    const int32_t a = e.maxAbs / 2;
    RaiseLowerBound(state, a, SignAt(e.kAbs, count), "s,");
    const std::string sample = std::to_string(e.sAbs);
    SetResultField(state, "lt" + sample, "si" + ordinary + " (" + sample + ")");
    const int32_t b = spread / 2;
    RaiseLowerBound(state, b, SignAt(e.kMax, count) + "-" + SignAt(e.kMin, count), "s,");
    if (a >= b) return;
    SetResultField(state, "lt" + std::to_string(e.minSig) + "..." + std::to_string(e.maxSig),
                   "si" + ordinary + " [" + std::to_string(spread) + "]");
}

LevineTristramResult Summarize(const SampleExtremes& e, bool stopped) {
    return {e.maxAbs, e.maxSig, e.minSig, e.maxSig - e.minSig, stopped};
}

}  // namespace

SignatureSummary ReduceHermitian(HermitianMatrix& matrix, int n) {
    CheckSize(n, "ReduceHermitian size");
    const Block h(matrix);
    for (int k = 1; k <= n; ++k) {
        PivotLargestDiagonal(h, n, k);
        if (Magnitude(h(k, k)) < kGoodPivot) {
            PivotLargestEntry(h, n, k);
            const int partner = ChoosePartner(h, n, k);
            if (partner == 0) return Singular();
            AddPartner(h, n, k, partner);
        }
        if (!EliminateBelowPivot(h, n, k)) return Inaccurate();
    }
    return CountDiagonal(h, n);
}

SignatureResult SignatureOfHermitian(const HermitianMatrix& h, int n) {
    SignatureResult result;
    result.reducedHermitian = h;
    static_cast<SignatureSummary&>(result) = ReduceHermitian(result.reducedHermitian, n);
    return result;
}

void FillHermitianForm(const IntMatrix& v, int n, ComplexExt z, HermitianMatrix& h) {
    CheckSize(n, "HermitianSignature size");
    const long double realFactor = 1.0L - z.re;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            const long double vij = static_cast<long double>(v(i, j));
            const long double vji = static_cast<long double>(v(j, i));
            h(i, j) = {realFactor * (vij + vji), z.im * (vji - vij)};
        }
    }
}

SignatureResult HermitianSignature(const IntMatrix& v, int n, ComplexExt z) {
    SignatureResult result;
    static_cast<SignatureSummary&>(result) =
        HermitianSignatureInPlace(v, n, z, result.reducedHermitian);
    return result;
}

// On the heap: a thread-local of this size would not fit the static TLS block that a shared
// object with initial-exec thread-locals (the Python module) gets.
HermitianMatrix& EvaluationWorkspace() {
    thread_local const std::unique_ptr<HermitianMatrix> workspace =
        std::make_unique<HermitianMatrix>();
    return *workspace;
}

SignatureSummary HermitianSignatureInPlace(const IntMatrix& v, int n, ComplexExt z,
                                           HermitianMatrix& workspace) {
    FillHermitianForm(v, n, z, workspace);
    return ReduceHermitian(workspace, n);
}

namespace {

ComplexExt SamplePoint(int64_t k, int64_t count) {
    return ComplexFromAngle(static_cast<long double>(k) / static_cast<long double>(count));
}

// One sample by its own elimination.
struct PointValue {
    int16_t value = 0;
    bool regular = false;  // accurate and without a numerically zero row
};

PointValue EvaluatePoint(const IntMatrix& v, int n, int64_t k, int64_t count,
                         HermitianMatrix& workspace) {
    const SignatureSummary r = HermitianSignatureInPlace(v, n, SamplePoint(k, count), workspace);
    if (r.SignatureInaccurate) return {kSkippedSample, false};
    return {static_cast<int16_t>(r.signature), !r.numericallySingular};
}

void CheckSampleArguments(int n, int64_t count) {
    CheckSize(n, "LevineTristram size");
    if (count < 1) throw RangeError("Levine-Tristram value count");
}

// Where each sample lies: arc[k] = the number of guard points (0 turns, the root angles) at or
// below k/N, so that samples with equal arc numbers lie on one arc between roots; near[k] when
// the sample is within kRootGuard of a root angle or of 0 or 1 turns.
struct SamplePlaces {
    std::vector<int32_t> arc;
    std::vector<char> near;
};

SamplePlaces PlaceSamples(const std::vector<long double>& roots, int64_t count) {
    std::vector<long double> guards{0.0L};
    guards.insert(guards.end(), roots.begin(), roots.end());
    guards.push_back(1.0L);
    SamplePlaces places{std::vector<int32_t>(static_cast<size_t>(count), 0),
                        std::vector<char>(static_cast<size_t>(count), 0)};
    size_t g = 0;
    for (int64_t k = 1; k < count; ++k) {
        const long double x = static_cast<long double>(k) / static_cast<long double>(count);
        // guards[g] is the last guard at or below x, guards[g + 1] the first above.
        while (g + 1 < guards.size() && guards[g + 1] <= x) ++g;
        const bool belowNear = x - guards[g] <= kRootGuard;
        const bool aboveNear = g + 1 < guards.size() && guards[g + 1] - x <= kRootGuard;
        places.arc[static_cast<size_t>(k)] = static_cast<int32_t>(g);
        places.near[static_cast<size_t>(k)] = belowNear || aboveNear ? 1 : 0;
    }
    return places;
}

// CheckPause() once for every multiple of 100 in first..last, as a sampling loop reaching each
// of them would; returns the sample after whose poll `stop` was found set, or 0 when it was not.
int64_t PollRange(int64_t first, int64_t last, const std::atomic<bool>& stop) {
    for (int64_t k = (first + 99) / 100 * 100; k <= last; k += 100) {
        CheckPause();
        if (stop) return k;
    }
    return 0;
}

// Largest |s|, largest and smallest sample with their positions; weights gcd(k, N) decide ties.
SampleExtremes ExtremesOf(const LevineTristramSamples& samples, int64_t count) {
    // gcd(k, N) for every k, from the divisors of N in increasing order.
    std::vector<int64_t> divisors;
    for (int64_t d = 1; d * d <= count; ++d) {
        if (count % d != 0) continue;
        divisors.push_back(d);
        if (d * d != count) divisors.push_back(count / d);
    }
    std::sort(divisors.begin(), divisors.end());
    std::vector<int64_t> weight(static_cast<size_t>(count), 1);
    for (const int64_t d : divisors) {
        for (int64_t k = d; k < count; k += d) weight[static_cast<size_t>(k)] = d;
    }
    SampleExtremes extremes;
    for (int64_t k = 1; k <= samples.taken; ++k) {
        const int16_t s = samples.values[static_cast<size_t>(k - 1)];
        if (s != kSkippedSample) AcceptSample(extremes, s, k, weight[static_cast<size_t>(k)]);
    }
    return extremes;
}

LevineTristramResult RecordSampling(KnotState& state, const LevineTristramSamples& samples,
                                    int64_t count) {
    const SampleExtremes extremes = ExtremesOf(samples, count);
    if (samples.stopped) return Summarize(extremes, true);
    RecordSamples(state, extremes, count);
    return Summarize(extremes, false);
}

}  // namespace

LevineTristramSamples SampleEachPoint(const IntMatrix& v, int n, int64_t count,
                                      const std::atomic<bool>& stop) {
    CheckSampleArguments(n, count);
    LevineTristramSamples samples;
    samples.values.assign(static_cast<size_t>(count - 1), kSkippedSample);
    HermitianMatrix& workspace = EvaluationWorkspace();
    for (int64_t k = 1; k < count; ++k) {
        samples.values[static_cast<size_t>(k - 1)] = EvaluatePoint(v, n, k, count, workspace).value;
        ++samples.eliminations;
        samples.taken = k;
        if (k % 100 == 0) CheckPause();
        if (stop) {
            samples.stopped = true;
            break;
        }
    }
    return samples;
}

LevineTristramSamples SampleByArcs(const IntMatrix& v, int n, int64_t count,
                                   const std::atomic<bool>& stop) {
    CheckSampleArguments(n, count);
    if (count < kFewestIntervalSamples) return SampleEachPoint(v, n, count, stop);
    const std::optional<std::vector<long double>> roots = CircleRootAngles(v, n);
    if (!roots) return SampleEachPoint(v, n, count, stop);
    const SamplePlaces places = PlaceSamples(*roots, count);
    const auto near = [&](int64_t k) { return places.near[static_cast<size_t>(k)] != 0; };
    const auto sameArc = [&](int64_t k, int64_t l) {
        return places.arc[static_cast<size_t>(k)] == places.arc[static_cast<size_t>(l)];
    };
    LevineTristramSamples samples;
    samples.values.assign(static_cast<size_t>(count - 1), kSkippedSample);
    HermitianMatrix& workspace = EvaluationWorkspace();
    const auto evaluate = [&](int64_t k) {
        const PointValue p = EvaluatePoint(v, n, k, count, workspace);
        samples.values[static_cast<size_t>(k - 1)] = p.value;
        ++samples.eliminations;
        return p;
    };
    for (int64_t a = 1; a < count;) {
        int64_t b = a;
        if (near(a)) {
            evaluate(a);
        } else {
            while (b + 1 < count && !near(b + 1) && sameArc(a, b + 1)) ++b;
            const PointValue first = evaluate(a);
            const PointValue last = b > a ? evaluate(b) : first;
            if (first.regular && last.regular && first.value == last.value) {
                std::fill(samples.values.begin() + (a - 1), samples.values.begin() + b,
                          first.value);
            } else {
                for (int64_t k = a + 1; k < b; ++k) evaluate(k);
            }
        }
        const int64_t stoppedAt = PollRange(a, b, stop);
        samples.taken = stoppedAt != 0 ? stoppedAt : b;
        if (stop) {
            samples.stopped = true;
            break;
        }
        a = b + 1;
    }
    return samples;
}

LevineTristramResult LevineTristram(KnotState& state, const IntMatrix& v, int n) {
    const int64_t count = state.Settings.ltValueCount;
    return RecordSampling(state, SampleByArcs(v, n, count, state.StopRequested), count);
}

LevineTristramResult LevineTristramEachPoint(KnotState& state, const IntMatrix& v, int n) {
    const int64_t count = state.Settings.ltValueCount;
    return RecordSampling(state, SampleEachPoint(v, n, count, state.StopRequested), count);
}

}  // namespace corvane
