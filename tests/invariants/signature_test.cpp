// Tests of the Hermitian signature and the Levine-Tristram sampling. Expected values come from
// exact integer computations in the test (characteristic polynomials and Descartes' rule), from
// closed forms for the torus knots T(2, q), and from reference tables computed independently.
#include "invariants/signature.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "arith/poll.h"
#include "knot/knot_context.h"
#include "knot/knot_record.h"

namespace corvane {
namespace {

using i128 = __int128;
using BigMatrix = std::vector<std::vector<i128>>;

// ---------------------------------------------------------------------------------------------
// Exact reference arithmetic (independent of the routines under test).

i128 Add(i128 a, i128 b) {
    i128 r;
    if (__builtin_add_overflow(a, b, &r)) throw std::overflow_error("reference addition");
    return r;
}

i128 Mul(i128 a, i128 b) {
    i128 r;
    if (__builtin_mul_overflow(a, b, &r)) throw std::overflow_error("reference product");
    return r;
}

// Coefficients of det(x·I - A) from x^0 up, by the Faddeev-LeVerrier recursion (its divisions are
// exact over the integers).
std::vector<i128> CharPoly(const BigMatrix& a) {
    const size_t n = a.size();
    std::vector<i128> c(n + 1, 0);
    c[n] = 1;
    BigMatrix m(n, std::vector<i128>(n, 0));  // M_0 = 0
    for (size_t k = 1; k <= n; ++k) {
        BigMatrix next(n, std::vector<i128>(n, 0));  // M_k = A·M_{k-1} + c_{n-k+1}·I
        for (size_t i = 0; i < n; ++i) {
            for (size_t j = 0; j < n; ++j) {
                i128 sum = i == j ? c[n - k + 1] : 0;
                for (size_t l = 0; l < n; ++l) sum = Add(sum, Mul(a[i][l], m[l][j]));
                next[i][j] = sum;
            }
        }
        i128 trace = 0;  // tr(A·M_k)
        for (size_t i = 0; i < n; ++i)
            for (size_t l = 0; l < n; ++l) trace = Add(trace, Mul(a[i][l], next[l][i]));
        c[n - k] = -trace / static_cast<i128>(k);
        m = next;
    }
    return c;
}

int SignChanges(const std::vector<i128>& coefficients) {
    int changes = 0;
    int last = 0;
    for (const i128 c : coefficients) {
        const int sign = c > 0 ? 1 : (c < 0 ? -1 : 0);
        if (sign == 0) continue;
        if (last != 0 && sign != last) ++changes;
        last = sign;
    }
    return changes;
}

struct Inertia {
    int positive = 0;
    int negative = 0;
    int zero = 0;
    int Signature() const { return positive - negative; }
};

// Inertia of a real symmetric integer matrix: its characteristic polynomial has only real roots,
// so Descartes' rule counts the positive roots exactly, and those of p(-x) the negative ones.
Inertia ExactInertia(const BigMatrix& symmetric) {
    std::vector<i128> p = CharPoly(symmetric);
    Inertia result;
    size_t low = 0;
    while (low < p.size() && p[low] == 0) ++low;
    result.zero = static_cast<int>(low);
    std::vector<i128> q(p.begin() + static_cast<long>(low), p.end());
    result.positive = SignChanges(q);
    for (size_t i = 1; i < q.size(); i += 2) q[i] = -q[i];
    result.negative = SignChanges(q);
    return result;
}

// Determinant by fraction-free elimination with row exchanges.
i128 ExactDet(BigMatrix a) {
    const size_t n = a.size();
    i128 previous = 1;
    int sign = 1;
    for (size_t k = 0; k < n; ++k) {
        size_t pivot = k;
        while (pivot < n && a[pivot][k] == 0) ++pivot;
        if (pivot == n) return 0;
        if (pivot != k) {
            std::swap(a[pivot], a[k]);
            sign = -sign;
        }
        for (size_t i = k + 1; i < n; ++i) {
            for (size_t j = k + 1; j < n; ++j) {
                a[i][j] = (Mul(a[i][j], a[k][k]) - Mul(a[i][k], a[k][j])) / previous;
            }
            a[i][k] = 0;
        }
        previous = a[k][k];
    }
    return sign * (n == 0 ? 1 : a[n - 1][n - 1]);
}

// ---------------------------------------------------------------------------------------------
// Matrices.

IntMatrix FromRows(const std::vector<std::vector<int64_t>>& rows) {
    IntMatrix m;
    for (size_t i = 0; i < rows.size(); ++i)
        for (size_t j = 0; j < rows[i].size(); ++j)
            m(static_cast<int>(i) + 1, static_cast<int>(j) + 1) = rows[i][j];
    return m;
}

// Seifert matrix of the torus knot T(2, q), q = 2k + 1: the 2k × 2k matrix with -1 on the diagonal
// and 1 on the superdiagonal (its Alexander polynomial is checked below).
IntMatrix TorusSeifert(int q) {
    IntMatrix v;
    const int n = q - 1;
    for (int i = 1; i <= n; ++i) {
        v(i, i) = -1;
        if (i < n) v(i, i + 1) = 1;
    }
    return v;
}

IntMatrix Negated(const IntMatrix& v, int n) {
    IntMatrix m;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) m(i, j) = -v(i, j);
    return m;
}

IntMatrix Transposed(const IntMatrix& v, int n) {
    IntMatrix m;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) m(i, j) = v(j, i);
    return m;
}

