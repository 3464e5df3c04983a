#include "invariants/nakanishi.h"

#include <algorithm>
#include <array>
#include <bit>
#include <memory>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "arith/checked.h"
#include "invariants/alexander.h"
#include "invariants/alexander_module.h"
#include "invariants/blanchfield.h"
#include "knot/knot_context.h"
#include "knot/padding.h"
#include "knot/text_forms.h"

namespace corvane {

namespace {

constexpr int kMaxCountPasses = 100;
constexpr std::array<int32_t, 5> kCheckPrimes{2, 3, 5, 7, 11};

// |x|; PlainAbs (which throws) only for -2^63.
int64_t AbsValue(int64_t x) {
    if (x == INT64_MIN) return PlainAbs(x);
    return x < 0 ? -x : x;
}

// Bit c of the result is set when 0 <= degrees[c] <= limit, for c = 0..width-1 (width <= 12,
// limit <= 27; sixteen degrees are readable).
unsigned DegreesWithin(const int8_t* degrees, int width, int64_t limit) {
    const unsigned columns = (1U << width) - 1U;
#if defined(__SSE2__)
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(degrees));
    const __m128i nonNegative = _mm_cmpgt_epi8(d, _mm_set1_epi8(-1));
    const __m128i low = _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(limit + 1)), d);
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(nonNegative, low))) & columns;
#else
    unsigned mask = 0;
    for (int c = 0; c < width; ++c) {
        mask |= static_cast<unsigned>(degrees[c] >= 0 && degrees[c] <= limit) << c;
    }
    return mask & columns;
#endif
}

// Step a of a pass: the best pivot of the block k..s, rows outer and columns inner.
std::pair<int, int> ChoosePivot(const IntPolyMatrix& a, int k, int s, RandomGenerator& rng) {
    const auto& degrees = a.Degrees();
    const auto& leads = a.Leads();
    int br = k;
    int bc = k;
    int64_t bestDegree = a.Degree(k, k);
    int64_t bestLead = AbsValue(a.Lead(k, k));
    for (int r = k; r <= s; ++r) {
        const size_t row = static_cast<size_t>(r - 1) * kPolyMatrixDim;
        // The entries of the row that can be taken: within the row the best degree only falls,
        // so the others stay out of reach and are passed over without a look.
        const int64_t limit = bestDegree < 0 ? kPolyMaxDegree : bestDegree;
        unsigned candidates =
            DegreesWithin(degrees.data() + row + static_cast<size_t>(k - 1), s - k + 1, limit);
        for (; candidates != 0; candidates &= candidates - 1) {
            const int c = k + std::countr_zero(candidates);
            const size_t x = row + static_cast<size_t>(c - 1);
            const int64_t degree = degrees[x];
            if (degree > bestDegree && bestDegree >= 0) continue;
            bool take = bestDegree < 0 || degree < bestDegree;
            const int64_t lead = AbsValue(leads[x]);
            if (!take)
                take = lead < bestLead || (lead == bestLead && RandomBelow(rng, 2) == 0 && k > 1);
            if (take) {
                br = r;
                bc = c;
                bestDegree = degree;
                bestLead = lead;
            }
        }
    }
    return {br, bc};
}

BigPoly& ForwardAt(ModulePresentation& p, int i, int j) {
    return p.Forward[static_cast<size_t>((i - 1) * kPolyMatrixDim + (j - 1))];
}

// Row i += c·t^e·row k of Forward, after the same operation on A succeeded.
void AddForwardRow(ModulePresentation& p, int target, int source, int64_t shift, int64_t c) {
    if (ArithTrouble) return;
    for (int j = 1; j <= p.n; ++j) {
        const fmpz_poly_struct* from = ForwardAt(p, source, j).get();
        if (from->length == 0) continue;
        fmpz_poly_struct* to = ForwardAt(p, target, j).get();
        const slong length = from->length + shift;
        // The coefficients beyond the length are not kept zero: the new ones are cleared.
        if (to->length < length) {
            fmpz_poly_fit_length(to, length);
            for (slong k = to->length; k < length; ++k) fmpz_zero(to->coeffs + k);
            _fmpz_poly_set_length(to, length);
        }
        for (slong k = 0; k < from->length; ++k) {
            fmpz_addmul_si(to->coeffs + k + shift, from->coeffs + k, c);
        }
        _fmpz_poly_normalise(to);
    }
}

// Row i += c·t^e·row k, mirrored: column k of the transform gets -c·t^e·column i, and row i of
// Forward gets c·t^e·row k.
void AddRow(ModulePresentation& p, int target, int source, int64_t shift, int64_t c) {
    inplace::IntPolyAddRowMultiple(p.A, target, source, p.s, shift, c);
    inplace::IntPolyAddColumnMultiple(p.PolyDiagLeftInverse, source, target, p.s, shift,
                                      PlainNeg(c));
    AddForwardRow(p, target, source, shift, c);
}

void SwapRows(ModulePresentation& p, int i, int j) {
    if (i == j) return;
    inplace::IntPolySwapRows(p.A, i, j, p.s);
    inplace::IntPolySwapColumns(p.PolyDiagLeftInverse, i, j, p.s);
    for (int k = 1; k <= p.n; ++k)
        fmpz_poly_swap(ForwardAt(p, i, k).get(), ForwardAt(p, j, k).get());
}

// One pass at position k (steps a-d).
void ReducePosition(ModulePresentation& p, int k, RandomGenerator& rng) {
    const auto [r, c] = ChoosePivot(p.A, k, p.s, rng);
    SwapRows(p, k, r);
    if (c != k) inplace::IntPolySwapColumns(p.A, k, c, p.s);
    const int64_t pivotDegree = p.A.Degree(k, k);
    if (pivotDegree < 0) return;
    const int64_t pivotLead = p.A.Lead(k, k);
    for (int i = k + 1; i <= p.s && !ArithTrouble; ++i) {
        const int64_t degree = p.A.Degree(i, k);
        if (degree < 0) continue;
        const int64_t q = CheckedDiv(p.A.Lead(i, k), pivotLead);
        if (q != 0) AddRow(p, i, k, degree - pivotDegree, PlainNeg(q));
    }
    for (int j = k + 1; j <= p.s && !ArithTrouble; ++j) {
        const int64_t degree = p.A.Degree(k, j);
        if (degree < 0) continue;
        const int64_t q = CheckedDiv(p.A.Lead(k, j), pivotLead);
        if (q != 0)
            inplace::IntPolyAddColumnMultiple(p.A, j, k, p.s, degree - pivotDegree, PlainNeg(q));
    }
}

bool PositionCleared(const IntPolyMatrix& a, int k, int s) {
    for (int i = k + 1; i <= s; ++i) {
        if (a.Degree(i, k) >= 0 || a.Degree(k, i) >= 0) return false;
    }
    return true;
}

int32_t NonUnitsBefore(const IntPolyMatrix& a, int k) {
    int32_t n = 0;
    for (int i = 1; i < k; ++i) n += IsLaurentUnit(a.Entry(i, i)) ? 0 : 1;
    return n;
}

// Positions of the presentation that still carry the module: the undiagonalised ones and the
// diagonal entries that are not units.
int KeptPositions(const IntPolyMatrix& a, int s, int complete, std::array<int, 12>& kept) {
    int n = 0;
    for (int i = 1; i <= s; ++i) {
        if (i > complete || !IsLaurentUnit(a.Entry(i, i))) kept[static_cast<size_t>(n++)] = i;
    }
    return n;
}

// "(" + rows + ")" of the presentation restricted to the kept positions; the removed positions
// have zero rows and columns apart from a unit on the diagonal, so the text presents H.
std::string PresentationText(const IntPolyMatrix& a, int s, int complete) {
    std::array<int, 12> kept{};
    const int n = KeptPositions(a, s, complete, kept);
    std::string text = "(";
    for (int x = 0; x < n; ++x) {
        if (x > 0) text += ",";
        text += "(";
        for (int y = 0; y < n; ++y) {
            if (y > 0) text += ",";
            text += PolyToText(RatPolyFromInt(
                a.Entry(kept[static_cast<size_t>(x)], kept[static_cast<size_t>(y)])));
        }
        text += ")";
    }
    return text + ")";
}

void ResetPresentation(ModulePresentation& p, const IntPolyMatrix& a0, int n) {
    p.A = a0;
    p.s = n;
    p.PolyDiagLeftInverse = IntPolyMatIdentity(n);
    for (BigPoly& entry : p.Forward) fmpz_poly_zero(entry.get());
    for (int i = 1; i <= n; ++i) fmpz_poly_one(ForwardAt(p, i, i).get());
    p.n = n;
}

