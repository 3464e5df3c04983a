#include "input/diagram.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <numeric>
#include <utility>

#include "arith/big_integer.h"
#include "input/line_text.h"

namespace corvane {

namespace {

// An end of an edge at a crossing: the crossing and the position 0..3 counterclockwise from the
// incoming under-strand. Dart index 4 * crossing + position.
struct End {
    int crossing = 0;
    int position = 0;
};

// A diagram whose labels are 0..2n-1, each the label of one edge with two ends, with the
// direction of every strand (which end is incoming) and the sign of every crossing.
struct Diagram {
    int n = 0;
    std::vector<PdCrossing> labels;
    std::vector<std::array<End, 2>> ends;       // per label: its two ends
    std::vector<std::array<bool, 4>> incoming;  // per crossing and position
    std::vector<int> sign;                      // +1 or -1 per crossing

    int LabelAt(int dart) const {
        return labels[static_cast<std::size_t>(dart / 4)][static_cast<std::size_t>(dart % 4)];
    }
    bool IncomingAt(int dart) const {
        return incoming[static_cast<std::size_t>(dart / 4)][static_cast<std::size_t>(dart % 4)];
    }
    // The dart at the other end of the edge that leaves through `dart`.
    int OtherEnd(int dart) const {
        const auto& e = ends[static_cast<std::size_t>(LabelAt(dart))];
        const int first = 4 * e[0].crossing + e[0].position;
        const int second = 4 * e[1].crossing + e[1].position;
        return first == dart ? second : first;
    }
};

// A run of a face's boundary along one Seifert circle, between two band corners: it enters the
// circle from the band of crossing `from` and leaves it through the band of crossing `to`.
struct Passage {
    int face = 0;
    int circle = 0;
    int from = 0;
    int to = 0;
    bool left = false;  // the face lies on the left of the circle (the boundary runs along it)
};

DiagramConversion Refused(std::string reason) {
    DiagramConversion refused;
    refused.error = std::move(reason);
    return refused;
}

// A decimal integer with an optional sign, within 32 bits.
bool ReadInteger(std::string_view text, int& value) {
    const std::string_view t = TrimBlanks(text);
    const std::string_view number = t.starts_with('+') ? t.substr(1) : t;
    if (number.empty() || number.starts_with('+')) return false;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    return error == std::errc() && end == number.data() + number.size();
}

int Mod(int64_t a, int m) {
    const int64_t r = a % m;
    return static_cast<int>(r < 0 ? r + m : r);
}

// ---- Text of the codes ----

// body := the text after an opening "[" up to the matching "]" (brackets nest).
bool ClosedBody(std::string_view text, std::string_view& body) {
    int depth = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '[') ++depth;
        if (text[i] == ']' && --depth == 0) {
            body = text.substr(0, i);
            return true;
        }
    }
    return false;
}

std::size_t SkipBlanks(std::string_view text, std::size_t pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    return pos;
}

// One crossing "[a,b,c,d]", "X[a,b,c,d]" or "(a,b,c,d)" at `pos`; pos moves past it.
bool ParseCrossing(std::string_view text, std::size_t& pos, int number, PdCrossing& crossing,
                   std::string& error) {
    const std::string which = "crossing " + std::to_string(number) + " of the PD code";
    if (pos < text.size() && text[pos] == 'X') pos = SkipBlanks(text, pos + 1);
    if (pos >= text.size() || (text[pos] != '[' && text[pos] != '(')) {
        error = which + " does not start with \"[\" or \"(\": " + Quoted(text.substr(pos)) + ".";
        return false;
    }
    const char close = text[pos] == '[' ? ']' : ')';
    const std::size_t end = text.find(close, pos + 1);
    if (end == std::string_view::npos) {
        error = which + " has no closing \"" + std::string(1, close) + "\".";
        return false;
    }
    const std::string_view entries = text.substr(pos + 1, end - pos - 1);
    pos = end + 1;
    if (std::count(entries.begin(), entries.end(), ',') != 3) {
        error = which + " does not have four labels.";
        return false;
    }
    std::size_t from = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t comma = std::min(entries.find(',', from), entries.size());
        const std::string_view entry = TrimBlanks(entries.substr(from, comma - from));
        if (!ReadInteger(entry, crossing[i]) || crossing[i] < 0) {
            error = "PD label " + Quoted(entry) + " is not a non-negative integer.";
            return false;
        }
        from = comma + 1;
    }
    return true;
}

bool ParsePd(std::string_view body, std::vector<PdCrossing>& pd, std::string& error) {
    std::size_t pos = SkipBlanks(body, 0);
    while (pos < body.size()) {
        if (static_cast<int>(pd.size()) == MaxDiagramCrossings) {
            error = "diagram with more than " + std::to_string(MaxDiagramCrossings) + " crossings.";
            return false;
        }
        PdCrossing crossing{};
        if (!ParseCrossing(body, pos, static_cast<int>(pd.size()) + 1, crossing, error))
            return false;
        pd.push_back(crossing);
        pos = SkipBlanks(body, pos);
        if (pos == body.size()) break;
        if (body[pos] != ',') {
            error = "PD crossings must be separated by commas: " + Quoted(body.substr(pos)) + ".";
            return false;
        }
        pos = SkipBlanks(body, pos + 1);
        if (pos == body.size()) {
            error = "PD code ends with a comma.";
            return false;
        }
    }
    return true;
}

// DT entries: non-zero integers separated by commas and/or blanks.
bool ParseDt(std::string_view body, std::vector<int>& code, std::string& error) {
    std::size_t pos = SkipBlanks(body, 0);
    while (pos < body.size()) {
        std::size_t end = pos;
        while (end < body.size() && body[end] != ',' && body[end] != ' ' && body[end] != '\t')
            ++end;
        if (static_cast<int>(code.size()) == MaxDiagramCrossings) {
            error = "diagram with more than " + std::to_string(MaxDiagramCrossings) + " crossings.";
            return false;
        }
        int entry = 0;
        if (!ReadInteger(body.substr(pos, end - pos), entry)) {
            error = "DT entry " + Quoted(body.substr(pos, end - pos)) + " is not an integer.";
            return false;
        }
        code.push_back(entry);
        pos = SkipBlanks(body, end);
        if (pos < body.size() && body[pos] == ',') pos = SkipBlanks(body, pos + 1);
    }
    return true;
}