// The block sum [[a, 0], [0, b]]: a Seifert matrix of the connected sum.
IntMatrix BlockSum(const IntMatrix& a, int na, const IntMatrix& b, int nb) {
    IntMatrix m;
    for (int i = 1; i <= na; ++i)
        for (int j = 1; j <= na; ++j) m(i, j) = a(i, j);
    for (int i = 1; i <= nb; ++i)
        for (int j = 1; j <= nb; ++j) m(na + i, na + j) = b(i, j);
    return m;
}

// Pᵀ·V·P for a random unimodular P (a product of row additions and exchanges).
IntMatrix RandomCongruence(const IntMatrix& v, int n, std::mt19937& rng) {
    std::vector<std::vector<int64_t>> p(n, std::vector<int64_t>(n, 0));
    for (int i = 0; i < n; ++i) p[i][i] = 1;
    std::uniform_int_distribution<int> index(0, n - 1);
    std::uniform_int_distribution<int> sign(0, 1);
    for (int step = 0; step < 2 * n; ++step) {
        const int a = index(rng);
        const int b = index(rng);
        if (a == b) continue;
        const int64_t c = sign(rng) == 0 ? 1 : -1;
        for (int r = 0; r < n; ++r) p[r][a] += c * p[r][b];  // column a += c·column b
    }
    IntMatrix result;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            int64_t sum = 0;
            for (int k = 0; k < n; ++k)
                for (int l = 0; l < n; ++l) sum += p[k][i] * v(k + 1, l + 1) * p[l][j];
            result(i + 1, j + 1) = sum;
        }
    return result;
}

// The elementary enlargement [[V, ξ, 0], [0, 0, 1], [0, 0, 0]] of size n + 2, S-equivalent to V.
// For z ≠ 1 its Hermitian form is that of V plus a split hyperbolic plane, so every sign_z is kept.
IntMatrix Enlarged(const IntMatrix& v, int n, std::mt19937& rng) {
    IntMatrix m;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) m(i, j) = v(i, j);
    std::uniform_int_distribution<int> entry(-2, 2);
    for (int i = 1; i <= n; ++i) m(i, n + 1) = entry(rng);
    m(n + 1, n + 2) = 1;
    return m;
}

HermitianMatrix RealHermitian(const std::vector<std::vector<long double>>& rows) {
    HermitianMatrix h;
    for (size_t i = 0; i < rows.size(); ++i)
        for (size_t j = 0; j < rows.size(); ++j)
            h(static_cast<int>(i) + 1, static_cast<int>(j) + 1) = ComplexFromReal(rows[i][j]);
    return h;
}

// Largest magnitude of an entry off the diagonal of the leading n × n block.
long double OffDiagonal(const HermitianMatrix& h, int n) {
    long double largest = 0;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            if (i != j && Magnitude(h(i, j)) > largest) largest = Magnitude(h(i, j));
    return largest;
}

// ---------------------------------------------------------------------------------------------
// Data files.

struct KnotMatrix {
    std::string name;
    int n = 0;
    IntMatrix v;
};

std::string DataPath(const std::string& file) {
    return std::string(CORVANE_TEST_DATA_DIR) + "/" + file;
}

std::vector<int64_t> Numbers(const std::string& text) {
    std::vector<int64_t> values;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '-' && (text[i] < '0' || text[i] > '9')) continue;
        size_t used = 0;
        values.push_back(std::stoll(text.substr(i), &used));
        i += used - 1;
    }
    return values;
}

// "name<TAB>[[a, b], [c, d]]" lines; '%' lines are comments.
std::vector<KnotMatrix> ReadKnotMatrices() {
    std::ifstream in(DataPath("rolfsen-8-matrices.txt"));
    std::vector<KnotMatrix> knots;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%') continue;
        const size_t tab = line.find('\t');
        const std::vector<int64_t> entries = Numbers(line.substr(tab + 1));
        int n = 0;
        while (n * n < static_cast<int>(entries.size())) ++n;
        KnotMatrix knot{line.substr(0, tab), n, IntMatrix{}};
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) knot.v(i + 1, j + 1) = entries[i * n + j];
        knots.push_back(knot);
    }
    return knots;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, '\t')) fields.push_back(field);
    return fields;
}

// name -> signature of V + Vᵀ.
std::map<std::string, int> ReadReferenceSignatures() {
    std::ifstream in(DataPath("rolfsen-8-reference.tsv"));
    std::map<std::string, int> signatures;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%' || line.rfind("name\t", 0) == 0) continue;
        const std::vector<std::string> fields = Fields(line);
        signatures[fields.at(0)] = std::stoi(fields.at(3));
    }
    return signatures;
}

// (name, N) -> sign at exp(2πik/N) for k = 1..N-1.
std::map<std::pair<std::string, int>, std::vector<int64_t>> ReadLevineTristramTable() {
    std::ifstream in(DataPath("rolfsen-8-levine-tristram.tsv"));
    std::map<std::pair<std::string, int>, std::vector<int64_t>> table;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%') continue;
        const std::vector<std::string> fields = Fields(line);
        table[{fields.at(0), std::stoi(fields.at(1))}] = Numbers(fields.at(2));
    }
    return table;
}

// ---------------------------------------------------------------------------------------------
// The closed form for T(2, q) with the matrix above (negative signature): the zeros of
// Δ(t) = (t^q + 1)/(t + 1) on the circle are exp(2πi(2j-1)/(2q)), j = 1..q except j = (q+1)/2, and
// sign_z drops by 2 at each of them in (0, 1/2), reaching -(q-1) at z = -1; sign_z = sign_z̄.
int TorusSignature(int q, int64_t k, int64_t count) {
    const int64_t folded = 2 * k > count ? count - k : k;  // θ = folded/count in [0, 1/2]
    int jumps = 0;
    for (int64_t j = 1; 2 * j - 1 < q; ++j)
        if ((2 * j - 1) * count < 2 * q * folded) ++jumps;  // (2j-1)/(2q) < θ
    return -2 * jumps;
}

