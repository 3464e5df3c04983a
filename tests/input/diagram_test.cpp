// PD and DT codes to Seifert matrices: the Rolfsen table read as diagrams against the reference
// invariants of its braid words, the diagram moves that keep the knot, and every refusal.
#include "input/diagram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "arith/test_matrices.h"
#include "input/braid_line.h"

namespace corvane {
namespace {

using test::i128;
using Pd = std::vector<PdCrossing>;

using test::FromText;

std::map<std::string, test::KnotReference> References() {
    return test::ReadKnotReferences(std::string(CORVANE_TEST_DATA_DIR) +
                                    "/rolfsen-8-reference.tsv");
}

// name -> code text, from a knot list of diagrams.
std::map<std::string, std::string> Codes(const std::string& file) {
    std::ifstream in(std::string(CORVANE_TEST_DATA_DIR) + "/" + file);
    std::map<std::string, std::string> codes;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%') continue;
        codes[line.substr(0, line.find(' '))] = line.substr(line.find_first_of("PD"));
    }
    return codes;
}

// V is a Seifert matrix of the reference knot (mirrored when mirror = -1; either image when 0):
// det(V - V^T) = 1, |det(V + V^T)|, the signature and det(tV - V^T) = ±t^s Δ(t).
void ExpectKnot(const std::string& matrixText, const test::KnotReference& r, int mirror) {
    const test::BigMatrix v = FromText(matrixText);
    EXPECT_EQ(test::BigDet(test::BigCombine(v, test::BigTranspose(v), -1)), 1);
    const test::BigMatrix symmetric = test::BigCombine(v, test::BigTranspose(v), 1);
    EXPECT_EQ(test::Abs128(test::BigDet(symmetric)), r.det < 0 ? -r.det : r.det);
    const int signature = test::Signature(symmetric);
    if (mirror == 0) {
        EXPECT_EQ(std::abs(signature), std::abs(r.signature));
    } else {
        EXPECT_EQ(signature, mirror * r.signature);
    }
    EXPECT_TRUE(test::IsAlexanderMultiple(v, r.alexander)) << "not ±t^s times the reference";
}

DiagramConversion Converted(const std::string& code) {
    const DiagramConversion converted = DiagramToMatrixText(code);
    EXPECT_TRUE(converted.ok) << code << ": " << converted.error;
    return converted;
}

std::string Refusal(const std::string& code) {
    const DiagramConversion converted = DiagramToMatrixText(code);
    EXPECT_FALSE(converted.ok) << code;
    return converted.error;
}

// The PD tuples of a code text "PD[[a,b,c,d],...]".
Pd Tuples(const std::string& code) {
    std::vector<int> labels;
    for (std::size_t i = 0; i < code.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(code[i]))) continue;
        std::size_t used = 0;
        labels.push_back(std::stoi(code.substr(i), &used));
        i += used - 1;
    }
    Pd pd(labels.size() / 4);
    for (std::size_t k = 0; k < labels.size(); ++k) pd[k / 4][k % 4] = labels[k];
    return pd;
}

std::string Text(const Pd& pd, const std::string& open = "[", const std::string& close = "]",
                 int offset = 0) {
    std::string text = "PD[";
    for (std::size_t x = 0; x < pd.size(); ++x) {
        text += (x > 0 ? ", " : "") + open;
        for (std::size_t k = 0; k < 4; ++k)
            text += (k > 0 ? "," : "") + std::to_string(pd[x][k] + offset);
        text += close;
    }
    return text + "]";
}

bool Positive(const PdCrossing& x, int labels) {
    return ((x[1] - x[3]) % labels + labels) % labels == 1;
}

// Every crossing changed: the over-strand becomes the under-strand and starts the list.
Pd Mirror(Pd pd) {
    const int labels = 2 * static_cast<int>(pd.size());
    for (PdCrossing& x : pd) {
        x = Positive(x, labels) ? PdCrossing{x[3], x[0], x[1], x[2]}
                                : PdCrossing{x[1], x[2], x[3], x[0]};
    }
    return pd;
}

// Labels counted from another edge.
Pd Shifted(Pd pd, int by) {
    const int labels = 2 * static_cast<int>(pd.size());
    for (PdCrossing& x : pd)
        for (int& l : x) l = (l - 1 + by) % labels + 1;
    return pd;
}

// A Reidemeister I kink on edge 1: it becomes edges 1 (to the kink), 2 (the loop) and 3, and the
// labels after it move up by two.
Pd Kinked(Pd pd, bool positive) {
    const int labels = 2 * static_cast<int>(pd.size());
    int* incomingEndOfOne = nullptr;
    for (PdCrossing& x : pd) {
        const std::size_t overIn = Positive(x, labels) ? 3 : 1;
        for (const std::size_t k : {std::size_t{0}, overIn})
            if (x[k] == 1) incomingEndOfOne = &x[k];
    }
    for (PdCrossing& x : pd)
        for (int& l : x) l += l > 1 ? 2 : 0;
    *incomingEndOfOne = 3;
    pd.push_back(positive ? PdCrossing{1, 3, 2, 2} : PdCrossing{1, 2, 2, 3});
    return pd;
}

TEST(DiagramToMatrixText, RolfsenPdAndDtCodesGiveTheReferenceInvariants) {
    const auto references = References();
    int knots = 0;
    for (const std::string file : {"rolfsen-8-pd.txt", "rolfsen-8-dt.txt"}) {
        const bool pd = file.ends_with("pd.txt");
        for (const auto& [name, code] : Codes(file)) {
            SCOPED_TRACE(name + " " + code);
            ++knots;
            const DiagramConversion converted = Converted(code);
            ASSERT_TRUE(converted.ok);
            EXPECT_EQ(static_cast<int>(FromText(converted.matrixLine).size()),
                      converted.crossings - converted.circles + 1);
            ExpectKnot(converted.matrixLine, references.at(name), pd ? 1 : 0);
        }
    }
    EXPECT_EQ(knots, 70);
}

// A = P B P^T for a signed permutation matrix P, found by extending a partial assignment of
// B's basis vectors (index and sign) to A's one vector at a time.
bool SignedPermutationCongruent(const test::BigMatrix& a, const test::BigMatrix& b,
                                std::vector<std::pair<std::size_t, int>>& image) {
    const std::size_t i = image.size();
    if (i == a.size()) return true;
    for (std::size_t q = 0; q < b.size(); ++q) {
        if (std::any_of(image.begin(), image.end(), [q](const auto& m) { return m.first == q; }))
            continue;
        for (const int sign : {1, -1}) {
            bool fits = a[i][i] == b[q][q];
            for (std::size_t j = 0; j < i && fits; ++j) {
                const auto [pj, sj] = image[j];
                fits = a[i][j] == sign * sj * b[q][pj] && a[j][i] == sign * sj * b[pj][q];
            }
            if (!fits) continue;
            image.emplace_back(q, sign);
            if (SignedPermutationCongruent(a, b, image)) return true;
            image.pop_back();
        }
    }
    return false;
}

// The PD codes are drawn from the braid words, so the face loops of a column's annulus are the
// braid's loops of consecutive crossings whenever the face left out of each annulus is the one
// that wraps around: then the matrices agree up to the order and signs of the basis.
TEST(DiagramToMatrixText, BraidClosuresGiveTheBraidMatricesUpToTheBasis) {
    std::map<std::string, std::string> braids;
    std::ifstream in(std::string(CORVANE_TEST_DATA_DIR) + "/rolfsen-8-braids.txt");
    std::string line;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != '%') braids[line.substr(0, line.find(' '))] = line;
    const auto codes = Codes("rolfsen-8-pd.txt");
    for (const std::string name : {"4_1", "5_2", "6_1", "6_2", "7_2", "7_6", "8_1", "8_2", "8_9",
                                   "8_12", "8_16", "8_17", "8_18", "8_21"}) {
        SCOPED_TRACE(name);
        const test::BigMatrix braid = FromText(BraidToMatrixText(braids.at(name)).matrixLine);
        const test::BigMatrix diagram = FromText(Converted(codes.at(name)).matrixLine);
        std::vector<std::pair<std::size_t, int>> image;
        ASSERT_EQ(diagram.size(), braid.size());
        EXPECT_TRUE(SignedPermutationCongruent(diagram, braid, image));
    }
}

