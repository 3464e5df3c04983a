#include "unknotting/lickorish.h"

#include <array>
#include <atomic>
#include <numeric>
#include <optional>

#include "arith/checked.h"
#include "arith/diagonalize.h"
#include "arith/poll.h"
#include "arith/rational.h"

namespace corvane {
namespace {

// The data of the enumeration: the cyclic decomposition of coker C, adj(C) reduced modulo d, d
// and the signature condition.
struct PairingData {
    int n = 0;
    int64_t d = 0;
    int32_t e = 0;
    const DiagonalizeResult* diag = nullptr;
    IntMatrix reducedAdjugate;
    // Row i: the generator g_i with its entries reduced modulo d. The transforms of the diagonal
    // reduction can have entries far larger than d, and x_i·g_i would leave 64 bits for no
    // reason; y only matters modulo d, and so does a (a change of y_j by a multiple of d changes
    // a by a multiple of d), so the answer is the same.
    IntMatrix reducedGenerators;
};

// y = Σ x_i·g_i, every entry reduced modulo d (truncating remainder) after each addition.
void ElementOf(const PairingData& p, const std::array<int64_t, kMatrixDim + 1>& x,
               std::array<int64_t, kMatrixDim + 1>& y) {
    for (int j = 1; j <= p.n; ++j) y[j] = 0;
    for (int i = 1; i <= p.n; ++i) {
        if (x[i] == 0) continue;
        for (int j = 1; j <= p.n; ++j) {
            y[j] = PlainAdd(y[j], PlainMul(x[i], p.reducedGenerators(i, j))) % p.d;
        }
    }
}

// a = Σ_ij y_i·((A_ij·y_j) mod d), d·λ(y, y) up to a multiple of d.
int64_t PairingNumerator(const PairingData& p, const std::array<int64_t, kMatrixDim + 1>& y) {
    int64_t a = 0;
    for (int i = 1; i <= p.n; ++i) {
        if (y[i] == 0) continue;
        for (int j = 1; j <= p.n; ++j) {
            const int64_t inner = PlainMul(p.reducedAdjugate(i, j), y[j]) % p.d;
            a = PlainAdd(a, PlainMul(y[i], inner));
        }
    }
    return a;
}

// λ(y, y) = ±2/d with a sign the signature allows.
bool Qualifies(const PairingData& p, int64_t a) {
    const bool minusTwo = PlainAdd(a, 2) % p.d == 0;
    const bool plusTwo = PlainSub(a, 2) % p.d == 0;
    if (minusTwo && p.e != -2 && p.e != -1 && p.e != 1) return true;
    return plusTwo && p.e != -1 && p.e != 1 && p.e != 2;
}

// The odometer x_i in 0..o_i - 1, the last index fastest, advanced before each visit; the last
// visit is x = (o_1, 0, …, 0), the zero element. False after that last visit.
bool Advance(std::array<int64_t, kMatrixDim + 1>& x, const PairingData& p, bool& pastEnd) {
    if (pastEnd) return false;
    for (int i = p.n; i >= 1; --i) {
        ++x[i];
        if (x[i] < p.diag->CokernelOrders[i]) return true;
        if (i == 1) {
            pastEnd = true;
            return true;
        }
        x[i] = 0;
    }
    return true;
}

enum class Search { found, exhausted, interrupted };

// When n²·d² < 2^62 nothing in ElementOf or PairingNumerator can leave 64 bits (|y_j|, |x_i|,
// the reduced entries and every inner remainder stay within |d|, and a is a sum of n² terms below
// d²), and then a ≡ yᵀ·A·y ≡ Σ_ik x_i·x_k·B_ik (mod d) with B = Gᵀ·A·G, G having the generators
// as columns. Whether d divides a ± 2 depends on a modulo d only, so the numerator can be taken
// from the Gram matrix B, with a cost growing with the non-zero x_i instead of n².
bool NumeratorFitsEverywhere(const PairingData& p) {
    const unsigned __int128 d = static_cast<unsigned __int128>(PlainAbs(p.d));
    const unsigned __int128 n = static_cast<unsigned __int128>(p.n);
    return d < (uint64_t{1} << 31) && n * n * d * d < (static_cast<unsigned __int128>(1) << 62);
}

// B_ik = g_iᵀ·A·g_k modulo |d|, in 0..|d| - 1.
void GramModulo(const PairingData& p,
                std::array<std::array<int64_t, kMatrixDim + 1>, kMatrixDim + 1>& gram) {
    const __int128 d = PlainAbs(p.d);
    std::array<std::array<__int128, kMatrixDim + 1>, kMatrixDim + 1> ag{};
    for (int j = 1; j <= p.n; ++j) {
        for (int k = 1; k <= p.n; ++k) {
            __int128 sum = 0;
            for (int l = 1; l <= p.n; ++l) {
                sum += static_cast<__int128>(p.reducedAdjugate(j, l)) * p.reducedGenerators(k, l);
            }
            ag[j][k] = sum % d;
        }
    }
    for (int i = 1; i <= p.n; ++i) {
        for (int k = 1; k <= p.n; ++k) {
            __int128 sum = 0;
            for (int j = 1; j <= p.n; ++j) sum += p.reducedGenerators(i, j) * ag[j][k] % d;
            sum %= d;
            gram[i][k] = static_cast<int64_t>(sum < 0 ? sum + d : sum);
        }
    }
}

// Σ_ik x_i·x_k·B_ik modulo |d|, over the non-zero x_i.
int64_t NumeratorFromGram(
    const PairingData& p,
    const std::array<std::array<int64_t, kMatrixDim + 1>, kMatrixDim + 1>& gram,
    const std::array<int64_t, kMatrixDim + 1>& x) {
    const __int128 d = PlainAbs(p.d);
    __int128 a = 0;
    for (int i = 1; i <= p.n; ++i) {
        if (x[i] == 0) continue;
        for (int k = 1; k <= p.n; ++k) {
            if (x[k] == 0) continue;
            a = (a + static_cast<__int128>(x[i]) * x[k] % d * gram[i][k]) % d;
        }
    }
    return static_cast<int64_t>(a);
}

// The odometer of Advance with a = Σ_ik x_i·x_k·B_ik modulo d (in 0..d - 1, as
// NumeratorFromGram gives it) kept up to date for a symmetric B: a step of x_i by δ changes a by
// δ·(2·(Bx)_i + δ·B_ii) and Bx by δ times column i of B. A coordinate of order 1 (other than
// the first, whose step ends the enumeration) only ever steps up by one and straight back, which
// leaves a and Bx as they were, so it is passed over, and (Bx)_k is kept only for the others: the
// common step costs an addition per non-trivial cyclic summand instead of the n² products of the
// numerator.
class GramOdometer {
  public:
    using Gram = std::array<std::array<int64_t, kMatrixDim + 1>, kMatrixDim + 1>;

