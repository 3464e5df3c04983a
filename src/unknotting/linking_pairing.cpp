#include "unknotting/linking_pairing.h"

#include <array>
#include <cmath>
#include <cstdlib>

#include "arith/checked.h"
#include "arith/diagonalize.h"
#include "arith/errors.h"
#include "arith/poll.h"

namespace corvane {
namespace {

constexpr int kPairsPerPoll = 65536;
constexpr int64_t kMaxPairingDeterminant = 2147483647;
constexpr int64_t kRowsPerPoll = 1024;

bool Interrupted(const PairingPolling& polling) {
    return (polling.stop != nullptr && *polling.stop) || (polling.skip != nullptr && *polling.skip);
}

// CheckPause and the status redraw; false when a Stop or Skip asks the search to end.
bool Poll(const PairingPolling& polling) {
    CheckPause();
    if (polling.display != nullptr) polling.display->ShowStatus(false);
    return !Interrupted(polling);
}

bool Odd(int64_t x) {
    return x % 2 != 0;
}

bool DivisibleBy4(int64_t x) {
    return x % 4 == 0;
}

// ⌊√x⌋ for x >= 0.
int64_t FloorSqrt(int64_t x) {
    int64_t s = static_cast<int64_t>(std::sqrt(static_cast<long double>(x)));
    while (s * s > x) --s;
    while ((s + 1) * (s + 1) <= x) ++s;
    return s;
}

// c >= 0 with c² = x, or -1.
int64_t ExactSqrt(int64_t x) {
    if (x < 0) return -1;
    const int64_t s = FloorSqrt(x);
    return s * s == x ? s : -1;
}

// |signature| ≠ 4: the forms [[b, c], [c, a]] with a·b - c² = ±D, |b| <= |a|, 0 <= c <= |b|/2.
// Since c² <= b²/4 <= |a·b|/4, a solution has |a·b| <= 4D/3, which bounds b for each a; for given
// a and b at most two c solve the equation, c² = a·b - D and c² = a·b + D, the first smaller.
bool EnumerateIndefinite(std::vector<CandidateForm>& forms, int64_t d, int32_t signature,
                         const std::vector<Form2>& table, const PairingPolling& polling) {
    for (int64_t a = -d; a <= d; ++a) {
        if (a != 0) {
            const int64_t absA = std::llabs(a);
            const int64_t bound = std::min(absA, 4 * d / (3 * absA));
            for (int64_t b = -bound; b <= bound; ++b) {
                const int64_t ab = a * b;
                for (const int64_t c : {ExactSqrt(ab - d), ExactSqrt(ab + d)}) {
                    if (c >= 0 && c <= std::llabs(b) / 2) {
                        AddCandidateForm(forms, b, a, c, signature, table);
                    }
                }
            }
        }
        if ((a + d + 1) % kRowsPerPoll == 0 && !Poll(polling)) return false;
    }
    const int64_t root = std::llround(std::sqrt(static_cast<long double>(d) + 0.0001L));
    if (root * root == d) {
        for (int64_t x = -root; x <= root; ++x)
            AddCandidateForm(forms, x, 0, root, signature, table);
    }
    AddCandidateForm(forms, -3, 0, 9, signature, table);
    return true;
}

// |signature| = 4: the positive definite forms [[b, c], [c, a]] with a·b - c² = D,
// 1 <= b <= a, 0 <= c < b (negated for signature -4). A solution has a·b >= D and
// a·b - D = c² <= (b - 1)², so b·(a - b) < D: b lies in the run from ⌈D/a⌉ up to the first b
// with b·(a - b) >= D, or, by the symmetry b ↔ a - b of b·(a - b), from the mirror of that b on.
bool EnumerateDefinite(std::vector<CandidateForm>& forms, int64_t d, int32_t signature,
                       const std::vector<Form2>& table, const PairingPolling& polling) {
    const int64_t e = signature == 4 ? 1 : -1;
    const auto visit = [&](int64_t a, int64_t b) {
        const int64_t c = ExactSqrt(a * b - d);
        if (c >= 0 && c <= b - 1) AddCandidateForm(forms, e * b, e * a, e * c, signature, table);
    };
    for (int64_t a = 1; a <= d; ++a) {
        int64_t b = (d + a - 1) / a;
        for (; b <= a && b * (a - b) < d; ++b) visit(a, b);
        for (b = std::max(b, a - b + 1); b <= a; ++b) visit(a, b);
        if (a % kRowsPerPoll == 0 && !Poll(polling)) return false;
    }
    return true;
}

// The cyclic decomposition of H_1(L_2) = coker C restricted to its non-trivial summands, and the
// linking numerators L[i, j] ≡ D·λ(g_i, g_j) (mod D).
struct Pairing {
    int k = 0;
    int64_t d = 0;  // D = |det C|
    std::array<int64_t, kMaxPairingSummands + 1> orders{};
    std::array<std::array<int64_t, kMaxPairingSummands + 1>, kMaxPairingSummands + 1> numerators{};
};

using Element = std::array<int64_t, kMaxPairingSummands + 1>;

// The non-trivial summands of the decomposition, in index order, with their generators reduced
// modulo D, and L[i, j] = Σ_r Σ_s g_i[r]·((A[r, s]·g_j[s]) mod D) mod D for A = D·C⁻¹.
Pairing PairingOf(const DiagonalizeResult& diag, const IntMatrix& a, int n) {
    Pairing p;
    p.d = std::llabs(diag.value);
    std::array<IntVector, kMaxPairingSummands + 1> g{};
    for (int i = 1; i <= n; ++i) {
        if (diag.CokernelOrders[i] <= 1) continue;
        if (p.k == kMaxPairingSummands) throw RangeError("u=2 test: more than 5 cyclic summands");
        ++p.k;
        p.orders[p.k] = diag.CokernelOrders[i];
        for (int r = 1; r <= n; ++r) g[p.k](r) = diag.CokernelGenerators[i](r) % p.d;
    }
    for (int i = 1; i <= p.k; ++i) {
        for (int j = 1; j <= p.k; ++j) {
            int64_t sum = 0;
            for (int r = 1; r <= n; ++r) {
                for (int s = 1; s <= n; ++s) {
                    const int64_t inner = PlainMul(a(r, s) % p.d, g[j](s)) % p.d;
                    sum = PlainAdd(sum, PlainMul(g[i](r), inner)) % p.d;
                }
            }
            p.numerators[i][j] = sum;
        }
    }
    return p;
}

// L·x, every entry reduced modulo D.
Element Apply(const Pairing& p, const Element& x) {
    Element y{};
    for (int i = 1; i <= p.k; ++i) {
        int64_t sum = 0;
        for (int j = 1; j <= p.k; ++j) {
            sum = PlainAdd(sum, PlainMul(p.numerators[i][j], x[j]) % p.d) % p.d;
        }
        y[i] = sum;
    }
    return y;
}

// 2·xᵀ·y reduced into 0..D-1.
int64_t TwiceProduct(const Pairing& p, const Element& x, const Element& y) {
    int64_t sum = 0;
    for (int i = 1; i <= p.k; ++i) sum = PlainAdd(sum, PlainMul(x[i], y[i]) % p.d) % p.d;
    const int64_t twice = PlainMul(2, sum) % p.d;
    return twice < 0 ? twice + p.d : twice;
}

int64_t Residue(int64_t x, int64_t d) {
    const int64_t r = x % d;
    return r < 0 ? r + d : r;
}

// The adjugates [[q, -r], [-r, p]] reduced into 0..D-1, for the congruences 2·W ≡ adj F.
struct ReducedAdjugate {
    int64_t a11, a12, a22;
};

std::vector<ReducedAdjugate> ReducedAdjugates(const std::vector<CandidateForm>& forms, int64_t d) {
    std::vector<ReducedAdjugate> out;
    out.reserve(forms.size());
    for (const CandidateForm& f : forms) {
        out.push_back({Residue(f.q, d), Residue(PlainNeg(f.r), d), Residue(f.p, d)});
    }
    return out;
}

// The next element of the product of the Z/o_i, the last coordinate fastest; false after the
// last one (the odometer is then back at zero).
bool Advance(Element& x, const Pairing& p) {
    for (int i = p.k; i >= 1; --i) {
        if (++x[i] < p.orders[i]) return true;
        x[i] = 0;
    }
    return false;
}

enum class Generation { generates, doesNotGenerate, trouble };

// x_1 and x_2 generate H_1(L_2) when the cokernel of [diag(o_1..o_k) | x_1 | x_2] is trivial.
// Every o_i divides D, so D·Z^k lies in the image and the cokernel may be computed over Z/D: it is
// trivial when the product of the diagonal is prime to D.
Generation Generates(const Pairing& p, const Element& x1, const Element& x2) {
    IntMatrix m;
    for (int i = 1; i <= p.k; ++i) {
        m(i, i) = p.orders[i];
        m(i, p.k + 1) = x1[i];
        m(i, p.k + 2) = x2[i];
    }
    DiagonalizeMode mode;
    mode.noTransforms = true;
    mode.modulus = p.d;
    const int64_t e = Diagonalize(m, p.k, p.k + 2, mode).value;
    if (ArithTrouble) return Generation::trouble;
    return Gcd64(p.d, e) == 1 ? Generation::generates : Generation::doesNotGenerate;
}

bool Fits(const ReducedAdjugate& f, int64_t w11, int64_t w12, int64_t w21, int64_t w22) {
    return w11 == f.a11 && w12 == f.a12 && w21 == f.a12 && w22 == f.a22;
}

bool AnyFits(const std::vector<ReducedAdjugate>& adjugates, int64_t w11, int64_t w12, int64_t w21,
             int64_t w22) {
    for (const ReducedAdjugate& f : adjugates) {
        if (Fits(f, w11, w12, w21, w22)) return true;
    }
    return false;
}

LinkingPairingOutcome Outcome(LinkingPairingVerdict verdict, int candidates, bool failed = false) {
    return LinkingPairingOutcome{verdict, failed, candidates};
}

// The inner odometer of the pair search over x_2 with u = L·x_2, 2·x_2ᵀ·l_1 and 2·x_2ᵀ·L·x_2
// kept up to date modulo D (in 0..D-1, as TwiceProduct gives them) for L symmetric modulo D: a
// step of x_2[i] by δ adds δ times column i of L to u, 2δ·l_1[i] to the cross term and
// 2·(2δ·u[i] + δ²·L[i, i]) to the square. For symmetric L the two cross terms 2·x_1ᵀ·L·x_2 and
// 2·x_2ᵀ·L·x_1 agree. The common step, the last coordinate up by one, costs k additions instead
// of the k² products of Apply. Its odometer is Advance's, so it also serves, without its terms,
// when L is not symmetric.
class SecondElement {
  public:
    using Residues =
        std::array<std::array<int64_t, kMaxPairingSummands + 1>, kMaxPairingSummands + 1>;

