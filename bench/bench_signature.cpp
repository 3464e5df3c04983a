// Cost of the Hermitian signature per evaluation and of the Levine-Tristram sampling per knot,
// on the Seifert matrices of the torus knots T(2, q) (size q - 1).
#include <benchmark/benchmark.h>

#include "invariants/signature.h"
#include "invariants/signature_nullity.h"
#include "knot/knot_context.h"
#include "knot/knot_record.h"

namespace corvane {
namespace {

// -1 on the diagonal, 1 on the superdiagonal: a Seifert matrix of T(2, n + 1).
IntMatrix TorusSeifert(int n) {
    IntMatrix v;
    for (int i = 1; i <= n; ++i) {
        v(i, i) = -1;
        if (i < n) v(i, i + 1) = 1;
    }
    return v;
}

// One evaluation with the reduced matrix returned by value (as mu(K) uses it).
void BM_HermitianSignature(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const IntMatrix v = TorusSeifert(n);
    const ComplexExt z = ComplexFromAngle(0.3L);
    for (auto _ : state) {
        const SignatureResult r = HermitianSignature(v, n, z);
        benchmark::DoNotOptimize(r.signature);
    }
}
BENCHMARK(BM_HermitianSignature)->Arg(2)->Arg(6)->Arg(10);

// One evaluation in a reused workspace (as the sampling loop runs it).
void BM_HermitianSignatureInPlace(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const IntMatrix v = TorusSeifert(n);
    const ComplexExt z = ComplexFromAngle(0.3L);
    HermitianMatrix workspace;
    for (auto _ : state) {
        const SignatureSummary r = HermitianSignatureInPlace(v, n, z, workspace);
        benchmark::DoNotOptimize(r.signature);
    }
}
BENCHMARK(BM_HermitianSignatureInPlace)->Arg(2)->Arg(6)->Arg(10);

// The whole sampling of one 10 × 10 knot at N roots of unity, with its recording.
void BM_LevineTristram(benchmark::State& state) {
    KnotState run;
    ApplyInitialResultLayout(run.record);
    run.Settings.ltValueCount = static_cast<int32_t>(state.range(0));
    const IntMatrix v = TorusSeifert(10);
    for (auto _ : state) {
        run.record.lowerBound = 1;
        const LevineTristramResult r = LevineTristram(run, v, 10);
        benchmark::DoNotOptimize(r.maxAbs);
    }
}
BENCHMARK(BM_LevineTristram)->Arg(16)->Arg(8096)->Unit(benchmark::kMillisecond);

// The exact signature-nullity bound per knot: det N(τ) by interpolation, its factors, the roots
// on the circle and the exact signatures on the arcs between them (n/2 roots for T(2, n + 1)).
void BM_SignatureNullityBound(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const IntMatrix v = TorusSeifert(n);
    for (auto _ : state) benchmark::DoNotOptimize(SignatureNullityBound(v, n).bound);
}
BENCHMARK(BM_SignatureNullityBound)
    ->Arg(2)
    ->Arg(6)
    ->Arg(10)
    ->Arg(20)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane
