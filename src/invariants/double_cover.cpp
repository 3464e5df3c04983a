#include "invariants/double_cover.h"

#include <string>

#include "arith/checked.h"
#include "arith/diagonalize.h"
#include "knot/text_forms.h"

namespace corvane {

void DeterminantAndDoubleCover(KnotContext& ctx) {
    KnotState& state = ctx.state;
    KnotRecord& knot = CurrentRecord(state);
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
    if (ArithTrouble) {
        knot.determinant = 0;
        SetResultField(state, "erError in calculation of determinant", "erError");
        ctx.display.ResultLine("Error in calculation of determinant");
        return;
    }
    knot.determinant = ToInt32(diag.value);

    const std::string dt = SignedField("dt", knot.determinant);
    SetResultField(state, dt, dt);
    const std::string group = GroupToText(diag.InvariantFactors, m);
    SetResultField(state, "l2" + group, "l2" + GroupToLatex(diag.InvariantFactors, m));

    if (knot.lowerBound < diag.GeneratorCount) {
        knot.lowerBound = diag.GeneratorCount;
        knot.detectedBy = "Wendt";
        knot.detectionCodes = "w,";
    }
    if (diag.GeneratorCount > 1) {
        knot.nakanishiLower = diag.GeneratorCount;
        state.NakanishiSource = "H_1(L_2)";
        state.NakanishiSourceTex = "H_1(L_2)";
    }
    ctx.display.ResultLine("Determinant = " + std::to_string(PlainAbs(diag.value)));
    ctx.display.ResultLine("H_1(2-fold branched cover) = " + group);
}

}  // namespace corvane