    SecondElement(const Pairing& p, const Residues& l, const Element& l1) : p_(p), l_(l) {
        for (int i = 1; i <= p.k; ++i) l1_[i] = Residue(l1[i], p.d);
    }

    int64_t Cross() const { return cross_; }
    int64_t Square() const { return square_; }
    const Element& x() const { return x_; }

    // Advance on x_2 with the terms kept up to date.
    bool Advance() {
        for (int i = p_.k; i >= 1; --i) {
            Step(i, 1);
            if (++x_[i] < p_.orders[i]) return true;
            Step(i, -x_[i]);
            x_[i] = 0;
        }
        return false;
    }

  private:
    int64_t Add(int64_t a, int64_t b) const {
        const int64_t sum = a + b;
        return sum >= p_.d ? sum - p_.d : sum;
    }

    void Step(int i, int64_t delta) {
        const int64_t d = p_.d;
        const int64_t step = Residue(delta, d);
        if (step == 1) {
            square_ = Add(square_, 2 * Add(Add(u_[i], u_[i]), l_[i][i]) % d);
            cross_ = Add(cross_, Add(l1_[i], l1_[i]));
            for (int j = 1; j <= p_.k; ++j) u_[j] = Add(u_[j], l_[j][i]);
            return;
        }
        const int64_t squareStep = step * step % d * l_[i][i] % d;
        square_ = Add(square_, 2 * Add(2 * (step * u_[i] % d) % d, squareStep) % d);
        cross_ = Add(cross_, 2 * (step * l1_[i] % d) % d);
        for (int j = 1; j <= p_.k; ++j) u_[j] = (u_[j] + step * l_[j][i]) % d;
    }

