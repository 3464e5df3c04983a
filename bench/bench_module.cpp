// Cost per knot of the Alexander module steps on the Rolfsen table: the Nakanishi search at the
// lowest effort (3 tries) and the highest (3 + 900 tries, run to the end by a lower bound that
// the search cannot meet), the Alexander module over the fourteen primes, and the Blanchfield
// pairing of a cyclic generator. Each iteration runs the step once on every knot of the table.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "../tests/arith/test_matrices.h"
#include "arith/checked.h"
#include "driver/run_context.h"
#include "invariants/alexander.h"
#include "invariants/alexander_module.h"
#include "invariants/blanchfield.h"
#include "invariants/nakanishi.h"

namespace corvane {
namespace {

const std::string kDataDir = CORVANE_BENCH_DATA_DIR;

class SilentHost : public RunHost {
  public:
    void DrawText(int, int, std::string_view, StatusKind) override {}
};

const std::vector<test::KnotMatrix>& Table() {
    static const auto knots = test::ReadKnotMatrices(kDataDir + "/rolfsen-8-matrices.txt");
    return knots;
}

// The knot as the sequence leaves it after the Alexander polynomial.
void Prepare(RunState& state, const test::KnotMatrix& k, int32_t lower, int32_t upper) {
    if (state.KnotCount() == 0) {
        state.Knots.Append();
        ResetForRunStart(state);
        state.CurrentKnot = 1;
    }
    KnotRecord& knot = CurrentRecord(state);
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
    RunState state;
    SilentHost host;
    RunContext ctx(state, host, "bench.txt");
    for (auto _ : bs) {
        for (const auto& k : Table()) {
            Prepare(state, k, lower, -1);
            NakanishiBounds(ctx, tries);
            benchmark::DoNotOptimize(CurrentRecord(state).nakanishiUpper);
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
    RunState state;
    for (auto _ : bs) {
        for (const auto& k : Table()) {
            Prepare(state, k, 1, 12);  // an upper bound that lets every prime be tried
            benchmark::DoNotOptimize(AlexanderModuleBound(state).best);
        }
    }
}
BENCHMARK(BM_AlexanderModuleBound)->Unit(benchmark::kMillisecond);

void BM_BlanchfieldOfFirstBasisVector(benchmark::State& bs) {
    RunState state;
    for (auto _ : bs) {
        for (const auto& k : Table()) {
            Prepare(state, k, 1, -1);
            PolyVector g;
            g(1) = PolyOne();
            RecordCyclicGenerator(state, g);
            benchmark::DoNotOptimize(CurrentRecord(state).blanchfieldText);
        }
    }
}
BENCHMARK(BM_BlanchfieldOfFirstBasisVector)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane
