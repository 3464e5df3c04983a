#include "input/braid_line.h"

namespace corvane {

BraidConversion BraidLineToMatrixLine(std::string_view /*line*/) {
    return BraidConversion{false, {}, "braid words are not supported yet."};
}

}  // namespace corvane