    GramOdometer(const PairingData& p, const Gram& gram) : p_(p), gram_(gram), d_(PlainAbs(p.d)) {
        for (int k = 1; k <= p.n; ++k) {
            if (k == 1 || p.diag->CokernelOrders[k] != 1)
                active_[static_cast<size_t>(count_++)] = k;
        }
    }

    // Advance, with the numerator of the new x in Numerator().
    bool Advance() {
        if (pastEnd_) return false;
        for (int j = count_ - 1; j >= 0; --j) {
            const int i = active_[static_cast<size_t>(j)];
            Step(i, 1);
            ++x_[i];
            if (x_[i] < p_.diag->CokernelOrders[i]) return true;
            if (i == 1) {
                pastEnd_ = true;
                return true;
            }
            Step(i, -x_[i]);
            x_[i] = 0;
        }
        return true;
    }

    int64_t Numerator() const { return a_; }

  private:
    void Step(int i, int64_t delta) {
        const int64_t step = delta == 1 ? one_ : NonNegMod(delta, d_);
        const auto& row = gram_[i];  // = column i, B being symmetric
        if (step == 1) {
            // Each term lies in 0..d-1.
            a_ += bx_[i] + bx_[i] + row[i];
            while (a_ >= d_) a_ -= d_;
            for (int j = 0; j < count_; ++j) {
                const int k = active_[static_cast<size_t>(j)];
                bx_[k] += row[k];
                if (bx_[k] >= d_) bx_[k] -= d_;
            }
            return;
        }
        a_ = (a_ + step * ((2 * bx_[i] + step * row[i]) % d_)) % d_;
        for (int j = 0; j < count_; ++j) {
            const int k = active_[static_cast<size_t>(j)];
            bx_[k] = (bx_[k] + step * row[k]) % d_;
        }
    }