// Stabilisation: generator s+1 with relation column s+1 carrying 1 on the diagonal. Either the
// new row carries random entries (relations j pick up r_j·e_{s+1}, and e_{s+1} = 0, so it stands
// for 0) or the new column does (relation e_{s+1} + Σ c_i e_i, so e_{s+1} stands for
// -Σ c_i·(element of e_i)).
}  // namespace

void StabilisePresentation(ModulePresentation& p, int64_t tries, RandomGenerator& rng) {
    if (p.s >= kPolyMatrixDim) throw RangeError("StabilisePresentation size");
    const int s = p.s;
    const int n = s + 1;
    const bool inRow = RandomBelow(rng, 2) == 0;
    const int64_t m = std::min<int64_t>(RandomBelow(rng, tries / 20) + 3, 13);
    p.A.Set(n, n, IntPolyFromRat(PolyOne()));
    // The old generators keep their coordinates: the new one is 0 in the new row of Forward.
    for (int j = 1; j <= p.n; ++j) fmpz_poly_zero(ForwardAt(p, n, j).get());
    for (int i = 1; i <= s; ++i) {
        const IntPoly entry = IntPolyFromRat(PolyRandom(rng, 1, m));
        if (inRow) {
            p.A.Set(n, i, entry);
        } else {
            p.A.Set(i, n, entry);
        }
        for (int row = 1; !inRow && row <= s; ++row) {
            inplace::IntPolySubtractProduct(p.PolyDiagLeftInverse, row, n, entry, row, i);
        }
    }
    p.s = n;
}

namespace {

void Grow(ModulePresentation& p, int64_t tries, RandomGenerator& rng) {
    if (tries <= 10 || tries % 2 != 0) return;
    int times = 1;
    if (tries > 50 && tries % 3 == 0) {
        times = 3;
    } else if (tries > 20) {
        times = 2;
    }
    for (int k = 0; k < times && p.s < kPolyMatrixDim; ++k) StabilisePresentation(p, tries, rng);
}

void Scramble(ModulePresentation& p, int64_t tries, RandomGenerator& rng) {
    if (tries >= 11 && tries % 2 == 0 && tries % 5 != 0) return;
    const int64_t limit = 2 * static_cast<int64_t>(p.s) * p.s;
    int64_t count = tries / 2 + 6;
    if (count > limit) count = limit + 5;
    PolyScramble(p, 1, count, rng);
}

// After a valid count the generators at the diagonal units are 0 in H: their rows of Forward
// may be dropped (e_j - Σ_i t_i·Forward(i, j) then lies in the image of tV - Vᵀ rather than being
// 0), which keeps Forward from growing over the tries.
void PruneForward(ModulePresentation& p, const ModuleCount& r) {
    for (int i = 1; i <= r.complete; ++i) {
        if (!IsLaurentUnit(p.A.Entry(i, i))) continue;
        for (int j = 1; j <= p.n; ++j) fmpz_poly_zero(ForwardAt(p, i, j).get());
    }
}

// Step b: a valid count lowers the upper bound and may give a presentation text and a generator.
void RecordCount(KnotContext& ctx, const ModulePresentation& p, const ModuleCount& r) {
    KnotState& state = ctx.state;
    KnotRecord& knot = state.record;
    if (knot.nakanishiUpper == -1 || r.count < knot.nakanishiUpper) {
        knot.nakanishiUpper = r.count;
        state.presentationText.clear();
    }
    if (r.count != knot.nakanishiUpper) return;
    const std::string text = PresentationText(p.A, p.s, r.complete);
    if (state.presentationText.empty() || text.size() < state.presentationText.size()) {
        state.presentationText = text;
        SetResultField(state, "rm" + text, "");
    }
    const int n = state.WorkingSize;
    ModuleGenerators& kept = state.NakanishiGenerators;
    if (n > 0 && (!kept.valid || r.count < kept.count)) kept = GeneratorsOfCount(p, r, n);
    if (r.count != 1 || n <= 0) return;
    const PolyVector g = GeneratorOfCyclicCount(p, r, n);
    if (GeneratorPassesModularCheck(state.WorkingMatrix, n, g)) RecordCyclicGenerator(state, g);
}

}  // namespace