TEST(DiagramToMatrixText, ThePositiveTrefoilInEveryNotation) {
    const test::KnotReference trefoil = References().at("3_1");  // the negative trefoil
    const std::string matrix = Converted("PD[[1,5,2,4],[3,1,4,6],[5,3,6,2]]").matrixLine;
    ExpectKnot(matrix, trefoil, -1);
    EXPECT_EQ(Converted("PD[X[1,5,2,4], X[3,1,4,6], X[5,3,6,2]]").matrixLine, matrix);
    EXPECT_EQ(Converted("PD[(0,4,1,3), (2,0,3,5), (4,2,5,1)]").matrixLine, matrix);
    EXPECT_EQ(Converted(" PD[ [ 1 ,5,2,4 ] ,[3,1,4,6],\t[5,3,6,2]] ").matrixLine, matrix);
    // The DT code's first crossing is positive: all three are.
    ExpectKnot(Converted("DT[4, 6, 2]").matrixLine, trefoil, -1);
    ExpectKnot(Converted("DT[4 6 2]").matrixLine, trefoil, -1);
    ExpectKnot(Converted("DT[-4, -6, -2]").matrixLine, trefoil, -1);
    EXPECT_EQ(Converted("PD[]").matrixLine, "[]");
    EXPECT_EQ(Converted("DT[]").matrixLine, "[]");
    EXPECT_EQ(Converted("PD[[1,1,2,2]]").matrixLine, "[]");
    EXPECT_EQ(Converted("DT[2]").matrixLine, "[]");
}

TEST(DiagramToMatrixText, MovesThatKeepTheKnot) {
    const auto references = References();
    const auto codes = Codes("rolfsen-8-pd.txt");
    for (const std::string name : {"4_1", "6_2", "7_5", "8_17", "8_19"}) {
        SCOPED_TRACE(name);
        const test::KnotReference& r = references.at(name);
        const Pd pd = Tuples(codes.at(name));
        ExpectKnot(Converted(Text(Mirror(pd))).matrixLine, r, -1);
        const std::string original = Converted(Text(pd)).matrixLine;
        EXPECT_EQ(Converted(Text(pd, "(", ")", -1)).matrixLine, original);
        EXPECT_EQ(Converted(Text(pd, "X[", "]")).matrixLine, original);
        for (int by = 1; by < 2 * static_cast<int>(pd.size()); by += 3)
            ExpectKnot(Converted(Text(Shifted(pd, by))).matrixLine, r, 1);
        // Another order of the crossings puts another face at infinity, so other circles nest.
        Pd permuted = pd;
        std::reverse(permuted.begin(), permuted.end());
        ExpectKnot(Converted(Text(permuted)).matrixLine, r, 1);
        std::rotate(permuted.begin(), permuted.begin() + 2, permuted.end());
        ExpectKnot(Converted(Text(permuted)).matrixLine, r, 1);
        for (const bool positive : {true, false}) {
            const DiagramConversion kinked = Converted(Text(Kinked(pd, positive)));
            EXPECT_EQ(kinked.crossings, static_cast<int>(pd.size()) + 1);
            ExpectKnot(kinked.matrixLine, r, 1);
        }
    }
}

