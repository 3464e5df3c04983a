#include "invariants/double_cover.h"

#include <cstdint>
#include <string>
#include <vector>

#include "arith/big_integer.h"
#include "arith/checked.h"
#include "arith/diagonalize.h"
#include "knot/text_forms.h"

namespace corvane {

namespace {

// The fields, bounds and result lines for a determinant and group from the checked 64-bit
// diagonalization or from the big-integer Smith form.
struct DoubleCoverValues {
    std::string determinant;  // det(V + Vᵀ) with its sign, in decimal
    std::string magnitude;    // |det(V + Vᵀ)|
    std::string group;
    std::string groupTex;
    int32_t generatorCount = 0;
    int32_t storedDeterminant = 0;  // the knot record's value: 0 when it leaves 32 bits
};

// det(V + Vᵀ) and H_1 of the 2-fold branched cover, the sum of Z/d_i over the invariant factors
// d_i >= 2 of V + Vᵀ, largest first, with big integers.
DoubleCoverValues ExactDoubleCover(const BigMatrix& s) {
    const BigInt det = BigDeterminant(s);
    DoubleCoverValues out;
    out.determinant = det.ToString();
    out.magnitude = out.determinant[0] == '-' ? out.determinant.substr(1) : out.determinant;
    if (det.FitsInt64() && det.ToInt64() >= INT32_MIN && det.ToInt64() <= INT32_MAX) {
        out.storedDeterminant = static_cast<int32_t>(det.ToInt64());
    }
    std::vector<std::string> orders;
    const std::vector<BigInt> factors = SmithInvariantFactors(s);
    for (auto it = factors.rbegin(); it != factors.rend(); ++it) {
        const std::string d = it->ToString();
        orders.push_back(d);
        if (d != "1") ++out.generatorCount;
    }
    out.group = DecimalGroupToText(orders);
    out.groupTex = DecimalGroupToLatex(orders);
    return out;
}

void RecordDoubleCover(KnotContext& ctx, const DoubleCoverValues& values);

}  // namespace

void DeterminantAndDoubleCover(KnotContext& ctx) {
    KnotState& state = ctx.state;
    const int m = state.WorkingSize;
    ctx.currentStep = "calculation of determinant";

    ClearTrouble();
    const IntMatrix symmetrised = MatAdd(state.WorkingMatrix, Transpose(state.WorkingMatrix, m), m);
    DiagonalizeResult diag = Diagonalize(symmetrised, m, m);
    if (ArithTrouble) {
        // The transforms may outgrow the exact range while the diagonal stays small; the group
        // needs only the diagonal.
        ClearTrouble();
        diag = Diagonalize(symmetrised, m, m, {.noTransforms = true});
        if (!ArithTrouble) NormaliseInvariantFactors(diag, m);
    }
    DoubleCoverValues values;
    if (ArithTrouble || diag.value < INT32_MIN || diag.value > INT32_MAX) {
        // Past the checked 64-bit range, or a determinant the record cannot hold: exactly.
        ClearTrouble();
        values = ExactDoubleCover(BigFromInt(symmetrised, m));
    } else {
        values.storedDeterminant = static_cast<int32_t>(diag.value);
        values.determinant = std::to_string(diag.value);
        values.magnitude = std::to_string(PlainAbs(diag.value));
        values.group = GroupToText(diag.InvariantFactors, m);
        values.groupTex = GroupToLatex(diag.InvariantFactors, m);
        values.generatorCount = diag.GeneratorCount;
    }
    RecordDoubleCover(ctx, values);
}

void DeterminantAndDoubleCover(KnotContext& ctx, const BigMatrix& v) {
    ctx.currentStep = "calculation of determinant";
    const int n = v.Rows();
    BigMatrix s(n, n);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) fmpz_add(s(i, j), v(i, j), v(j, i));
    RecordDoubleCover(ctx, ExactDoubleCover(s));
}

namespace {

void RecordDoubleCover(KnotContext& ctx, const DoubleCoverValues& values) {
    KnotState& state = ctx.state;
    KnotRecord& knot = state.record;
    knot.determinant = values.storedDeterminant;

    const std::string dt =
        values.determinant[0] == '-' ? "dt" + values.determinant : "dt " + values.determinant;
    SetResultField(state, dt, dt);
    SetResultField(state, "l2" + values.group, "l2" + values.groupTex);

    if (knot.lowerBound < values.generatorCount) {
        knot.lowerBound = values.generatorCount;
        knot.detectedBy = "Wendt";
        knot.detectionCodes = "w,";
    }
    if (values.generatorCount > 1) {
        knot.nakanishiLower = values.generatorCount;
        state.NakanishiSource = "H_1(L_2)";
        state.NakanishiSourceTex = "H_1(L_2)";
    }
    ctx.display.ResultLine("Determinant = " + values.magnitude);
    ctx.display.ResultLine("H_1(2-fold branched cover) = " + values.group);
}

}  // namespace

}  // namespace corvane
