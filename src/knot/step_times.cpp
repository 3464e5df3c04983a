#include "knot/step_times.h"

#include <cstdio>

namespace corvane {

namespace {

std::array<std::atomic<int64_t>, static_cast<std::size_t>(TimedStep::count)> gNanoseconds{};

constexpr std::array<const char*, static_cast<std::size_t>(TimedStep::count)> kStepNames = {
    "signature-nullity bound", "move searches, later rounds", "Blanchfield pairing unit",
    "crossing changes",        "crossing change, then moves", "crossing change scan",
    "lower-bound certificate", "Nakanishi certificates"};

}  // namespace

ScopedStepTime::~ScopedStepTime() {
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now() - start_);
    gNanoseconds[static_cast<std::size_t>(step_)].fetch_add(elapsed.count(),
                                                            std::memory_order_relaxed);
}

std::string StepTimesReport() {
    std::string out;
    for (std::size_t k = 0; k < kStepNames.size(); ++k) {
        char line[96];
        std::snprintf(line, sizeof line, "%s %.3f s\n", kStepNames[k],
                      static_cast<double>(gNanoseconds[k].load()) / 1e9);
        out += line;
    }
    return out;
}

}  // namespace corvane