// A Reidemeister II move: a finger of edge e pushed across a face and over or under edge f,
// another edge of that face; e and f become three edges each and the labels are renumbered along
// the knot. Seen with the face between e (south, its boundary walked east) and f (north, walked
// west), the finger rises at x = -1 and comes back at x = 1; the two new crossings are listed
// from south counterclockwise before their under-strand is put first.
Pd SecondMove(const Pd& pd, int e, int f, bool eWalkedForward, bool fWalkedForward, bool eOver) {
    const int labels = 2 * static_cast<int>(pd.size());
    std::vector<int> start(static_cast<std::size_t>(labels + 1), 0);
    int next = 1;
    for (int l = 1; l <= labels; ++l) {
        start[static_cast<std::size_t>(l)] = next;
        next += (l == e || l == f) ? 3 : 1;
    }
    auto piece = [&](int edge, bool forward, int walkIndex) {
        return start[static_cast<std::size_t>(edge)] + (forward ? walkIndex : 2 - walkIndex);
    };
    Pd moved = pd;
    for (std::size_t c = 0; c < pd.size(); ++c) {
        for (std::size_t k = 0; k < 4; ++k) {
            const int l = pd[c][k];
            const int previous = (l + labels - 2) % labels + 1;
            const bool outgoing = pd[c][(k + 2) % 4] == previous;
            const int pieces = (l == e || l == f) ? 3 : 1;
            moved[c][k] = start[static_cast<std::size_t>(l)] + (outgoing ? 0 : pieces - 1);
        }
    }
    const int ea = piece(e, eWalkedForward, 0), eb = piece(e, eWalkedForward, 1),
              ec = piece(e, eWalkedForward, 2);
    const int fa = piece(f, fWalkedForward, 0), fb = piece(f, fWalkedForward, 1),
              fc = piece(f, fWalkedForward, 2);
    // South, east, north, west; e walks north at the first new crossing, south at the second.
    const std::array<PdCrossing, 2> rings{PdCrossing{ea, fb, eb, fc}, PdCrossing{ec, fa, eb, fb}};
    for (std::size_t c = 0; c < 2; ++c) {
        const bool eFromSouth = (c == 0) == eWalkedForward;
        const std::size_t underIn = eOver ? (fWalkedForward ? 1 : 3) : (eFromSouth ? 0 : 2);
        PdCrossing x{};
        for (std::size_t k = 0; k < 4; ++k) x[k] = rings[c][(underIn + k) % 4];
        moved.push_back(x);
    }
    return moved;
}

// Every pair of distinct edges on a common face, with the directions in which the face's
// boundary (face on its left) walks them.
struct FacePair {
    int e, f;
    bool eForward, fForward;
};

std::vector<FacePair> FacePairs(const Pd& pd) {
    const int labels = 2 * static_cast<int>(pd.size());
    auto otherEnd = [&](std::size_t x, std::size_t k) {
        for (std::size_t y = 0; y < pd.size(); ++y)
            for (std::size_t q = 0; q < 4; ++q)
                if (pd[y][q] == pd[x][k] && (y != x || q != k)) return std::pair{y, q};
        return std::pair{x, k};
    };
    std::vector<FacePair> pairs;
    std::vector<bool> seen(4 * pd.size(), false);
    for (std::size_t start = 0; start < 4 * pd.size(); ++start) {
        std::vector<std::pair<int, bool>> walk;  // edge and whether walked along the knot
        for (std::size_t d = start; !seen[d];) {
            seen[d] = true;
            const std::size_t x = d / 4, k = d % 4;
            const int previous = (pd[x][k] + labels - 2) % labels + 1;
            walk.emplace_back(pd[x][k], pd[x][(k + 2) % 4] == previous);
            const auto [y, q] = otherEnd(x, k);
            d = 4 * y + (q + 3) % 4;
        }
        for (const auto& [e, eForward] : walk)
            for (const auto& [f, fForward] : walk)
                if (e != f) pairs.push_back({e, f, eForward, fForward});
    }
    return pairs;
}

TEST(DiagramToMatrixText, SecondMovesMakeOtherCirclesAndKeepTheKnot) {
    const auto references = References();
    const auto codes = Codes("rolfsen-8-pd.txt");
    int moreCircles = 0;
    for (const std::string name : {"3_1", "4_1", "5_2", "7_4", "8_17"}) {
        const Pd pd = Tuples(codes.at(name));
        const int circles = Converted(Text(pd)).circles;
        for (const FacePair& p : FacePairs(pd)) {
            for (const bool eOver : {true, false}) {
                const std::string code =
                    Text(SecondMove(pd, p.e, p.f, p.eForward, p.fForward, eOver));
                SCOPED_TRACE(name + " " + code);
                const DiagramConversion moved = Converted(code);
                ASSERT_TRUE(moved.ok);
                moreCircles += moved.circles > circles;
                ExpectKnot(moved.matrixLine, references.at(name), 1);
            }
        }
    }
    // Pushing a strand over one of the opposite direction adds circles: the diagram is no longer
    // a closed braid, and a new circle lies inside or beside the old ones.
    EXPECT_GT(moreCircles, 0);
}

// Second moves until the matrix has more than 72 rows; the line reader reduces it by S-equivalence
// down to a given size, and the matrix it keeps is still one of the knot.
TEST(DiagramLineToMatrixLine, LargeMatricesAreReducedBelowTheRowLimit) {
    const auto references = References();
    const auto codes = Codes("rolfsen-8-pd.txt");
    for (const std::string name : {"3_1", "5_2", "8_17"}) {
        SCOPED_TRACE(name);
        Pd pd = Tuples(codes.at(name));
        for (int step = 0; Converted(Text(pd)).rows <= 72; ++step) {
            const std::vector<FacePair> pairs = FacePairs(pd);
            const FacePair& p = pairs[static_cast<std::size_t>(step * 7) % pairs.size()];
            pd = SecondMove(pd, p.e, p.f, p.eForward, p.fForward, step % 2 == 0);
        }
        const DiagramConversion line = DiagramLineToMatrixLine("k " + Text(pd), 12);
        ASSERT_TRUE(line.ok) << line.error;
        EXPECT_LE(line.rows, 12);
        ExpectKnot(line.matrixLine.substr(2), references.at(name), 1);
        // A minimal Seifert matrix has as many rows as the Alexander polynomial's degree.
        const int degree = static_cast<int>(references.at(name).alexander.size()) - 1;
        const DiagramConversion minimal = DiagramLineToMatrixLine("k " + Text(pd), degree);
        ASSERT_TRUE(minimal.ok) << minimal.error;
        EXPECT_EQ(minimal.rows, degree);
        ExpectKnot(minimal.matrixLine.substr(2), references.at(name), 1);
        EXPECT_EQ(DiagramLineToMatrixLine("k " + Text(pd), degree - 1).error,
                  "the diagram's Seifert matrix has 74 rows and reduces by S-equivalence to a "
                  "non-singular matrix of " +
                      std::to_string(degree) + " rows, more than " + std::to_string(degree - 1) +
                      ".");
    }
}

// The torus knot T(2, 349): two Seifert circles, 348 basis loops and an Alexander polynomial of
// degree 348, so no S-equivalent matrix has 70 rows or fewer.
TEST(DiagramToMatrixText, TheLargestCodes) {
    const int n = 349;
    std::vector<int> code;
    for (int odd = 1; odd < 2 * n; odd += 2) code.push_back((odd + n - 1) % (2 * n) + 1);
    std::string dt = "DT[";
    for (const int e : code) dt += " " + std::to_string(e);
    const DiagramConversion converted = Converted(dt + "]");
    EXPECT_EQ(converted.crossings, n);
    EXPECT_EQ(converted.circles, 2);
    EXPECT_EQ(converted.rows, n - 1);
    Pd pd;
    std::string error;
    ASSERT_TRUE(DtToPd(code, pd, error));
    EXPECT_EQ(Converted(Text(pd)).matrixLine, converted.matrixLine);
    EXPECT_EQ(DiagramLineToMatrixLine("T " + dt + "]", 70).error,
              "the diagram's Seifert matrix has 348 rows and reduces by S-equivalence to a "
              "non-singular matrix of 348 rows, more than 70.");
}