// ---- Realising a DT code ----

// The crossings of a closed plane curve met along it at passages 1..2n (crossingAt[p - 1]), each
// once at an odd and once at an even passage; a and b are interlaced when exactly one passage of
// b lies between the two passages of a. At the even passage through each crossing the curve
// crosses its odd passage either from right to left (side +1) or from left to right (side -1),
// and for interlaced crossings a and b, side(a) side(b) = -1 exactly when a and b are interlaced
// with an even number of common crossings. That fixes the sides on each component of the
// interlacement graph up to one reflection of the plane (the mirror image). The reflection is
// chosen so that the crossing of each component met first along the knot is positive: for a
// prime knot, the crossing at passage 1. Returns false when the relation is inconsistent (no
// plane curve meets its crossings in this order).
bool CrossingSides(const std::vector<int>& crossingAt, const std::vector<bool>& overAtOdd,
                   std::vector<int>& side) {
    const int n = static_cast<int>(overAtOdd.size());
    const std::size_t count = static_cast<std::size_t>(n);
    std::vector<std::array<int, 2>> passages(count, {-1, -1});
    for (std::size_t p = 0; p < crossingAt.size(); ++p) {
        auto& pair = passages[static_cast<std::size_t>(crossingAt[p])];
        pair[pair[0] < 0 ? 0 : 1] = static_cast<int>(p);
    }
    std::vector<std::vector<bool>> interlaced(count, std::vector<bool>(count, false));
    for (std::size_t a = 0; a < count; ++a) {
        for (std::size_t b = 0; b < count; ++b) {
            const auto inside = [&](int p) { return passages[a][0] < p && p < passages[a][1]; };
            interlaced[a][b] = inside(passages[b][0]) != inside(passages[b][1]);
        }
    }
    auto evenCommon = [&](std::size_t a, std::size_t b) {
        int common = 0;
        for (std::size_t c = 0; c < count; ++c) common += interlaced[a][c] && interlaced[b][c];
        return common % 2 == 0;
    };
    side.assign(count, 0);
    // Components in the order of their first passage: passage 1 lies on crossing 0.
    for (std::size_t p = 0; p < crossingAt.size(); ++p) {
        const std::size_t start = static_cast<std::size_t>(crossingAt[p]);
        if (side[start] != 0) continue;
        // A crossing is positive when side and "over at the odd passage" agree.
        side[start] = overAtOdd[start] ? 1 : -1;
        std::vector<std::size_t> queue{start};
        for (std::size_t next = 0; next < queue.size(); ++next) {
            const std::size_t a = queue[next];
            for (std::size_t b = 0; b < count; ++b) {
                if (!interlaced[a][b]) continue;
                const int wanted = evenCommon(a, b) ? -side[a] : side[a];
                if (side[b] == -wanted) return false;
                if (side[b] == 0) {
                    side[b] = wanted;
                    queue.push_back(b);
                }
            }
        }
    }
    return true;
}

// The PD code of the curve with these sides and crossing information: edge k runs from passage
// k to passage k + 1 (edge 2n back to passage 1). At a crossing met along edges (i, o) at its odd
// passage and along (i', o') at its even passage, the ends counterclockwise are i, i', o, o' when
// the even passage comes from the right (side +1) and i, o', o, i' otherwise; the list starts at
// the incoming end of the under-strand.
std::vector<PdCrossing> DtDiagram(const std::vector<int>& crossingAt,
                                  const std::vector<bool>& overAtOdd,
                                  const std::vector<int>& side) {
    const int m = static_cast<int>(crossingAt.size());
    const std::size_t n = overAtOdd.size();
    std::vector<std::array<int, 2>> passages(n, {-1, -1});
    for (int p = 0; p < m; ++p) {
        auto& pair = passages[static_cast<std::size_t>(crossingAt[static_cast<std::size_t>(p)])];
        pair[pair[0] < 0 ? 0 : 1] = p;
    }
    // Passage p (0-based) enters along edge p (1-based label: p, or 2n for p = 0) and leaves
    // along edge p + 1.
    auto in = [m](int p) { return p == 0 ? m : p; };
    auto out = [](int p) { return p + 1; };
    std::vector<PdCrossing> pd(n);
    for (std::size_t x = 0; x < n; ++x) {
        // Odd passages are the even 0-based ones.
        const bool oddFirst = passages[x][0] % 2 == 0;
        const int odd = oddFirst ? passages[x][0] : passages[x][1];
        const int even = oddFirst ? passages[x][1] : passages[x][0];
        const std::array<int, 4> ring = side[x] > 0
                                            ? std::array{in(odd), in(even), out(odd), out(even)}
                                            : std::array{in(odd), out(even), out(odd), in(even)};
        const std::size_t shift = !overAtOdd[x] ? 0 : (side[x] > 0 ? 1 : 3);
        for (std::size_t k = 0; k < 4; ++k) pd[x][k] = ring[(k + shift) % 4];
    }
    return pd;
}

// ---- Reading and checking a PD code ----