    const PairingData& p_;
    const Gram& gram_;
    int64_t d_;
    int64_t one_ = 1 % d_;  // 1 modulo d
    std::array<int64_t, kMatrixDim + 1> x_{};
    std::array<int64_t, kMatrixDim + 1> bx_{};
    std::array<int, kMatrixDim> active_{};
    int count_ = 0;
    int64_t a_ = 0;
    bool pastEnd_ = false;
};

bool Symmetric(int n, const GramOdometer::Gram& gram) {
    for (int i = 1; i <= n; ++i) {
        for (int k = 1; k < i; ++k) {
            if (gram[i][k] != gram[k][i]) return false;
        }
    }
    return true;
}

// For a cyclic coker C = Z/d (d odd, d > 1) generated by g_k, the enumeration visits x·g_k for
// x = 1..d-1, with numerators x²·B_kk modulo d, and then one last element, the zero one. Whether
// some visit qualifies is decided without the d visits: found, not found, or not decided here
// (another group, an even d, a Gram matrix that is not symmetric).
std::optional<bool> CyclicQualifies(
    const PairingData& p,
    const std::array<std::array<int64_t, kMatrixDim + 1>, kMatrixDim + 1>& gram) {
    const int64_t d = PlainAbs(p.d);
    if (d <= 1 || d % 2 == 0) return std::nullopt;
    int generator = 0;
    for (int i = 1; i <= p.n; ++i) {
        const int64_t order = p.diag->CokernelOrders[i];
        if (order == 1) continue;
        if (order != d || generator != 0) return std::nullopt;
        generator = i;
    }
    if (generator == 0) return std::nullopt;
    // The last visit, as the odometer makes it: x_1 = o_1, every other coordinate 0.
    std::array<int64_t, kMatrixDim + 1> last{};
    last[1] = p.diag->CokernelOrders[1];
    if (Qualifies(p, NumeratorFromGram(p, gram, last))) return true;
    // d divides x²·B_kk ∓ 2 for some x exactly when B_kk·x² ≡ ±2 (mod d) is solvable.
    const int64_t b = gram[generator][generator];
    const bool minusTwoAllowed = p.e != -2 && p.e != -1 && p.e != 1;
    const bool plusTwoAllowed = p.e != -1 && p.e != 1 && p.e != 2;
    return (minusTwoAllowed && ScaledSquareSolvable(b, d - 2, d)) ||
           (plusTwoAllowed && ScaledSquareSolvable(b, 2, d));
}

// Tries every element of coker C until one qualifies. The group can have hundreds of millions of
// elements, so the enumeration polls and honours Stop and Skip.
Search SearchQualifyingElement(const PairingData& p, const std::atomic<bool>* stop,
                               const std::atomic<bool>* skip) {
    std::array<int64_t, kMatrixDim + 1> x{};
    std::array<int64_t, kMatrixDim + 1> y{};
    const bool byGram = NumeratorFitsEverywhere(p);
    std::array<std::array<int64_t, kMatrixDim + 1>, kMatrixDim + 1> gram{};
    if (byGram) GramModulo(p, gram);
    if (byGram && Symmetric(p.n, gram)) {
        if (const std::optional<bool> found = CyclicQualifies(p, gram)) {
            // The enumeration would have met a Stop or Skip at its first polling point.
            const bool interrupted = (stop != nullptr && *stop) || (skip != nullptr && *skip);
            if (interrupted && PlainAbs(p.d) > 65536) return Search::interrupted;
            return *found ? Search::found : Search::exhausted;
        }
        GramOdometer odometer(p, gram);
        // The numerator lies in 0..|d|-1: d divides a + 2 or a - 2 only at these residues.
        const int64_t d = PlainAbs(p.d);
        const int64_t minusTwo = (d - 2 % d) % d;
        const int64_t plusTwo = 2 % d;
        for (uint32_t visited = 1; odometer.Advance(); ++visited) {
            const int64_t numerator = odometer.Numerator();
            if ((numerator == minusTwo || numerator == plusTwo) && Qualifies(p, numerator)) {
                return Search::found;
            }
            if (visited % 65536 != 0) continue;
            CheckPause();
            if ((stop != nullptr && *stop) || (skip != nullptr && *skip)) {
                return Search::interrupted;
            }
        }
        return Search::exhausted;
    }
    bool pastEnd = false;
    for (uint32_t visited = 1; Advance(x, p, pastEnd); ++visited) {
        if (byGram) {
            if (Qualifies(p, NumeratorFromGram(p, gram, x))) return Search::found;
        } else {
            ElementOf(p, x, y);
            if (Qualifies(p, PairingNumerator(p, y))) return Search::found;
        }
        if (visited % 65536 != 0) continue;
        CheckPause();
        if ((stop != nullptr && *stop) || (skip != nullptr && *skip)) return Search::interrupted;
    }
    return Search::exhausted;
}

LickorishVerdict Verdict(const IntMatrix& v, int n, int32_t signature,
                         const std::atomic<bool>* stop, const std::atomic<bool>* skip) {
    ClearTrouble();
    const IntMatrix c = MatAdd(v, Transpose(v, n), n);
    const DiagonalizeResult diag = Diagonalize(c, n, n);
    // A void decomposition proves nothing about the number of generators.
    if (ArithTrouble) return LickorishVerdict::undecided;
    if (diag.GeneratorCount > 1) return LickorishVerdict::obstructed;

    PairingData p;
    p.n = n;
    p.d = diag.value;
    p.e = (n / 2) % 2 == 1 ? -signature : signature;
    p.diag = &diag;
    const IntMatrix adjugate = IntAdjugate(c, n);
    if (ArithTrouble || p.d == 0) return LickorishVerdict::undecided;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            p.reducedAdjugate(i, j) = adjugate(i, j) % p.d;
            p.reducedGenerators(i, j) = diag.CokernelGenerators[i](j) % p.d;
        }
    }
    switch (SearchQualifyingElement(p, stop, skip)) {
        case Search::found:
            return LickorishVerdict::notObstructed;
        case Search::exhausted:
            return LickorishVerdict::obstructed;
        case Search::interrupted:
            break;
    }
    return LickorishVerdict::undecided;
}

}  // namespace

