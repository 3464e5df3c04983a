// Tests of the arc-wise Levine-Tristram sampling: the Alexander polynomial recovered from values
// on the circle against PARI/GP's and against the closed form of the torus knots, its roots on
// the circle against the lattice angles of the torus knots, and the samples and the printed
// fields against the evaluation of every sample on its own (Rolfsen table, random Seifert
// matrices, torus knots up to 70 × 70 from braid words, whose signatures also follow the closed
// form counting lattice points i/p + j/q).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <complex>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "input/braid_line.h"
#include "input/knot_list.h"
#include "invariants/circle_roots.h"
#include "invariants/signature.h"
#include "knot/knot_context.h"
#include "knot/knot_record.h"

namespace corvane {
namespace {

struct Knot {
    std::string name;
    IntMatrix v;
    int n = 0;
    std::vector<int64_t> alexander;  // reference, when the data file has one
};

std::string WithoutBlanks(std::string text) {
    text.erase(std::remove_if(text.begin(), text.end(),
                              [](char c) { return c == ' ' || c == '\t' || c == '\r'; }),
               text.end());
    return text;
}

Knot FromMatrixText(const std::string& name, const std::string& text) {
    const ParsedMatrix parsed = ParseMatrixText(WithoutBlanks(text));
    return {name, parsed.entries, parsed.rowCount, {}};
}

std::string DataPath(const std::string& file) {
    return std::string(CORVANE_TEST_DATA_DIR) + "/" + file;
}

std::vector<Knot> RolfsenKnots() {
    std::ifstream in(DataPath("rolfsen-8-matrices.txt"));
    std::vector<Knot> knots;
    for (std::string line; std::getline(in, line);) {
        const size_t bracket = line.find("[[");
        if (line.empty() || line[0] == '%' || bracket == std::string::npos) continue;
        knots.push_back(
            FromMatrixText(line.substr(0, line.find_first_of(" \t")), line.substr(bracket)));
    }
    return knots;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    return fields;
}

std::vector<int64_t> Numbers(const std::string& text) {
    std::vector<int64_t> numbers;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, ',');) numbers.push_back(std::stoll(item));
    return numbers;
}

std::vector<Knot> RandomKnots() {
    std::ifstream in(DataPath("random-seifert.tsv"));
    std::vector<Knot> knots;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '%' || line.rfind("name\t", 0) == 0) continue;
        const std::vector<std::string> f = Fields(line);
        Knot k = FromMatrixText(f.at(0), f.at(1));
        k.alexander = Numbers(f.at(2));
        knots.push_back(k);
    }
    return knots;
}

// T(p, q) as the closure of (σ1⋯σ_{p-1})^q, through the braid reader.
Knot TorusKnot(int p, int q) {
    std::string word = "{";
    for (int r = 0; r < q; ++r) {
        for (int i = 1; i < p; ++i) word += (word.size() > 1 ? "," : "") + std::to_string(i);
    }
    const BraidConversion converted = BraidToMatrixText(word + "}");
    EXPECT_TRUE(converted.ok) << converted.error;
    return FromMatrixText("T(" + std::to_string(p) + "," + std::to_string(q) + ")",
                          converted.matrixLine);
}

// Torus knots whose Seifert matrices reach 70 × 70: sizes (p - 1)(q - 1).
const std::vector<std::pair<int, int>> kTorusKnots{{2, 3},  {2, 5},  {3, 4}, {2, 11}, {3, 5},
                                                   {3, 7},  {4, 5},  {5, 6}, {6, 7},  {7, 8},
                                                   {3, 35}, {8, 11}, {2, 71}};

// Integer polynomials from t^0 up: product and exact division.
std::vector<int64_t> Times(const std::vector<int64_t>& a, const std::vector<int64_t>& b) {
    std::vector<int64_t> c(a.size() + b.size() - 1, 0);
    for (size_t i = 0; i < a.size(); ++i) {
        for (size_t j = 0; j < b.size(); ++j) c[i + j] += a[i] * b[j];
    }
    return c;
}