// Labels 0..2n-1 (when some label is 0) or 1..2n, each occurring exactly twice; fills the ends.
std::string CheckLabels(const std::vector<PdCrossing>& pd, Diagram& d) {
    const int n = static_cast<int>(pd.size());
    const bool zeroBased = std::any_of(pd.begin(), pd.end(), [](const PdCrossing& x) {
        return std::find(x.begin(), x.end(), 0) != x.end();
    });
    const int low = zeroBased ? 0 : 1;
    d.n = n;
    d.labels = pd;
    d.ends.assign(static_cast<std::size_t>(2 * n), {});
    std::vector<int> count(static_cast<std::size_t>(2 * n), 0);
    for (int x = 0; x < n; ++x) {
        for (int p = 0; p < 4; ++p) {
            int& label = d.labels[static_cast<std::size_t>(x)][static_cast<std::size_t>(p)];
            if (label < low || label > low + 2 * n - 1) {
                return "PD label " + std::to_string(label) + " is out of range: with " +
                       std::to_string(n) + (n == 1 ? " crossing" : " crossings") +
                       " the labels run from 1 to " + std::to_string(2 * n) + " (or 0 to " +
                       std::to_string(2 * n - 1) + ").";
            }
            label -= low;
            int& seen = count[static_cast<std::size_t>(label)];
            if (seen == 2) {
                return "PD label " + std::to_string(label + low) +
                       " occurs more than twice; every label must occur exactly twice.";
            }
            d.ends[static_cast<std::size_t>(label)][static_cast<std::size_t>(seen)] = End{x, p};
            ++seen;
        }
    }
    // 4n ends and no label more than twice: every label occurs exactly twice.
    return {};
}

// The direction of every strand: the under-strand enters at position 0 and leaves at 2; the two
// ends of an edge have opposite directions, and so have the over-strand's positions 1 and 3.
// False when these rules contradict each other. An over-strand of a component that never passes
// under (only in links) gets either direction.
bool OrientStrands(Diagram& d) {
    const std::size_t n = static_cast<std::size_t>(d.n);
    std::vector<int> role(4 * n, 0);  // +1 incoming, -1 outgoing, 0 not known yet
    std::vector<int> queue;
    auto assign = [&](int dart, int r) {
        int& current = role[static_cast<std::size_t>(dart)];
        if (current == -r) return false;
        if (current == 0) queue.push_back(dart);
        current = r;
        return true;
    };
    auto propagate = [&]() {
        while (!queue.empty()) {
            const int dart = queue.back();
            queue.pop_back();
            const int r = role[static_cast<std::size_t>(dart)];
            if (!assign(d.OtherEnd(dart), -r)) return false;
            if (dart % 2 == 1 && !assign(dart ^ 2, -r)) return false;
        }
        return true;
    };
    for (int x = 0; x < d.n; ++x) {
        if (!assign(4 * x, 1) || !assign(4 * x + 2, -1)) return false;
    }
    if (!propagate()) return false;
    for (std::size_t dart = 0; dart < 4 * n; ++dart) {
        if (role[dart] != 0) continue;
        assign(static_cast<int>(dart), 1);
        if (!propagate()) return false;
    }
    d.incoming.assign(n, {});
    d.sign.assign(n, 0);
    for (std::size_t x = 0; x < n; ++x) {
        for (std::size_t p = 0; p < 4; ++p) d.incoming[x][p] = role[4 * x + p] > 0;
        d.sign[x] = d.incoming[x][3] ? 1 : -1;  // over-strand d -> b
    }
    return true;
}

// The number of closed strands: follow each edge into its crossing and straight through it.
int Components(const Diagram& d) {
    const std::size_t labels = d.ends.size();
    std::vector<bool> seen(labels, false);
    int components = 0;
    for (std::size_t start = 0; start < labels; ++start) {
        if (seen[start]) continue;
        ++components;
        for (int label = static_cast<int>(start); !seen[static_cast<std::size_t>(label)];) {
            seen[static_cast<std::size_t>(label)] = true;
            const auto& e = d.ends[static_cast<std::size_t>(label)];
            const End in = d.incoming[static_cast<std::size_t>(e[0].crossing)]
                                     [static_cast<std::size_t>(e[0].position)]
                               ? e[0]
                               : e[1];
            label = d.LabelAt(4 * in.crossing + (in.position + 2) % 4);
        }
    }
    return components;
}

// Along a knot the labels increase by one (mod 2n) from each incoming end to the outgoing end of
// the same strand.
std::string CheckConsecutive(const Diagram& d) {
    const int m = 2 * d.n;
    for (int x = 0; x < d.n; ++x) {
        const PdCrossing& l = d.labels[static_cast<std::size_t>(x)];
        const std::string crossing = "crossing " + std::to_string(x + 1);
        if (Mod(l[0] + 1, m) != l[2]) {
            return "the under-strand of " + crossing + " runs from label " +
                   std::to_string(l[0] + 1) + " to label " + std::to_string(l[2] + 1) +
                   ", which are not consecutive.";
        }
        const int in = d.sign[static_cast<std::size_t>(x)] > 0 ? l[3] : l[1];
        const int out = d.sign[static_cast<std::size_t>(x)] > 0 ? l[1] : l[3];
        if (Mod(in + 1, m) != out) {
            return "the over-strand of " + crossing + " runs between labels " +
                   std::to_string(l[1] + 1) + " and " + std::to_string(l[3] + 1) +
                   ", which are not consecutive.";
        }
    }
    return {};
}

// ---- Faces, Seifert circles and the surface ----

// Faces of the 4-valent map, each traced with the face on its left: leave a crossing through a
// dart, arrive at the other end (position q) and leave again through position q - 1. A dart
// (x, p) lies on the face of the corner between positions p and p + 1 at x.
std::vector<int> FaceOfDart(const Diagram& d, int& faces) {
    std::vector<int> face(static_cast<std::size_t>(4 * d.n), -1);
    faces = 0;
    for (int start = 0; start < 4 * d.n; ++start) {
        if (face[static_cast<std::size_t>(start)] >= 0) continue;
        for (int dart = start; face[static_cast<std::size_t>(dart)] < 0;) {
            face[static_cast<std::size_t>(dart)] = faces;
            const int arrival = d.OtherEnd(dart);
            dart = 4 * (arrival / 4) + (arrival % 4 + 3) % 4;
        }
        ++faces;
    }
    return face;
}

