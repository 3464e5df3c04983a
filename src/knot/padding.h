// Blank padding of result texts. Every result slot keeps the width it was first given, so
// the columns of the text results file line up; values are padded to that width, never cut.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

// s followed by blanks up to a length of at least `width`; longer texts are returned whole.
inline std::string PadRight(std::string_view s, std::size_t width) {
    std::string padded(s);
    if (padded.size() < width) padded.append(width - padded.size(), ' ');
    return padded;
}

}  // namespace corvane
