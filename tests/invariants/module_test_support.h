// Helpers for the tests of the Alexander module: one knot set up as the invariant sequence
// leaves it after the Alexander polynomial, a host that keeps the result lines, readers of the
// data files and a parser of the text forms of polynomials and generators.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "arith/checked.h"
#include "invariants/alexander.h"
#include "knot/knot_context.h"

namespace corvane::test {

inline std::string DataPath(const std::string& file) {
    return std::string(CORVANE_TEST_DATA_DIR) + "/" + file;
}

class KeepLinesHost : public RunHost {
  public:
    void DrawText(int, int, std::string_view text, StatusKind kind) override {
        if (kind == StatusKind::Result) {
            std::string line(text);
            line.erase(line.find_last_not_of(' ') + 1);
            lines.push_back(line);
        }
    }
    std::vector<std::string> lines;
};

// One knot V (n × n) in a context of its own, after steps 1-2 of the sequence: the initial
// result-slot layout, the Alexander polynomial and its forms, DetBlockSize, lowerBound 1,
// Nakanishi bounds 1 and -1.
struct OneKnotRun {
    KeepLinesHost host;
    KnotContext ctx{host};
    KnotState& state = ctx.state;

    OneKnotRun(const IntMatrix& v, int n) {
        KnotRecord& knot = state.record;
        knot.name = "K";
        knot.size = n;
        ApplyInitialResultLayout(knot);
        state.WorkingMatrix = v;
        state.WorkingSize = n;
        const AlexanderResult alexander = AlexanderPolynomial(v, n, false);
        state.DetBlockSize = alexander.DetBlockSize;
        state.AlexanderPoly = PolyNormSigns(alexander.out);
        state.AlexanderLaurent =
            LaurentFromPoly(state.AlexanderPoly, -state.AlexanderPoly.degree / 2);
        ClearTrouble();
        knot.lowerBound = 1;
        knot.nakanishiLower = 1;
        knot.nakanishiUpper = -1;
    }
    KnotRecord& knot() { return state.record; }
    std::string TextField(const std::string& tag) {
        for (const std::string& slot : knot().textFields) {
            if (slot.rfind(tag, 0) == 0) return slot.substr(0, slot.find_last_not_of(' ') + 1);
        }
        return "";
    }
};

// A polynomial written by PolyToText ("1-t+t^2", "-3t^2", "0"), integral coefficients.
inline RatPoly ParsePoly(const std::string& text) {
    RatPoly p;
    size_t i = 0;
    while (i < text.size()) {
        int64_t sign = 1;
        if (text[i] == '+' || text[i] == '-') sign = text[i++] == '-' ? -1 : 1;
        int64_t coefficient = 1;
        if (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            size_t used = 0;
            coefficient = std::stoll(text.substr(i), &used);
            i += used;
        }
        int64_t exponent = 0;
        if (i < text.size() && text[i] == 't') {
            ++i;
            exponent = 1;
            if (i < text.size() && text[i] == '^') {
                size_t used = 0;
                exponent = std::stoll(text.substr(++i), &used);
                i += used;
            }
        }
        p.c(exponent).num += sign * coefficient;
    }
    p.degree = PolyDegree(p);
    return p;
}

// "(p1,p2,...)" as written by PolyVectorText.
inline PolyVector ParsePolyVector(const std::string& text, int& n) {
    PolyVector v;
    n = 0;
    std::stringstream in(text.substr(1, text.size() - 2));
    std::string item;
    while (std::getline(in, item, ',')) v(++n) = ParsePoly(item);
    return v;
}

// The matrices of random-seifert.tsv (name, matrix, reference values), without the references.
struct NamedMatrix {
    std::string name;
    int n = 0;
    IntMatrix v;
};

inline std::vector<NamedMatrix> ReadRandomSeifert(const std::string& path) {
    std::ifstream in(path);
    std::vector<NamedMatrix> out;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%' || line.rfind("name\t", 0) == 0) continue;
        const size_t tab = line.find('\t');
        const size_t end = line.find('\t', tab + 1);
        const std::string matrix = line.substr(tab + 1, end - tab - 1);
        NamedMatrix m{line.substr(0, tab), 0, IntMatrix{}};
        int row = 0;
        int col = 0;
        int depth = 0;
        for (size_t i = 0; i < matrix.size(); ++i) {
            const char ch = matrix[i];
            if (ch == '[') {
                if (++depth == 2) {
                    ++row;
                    col = 0;
                }
            } else if (ch == ']') {
                --depth;
            } else if (ch == '-' || std::isdigit(static_cast<unsigned char>(ch))) {
                size_t used = 0;
                m.v(row, ++col) = std::stoll(matrix.substr(i), &used);
                i += used - 1;
            }
        }
        m.n = row;
        out.push_back(m);
    }
    return out;
}

}  // namespace corvane::test
