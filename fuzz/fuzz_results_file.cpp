// libFuzzer target: the bytes of a results file read as a run resumes from it, and the results
// files written from what was read.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "knot/run_state.h"
#include "input/results_file.h"
#include "output/json_results.h"
#include "output/text_results.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvane::RunState state;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size), std::ios::binary);
    corvane::ReadResultsFile(state, in);
    corvane::ResetForRunStart(state);
    (void)corvane::TextResultsContents(state);
    (void)corvane::JsonResultsContents(state);
    return 0;
}
