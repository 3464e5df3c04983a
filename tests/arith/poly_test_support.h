// Helpers of the polynomial matrix and Alexander polynomial tests: building polynomials and
// matrices from integer lists, exact integer determinants by fraction-free elimination, exact
// evaluation of integral polynomials, and the bracket matrix notation of the test data files.
// Nothing here uses the polynomial matrix routines under test.
#pragma once

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "arith/int_matrix.h"
#include "arith/poly_matrix.h"
#include "arith/polynomial.h"

namespace corvane::polytest {

using i128 = __int128;

// Σ coefficients[i]·t^i with integer coefficients.
inline RatPoly IntPoly(const std::vector<int64_t>& coefficients) {
    RatPoly p;
    for (size_t i = 0; i < coefficients.size(); ++i) {
        p.c(static_cast<int64_t>(i)) = Rational{coefficients[i], 1};
    }
    p.degree = PolyDegree(p);
    return p;
}

// The n × n polynomial matrix with the given entries, row by row.
inline PolyMatrix MatrixOf(const std::vector<std::vector<std::vector<int64_t>>>& rows) {
    PolyMatrix m;
    for (size_t i = 0; i < rows.size(); ++i) {
        for (size_t j = 0; j < rows[i].size(); ++j) {
            m(static_cast<int>(i) + 1, static_cast<int>(j) + 1) = IntPoly(rows[i][j]);
        }
    }
    return m;
}

// The coefficients of p from t^0 to t^degree as integers; throws unless every coefficient is an
// integer.
inline std::vector<int64_t> IntegerCoefficients(const RatPoly& p) {
    std::vector<int64_t> out;
    for (int64_t i = 0; i <= p.degree; ++i) {
        const Rational q = p.c(i);
        if (q.den == 0 || q.num % q.den != 0) throw std::runtime_error("non-integral coefficient");
        out.push_back(q.num / q.den);
    }
    return out;
}

inline i128 Evaluate(const std::vector<int64_t>& coefficients, i128 t) {
    i128 value = 0;
    for (size_t i = coefficients.size(); i-- > 0;) value = value * t + coefficients[i];
    return value;
}

// det of a square integer matrix by Bareiss' fraction-free elimination (every division exact).
inline i128 IntegerDeterminant(std::vector<std::vector<i128>> a) {
    const size_t n = a.size();
    i128 previous = 1;
    int sign = 1;
    for (size_t k = 0; k < n; ++k) {
        size_t pivot = k;
        while (pivot < n && a[pivot][k] == 0) ++pivot;
        if (pivot == n) return 0;
        if (pivot != k) {
            std::swap(a[pivot], a[k]);
            sign = -sign;
        }
        for (size_t i = k + 1; i < n; ++i) {
            for (size_t j = k + 1; j < n; ++j) {
                const i128 num = a[k][k] * a[i][j] - a[i][k] * a[k][j];
                if (num % previous != 0) throw std::logic_error("inexact Bareiss division");
                a[i][j] = num / previous;
            }
        }
        previous = a[k][k];
    }
    return n == 0 ? 1 : sign * previous;
}

// A knot or test matrix of a data file: name, size and entries.
struct NamedMatrix {
    std::string name;
    int n = 0;
    IntMatrix v;
    std::vector<std::string> extraFields;  // the tab-separated fields after the matrix
};

// Splits a line at tabs.
inline std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

// Parses "[[a, b], [c, d]]" into a square matrix; throws on anything else.
inline std::pair<int, IntMatrix> ParseBracketMatrix(const std::string& text) {
    std::vector<std::vector<int64_t>> rows;
    int depth = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '[') {
            if (++depth == 2) rows.emplace_back();
        } else if (ch == ']') {
            --depth;
        } else if (ch == '-' || (ch >= '0' && ch <= '9')) {
            if (depth != 2) throw std::runtime_error("number outside a row: " + text);
            size_t used = 0;
            rows.back().push_back(std::stoll(text.substr(i), &used));
            i += used - 1;
        }
    }
    IntMatrix m;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].size() != rows.size()) throw std::runtime_error("not square: " + text);
        for (size_t j = 0; j < rows.size(); ++j) {
            m(static_cast<int>(i) + 1, static_cast<int>(j) + 1) = rows[i][j];
        }
    }
    return {static_cast<int>(rows.size()), m};
}

// The tab-separated fields of every line of a data file but '%' comments and empty lines.
inline std::vector<std::vector<std::string>> ReadDataLines(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::vector<std::vector<std::string>> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '%') continue;
        lines.push_back(SplitTabs(line));
    }
    return lines;
}

// Lines "name<TAB>[[...]]<TAB>..." of a data file; '%' lines and empty lines are skipped.
inline std::vector<NamedMatrix> ReadNamedMatrices(const std::string& path) {
    std::vector<NamedMatrix> out;
    for (const std::vector<std::string>& fields : ReadDataLines(path)) {
        if (fields.size() < 2) throw std::runtime_error("no matrix in: " + fields[0]);
        NamedMatrix entry;
        entry.name = fields[0];
        std::tie(entry.n, entry.v) = ParseBracketMatrix(fields[1]);
        entry.extraFields.assign(fields.begin() + 2, fields.end());
        out.push_back(entry);
    }
    return out;
}

// "1,-3,1" as integers.
inline std::vector<int64_t> ParseIntegerList(const std::string& text) {
    std::vector<int64_t> values;
    size_t start = 0;
    while (start < text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        values.push_back(std::stoll(text.substr(start, comma - start)));
        start = comma + 1;
    }
    return values;
}

}  // namespace corvane::polytest
