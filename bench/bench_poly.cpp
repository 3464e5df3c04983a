// Cost of the polynomial determinant on tV - Vᵀ and of the Alexander polynomial: the 6 × 6
// Seifert matrices of the prime knots up to eight crossings (expanded whole), a dense random
// 6 × 6 matrix, a 10 × 10 connected sum (four positions eliminated), and a dense random 10 × 10
// matrix, which needs block 8. Inputs come from the test data files.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "../tests/arith/poly_test_support.h"
#include "arith/checked.h"
#include "arith/poly_matrix.h"
#include "invariants/alexander.h"

namespace corvane {
namespace {

const std::string kDataDir = CORVANE_BENCH_DATA_DIR;

struct SeifertInput {
    IntMatrix v;
    int n = 0;
};

std::vector<SeifertInput> RolfsenSixBySix() {
    std::vector<SeifertInput> out;
    for (const auto& knot : polytest::ReadNamedMatrices(kDataDir + "/rolfsen-8-matrices.txt")) {
        if (knot.n == 6) out.push_back({knot.v, knot.n});
    }
    return out;
}

SeifertInput RandomCase(const std::string& name) {
    for (const auto& c : polytest::ReadNamedMatrices(kDataDir + "/alexander-random.tsv")) {
        if (c.name == name) return {c.v, c.n};
    }
    return {};
}

// 7_4 # 6_3: the block sum of their Seifert matrices.
SeifertInput ConnectedSumTen() {
    SeifertInput sum;
    int offset = 0;
    for (const auto& knot : polytest::ReadNamedMatrices(kDataDir + "/rolfsen-8-matrices.txt")) {
        if (knot.name != "7_4" && knot.name != "6_3") continue;
        for (int i = 1; i <= knot.n; ++i) {
            for (int j = 1; j <= knot.n; ++j) sum.v(offset + i, offset + j) = knot.v(i, j);
        }
        offset += knot.n;
    }
    sum.n = offset;
    return sum;
}

void RunDeterminant(benchmark::State& state, const std::vector<SeifertInput>& inputs, int block,
                    bool detOnly) {
    std::vector<PolyMatrix> matrices;
    for (const SeifertInput& in : inputs) matrices.push_back(AlexanderMatrix(in.v, in.n));
    size_t k = 0;
    for (auto _ : state) {
        const PolyDeterminantResult r = PolyDeterminant(matrices[k], inputs[k].n, detOnly, block);
        benchmark::DoNotOptimize(r.out);
        if (ArithTrouble || !r.written) state.SkipWithError("determinant failed");
        k = (k + 1) % matrices.size();
    }
}

void RunAlexander(benchmark::State& state, const std::vector<SeifertInput>& inputs) {
    size_t k = 0;
    for (auto _ : state) {
        const AlexanderResult r = AlexanderPolynomial(inputs[k].v, inputs[k].n, false);
        benchmark::DoNotOptimize(r.out);
        if (ArithTrouble) state.SkipWithError("Alexander polynomial failed");
        k = (k + 1) % inputs.size();
    }
}

void BM_PolyDeterminant_Rolfsen6x6(benchmark::State& state) {
    RunDeterminant(state, RolfsenSixBySix(), 6, true);
}
BENCHMARK(BM_PolyDeterminant_Rolfsen6x6);

void BM_PolyDeterminant_Dense6x6(benchmark::State& state) {
    RunDeterminant(state, {RandomCase("r46")}, 6, true);
}
BENCHMARK(BM_PolyDeterminant_Dense6x6);

void BM_PolyDeterminant_ConnectedSum10x10(benchmark::State& state) {
    RunDeterminant(state, {ConnectedSumTen()}, 6, true);
}
BENCHMARK(BM_PolyDeterminant_ConnectedSum10x10);

void BM_PolyDeterminant_Dense10x10Block8(benchmark::State& state) {
    RunDeterminant(state, {RandomCase("r40")}, 8, true);
}
BENCHMARK(BM_PolyDeterminant_Dense10x10Block8);

void BM_PolyDeterminantAdjugate_Rolfsen6x6(benchmark::State& state) {
    RunDeterminant(state, RolfsenSixBySix(), 6, false);
}
BENCHMARK(BM_PolyDeterminantAdjugate_Rolfsen6x6);

void BM_PolyDeterminantAdjugate_ConnectedSum10x10(benchmark::State& state) {
    RunDeterminant(state, {ConnectedSumTen()}, 6, false);
}
BENCHMARK(BM_PolyDeterminantAdjugate_ConnectedSum10x10);

void BM_AlexanderPolynomial_Rolfsen6x6(benchmark::State& state) {
    RunAlexander(state, RolfsenSixBySix());
}
BENCHMARK(BM_AlexanderPolynomial_Rolfsen6x6);

void BM_AlexanderPolynomial_ConnectedSum10x10(benchmark::State& state) {
    RunAlexander(state, {ConnectedSumTen()});
}
BENCHMARK(BM_AlexanderPolynomial_ConnectedSum10x10);

// Blocks 6 and 7 run out of range before block 8 succeeds.
void BM_AlexanderPolynomial_Dense10x10(benchmark::State& state) {
    RunAlexander(state, {RandomCase("r40")});
}
BENCHMARK(BM_AlexanderPolynomial_Dense10x10);

}  // namespace
}  // namespace corvane