PolyVector GeneratorOfCyclicCount(const ModulePresentation& p, const ModuleCount& r, int n) {
    std::array<int, 12> kept{};
    KeptPositions(p.A, p.s, r.complete, kept);
    PolyVector g;
    for (int i = 1; i <= n; ++i) g(i) = RatPolyFromInt(p.PolyDiagLeftInverse.Entry(i, kept[0]));
    return g;
}

ModuleGenerators GeneratorsOfCount(const ModulePresentation& p, const ModuleCount& r, int n) {
    ModuleGenerators g;
    if (p.n != n) return g;
    std::array<int, 12> kept{};
    const int c = KeptPositions(p.A, p.s, r.complete, kept);
    g.valid = true;
    g.count = c;
    for (int k = 0; k < c; ++k) {
        const int at = kept[static_cast<size_t>(k)];
        PolyVector x;
        std::vector<BigPoly> a;
        for (int i = 1; i <= n; ++i) {
            x(i) = RatPolyFromInt(p.PolyDiagLeftInverse.Entry(i, at));
            a.push_back(p.Forward[static_cast<size_t>((at - 1) * kPolyMatrixDim + (i - 1))]);
        }
        g.Generators.push_back(x);
        g.Coefficients.push_back(std::move(a));
    }
    return g;
}

bool IsLaurentUnit(const RatPoly& p) {
    if (p.degree < 0) return false;
    int nonZero = 0;
    for (int64_t i = 0; i <= p.degree; ++i) {
        const Rational& c = p.c(i);
        if (c.num == 0) continue;
        ++nonZero;
        if (PlainAbs(c.num) != 1 || PlainAbs(c.den) != 1) return false;
    }
    return nonZero == 1;
}

bool IsLaurentUnit(const IntPoly& p) {
    if (p.degree < 0) return false;
    int nonZero = 0;
    for (int64_t i = 0; i <= p.degree; ++i) {
        const int64_t c = p.c[static_cast<size_t>(i)];
        if (c == 0) continue;
        ++nonZero;
        if (c != 1 && c != -1) return false;
    }
    return nonZero == 1;
}

ModulePresentation PresentationOf(const PolyMatrix& a, int n) {
    ModulePresentation p;
    ResetPresentation(p, IntPolyMatrixFrom(a, n), n);
    return p;
}

ModuleCount CountModuleGenerators(ModulePresentation& p, RandomGenerator& rng) {
    ClearTrouble();
    TroubleCode.clear();
    const int s = p.s;
    for (int k = 1; k <= s; ++k) {
        for (int pass = 1;; ++pass) {
            ReducePosition(p, k, rng);
            if (ArithTrouble) return {0, k - 1};
            if (pass > 10 && pass % 5 == 0) PolyScramble(p, k, pass / 10 + 1, rng);
            if (ArithTrouble) return {0, k - 1};
            if (pass > kMaxCountPasses) return {NonUnitsBefore(p.A, k) + (s - k + 1), k - 1};
            if (PositionCleared(p.A, k, s)) break;
        }
    }
    return {NonUnitsBefore(p.A, s + 1), s};
}

void PolyScramble(ModulePresentation& p, int lo, int64_t count, RandomGenerator& rng) {
    const int s = p.s;
    const auto draw = [&] { return lo + static_cast<int>(RandomBelow(rng, s + 1 - lo)); };
    for (int64_t round = 0; round < count && !ArithTrouble; ++round) {
        {
            const int a = draw();
            const int b = draw();
            const int r = draw();
            const int64_t da = p.A.Degree(r, a);
            const int64_t db = p.A.Degree(r, b);
            const int64_t c = RandomBelow(rng, 5) - 2;
            if (da >= db && a != b && da <= 4 && c != 0) {
                inplace::IntPolyAddColumnMultiple(p.A, a, b, s, da - db, c);
            }
        }
        const int a = draw();
        const int b = draw();
        const int r = draw();
        const int64_t da = p.A.Degree(a, r);
        const int64_t db = p.A.Degree(b, r);
        const int64_t c = RandomBelow(rng, 5) - 2;
        if (da >= db && a != b && da <= 4 && c != 0) AddRow(p, a, b, da - db, c);
    }
}