// The Seifert smoothing joins each incoming position to the neighbouring outgoing one: at a
// positive crossing 0 -> 1 and 3 -> 2, at a negative one 0 -> 3 and 1 -> 2.
int SmoothedExit(const Diagram& d, int crossing, int position) {
    const bool positive = d.sign[static_cast<std::size_t>(crossing)] > 0;
    if (position == 0) return positive ? 1 : 3;
    return 2;  // position 3 (positive) or 1 (negative)
}

bool IsBandCorner(const Diagram& d, int crossing, int corner) {
    const bool positive = d.sign[static_cast<std::size_t>(crossing)] > 0;
    return positive == (corner % 2 == 1);
}

// The two band corners of a crossing: the one behind the band and the one ahead of it, seen
// along the (parallel) directions of the two smoothed arcs.
std::pair<int, int> BandCorners(const Diagram& d, int crossing) {
    return d.sign[static_cast<std::size_t>(crossing)] > 0 ? std::pair{3, 1} : std::pair{0, 2};
}

struct Circles {
    std::vector<int> ofLabel;        // circle of each edge
    std::vector<int> indexOnCircle;  // place of each edge along its circle
    std::vector<int> length;         // edges per circle
};

Circles SeifertCircles(const Diagram& d) {
    Circles c;
    c.ofLabel.assign(d.ends.size(), -1);
    c.indexOnCircle.assign(d.ends.size(), 0);
    for (std::size_t start = 0; start < d.ends.size(); ++start) {
        if (c.ofLabel[start] >= 0) continue;
        const int circle = static_cast<int>(c.length.size());
        int length = 0;
        for (int label = static_cast<int>(start); c.ofLabel[static_cast<std::size_t>(label)] < 0;) {
            c.ofLabel[static_cast<std::size_t>(label)] = circle;
            c.indexOnCircle[static_cast<std::size_t>(label)] = length++;
            const auto& e = d.ends[static_cast<std::size_t>(label)];
            const End in = d.incoming[static_cast<std::size_t>(e[0].crossing)]
                                     [static_cast<std::size_t>(e[0].position)]
                               ? e[0]
                               : e[1];
            label = d.LabelAt(4 * in.crossing + SmoothedExit(d, in.crossing, in.position));
        }
        c.length.push_back(length);
    }
    return c;
}

int FindRoot(std::vector<int>& parent, int a) {
    while (parent[static_cast<std::size_t>(a)] != a) {
        parent[static_cast<std::size_t>(a)] =
            parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(a)])];
        a = parent[static_cast<std::size_t>(a)];
    }
    return a;
}

// The place along a circle where the band of `crossing` attaches: the index of the edge that
// leaves the crossing on the smoothed arc of that circle.
int Attachment(const Diagram& d, const Circles& c, int crossing, int circle) {
    for (const int p : {0, 1, 3}) {
        if (!d.incoming[static_cast<std::size_t>(crossing)][static_cast<std::size_t>(p)]) continue;
        const int exitLabel = d.LabelAt(4 * crossing + SmoothedExit(d, crossing, p));
        if (c.ofLabel[static_cast<std::size_t>(exitLabel)] == circle)
            return c.indexOnCircle[static_cast<std::size_t>(exitLabel)];
    }
    return 0;  // not reached: both arcs of a crossing lie on circles through it
}

// The surface of Seifert's algorithm and the Seifert form on the face loops.
//
// The smoothed diagram's circles cut the sphere into regions; the bands of a region cut it into
// faces of the diagram. A region with k circles and m bands has m - k + 2 faces, and the loops
// around all but one of them (each loop runs around its face, on the discs of the circles along
// its sides and through the bands at its band corners) form a basis of H_1 of the surface:
// c - s + 1 loops in all. The faces are oriented with the face on the left. With one face chosen as
// the point at infinity, every circle bounds a disc on the side away from it (discs nested inside
// others lie above them). Then lk(a_f, a_g^+) is the sum of
//  - for every band whose two band corners are different faces B (behind the band) and A (ahead):
//    -sign/2 on the diagonal entries of B and of A, (sign - 1)/2 at (B, A), (sign + 1)/2 at (A, B);
//    a band with the same face on both corners (a bridge, as at a kink) contributes nothing;
//  - for every circle, every run g of a face on the outer side (the side of infinity) and every
//    run f of a face on the inner side: the intersection number of the two runs as chords of
//    the circle's disc, at (g, f): +1 when, along the circle from g's entry, f's exit comes before
//    g's exit and f's entry after it; -1 when f's entry comes before g's exit and f's exit after.
// Loops of faces in different regions meet only along a circle between the regions, and loops
// of one region only at their common bands, so these are all the crossings of a_f with a_g^+.
class SeifertSurface {
  public:
    explicit SeifertSurface(const Diagram& d) : d_(d) {
        faceOfDart_ = FaceOfDart(d, faces_);
        circles_ = SeifertCircles(d);
    }

    int Faces() const { return faces_; }
    int CircleCount() const { return static_cast<int>(circles_.length.size()); }

    // v := V on the basis of face loops; false when circles and regions do not form a tree (a
    // code that is not planar).
    bool Compute(std::vector<std::vector<int64_t>>& v) {
        if (!FindRegions()) return false;
        ChooseBasis();
        const std::size_t g = static_cast<std::size_t>(basisSize_);
        twiceV_.assign(g, std::vector<int64_t>(g, 0));
        AddBandTerms();
        AddCircleTerms();
        v.assign(g, std::vector<int64_t>(g, 0));
        for (std::size_t i = 0; i < g; ++i)
            for (std::size_t j = 0; j < g; ++j) v[i][j] = twiceV_[i][j] / 2;
        return true;
    }

  private:
    int FaceAt(int crossing, int corner) const {
        return faceOfDart_[static_cast<std::size_t>(4 * crossing + corner)];
    }

