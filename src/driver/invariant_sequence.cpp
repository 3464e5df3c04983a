#include "driver/invariant_sequence.h"

#include <cmath>
#include <memory>
#include <string>

#include "arith/checked.h"
#include "invariants/alexander.h"
#include "invariants/alexander_module.h"
#include "invariants/cyclic_cover.h"
#include "invariants/double_cover.h"
#include "invariants/mahler.h"
#include "invariants/mu_invariant.h"
#include "invariants/nakanishi.h"
#include "invariants/signature.h"
#include "knot/text_forms.h"
#include "unknotting/lickorish.h"
#include "unknotting/linking_pairing.h"
#include "unknotting/move_search.h"

namespace corvane {

namespace {

// Steps 1-3: the Alexander polynomial, its normalised and symmetric forms, its fields.
bool AlexanderStep(KnotContext& ctx) {
    KnotState& state = ctx.state;
    KnotRecord& knot = CurrentRecord(state);
    ctx.currentStep = "calculation of Alexander polynomial";
    const AlexanderResult alexander =
        AlexanderPolynomial(state.WorkingMatrix, state.WorkingSize, true, &state);
    const RatPoly& p = alexander.out;
    state.DetBlockSize = alexander.DetBlockSize;
    ClearTrouble();
    if (p.degree < 0) return false;

    knot.lowerBound = 1;
    if (knot.nakanishiLower < 1) knot.nakanishiLower = 1;
    state.presentationText.clear();
    state.AlexanderPoly = PolyNormSigns(p);
    state.AlexanderLaurent = LaurentFromPoly(state.AlexanderPoly, -state.AlexanderPoly.degree / 2);

    const std::string text = PolyToText(p);
    SetResultField(state, "al" + text, "al" + SymmetricPolyToLatex(p));
    ctx.display.Draw(7, 200, "Alexander polynomial = " + text, StatusKind::Result);
    return true;
}

// Step 6: the signature of V + Vᵀ and the bound |s|/2. False when no signature could be found;
// the knot's signature is then 0 and the tests that rest on it are not run.
bool SignatureStep(KnotContext& ctx) {
    KnotState& state = ctx.state;
    KnotRecord& knot = CurrentRecord(state);
    ctx.currentStep = "calculation of signature";
    const SignatureSummary result = HermitianSignatureInPlace(
        state.WorkingMatrix, state.WorkingSize, ComplexFromReal(-1.0L), EvaluationWorkspace());
    // V + Vᵀ of a knot is non-singular; a numerically singular or inaccurate elimination gives no
    // signature at all rather than a wrong one.
    if (result.SignatureInaccurate || result.numericallySingular) {
        SetResultField(state, "erError in calculation of signature", "erError");
        ctx.display.ResultLine("Error in calculation of signature");
        knot.signature = 0;
        return false;
    }
    knot.signature = result.signature;
    const std::string field = SignedField("si", knot.signature);
    SetResultField(state, field, field);
    ctx.display.ResultLine("Signature = " + std::to_string(knot.signature));
    RaiseLowerBound(state, std::abs(knot.signature) / 2, "signature", "s,");
    return true;
}

// Steps 10-12: upper bounds on the Nakanishi index, lower bounds from the Alexander module over
// the fields F_p, a longer search while the knot may still have index 1, and the "nk" field.
void NakanishiSteps(KnotContext& ctx) {
    KnotState& state = ctx.state;
    const KnotRecord& knot = CurrentRecord(state);
    ctx.currentStep = "Nakanishi index";
    NakanishiBounds(ctx, 3);
    ctx.currentStep = "Alexander module over F_p";
    AlexanderModuleBound(state);
    CoverState cover;
    ctx.currentStep = "cyclic branched covers";
    CyclicCoverTest(ctx, cover, 3, 1000000, true);
    // Trouble inside the cover test only made it undecided; later steps start from a clear flag.
    ClearTrouble();
    const int64_t e = state.Settings.nakanishiEffort;
    if (knot.nakanishiLower == 1 && e > 0 && knot.lowerBound == 1) {
        ctx.currentStep = "Nakanishi index";
        NakanishiBounds(ctx, 100 * e * e);
        ctx.currentStep = "cyclic branched covers";
        cover.CoverDegree = 2;
        CyclicCoverSeries(ctx, cover, 20000 * e + 5000, static_cast<int32_t>(e + 3));
        ClearTrouble();
    }
    ctx.currentStep = "Nakanishi index";
    NakanishiOutput(ctx);
}

// Step 14: the Stoimenow test raises a lower bound of 2 to 3.
void StoimenowStep(KnotContext& ctx) {
    KnotRecord& knot = CurrentRecord(ctx.state);
    if (!StoimenowObstruction(knot.signature, knot.determinant)) return;
    if (knot.lowerBound == 3) AddDetectionCode(ctx.state, "St,");
    if (knot.lowerBound == 2) {
        knot.lowerBound = 3;
        knot.detectedBy = "Stoimenow test";
        knot.detectionCodes = "St,";
    }
}

// The move search on the working matrix with at most `moves` moves and budget `tries`.
void MoveSearchOnWorkingMatrix(KnotContext& ctx, int32_t moves, int32_t tries) {
    KnotState& state = ctx.state;
    ctx.currentStep = "search for unknotting moves";
    const auto levels = std::make_unique<MoveSearchLevels>();
    levels->Matrices[moves] = state.WorkingMatrix;
    UnknottingMoveSearch(ctx, *levels, state.WorkingSize, tries, moves, false);
}

// Step 13: one move, while the knot may have Nakanishi index and unknotting number 1.
void OneMoveStep(KnotContext& ctx) {
    const KnotRecord& knot = CurrentRecord(ctx.state);
    if (knot.nakanishiUpper != 1 || knot.lowerBound != 1) return;
    MoveSearchOnWorkingMatrix(ctx, 1, OneMoveTries(ctx.state.Settings.unknottingEffort));
}

// Step 16: two moves, when two are needed or no upper bound is known yet.
void TwoMoveStep(KnotContext& ctx) {
    const KnotRecord& knot = CurrentRecord(ctx.state);
    const int32_t e = ctx.state.Settings.unknottingEffort;
    const bool needsTwo = knot.lowerBound == 2 && e > 0;
    const bool noBound = e > 1 && knot.lowerBound <= 2 && knot.upperBound == -1;
    if (!needsTwo && !noBound) return;
    MoveSearchOnWorkingMatrix(ctx, 2, TwoMoveTries(e));
}

// Step 15: the linking pairing test, run with "Compute all invariants" or while it can still
// change the bounds; an obstruction raises a lower bound below 3 to 3.
void LinkingPairingStep(KnotContext& ctx) {
    KnotRecord& knot = CurrentRecord(ctx.state);
    const bool useful = knot.lowerBound < 3 && knot.lowerBound != knot.upperBound;
    if (!ctx.state.Settings.computeAll && !useful) return;
    if (LinkingPairingTest(ctx)) return;
    if (knot.lowerBound == 3) AddDetectionCode(ctx.state, "u2,");
    if (knot.lowerBound < 3) {
        knot.lowerBound = 3;
        knot.detectedBy = "new u_a(K)=2 obstruction";
        knot.detectionCodes = "u2,";
    }
}

// Step 17: the minimal matrix, marked as S-equivalent when it is smaller than the one read.
void MatrixStep(KnotContext& ctx) {
    KnotState& state = ctx.state;
    const KnotRecord& knot = CurrentRecord(state);
    const std::string matrix = MatrixToText(state.WorkingMatrix, state.WorkingSize);
    if (knot.size > state.WorkingSize) {
        SetResultField(state, "seS-equivalent to " + matrix, "");
    } else {
        SetResultField(state, "se" + matrix, "");
    }
}

}  // namespace

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

bool ComputeKnotInvariants(KnotContext& ctx) {
    if (!AlexanderStep(ctx)) return false;
    ctx.currentStep = "calculation of Mahler measure";
    MahlerMeasure(ctx);
    DeterminantAndDoubleCover(ctx);
    const bool signatureKnown = SignatureStep(ctx);
    ctx.currentStep = "calculation of Levine-Tristram signatures";
    const LevineTristramResult lt =
        LevineTristram(ctx.state, ctx.state.WorkingMatrix, ctx.state.WorkingSize);
    if (ctx.state.Settings.computeMu) {
        ctx.currentStep = "calculation of mu(K)";
        MuInvariantStep(ctx, lt.ltSpread);
    }
    ctx.currentStep = "Lickorish test";
    if (signatureKnown && !LickorishTest(ctx.state)) {
        RaiseLowerBound(ctx.state, 2, "Lickorish test", "L,");
    }
    NakanishiSteps(ctx);
    OneMoveStep(ctx);
    ctx.currentStep = "Stoimenow test";
    if (signatureKnown) StoimenowStep(ctx);
    ctx.currentStep = "u=2 test";
    if (signatureKnown) LinkingPairingStep(ctx);
    TwoMoveStep(ctx);
    ctx.currentStep = "minimal Seifert matrix";
    MatrixStep(ctx);
    ctx.currentStep.clear();
    return true;
}

}  // namespace corvane