ComplexExt Root(int64_t k, int64_t count) {
    return ComplexFromAngle(static_cast<long double>(k) / static_cast<long double>(count));
}

// One knot in a state of its own, at the layout of a run start.
struct OneKnotRun {
    KnotState state;
    OneKnotRun(int32_t lowerBound, int32_t signature, int32_t count) {
        KnotRecord& knot = state.record;
        ApplyInitialResultLayout(knot);
        knot.lowerBound = lowerBound;
        knot.signature = signature;
        state.Settings.ltValueCount = count;
    }
    KnotRecord& Knot() { return state.record; }
    // Slot contents without the padding blanks.
    std::string Text(int slot) { return Trim(Knot().textFields(slot)); }
    std::string Tex(int slot) { return Trim(Knot().texFields(slot)); }
    static std::string Trim(std::string s) {
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    }
};

constexpr int kSiSlot = 5;
constexpr int kLtSlot = 6;

// ---------------------------------------------------------------------------------------------
// ComplexExt

TEST(ComplexExt, ArithmeticByHand) {
    const ComplexExt a{1.0L, 2.0L};
    const ComplexExt b{3.0L, 4.0L};
    const ComplexExt product = a * b;  // (1 + 2i)(3 + 4i) = -5 + 10i
    EXPECT_EQ(product.re, -5.0L);
    EXPECT_EQ(product.im, 10.0L);
    const ComplexExt quotient = a / b;  // (1 + 2i)(3 - 4i)/25 = (11 + 2i)/25
    EXPECT_NEAR(static_cast<double>(quotient.re), 0.44, 1e-18);
    EXPECT_NEAR(static_cast<double>(quotient.im), 0.08, 1e-18);
    const ComplexExt difference = a - b;
    EXPECT_EQ(difference.re, -2.0L);
    EXPECT_EQ(difference.im, -2.0L);
    EXPECT_EQ(Magnitude({-3.0L, 4.0L}), 7.0L);  // |re| + |im|, not the modulus 5
    EXPECT_EQ(Conj(a).im, -2.0L);
    EXPECT_EQ(ComplexFromReal(-1.0L).re, -1.0L);
    EXPECT_EQ(ComplexFromReal(-1.0L).im, 0.0L);
}

TEST(ComplexExt, AngleUsesTheTenDecimalPi) {
    // 3.1415926536 exceeds π by 1.02067615e-11, so the half turn lands that far past -1 (and the
    // quarter turn half as far past i).
    const ComplexExt half = ComplexFromAngle(0.5L);
    EXPECT_NEAR(static_cast<double>(half.im), -1.02067615e-11, 1e-18);
    EXPECT_NEAR(static_cast<double>(half.re), -1.0, 1e-18);
    const ComplexExt quarter = ComplexFromAngle(0.25L);
    EXPECT_NEAR(static_cast<double>(quarter.re), -5.10338077e-12, 1e-18);
    EXPECT_EQ(ComplexFromAngle(0.0L).re, 1.0L);
}

// ---------------------------------------------------------------------------------------------
// HermitianMatrix and the elimination on hand-made matrices

TEST(HermitianMatrix, IndicesAreOneBasedAndChecked) {
    HermitianMatrix h;
    h(70, 70) = {1.0L, 2.0L};
    EXPECT_EQ(h(70, 70).im, 2.0L);
    EXPECT_EQ(h(1, 1).re, 0.0L);
    EXPECT_THROW(h(0, 1), RangeError);
    EXPECT_THROW(h(1, 0), RangeError);
    EXPECT_THROW(h(71, 1), RangeError);
    EXPECT_THROW(h(1, 71), RangeError);
}

TEST(SignatureOfHermitian, DiagonalMatrixCountsSignsAndMultipliesPivots) {
    const SignatureResult r =
        SignatureOfHermitian(RealHermitian({{3, 0, 0}, {0, -2, 0}, {0, 0, 5}}), 3);
    EXPECT_EQ(r.signature, 1);
    EXPECT_FALSE(r.SignatureInaccurate);
    EXPECT_FALSE(r.numericallySingular);
    EXPECT_NEAR(static_cast<double>(r.pivotProduct.re), -30.0, 1e-15);
}

TEST(SignatureOfHermitian, ZeroDiagonalIsResolvedThroughAPartnerRow) {
    // [[0, 1], [1, 0]]: row 2 is added to row 1 (pivot 0 + 2·1 + 0 = 2), then the Schur
    // complement is -1/2. Eigenvalues ±1; the pivot product equals det = -1.
    const SignatureResult r = SignatureOfHermitian(RealHermitian({{0, 1}, {1, 0}}), 2);
    EXPECT_EQ(r.signature, 0);
    EXPECT_FALSE(r.SignatureInaccurate);
    EXPECT_NEAR(static_cast<double>(r.reducedHermitian(1, 1).re), 2.0, 1e-18);
    EXPECT_NEAR(static_cast<double>(r.reducedHermitian(2, 2).re), -0.5, 1e-18);
    EXPECT_NEAR(static_cast<double>(r.pivotProduct.re), -1.0, 1e-18);
}