    // Regions: faces joined across bands. Every circle has one region on each side, and circles
    // and regions form a tree (each circle separates the sphere); the tree is rooted at the
    // region of face 0, so a circle's outer side is the side nearer the root.
    bool FindRegions() {
        std::vector<int> parent(static_cast<std::size_t>(faces_));
        std::iota(parent.begin(), parent.end(), 0);
        for (int x = 0; x < d_.n; ++x) {
            const auto [behind, ahead] = BandCorners(d_, x);
            parent[static_cast<std::size_t>(FindRoot(parent, FaceAt(x, behind)))] =
                FindRoot(parent, FaceAt(x, ahead));
        }
        regionOfFace_.assign(static_cast<std::size_t>(faces_), -1);
        regions_ = 0;
        std::vector<int> regionOfRoot(static_cast<std::size_t>(faces_), -1);
        for (int f = 0; f < faces_; ++f) {
            int& r = regionOfRoot[static_cast<std::size_t>(FindRoot(parent, f))];
            if (r < 0) r = regions_++;
            regionOfFace_[static_cast<std::size_t>(f)] = r;
        }
        const std::size_t s = circles_.length.size();
        if (regions_ != static_cast<int>(s) + 1) return false;
        // The regions on the left and on the right of each circle.
        std::vector<std::array<int, 2>> sides(s, {-1, -1});
        for (std::size_t label = 0; label < d_.ends.size(); ++label) {
            const auto& e = d_.ends[label];
            const bool firstOut = !d_.incoming[static_cast<std::size_t>(e[0].crossing)]
                                              [static_cast<std::size_t>(e[0].position)];
            const End out = firstOut ? e[0] : e[1];
            const End in = firstOut ? e[1] : e[0];
            const std::size_t circle = static_cast<std::size_t>(circles_.ofLabel[label]);
            sides[circle][0] = RegionOfDart(4 * out.crossing + out.position);
            sides[circle][1] = RegionOfDart(4 * in.crossing + in.position);
        }
        // Breadth-first through the tree from the root region.
        outerIsLeft_.assign(s, false);
        std::vector<bool> reached(s, false);
        std::vector<int> queue{regionOfFace_[0]};
        std::vector<bool> regionSeen(static_cast<std::size_t>(regions_), false);
        regionSeen[static_cast<std::size_t>(regionOfFace_[0])] = true;
        for (std::size_t next = 0; next < queue.size(); ++next) {
            const int region = queue[next];
            for (std::size_t c = 0; c < s; ++c) {
                if (reached[c] || (sides[c][0] != region && sides[c][1] != region)) continue;
                reached[c] = true;
                outerIsLeft_[c] = sides[c][0] == region;
                const int other = outerIsLeft_[c] ? sides[c][1] : sides[c][0];
                if (regionSeen[static_cast<std::size_t>(other)]) return false;
                regionSeen[static_cast<std::size_t>(other)] = true;
                queue.push_back(other);
            }
        }
        return std::all_of(reached.begin(), reached.end(), [](bool r) { return r; });
    }

    int RegionOfDart(int dart) const {
        return regionOfFace_[static_cast<std::size_t>(faceOfDart_[static_cast<std::size_t>(dart)])];
    }

    // All faces but the first one of each region.
    void ChooseBasis() {
        basisIndex_.assign(static_cast<std::size_t>(faces_), -1);
        std::vector<bool> regionDropped(static_cast<std::size_t>(regions_), false);
        basisSize_ = 0;
        for (int f = 0; f < faces_; ++f) {
            const std::size_t r =
                static_cast<std::size_t>(regionOfFace_[static_cast<std::size_t>(f)]);
            if (!regionDropped[r]) {
                regionDropped[r] = true;
                continue;
            }
            basisIndex_[static_cast<std::size_t>(f)] = basisSize_++;
        }
    }

    void AddTwice(int rowFace, int columnFace, int64_t value) {
        const int i = basisIndex_[static_cast<std::size_t>(rowFace)];
        const int j = basisIndex_[static_cast<std::size_t>(columnFace)];
        if (i < 0 || j < 0) return;
        twiceV_[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] += value;
    }

    void AddBandTerms() {
        for (int x = 0; x < d_.n; ++x) {
            const auto [behindCorner, aheadCorner] = BandCorners(d_, x);
            const int behind = FaceAt(x, behindCorner);
            const int ahead = FaceAt(x, aheadCorner);
            if (behind == ahead) continue;
            const int sign = d_.sign[static_cast<std::size_t>(x)];
            AddTwice(behind, behind, -sign);
            AddTwice(ahead, ahead, -sign);
            AddTwice(behind, ahead, sign - 1);
            AddTwice(ahead, behind, sign + 1);
        }
    }

    // The runs of every face along the circles, between consecutive band corners.
    std::vector<Passage> Passages() const {
        std::vector<Passage> passages;
        std::vector<bool> done(static_cast<std::size_t>(4 * d_.n), false);
        for (int start = 0; start < 4 * d_.n; ++start) {
            if (done[static_cast<std::size_t>(start)]) continue;
            // The darts of this face in order, and after each dart the corner it arrives in.
            std::vector<int> darts;
            std::vector<std::pair<int, int>> corners;  // crossing, corner
            for (int dart = start; !done[static_cast<std::size_t>(dart)];) {
                done[static_cast<std::size_t>(dart)] = true;
                darts.push_back(dart);
                const int arrival = d_.OtherEnd(dart);
                const int corner = (arrival % 4 + 3) % 4;
                corners.emplace_back(arrival / 4, corner);
                dart = 4 * (arrival / 4) + corner;
            }
            AppendPassages(darts, corners, passages);
        }
        return passages;
    }

