// Braid words as knot input: a line "name {1,1,1}" becomes "name " followed by the bracket text
// of a Seifert matrix of the closed braid, read from the surface made of one disk per strand and
// one band per crossing. The knot list reader calls it for every line that contains "{".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Longest braid word accepted, in letters. A word of L letters has at most L - 1 basis loops, so
// the loop count stays within the same limit.
inline constexpr int MaxBraidLetters = 350;

// Outcome of converting a braid: the matrix text or the line with it, or why not.
struct BraidConversion {
    bool ok = false;
    std::string matrixLine;  // when ok: the converted text
    std::string error;       // when not ok: why, as a sentence without line number
    int components = 0;      // when ok: the number of components of the closed braid
};

// The number of components of the closure of a braid word: the cycles of its permutation on the
// strands from the lowest column to the highest column + 1 (a strand between them that no
// crossing touches is an unknotted component of its own; strands below the lowest column are not
// part of the word). Letters are non-zero; a word on 2^31 strands stays exact.
int BraidClosureComponents(const std::vector<int64_t>& word);

// matrixLine := the Seifert matrix of the closure of the braid word in `line`, as bracket text
// without blanks, e.g. "[[-1,0],[1,-1]]" for {1,1,1}.
// The word is the text from the first "{" to the next "}": letters separated by ",", each a
// non-zero integer (blanks around it allowed); letter +i is a positive crossing of strands i and
// i+1 (column i), -i a negative one. Basis loops are the pairs (a, b) of consecutive crossings of
// one column, numbered by a; S is G × G with
//   S[k][k] = -1 (both crossings positive), +1 (both negative), 0 (mixed signs);
//   loops sharing crossing c = b: S[l][k] = 1 when it is positive, S[k][l] = -1 when negative;
//   interleaved loops a < c < b < d in columns i and i ± 1: S[k][l] = 1 for column i + 1,
//   S[l][k] = -1 for column i - 1; every other entry 0.
// With G = 0 the text is "[]". components := BraidClosureComponents of the word. Refused with a
// reason: no "}" after the
// "{", a letter that is not a non-zero 32-bit integer, more than MaxBraidLetters letters.
BraidConversion BraidToMatrixText(std::string_view line);

// The letters of the braid word of `line` (between its first "{" and the next "}"); false with
// `error` set, as BraidToMatrixText refuses, when the word cannot be read.
bool BraidWord(std::string_view line, std::vector<int64_t>& letters, std::string& error);

// matrixLine := the text before the first "{" of `line` followed by BraidToMatrixText's matrix
// text; refusals as there.
BraidConversion BraidLineToMatrixLine(std::string_view line);

}  // namespace corvane