    const Pairing& p_;
    const Residues& l_;
    Element l1_{};
    Element x_{};
    Element u_{};
    int64_t cross_ = 0;
    int64_t square_ = 0;
};

// L reduced into 0..D-1; false when it is not symmetric modulo D.
bool SymmetricResidues(const Pairing& p, SecondElement::Residues& l) {
    for (int i = 1; i <= p.k; ++i) {
        for (int j = 1; j <= p.k; ++j) l[i][j] = Residue(p.numerators[i][j], p.d);
    }
    for (int i = 1; i <= p.k; ++i) {
        for (int j = 1; j < i; ++j) {
            if (l[i][j] != l[j][i]) return false;
        }
    }
    return true;
}

// Every pair (x_1, x_2) of elements until one fits a candidate and generates.
LinkingPairingOutcome SearchPairs(const Pairing& p, const std::vector<CandidateForm>& forms,
                                  const PairingPolling& polling) {
    const int count = static_cast<int>(forms.size());
    const std::vector<ReducedAdjugate> adjugates = ReducedAdjugates(forms, p.d);
    SecondElement::Residues l{};
    const bool symmetric = SymmetricResidues(p, l);
    std::vector<ReducedAdjugate> matching;
    matching.reserve(adjugates.size());
    Element x1{};
    uint32_t pairs = 0;
    do {
        const Element l1 = Apply(p, x1);
        const int64_t w11 = TwiceProduct(p, x1, l1);
        // Only the candidates whose a11 is w11 can fit a pair with this x_1.
        matching.clear();
        for (const ReducedAdjugate& f : adjugates) {
            if (f.a11 == w11) matching.push_back(f);
        }
        SecondElement second(p, l, l1);
        const Element& x2 = second.x();
        do {
            int64_t w12 = second.Cross();
            int64_t w21 = w12;
            int64_t w22 = second.Square();
            if (!symmetric) {
                const Element l2 = Apply(p, x2);
                w12 = TwiceProduct(p, x1, l2);
                w21 = TwiceProduct(p, x2, l1);
                w22 = TwiceProduct(p, x2, l2);
            }
            if (!matching.empty() && AnyFits(matching, w11, w12, w21, w22)) {
                switch (Generates(p, x1, x2)) {
                    case Generation::generates:
                        return Outcome(LinkingPairingVerdict::notObstructed, count);
                    case Generation::trouble:
                        return Outcome(LinkingPairingVerdict::undecided, count, true);
                    case Generation::doesNotGenerate:
                        break;
                }
            }
            if (++pairs % kPairsPerPoll == 0 && !Poll(polling)) {
                return Outcome(LinkingPairingVerdict::undecided, count);
            }
        } while (second.Advance());
        if (!Poll(polling)) return Outcome(LinkingPairingVerdict::undecided, count);
    } while (Advance(x1, p));
    return Outcome(LinkingPairingVerdict::obstructed, count);
}

LinkingPairingOutcome Verdict(const IntMatrix& v, int n, int32_t signature,
                              const std::vector<Form2>& table, const PairingPolling& polling,
                              int64_t maxDeterminant) {
    if (signature > 4 || signature < -4) return Outcome(LinkingPairingVerdict::notObstructed, 0);
    ClearTrouble();
    const IntMatrix c = MatAdd(v, Transpose(v, n), n);
    const DiagonalizeResult diag = Diagonalize(c, n, n);
    // A void decomposition proves nothing; nor does a form that is not that of a knot (|det C| is
    // odd for every knot).
    if (ArithTrouble || diag.value % 2 == 0)
        return Outcome(LinkingPairingVerdict::undecided, 0, true);
    const int64_t d = std::llabs(diag.value);
    // The determinant of a knot is held in 32 bits; beyond them the enumerations would not end
    // and products of residues modulo D could leave 64 bits.
    if (d > kMaxPairingDeterminant) return Outcome(LinkingPairingVerdict::undecided, 0, true);

    // The enumeration costs O(D log D) and the search up to D² pairs: beyond the limit neither is
    // begun, and only the generator count can decide.
    if (d > maxDeterminant) {
        const bool threeGenerators = diag.GeneratorCount > 2;
        return Outcome(
            threeGenerators ? LinkingPairingVerdict::obstructed : LinkingPairingVerdict::undecided,
            0);
    }

    std::vector<CandidateForm> forms;
    forms.reserve(64);
    if (!EnumerateCandidateForms(forms, d, signature, table, polling)) {
        return Outcome(LinkingPairingVerdict::undecided, static_cast<int>(forms.size()));
    }
    const int count = static_cast<int>(forms.size());
    if (diag.GeneratorCount > 2) return Outcome(LinkingPairingVerdict::obstructed, count);

    IntMatrix adjugate = IntAdjugate(c, n);
    if (ArithTrouble) return Outcome(LinkingPairingVerdict::undecided, count, true);
    if (diag.value < 0) {
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= n; ++j) adjugate(i, j) = PlainNeg(adjugate(i, j));
        }
    }
    const Pairing p = PairingOf(diag, adjugate, n);
    if (p.k == 0) return Outcome(LinkingPairingVerdict::notObstructed, count);
    return SearchPairs(p, forms, polling);
}

}  // namespace