bool GeneratorPassesModularCheck(const IntMatrix& v, int n, const PolyVector& g) {
    if (n < 1 || n + 1 > kFpMatrixDim) return false;
    for (const int32_t prime : kCheckPrimes) {
        const FpField field = InitInverses(prime);
        FpPolyMatrix m = FpAlexanderMatrix(field, v, n);
        for (int i = 1; i <= n; ++i) {
            const RatPoly& e = g(i);
            FpPoly& target = m(i, n + 1);
            for (int64_t k = 0; k <= e.degree; ++k) {
                if (PlainAbs(e.c(k).den) != 1) return false;
                target.c[static_cast<size_t>(k)] =
                    FpReduce(field, PlainMul(e.c(k).num, e.c(k).den));
            }
            target.degree = FpDegree(target);
        }
        const std::optional<int32_t> count = FpModuleGeneratorCount(field, m, n, n + 1);
        ClearTrouble();
        if (count != 0) return false;
    }
    return true;
}

void NakanishiBounds(KnotContext& ctx, int64_t maxTries) {
    KnotState& state = ctx.state;
    const KnotRecord& knot = state.record;
    ctx.display.StatusText = "Trying to find upper bounds on the Nakanishi index.";
    const int n = state.WorkingSize;
    // Three 12 × 12 polynomial matrices: kept off the stack of the calculation's thread.
    const auto a0 = std::make_unique<IntPolyMatrix>(
        IntPolyMatrixFrom(AlexanderMatrix(state.WorkingMatrix, n), n));
    const auto p = std::make_unique<ModulePresentation>();
    ResetPresentation(*p, *a0, n);
    for (int64_t tries = 0;;) {
        const ModuleCount r = CountModuleGenerators(*p, state.Random);
        if (ArithTrouble) {
            ResetPresentation(*p, *a0, n);
        } else {
            RecordCount(ctx, *p, r);
            PruneForward(*p, r);
            if (knot.nakanishiUpper == knot.nakanishiLower) break;
        }
        ++tries;
        ClearTrouble();
        Grow(*p, tries, state.Random);
        Scramble(*p, tries, state.Random);
        // A failed operation may have left A presenting another module: start again from tV - Vᵀ.
        if (ArithTrouble) ResetPresentation(*p, *a0, n);
        ClearTrouble();
        if (tries % 5 == 0) {
            ctx.CheckPause();
            ctx.display.ShowStatus(false);
        }
        if (tries > maxTries || state.StopRequested || state.SkipRequested) break;
    }
    ClearTrouble();
    ctx.CheckPause();
    ctx.display.ShowStatus(false);
}

std::string NakanishiRange(int32_t lower, int32_t upper) {
    const std::string l = std::to_string(lower);
    const std::string u = std::to_string(upper);
    switch (upper - lower) {
        case 1:
            return l + " or " + u;
        case 2:
            return l + "," + std::to_string(lower + 1) + " or " + u;
        case 3:
            return l + "..." + u;
        default:
            return "";
    }
}

void NakanishiOutput(KnotContext& ctx) {
    KnotState& state = ctx.state;
    const KnotRecord& knot = state.record;
    const int32_t lower = knot.nakanishiLower;
    const int32_t upper = knot.nakanishiUpper;
    const std::string& blank = ctx.display.BlankLine();
    const std::string d = lower > 1 ? " detected by " + state.NakanishiSource : "";
    const std::string dt = lower > 1 ? " detected by " + state.NakanishiSourceTex : "";
    if (upper != lower && upper > -1) {
        const std::string range = NakanishiRange(lower, upper);
        ctx.display.ResultLine("Nakanishi index " + range + d + blank);
        const std::string field = "nk" + range + dt;
        SetResultField(state, field, field);
    } else if (upper == -1) {
        const std::string below = std::to_string(lower - 1);
        ctx.display.ResultLine("Nakanishi index > " + below + d + blank);
        const std::string field = "nk> " + below + dt;
        SetResultField(state, field, field + blank);
    } else {
        ctx.display.ResultLine(PadRight("Nakanishi index = " + std::to_string(lower) + d, 300) +
                               blank);
        const std::string field = "nk" + std::to_string(lower) + dt;
        SetResultField(state, field, field);
    }
}

}  // namespace corvane
