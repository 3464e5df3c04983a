// libFuzzer target: a PD or DT code turned into the Seifert matrix text of its diagram.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "input/diagram.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    (void)corvane::DiagramToMatrixText(line);
    (void)corvane::DiagramLineToMatrixLine(line, 70);
    return 0;
}