TEST(SignatureOfHermitian, ImaginaryPartnerIsTurnedReal) {
    // [[0, i], [-i, 0]]: column 2 times i and row 2 times -i make the off-diagonal entries -1,
    // then the partner step gives pivot -2 and Schur complement 1/2. Eigenvalues ±1, det -1.
    HermitianMatrix h;
    h(1, 2) = {0.0L, 1.0L};
    h(2, 1) = {0.0L, -1.0L};
    const SignatureResult r = SignatureOfHermitian(h, 2);
    EXPECT_EQ(r.signature, 0);
    EXPECT_FALSE(r.SignatureInaccurate);
    EXPECT_NEAR(static_cast<double>(r.reducedHermitian(1, 1).re), -2.0, 1e-18);
    EXPECT_NEAR(static_cast<double>(r.reducedHermitian(2, 2).re), 0.5, 1e-18);
    EXPECT_NEAR(static_cast<double>(r.pivotProduct.re), -1.0, 1e-18);
    EXPECT_NEAR(static_cast<double>(r.pivotProduct.im), 0.0, 1e-18);
}

TEST(SignatureOfHermitian, SmallLonePivotIsDoubled) {
    // A pivot below 0.1 without a larger partner is added to itself: 0.05 becomes 0.2.
    const SignatureResult r = SignatureOfHermitian(RealHermitian({{0.05L}}), 1);
    EXPECT_EQ(r.signature, 1);
    EXPECT_NEAR(static_cast<double>(r.pivotProduct.re), 0.2, 1e-18);
}

TEST(SignatureOfHermitian, NumericallyZeroRowGivesZeroWithoutTheInaccuracyFlag) {
    for (const auto& rows :
         std::vector<std::vector<std::vector<long double>>>{{{1, 0}, {0, 0}},
                                                            {{2, 0, 0}, {0, 3, 0}, {0, 0, 0}},
                                                            {{1, 1}, {1, 1}},
                                                            {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
                                                            {{1, 0}, {0, 1e-10L}}}) {
        const SignatureResult r =
            SignatureOfHermitian(RealHermitian(rows), static_cast<int>(rows.size()));
        EXPECT_EQ(r.signature, 0);
        EXPECT_TRUE(r.numericallySingular);
        EXPECT_FALSE(r.SignatureInaccurate);
        EXPECT_EQ(r.pivotProduct.re, 0.0L);
        EXPECT_EQ(r.pivotProduct.im, 1.0L);
    }
}

TEST(SignatureOfHermitian, TinyLastPivotAboveTheZeroRowLevelIsCounted) {
    // 1e-8 exceeds the zero-row level 1e-9; it is doubled to 4e-8 and, being the last pivot, is
    // never divided by, so it counts by its sign.
    EXPECT_EQ(SignatureOfHermitian(RealHermitian({{1, 0}, {0, 1e-8L}}), 2).signature, 2);
    EXPECT_EQ(SignatureOfHermitian(RealHermitian({{1, 0}, {0, -1e-8L}}), 2).signature, 0);
}

TEST(SignatureOfHermitian, PivotTooSmallToDivideBySetsTheInaccuracyFlag) {
    // [[a, -b], [-b, a]] with b = a + 1e-8: the partner step makes the pivot 2a - 2b = -2e-8,
    // below 1e-7, and there is still a row to eliminate.
    const long double a = 0.05L;
    const long double b = 0.05L + 1e-8L;
    const SignatureResult r = SignatureOfHermitian(RealHermitian({{a, -b}, {-b, a}}), 2);
    EXPECT_TRUE(r.SignatureInaccurate);
    EXPECT_FALSE(r.numericallySingular);
    EXPECT_EQ(r.signature, 0);
}

TEST(SignatureOfHermitian, NonFiniteEntriesAreReportedInaccurate) {
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    const long double inf = std::numeric_limits<long double>::infinity();
    EXPECT_TRUE(SignatureOfHermitian(RealHermitian({{nan}}), 1).SignatureInaccurate);
    EXPECT_TRUE(SignatureOfHermitian(RealHermitian({{inf, 0}, {0, 1}}), 2).SignatureInaccurate);
}

TEST(SignatureOfHermitian, SizeZeroAndSizeLimits) {
    const SignatureResult empty = SignatureOfHermitian(HermitianMatrix{}, 0);
    EXPECT_EQ(empty.signature, 0);
    EXPECT_FALSE(empty.SignatureInaccurate);
    EXPECT_FALSE(empty.numericallySingular);
    EXPECT_EQ(empty.pivotProduct.re, 1.0L);
    EXPECT_THROW(SignatureOfHermitian(HermitianMatrix{}, -1), RangeError);
    EXPECT_THROW(SignatureOfHermitian(HermitianMatrix{}, 71), RangeError);
    EXPECT_THROW(HermitianSignature(IntMatrix{}, 71, ComplexFromReal(-1)), RangeError);
    // The full size works: -I of size 70.
    IntMatrix minusIdentity;
    for (int i = 1; i <= 70; ++i) minusIdentity(i, i) = -1;
    EXPECT_EQ(HermitianSignature(minusIdentity, 70, ComplexFromReal(-1)).signature, -70);
}

TEST(SignatureOfHermitian, EntriesOutsideTheBlockAreNotTouched) {
    HermitianMatrix h = RealHermitian({{0, 1}, {1, 0}});
    h(3, 3) = {7.0L, 0.0L};
    h(1, 3) = {5.0L, 0.0L};
    const SignatureResult r = SignatureOfHermitian(h, 2);
    EXPECT_EQ(r.reducedHermitian(3, 3).re, 7.0L);
    EXPECT_EQ(r.reducedHermitian(1, 3).re, 5.0L);
    EXPECT_EQ(r.signature, 0);
}

// ---------------------------------------------------------------------------------------------
// Random matrices against exact inertia

TEST(SignatureOfHermitian, RandomSymmetricIntegerMatricesMatchExactInertia) {
    std::mt19937 rng(20240611);
    int singular = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        const int n = 1 + trial % 10;
        const int range = 1 + trial % 4;
        std::uniform_int_distribution<int> entry(-range, range);
        const bool zeroDiagonal = trial % 3 == 0;  // forces the partner-row steps
        BigMatrix exact(n, std::vector<i128>(n, 0));
        std::vector<std::vector<long double>> rows(n, std::vector<long double>(n, 0));
        for (int i = 0; i < n; ++i)
            for (int j = i; j < n; ++j) {
                const int value = (i == j && zeroDiagonal) ? 0 : entry(rng);
                exact[i][j] = exact[j][i] = value;
                rows[i][j] = rows[j][i] = value;
            }
        const Inertia inertia = ExactInertia(exact);
        const SignatureResult r = SignatureOfHermitian(RealHermitian(rows), n);
        SCOPED_TRACE("trial " + std::to_string(trial));
        EXPECT_FALSE(r.SignatureInaccurate);
        if (inertia.zero > 0) {
            ++singular;
            EXPECT_TRUE(r.numericallySingular);
            EXPECT_EQ(r.signature, 0);
            continue;
        }
        EXPECT_FALSE(r.numericallySingular);
        EXPECT_EQ(r.signature, inertia.Signature());
        EXPECT_LT(OffDiagonal(r.reducedHermitian, n), 1e-9L);  // P*·H·P is diagonal
        // The pivot product is det H times a power of 4 (one factor per doubled pivot).
        const long double det = static_cast<long double>(ExactDet(exact));
        long double ratio = r.pivotProduct.re / det;
        while (ratio > 2.0L) ratio /= 4.0L;
        EXPECT_NEAR(static_cast<double>(ratio), 1.0, 1e-9);
    }
    EXPECT_GT(singular, 50);  // the singular branch was exercised
}