std::vector<int64_t> ExactQuotient(std::vector<int64_t> a, const std::vector<int64_t>& b) {
    std::vector<int64_t> q(a.size() - b.size() + 1, 0);
    for (size_t i = q.size(); i-- > 0;) {
        q[i] = a[i + b.size() - 1] / b.back();
        for (size_t j = 0; j < b.size(); ++j) a[i + j] -= q[i] * b[j];
    }
    EXPECT_TRUE(std::all_of(a.begin(), a.end(), [](int64_t x) { return x == 0; }));
    return q;
}

std::vector<int64_t> PowerMinusOne(int m) {
    std::vector<int64_t> p(static_cast<size_t>(m) + 1, 0);
    p[0] = -1;
    p.back() = 1;
    return p;
}

// (t^pq - 1)(t - 1) / ((t^p - 1)(t^q - 1)).
std::vector<int64_t> TorusAlexander(int p, int q) {
    return ExactQuotient(Times(PowerMinusOne(p * q), PowerMinusOne(1)),
                         Times(PowerMinusOne(p), PowerMinusOne(q)));
}

// Without the factors t^k, with a positive leading coefficient.
std::vector<int64_t> Normalised(std::vector<int64_t> c) {
    while (!c.empty() && c.back() == 0) c.pop_back();
    c.erase(c.begin(), std::find_if(c.begin(), c.end(), [](int64_t x) { return x != 0; }));
    if (!c.empty() && c.back() < 0) {
        for (int64_t& x : c) x = -x;
    }
    return c;
}

// Litherland: for x = k/N in (0, 1), sign_ω(T(p, q)) at ω = e^{2πix} is the number of lattice
// points i/p + j/q (1 <= i < p, 1 <= j < q) outside [x, x + 1] minus the number inside; a point
// on x or x + 1 is a root of Δ (returned as `onRoot`).
int Litherland(int p, int q, int64_t k, int64_t count, bool& onRoot) {
    int sum = 0;
    onRoot = false;
    for (int64_t i = 1; i < p; ++i) {
        for (int64_t j = 1; j < q; ++j) {
            const int64_t point = (i * q + j * p) * count;  // (i/p + j/q)·pq·N
            const int64_t low = k * p * q;
            const int64_t high = (k + count) * p * q;
            if (point == low || point == high) onRoot = true;
            sum += (point > low && point < high) ? -1 : 1;
        }
    }
    return sum;
}

TEST(AlexanderCoefficients, RandomSeifertMatricesMatchTheReference) {
    const std::vector<Knot> knots = RandomKnots();
    ASSERT_GT(knots.size(), 250u);
    for (const Knot& k : knots) {
        const auto c = AlexanderCoefficients(k.v, k.n);
        ASSERT_TRUE(c.has_value()) << k.name;
        EXPECT_EQ(c->size(), static_cast<size_t>(k.n) + 1) << k.name;
        EXPECT_EQ(Normalised(*c), k.alexander) << k.name;
    }
}

TEST(AlexanderCoefficients, TorusKnotsFromBraidWordsHaveTheClosedForm) {
    for (const auto& [p, q] : kTorusKnots) {
        const Knot k = TorusKnot(p, q);
        ASSERT_EQ(k.n, (p - 1) * (q - 1)) << k.name;
        const auto c = AlexanderCoefficients(k.v, k.n);
        ASSERT_TRUE(c.has_value()) << k.name;
        EXPECT_EQ(Normalised(*c), TorusAlexander(p, q)) << k.name;
    }
    EXPECT_EQ(*AlexanderCoefficients(IntMatrix{}, 0), std::vector<int64_t>{1});
    EXPECT_THROW(AlexanderCoefficients(IntMatrix{}, 71), RangeError);
}

TEST(CircleRootAngles, TorusKnotsHaveTheirRootsAtTheLatticeAngles) {
    for (const auto& [p, q] : kTorusKnots) {
        const Knot k = TorusKnot(p, q);
        const auto angles = CircleRootAngles(k.v, k.n);
        ASSERT_TRUE(angles.has_value()) << k.name;
        // The roots of Δ are the pq-th roots of unity that are neither p-th nor q-th roots.
        std::vector<long double> expected;
        for (int m = 1; m < p * q; ++m) {
            if (m % p != 0 && m % q != 0) expected.push_back(static_cast<long double>(m) / (p * q));
        }
        ASSERT_EQ(angles->size(), expected.size()) << k.name;
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_NEAR(static_cast<double>((*angles)[i]), static_cast<double>(expected[i]), 1e-15)
                << k.name;
        }
    }
}

