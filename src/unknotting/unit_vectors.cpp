#include "unknotting/unit_vectors.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "arith/checked.h"

namespace corvane {

namespace {

using Wide = __int128;

constexpr int64_t kEntryLimit = int64_t{1} << 40;
// Euclid's algorithm on a column of small entries ends long before this.
constexpr int kEuclidRoundLimit = 10000;

// Depth-first enumeration of one box: coordinate k + 1 is chosen next, `value` is the form on the
// coordinates chosen so far and slope[k][j] = Σ_{i<=k} x_i·(V_ij + V_ji) for j > k.
class BoxWalk {
  public:
    BoxWalk(const IntMatrix& v, int n, int64_t radius,
            const std::function<bool(const LatticeVector&, int64_t)>& visit)
        : v_(v), n_(n), r_(radius), visit_(visit) {}

    // True when visit asked to stop.
    bool Run() { return Step(0, 0, false, false); }
    int64_t looked = 0;

  private:
    bool Step(int k, Wide value, bool started, bool onShell) {
        if (k == n_) {
            ++looked;
            if (!onShell || (value != 1 && value != -1)) return false;
            return visit_(x_, static_cast<int64_t>(value));
        }
        const int next = k + 1;
        const int64_t from = started ? -r_ : 0;
        for (int64_t c = from; c <= r_; ++c) {
            // The shell needs one coordinate of size r; without one so far, the last must be.
            if (next == n_ && !onShell && c != r_ && c != -r_) continue;
            x_[next] = c;
            const Wide base = k == 0 ? 0 : slope_[k][next];
            const Wide here = value + c * base + Wide{c} * c * v_(next, next);
            for (int j = next + 1; j <= n_; ++j) {
                const Wide before = k == 0 ? 0 : slope_[k][j];
                slope_[next][j] = before + c * Wide{v_(next, j) + v_(j, next)};
            }
            if (Step(next, here, started || c != 0, onShell || c == r_ || c == -r_)) return true;
        }
        x_[next] = 0;
        return false;
    }

    const IntMatrix& v_;
    const int n_;
    const int64_t r_;
    const std::function<bool(const LatticeVector&, int64_t)>& visit_;
    LatticeVector x_{};
    std::array<std::array<Wide, kLatticeDim + 1>, kLatticeDim + 1> slope_{};
};

// (2r + 1)^n, or more than `cap` when that is larger.
int64_t BoxSize(int64_t r, int n, int64_t cap) {
    int64_t size = 1;
    for (int k = 0; k < n; ++k) {
        size *= 2 * r + 1;
        if (size > cap) return cap + 1;
    }
    return size;
}

void Swap(IntMatrix& m, IntMatrix& q, int n, int i, int j) {
    if (i == j) return;
    inplace::SwapColumns(m, i, j, n);
    inplace::SwapRows(m, i, j, n);
    inplace::SwapColumns(q, i, j, n);
}

// e_i += c·e_j.
void Shear(IntMatrix& m, IntMatrix& q, int n, int i, int j, int64_t c) {
    if (i == j || c == 0) return;
    inplace::AddColumnMultiple(m, i, j, c, n);
    inplace::AddRowMultiple(m, i, j, c, n);
    inplace::AddColumnMultiple(q, i, j, c, n);
}

void Negate(IntMatrix& m, IntMatrix& q, int n, int i) {
    inplace::ScaleRow(m, i, -1, n);
    inplace::ScaleColumn(m, i, -1, n);
    inplace::ScaleColumn(q, i, -1, n);
}

// The index in from..n of the smallest non-zero |a(s)|, or 0 when all are zero.
template <class Entry>
int SmallestNonZero(int from, int n, Entry a) {
    int pick = 0;
    for (int s = from; s <= n; ++s) {
        if (a(s) == 0) continue;
        if (pick == 0 || std::llabs(a(s)) < std::llabs(a(pick))) pick = s;
    }
    return pick;
}

// Determinant of an n × n matrix of 128-bit entries by fraction-free elimination; false on
// overflow.
bool WideDeterminant(std::array<std::array<Wide, kLatticeDim>, kLatticeDim> a, int n, Wide& det) {
    Wide previous = 1;
    int sign = 1;
    for (int k = 0; k < n; ++k) {
        int pivot = k;
        while (pivot < n && a[pivot][k] == 0) ++pivot;
        if (pivot == n) {
            det = 0;
            return true;
        }
        if (pivot != k) {
            std::swap(a[pivot], a[k]);
            sign = -sign;
        }
        for (int i = k + 1; i < n; ++i) {
            for (int j = k + 1; j < n; ++j) {
                Wide left = 0;
                Wide right = 0;
                Wide difference = 0;
                if (__builtin_mul_overflow(a[i][j], a[k][k], &left)) return false;
                if (__builtin_mul_overflow(a[i][k], a[k][j], &right)) return false;
                if (__builtin_sub_overflow(left, right, &difference)) return false;
                a[i][j] = difference / previous;
            }
            a[i][k] = 0;
        }
        previous = a[k][k];
    }
    det = n == 0 ? 1 : a[n - 1][n - 1] * sign;
    return true;
}

bool IsPowerOf(Wide value, int base) {
    if (value < 0) value = -value;
    if (value == 0) return false;
    while (value % base == 0) value /= base;
    return value == 1;
}

// a·b + acc without overflow, or false.
bool MulAdd(Wide a, Wide b, Wide& acc) {
    Wide product = 0;
    return !__builtin_mul_overflow(a, b, &product) && !__builtin_add_overflow(acc, product, &acc);
}

// The pairwise reduction of ReducedBasis on a local copy of the form.
class FormReduction {
  public:
    FormReduction(const IntMatrix& v, int n) : n_(n) {
        for (int i = 0; i < n; ++i) {
            q_[i][i] = 1;
            for (int j = 0; j < n; ++j) v_[i][j] = v(i + 1, j + 1);
        }
    }

