#include "invariants/mu_invariant.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "arith/checked.h"
#include "arith/poll.h"
#include "invariants/signature.h"

namespace corvane {
namespace {

constexpr int kSamples = 1024;
// Sign changes and extrema this close to z = 1 are left alone.
constexpr int kMargin = kSamples / 20;
constexpr int kMaxRefinements = 101;
// A refinement stops once |D| is this small.
constexpr long double kRefined = 1e-8L;
// The refinement of an extremum stops only here: at a zero of nullity z the diagonal entries
// that vanish shrink like the z-th root of D, so |D| < 1e-8 leaves entries near 1e-4 at a double
// zero, outside the null tolerance, and the zero would be missed.
constexpr long double kExtremumRefined = 1e-18L;
// A refined point with |D| below this is a zero, and diagonal entries within ± this are null.
constexpr long double kZero = 1e-5L;

// The evaluations of one estimate: H(t) is eliminated in one workspace, which afterwards holds
// the reduced matrix of the last evaluation. An inaccurate evaluation leaves the previous value of
// D, as the value of a void evaluation carries no information.
class FormEvaluator {
  public:
    FormEvaluator(const IntMatrix& v, int n) : v_(v), n_(n) {}

    // D(t); the summary of the evaluation is kept for Accurate() and Signature().
    long double operator()(long double t) {
        last_ = HermitianSignatureInPlace(v_, n_, ComplexFromAngle(t), workspace_);
        if (!last_.SignatureInaccurate) value_ = last_.pivotProduct.re;
        return value_;
    }
    bool Accurate() const { return !last_.SignatureInaccurate; }
    int32_t Signature() const { return last_.signature; }

    // Signature p and nullity z of the last reduced matrix, read off its diagonal with the zero
    // tolerance kZero. Entries beyond a numerically zero row are all below the row tolerance, so
    // they count as null as well.
    void CountAtZero(int32_t& p, int32_t& z) const {
        p = 0;
        z = 0;
        for (int k = 1; k <= n_; ++k) {
            const long double d = workspace_(k, k).re;
            if (d > kZero) p = PlainAdd(p, 1);
            if (d < -kZero) p = PlainSub(p, 1);
            if (std::fabs(d) <= kZero) z = PlainAdd(z, 1);
        }
    }

