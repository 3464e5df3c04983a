// libFuzzer target: a braid word turned into the Seifert matrix text of its closure.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "input/braid_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    (void)corvane::BraidToMatrixText(line);
    (void)corvane::BraidLineToMatrixLine(line);
    return 0;
}
