// Cost of the linking pairing obstruction to u_a = 2 as the determinant D grows: the candidate
// forms alone, the whole test on twist-like knots (H_1(L_2) = Z/D, a fitting pair is found), the
// exhaustive search on knots where the obstruction holds, and the 3 × 3 form table of a run start.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>
#include <vector>

#include "unknotting/linking_forms.h"
#include "unknotting/linking_pairing.h"

namespace corvane {
namespace {

const std::vector<Form2>& Table() {
    static const std::vector<Form2> table = BuildFormTable2();
    return table;
}

void BM_CandidateForms(benchmark::State& state) {
    const int64_t d = state.range(0);
    const int32_t signature = static_cast<int32_t>(state.range(1));
    std::vector<CandidateForm> forms;
    forms.reserve(kMaxCandidateForms);
    for (auto _ : state) {
        forms.clear();
        benchmark::DoNotOptimize(EnumerateCandidateForms(forms, d, signature, Table()));
    }
    state.counters["D"] = static_cast<double>(d);
    state.counters["forms"] = static_cast<double>(forms.size());
}
// Every knot has (-1)^(σ/2)·D ≡ 1 (mod 4): D ≡ 3 for signature 0 and D ≡ 1 for signature 4.
BENCHMARK(BM_CandidateForms)
    ->Args({15, 0})
    ->Args({255, 0})
    ->Args({4095, 0})
    ->Args({65535, 0})
    ->Args({1048575, 0})
    ->Args({17, 4})
    ->Args({257, 4})
    ->Args({4097, 4})
    ->Args({65537, 4})
    ->Args({1048577, 4})
    ->Unit(benchmark::kMicrosecond);

// V = [[a, 1], [0, a]]: C = [[2a, 1], [1, 2a]], D = 4a² - 1, H_1(L_2) cyclic, signature 2.
void BM_TwistLikeKnot(benchmark::State& state) {
    const int64_t a = state.range(0);
    IntMatrix v;
    v(1, 1) = a;
    v(1, 2) = 1;
    v(2, 2) = a;
    LinkingPairingOutcome outcome;
    for (auto _ : state) outcome = LinkingPairingVerdictOf(v, 2, 2, Table());
    state.counters["D"] = static_cast<double>(4 * a * a - 1);
    state.counters["obstructed"] = outcome.verdict == LinkingPairingVerdict::obstructed;
    state.counters["candidates"] = outcome.candidateCount;
}
BENCHMARK(BM_TwistLikeKnot)->RangeMultiplier(4)->Range(2, 128)->Unit(benchmark::kMicrosecond);

// Connected sums on which the obstruction holds, so every pair is tried: D = 75 (3_1#4_1#4_1,
// 3_1#m5_1#5_1) and D = 45 (3_1#3_1#4_1, signature 4).
void BM_ObstructedSum(benchmark::State& state, const std::string& name, int32_t signature) {
    std::ifstream in(std::string(CORVANE_BENCH_DATA_DIR) + "/linking-pairing-knots.txt");
    std::string line;
    IntMatrix v;
    int n = 0;
    while (std::getline(in, line)) {
        if (line.rfind(name + "\t", 0) != 0) continue;
        std::vector<int64_t> entries;
        std::string digits;
        for (const char c : line.substr(name.size()) + ",") {
            if (c == '-' || (c >= '0' && c <= '9')) {
                digits.push_back(c);
            } else if (!digits.empty()) {
                entries.push_back(std::stoll(digits));
                digits.clear();
            }
        }
        while (n * n < static_cast<int>(entries.size())) ++n;
        for (int i = 0; i < n * n; ++i) v(i / n + 1, i % n + 1) = entries[i];
    }
    LinkingPairingOutcome outcome;
    for (auto _ : state) outcome = LinkingPairingVerdictOf(v, n, signature, Table());
    state.counters["obstructed"] = outcome.verdict == LinkingPairingVerdict::obstructed;
}
BENCHMARK_CAPTURE(BM_ObstructedSum, sum_3_1_4_1_4_1, std::string("3_1#4_1#4_1"), 2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ObstructedSum, sum_3_1_m5_1_5_1, std::string("3_1#m5_1#5_1"), 2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ObstructedSum, sum_3_1_3_1_4_1, std::string("3_1#3_1#4_1"), 4)
    ->Unit(benchmark::kMillisecond);

void BM_FormTable3(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(BuildFormTable3());
}
BENCHMARK(BM_FormTable3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane
