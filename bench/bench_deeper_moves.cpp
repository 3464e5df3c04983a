// The time per knot of whole runs of the Rolfsen table with every invariant at large and very
// large unknotting effort, and the part of it spent in the searches for three and more moves:
// at those efforts only 7_1 and 8_19 (u_a = 3) reach them, each from lower bound 3.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>

#include "arith/sequivalence.h"
#include "driver/run_calculation.h"
#include "knot/knot_context.h"
#include "unknotting/deeper_search.h"
#include "unknotting/move_search.h"

namespace corvane {
namespace {

void BM_RolfsenPerKnot(benchmark::State& bench) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "corvane_bench_deeper";
    fs::create_directories(dir);
    fs::copy_file(std::string(CORVANE_BENCH_DATA_DIR) + "/rolfsen-8-matrices.txt",
                  dir / "rolfsen.txt", fs::copy_options::overwrite_existing);
    int64_t knots = 0;
    for (auto _ : bench) {
        RunState state;
        SilentRunHost host;
        state.Settings.computeAll = true;
        state.Settings.unknottingEffort = static_cast<int32_t>(bench.range(0));
        benchmark::DoNotOptimize(RunCalculation(state, host, dir / "rolfsen.txt").end);
        knots += state.KnotCount();
    }
    bench.counters["per knot"] = benchmark::Counter(
        static_cast<double>(knots), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RolfsenPerKnot)->Arg(2)->Arg(3)->UseRealTime()->Unit(benchmark::kMillisecond);

// The deeper searches of one run: 7_1 (T(2,7)) and 8_19 (T(3,4)) from lower bound 3, as the
// invariant sequence leaves them.
void BM_DeeperSearchesOfTheRun(benchmark::State& bench) {
    // Seifert matrices of the closed braids σ1^7 and (σ1σ2)^4 from the Rolfsen list.
    const IntMatrix t27 = [] {
        IntMatrix v;
        for (int i = 1; i <= 6; ++i) {
            v(i, i) = 1;
            if (i < 6) v(i, i + 1) = -1;
        }
        return v;
    }();
    IntMatrix t34;
    const int rows[6][6] = {{-1, 0, 0, 0, 0, 0}, {1, -1, 0, 0, 0, 0}, {0, 1, -1, 1, 0, 0},
                            {0, 0, 0, -1, 0, 0}, {0, 0, 1, 0, -1, 0}, {0, 0, 0, 0, 1, -1}};
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j) t34(i + 1, j + 1) = rows[i][j];
    SilentRunHost host;
    const auto levels = std::make_unique<MoveSearchLevels>();
    int64_t found = 0;
    for (auto _ : bench) {
        for (const IntMatrix* v : std::initializer_list<const IntMatrix*>{&t27, &t34}) {
            KnotContext ctx(host);
            ctx.state.Settings.unknottingEffort = static_cast<int32_t>(bench.range(0));
            ctx.state.WorkingMatrix = *v;
            ctx.state.WorkingSize = 6;
            ctx.state.record.lowerBound = 3;
            ctx.state.record.upperBound = -1;
            DeeperMoveSearch(ctx, *levels);
            found += ctx.state.record.upperBound == 3;
        }
    }
    bench.counters["found"] =
        benchmark::Counter(static_cast<double>(found), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_DeeperSearchesOfTheRun)->Arg(2)->Arg(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane
