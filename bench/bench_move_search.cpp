// Attempts per second of the unknotting move search by matrix size (knots with signature 2k need
// k moves, so a one-move search on them spends its whole budget), and whole runs of the Rolfsen
// table with every invariant at each unknotting effort.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run_calculation.h"
#include "knot/knot_context.h"
#include "unknotting/blanchfield_unit.h"
#include "unknotting/move_search.h"

namespace corvane {
namespace {

// The torus knot T(2, 2k+1) as a 2k × 2k Seifert matrix: 1 on the diagonal, -1 above it.
IntMatrix TorusKnotMatrix(int size) {
    IntMatrix v;
    for (int i = 1; i <= size; ++i) {
        v(i, i) = 1;
        if (i < size) v(i, i + 1) = -1;
    }
    return v;
}

void BM_MoveSearchAttempts(benchmark::State& bench) {
    const int size = static_cast<int>(bench.range(0));
    SilentRunHost host;
    KnotContext ctx(host);
    const auto levels = std::make_unique<MoveSearchLevels>();
    const IntMatrix v = TorusKnotMatrix(size);
    int64_t attempts = 0;
    for (auto _ : bench) {
        levels->Matrices[1] = v;
        benchmark::DoNotOptimize(UnknottingMoveSearch(ctx, *levels, size, 4010, 1, true));
        attempts += levels->Attempts[1];
    }
    bench.counters["attempts/s"] =
        benchmark::Counter(static_cast<double>(attempts), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MoveSearchAttempts)->Arg(4)->Arg(6)->Arg(8)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_RolfsenComputeAll(benchmark::State& bench) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "corvane_bench_moves";
    fs::create_directories(dir);
    fs::copy_file(std::string(CORVANE_BENCH_DATA_DIR) + "/rolfsen-8-matrices.txt",
                  dir / "rolfsen.txt", fs::copy_options::overwrite_existing);
    for (auto _ : bench) {
        RunState state;
        SilentRunHost host;
        state.Settings.computeAll = true;
        state.Settings.unknottingEffort = static_cast<int32_t>(bench.range(0));
        benchmark::DoNotOptimize(RunCalculation(state, host, dir / "rolfsen.txt").end);
    }
}
BENCHMARK(BM_RolfsenComputeAll)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// The search for a unit of the Blanchfield pairing where none exists (f = -t² is not symmetric
// modulo Δ, and norms are): argument 0 with Δ = t⁴ - t² + 1, where Δ(-1) = 1 leaves the test at
// t = -1 nothing to exclude and every candidate costs an exact division; argument 1 with
// Δ = t⁴ - 3t³ + 5t² - 3t + 1, Δ(-1) = 13. The second argument is the budget.
void BM_NormUnitWithoutUnit(benchmark::State& state) {
    const std::vector<int64_t> delta = state.range(0) == 0 ? std::vector<int64_t>{1, 0, -1, 0, 1}
                                                           : std::vector<int64_t>{1, -3, 5, -3, 1};
    for (auto _ : state) {
        benchmark::DoNotOptimize(FindNormUnit({-1}, 2, delta, state.range(1)));
    }
    state.SetItemsProcessed(state.iterations() * state.range(1));
}
BENCHMARK(BM_NormUnitWithoutUnit)
    ->ArgsProduct({{0, 1}, {5000, 50000, 500000}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane
