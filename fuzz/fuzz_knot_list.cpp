// libFuzzer target: the bytes of a whole knot list read into a run's knot table, and the
// results files written for the knots read.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "knot/run_state.h"
#include "input/knot_list.h"
#include "output/json_results.h"
#include "output/text_results.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvane::RunState state;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size), std::ios::binary);
    corvane::ReadKnotList(state, in);
    corvane::ResetForRunStart(state);
    for (const corvane::KnotRecord& knot : state.Knots) (void)corvane::NotAKnotReason(knot);
    (void)corvane::TextResultsContents(state);
    (void)corvane::JsonResultsContents(state);
    return 0;
}
