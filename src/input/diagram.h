// Knot diagrams as knot input: a line "name PD[[1,5,2,4],...]" or "name DT[4,6,2]" becomes "name "
// followed by the bracket text of a Seifert matrix, read from the surface that Seifert's algorithm
// builds on the diagram (one disc per Seifert circle, one half-twisted band per crossing).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Most crossings accepted in a PD or DT code. A diagram with c crossings and s Seifert circles
// gives c - s + 1 <= c - 1 basis loops, so the matrix stays within the braid reader's size.
inline constexpr int MaxDiagramCrossings = 350;

// Outcome of converting a diagram: the matrix text or the line with it, or why not.
struct DiagramConversion {
    bool ok = false;
    std::string matrixLine;  // when ok: the converted text
    std::string error;       // when not ok: why, as a sentence without line number
    int crossings = 0;       // when ok: crossings of the diagram
    int circles = 0;         // when ok: Seifert circles of the diagram
    int rows = 0;            // when ok: rows of the matrix
    std::vector<std::vector<int64_t>> matrix;  // when ok: the matrix itself
};

// One crossing of a planar diagram: the labels of its four edge ends counterclockwise, starting at
// the incoming end of the under-strand (labels 1..2n along the knot's orientation).
using PdCrossing = std::array<int, 4>;

// matrixLine := a Seifert matrix V (c - s + 1 rows) of the knot with the planar diagram `pd`, as
// bracket text without blanks ("[]" when c - s + 1 = 0), with V_ij = lk(a_i, a_j^+) for a basis
// a_i of H_1 of the Seifert surface. The crossing [a,b,c,d] is positive when the over-strand
// runs d -> b and negative when it runs b -> d; the closure of three positive half-twists (the
// positive trefoil) has signature sign(V + V^T) = -2, and det(V - V^T) = 1. Labels 0..2n-1 are
// read as 1..2n. Refused with a reason: labels not 1..2n, a label not occurring exactly twice,
// ends whose directions contradict each other, a link, strands whose labels are not
// consecutive, a code whose 4-valent graph is not planar (fewer than c + 2 faces), more than
// MaxDiagramCrossings crossings.
DiagramConversion PdToMatrixText(const std::vector<PdCrossing>& pd);

// The planar diagram of a DT code: code[i] is the even passage paired with the odd passage 2i + 1
// (negative when the knot passes over at the even passage). A DT code fixes the knot only up to
// mirror image; the realisation here is the one in which the crossing at passage 1 is positive
// (for a code whose crossings fall into several interlaced families, as for a composite knot,
// the first crossing of each family along the knot).
// Returns false with `error` set when the entries are not a permutation of the even numbers
// 2..2n up to sign, or when no planar diagram realises the code.
bool DtToPd(const std::vector<int>& code, std::vector<PdCrossing>& pd, std::string& error);

// matrixLine := the Seifert matrix text of the diagram in `line`: the text after "PD[" or "DT[" up
// to the matching "]". PD crossings are "[a,b,c,d]", "X[a,b,c,d]" or "(a,b,c,d)", separated by
// commas; labels 0..2n-1 are read as 1..2n. DT entries are separated by commas or blanks. Blanks
// are allowed anywhere; "PD[]" and "DT[]" are the unknot ("[]"). Refusals as PdToMatrixText and
// DtToPd, and for text that is not such a code.
DiagramConversion DiagramToMatrixText(std::string_view line);

// matrixLine := the text before the keyword "PD" or "DT" of `line` followed by the matrix text of
// DiagramToMatrixText, or, when that matrix has more than maxRows rows, of an S-equivalent one:
// first elementary enlargements are removed while the matrix is larger than maxRows and has a
// zero row or column (a zero row k makes column k primitive; unimodular basis changes reduce it
// to a single ±1 at some row a, and rows and columns a and k go), then, while it is singular, at
// a primitive w with w^T V = 0 that unimodular basis changes turn into a basis vector, whose row
// is then zero. A non-singular matrix is minimal (its size is the degree of the Alexander
// polynomial). Refusals as DiagramToMatrixText, and with the sizes when the reduction stops
// above maxRows (at a non-singular matrix, or where an entry would leave 64 bits).
DiagramConversion DiagramLineToMatrixLine(std::string_view line, int maxRows);

// The crossings of the diagram in `line` (after "PD[" or "DT["), read as DiagramToMatrixText
// reads them: the PD code itself, or the realisation of the DT code. False with `error` set when
// the code cannot be read or realised.
bool DiagramCrossings(std::string_view line, std::vector<PdCrossing>& pd, std::string& error);

// The crossing x of a diagram with crossingCount crossings, changed: its over-strand becomes the
// under-strand, so its sign changes and the tuple starts at the new under-strand's incoming end.
PdCrossing ChangedCrossing(const PdCrossing& x, int crossingCount);

// The planar diagram of the closure of the braid word (letter ±i: a crossing of the strands in
// columns i and i + 1, positive for +i), crossing k the word's letter k, drawn with time
// downwards and the closing strands round the side. Precondition: the closure is a knot whose
// strands all meet a crossing (one cycle through every column from the lowest to the highest
// + 1).
std::vector<PdCrossing> BraidClosurePd(const std::vector<int64_t>& word);

// The matrix text of PdToMatrixText for crossings given with 64-bit labels, or empty when the
// diagram has none (a label beyond int, or a refusal). For the certificate check, which gets it
// passed in.
std::string PdMatrixText(const std::vector<std::array<int64_t, 4>>& crossings);

// The position of the keyword "PD[" or "DT[" in `line` (the first one), or npos.
std::size_t DiagramKeyword(std::string_view line);

}  // namespace corvane