TEST(SignatureOfHermitian, RandomComplexHermitianMatricesMatchExactInertia) {
    // H = A + iB with A symmetric and B antisymmetric integer matrices; the real symmetric matrix
    // [[A, -B], [B, A]] has every eigenvalue of H twice, so its signature is 2·sign(H).
    std::mt19937 rng(77);
    int checked = 0;
    for (int trial = 0; trial < 2000; ++trial) {
        const int n = 1 + trial % 6;
        std::uniform_int_distribution<int> entry(-3, 3);
        const bool zeroDiagonal = trial % 2 == 0;
        HermitianMatrix h;
        BigMatrix real(2 * n, std::vector<i128>(2 * n, 0));
        for (int i = 0; i < n; ++i)
            for (int j = i; j < n; ++j) {
                const int a = (i == j && zeroDiagonal) ? 0 : entry(rng);
                const int b = i == j ? 0 : entry(rng);
                h(i + 1, j + 1) = {static_cast<long double>(a), static_cast<long double>(b)};
                h(j + 1, i + 1) = {static_cast<long double>(a), static_cast<long double>(-b)};
                real[i][j] = real[j][i] = real[n + i][n + j] = real[n + j][n + i] = a;
                real[n + i][j] = b;  // B
                real[n + j][i] = -b;
                real[i][n + j] = -b;  // -B
                real[j][n + i] = b;
            }
        const Inertia inertia = ExactInertia(real);
        if (inertia.zero > 0) continue;
        ++checked;
        const SignatureResult r = SignatureOfHermitian(h, n);
        SCOPED_TRACE("trial " + std::to_string(trial));
        EXPECT_FALSE(r.SignatureInaccurate);
        EXPECT_FALSE(r.numericallySingular);
        EXPECT_EQ(2 * r.signature, inertia.Signature());
        EXPECT_LT(OffDiagonal(r.reducedHermitian, n), 1e-9L);  // P*·H·P is diagonal
        // det[[A, -B], [B, A]] = |det H|² = (det H)², and det H is real.
        const long double det2 = static_cast<long double>(ExactDet(real));
        long double ratio = r.pivotProduct.re * r.pivotProduct.re / det2;
        while (ratio > 2.0L) ratio /= 16.0L;
        EXPECT_NEAR(static_cast<double>(ratio), 1.0, 1e-9);
    }
    EXPECT_GT(checked, 1000);
}

// ---------------------------------------------------------------------------------------------
// HermitianSignature on Seifert matrices

TEST(HermitianSignature, FormFollowsTheDefinitionWithoutIntegerOverflow) {
    IntMatrix v;
    v(1, 2) = std::numeric_limits<int64_t>::max();
    v(2, 1) = std::numeric_limits<int64_t>::max();
    v(1, 1) = std::numeric_limits<int64_t>::min();
    HermitianMatrix h;
    FillHermitianForm(v, 2, ComplexFromReal(-1), h);
    // (1 - z)·V + (1 - z̄)·Vᵀ at z = -1 is 2(V + Vᵀ); the sums need 65 bits.
    EXPECT_EQ(h(1, 2).re, 4.0L * 9223372036854775807.0L);
    EXPECT_EQ(h(1, 1).re, -4.0L * 9223372036854775808.0L);
    EXPECT_EQ(h(1, 2).im, 0.0L);
    IntMatrix w;
    w(1, 2) = 3;
    w(2, 1) = 1;
    FillHermitianForm(w, 2, ComplexExt{0.0L, 1.0L}, h);  // z = i
    // Re = (1 - 0)(3 + 1), Im H[1][2] = Im z·(V[2][1] - V[1][2]) = -2, Im H[2][1] = 2.
    EXPECT_EQ(h(1, 2).re, 4.0L);
    EXPECT_EQ(h(1, 2).im, -2.0L);
    EXPECT_EQ(h(2, 1).im, 2.0L);
}