    void AppendPassages(const std::vector<int>& darts,
                        const std::vector<std::pair<int, int>>& corners,
                        std::vector<Passage>& passages) const {
        const std::size_t k = darts.size();
        std::size_t firstBand = k;
        for (std::size_t i = 0; i < k; ++i) {
            if (IsBandCorner(d_, corners[i].first, corners[i].second)) {
                firstBand = i;
                break;
            }
        }
        if (firstBand == k) return;  // a face bounded by one whole circle: alone in its region
        const int face = faceOfDart_[static_cast<std::size_t>(darts[0])];
        // Walk once around, starting after the first band corner.
        Passage run{};
        for (std::size_t step = 1; step <= k; ++step) {
            const std::size_t i = (firstBand + step) % k;
            const std::size_t before = (i + k - 1) % k;
            if (IsBandCorner(d_, corners[before].first, corners[before].second)) {
                run = Passage{};
                run.face = face;
                run.circle = circles_.ofLabel[static_cast<std::size_t>(d_.LabelAt(darts[i]))];
                run.from = corners[before].first;
                run.left = !d_.IncomingAt(darts[i]);
            }
            if (IsBandCorner(d_, corners[i].first, corners[i].second)) {
                run.to = corners[i].first;
                passages.push_back(run);
            }
        }
    }

    void AddCircleTerms() {
        const std::vector<Passage> passages = Passages();
        const std::size_t s = circles_.length.size();
        std::vector<std::vector<Passage>> outer(s), inner(s);
        for (const Passage& p : passages) {
            if (basisIndex_[static_cast<std::size_t>(p.face)] < 0 || p.from == p.to) continue;
            const std::size_t c = static_cast<std::size_t>(p.circle);
            (p.left == outerIsLeft_[c] ? outer : inner)[c].push_back(p);
        }
        for (std::size_t c = 0; c < s; ++c) {
            const int length = circles_.length[c];
            const int circle = static_cast<int>(c);
            for (const Passage& g : outer[c]) {
                const int gs = Attachment(d_, circles_, g.from, circle);
                const int ge = Attachment(d_, circles_, g.to, circle);
                for (const Passage& f : inner[c]) {
                    const int fs = Attachment(d_, circles_, f.from, circle);
                    const int fe = Attachment(d_, circles_, f.to, circle);
                    const int toGe = Mod(ge - gs, length);
                    const int toFs = Mod(fs - gs, length);
                    const int toFe = Mod(fe - gs, length);
                    if (toFe < toGe && toGe < toFs) AddTwice(g.face, f.face, 2);
                    if (toFs < toGe && toGe < toFe) AddTwice(g.face, f.face, -2);
                }
            }
        }
    }

    const Diagram& d_;
    std::vector<int> faceOfDart_;
    int faces_ = 0;
    Circles circles_;
    std::vector<int> regionOfFace_;
    int regions_ = 0;
    std::vector<bool> outerIsLeft_;
    std::vector<int> basisIndex_;
    int basisSize_ = 0;
    std::vector<std::vector<int64_t>> twiceV_;
};

// ---- Removing elementary enlargements ----

using Rows = std::vector<std::vector<int64_t>>;

int64_t Magnitude(int64_t a) {
    return a < 0 ? -a : a;  // entries stay above INT64_MIN: every step is checked
}

bool SubtractMultiple(int64_t& target, int64_t q, int64_t source) {
    int64_t product = 0;
    return !__builtin_mul_overflow(q, source, &product) &&
           !__builtin_sub_overflow(target, product, &target) &&
           target != std::numeric_limits<int64_t>::min();
}

// The congruence e_j -> e_j - q e_a: row j -= q row a, then column j -= q column a.
bool ChangeBasis(Rows& v, std::size_t j, std::size_t a, int64_t q) {
    for (std::size_t c = 0; c < v.size(); ++c)
        if (!SubtractMultiple(v[j][c], q, v[a][c])) return false;
    for (std::size_t r = 0; r < v.size(); ++r)
        if (!SubtractMultiple(v[r][j], q, v[r][a])) return false;
    return true;
}

void Transpose(Rows& v) {
    for (std::size_t i = 0; i < v.size(); ++i)
        for (std::size_t j = i + 1; j < v.size(); ++j) std::swap(v[i][j], v[j][i]);
}

void RemoveIndices(Rows& v, std::size_t first, std::size_t second) {
    for (const std::size_t index : {std::max(first, second), std::min(first, second)}) {
        v.erase(v.begin() + static_cast<std::ptrdiff_t>(index));
        for (auto& row : v) row.erase(row.begin() + static_cast<std::ptrdiff_t>(index));
    }
}

// Row k of V is zero, so column k is primitive (V - V^T is unimodular). Basis changes among the
// other vectors run Euclid's algorithm on column k until it holds a single entry ±1, at row a;
// then V is an elementary enlargement (row k zero, column k zero but for ±1 at a) of the matrix
// without rows and columns a and k, which replaces it. False when an entry would leave the
// 64-bit range or column k is not primitive.
bool RemoveEnlargementAtZeroRow(Rows& v, std::size_t k) {
    const std::size_t n = v.size();
    while (true) {
        std::size_t a = n;
        for (std::size_t j = 0; j < n; ++j) {
            if (j == k || v[j][k] == 0) continue;
            if (a == n || Magnitude(v[j][k]) < Magnitude(v[a][k])) a = j;
        }
        if (a == n) return false;
        bool single = true;
        for (std::size_t j = 0; j < n; ++j) {
            if (j == k || j == a || v[j][k] == 0) continue;
            single = false;
            if (!ChangeBasis(v, j, a, v[j][k] / v[a][k])) return false;
        }
        if (!single) continue;
        if (Magnitude(v[a][k]) != 1) return false;
        RemoveIndices(v, a, k);
        return true;
    }
}

bool ZeroRow(const Rows& v, std::size_t k) {
    return std::all_of(v[k].begin(), v[k].end(), [](int64_t e) { return e == 0; });
}

// One elementary enlargement removed at a zero row or a zero column, if there is one.
bool RemoveOneEnlargement(Rows& v) {
    for (const bool transposed : {false, true}) {
        if (transposed) Transpose(v);
        for (std::size_t k = 0; k < v.size(); ++k) {
            if (!ZeroRow(v, k)) continue;
            Rows trial = v;
            if (RemoveEnlargementAtZeroRow(trial, k)) {
                v = std::move(trial);
                if (transposed) Transpose(v);
                return true;
            }
        }
        if (transposed) Transpose(v);
    }
    return false;
}