    void Run() {
        constexpr int kRoundLimit = 200;
        for (int round = 0; round < kRoundLimit; ++round) {
            bool improved = false;
            for (int i = 0; i < n_; ++i)
                for (int j = 0; j < n_; ++j)
                    if (i != j) improved = ImproveBy(i, j) || improved;
            if (!improved) return;
        }
    }

    int64_t Basis(int i, int j) const { return q_[i][j]; }

  private:
    // Change of Σ entries² under the shear e_i += c·e_j, which adds c·(column j) to column i
    // and then c·(row j) to row i: V_ki += c·V_kj, V_ik += c·V_jk (k ≠ i) and
    // V_ii += c·(V_ij + V_ji) + c²·V_jj.
    Wide Change(int i, int j, Wide c) const {
        Wide change = 0;
        for (int k = 0; k < n_; ++k) {
            if (k == i) continue;
            const Wide column = v_[k][i] + c * v_[k][j];
            const Wide row = v_[i][k] + c * v_[j][k];
            change += column * column - Wide{v_[k][i]} * v_[k][i];
            change += row * row - Wide{v_[i][k]} * v_[i][k];
        }
        const Wide corner = v_[i][i] + c * (Wide{v_[i][j]} + v_[j][i]) + c * c * v_[j][j];
        return change + corner * corner - Wide{v_[i][i]} * v_[i][i];
    }

    // The best shear e_i += c·e_j among c* - 1, c*, c* + 1 (c* minimises the change without the
    // corner term) and ±1, applied when it lowers the sum of squares.
    bool ImproveBy(int i, int j) {
        Wide cross = 0;
        Wide weight = 0;
        for (int k = 0; k < n_; ++k) {
            if (k == i) continue;
            cross += Wide{v_[k][i]} * v_[k][j] + Wide{v_[i][k]} * v_[j][k];
            weight += Wide{v_[k][j]} * v_[k][j] + Wide{v_[j][k]} * v_[j][k];
        }
        if (weight == 0) return false;
        const long double ratio =
            -static_cast<long double>(cross) / static_cast<long double>(weight);
        if (!(std::fabs(ratio) < 1e4L)) return false;
        const Wide centre = static_cast<Wide>(std::llround(ratio));
        Wide best = 0;
        Wide bestC = 0;
        for (const Wide c : {centre - 1, centre, centre + 1, Wide{1}, Wide{-1}}) {
            if (c == 0) continue;
            const Wide change = Change(i, j, c);
            if (change < best) {
                best = change;
                bestC = c;
            }
        }
        if (bestC == 0) return false;
        return Apply(i, j, static_cast<int64_t>(bestC));
    }

    // Applies the shear when every entry stays within the bound.
    bool Apply(int i, int j, int64_t c) {
        auto v = v_;
        auto q = q_;
        for (int k = 0; k < n_; ++k) v[k][i] += c * v[k][j];
        for (int k = 0; k < n_; ++k) v[i][k] += c * v[j][k];
        for (int k = 0; k < n_; ++k) q[k][i] += c * q[k][j];
        for (int k = 0; k < n_; ++k) {
            if (std::llabs(v[i][k]) > kEntryLimit || std::llabs(v[k][i]) > kEntryLimit ||
                std::llabs(q[k][i]) > kEntryLimit)
                return false;
        }
        v_ = v;
        q_ = q;
        return true;
    }

    const int n_;
    std::array<std::array<int64_t, kLatticeDim>, kLatticeDim> v_{};
    std::array<std::array<int64_t, kLatticeDim>, kLatticeDim> q_{};
};

}  // namespace

IntMatrix ReducedBasis(const IntMatrix& v, int n) {
    if (n < 1 || n > kLatticeDim) return IdentityMatrix(std::max(n, 0));
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            if (std::llabs(v(i, j)) > kEntryLimit) return IdentityMatrix(n);
    FormReduction reduction(v, n);
    reduction.Run();
    IntMatrix q = ZeroMatrix();
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) q(i, j) = reduction.Basis(i - 1, j - 1);
    return q;
}

