#include "invariants/blanchfield.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "arith/checked.h"
#include "arith/poly_matrix.h"
#include "invariants/alexander.h"
#include "knot/knot_context.h"
#include "knot/padding.h"
#include "knot/text_forms.h"

namespace corvane {

namespace {

constexpr size_t kPairingColumnWidth = 35;
constexpr const char* kAdjugateTrouble = "mistake in polyadjugate 25";

// The true adjugate adj(A) from the elimination's PolyAdjugate, which equals
// ExchangeSign·adj(A) when no power of t was stripped. Coefficients with denominator -1 are
// brought to denominator 1; any other denominator is a failure.
std::optional<PolyMatrix> TrueAdjugate(const PolyDeterminantResult& det, int n) {
    if (!det.written || !det.transforms || det.StrippedPower != 0) return std::nullopt;
    PolyMatrix adj = det.transforms->PolyAdjugate;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            RatPoly& e = adj(i, j);
            for (int64_t k = 0; k <= kPolyMaxDegree; ++k) {
                Rational& c = e.c(k);
                if (c.den == -1) c = Rational{PlainNeg(c.num), 1};
                if (c.den != 1) return std::nullopt;
                if (det.ExchangeSign < 0) c.num = PlainNeg(c.num);
            }
        }
    }
    return adj;
}

RatPoly TMinusOne() {
    RatPoly p;
    p.c(0) = RatFromInt(-1);
    p.c(1) = RatFromInt(1);
    p.degree = 1;
    return p;
}

int32_t TopExponent(const LaurentPoly& value) {
    return static_cast<int32_t>(std::max<int64_t>(LaurentDegree(value), 0));
}

// Resets the current knot's text slot of a field to its tag padded to the pairing column width.
void ResetTextSlot(KnotRecord& knot, std::string_view tag) {
    for (std::string& slot : knot.textFields) {
        if (slot.size() >= 2 && slot.compare(0, 2, tag) == 0) {
            slot = PadRight(tag, kPairingColumnWidth);
        }
    }
}

bool PairingSlotBlank(const KnotRecord& knot) {
    for (const std::string& slot : knot.textFields) {
        if (slot.size() >= 2 && slot.compare(0, 2, "bl") == 0) return slot.starts_with("bl   ");
    }
    return true;
}

}  // namespace

std::optional<LaurentPoly> BlanchfieldNumerator(const IntMatrix& v, int n, const PolyVector& g,
                                                int32_t m, int32_t blockSize) {
    const PolyMatrix a = AlexanderMatrix(v, n);
    const PolyDeterminantResult det = PolyDeterminant(a, n, false, blockSize);
    if (ArithTrouble) return std::nullopt;
    const std::optional<PolyMatrix> adj = TrueAdjugate(det, n);
    if (!adj) {
        RaiseTrouble(kAdjugateTrouble);
        return std::nullopt;
    }

    const RatPoly tMinusOne = TMinusOne();
    PolyMatrix b;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) b(i, j) = PolyCoeffMod(PolyMul((*adj)(i, j), tMinusOne), m);
    }
    PolyVector column = g;
    if (m >= 0) {
        for (int i = 1; i <= n; ++i) column(i) = PolyCoeffMod(PolyNormSigns(column(i)), m);
    }
    const int64_t d = std::max<int64_t>(PolyVectorMaxDegree(column, n), 0);
    PolyVector reversed;
    for (int i = 1; i <= n; ++i) reversed(i) = PolyReverse(column(i), d);

    RatPoly sum = PolyZero();
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            sum = PolyAdd(sum, PolyMul(reversed(i), PolyMul(b(i, j), column(j))));
        }
    }
    if (ArithTrouble) return std::nullopt;
    const LaurentPoly value = LaurentFromPoly(PolyNormSigns(sum), -((n / 2) + d));
    if (ArithTrouble) return std::nullopt;
    return value;
}

int32_t TopExponentOfText(std::string_view text) {
    if (text.ends_with('t')) return 1;
    const size_t at = text.rfind("t^");
    if (at == std::string_view::npos) return 0;
    int32_t exponent = 0;
    const char* first = text.data() + at + 2;
    std::from_chars(first, text.data() + text.size(), exponent);
    return std::max(exponent, 0);
}

void RecordCyclicGenerator(KnotState& state, const PolyVector& g) {
    KnotRecord& knot = state.record;
    const int n = state.WorkingSize;
    const std::string genText = PolyVectorText(g, n);

    ClearTrouble();
    std::optional<LaurentPoly> value =
        BlanchfieldNumerator(state.WorkingMatrix, n, g, -1, state.DetBlockSize);
    if (value) value = LaurentReduce(*value, state.AlexanderLaurent);

    if (value && !ArithTrouble) {
        const std::string blText = LaurentText(*value);
        const int32_t newTop = TopExponent(*value);
        const int32_t oldTop = TopExponentOfText(knot.blanchfieldText);
        const bool better = knot.blanchfieldText.empty() || newTop < oldTop ||
                            (newTop == oldTop && knot.blanchfieldText.size() > blText.size());
        if (!better) return;
        knot.generatorText = genText;
        knot.blanchfieldText = blText;
        state.CyclicGenerator = g;
        state.CyclicPairing = *value;
        state.HasCyclicPairing = true;
        ResetTextSlot(knot, "ge");
        ResetTextSlot(knot, "bl");
        SetResultField(state, "ge" + genText, "");
        SetResultField(state, "bl" + blText, "");
        return;
    }
    if (!ArithTrouble) RaiseTrouble(kAdjugateTrouble);
    // A generator without a pairing is recorded only while no pairing is stored: the "ge" and
    // "bl" fields must describe the same generator.
    const bool noPairing = PairingSlotBlank(knot) && knot.blanchfieldText.empty();
    if (noPairing && (knot.generatorText.empty() || knot.generatorText.size() > genText.size())) {
        knot.generatorText = genText;
        ResetTextSlot(knot, "ge");
        SetResultField(state, "ge" + genText, "");
    }
}

}  // namespace corvane