BigMatrix BigOf(const Rows& v, bool transposed) {
    const int n = static_cast<int>(v.size());
    BigMatrix big(n, n);
    for (std::size_t i = 0; i < v.size(); ++i) {
        for (std::size_t j = 0; j < v.size(); ++j) {
            fmpz_set_si(transposed ? big(static_cast<int>(j) + 1, static_cast<int>(i) + 1)
                                   : big(static_cast<int>(i) + 1, static_cast<int>(j) + 1),
                        v[i][j]);
        }
    }
    return big;
}

// A primitive w with w^T V = 0, in 64 bits; false when V is non-singular (or w does not fit).
bool LeftNullVector(const Rows& v, std::vector<int64_t>& w) {
    const int n = static_cast<int>(v.size());
    const BigMatrix transposed = BigOf(v, true);
    BigMatrix kernel(n, n);
    if (fmpz_mat_nullspace(kernel.get(), transposed.get()) == 0) return false;
    BigInt content;
    for (int i = 1; i <= n; ++i) fmpz_gcd(content.get(), content.get(), kernel(i, 1));
    w.assign(static_cast<std::size_t>(n), 0);
    BigInt entry;
    for (int i = 1; i <= n; ++i) {
        fmpz_divexact(entry.get(), kernel(i, 1), content.get());
        if (!entry.FitsInt64() || entry.ToInt64() == std::numeric_limits<int64_t>::min())
            return false;
        w[static_cast<std::size_t>(i - 1)] = entry.ToInt64();
    }
    return true;
}

// For singular V: a primitive w with w^T V = 0 becomes a basis vector by Euclid's algorithm on
// its coordinates. The congruence e_j -> e_j - q e_a changes the coordinates of w to
// w_a + q w_j, so reducing every other coordinate modulo the smallest one ends at a single ±1
// at some k, and row k of V is then zero: an elementary enlargement goes
// (RemoveEnlargementAtZeroRow). False when V is non-singular or an entry leaves 64 bits.
bool RemoveEnlargementAtNullVector(Rows& v) {
    std::vector<int64_t> w;
    if (!LeftNullVector(v, w)) return false;
    const std::size_t n = v.size();
    Rows trial = v;
    while (true) {
        std::size_t pivot = n;
        for (std::size_t j = 0; j < n; ++j) {
            if (w[j] != 0 && (pivot == n || Magnitude(w[j]) < Magnitude(w[pivot]))) pivot = j;
        }
        bool single = true;
        for (std::size_t a = 0; a < n; ++a) {
            if (a == pivot || w[a] == 0) continue;
            single = false;
            const int64_t q = -(w[a] / w[pivot]);
            if (!ChangeBasis(trial, pivot, a, q)) return false;
            w[a] += q * w[pivot];  // |w[a]| < |w[pivot]| now: no overflow
        }
        if (!single) continue;
        if (!RemoveEnlargementAtZeroRow(trial, pivot)) return false;
        v = std::move(trial);
        return true;
    }
}

}  // namespace

bool DtToPd(const std::vector<int>& code, std::vector<PdCrossing>& pd, std::string& error) {
    pd.clear();
    const int n = static_cast<int>(code.size());
    if (n > MaxDiagramCrossings) {
        error = "diagram with more than " + std::to_string(MaxDiagramCrossings) + " crossings.";
        return false;
    }
    std::vector<int> crossingAt(static_cast<std::size_t>(2 * n), -1);  // passage - 1 -> crossing
    std::vector<bool> overAtOdd(static_cast<std::size_t>(n), false);
    for (int i = 0; i < n; ++i) {
        const int64_t even = code[static_cast<std::size_t>(i)] < 0
                                 ? -int64_t{code[static_cast<std::size_t>(i)]}
                                 : int64_t{code[static_cast<std::size_t>(i)]};
        if (even < 2 || even > 2 * n || even % 2 != 0 ||
            crossingAt[static_cast<std::size_t>(even - 1)] >= 0) {
            error = "DT entries must be the even numbers 2 to " + std::to_string(2 * n) +
                    " in some order, each once, with signs.";
            return false;
        }
        crossingAt[static_cast<std::size_t>(2 * i)] = i;
        crossingAt[static_cast<std::size_t>(even - 1)] = i;
        overAtOdd[static_cast<std::size_t>(i)] = code[static_cast<std::size_t>(i)] > 0;
    }
    std::vector<int> side;
    if (!CrossingSides(crossingAt, overAtOdd, side)) {
        error = "not realisable as a planar diagram.";
        return false;
    }
    pd = DtDiagram(crossingAt, overAtOdd, side);
    return true;
}

DiagramConversion PdToMatrixText(const std::vector<PdCrossing>& pd) {
    if (static_cast<int>(pd.size()) > MaxDiagramCrossings) {
        return Refused("diagram with more than " + std::to_string(MaxDiagramCrossings) +
                       " crossings.");
    }
    DiagramConversion result;
    if (pd.empty()) {
        result.ok = true;
        result.matrixLine = "[]";
        result.circles = 1;
        return result;
    }
    Diagram d;
    if (std::string error = CheckLabels(pd, d); !error.empty()) return Refused(error);
    if (!OrientStrands(d)) {
        return Refused(
            "the PD code gives its strands no consistent direction: an edge must run "
            "from the outgoing end of one strand to the incoming end of the next.");
    }
    if (const int components = Components(d); components > 1) {
        return Refused("not a knot: the diagram has " + std::to_string(components) + " components");
    }
    if (std::string error = CheckConsecutive(d); !error.empty()) return Refused(error);
    SeifertSurface surface(d);
    std::vector<std::vector<int64_t>> v;
    if (surface.Faces() != d.n + 2 || !surface.Compute(v)) {
        return Refused("not realisable as a planar diagram.");
    }
    result.ok = true;
    result.matrixLine = RowsText(v);
    result.rows = static_cast<int>(v.size());
    result.matrix = std::move(v);
    result.crossings = d.n;
    result.circles = surface.CircleCount();
    return result;
}

