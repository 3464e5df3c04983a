// Cost per knot of the Mahler measure (at the smallest and the largest value count), mu(K) and
// the Lickorish test, averaged over the prime knots up to 8 crossings.
#include <benchmark/benchmark.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "invariants/mahler.h"
#include "invariants/mu_invariant.h"
#include "unknotting/lickorish.h"

namespace corvane {
namespace {

struct BenchKnot {
    IntMatrix v;
    int n = 0;
    int32_t signature = 0;
    RatPoly alexander;
};

std::vector<int64_t> Numbers(const std::string& text) {
    std::vector<int64_t> out;
    std::string digits;
    for (const char c : text + ",") {
        if (c == '-' || (c >= '0' && c <= '9')) {
            digits.push_back(c);
        } else if (!digits.empty()) {
            out.push_back(std::stoll(digits));
            digits.clear();
        }
    }
    return out;
}

// The matrices of rolfsen-8-matrices.txt with the polynomials and signatures of the reference.
std::vector<BenchKnot> RolfsenTable() {
    const std::string dir = CORVANE_BENCH_DATA_DIR;
    std::ifstream matrices(dir + "/rolfsen-8-matrices.txt");
    std::ifstream reference(dir + "/rolfsen-8-reference.tsv");
    std::vector<BenchKnot> knots;
    std::string line;
    while (std::getline(matrices, line)) {
        if (line.empty() || line[0] == '%') continue;
        const std::vector<int64_t> entries = Numbers(line.substr(line.find('\t')));
        BenchKnot k;
        while (k.n * k.n < static_cast<int>(entries.size())) ++k.n;
        for (int i = 0; i < k.n * k.n; ++i) k.v(i / k.n + 1, i % k.n + 1) = entries[i];
        knots.push_back(k);
    }
    size_t index = 0;
    while (std::getline(reference, line) && index < knots.size()) {
        if (line.empty() || line[0] == '%' || line.rfind("name\t", 0) == 0) continue;
        std::stringstream fields(line);
        std::string name, alexander, det, signature;
        std::getline(fields, name, '\t');
        std::getline(fields, alexander, '\t');
        std::getline(fields, det, '\t');
        std::getline(fields, signature, '\t');
        const std::vector<int64_t> c = Numbers(alexander);
        for (size_t j = 0; j < c.size(); ++j) knots[index].alexander.c(j).num = c[j];
        knots[index].alexander.degree = static_cast<int64_t>(c.size()) - 1;
        knots[index].signature = std::stoi(signature);
        ++index;
    }
    return knots;
}

// Mahler measure per knot; the argument is the value count.
void BM_MahlerMeasurePerKnot(benchmark::State& state) {
    const auto knots = RolfsenTable();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(MeanLogModulus(knots[i].alexander, state.range(0)));
        i = (i + 1) % knots.size();
    }
}
BENCHMARK(BM_MahlerMeasurePerKnot)
    ->Arg(128)
    ->Arg(16384)
    ->Arg(2097152)
    ->Unit(benchmark::kMillisecond);

void BM_MuInvariantPerKnot(benchmark::State& state) {
    const auto knots = RolfsenTable();
    const std::atomic<bool> stop = false;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(MuInvariant(knots[i].v, knots[i].n, stop).mu);
        i = (i + 1) % knots.size();
    }
}
BENCHMARK(BM_MuInvariantPerKnot)->Unit(benchmark::kMillisecond);

void BM_LickorishTestPerKnot(benchmark::State& state) {
    const auto knots = RolfsenTable();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(LickorishVerdictOf(knots[i].v, knots[i].n, knots[i].signature));
        i = (i + 1) % knots.size();
    }
}
BENCHMARK(BM_LickorishTestPerKnot)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace corvane
