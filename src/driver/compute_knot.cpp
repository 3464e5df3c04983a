#include "driver/compute_knot.h"

#include <chrono>
#include <string>

#include "arith/errors.h"
#include "arith/exact_reduction.h"
#include "driver/invariant_sequence.h"
#include "knot/step_times.h"
#include "unknotting/certificate.h"

namespace corvane {

namespace {

constexpr std::string_view kErrorTex = "erError";

// Bounds of a knot that is passed over (not a knot, or its reduction failed): nothing is known
// about it, so no bound is claimed. The trivial knot, by contrast, has both bounds 0.
void ClearBounds(KnotRecord& knot) {
    knot.lowerBound = 0;
    knot.upperBound = -1;
    knot.nakanishiLower = 0;
    knot.nakanishiUpper = -1;
    knot.upperCertificate.clear();
    knot.lowerCertificate.clear();
    knot.nakanishiCertificate.clear();
}

// The algebraic unknotting number and the Nakanishi index of a knot with Alexander polynomial 1.
void TrivialBounds(KnotRecord& knot) {
    knot.lowerBound = 0;
    knot.upperBound = 0;
    knot.nakanishiLower = 0;
    knot.nakanishiUpper = 0;
    knot.upperCertificate = TrivialKnotCertificate();
    knot.nakanishiCertificate = NakanishiCertificate(knot, IntMatrix{}, 0, ModuleGenerators{}, "");
}

// The knot's matrix reduced to a minimal S-equivalent one in WorkingMatrix and WorkingSize, with
// big integers where the checked 64-bit reduction runs out of range and its entries made small
// when they are large (WorkingBig when they stay beyond 64 bits). False only when the reduction
// met a range error (no such input passes the knot check).
bool ReduceKnot(KnotState& state) {
    const KnotRecord& knot = state.record;
    try {
        const ExactReduction reduced =
            MinimalSEquivalentExact(WorkingForm(knot.seifert), knot.size);
        state.WorkingMatrix = reduced.small.matrix;
        state.WorkingSize = reduced.small.ReducedSize;
        state.WorkingBig = reduced.big;
        return true;
    } catch (const CalculationError&) {
        return false;
    }
}

// The knot's heading and the first shownSize rows and columns of WorkingMatrix (none for 0).
void ShowKnot(KnotContext& ctx, int shownSize) {
    ctx.display.ClearStatusArea();
    ctx.display.Draw(kKnotHeadingPlace, "Knot " + ctx.state.record.name + " with Seifert matrix:",
                     StatusKind::Heading);
    if (shownSize > 0) {
        ctx.display.DrawMatrix(ctx.state.WorkingMatrix, shownSize, kMatrixPlace.x, kMatrixPlace.y);
    }
    ctx.display.StatusLineY = kKnotHeadingPlace.y;
}

void SettleTrivialKnot(KnotContext& ctx) {
    KnotState& state = ctx.state;
    TrivialBounds(state.record);
    ctx.display.Draw(kAlexanderPlace, "Alexander polynomial = 1", StatusKind::Result);
    SetResultField(state, "al1", "al1");
    SetResultField(state, "nk0", "nk0");
    ctx.display.ResultLine("Nakanishi index = 0" + ctx.display.BlankLine());
    SetResultField(state, "dt 1", "dt 1");
    SetResultField(state, "l20", "l20");
    SetResultField(state, "si 0", "si 0");
    SetResultField(state, "ma 0", "ma 0");
    ctx.display.ResultLine("Determinant = 1");
    ctx.display.ResultLine("H_1(2-fold branched cover) = 0");
    ctx.display.ResultLine("Signature = 0");
}

// A line that gives no knot: no bound is claimed and the row says why.
void SettleNotAKnot(KnotContext& ctx, const std::string& reason) {
    ClearBounds(ctx.state.record);
    SetResultField(ctx.state, "er" + reason, kErrorTex);
    ctx.display.ResultLine(reason);
}

// The invariant sequence, with any overflow or range error of the knot's own computation
// turned into an error field of that knot: the run goes on with the next knot.
void ComputeGuarded(KnotContext& ctx) {
    try {
        ComputeKnotInvariants(ctx);
    } catch (const CalculationError& error) {
        const std::string step =
            ctx.currentStep.empty() ? std::string(error.what()) : ctx.currentStep;
        SetResultField(ctx.state, "erError in " + step, kErrorTex);
        ctx.display.ResultLine("Error in " + step + ": " + error.what());
    }
}

}  // namespace

KnotEnd ComputeKnot(KnotContext& ctx) {
    KnotState& state = ctx.state;
    ResetForKnotStart(state, std::chrono::steady_clock::now());
    ApplyInitialResultLayout(state.record);
    ctx.display.StatusText.clear();
    ctx.currentStep.clear();
    if (const std::string reason = NotAKnotReason(state.record); !reason.empty()) {
        state.WorkingSize = -1;
        ShowKnot(ctx, 0);
        SettleNotAKnot(ctx, reason);
        return KnotEnd::notAKnot;
    }
    if (!ReduceKnot(state)) {
        state.WorkingSize = -1;
        ShowKnot(ctx, 0);
        ClearBounds(state.record);
        SetResultField(state, "erError in S-equivalence reduction", kErrorTex);
        return KnotEnd::computed;
    }
    ShowKnot(ctx, state.WorkingBig ? 0 : state.WorkingSize);
    if (state.WorkingSize == 0) {
        SettleTrivialKnot(ctx);
        return KnotEnd::computed;
    }
    ComputeGuarded(ctx);
    if (!state.Certificates) return KnotEnd::computed;
    const int size = state.WorkingBig ? -1 : state.WorkingSize;
    {
        const ScopedStepTime timed(TimedStep::lowerCertificate);
        state.record.lowerCertificate =
            LowerBoundCertificate(state.record, state.WorkingMatrix, size);
    }
    const ScopedStepTime timed(TimedStep::nakanishiCertificate);
    state.record.nakanishiCertificate = NakanishiCertificate(
        state.record, state.WorkingMatrix, size, state.NakanishiGenerators, state.NakanishiSource);
    return KnotEnd::computed;
}

}  // namespace corvane
