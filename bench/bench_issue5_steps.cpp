// Cost per knot of the Mahler measure (from the roots, and as the sampled mean at the three value
// counts), mu(K) and the Lickorish test, averaged over the prime knots up to 8 crossings; and the
// Mahler measure from the roots of polynomials of larger degree.
#include <benchmark/benchmark.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "invariants/mahler.h"
#include "invariants/mahler_roots.h"
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

// Mahler measure per knot from the roots of the Alexander polynomial, as the run computes it.
void BM_MahlerMeasurePerKnot(benchmark::State& state) {
    const auto knots = RolfsenTable();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(LogMahlerMeasure(knots[i].alexander, 16384));
        i = (i + 1) % knots.size();
    }
}
BENCHMARK(BM_MahlerMeasurePerKnot)->Unit(benchmark::kMicrosecond);

// The sampled mean per knot, the fallback of the root finder, for reference; the argument is the
// value count.
void BM_SampledMeanPerKnot(benchmark::State& state) {
    const auto knots = RolfsenTable();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(MeanLogModulus(knots[i].alexander, state.range(0)));
        i = (i + 1) % knots.size();
    }
}
BENCHMARK(BM_SampledMeanPerKnot)->Arg(128)->Arg(16384)->Arg(2097152)->Unit(benchmark::kMillisecond);

// The Mahler measure from the roots of a polynomial of the given degree with 62-bit coefficients
// times Φ_6·Φ_10: the cyclotomic split and the root finder at the sizes exact arithmetic will
// bring.
void BM_MahlerMeasureFromRootsByDegree(benchmark::State& state) {
    const auto degree = static_cast<size_t>(state.range(0));
    uint64_t seed = 0x9E3779B97F4A7C15ULL;
    std::vector<int64_t> p(degree - 5);
    for (int64_t& c : p) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        c = static_cast<int64_t>(seed >> 2) - (int64_t{1} << 61);
    }
    std::vector<int64_t> product(degree + 1,
                                 0);  // p·Φ_6·Φ_10 = p·(1 - t + t²)(1 - t + t² - t³ + t⁴)
    const std::vector<int64_t> factor{1, -2, 3, -3, 3, -2, 1};
    for (size_t i = 0; i < p.size(); ++i) {
        for (size_t j = 0; j < factor.size(); ++j) product[i + j] += (p[i] >> 4) * factor[j];
    }
    for (auto _ : state) benchmark::DoNotOptimize(MahlerMeasureFromRoots(product));
}
BENCHMARK(BM_MahlerMeasureFromRootsByDegree)
    ->Arg(20)
    ->Arg(70)
    ->Arg(140)
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
