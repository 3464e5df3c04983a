// One knot of a run: its name and Seifert matrix as read, its result slots and its bounds.
// The size limits of a knot live here too; the reader and the run loop enforce them (a list may
// hold any number of knots).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "arith/int_matrix.h"

namespace corvane {

inline constexpr int MaxSeifertDim = 70;
// Minimal matrices up to this size get every search and obstruction as before; larger ones (up to
// MaxSeifertDim) get the basic invariants and the searches whose own size limits admit them.
inline constexpr int MaxWorkingDim = 10;
inline constexpr int ResultSlots = 20;

static_assert(MaxSeifertDim == kMatrixDim, "a Seifert matrix as read must fit an IntMatrix");

// A square integer matrix V of size n, 0 <= n <= MaxSeifertDim, indexed from 1. Only the n × n
// entries are stored (32-bit, as read); every entry outside that block reads as zero.
class SeifertMatrix {
  public:
    SeifertMatrix() = default;
    // The zero n × n matrix. Throws RangeError unless 0 <= n <= MaxSeifertDim.
    explicit SeifertMatrix(int n);

    int Size() const { return n_; }
    // V(i, j) for 1 <= i, j <= MaxSeifertDim (zero outside the n × n block); RangeError otherwise.
    int32_t operator()(int i, int j) const;
    // V(i, j) := value for 1 <= i, j <= n; RangeError otherwise.
    void Set(int i, int j, int32_t value);

    bool operator==(const SeifertMatrix&) const = default;

  private:
    int n_ = 0;
    std::vector<int32_t> entries_;
};

// The working form of V: its entries sign-extended into a zero IntMatrix, same size.
IntMatrix WorkingForm(const SeifertMatrix& v);

// The ResultSlots tagged result strings of one knot, indexed 1..ResultSlots, all empty at first.
// The strings are allocated at the first write, so that a knot that waits in a long list costs
// one pointer here.
class ResultSlotArray {
  public:
    using Slots = std::array<std::string, ResultSlots>;

    ResultSlotArray() = default;
    ResultSlotArray(const ResultSlotArray& other)
        : slots_(other.slots_ ? std::make_unique<Slots>(*other.slots_) : nullptr) {}
    ResultSlotArray(ResultSlotArray&&) noexcept = default;
    ResultSlotArray& operator=(const ResultSlotArray& other) {
        if (this != &other)
            slots_ = other.slots_ ? std::make_unique<Slots>(*other.slots_) : nullptr;
        return *this;
    }
    ResultSlotArray& operator=(ResultSlotArray&&) noexcept = default;

    // Slot i, 1 <= i <= ResultSlots; RangeError otherwise.
    std::string& operator()(int i) { return Allocated()[Index(i)]; }
    const std::string& operator()(int i) const { return Read()[Index(i)]; }

    auto begin() { return Allocated().begin(); }
    auto end() { return Allocated().end(); }
    auto begin() const { return Read().begin(); }
    auto end() const { return Read().end(); }

    // Every slot empty, and nothing allocated.
    void Clear() { slots_.reset(); }

    bool operator==(const ResultSlotArray& other) const { return Read() == other.Read(); }

  private:
    static int Index(int i);
    Slots& Allocated() {
        if (!slots_) slots_ = std::make_unique<Slots>();
        return *slots_;
    }
    const Slots& Read() const;
    std::unique_ptr<Slots> slots_;
};

struct KnotRecord {
    std::string name;
    int32_t size = 0;  // n, equal to seifert.Size() once the knot is read
    SeifertMatrix seifert;
    std::string inputLine;
    // The braid word ("{1,-2,1}") or diagram code ("PD[...]", "DT[...]") the knot was read from,
    // empty for a matrix: its crossings are what the crossing-change search changes.
    std::string crossingCode;
    int lineNumber = 0;         // the line of the input file the knot was read from
    std::string notKnotReason;  // set by the reader when the line cannot describe a knot
    bool takenOver = false;
    std::string storedLine;
    // A row marked "*" that this knot computes again, as it stood: its results enter the seed of
    // the knot's generator, so that the redo explores other random choices than the run that
    // wrote the row.
    std::string redoneRow;
    bool computed = false;  // its results are final: the results files print its row
    ResultSlotArray textFields;
    ResultSlotArray texFields;
    int32_t lowerBound = 0;
    int32_t upperBound = 0;  // -1 = no upper bound known
    std::string detectedBy;
    std::string detectionCodes;
    // The evidence of the bounds as JSON texts (certificate.h), empty where a bound has none.
    std::string upperCertificate;
    std::string lowerCertificate;
    // The evidence of the Nakanishi bounds, {"lower": ..., "upper": ...} as one JSON text
    // (certificate.h); empty where neither bound has one.
    std::string nakanishiCertificate;
    int32_t nakanishiLower = 0;
    int32_t nakanishiUpper = 0;  // -1 = no upper bound known
    int32_t signature = 0;
    int32_t determinant = 0;
    long double mahlerMeasure = 0.0L;
    int32_t mu =
        -1;  // mu(K) = max - min of the signatures of the real Seifert forms; -1: not computed
    std::string coversTried;
    std::string generatorText;
    std::string blanchfieldText;
    // The knot's JSON Lines object, made once when its results became final in a run that writes
    // JSON Lines, so that the rewrites of a long list do not make it again; empty otherwise (the
    // writer then makes it).
    std::string jsonLine;

    bool operator==(const KnotRecord&) const = default;
};

// Whether anything is known about the knot's algebraic unknotting number u_a: a lower bound above
// 0 or an upper bound. A record that got no invariants (a link, a matrix that is not a knot's, an
// error before the Alexander polynomial) keeps lower bound 0 and no upper bound, which says
// nothing, since u_a >= 0 holds for every knot; its bound cells stay empty.
inline bool UnknottingBoundKnown(int32_t lowerBound, int32_t upperBound) {
    return lowerBound > 0 || upperBound != -1;
}

// Why the knot's matrix cannot be a knot's Seifert matrix, empty when it can: the reader's
// notKnotReason, or "not a knot's Seifert matrix: det(V - V^T) = d" when d != 1. For a knot,
// V - V^T is the intersection form of the Seifert surface, skew-symmetric and unimodular, so
// its determinant (the square of its Pfaffian) is 1; d is computed exactly.
std::string NotAKnotReason(const KnotRecord& knot);

// Gives the knot the result-slot layout of a run start: text slots 1..10 hold the tags
// al, dt, l2, ma, si, lt, nk, ge, bl, rm padded with blanks to their column widths
// 55, 9, 14, 14, 10, 12, 27, 35, 35, 35; LaTeX slots 1..9 the same, LaTeX slot 10 empty;
// slots 11..20 of both tables empty, for the tags met later in the run.
void ApplyInitialResultLayout(KnotRecord& knot);

}  // namespace corvane