std::size_t DiagramKeyword(std::string_view line) {
    const std::size_t pd = line.find("PD[");
    const std::size_t dt = line.find("DT[");
    return std::min(pd, dt);
}

bool DiagramCrossings(std::string_view line, std::vector<PdCrossing>& pd, std::string& error) {
    pd.clear();
    const std::size_t keyword = DiagramKeyword(line);
    if (keyword == std::string_view::npos) {
        error = "no diagram (no \"PD[\" or \"DT[\").";
        return false;
    }
    const bool isPd = line[keyword] == 'P';
    std::string_view body;
    if (!ClosedBody(line.substr(keyword + 3), body)) {
        error = std::string(isPd ? "PD" : "DT") + " code without closing \"]\".";
        return false;
    }
    if (isPd) return ParsePd(body, pd, error);
    std::vector<int> code;
    return ParseDt(body, code, error) && DtToPd(code, pd, error);
}

DiagramConversion DiagramToMatrixText(std::string_view line) {
    std::vector<PdCrossing> pd;
    std::string error;
    if (!DiagramCrossings(line, pd, error)) return Refused(error);
    return PdToMatrixText(pd);
}

PdCrossing ChangedCrossing(const PdCrossing& x, int crossingCount) {
    const auto [a, b, c, d] = x;
    const bool positive = Mod(int64_t{b} - d, 2 * crossingCount) == 1;
    // The over-strand becomes the under-strand: the tuple starts at its incoming end.
    return positive ? PdCrossing{d, a, b, c} : PdCrossing{b, c, d, a};
}

std::vector<PdCrossing> BraidClosurePd(const std::vector<int64_t>& word) {
    const std::size_t n = word.size();
    if (n == 0) return {};
    const int edges = static_cast<int>(2 * n);
    // Follow the closed braid from the left strand of the first crossing, top to bottom and
    // round through the closure: every crossing is passed twice, each passage ends an edge.
    struct Ends {
        int leftIn = 0, leftOut = 0, rightIn = 0, rightOut = 0;  // the strand from the left column
    };
    std::vector<Ends> ends(n);
    int64_t column = word[0] < 0 ? -word[0] : word[0];
    std::size_t time = 0;
    int label = 1;
    for (int passage = 0; passage < edges; ++passage) {
        std::size_t t = time;
        for (std::size_t step = 0; step < n; ++step, t = (t + 1) % n) {
            const int64_t c = word[t] < 0 ? -word[t] : word[t];
            if (c == column || c + 1 == column) break;
        }
        const int64_t c = word[t] < 0 ? -word[t] : word[t];
        const int next = label % edges + 1;
        if (column == c) {
            ends[t].leftIn = label;
            ends[t].leftOut = next;
            column = c + 1;
        } else {
            ends[t].rightIn = label;
            ends[t].rightOut = next;
            column = c;
        }
        label = next;
        time = (t + 1) % n;
    }
    // Drawn with time downwards and columns to the right, a positive letter puts the strand from
    // the left column under: counterclockwise from its incoming end come the outgoing end of the
    // other strand, its own outgoing end and the other's incoming end, and the other strand runs
    // d -> b. A negative letter puts the strand from the right column under.
    std::vector<PdCrossing> pd(n);
    for (std::size_t t = 0; t < n; ++t) {
        const Ends& e = ends[t];
        pd[t] = word[t] > 0 ? PdCrossing{e.leftIn, e.rightOut, e.leftOut, e.rightIn}
                            : PdCrossing{e.rightIn, e.leftIn, e.rightOut, e.leftOut};
    }
    return pd;
}

DiagramConversion DiagramLineToMatrixLine(std::string_view line, int maxRows) {
    DiagramConversion converted = DiagramToMatrixText(line);
    if (!converted.ok) return converted;
    if (converted.rows > maxRows) {
        // Elementary enlargements at zero rows and columns first: cheap, and often all there is;
        // then at the null vectors of V while it is singular.
        Rows v = std::move(converted.matrix);
        while (static_cast<int>(v.size()) > maxRows && RemoveOneEnlargement(v)) {
        }
        while (static_cast<int>(v.size()) > maxRows && RemoveEnlargementAtNullVector(v)) {
        }
        if (static_cast<int>(v.size()) > maxRows) {
            const std::string before = "the diagram's Seifert matrix has " +
                                       std::to_string(converted.rows) + " rows and reduces by " +
                                       "S-equivalence to ";
            const std::string after =
                std::to_string(v.size()) + " rows, more than " + std::to_string(maxRows) + ".";
            if (BigDeterminant(BigOf(v, false)).Sign() != 0)
                return Refused(before + "a non-singular matrix of " + after);
            return Refused(before +
                           "a singular matrix whose reduction would leave 64-bit "
                           "entries at " +
                           after);
        }
        converted.matrixLine = RowsText(v);
        converted.rows = static_cast<int>(v.size());
        converted.matrix = std::move(v);
    }
    converted.matrixLine.insert(0, line.substr(0, DiagramKeyword(line)));
    return converted;
}

std::string PdMatrixText(const std::vector<std::array<int64_t, 4>>& crossings) {
    std::vector<PdCrossing> pd;
    for (const auto& x : crossings) {
        PdCrossing c{};
        for (std::size_t k = 0; k < 4; ++k) {
            if (x[k] < 1 || x[k] > std::numeric_limits<int>::max()) return {};
            c[k] = static_cast<int>(x[k]);
        }
        pd.push_back(c);
    }
    const DiagramConversion converted = PdToMatrixText(pd);
    return converted.ok ? converted.matrixLine : std::string();
}

}  // namespace corvane