TEST(CircleRootAngles, EveryAngleIsARootOfTheReferencePolynomial) {
    int knotsWithRoots = 0;
    for (const Knot& k : RandomKnots()) {
        const auto angles = CircleRootAngles(k.v, k.n);
        ASSERT_TRUE(angles.has_value()) << k.name;
        ASSERT_TRUE(std::is_sorted(angles->begin(), angles->end())) << k.name;
        // Conjugate roots: the angles are symmetric about 1/2.
        for (size_t i = 0; i < angles->size(); ++i) {
            EXPECT_NEAR(static_cast<double>((*angles)[i] + (*angles)[angles->size() - 1 - i]), 1.0,
                        1e-12)
                << k.name;
        }
        long double norm = 0.0L;
        for (const int64_t c : k.alexander) norm += std::fabs(static_cast<long double>(c));
        for (const long double x : *angles) {
            std::complex<long double> value = 0.0L;
            const std::complex<long double> z =
                std::polar(1.0L, 2.0L * 3.14159265358979323846L * x);
            for (size_t j = k.alexander.size(); j-- > 0;) {
                value = value * z + static_cast<long double>(k.alexander[j]);
            }
            EXPECT_LT(std::abs(value), 1e-9L * norm) << k.name << " at " << static_cast<double>(x);
        }
        knotsWithRoots += angles->empty() ? 0 : 1;
    }
    EXPECT_GT(knotsWithRoots, 50);
}

// The samples of both routines, compared one by one; returns the eliminations the arcs took.
int64_t ExpectSameSamples(const Knot& k, int64_t count) {
    const std::atomic<bool> stop{false};
    const LevineTristramSamples each = SampleEachPoint(k.v, k.n, count, stop);
    const LevineTristramSamples arcs = SampleByArcs(k.v, k.n, count, stop);
    EXPECT_EQ(arcs.taken, count - 1);
    EXPECT_FALSE(arcs.stopped);
    EXPECT_EQ(each.eliminations, count - 1);
    EXPECT_EQ(arcs.values, each.values) << k.name << " at N = " << count;
    return arcs.eliminations;
}

TEST(SampleByArcs, RolfsenKnotsGiveTheSamplesOfEveryPoint) {
    const std::vector<Knot> knots = RolfsenKnots();
    ASSERT_EQ(knots.size(), 35u);
    for (const int64_t count : {16, 128, 1024, 8096}) {
        int64_t eliminations = 0;
        for (const Knot& k : knots) eliminations += ExpectSameSamples(k, count);
        if (count == 8096) {
            EXPECT_LT(eliminations, 35 * 8095 / 20);
        }
    }
}

TEST(SampleByArcs, RandomSeifertMatricesGiveTheSamplesOfEveryPoint) {
    const std::vector<Knot> knots = RandomKnots();
    int64_t eliminations = 0;
    for (size_t i = 0; i < knots.size(); ++i) {
        // Every knot at 1024 samples, every fourth also at 8096.
        ExpectSameSamples(knots[i], 1024);
        if (i % 4 == 0) eliminations += ExpectSameSamples(knots[i], 8096);
    }
    EXPECT_LT(eliminations, static_cast<int64_t>(knots.size() / 4) * 8095 / 10);
}

TEST(SampleByArcs, TorusKnotsFollowTheClosedFormAndEveryPoint) {
    const std::atomic<bool> stop{false};
    for (const auto& [p, q] : kTorusKnots) {
        const Knot k = TorusKnot(p, q);
        // 70 × 70 eliminations at every one of 8095 points would take minutes: the large
        // matrices are compared with their own eliminations at every seventh point.
        const int64_t count = k.n <= 20 ? 8096 : 1024;
        const int64_t stride = k.n <= 12 ? 1 : 7;
        const LevineTristramSamples arcs = SampleByArcs(k.v, k.n, count, stop);
        HermitianMatrix workspace;
        for (int64_t s = 1; s < count; s += stride) {
            const SignatureSummary own = HermitianSignatureInPlace(
                k.v, k.n, ComplexFromAngle(s / (count + 0.0L)), workspace);
            const int expected = own.SignatureInaccurate ? kSkippedSample : own.signature;
            EXPECT_EQ(arcs.values[static_cast<size_t>(s - 1)], expected)
                << k.name << " at " << s << "/" << count;
        }
        int checked = 0;
        for (int64_t s = 1; s < count; ++s) {
            bool onRoot = false;
            const int expected = Litherland(p, q, s, count, onRoot);
            if (onRoot) continue;
            EXPECT_EQ(arcs.values[static_cast<size_t>(s - 1)], expected)
                << k.name << " at " << s << "/" << count;
            ++checked;
        }
        EXPECT_GT(checked, count / 2) << k.name;
    }
}

