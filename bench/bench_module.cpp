// Cost per knot of the Alexander module steps on the Rolfsen table: the Nakanishi search at the
// lowest effort (3 tries) and the highest (3 + 900 tries, run to the end by a lower bound that
// the search cannot meet), the Alexander module over the fourteen primes, and the Blanchfield
// pairing of a cyclic generator. Each iteration runs the step once on every knot of the table.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "../tests/arith/test_matrices.h"
#include "arith/checked.h"
#include "invariants/alexander.h"
#include "invariants/alexander_module.h"
#include "invariants/blanchfield.h"
#include "invariants/nakanishi.h"
#include "knot/knot_context.h"

namespace corvane {
namespace {

const std::string kDataDir = CORVANE_BENCH_DATA_DIR;

const std::vector<test::KnotMatrix>& Table() {
    static const auto knots = test::ReadKnotMatrices(kDataDir + "/rolfsen-8-matrices.txt");
    return knots;
}

// The knot as the sequence leaves it after the Alexander polynomial.
void Prepare(KnotState& state, const test::KnotMatrix& k, int32_t lower, int32_t upper) {
    KnotRecord& knot = state.record;
    ApplyInitialResultLayout(knot);
    knot.generatorText.clear();
    knot.blanchfieldText.clear();
    knot.lowerBound = 1;
    knot.nakanishiLower = lower;
    knot.nakanishiUpper = upper;
    state.WorkingMatrix = k.v;
    state.WorkingSize = k.n;
    const AlexanderResult a = AlexanderPolynomial(k.v, k.n, false);
    state.DetBlockSize = a.DetBlockSize;
    state.AlexanderPoly = PolyNormSigns(a.out);
    state.AlexanderLaurent = LaurentFromPoly(state.AlexanderPoly, -state.AlexanderPoly.degree / 2);
    state.presentationText.clear();
    ClearTrouble();
}

void NakanishiSearch(benchmark::State& bs, int64_t tries, int32_t lower) {
    SilentRunHost host;
    KnotContext ctx(host);
    KnotState& state = ctx.state;
    for (auto _ : bs) {
        for (const auto& k : Table()) {
            Prepare(state, k, lower, -1);
            NakanishiBounds(ctx, tries);
            benchmark::DoNotOptimize(state.record.nakanishiUpper);
        }
    }
    bs.counters["per_knot_us"] = benchmark::Counter(
        static_cast<double>(Table().size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert,
        benchmark::Counter::OneK::kIs1000);
}

void BM_NakanishiLowEffort(benchmark::State& bs) {
    NakanishiSearch(bs, 3, 1);
}
BENCHMARK(BM_NakanishiLowEffort)->Unit(benchmark::kMillisecond);

// Lower bound 0 keeps the search from stopping at a count of 1: every try runs.
void BM_NakanishiVeryLargeEffortAllTries(benchmark::State& bs) {
    NakanishiSearch(bs, 903, 0);
}
BENCHMARK(BM_NakanishiVeryLargeEffortAllTries)->Unit(benchmark::kMillisecond);

void BM_AlexanderModuleBound(benchmark::State& bs) {
    KnotState state;
    for (auto _ : bs) {
        for (const auto& k : Table()) {
            Prepare(state, k, 1, 12);  // an upper bound that lets every prime be tried
            benchmark::DoNotOptimize(AlexanderModuleBound(state).best);
        }
    }
}
BENCHMARK(BM_AlexanderModuleBound)->Unit(benchmark::kMillisecond);

void BM_BlanchfieldOfFirstBasisVector(benchmark::State& bs) {
    KnotState state;
    for (auto _ : bs) {
        for (const auto& k : Table()) {
            Prepare(state, k, 1, -1);
            PolyVector g;
            g(1) = PolyOne();
            RecordCyclicGenerator(state, g);
            benchmark::DoNotOptimize(state.record.blanchfieldText);
        }
    }
}
BENCHMARK(BM_BlanchfieldOfFirstBasisVector)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane
