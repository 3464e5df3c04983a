// Time spent in the later stages of the unknotting bounds, summed over all knots and threads of
// the process: for the benchmarks, which report each stage's share of a run.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

namespace corvane {

enum class TimedStep {
    signatureNullity,      // the signature-nullity bound
    laterRounds,           // the rounds of the two-move and deeper searches after their first
    blanchfieldUnit,       // the unit of the Blanchfield pairing
    crossingChanges,       // crossing changes of the knot's own diagram
    changeThenMoves,       // one crossing change, then the move search
    rankOneScan,           // the scan for one crossing change to Alexander polynomial 1
    lowerCertificate,      // the certificate of the lower bound
    nakanishiCertificate,  // the certificates of the Nakanishi bounds
    count
};

// Adds the time from construction to destruction to its step's total.
class ScopedStepTime {
  public:
    explicit ScopedStepTime(TimedStep step)
        : step_(step), start_(std::chrono::steady_clock::now()) {}
    ~ScopedStepTime();
    ScopedStepTime(const ScopedStepTime&) = delete;
    ScopedStepTime& operator=(const ScopedStepTime&) = delete;

  private:
    TimedStep step_;
    std::chrono::steady_clock::time_point start_;
};

// One line per step: its name and seconds, e.g. "signature-nullity bound 0.042 s".
std::string StepTimesReport();

}  // namespace corvane