int64_t ForEachUnitVector(const IntMatrix& v, int n, int64_t limit,
                          const std::function<bool(const LatticeVector&, int64_t)>& visit) {
    if (n < 1 || n > kLatticeDim) return 0;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            if (std::llabs(v(i, j)) > kEntryLimit) return 0;
    int64_t looked = 0;
    for (int64_t r = 1;; ++r) {
        if (looked + BoxSize(r, n, limit) > limit) return looked;
        BoxWalk walk(v, n, r, visit);
        const bool stopped = walk.Run();
        looked += walk.looked;
        if (stopped) return looked;
    }
}

int64_t ForEachReducedUnitVector(const IntMatrix& v, int n, int64_t limit,
                                 const std::function<bool(const LatticeVector&, int64_t)>& visit) {
    if (n < 1 || n > kLatticeDim) return 0;
    const IntMatrix q = ReducedBasis(v, n);
    IntMatrix reduced = ZeroMatrix();
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            Wide sum = 0;
            for (int k = 1; k <= n; ++k) {
                Wide row = 0;
                for (int l = 1; l <= n; ++l)
                    if (!MulAdd(v(k, l), q(l, j), row)) return 0;
                if (!MulAdd(q(k, i), row, sum)) return 0;
            }
            if (sum > kEntryLimit || sum < -kEntryLimit) return 0;
            reduced(i, j) = static_cast<int64_t>(sum);
        }
    }
    return ForEachUnitVector(reduced, n, limit, [&](const LatticeVector& y, int64_t e) {
        LatticeVector x{};
        for (int i = 1; i <= n; ++i) {
            Wide sum = 0;
            for (int k = 1; k <= n; ++k)
                if (!MulAdd(q(i, k), y[k], sum)) return false;
            if (sum > kEntryLimit || sum < -kEntryLimit) return false;
            x[i] = static_cast<int64_t>(sum);
        }
        return visit(x, e);
    });
}

void BringToFront(IntMatrix& m, IntMatrix& q, int n, LatticeVector x) {
    // A shear e_i += c·e_j changes the coordinates of x by x_j := x_j - c·x_i; Euclid's algorithm
    // on them leaves one coordinate ±1 and the others 0.
    for (int round = 0; round < kEuclidRoundLimit && !ArithTrouble; ++round) {
        const int pivot = SmallestNonZero(1, n, [&](int s) { return x[s]; });
        if (pivot == 0) return;
        bool single = true;
        for (int j = 1; j <= n; ++j) {
            if (j == pivot || x[j] == 0) continue;
            single = false;
            const int64_t c = x[j] / x[pivot];
            Shear(m, q, n, pivot, j, c);
            x[j] -= c * x[pivot];
        }
        if (single) {
            Swap(m, q, n, 1, pivot);
            return;
        }
    }
}

bool ClearFirstRowAndColumn(IntMatrix& m, IntMatrix& q, int n) {
    if (n < 2 || std::llabs(m(1, 1)) != 1) return false;
    for (int s = 2; s <= n; ++s) Shear(m, q, n, s, 1, -CheckedMul(m(1, 1), m(1, s)));
    for (int round = 0; round < kEuclidRoundLimit && !ArithTrouble; ++round) {
        const int pick = SmallestNonZero(2, n, [&](int s) { return m(s, 1); });
        if (pick == 0) return false;
        Swap(m, q, n, 2, pick);
        if (m(2, 1) < 0) Negate(m, q, n, 2);
        bool cleared = true;
        for (int s = 3; s <= n; ++s) {
            Shear(m, q, n, s, 2, -(m(s, 1) / m(2, 1)));
            cleared = cleared && m(s, 1) == 0;
        }
        if (cleared) return m(2, 1) == 1 && !ArithTrouble;
    }
    return false;
}

bool MayLeaveTrivialAlexander(const IntMatrix& v, int n, const LatticeVector& x, int64_t epsilon) {
    if (n < 1 || n > kLatticeDim) return true;
    std::array<Wide, kLatticeDim + 1> u{};
    for (int j = 1; j <= n; ++j) {
        Wide sum = 0;
        for (int i = 1; i <= n; ++i) {
            Wide term = 0;
            if (__builtin_mul_overflow(Wide{v(i, j)}, Wide{x[i]}, &term)) return true;
            if (__builtin_add_overflow(sum, term, &sum)) return true;
        }
        u[j] = sum;
    }
    std::array<std::array<Wide, kLatticeDim>, kLatticeDim> moved{};
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            Wide product = 0;
            if (__builtin_mul_overflow(u[i], u[j], &product)) return true;
            if (__builtin_mul_overflow(product, Wide{epsilon}, &product)) return true;
            if (__builtin_sub_overflow(Wide{v(i, j)}, product, &moved[i - 1][j - 1])) return true;
        }
    }
    for (const int t : {-1, 2, 3}) {
        std::array<std::array<Wide, kLatticeDim>, kLatticeDim> a{};
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) a[i][j] = t * moved[i][j] - moved[j][i];
        Wide det = 0;
        if (!WideDeterminant(a, n, det)) return true;
        if (t == -1 ? det != 1 && det != -1 : !IsPowerOf(det, t)) return false;
    }
    return true;
}

}  // namespace corvane
