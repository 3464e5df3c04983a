// One knot's computation: everything it reads and writes while it runs (its record, working
// matrix, Alexander polynomial, random generator, Stop and Skip flags) and the progress display
// and polling point through which it reports. A knot's results are a function of the knot, the
// settings and its generator's seed alone, so knots can be computed side by side on threads.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "arith/big_integer.h"
#include "arith/int_matrix.h"
#include "arith/poll.h"
#include "arith/polynomial.h"
#include "arith/random.h"
#include "knot/knot_record.h"
#include "knot/progress.h"
#include "knot/run_host.h"
#include "knot/run_settings.h"

namespace corvane {

struct LinkingFormTables;
class BigMatrix;

// The primes of the Alexander module tests over F_p, in the order they are tried (19 is left
// out on purpose).
inline constexpr std::array<int32_t, 14> kPrimeList{2,  3,  5,  7,  11, 13, 17,
                                                    23, 29, 31, 37, 41, 43, 47};

// Elements that generate the Alexander module H = Λ^N/(tV - Vᵀ)Λ^N at a count of the Nakanishi
// search: the columns x_k (entries 1..N, in the basis of tV - Vᵀ) of its transform at the
// positions that still carry the module, and the rows a_k of its forward transform there
// (entries 1..N), with e_j - Σ_k a_k(j)·x_k in the image of tV - Vᵀ for every j.
struct ModuleGenerators {
    bool valid = false;
    int32_t count = 0;
    std::vector<PolyVector> Generators;              // x_1..x_count
    std::vector<std::vector<BigPoly>> Coefficients;  // a_1..a_count: a_k[j - 1] of x_k in e_j
};

// The working state of one knot. StopRequested is the run's Stop flag, or a flag of its own when
// the state stands alone (tests, single computations); SkipRequested is always the knot's own.
struct KnotState {
    KnotState() : StopRequested(ownStop_) {}
    explicit KnotState(std::atomic<bool>& runStop) : StopRequested(runStop) {}
    KnotState(const KnotState&) = delete;
    KnotState& operator=(const KnotState&) = delete;

    RunSettings Settings;
    bool Certificates = true;  // whether the knot's certificates are built (RunState::Certificates)
    KnotRecord record;         // the knot being computed
    IntMatrix WorkingMatrix;   // its minimal S-equivalent matrix
    int32_t WorkingSize = 0;   // 0: Alexander polynomial 1; -1: too large to compute on
    // The minimal matrix when an entry of it does not fit in 64 bits (WorkingMatrix is then zero
    // and only the basic invariants are computed, exactly); null otherwise.
    std::shared_ptr<const BigMatrix> WorkingBig;
    RatPoly AlexanderPoly;         // its Alexander polynomial
    LaurentPoly AlexanderLaurent;  // the same, shifted to be symmetric
    // The Alexander polynomial's coefficients c_0..c_d in decimal when it does not fit
    // AlexanderPoly (degree above 27 or a coefficient beyond 64 bits; AlexanderPoly is then zero);
    // empty otherwise.
    std::vector<std::string> AlexanderExact;
    // The block size of the cofactor expansion with which the Alexander polynomial was computed;
    // the adjugate of the same matrix is computed with it.
    int32_t DetBlockSize = 6;
    // The smallest diagonal presentation of the Alexander module found so far, as text; emptied
    // when the Alexander polynomial is computed.
    std::string presentationText;
    // The generator of the cyclic Alexander module recorded in the "ge" field (entries
    // 1..WorkingSize, in the basis of tV - Vᵀ) and its Blanchfield numerator reduced modulo
    // AlexanderLaurent, when a pairing was recorded for it.
    PolyVector CyclicGenerator;
    LaurentPoly CyclicPairing;
    bool HasCyclicPairing = false;
    // The generators of the Alexander module at the smallest count of the Nakanishi search that
    // could keep them (not valid when none could), for the certificate of its upper bound.
    ModuleGenerators NakanishiGenerators;
    std::string NakanishiSource;     // text name of what gave nakanishiLower, e.g. "H_1(L_2)"
    std::string NakanishiSourceTex;  // the same in LaTeX
    std::array<int32_t, 14> PrimeList = kPrimeList;
    std::chrono::steady_clock::time_point KnotStartTime{};
    RandomGenerator Random;

  private:
    std::atomic<bool> ownStop_{false};

  public:
    std::atomic<bool>& StopRequested;
    std::atomic<bool> SkipRequested{false};
};

// Stores a result of the knot in both slot tables. In each table every slot whose first two
// characters equal those of the value is replaced by the value padded with blanks to the slot's
// length; when no slot matches, the first empty slot takes the value unpadded. So a slot keeps
// the width it was first given, and an empty tex changes nothing visible.
void SetResultField(KnotState& state, std::string_view text, std::string_view tex);

// Appends code (e.g. "s,") to the knot's detectionCodes unless it occurs there already.
void AddDetectionCode(KnotState& state, std::string_view code);

// An obstruction reports that the algebraic unknotting number of the knot is at least value:
// equal to lowerBound adds its code; greater makes it the new lowerBound with name and code as
// the only detection; smaller changes nothing.
void RaiseLowerBound(KnotState& state, int32_t value, std::string_view name, std::string_view code);

// Knot start: KnotStartTime := now; ArithTrouble and SkipRequested cleared, TroubleCode,
// NakanishiSource and NakanishiSourceTex emptied, NakanishiGenerators made invalid; the record's
// lowerBound := 0, upperBound := -1, mahlerMeasure := 0, detectedBy and detectionCodes emptied.
void ResetForKnotStart(KnotState& state, std::chrono::steady_clock::time_point now);

// A run host that shows nothing: for computations outside a run.
class SilentRunHost : public RunHost {
  public:
    void DrawText(int, int, std::string_view, StatusKind) override {}
};

// The context of one knot's computation: its state, its progress display on the run's host,
// the step at hand (for the error field of an overflow), the run's shared read-only linking form
// tables, and its polling point. CheckPause calls the run's poll, which lets the front end act,
// waits while the run is paused and passes Stop and Skip on to the knot; without one it does
// nothing.
class KnotContext : public Poller {
  public:
    explicit KnotContext(RunHost& host) : display(host) {}
    KnotContext(RunHost& host, std::atomic<bool>& runStop) : state(runStop), display(host) {}

    void CheckPause() override {
        if (poll) poll(*this);
    }

    KnotState state;
    ProgressDisplay display;
    std::string currentStep;
    const LinkingFormTables* formTables = nullptr;
    std::function<void(KnotContext&)> poll;
};

}  // namespace corvane
