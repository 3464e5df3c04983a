// The speed ratios of the signature-type invariants against plain double-precision loops, on the
// minimal Seifert matrices of the Rolfsen table (35 knots up to eight crossings) and of the random
// Seifert matrices of the test data (up to 10 × 10):
//  - MahlerRatio/M: the Mahler measure as the run computes it (from the roots of Δ) against a
//    plain loop that evaluates Δ by Horner's rule at each of the M points and sums the logarithms
//    of the moduli; counter "ratio" = Corvane time / loop time.
//  - LevineTristramRatio: the Levine-Tristram sampling at 8096 values (the run's routine, which
//    evaluates arcs between roots of Δ, and the evaluation of every point on its own, counter
//    "ratio_each_point") against a plain loop of LDL^H factorisations of (1-z)V + (1-z̄)Vᵀ in
//    double precision, one per sample.
// The whole default run against PARI/GP's basic invariants is timed by bench/run_ratio.sh.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <complex>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "arith/checked.h"
#include "arith/sequivalence.h"
#include "input/knot_list.h"
#include "invariants/circle_roots.h"
#include "invariants/mahler.h"
#include "invariants/signature.h"
#include "knot/knot_context.h"
#include "knot/knot_record.h"

namespace corvane {
namespace {

struct MinimalKnot {
    IntMatrix v;
    int n = 0;
    RatPoly alexander;
};

std::string WithoutBlanks(std::string text) {
    std::string out;
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\r') out.push_back(c);
    }
    return out;
}

// Matrix texts of the Rolfsen table and of the random Seifert matrices.
std::vector<std::string> MatrixTexts() {
    std::vector<std::string> texts;
    for (const char* file : {"rolfsen-8-matrices.txt", "random-seifert.tsv"}) {
        std::ifstream in(std::string(CORVANE_BENCH_DATA_DIR) + "/" + file);
        for (std::string line; std::getline(in, line);) {
            const size_t start = line.find("[[");
            if (line.empty() || line[0] == '%' || start == std::string::npos) continue;
            const size_t end = line.find("]]", start);
            texts.push_back(WithoutBlanks(line.substr(start, end + 2 - start)));
        }
    }
    return texts;
}

// The minimal matrices of sizes 1..10 with their Alexander polynomials, as a run has them.
const std::vector<MinimalKnot>& Knots() {
    static const std::vector<MinimalKnot> knots = [] {
        std::vector<MinimalKnot> out;
        for (const std::string& text : MatrixTexts()) {
            const ParsedMatrix parsed = ParseMatrixText(text);
            const SEquivalenceResult minimal = MinimalSEquivalent(parsed.entries, parsed.rowCount);
            if (ArithTrouble || minimal.ReducedSize == 0 || minimal.ReducedSize > 10) continue;
            const auto c = AlexanderCoefficients(minimal.matrix, minimal.ReducedSize);
            if (!c) continue;
            MinimalKnot k{minimal.matrix, minimal.ReducedSize, {}};
            for (size_t j = 0; j < c->size(); ++j)
                k.alexander.c(static_cast<int64_t>(j)).num = (*c)[j];
            k.alexander.degree = PolyDegree(k.alexander);
            out.push_back(k);
        }
        return out;
    }();
    return knots;
}

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// The plain loop: mean of ln|Δ(ζ)| over the M-th roots of unity, Horner's rule in double.
double PlainMahler(const RatPoly& p, int64_t count) {
    double sum = 0.0;
    for (int64_t k = 1; k <= count; ++k) {
        const double angle = 2.0 * std::numbers::pi * static_cast<double>(k) / count;
        const std::complex<double> z(std::cos(angle), std::sin(angle));
        std::complex<double> value = 0.0;
        for (int64_t j = p.degree; j >= 0; --j) value = value * z + static_cast<double>(p.c(j).num);
        sum += std::log(std::abs(value));
    }
    return sum / static_cast<double>(count);
}

void MahlerRatio(benchmark::State& state) {
    const int64_t count = state.range(0);
    // The largest count would take minutes over every knot: the loop sees every eighth.
    const size_t stride = count > 100000 ? 8 : 1;
    double corvane = 0.0;
    double loop = 0.0;
    for (auto _ : state) {
        for (size_t i = 0; i < Knots().size(); i += stride) {
            const RatPoly& p = Knots()[i].alexander;
            const auto t0 = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(LogMahlerMeasure(p, count));
            const auto t1 = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(PlainMahler(p, count));
            const auto t2 = std::chrono::steady_clock::now();
            corvane += Seconds(t0, t1);
            loop += Seconds(t1, t2);
        }
    }
    state.counters["corvane_s"] = corvane / state.iterations();
    state.counters["loop_s"] = loop / state.iterations();
    state.counters["ratio"] = corvane / loop;
}
BENCHMARK(MahlerRatio)->Arg(128)->Arg(16384)->Arg(2097152)->Iterations(1)->Unit(benchmark::kSecond);

// The plain loop: signature of (1-z)V + (1-z̄)Vᵀ by LDL^H without pivoting, in double, at every
// z = e^{2πik/N}, k = 1..N-1; returns the largest |signature| so that nothing is optimised away.
int PlainLevineTristram(const IntMatrix& v, int n, int64_t count) {
    std::vector<std::complex<double>> h(static_cast<size_t>(n * n));
    int largest = 0;
    for (int64_t k = 1; k < count; ++k) {
        const double angle = 2.0 * std::numbers::pi * static_cast<double>(k) / count;
        const std::complex<double> z(std::cos(angle), std::sin(angle));
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                h[i * n + j] = (1.0 - z) * static_cast<double>(v(i + 1, j + 1)) +
                               (1.0 - std::conj(z)) * static_cast<double>(v(j + 1, i + 1));
            }
        }
        int signature = 0;
        for (int p = 0; p < n; ++p) {
            const double d = h[p * n + p].real();
            signature += d > 0 ? 1 : (d < 0 ? -1 : 0);
            for (int i = p + 1; i < n; ++i) {
                const std::complex<double> f = h[i * n + p] / d;
                for (int j = p + 1; j < n; ++j) h[i * n + j] -= f * h[p * n + j];
            }
        }
        largest = std::max(largest, std::abs(signature));
    }
    return largest;
}

void LevineTristramRatio(benchmark::State& state) {
    constexpr int64_t kCount = 8096;
    double arcs = 0.0;
    double each = 0.0;
    double loop = 0.0;
    for (auto _ : state) {
        for (const MinimalKnot& k : Knots()) {
            KnotState run;
            ApplyInitialResultLayout(run.record);
            run.Settings.ltValueCount = kCount;
            const auto t0 = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(LevineTristram(run, k.v, k.n).maxAbs);
            const auto t1 = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(LevineTristramEachPoint(run, k.v, k.n).maxAbs);
            const auto t2 = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(PlainLevineTristram(k.v, k.n, kCount));
            const auto t3 = std::chrono::steady_clock::now();
            arcs += Seconds(t0, t1);
            each += Seconds(t1, t2);
            loop += Seconds(t2, t3);
        }
    }
    state.counters["knots"] = static_cast<double>(Knots().size());
    state.counters["corvane_s"] = arcs / state.iterations();
    state.counters["each_point_s"] = each / state.iterations();
    state.counters["loop_s"] = loop / state.iterations();
    state.counters["ratio"] = arcs / loop;
    state.counters["ratio_each_point"] = each / loop;
}
BENCHMARK(LevineTristramRatio)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace corvane
