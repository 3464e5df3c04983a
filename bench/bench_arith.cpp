// Throughput of the integer linear algebra: the diagonal reduction in full and determinant-only
// mode, and the S-equivalence reduction of enlarged knot Seifert matrices, on 10 × 10 and 20 × 20
// inputs. Inputs are deterministic; each benchmark cycles through a small pool of them.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "../tests/arith/test_matrices.h"
#include "arith/checked.h"
#include "arith/diagonalize.h"
#include "arith/sequivalence.h"

namespace corvane {
namespace {

constexpr int kPoolSize = 16;

// Random matrices with small entries in about half (10 × 10) or a third (20 × 20) of the
// places: enough work for the pivot search, while the transforms stay in the checked range.
std::vector<IntMatrix> SparsePool(int n, uint32_t seed) {
    std::mt19937 rng(seed);
    const int64_t bound = n <= 10 ? 2 : 1;
    const int density = n <= 10 ? 2 : 3;  // an entry is non-zero with probability 1/density
    std::vector<IntMatrix> pool;
    for (int k = 0; k < kPoolSize; ++k) {
        IntMatrix m;
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j)
                if (test::UniformInt(rng, 1, density) == 1)
                    m(i, j) = test::UniformInt(rng, -bound, bound);
        pool.push_back(m);
    }
    return pool;
}

// Dense matrices with entries -9..9, for the reduction modulo a prime.
std::vector<IntMatrix> DensePool(int n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<IntMatrix> pool;
    for (int k = 0; k < kPoolSize; ++k) pool.push_back(test::RandomMatrix(rng, n, n, -9, 9));
    return pool;
}

void RunDiagonalize(benchmark::State& state, const std::vector<IntMatrix>& pool,
                    DiagonalizeMode mode) {
    const int n = static_cast<int>(state.range(0));
    size_t k = 0;
    for (auto _ : state) {
        ClearTrouble();
        DiagonalizeResult r = Diagonalize(pool[k], n, n, mode);
        benchmark::DoNotOptimize(r.value);
        if (ArithTrouble) {
            state.SkipWithError(("trouble " + TroubleCode).c_str());
            break;
        }
        k = (k + 1) % pool.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_DiagonalizeFull(benchmark::State& state) {
    const auto pool = SparsePool(static_cast<int>(state.range(0)), 11);
    RunDiagonalize(state, pool, DiagonalizeMode{});
}

void BM_DiagonalizeDeterminant(benchmark::State& state) {
    const auto pool = SparsePool(static_cast<int>(state.range(0)), 11);
    RunDiagonalize(state, pool, DiagonalizeMode{.noTransforms = true});
}

void BM_DiagonalizeDeterminantMod7(benchmark::State& state) {
    const auto pool = DensePool(static_cast<int>(state.range(0)), 13);
    RunDiagonalize(state, pool, DiagonalizeMode{.noTransforms = true, .modulus = 7});
}

// Seifert matrices of 8-crossing knots, enlarged to size n by repeated elementary enlargements
// and sparse unimodular congruences, kept only if their reduction stays in the checked range.
std::vector<std::pair<IntMatrix, int>> EnlargedKnotPool(int n) {
    const auto knots =
        test::ReadKnotMatrices(std::string(CORVANE_BENCH_DATA_DIR) + "/rolfsen-8-matrices.txt");
    std::mt19937 rng(static_cast<uint32_t>(n));
    std::vector<std::pair<IntMatrix, int>> pool;
    for (int attempt = 0; attempt < 200 && static_cast<int>(pool.size()) < kPoolSize; ++attempt) {
        const test::KnotMatrix& knot = knots[attempt % knots.size()];
        if ((n - knot.n) % 2 != 0 || knot.n > n) continue;
        IntMatrix v = knot.v;
        int size = knot.n;
        while (size < n) {
            v = test::ElementaryEnlargement(v, size, rng, test::UniformInt(rng, 0, 1) == 1, 2);
            size += 2;
            v = test::Congruence(v, test::RandomUnimodular(rng, size, size / 2), size);
        }
        const SEquivalenceResult r = MinimalSEquivalent(v, n);
        if (!ArithTrouble && r.ReducedSize < n) pool.emplace_back(v, n);
    }
    return pool;
}

void BM_MinimalSEquivalent(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const auto pool = EnlargedKnotPool(n);
    if (pool.size() < 4) {
        state.SkipWithError("too few enlarged matrices reduce without trouble");
        return;
    }
    size_t k = 0;
    for (auto _ : state) {
        SEquivalenceResult r = MinimalSEquivalent(pool[k].first, pool[k].second);
        benchmark::DoNotOptimize(r.ReducedSize);
        if (ArithTrouble) {
            state.SkipWithError(("trouble " + TroubleCode).c_str());
            break;
        }
        k = (k + 1) % pool.size();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["pool"] = static_cast<double>(pool.size());
}

BENCHMARK(BM_DiagonalizeFull)->Arg(10)->Arg(20);
BENCHMARK(BM_DiagonalizeDeterminant)->Arg(10)->Arg(20);
BENCHMARK(BM_DiagonalizeDeterminantMod7)->Arg(10)->Arg(20);
BENCHMARK(BM_MinimalSEquivalent)->Arg(10)->Arg(20);

}  // namespace
}  // namespace corvane