TEST(SampleByArcs, SamplesWithinRoundingOfARootKeepTheirOwnVerdict) {
    // Δ(T(2, 11)) = Φ_22 vanishes at j/22 = 368j/8096 for odd j ≠ 11: these samples sit on roots
    // up to the rounding of the angle (and of the ten-decimal π). Each keeps what its own
    // elimination says: 0 for a numerically zero row, skipped for a pivot too small to divide by.
    const Knot k = TorusKnot(2, 11);
    const std::atomic<bool> stop{false};
    const LevineTristramSamples arcs = SampleByArcs(k.v, k.n, 8096, stop);
    int singular = 0;
    int skipped = 0;
    for (int64_t j = 1; j < 22; j += 2) {
        if (j == 11) continue;
        const int64_t s = 368 * j;
        const SignatureResult own = HermitianSignature(k.v, k.n, ComplexFromAngle(s / 8096.0L));
        const int16_t value = arcs.values[static_cast<size_t>(s - 1)];
        if (own.SignatureInaccurate) {
            EXPECT_EQ(value, kSkippedSample) << s;
            ++skipped;
        } else {
            EXPECT_EQ(value, own.signature) << s;
            singular += own.numericallySingular ? 1 : 0;
        }
        // The neighbours lie off the root and take the closed form.
        for (const int64_t t : {s - 1, s + 1}) {
            bool onRoot = false;
            EXPECT_EQ(arcs.values[static_cast<size_t>(t - 1)], Litherland(2, 11, t, 8096, onRoot));
        }
    }
    EXPECT_EQ(singular + skipped, 10);
    EXPECT_LT(arcs.eliminations, 8095 / 20);
}

// Runs LevineTristram or LevineTristramEachPoint on a fresh knot record.
KnotRecord Recorded(const Knot& k, int64_t count, bool eachPoint, LevineTristramResult& result) {
    KnotState state;
    state.Settings.ltValueCount = static_cast<int32_t>(count);
    KnotRecord& record = state.record;
    ApplyInitialResultLayout(record);
    record.lowerBound = 1;
    record.signature = -2;
    result = eachPoint ? LevineTristramEachPoint(state, k.v, k.n) : LevineTristram(state, k.v, k.n);
    return record;
}

TEST(LevineTristram, PrintedFieldsAndBoundsMatchTheEvaluationOfEveryPoint) {
    std::vector<Knot> knots = RolfsenKnots();
    const std::vector<Knot> random = RandomKnots();
    for (size_t i = 0; i < random.size(); i += 3) knots.push_back(random[i]);
    for (const auto& [p, q] : {std::pair{2, 11}, std::pair{3, 4}, std::pair{4, 5}}) {
        knots.push_back(TorusKnot(p, q));
    }
    int raised = 0;
    for (const int64_t count : {128, 8096}) {
        for (const Knot& k : knots) {
            LevineTristramResult arcs;
            LevineTristramResult each;
            const KnotRecord a = Recorded(k, count, false, arcs);
            const KnotRecord b = Recorded(k, count, true, each);
            EXPECT_EQ(a.textFields, b.textFields) << k.name << " N = " << count;
            EXPECT_EQ(a.texFields, b.texFields) << k.name;
            EXPECT_EQ(a.lowerBound, b.lowerBound) << k.name;
            EXPECT_EQ(a.detectedBy, b.detectedBy) << k.name;
            EXPECT_EQ(a.detectionCodes, b.detectionCodes) << k.name;
            EXPECT_EQ(arcs.maxAbs, each.maxAbs) << k.name;
            EXPECT_EQ(arcs.ltSpread, each.ltSpread) << k.name;
            raised += a.lowerBound > 1 ? 1 : 0;
        }
    }
    EXPECT_GT(raised, 20);
}

}  // namespace
}  // namespace corvane