bool ScaledSquareSolvable(int64_t b, int64_t t, int64_t d) {
    if (d < 3 || d % 2 == 0 || d > (int64_t{1} << 31) || std::gcd(t, d) != 1) {
        throw RangeError("ScaledSquareSolvable modulus");
    }
    // An odd prime p^k dividing d: t is a unit, so B·x² ≡ t needs p ∤ B, and then x² ≡ t/B is
    // solvable modulo p^k (Hensel) exactly when t·B is a square modulo p (Euler's criterion);
    // the prime powers combine by the Chinese remainder theorem.
    const auto solvableModulo = [b, t](int64_t prime) {
        const int64_t u = NonNegMod(NonNegMod(b, prime) * NonNegMod(t, prime), prime);
        if (u == 0) return false;
        int64_t power = 1;
        int64_t base = u;
        for (int64_t e = (prime - 1) / 2; e > 0; e /= 2) {
            if (e % 2 == 1) power = power * base % prime;
            base = base * base % prime;
        }
        return power == 1;
    };
    int64_t rest = d;
    for (int64_t prime = 3; prime * prime <= rest; prime += 2) {
        if (rest % prime != 0) continue;
        if (!solvableModulo(prime)) return false;
        while (rest % prime == 0) rest /= prime;
    }
    return rest == 1 || solvableModulo(rest);
}

LickorishVerdict LickorishVerdictOf(const IntMatrix& v, int n, int32_t signature,
                                    const std::atomic<bool>* stop, const std::atomic<bool>* skip) {
    if (n < 1 || n > kMatrixDim) throw RangeError("LickorishTest size");
    try {
        return Verdict(v, n, signature, stop, skip);
    } catch (const OverflowError&) {
        return LickorishVerdict::undecided;
    }
}

bool LickorishTest(KnotState& state) {
    const int32_t signature = state.record.signature;
    const LickorishVerdict verdict =
        LickorishVerdictOf(state.WorkingMatrix, state.WorkingSize, signature, &state.StopRequested,
                           &state.SkipRequested);
    if (verdict == LickorishVerdict::undecided) {
        SetResultField(state, "erError in verification of Lickorish test", "erError");
    }
    return verdict != LickorishVerdict::obstructed;
}

}  // namespace corvane
