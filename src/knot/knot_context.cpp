#include "knot/knot_context.h"

#include "arith/checked.h"
#include "knot/padding.h"

namespace corvane {

namespace {

std::string_view Tag(std::string_view s) {
    return s.substr(0, 2);
}

// One table of SetResultField.
void StoreInSlots(ResultSlotArray& slots, std::string_view value) {
    bool matched = false;
    for (std::string& slot : slots) {
        if (Tag(slot) != Tag(value)) continue;
        slot = PadRight(value, slot.size());
        matched = true;
    }
    if (matched) return;
    for (std::string& slot : slots) {
        if (!slot.empty()) continue;
        slot = std::string(value);
        return;
    }
}

}  // namespace

void SetResultField(KnotState& state, std::string_view text, std::string_view tex) {
    StoreInSlots(state.record.textFields, text);
    StoreInSlots(state.record.texFields, tex);
}

void AddDetectionCode(KnotState& state, std::string_view code) {
    std::string& codes = state.record.detectionCodes;
    if (codes.find(code) == std::string::npos) codes += code;
}

void RaiseLowerBound(KnotState& state, int32_t value, std::string_view name,
                     std::string_view code) {
    KnotRecord& knot = state.record;
    if (value == knot.lowerBound) {
        AddDetectionCode(state, code);
        return;
    }
    if (value < knot.lowerBound) return;
    knot.lowerBound = value;
    knot.detectedBy = std::string(name);
    knot.detectionCodes = std::string(code);
}

void ResetForKnotStart(KnotState& state, std::chrono::steady_clock::time_point now) {
    state.HasCyclicPairing = false;
    state.WorkingBig.reset();
    KnotRecord& knot = state.record;
    state.KnotStartTime = now;
    state.SkipRequested = false;
    state.NakanishiSource.clear();
    state.NakanishiSourceTex.clear();
    state.NakanishiGenerators = ModuleGenerators{};
    ArithTrouble = false;
    TroubleCode.clear();
    knot.lowerBound = 0;
    knot.upperBound = -1;
    knot.mahlerMeasure = 0.0L;
    knot.mu = -1;
    knot.detectedBy.clear();
    knot.detectionCodes.clear();
    knot.upperCertificate.clear();
    knot.lowerCertificate.clear();
    knot.nakanishiCertificate.clear();
}

}  // namespace corvane
