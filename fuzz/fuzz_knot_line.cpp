// libFuzzer target: one line of a knot list, as ParseKnotLine reads it into a run's knot table,
// then the exact test of each knot read that its matrix can be a knot's Seifert matrix.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "knot/run_state.h"
#include "input/knot_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvane::RunState state;
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    corvane::ParseKnotLine(state, line, 1);
    for (const corvane::KnotRecord& knot : state.Knots) (void)corvane::NotAKnotReason(knot);
    return 0;
}
