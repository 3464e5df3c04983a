#include "knot/knot_record.h"

#include <cstddef>
#include <optional>
#include <string_view>

#include "arith/errors.h"
#include "arith/modular_determinant.h"
#include "knot/padding.h"

namespace corvane {

namespace {

struct SlotLayout {
    std::string_view tag;
    std::size_t width;
};

// Slots 1..10 in order; the widths make the columns of the text results file line up.
constexpr std::array<SlotLayout, 10> kInitialLayout{{{"al", 55},
                                                     {"dt", 9},
                                                     {"l2", 14},
                                                     {"ma", 14},
                                                     {"si", 10},
                                                     {"lt", 12},
                                                     {"nk", 27},
                                                     {"ge", 35},
                                                     {"bl", 35},
                                                     {"rm", 35}}};

// The LaTeX file has no column for the presentation matrix.
constexpr int kLatexLaidOutSlots = 9;

}  // namespace

SeifertMatrix::SeifertMatrix(int n) {
    if (n < 0 || n > MaxSeifertDim) throw RangeError("SeifertMatrix size");
    n_ = n;
    entries_.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(n), 0);
}

int32_t SeifertMatrix::operator()(int i, int j) const {
    if (i < 1 || i > MaxSeifertDim || j < 1 || j > MaxSeifertDim) {
        throw RangeError("SeifertMatrix index");
    }
    if (i > n_ || j > n_) return 0;
    return entries_[static_cast<std::size_t>((i - 1) * n_ + (j - 1))];
}

void SeifertMatrix::Set(int i, int j, int32_t value) {
    if (i < 1 || i > n_ || j < 1 || j > n_) throw RangeError("SeifertMatrix index");
    entries_[static_cast<std::size_t>((i - 1) * n_ + (j - 1))] = value;
}

IntMatrix WorkingForm(const SeifertMatrix& v) {
    IntMatrix m;
    for (int i = 1; i <= v.Size(); ++i) {
        for (int j = 1; j <= v.Size(); ++j) m(i, j) = v(i, j);
    }
    return m;
}

const ResultSlotArray::Slots& ResultSlotArray::Read() const {
    static const Slots kEmpty{};
    return slots_ ? *slots_ : kEmpty;
}

int ResultSlotArray::Index(int i) {
    if (i < 1 || i > ResultSlots) throw RangeError("result slot index");
    return i - 1;
}

void ApplyInitialResultLayout(KnotRecord& knot) {
    knot.textFields.Clear();
    knot.texFields.Clear();
    for (int slot = 1; slot <= static_cast<int>(kInitialLayout.size()); ++slot) {
        const SlotLayout& layout = kInitialLayout[static_cast<std::size_t>(slot - 1)];
        knot.textFields(slot) = PadRight(layout.tag, layout.width);
        if (slot <= kLatexLaidOutSlots) knot.texFields(slot) = knot.textFields(slot);
    }
}

std::string NotAKnotReason(const KnotRecord& knot) {
    if (!knot.notKnotReason.empty()) return knot.notKnotReason;
    const int n = knot.seifert.Size();
    IntMatrix form;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            form(i, j) = int64_t{knot.seifert(i, j)} - int64_t{knot.seifert(j, i)};
        }
    }
    const std::optional<int64_t> d = SmallDeterminant(form, n);
    if (d == 1) return {};
    const std::string value = d ? "= " + std::to_string(*d) : ">= 2^29";
    return "not a knot's Seifert matrix: det(V - V^T) " + value;
}

}  // namespace corvane
