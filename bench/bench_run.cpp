// Whole runs over the Rolfsen table (35 knots up to eight crossings), knots per second, at the
// default settings and at the largest value counts.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "driver/run_calculation.h"
#include "knot/knot_context.h"

namespace {

namespace fs = std::filesystem;

fs::path RolfsenList() {
    const fs::path dir = fs::temp_directory_path() / "corvane_bench_run";
    fs::create_directories(dir);
    const fs::path list = dir / "rolfsen.txt";
    std::ifstream in(std::string(CORVANE_BENCH_DATA_DIR) + "/rolfsen-8-matrices.txt",
                     std::ios::binary);
    std::stringstream contents;
    contents << in.rdbuf();
    std::ofstream(list, std::ios::binary) << contents.str();
    return list;
}

void RunRolfsen(benchmark::State& bench, int ltValues, int mahlerValues) {
    const fs::path list = RolfsenList();
    corvane::RunState state;
    state.Settings.ltValueCount = ltValues;
    state.Settings.mahlerValueCount = mahlerValues;
    corvane::SilentRunHost host;
    int knots = 0;
    for (auto _ : bench) {
        const corvane::RunOutcome outcome = corvane::RunCalculation(state, host, list);
        benchmark::DoNotOptimize(outcome.end);
        knots += state.KnotCount();
    }
    bench.SetItemsProcessed(knots);
}

void BM_RolfsenRunDefault(benchmark::State& bench) {
    RunRolfsen(bench, 16, 16384);
}
void BM_RolfsenRunLargestCounts(benchmark::State& bench) {
    RunRolfsen(bench, 8096, 2097152);
}

}  // namespace

BENCHMARK(BM_RolfsenRunDefault)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RolfsenRunLargestCounts)->Unit(benchmark::kMillisecond);