void AddCandidateForm(std::vector<CandidateForm>& forms, int64_t p, int64_t q, int64_t r,
                      int32_t signature, const std::vector<Form2>& table) {
    if (Odd(p + q + r) || (!Odd(p) && !Odd(q))) return;
    if (signature == 4 || signature == -4) {
        const int64_t s = signature == 4 ? -1 : 1;
        bool congruent = false;
        for (const Form2& t : table) {
            if (DivisibleBy4(s * t(1, 1) - p) && DivisibleBy4(t(1, 2) - r) &&
                DivisibleBy4(s * t(2, 2) - q)) {
                congruent = true;
                break;
            }
        }
        if (!congruent) return;
    }
    if (forms.size() >= static_cast<std::size_t>(kMaxCandidateForms)) {
        throw RangeError("u=2 test: more than 2000 candidate forms");
    }
    forms.push_back({p, q, r});
}

bool EnumerateCandidateForms(std::vector<CandidateForm>& forms, int64_t d, int32_t signature,
                             const std::vector<Form2>& table, const PairingPolling& polling) {
    if (signature == 4 || signature == -4) {
        return EnumerateDefinite(forms, d, signature, table, polling);
    }
    return EnumerateIndefinite(forms, d, signature, table, polling);
}

LinkingPairingOutcome LinkingPairingVerdictOf(const IntMatrix& v, int n, int32_t signature,
                                              const std::vector<Form2>& table,
                                              const PairingPolling& polling,
                                              int64_t maxDeterminant) {
    if (n < 1 || n > kMatrixDim) throw RangeError("LinkingPairingTest size");
    try {
        return Verdict(v, n, signature, table, polling, maxDeterminant);
    } catch (const CalculationError&) {
        return Outcome(LinkingPairingVerdict::undecided, 0, true);
    }
}

