#include "unknotting/rank_one_scan.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <utility>

#include "arith/checked.h"
#include "arith/errors.h"
#include "arith/sequivalence.h"

namespace corvane {

namespace {

// Arithmetic modulo the Mersenne prime 2^61 - 1.
constexpr uint64_t kPrime = (uint64_t{1} << 61) - 1;
constexpr std::size_t kPoints = 3;
constexpr int64_t kEntryLimit = int64_t{1} << 40;

uint64_t Reduce(int64_t x) {
    const int64_t r = x % static_cast<int64_t>(kPrime);
    return static_cast<uint64_t>(r < 0 ? r + static_cast<int64_t>(kPrime) : r);
}
uint64_t Add(uint64_t a, uint64_t b) {
    const uint64_t s = a + b;
    return s >= kPrime ? s - kPrime : s;
}
uint64_t Sub(uint64_t a, uint64_t b) {
    return a >= b ? a - b : a + kPrime - b;
}
uint64_t Mul(uint64_t a, uint64_t b) {
    const unsigned __int128 p = static_cast<unsigned __int128>(a) * b;
    return Add(static_cast<uint64_t>(p & kPrime), static_cast<uint64_t>(p >> 61));
}
uint64_t Power(uint64_t a, uint64_t e) {
    uint64_t r = 1;
    for (; e > 0; e >>= 1, a = Mul(a, a)) {
        if ((e & 1) != 0) r = Mul(r, a);
    }
    return r;
}

// A(t0) = t0·V - Vᵀ modulo the prime at one point: its determinant Δ(t0) and adjugate.
struct Point {
    uint64_t t = 0;
    uint64_t delta = 0;
    std::vector<uint64_t> adjugate;  // n × n, row-major
    std::vector<uint64_t> units;     // ±t^k for k = 0..n: index 2k (+) and 2k + 1 (-)
};

// False when A(t0) is singular modulo the prime.
bool MakePoint(const IntMatrix& v, int n, uint64_t t, Point& point) {
    const auto size = static_cast<std::size_t>(n);
    std::vector<uint64_t> a(size * 2 * size, 0);  // [A | I], reduced to [I | A⁻¹]
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j)
            a[i * 2 * size + j] = Sub(Mul(t, Reduce(v(i + 1, j + 1))), Reduce(v(j + 1, i + 1)));
        a[i * 2 * size + size + i] = 1;
    }
    uint64_t det = 1;
    for (std::size_t c = 0; c < size; ++c) {
        std::size_t pivot = c;
        while (pivot < size && a[pivot * 2 * size + c] == 0) ++pivot;
        if (pivot == size) return false;
        if (pivot != c) {
            for (std::size_t k = 0; k < 2 * size; ++k)
                std::swap(a[pivot * 2 * size + k], a[c * 2 * size + k]);
            det = Sub(0, det);
        }
        const uint64_t head = a[c * 2 * size + c];
        det = Mul(det, head);
        const uint64_t inverse = Power(head, kPrime - 2);
        for (std::size_t k = 0; k < 2 * size; ++k)
            a[c * 2 * size + k] = Mul(a[c * 2 * size + k], inverse);
        for (std::size_t r = 0; r < size; ++r) {
            const uint64_t f = a[r * 2 * size + c];
            if (r == c || f == 0) continue;
            for (std::size_t k = 0; k < 2 * size; ++k)
                a[r * 2 * size + k] = Sub(a[r * 2 * size + k], Mul(f, a[c * 2 * size + k]));
        }
    }
    point.t = t;
    point.delta = det;
    point.adjugate.assign(size * size, 0);
    for (std::size_t i = 0; i < size; ++i) {
        for (std::size_t j = 0; j < size; ++j)
            point.adjugate[i * size + j] = Mul(det, a[i * 2 * size + size + j]);
    }
    point.units.clear();
    for (int k = 0; k <= n; ++k) {
        const uint64_t u = Power(t, static_cast<uint64_t>(k));
        point.units.push_back(u);
        point.units.push_back(Sub(0, u));
    }
    return true;
}

// The index of Δ + ε·(t - 1)·q among the point's units, or -1.
int UnitIndex(const Point& point, uint64_t q, int64_t sign) {
    const uint64_t term = Mul(point.t - 1, q);
    const uint64_t changed = sign > 0 ? Add(point.delta, term) : Sub(point.delta, term);
    for (std::size_t k = 0; k < point.units.size(); ++k) {
        if (point.units[k] == changed) return static_cast<int>(k);
    }
    return -1;
}

// Whether V + ε·c·cᵀ reduces to the empty matrix, exactly.
bool ReducesToEmpty(const IntMatrix& v, int n, const std::vector<int64_t>& c, int64_t sign) {
    IntMatrix s = v;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j)
            s(i, j) +=
                sign * c[static_cast<std::size_t>(i - 1)] * c[static_cast<std::size_t>(j - 1)];
    }
    try {
        const SEquivalenceResult reduced = MinimalSEquivalent(s, n);
        const bool trouble = ArithTrouble;
        ClearTrouble();
        return !trouble && reduced.ReducedSize == 0;
    } catch (const CalculationError&) {
        ClearTrouble();
        return false;
    }
}

}  // namespace

