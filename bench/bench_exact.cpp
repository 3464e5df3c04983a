// The exact invariants past the checked 64-bit range on torus knots with 20 × 20, 40 × 40 and
// 70 × 70 minimal matrices (T(3,11), T(5,11), T(8,11)): Alexander polynomial, determinant,
// H_1(L_2) and signature; and, on the Rolfsen table, how many knots leave the 64-bit fast path and
// what the checks that decide it cost.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "arith/big_integer.h"
#include "arith/checked.h"
#include "arith/diagonalize.h"
#include "arith/exact_reduction.h"
#include "arith/sequivalence.h"
#include "input/braid_line.h"
#include "input/knot_list.h"
#include "invariants/alexander.h"
#include "invariants/exact_signature.h"
#include "invariants/signature.h"

namespace {

using corvane::IntMatrix;

// "[[a, b], [c, d]]" as a matrix and its size, read by the knot list's own matrix reader.
std::pair<IntMatrix, int> ParseMatrix(std::string text) {
    std::erase(text, ' ');
    const corvane::ParsedMatrix parsed = corvane::ParseMatrixText(text);
    return {parsed.entries, parsed.rowCount};
}

// The Seifert matrix of the closure of (σ1⋯σ_{p-1})^q, of size (p - 1)(q - 1).
std::pair<IntMatrix, int> TorusMatrix(int p, int q) {
    std::string word = "{";
    for (int k = 0; k < q; ++k)
        for (int i = 1; i < p; ++i) word += (word.size() > 1 ? "," : "") + std::to_string(i);
    return ParseMatrix(corvane::BraidToMatrixText(word + "}").matrixLine);
}

// p = 3, 5, 8 with q = 11: 20 × 20, 40 × 40, 70 × 70.
std::pair<IntMatrix, int> TorusBySize(int64_t size) {
    if (size == 20) return TorusMatrix(3, 11);
    if (size == 40) return TorusMatrix(5, 11);
    return TorusMatrix(8, 11);
}

void BM_ExactAlexanderPolynomial(benchmark::State& bench) {
    const auto [v, n] = TorusBySize(bench.range(0));
    for (auto _ : bench) benchmark::DoNotOptimize(corvane::ExactAlexanderPolynomial(v, n));
}
BENCHMARK(BM_ExactAlexanderPolynomial)->Arg(20)->Arg(40)->Arg(70)->Unit(benchmark::kMillisecond);

corvane::BigMatrix SymmetrisedBig(const IntMatrix& v, int n) {
    corvane::BigMatrix s(n, n);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) fmpz_set_si(s(i, j), v(i, j) + v(j, i));
    return s;
}

void BM_ExactDeterminant(benchmark::State& bench) {
    const auto [v, n] = TorusBySize(bench.range(0));
    const corvane::BigMatrix s = SymmetrisedBig(v, n);
    for (auto _ : bench) benchmark::DoNotOptimize(corvane::BigDeterminant(s));
}
BENCHMARK(BM_ExactDeterminant)->Arg(20)->Arg(40)->Arg(70)->Unit(benchmark::kMillisecond);

void BM_ExactDoubleCoverHomology(benchmark::State& bench) {
    const auto [v, n] = TorusBySize(bench.range(0));
    const corvane::BigMatrix s = SymmetrisedBig(v, n);
    for (auto _ : bench) benchmark::DoNotOptimize(corvane::SmithInvariantFactors(s));
}
BENCHMARK(BM_ExactDoubleCoverHomology)->Arg(20)->Arg(40)->Arg(70)->Unit(benchmark::kMillisecond);

void BM_ExactSignature(benchmark::State& bench) {
    const auto [v, n] = TorusBySize(bench.range(0));
    for (auto _ : bench) benchmark::DoNotOptimize(corvane::ExactSignature(v, n));
}
BENCHMARK(BM_ExactSignature)->Arg(20)->Arg(40)->Arg(70)->Unit(benchmark::kMillisecond);

// For comparison: the 80-bit elimination at z = -1 on the same matrices.
void BM_FloatSignature(benchmark::State& bench) {
    const auto [v, n] = TorusBySize(bench.range(0));
    corvane::HermitianMatrix workspace;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(
            corvane::HermitianSignatureInPlace(v, n, corvane::ComplexFromReal(-1.0L), workspace));
    }
}
BENCHMARK(BM_FloatSignature)->Arg(20)->Arg(40)->Arg(70)->Unit(benchmark::kMillisecond);

// The Rolfsen table through the decisions between the 64-bit path and the exact one: reduction,
// Alexander polynomial, determinant and signature. Counters: knots, and how many of them would
// take an exact path (expected 0); the time is that of the 64-bit computations plus the checks.
void BM_RolfsenFastPathDecisions(benchmark::State& bench) {
    std::ifstream in(std::string(CORVANE_BENCH_DATA_DIR) + "/rolfsen-8-matrices.txt");
    std::vector<std::pair<IntMatrix, int>> knots;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%') continue;
        knots.push_back(ParseMatrix(line.substr(line.find('\t') + 1)));
    }
    int exact = 0;
    for (auto _ : bench) {
        exact = 0;
        for (const auto& [v, n] : knots) {
            const corvane::ExactReduction r = corvane::MinimalSEquivalentExact(v, n);
            const IntMatrix& w = r.small.matrix;
            const int m = r.small.ReducedSize;
            bool slow = r.big != nullptr;
            corvane::ClearTrouble();
            corvane::AlexanderPolynomial(w, m, false);
            slow = slow || corvane::ArithTrouble;
            corvane::ClearTrouble();
            const IntMatrix s = corvane::MatAdd(w, corvane::Transpose(w, m), m);
            corvane::Diagonalize(s, m, m);
            slow = slow || corvane::ArithTrouble;
            slow = slow || corvane::ExactSignatureNeeded(w, m);
            exact += slow ? 1 : 0;
        }
    }
    bench.counters["knots"] = static_cast<double>(knots.size());
    bench.counters["exact_paths"] = exact;
}
BENCHMARK(BM_RolfsenFastPathDecisions)->Unit(benchmark::kMillisecond);

}  // namespace