bool LinkingPairingTest(KnotContext& ctx) {
    KnotState& state = ctx.state;
    ctx.display.StatusText =
        "Check linking pairing on 2-fold branched cover for u_a=2 obstruction ";
    state.SkipRequested = false;
    const PairingPolling polling{&state.StopRequested, &state.SkipRequested, &ctx.display};
    // Outside a run there are no tables: no candidate form, so the test cannot claim anything.
    static const std::vector<Form2> kNoForms;
    const std::vector<Form2>& forms =
        ctx.formTables != nullptr ? ctx.formTables->FormTable2 : kNoForms;
    const LinkingPairingOutcome outcome = LinkingPairingVerdictOf(
        state.WorkingMatrix, state.WorkingSize, state.record.signature, forms, polling);
    if (outcome.failed) SetResultField(state, "erError in u=2 test", "erError");
    return outcome.verdict != LinkingPairingVerdict::obstructed;
}

bool StoimenowObstruction(int32_t signature, int32_t determinant) {
    if (signature != 4 && signature != -4) return false;
    const int64_t d = std::llabs(static_cast<int64_t>(determinant));
    const int64_t root = std::llround(std::sqrt(static_cast<long double>(d)));
    if (root * root != d) return false;
    for (int64_t k = 0; k <= d / 4; ++k) {
        if (d % (4 * k + 3) == 0) return false;
    }
    return true;
}

}  // namespace corvane