TEST(HermitianSignature, OrdinarySignatureOfEveryKnotMatchesTheReference) {
    const std::vector<KnotMatrix> knots = ReadKnotMatrices();
    const std::map<std::string, int> reference = ReadReferenceSignatures();
    ASSERT_EQ(knots.size(), 35u);
    for (const KnotMatrix& knot : knots) {
        SCOPED_TRACE(knot.name);
        const SignatureResult r = HermitianSignature(knot.v, knot.n, ComplexFromReal(-1));
        EXPECT_FALSE(r.SignatureInaccurate);
        EXPECT_FALSE(r.numericallySingular);
        EXPECT_EQ(r.signature, reference.at(knot.name));
    }
}

TEST(HermitianSignature, LevineTristramSamplesOfEveryKnotMatchTheReference) {
    const std::vector<KnotMatrix> knots = ReadKnotMatrices();
    const auto table = ReadLevineTristramTable();
    HermitianMatrix workspace;
    for (const KnotMatrix& knot : knots) {
        for (const int count : {16, 128}) {
            const std::vector<int64_t>& expected = table.at({knot.name, count});
            ASSERT_EQ(expected.size(), static_cast<size_t>(count - 1));
            for (int k = 1; k < count; ++k) {
                SCOPED_TRACE(knot.name + " at " + std::to_string(k) + "/" + std::to_string(count));
                const SignatureSummary s =
                    HermitianSignatureInPlace(knot.v, knot.n, Root(k, count), workspace);
                EXPECT_FALSE(s.SignatureInaccurate);
                EXPECT_FALSE(s.numericallySingular);
                EXPECT_EQ(s.signature, expected[k - 1]);
            }
        }
    }
}

TEST(HermitianSignature, InvariantUnderCongruenceEnlargementMirrorAndTranspose) {
    const std::vector<KnotMatrix> knots = ReadKnotMatrices();
    const auto table = ReadLevineTristramTable();
    std::mt19937 rng(5);
    const int count = 128;
    for (const KnotMatrix& knot : knots) {
        SCOPED_TRACE(knot.name);
        const std::vector<int64_t>& expected = table.at({knot.name, count});
        const IntMatrix congruent = RandomCongruence(knot.v, knot.n, rng);
        const IntMatrix enlarged = Enlarged(congruent, knot.n, rng);
        const IntMatrix mirror = Negated(knot.v, knot.n);
        const IntMatrix transposed = Transposed(knot.v, knot.n);
        for (int k = 1; k < count; ++k) {
            const ComplexExt z = Root(k, count);
            EXPECT_EQ(HermitianSignature(congruent, knot.n, z).signature, expected[k - 1]);
            EXPECT_EQ(HermitianSignature(enlarged, knot.n + 2, z).signature, expected[k - 1]);
            EXPECT_EQ(HermitianSignature(mirror, knot.n, z).signature, -expected[k - 1]);
            EXPECT_EQ(HermitianSignature(transposed, knot.n, z).signature, expected[k - 1]);
        }
    }
}

TEST(HermitianSignature, InPlaceVariantAgreesAndKeepsTheWorkspaceOutsideTheBlock) {
    const IntMatrix v = TorusSeifert(7);
    HermitianMatrix workspace;
    workspace(7, 7) = {9.0L, 0.0L};
    const ComplexExt z = Root(3, 10);
    const SignatureSummary s = HermitianSignatureInPlace(v, 6, z, workspace);
    const SignatureResult full = HermitianSignature(v, 6, z);
    EXPECT_EQ(s.signature, full.signature);
    EXPECT_EQ(s.pivotProduct.re, full.pivotProduct.re);
    for (int i = 1; i <= 6; ++i) EXPECT_EQ(workspace(i, i).re, full.reducedHermitian(i, i).re);
    EXPECT_EQ(workspace(7, 7).re, 9.0L);
}

TEST(HermitianSignature, EmptyMatrixHasSignatureZero) {
    const SignatureResult r = HermitianSignature(IntMatrix{}, 0, Root(1, 3));
    EXPECT_EQ(r.signature, 0);
    EXPECT_FALSE(r.SignatureInaccurate);
    EXPECT_FALSE(r.numericallySingular);
}

TEST(HermitianSignature, SingularSeifertFormGivesZeroWithoutTheFlag) {
    // V + Vᵀ = [[2, 2], [2, 2]] is singular: the matrix of a split link, not of a knot.
    const IntMatrix v = FromRows({{1, 1}, {1, 1}});
    const SignatureResult r = HermitianSignature(v, 2, ComplexFromReal(-1));
    EXPECT_EQ(r.signature, 0);
    EXPECT_TRUE(r.numericallySingular);
    EXPECT_FALSE(r.SignatureInaccurate);
    EXPECT_EQ(r.pivotProduct.re, 0.0L);
}

// ---------------------------------------------------------------------------------------------
// Torus knots T(2, q)

TEST(TorusKnot, SeifertMatrixHasTheAlexanderPolynomialOfT2q) {
    for (int q = 3; q <= 21; q += 2) {
        const IntMatrix v = TorusSeifert(q);
        const int n = q - 1;
        for (int t = -4; t <= 4; ++t) {
            BigMatrix m(n, std::vector<i128>(n, 0));  // t·V - Vᵀ
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j) m[i][j] = t * v(i + 1, j + 1) - v(j + 1, i + 1);
            i128 power = 1;  // t^q + 1, divided by t + 1
            for (int e = 0; e < q; ++e) power *= t;
            const i128 expected = t == -1 ? q : (power + 1) / (t + 1);
            EXPECT_TRUE(ExactDet(m) == expected) << "q = " << q << ", t = " << t;
        }
    }
}