  private:
    const IntMatrix& v_;
    const int n_;
    HermitianMatrix workspace_;
    SignatureSummary last_;
    long double value_ = 1.0L;
};

bool SameSign(long double x, long double y) {
    return x != 0.0L && y != 0.0L && (x > 0.0L) == (y > 0.0L);
}

// The estimate in progress.
struct Estimate {
    std::array<long double, kSamples + 1> D{};  // D[1..N-1]
    MuResult result;
};

// Widens the range by the signature ± nullity of the last evaluation, when it was accurate and
// its |D| is below the zero tolerance.
void AcceptZero(const FormEvaluator& eval, long double d, MuResult& r) {
    if (!eval.Accurate() || std::fabs(d) >= kZero) return;
    int32_t p = 0;
    int32_t z = 0;
    eval.CountAtZero(p, z);
    r.maxSig = std::max(r.maxSig, static_cast<int32_t>(PlainAdd(p, z)));
    r.minSig = std::min(r.minSig, static_cast<int32_t>(PlainSub(p, z)));
}

// Step 1: the samples. False when stopped.
bool Sample(FormEvaluator& eval, Estimate& e, const std::atomic<bool>& stop) {
    for (int k = 1; k < kSamples; ++k) {
        e.D[k] = eval(static_cast<long double>(k) / kSamples);
        if (eval.Accurate()) {
            e.result.maxSig = std::max(e.result.maxSig, eval.Signature());
            e.result.minSig = std::min(e.result.minSig, eval.Signature());
        }
        if (k % 100 == 0) CheckPause();
        if (stop) return false;
    }
    return true;
}

// Step 2: false position on [k/N, (k+1)/N], where D changes sign. False when stopped.
bool RefineSignChange(FormEvaluator& eval, Estimate& e, int k, const std::atomic<bool>& stop) {
    long double a = static_cast<long double>(k) / kSamples;
    long double b = static_cast<long double>(k + 1) / kSamples;
    long double da = e.D[k];
    long double db = e.D[k + 1];
    long double d = da;
    for (int step = 0; step < kMaxRefinements; ++step) {
        CheckPause();
        if (stop) return false;
        const long double t = a + std::fabs(da) * (b - a) / (std::fabs(da) + std::fabs(db));
        d = eval(t);
        if (SameSign(d, da)) {
            a = t;
            da = d;
        }
        if (SameSign(d, db)) {
            b = t;
            db = d;
        }
        if (std::fabs(d) < kRefined) break;
    }
    AcceptZero(eval, d, e.result);
    return true;
}

// A point of the triple refinement with its value.
struct Point {
    long double t;
    long double d;
};

// Three points a < b < c around an extremum of D at b.
struct Triple {
    Point a, b, c;
};

// One step of the triple refinement for a maximum (s = 1) or a minimum (s = -1): the midpoints
// m1 of [a, b] and m2 of [b, c] are evaluated and the triple moves to the one of (a, m1, b),
// (m1, b, m2), (b, m2, c) whose middle value is extreme among its neighbours; of several, the
// last one listed wins, and with none the triple stays.
Triple ShrinkTriple(FormEvaluator& eval, const Triple& x, int s) {
    const long double t1 = (x.a.t + x.b.t) / 2.0L;
    const Point m1{t1, eval(t1)};
    const long double t2 = (x.b.t + x.c.t) / 2.0L;
    const Point m2{t2, eval(t2)};
    Triple next = x;
    if (s * m1.d > s * x.a.d && s * m1.d > s * x.b.d) next = {x.a, m1, x.b};
    if (s * x.b.d > s * m1.d && s * x.b.d > s * m2.d) next = {m1, x.b, m2};
    if (s * m2.d > s * x.b.d && s * m2.d > s * x.c.d) next = {x.b, m2, x.c};
    return next;
}

// Step 3: shrinks the triple around a strict local maximum (s = 1) or minimum (s = -1) of D at
// (k+1)/N. False when stopped.
bool RefineExtremum(FormEvaluator& eval, Estimate& e, int k, int s, const std::atomic<bool>& stop) {
    const auto at = [&e](int i) { return Point{static_cast<long double>(i) / kSamples, e.D[i]}; };
    Triple x{at(k), at(k + 1), at(k + 2)};
    for (int step = 0; step < kMaxRefinements; ++step) {
        CheckPause();
        if (stop) return false;
        x = ShrinkTriple(eval, x, s);
        if (std::fabs(x.b.d) < kExtremumRefined) break;
    }
    if (std::fabs(x.b.d) >= kZero) return true;
    AcceptZero(eval, eval(x.b.t), e.result);
    return true;
}

// Steps 2 and 3 over the examined range. False when stopped.
bool RefineZeros(FormEvaluator& eval, Estimate& e, const std::atomic<bool>& stop) {
    for (int k = kMargin; k <= kSamples - kMargin; ++k) {
        if (!SameSign(e.D[k], e.D[k + 1]) && e.D[k] != 0.0L && e.D[k + 1] != 0.0L) {
            if (!RefineSignChange(eval, e, k, stop)) return false;
        }
    }
    for (int k = kMargin; k <= kSamples - kMargin; ++k) {
        const long double mid = e.D[k + 1];
        int s = 0;
        if (mid > e.D[k] && mid > e.D[k + 2]) s = 1;
        if (mid < e.D[k] && mid < e.D[k + 2]) s = -1;
        if (s == 0) continue;
        if (!RefineExtremum(eval, e, k, s, stop)) return false;
    }
    return true;
}

}  // namespace

MuResult MuInvariant(const IntMatrix& v, int n, const std::atomic<bool>& stopRequested) {
    if (n < 0 || n > kMatrixDim) throw RangeError("MuInvariant size");
    FormEvaluator eval(v, n);
    Estimate e;
    if (!Sample(eval, e, stopRequested) || !RefineZeros(eval, e, stopRequested)) {
        e.result.stopped = true;
    }
    e.result.mu = static_cast<int32_t>(PlainSub(e.result.maxSig, e.result.minSig));
    return e.result;
}

void MuInvariantStep(KnotContext& ctx, int32_t ltSpread) {
    KnotState& state = ctx.state;
    ctx.display.StatusText = "Calculate mu(K)";
    ctx.display.ShowStatus(false);
    const MuResult r = MuInvariant(state.WorkingMatrix, state.WorkingSize, state.StopRequested);
    if (r.stopped) return;
    state.record.mu = r.mu;
    const std::string name = "mu(K) = " + std::to_string(r.mu);
    RaiseLowerBound(state, static_cast<int32_t>((static_cast<int64_t>(r.mu) + 1) / 2), name, "b,");
    if (ltSpread / 2 > r.mu / 2) SetResultField(state, "md" + name, "md" + name);
}

}  // namespace corvane