bool NextSubset(std::vector<int>& s, int n) {
    const int k = static_cast<int>(s.size());
    int i = k - 1;
    while (i >= 0 && s[static_cast<std::size_t>(i)] == n - k + i) --i;
    if (i < 0) return false;
    ++s[static_cast<std::size_t>(i)];
    for (int j = i + 1; j < k; ++j)
        s[static_cast<std::size_t>(j)] = s[static_cast<std::size_t>(j - 1)] + 1;
    return true;
}

int64_t RankOneScanBudget(int32_t effort) {
    constexpr std::array<int64_t, 4> kBudgets = {2000, 10000, 50000, 200000};
    return kBudgets[static_cast<std::size_t>(std::clamp(effort, 0, 3))];
}

namespace {

// The scan's state: the points, the budget left, and the test of one vector.
class Scan {
  public:
    Scan(const IntMatrix& v, int n, int64_t budget) : v_(v), n_(n), left_(budget) {}

    bool MakePoints() {
        std::size_t made = 0;
        for (uint64_t t = 2; made < kPoints && t < 40; ++t) {
            if (MakePoint(v_, n_, t, points_[made])) ++made;
        }
        return made == kPoints;
    }

    // The vectors with entries -1, 0, 1, fewest nonzero entries first.
    bool UnitVectors() {
        std::vector<int64_t> c(static_cast<std::size_t>(n_), 0);
        for (int weight = 1; weight <= n_; ++weight) {
            std::vector<int> at(static_cast<std::size_t>(weight));
            for (int k = 0; k < weight; ++k) at[static_cast<std::size_t>(k)] = k;
            do {
                // The signs of the entries after the first (c and -c give the same change).
                for (uint32_t signs = 0; signs < (1U << (weight - 1)); ++signs) {
                    std::fill(c.begin(), c.end(), 0);
                    for (int k = 0; k < weight; ++k) {
                        const bool negative = k > 0 && ((signs >> (k - 1)) & 1U) != 0;
                        c[static_cast<std::size_t>(at[static_cast<std::size_t>(k)])] =
                            negative ? -1 : 1;
                    }
                    if (Try(c) || left_ <= 0) return found_.has_value();
                }
            } while (NextSubset(at, n_));
        }
        return false;
    }

    // The primitive vectors with entries -2..2 and at least one ±2, first nonzero entry positive.
    bool HeightTwo() {
        std::vector<int64_t> c(static_cast<std::size_t>(n_), -2);
        for (;;) {
            bool two = false;
            int64_t first = 0;
            int64_t gcd = 0;
            for (const int64_t x : c) {
                two = two || x == 2 || x == -2;
                if (first == 0) first = x;
                gcd = std::gcd(gcd, x);
            }
            if (two && first > 0 && gcd == 1 && (Try(c) || left_ <= 0)) return found_.has_value();
            std::size_t k = 0;
            while (k < c.size() && c[k] == 2) c[k++] = -2;
            if (k == c.size()) return false;
            ++c[k];
        }
    }

    const std::optional<RankOneChange>& Found() const { return found_; }

  private:
    // Screens V + ε·c·cᵀ for both signs and confirms a survivor exactly.
    bool Try(const std::vector<int64_t>& c) {
        --left_;
        const auto size = static_cast<std::size_t>(n_);
        std::array<uint64_t, kPoints> q{};
        for (std::size_t p = 0; p < kPoints; ++p) {
            uint64_t sum = 0;
            for (std::size_t i = 0; i < size; ++i) {
                if (c[i] == 0) continue;
                for (std::size_t j = 0; j < size; ++j) {
                    if (c[j] == 0) continue;
                    sum = Add(sum, Mul(Reduce(c[i] * c[j]), points_[p].adjugate[i * size + j]));
                }
            }
            q[p] = sum;
        }
        for (const int64_t sign : {int64_t{1}, int64_t{-1}}) {
            const int index = UnitIndex(points_[0], q[0], sign);
            if (index < 0) continue;
            bool agree = true;
            for (std::size_t p = 1; p < kPoints && agree; ++p)
                agree = UnitIndex(points_[p], q[p], sign) == index;
            if (agree && ReducesToEmpty(v_, n_, c, sign)) {
                found_ = RankOneChange{c, sign};
                return true;
            }
        }
        return false;
    }

    const IntMatrix& v_;
    const int n_;
    int64_t left_;
    std::array<Point, kPoints> points_;
    std::optional<RankOneChange> found_;
};

}  // namespace

std::optional<RankOneChange> ScanRankOneUnknotting(const IntMatrix& v, int n, int64_t budget) {
    if (n < 2 || n > 12) return std::nullopt;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            if (v(i, j) > kEntryLimit || v(i, j) < -kEntryLimit) return std::nullopt;
        }
    }
    Scan scan(v, n, budget);
    if (!scan.MakePoints()) return std::nullopt;
    if (scan.UnitVectors() || scan.HeightTwo()) return scan.Found();
    return std::nullopt;
}

}  // namespace corvane