TEST(TorusKnot, SampledSignaturesFollowTheClosedForm) {
    HermitianMatrix workspace;
    for (int q = 3; q <= 21; q += 2) {
        const IntMatrix v = TorusSeifert(q);
        for (const int count : {16, 128}) {
            for (int k = 1; k < count; ++k) {
                const SignatureSummary s =
                    HermitianSignatureInPlace(v, q - 1, Root(k, count), workspace);
                EXPECT_FALSE(s.SignatureInaccurate);
                EXPECT_EQ(s.signature, TorusSignature(q, k, count))
                    << "q = " << q << ", k/N = " << k << "/" << count;
            }
        }
        EXPECT_EQ(HermitianSignature(v, q - 1, ComplexFromReal(-1)).signature, 1 - q);
    }
}

// ---------------------------------------------------------------------------------------------
// LevineTristram: sampling, bounds and fields

TEST(LevineTristram, TorusKnotsRecordTheirDeepestSampleAtOneHalf) {
    for (int q = 3; q <= 21; q += 2) {
        for (const int count : {16, 128}) {
            SCOPED_TRACE("q = " + std::to_string(q) + ", N = " + std::to_string(count));
            OneKnotRun run(0, 1 - q, count);
            const LevineTristramResult r = LevineTristram(run.state, TorusSeifert(q), q - 1);
            // Every sample is between -(q-1) (reached at z = -1, the sample of largest gcd) and 0.
            EXPECT_FALSE(r.stopped);
            EXPECT_EQ(r.maxAbs, q - 1);
            EXPECT_EQ(r.minSig, 1 - q);
            EXPECT_EQ(r.maxSig, 0);
            EXPECT_EQ(r.ltSpread, q - 1);
            EXPECT_EQ(run.Knot().lowerBound, (q - 1) / 2);
            EXPECT_EQ(run.Knot().detectedBy, "sign(1/2)");
            EXPECT_EQ(run.Knot().detectionCodes, "s,");
            const std::string s = std::to_string(1 - q);
            EXPECT_EQ(run.Text(kLtSlot), "lt" + s);
            EXPECT_EQ(run.Tex(kSiSlot), "si" + s + " (" + s + ")");
        }
    }
}

TEST(LevineTristram, TrefoilTieBetweenQuarterAndHalfGoesToTheHalf) {
    // The trefoil's samples at N = 16 are -2 for k = 3..13; k = 4 (gcd 4) displaces k = 3, and
    // k = 8 (gcd 8) displaces k = 4.
    OneKnotRun run(0, -2, 16);
    const LevineTristramResult r = LevineTristram(run.state, TorusSeifert(3), 2);
    EXPECT_EQ(r.maxAbs, 2);
    EXPECT_EQ(run.Knot().lowerBound, 1);
    EXPECT_EQ(run.Knot().detectedBy, "sign(1/2)");
    EXPECT_EQ(run.Text(kLtSlot), "lt-2");
    EXPECT_EQ(run.Knot().textFields(kLtSlot), "lt-2        ");  // padded to the slot's 12
    EXPECT_EQ(run.Tex(kSiSlot), "si-2 (-2)");
}

TEST(LevineTristram, PositiveSamplesAreWrittenWithoutABlank) {
    OneKnotRun run(1, 2, 16);
    LevineTristram(run.state, Negated(TorusSeifert(3), 2), 2);  // the mirror trefoil
    EXPECT_EQ(run.Text(kLtSlot), "lt2");
    EXPECT_EQ(run.Tex(kSiSlot), "si2 (2)");
    EXPECT_EQ(run.Knot().lowerBound, 1);
    EXPECT_EQ(run.Knot().detectedBy, "");
    EXPECT_EQ(run.Knot().detectionCodes, "s,");
}

// mirror T(2,5) # T(2,3) # T(2,3) # T(2,3): sign_θ is +2 on (1/10, 1/6), -4 on (1/6, 3/10) and -2
// on (3/10, 1/2]. At N = 16: k = 2 gives 2, k = 3, 4 give -4, k = 5..8 give -2 (and symmetrically).
IntMatrix SpreadExample() {
    const IntMatrix trefoils =
        BlockSum(BlockSum(TorusSeifert(3), 2, TorusSeifert(3), 2), 4, TorusSeifert(3), 2);
    return BlockSum(Negated(TorusSeifert(5), 4), 4, trefoils, 6);
}

TEST(LevineTristram, SpreadBeyondTheLargestSampleRaisesTheBoundAgain) {
    const IntMatrix v = SpreadExample();
    ASSERT_EQ(HermitianSignature(v, 10, ComplexFromReal(-1)).signature, -2);
    OneKnotRun run(1, -2, 16);
    const LevineTristramResult r = LevineTristram(run.state, v, 10);
    EXPECT_EQ(r.maxAbs, 4);
    EXPECT_EQ(r.maxSig, 2);
    EXPECT_EQ(r.minSig, -4);
    EXPECT_EQ(r.ltSpread, 6);
    // a = 2 raises 1 to 2 at k = 4 (gcd 4 beats k = 3); b = 3 raises it to 3 between the first
    // +2 (k = 2; k = 14 has the same gcd) and the -4 at k = 4.
    EXPECT_EQ(run.Knot().lowerBound, 3);
    EXPECT_EQ(run.Knot().detectedBy, "sign(1/8)-sign(1/4)");
    EXPECT_EQ(run.Knot().detectionCodes, "s,");
    EXPECT_EQ(run.Text(kLtSlot), "lt-4...2");
    EXPECT_EQ(run.Tex(kSiSlot), "si-2 [6]");
}

