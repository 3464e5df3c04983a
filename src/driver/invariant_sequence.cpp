#include "driver/invariant_sequence.h"

#include <cmath>
#include <optional>
#include <string>

#include "arith/big_integer.h"
#include "arith/checked.h"
#include "driver/crossing_changes.h"
#include "invariants/alexander.h"
#include "invariants/alexander_module.h"
#include "invariants/cyclic_cover.h"
#include "invariants/double_cover.h"
#include "invariants/exact_signature.h"
#include "invariants/mahler.h"
#include "invariants/mu_invariant.h"
#include "invariants/nakanishi.h"
#include "invariants/signature.h"
#include "invariants/signature_nullity.h"
#include "knot/step_times.h"
#include "knot/text_forms.h"
#include "unknotting/blanchfield_unit.h"
#include "unknotting/deeper_search.h"
#include "unknotting/lickorish.h"
#include "unknotting/linking_pairing.h"
#include "unknotting/move_search.h"

namespace corvane {

namespace {

// The searches on presentations of the Alexander module (Nakanishi index, the module over F_p,
// cyclic covers, the linking pairing) work on matrices of at most this size and need the
// Alexander polynomial as a RatPoly.
bool ModuleSearchesApply(const KnotState& state) {
    return state.WorkingSize <= kPolyMatrixDim && state.AlexanderExact.empty();
}

// Steps 1-3: the Alexander polynomial, its normalised and symmetric forms, its fields. The
// polynomial determinant over Q[t] with checked 64-bit arithmetic is tried first (up to 12 × 12);
// where it runs out of range, or the matrix is larger, det(tV - Vᵀ) is computed with big integers.
bool AlexanderStep(KnotContext& ctx) {
    KnotState& state = ctx.state;
    KnotRecord& knot = state.record;
    ctx.currentStep = "calculation of Alexander polynomial";
    const int m = state.WorkingSize;
    state.AlexanderExact.clear();
    RatPoly p = PolyZero();
    bool known = false;
    if (m <= kAlexanderMaxSize) {
        const AlexanderResult alexander = AlexanderPolynomial(state.WorkingMatrix, m, false);
        state.DetBlockSize = alexander.DetBlockSize;
        known = !ArithTrouble && alexander.out.degree >= 0;
        if (known) p = alexander.out;
    }
    ClearTrouble();
    if (!known) {
        ExactAlexanderResult exact = ExactAlexanderPolynomial(state.WorkingMatrix, m);
        if (exact.small) {
            p = *exact.small;
        } else {
            state.AlexanderExact = std::move(exact.coefficients);
        }
    }
    if (p.degree < 0 && state.AlexanderExact.empty()) {
        SetResultField(state, "erError in calculation of Alexander polynomial", "erError");
        return false;
    }

    knot.lowerBound = 1;
    if (knot.nakanishiLower < 1) knot.nakanishiLower = 1;
    state.presentationText.clear();
    std::string text;
    std::string tex;
    if (state.AlexanderExact.empty()) {
        state.AlexanderPoly = PolyNormSigns(p);
        state.AlexanderLaurent =
            LaurentFromPoly(state.AlexanderPoly, -state.AlexanderPoly.degree / 2);
        text = PolyToText(p);
        tex = SymmetricPolyToLatex(p);
    } else {
        state.AlexanderPoly = PolyZero();
        state.AlexanderLaurent = LaurentZero();
        text = IntegerPolyToText(state.AlexanderExact);
        tex = SymmetricIntegerPolyToLatex(state.AlexanderExact);
    }
    SetResultField(state, "al" + text, "al" + tex);
    ctx.display.Draw(kAlexanderPlace, "Alexander polynomial = " + text, StatusKind::Result);
    return true;
}

// The signature of V + Vᵀ: by the 80-bit elimination on small matrices with small entries, and
// exactly over the integers on larger ones, on large entries, and wherever the elimination met a
// too small pivot or a numerically zero row (V + Vᵀ of a knot is non-singular).
int32_t KnotSignature(const IntMatrix& v, int n) {
    if (ExactSignatureNeeded(v, n)) return ExactSignature(v, n);
    const SignatureSummary result =
        HermitianSignatureInPlace(v, n, ComplexFromReal(-1.0L), EvaluationWorkspace());
    if (result.SignatureInaccurate || result.numericallySingular) return ExactSignature(v, n);
    return result.signature;
}

// Step 6: the signature of V + Vᵀ and the bound |s|/2.
void SignatureStep(KnotContext& ctx) {
    KnotState& state = ctx.state;
    KnotRecord& knot = state.record;
    ctx.currentStep = "calculation of signature";
    knot.signature = KnotSignature(state.WorkingMatrix, state.WorkingSize);
    const std::string field = SignedField("si", knot.signature);
    SetResultField(state, field, field);
    ctx.display.ResultLine("Signature = " + std::to_string(knot.signature));
    RaiseLowerBound(state, std::abs(knot.signature) / 2, "signature", "s,");
}

// Step 9: the Lickorish test; false when it finds the obstruction to u_a = 1. Beyond the sizes of
// the searches an undecided test is only that: it records no error.
bool LickorishStep(KnotState& state) {
    // A determinant beyond 32 bits (stored as 0) is beyond the test's enumeration.
    if (state.record.determinant == 0) return true;
    if (state.WorkingSize <= MaxWorkingDim) return LickorishTest(state);
    const LickorishVerdict verdict =
        LickorishVerdictOf(state.WorkingMatrix, state.WorkingSize, state.record.signature,
                           &state.StopRequested, &state.SkipRequested);
    return verdict != LickorishVerdict::obstructed;
}

// Steps 10-12: upper bounds on the Nakanishi index, lower bounds from the Alexander module over
// the fields F_p, a longer search while the knot may still have index 1, and the "nk" field.
void NakanishiSteps(KnotContext& ctx) {
    KnotState& state = ctx.state;
    const KnotRecord& knot = state.record;
    ctx.currentStep = "Nakanishi index";
    if (!ModuleSearchesApply(state)) {
        NakanishiOutput(ctx);
        return;
    }
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
    KnotRecord& knot = ctx.state.record;
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
    if (state.WorkingSize > kMaxMoveSize) return;
    ctx.currentStep = "search for unknotting moves";
    MoveSearchLevels& levels = FreshMoveSearchLevels();
    levels.Matrices[moves] = state.WorkingMatrix;
    UnknottingMoveSearch(ctx, levels, state.WorkingSize, tries, moves, false);
}

// Step 13: one move, while the knot may have Nakanishi index and unknotting number 1.
void OneMoveStep(KnotContext& ctx) {
    const KnotRecord& knot = ctx.state.record;
    if (knot.nakanishiUpper != 1 || knot.lowerBound != 1) return;
    MoveSearchOnWorkingMatrix(ctx, 1, OneMoveTries(ctx.state.Settings.unknottingEffort));
}

// Step 16: two moves, when two are needed or no upper bound is known yet.
void TwoMoveStep(KnotContext& ctx) {
    const KnotRecord& knot = ctx.state.record;
    const int32_t e = ctx.state.Settings.unknottingEffort;
    const bool needsTwo = knot.lowerBound == 2 && e > 0;
    const bool noBound = e > 1 && knot.lowerBound <= 2 && knot.upperBound == -1;
    if (!needsTwo && !noBound) return;
    // Further rounds, each from a stream of its own, as for the deeper search.
    const uint32_t seed = ctx.state.Random.state;
    const int32_t upper = knot.upperBound;
    for (int32_t round = 0; round < DeeperSearchRounds(e); ++round) {
        if (round > 0) ctx.state.Random.state = RoundSeed(seed, 2, round);
        std::optional<ScopedStepTime> timed;
        if (round > 0) timed.emplace(TimedStep::laterRounds);
        MoveSearchOnWorkingMatrix(ctx, 2, TwoMoveTries(e));
        if (knot.upperBound != upper || ctx.state.StopRequested || ctx.state.SkipRequested) return;
    }
}

// Longer sequences, while the upper bound is missing or above the lower bound.
void DeeperMoveStep(KnotContext& ctx) {
    if (!DeeperSearchWanted(ctx.state)) return;
    ctx.currentStep = "search for unknotting moves";
    DeeperMoveSearch(ctx, FreshMoveSearchLevels());
}

// Step 15: the linking pairing test, run with "Compute all invariants" or while it can still
// change the bounds; an obstruction raises a lower bound below 3 to 3.
void LinkingPairingStep(KnotContext& ctx) {
    KnotRecord& knot = ctx.state.record;
    // The test works with the determinant; one beyond 32 bits (stored as 0) leaves it undecided.
    if (!ModuleSearchesApply(ctx.state) || knot.determinant == 0) return;
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

// The signature-nullity bound, while the bounds are apart; it is recorded only where it raises
// the lower bound.
void SignatureNullityStep(KnotContext& ctx) {
    KnotState& state = ctx.state;
    const KnotRecord& knot = state.record;
    if (knot.lowerBound == knot.upperBound) return;
    const ScopedStepTime timed(TimedStep::signatureNullity);
    const SignatureNullityResult result =
        SignatureNullityBound(state.WorkingMatrix, state.WorkingSize);
    if (result.decided && result.bound > knot.lowerBound) {
        RaiseLowerBound(state, result.bound, kSignatureNullityName, "sn,");
    }
}

// Step 17: the minimal matrix, marked as S-equivalent when it is smaller than the one read.
void MatrixStep(KnotContext& ctx) {
    KnotState& state = ctx.state;
    const KnotRecord& knot = state.record;
    const std::string matrix = MatrixToText(state.WorkingMatrix, state.WorkingSize);
    if (knot.size > state.WorkingSize) {
        SetResultField(state, "seS-equivalent to " + matrix, "");
    } else {
        SetResultField(state, "se" + matrix, "");
    }
}

// The invariants of a knot whose minimal matrix has entries beyond 64 bits, all exact: the
// Alexander polynomial, Mahler measure, determinant, H_1(L_2) and signature, the bounds they give,
// and the matrix itself. The sampled signatures and the searches need 64-bit matrices.
void ComputeBigKnotInvariants(KnotContext& ctx, const BigMatrix& v) {
    KnotState& state = ctx.state;
    KnotRecord& knot = state.record;
    ctx.currentStep = "calculation of Alexander polynomial";
    ExactAlexanderResult exact = ExactAlexanderPolynomial(v);
    state.AlexanderExact = std::move(exact.coefficients);
    state.AlexanderPoly = PolyZero();
    state.AlexanderLaurent = LaurentZero();
    knot.lowerBound = 1;
    if (knot.nakanishiLower < 1) knot.nakanishiLower = 1;
    state.presentationText.clear();
    const std::string text = IntegerPolyToText(state.AlexanderExact);
    SetResultField(state, "al" + text, "al" + SymmetricIntegerPolyToLatex(state.AlexanderExact));
    ctx.display.Draw(kAlexanderPlace, "Alexander polynomial = " + text, StatusKind::Result);
    ctx.currentStep = "calculation of Mahler measure";
    MahlerMeasure(ctx);
    DeterminantAndDoubleCover(ctx, v);
    ctx.currentStep = "calculation of signature";
    knot.signature = ExactSignature(v);
    const std::string field = SignedField("si", knot.signature);
    SetResultField(state, field, field);
    ctx.display.ResultLine("Signature = " + std::to_string(knot.signature));
    RaiseLowerBound(state, std::abs(knot.signature) / 2, "signature", "s,");
    StoimenowStep(ctx);
    ctx.currentStep = "Nakanishi index";
    NakanishiOutput(ctx);
    ctx.currentStep = "minimal Seifert matrix";
    const std::string matrix = BigMatrixText(v);
    SetResultField(state, knot.size > v.Rows() ? "seS-equivalent to " + matrix : "se" + matrix, "");
    ctx.currentStep.clear();
}

}  // namespace

bool ComputeKnotInvariants(KnotContext& ctx) {
    if (ctx.state.WorkingBig) {
        ComputeBigKnotInvariants(ctx, *ctx.state.WorkingBig);
        return true;
    }
    if (!AlexanderStep(ctx)) return false;
    ctx.currentStep = "calculation of Mahler measure";
    MahlerMeasure(ctx);
    DeterminantAndDoubleCover(ctx);
    SignatureStep(ctx);
    ctx.currentStep = "calculation of Levine-Tristram signatures";
    const LevineTristramResult lt =
        LevineTristram(ctx.state, ctx.state.WorkingMatrix, ctx.state.WorkingSize);
    if (ctx.state.Settings.computeMu) {
        ctx.currentStep = "calculation of mu(K)";
        MuInvariantStep(ctx, lt.ltSpread);
    }
    ctx.currentStep = "Lickorish test";
    if (!LickorishStep(ctx.state)) {
        RaiseLowerBound(ctx.state, 2, "Lickorish test", "L,");
    }
    NakanishiSteps(ctx);
    OneMoveStep(ctx);
    {
        const ScopedStepTime timed(TimedStep::blanchfieldUnit);
        BlanchfieldUnitStep(ctx);
    }
    {
        const ScopedStepTime timed(TimedStep::rankOneScan);
        RankOneUnknotStep(ctx);
    }
    ctx.currentStep = "Stoimenow test";
    StoimenowStep(ctx);
    ctx.currentStep = "u=2 test";
    LinkingPairingStep(ctx);
    ctx.currentStep = "signature-nullity bound";
    SignatureNullityStep(ctx);
    TwoMoveStep(ctx);
    DeeperMoveStep(ctx);
    {
        const ScopedStepTime timed(TimedStep::crossingChanges);
        CrossingChangeStep(ctx);
    }
    {
        const ScopedStepTime timed(TimedStep::changeThenMoves);
        ChangeThenMovesStep(ctx);
        RankOneChangeStep(ctx);
    }
    ctx.currentStep = "minimal Seifert matrix";
    MatrixStep(ctx);
    ctx.currentStep.clear();
    return true;
}

}  // namespace corvane