TEST(DiagramToMatrixText, BadCodesSayWhy) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"PD[[1,5,2,4],[3,1,4,6],[5,3,6,2]", "PD code without closing \"]\"."},
        {"DT[4,6,2", "DT code without closing \"]\"."},
        {"PD[[1,5,2,4],[3,1,4,6],[5,3,6,7]]",
         "PD label 7 is out of range: with 3 crossings the labels run from 1 to 6 (or 0 to 5)."},
        {"PD[[1,5,2,4],[3,1,4,6],[5,3,6,6]]",
         "PD label 6 occurs more than twice; every label must occur exactly twice."},
        {"PD[[1,5,2,4],[3,1,4],[5,3,6,2]]", "crossing 2 of the PD code does not have four labels."},
        {"PD[[1,5,2,4],[3,1,4,6,7],[5,3,6,2]]",
         "crossing 2 of the PD code does not have four labels."},
        {"PD[[1,5,x,4],[3,1,4,6],[5,3,6,2]]", "PD label \"x\" is not a non-negative integer."},
        {"PD[[1,5,2,4] [3,1,4,6]]", "PD crossings must be separated by commas: \"[3,1,4,6]\"."},
        {"PD[[1,5,2,4],]", "PD code ends with a comma."},
        {"PD[1,5,2,4]",
         "crossing 1 of the PD code does not start with \"[\" or \"(\": \"1,5,2,4\"."},
        // The trefoil with labels 2 and 3 exchanged.
        {"PD[[1,5,3,4],[2,1,4,6],[5,2,6,3]]",
         "the under-strand of crossing 1 runs from label 1 to label 3, which are not "
         "consecutive."},
        // Edge 1 enters both crossings as their under-strand.
        {"PD[[1,3,2,4],[1,4,2,3]]",
         "the PD code gives its strands no consistent direction: an edge must run from the "
         "outgoing end of one strand to the incoming end of the next."},
        // The Hopf link.
        {"PD[[4,1,3,2],[2,3,1,4]]", "not a knot: the diagram has 2 components"},
        // Gauss word 1 2 1 2 (over, over, under, under): crossings 1 and 2 are interlaced with
        // each other only, an odd number, which no plane curve allows.
        {"PD[[2,1,3,4],[3,2,4,1]]", "not realisable as a planar diagram."},
        {"DT[4, 6, 3]",
         "DT entries must be the even numbers 2 to 6 in some order, each once, "
         "with signs."},
        {"DT[4, 4, 2]",
         "DT entries must be the even numbers 2 to 6 in some order, each once, "
         "with signs."},
        {"DT[4, x]", "DT entry \"x\" is not an integer."},
        // Crossings a (passages 1, 4) and c (5, 8) are not interlaced, but both are interlaced
        // with b (3, 6) and with no other common crossing: an odd number, which no plane curve
        // allows.
        {"DT[4, 6, 8, 10, 2]", "not realisable as a planar diagram."},
    };
    for (const auto& [code, message] : cases) {
        EXPECT_EQ(Refusal(code), message) << code;
    }
    std::string big = "PD[";
    for (int x = 0; x <= MaxDiagramCrossings; ++x)
        big += (x > 0 ? "," : "") + std::string("[1,2,3,4]");
    EXPECT_EQ(Refusal(big + "]"), "diagram with more than 350 crossings.");
    std::string dt = "DT[";
    for (int x = 1; x <= MaxDiagramCrossings + 1; ++x) dt += " " + std::to_string(2 * x);
    EXPECT_EQ(Refusal(dt + "]"), "diagram with more than 350 crossings.");
}

TEST(DiagramLineToMatrixLine, KeepsTheTextBeforeTheKeyword) {
    const DiagramConversion line = DiagramLineToMatrixLine("3_1  DT[4,6,2] rest", 70);
    ASSERT_TRUE(line.ok);
    EXPECT_EQ(line.matrixLine, "3_1  [[-1,1],[0,-1]]");
    EXPECT_FALSE(DiagramLineToMatrixLine("a PD[[1,2]]", 70).ok);
}

}  // namespace
}  // namespace corvane