TEST(LevineTristram, FirstBoundAloneNamesTheSampleOfLargestAbsoluteValue) {
    // With the bound at 2 the spread alone raises it: a = 2 only adds the code.
    OneKnotRun run(2, -2, 16);
    run.Knot().detectedBy = "Wendt";
    run.Knot().detectionCodes = "w,";
    LevineTristram(run.state, SpreadExample(), 10);
    EXPECT_EQ(run.Knot().lowerBound, 3);
    EXPECT_EQ(run.Knot().detectedBy, "sign(1/8)-sign(1/4)");
    EXPECT_EQ(run.Knot().detectionCodes, "s,");

    // With the bound at 3 nothing is raised; b = 3 only appends the code.
    OneKnotRun atThree(3, -2, 16);
    atThree.Knot().detectedBy = "Wendt";
    atThree.Knot().detectionCodes = "w,";
    LevineTristram(atThree.state, SpreadExample(), 10);
    EXPECT_EQ(atThree.Knot().lowerBound, 3);
    EXPECT_EQ(atThree.Knot().detectedBy, "Wendt");
    EXPECT_EQ(atThree.Knot().detectionCodes, "w,s,");
    EXPECT_EQ(atThree.Text(kLtSlot), "lt-4...2");
}

TEST(LevineTristram, AllZeroSamplesLeaveTheBoundAndAddCodesOnlyAtBoundZero) {
    // The figure-eight knot: Δ = t² - 3t + 1 has no zero on the circle, so every sample is 0.
    const IntMatrix v = FromRows({{1, 1}, {0, -1}});
    OneKnotRun run(1, 0, 16);
    const LevineTristramResult r = LevineTristram(run.state, v, 2);
    EXPECT_EQ(r.maxAbs, 0);
    EXPECT_EQ(r.ltSpread, 0);
    EXPECT_EQ(run.Knot().lowerBound, 1);
    EXPECT_EQ(run.Knot().detectedBy, "");
    EXPECT_EQ(run.Knot().detectionCodes, "");
    EXPECT_EQ(run.Text(kLtSlot), "lt0");
    EXPECT_EQ(run.Tex(kSiSlot), "si0 (0)");

    OneKnotRun atZero(0, 0, 16);
    LevineTristram(atZero.state, v, 2);
    EXPECT_EQ(atZero.Knot().lowerBound, 0);
    EXPECT_EQ(atZero.Knot().detectedBy, "");
    EXPECT_EQ(atZero.Knot().detectionCodes, "s,");
    EXPECT_EQ(atZero.Text(kLtSlot), "lt0");
}

TEST(LevineTristram, EmptyMatrixSamplesZero) {
    OneKnotRun run(0, 0, 128);
    const LevineTristramResult r = LevineTristram(run.state, IntMatrix{}, 0);
    EXPECT_EQ(r.maxAbs, 0);
    EXPECT_EQ(run.Text(kLtSlot), "lt0");
}

// Counts the polls and can request Stop at a chosen poll.
class CountingPoller : public Poller {
  public:
    CountingPoller(KnotState& state, int stopAt) : state_(state), stopAt_(stopAt) {}
    void CheckPause() override {
        ++calls;
        if (calls == stopAt_) state_.StopRequested = true;
    }
    int calls = 0;

  private:
    KnotState& state_;
    int stopAt_;
};

TEST(LevineTristram, SamplesOneToNMinusOneAndPollsAfterEveryHundredth) {
    // k = 1..N-1 only: a loop that also sampled k = 0 (or k = N = 1100, 8100) would poll once more.
    for (const auto& [count, polls] :
         std::vector<std::pair<int, int>>{{16, 0}, {128, 1}, {1024, 10}, {1100, 10}, {8096, 80}}) {
        OneKnotRun run(0, -2, count);
        CountingPoller poller(run.state, -1);
        const ScopedPoller scope(&poller);
        LevineTristram(run.state, TorusSeifert(3), 2);
        EXPECT_EQ(poller.calls, polls) << "N = " << count;
    }
}

TEST(LevineTristram, StopLeavesTheKnotRecordUntouched) {
    for (const int stopAt : {1, 3}) {
        OneKnotRun run(1, -2, 1024);
        run.Knot().detectionCodes = "w,";
        const KnotRecord before = run.Knot();
        CountingPoller poller(run.state, stopAt);
        const ScopedPoller scope(&poller);
        const LevineTristramResult r = LevineTristram(run.state, TorusSeifert(3), 2);
        EXPECT_TRUE(r.stopped);
        EXPECT_EQ(poller.calls, stopAt);  // returned right after the poll that saw Stop
        EXPECT_EQ(run.Knot().lowerBound, before.lowerBound);
        EXPECT_EQ(run.Knot().detectedBy, before.detectedBy);
        EXPECT_EQ(run.Knot().detectionCodes, before.detectionCodes);
        EXPECT_EQ(run.Knot().textFields, before.textFields);
        EXPECT_EQ(run.Knot().texFields, before.texFields);
    }
    // Stop already requested: the first sample is the last.
    OneKnotRun run(0, -2, 16);
    run.state.StopRequested = true;
    const LevineTristramResult r = LevineTristram(run.state, TorusSeifert(3), 2);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.maxAbs, 0);  // k = 1 of the trefoil samples 0
    EXPECT_EQ(run.Knot().lowerBound, 0);
    EXPECT_EQ(run.Text(kLtSlot), "lt");
}

TEST(LevineTristram, RejectsImpossibleSizesAndCounts) {
    OneKnotRun run(0, 0, 0);
    EXPECT_THROW(LevineTristram(run.state, IntMatrix{}, 2), RangeError);
    OneKnotRun sized(0, 0, 16);
    EXPECT_THROW(LevineTristram(sized.state, IntMatrix{}, 71), RangeError);
    OneKnotRun negative(0, 0, -16);
    EXPECT_THROW(LevineTristram(negative.state, TorusSeifert(3), 2), RangeError);
}

}  // namespace
}  // namespace corvane
