// The conversion of a braid line ("name {1,1,1}") into a matrix line: the name part followed by
// the bracket text of a Seifert matrix of the closed braid. The knot list reader calls it for
// every line that contains "{".
#pragma once

#include <string>
#include <string_view>

namespace corvane {

struct BraidConversion {
    bool ok = false;
    std::string matrixLine;  // when ok: the text before the first "{" followed by the matrix text
    std::string error;       // when not ok: why, as a sentence without line number
};

// Converts a line that contains "{". Braid words are not converted yet: every line is refused
// with "braid words are not supported yet.".
BraidConversion BraidLineToMatrixLine(std::string_view line);

}  // namespace corvane
