// Shared helpers of the integer linear algebra tests and benchmarks: exact reference computations
// in 128-bit integers (products, determinants, ranks, characteristic polynomials, signatures), the
// knot matrix and reference files, random unimodular matrices and elementary enlargements of
// Seifert matrices. Nothing here uses the routines under test.
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "arith/int_matrix.h"

namespace corvane::test {

using i128 = __int128;
// A dense matrix of 128-bit integers, 0-based, rows of equal length.
using BigMatrix = std::vector<std::vector<i128>>;

inline i128 Add128(i128 a, i128 b) {
    i128 r;
    if (__builtin_add_overflow(a, b, &r)) throw std::overflow_error("128-bit addition");
    return r;
}

inline i128 Mul128(i128 a, i128 b) {
    i128 r;
    if (__builtin_mul_overflow(a, b, &r)) throw std::overflow_error("128-bit multiplication");
    return r;
}

inline i128 Abs128(i128 a) {
    return a < 0 ? -a : a;
}

inline std::string ToString(i128 v) {
    if (v == 0) return "0";
    const bool negative = v < 0;
    std::string digits;
    while (v != 0) {
        const int digit = static_cast<int>(v % 10);
        digits.push_back(static_cast<char>('0' + (digit < 0 ? -digit : digit)));
        v /= 10;
    }
    if (negative) digits.push_back('-');
    std::reverse(digits.begin(), digits.end());
    return digits;
}

inline BigMatrix ToBig(const IntMatrix& m, int rows, int cols) {
    BigMatrix b(rows, std::vector<i128>(cols, 0));
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) b[i][j] = m(i + 1, j + 1);
    return b;
}

inline BigMatrix BigIdentity(int n) {
    BigMatrix b(n, std::vector<i128>(n, 0));
    for (int i = 0; i < n; ++i) b[i][i] = 1;
    return b;
}

inline BigMatrix BigMul(const BigMatrix& a, const BigMatrix& b) {
    const size_t rows = a.size();
    const size_t inner = b.size();
    const size_t cols = inner == 0 ? 0 : b[0].size();
    BigMatrix c(rows, std::vector<i128>(cols, 0));
    for (size_t i = 0; i < rows; ++i)
        for (size_t k = 0; k < inner; ++k) {
            if (a[i][k] == 0) continue;
            for (size_t j = 0; j < cols; ++j) c[i][j] = Add128(c[i][j], Mul128(a[i][k], b[k][j]));
        }
    return c;
}

inline BigMatrix BigTranspose(const BigMatrix& a) {
    if (a.empty()) return {};
    BigMatrix t(a[0].size(), std::vector<i128>(a.size(), 0));
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t j = 0; j < a[0].size(); ++j) t[j][i] = a[i][j];
    return t;
}

// A + s·B.
inline BigMatrix BigCombine(const BigMatrix& a, const BigMatrix& b, i128 s) {
    BigMatrix c = a;
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t j = 0; j < a[i].size(); ++j) c[i][j] = Add128(a[i][j], Mul128(s, b[i][j]));
    return c;
}

// Fraction-free (Bareiss) elimination with row exchanges and column skipping. Every entry it
// forms is a minor of the input, and each division is exact. Returns the rank; *det receives
// the determinant when the matrix is square.
inline int BareissRank(BigMatrix a, i128* det = nullptr) {
    const int rows = static_cast<int>(a.size());
    const int cols = rows == 0 ? 0 : static_cast<int>(a[0].size());
    i128 previous = 1;
    int sign = 1;
    int rank = 0;
    for (int c = 0; c < cols && rank < rows; ++c) {
        int pivot = rank;
        while (pivot < rows && a[pivot][c] == 0) ++pivot;
        if (pivot == rows) continue;
        if (pivot != rank) {
            std::swap(a[pivot], a[rank]);
            sign = -sign;
        }
        for (int i = rank + 1; i < rows; ++i) {
            for (int j = c + 1; j < cols; ++j) {
                const i128 num = Add128(Mul128(a[rank][c], a[i][j]), -Mul128(a[i][c], a[rank][j]));
                if (num % previous != 0) throw std::logic_error("Bareiss division not exact");
                a[i][j] = num / previous;
            }
            a[i][c] = 0;
        }
        previous = a[rank][c];
        ++rank;
    }
    if (det != nullptr) *det = (rows == cols && rank == rows) ? sign * previous : 0;
    if (det != nullptr && rows == 0) *det = 1;
    return rank;
}

inline i128 BigDet(const BigMatrix& a) {
    i128 det = 0;
    BareissRank(a, &det);
    return det;
}

// Characteristic polynomial det(x·I - A) by the Faddeev-LeVerrier recursion, whose divisions are
// exact over the integers. Coefficients from x^0 up; the leading one is 1.
inline std::vector<i128> CharPoly(const BigMatrix& a) {
    const int n = static_cast<int>(a.size());
    std::vector<i128> c(n + 1, 0);
    c[n] = 1;
    BigMatrix mk(n, std::vector<i128>(n, 0));
    for (int k = 1; k <= n; ++k) {
        mk = BigMul(a, mk);
        for (int i = 0; i < n; ++i) mk[i][i] = Add128(mk[i][i], c[n - k + 1]);
        const BigMatrix amk = BigMul(a, mk);
        i128 trace = 0;
        for (int i = 0; i < n; ++i) trace = Add128(trace, amk[i][i]);
        if (trace % k != 0) throw std::logic_error("LeVerrier division not exact");
        c[n - k] = -trace / k;
    }
    return c;
}

inline int SignChanges(const std::vector<i128>& coefficients) {
    int changes = 0;
    int last = 0;
    for (const i128 c : coefficients) {
        if (c == 0) continue;
        const int s = c > 0 ? 1 : -1;
        if (last != 0 && s != last) ++changes;
        last = s;
    }
    return changes;
}

// Signature of a symmetric integer matrix. Its characteristic polynomial has only real roots, so
// Descartes' rule of signs counts the positive roots exactly (and those of p(-x) the negative).
inline int Signature(const BigMatrix& symmetric) {
    std::vector<i128> p = CharPoly(symmetric);
    const int positive = SignChanges(p);
    for (size_t i = 1; i < p.size(); i += 2) p[i] = -p[i];
    const int negative = SignChanges(p);
    return positive - negative;
}

// det(t·V - Vᵀ) at an integer t.
inline i128 AlexanderAt(const BigMatrix& v, i128 t) {
    BigMatrix m = v;
    for (size_t i = 0; i < v.size(); ++i)
        for (size_t j = 0; j < v.size(); ++j) m[i][j] = Add128(Mul128(t, v[i][j]), -v[j][i]);
    return BigDet(m);
}

inline i128 EvaluatePoly(const std::vector<int64_t>& coefficients, i128 t) {
    i128 value = 0;
    for (size_t i = coefficients.size(); i-- > 0;)
        value = Add128(Mul128(value, t), coefficients[i]);
    return value;
}

// The integer matrix of a bracket text "[[1,-2],[0,3]]" with entries within 64 bits.
inline BigMatrix FromText(const std::string& text) {
    BigMatrix rows;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '[') rows.emplace_back();
        if (text[i] == '-' || (text[i] >= '0' && text[i] <= '9')) {
            std::size_t used = 0;
            rows.back().push_back(std::stoll(text.substr(i), &used));
            i += used - 1;
        }
    }
    return rows;
}

// Whether det(tV - Vᵀ) = ±t^s Δ(t) for some s >= 0 with deg Δ + s <= n, Δ given by its
// coefficients from t^0 up: the sign and shift are found at t = 2 and 3, and the identity, of
// degree at most n, is then checked at every t in -n..n (more than the n + 1 points that decide
// it).
inline bool IsAlexanderMultiple(const BigMatrix& v, const std::vector<int64_t>& alexander) {
    const int n = static_cast<int>(v.size());
    const int spare = n + 1 - static_cast<int>(alexander.size());
    if (spare < 0) return false;
    const auto scaled = [&](i128 t, int s) {
        i128 power = 1;
        for (int i = 0; i < s; ++i) power *= t;
        return power * EvaluatePoly(alexander, t);
    };
    for (int s = 0; s <= spare; ++s) {
        for (const i128 e : {i128(1), i128(-1)}) {
            if (AlexanderAt(v, 2) != e * scaled(2, s) || AlexanderAt(v, 3) != e * scaled(3, s))
                continue;
            for (i128 t = -n; t <= n; ++t) {
                if (AlexanderAt(v, t) != e * scaled(t, s)) return false;
            }
            return true;
        }
    }
    return false;
}

// Prime-power parts of the non-zero entries, sorted: the primary decomposition of the torsion of
// the sum of the cyclic groups Z/|e|.
inline std::vector<int64_t> PrimePowerParts(const std::vector<int64_t>& entries) {
    std::vector<int64_t> parts;
    for (int64_t e : entries) {
        e = e < 0 ? -e : e;
        if (e < 2) continue;
        for (int64_t p = 2; p <= e / p; ++p) {
            int64_t power = 1;
            while (e % p == 0) {
                e /= p;
                power *= p;
            }
            if (power > 1) parts.push_back(power);
        }
        if (e > 1) parts.push_back(e);
    }
    std::sort(parts.begin(), parts.end());
    return parts;
}

inline IntMatrix FromRows(const std::vector<std::vector<int64_t>>& rows) {
    IntMatrix m;
    for (size_t i = 0; i < rows.size(); ++i)
        for (size_t j = 0; j < rows[i].size(); ++j)
            m(static_cast<int>(i) + 1, static_cast<int>(j) + 1) = rows[i][j];
    return m;
}

inline IntMatrix FromBig(const BigMatrix& b) {
    IntMatrix m;
    for (size_t i = 0; i < b.size(); ++i)
        for (size_t j = 0; j < b[i].size(); ++j) {
            if (b[i][j] > INT64_MAX || b[i][j] < INT64_MIN)
                throw std::overflow_error("entry does not fit in 64 bits");
            m(static_cast<int>(i) + 1, static_cast<int>(j) + 1) = static_cast<int64_t>(b[i][j]);
        }
    return m;
}

inline std::string Describe(const IntMatrix& m, int rows, int cols) {
    std::ostringstream out;
    out << rows << "x" << cols << " [";
    for (int i = 1; i <= rows; ++i) {
        out << (i > 1 ? "; " : "");
        for (int j = 1; j <= cols; ++j) out << (j > 1 ? " " : "") << m(i, j);
    }
    out << "]";
    return out.str();
}

inline int64_t UniformInt(std::mt19937& rng, int64_t lo, int64_t hi) {
    return std::uniform_int_distribution<int64_t>(lo, hi)(rng);
}

// A rows × cols matrix with entries in lo..hi.
inline IntMatrix RandomMatrix(std::mt19937& rng, int rows, int cols, int64_t lo, int64_t hi) {
    IntMatrix m;
    for (int i = 1; i <= rows; ++i)
        for (int j = 1; j <= cols; ++j) m(i, j) = UniformInt(rng, lo, hi);
    return m;
}

// A product of `steps` random elementary matrices (row additions with multiplier ±1, exchanges,
// negations): unimodular, with entries that stay small for a few steps.
inline IntMatrix RandomUnimodular(std::mt19937& rng, int n, int steps) {
    BigMatrix u = BigIdentity(n);
    if (n < 2) {
        if (n == 1 && UniformInt(rng, 0, 1) == 1) u[0][0] = -1;
        return FromBig(u);
    }
    for (int s = 0; s < steps; ++s) {
        const int i = static_cast<int>(UniformInt(rng, 0, n - 1));
        int j = static_cast<int>(UniformInt(rng, 0, n - 2));
        if (j >= i) ++j;
        switch (UniformInt(rng, 0, 5)) {
            case 0:
                std::swap(u[i], u[j]);
                break;
            case 1:
                for (auto& x : u[i]) x = -x;
                break;
            default: {
                const i128 q = UniformInt(rng, 0, 1) == 0 ? -1 : 1;
                for (int k = 0; k < n; ++k) u[i][k] = Add128(u[i][k], Mul128(q, u[j][k]));
            }
        }
    }
    return FromBig(u);
}

// Uᵀ·V·U, computed exactly.
inline IntMatrix Congruence(const IntMatrix& v, const IntMatrix& u, int n) {
    const BigMatrix bu = ToBig(u, n, n);
    return FromBig(BigMul(BigMul(BigTranspose(bu), ToBig(v, n, n)), bu));
}

// An elementary enlargement of the n × n matrix V to size n + 2, with a random vector ξ (entries
// in -range..range):
//   column layout [[V, ξ, 0], [0, 0, 1], [0, 0, 0]]   or   row layout [[V, 0, 0], [ξᵀ, 0, 0], [0,
//   1, 0]].
// Both are S-equivalent to V and keep V - Vᵀ unimodular.
inline IntMatrix ElementaryEnlargement(const IntMatrix& v, int n, std::mt19937& rng, bool rowLayout,
                                       int64_t range) {
    IntMatrix e;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) e(i, j) = v(i, j);
    for (int i = 1; i <= n; ++i) {
        const int64_t xi = UniformInt(rng, -range, range);
        if (rowLayout) {
            e(n + 1, i) = xi;
        } else {
            e(i, n + 1) = xi;
        }
    }
    if (rowLayout) {
        e(n + 2, n + 1) = 1;
    } else {
        e(n + 1, n + 2) = 1;
    }
    return e;
}

// A knot's Seifert matrix as listed in the knot matrix file.
struct KnotMatrix {
    std::string name;
    int n = 0;
    IntMatrix v;
};

// Parses "name<TAB>[[a, b], [c, d]]" lines; '%' lines are comments.
inline std::vector<KnotMatrix> ReadKnotMatrices(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::vector<KnotMatrix> knots;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%') continue;
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) throw std::runtime_error("no tab in: " + line);
        std::vector<std::vector<int64_t>> rows;
        int depth = 0;
        for (size_t i = tab + 1; i < line.size(); ++i) {
            const char ch = line[i];
            if (ch == '[') {
                if (++depth == 2) rows.emplace_back();
            } else if (ch == ']') {
                --depth;
            } else if (ch == '-' || (ch >= '0' && ch <= '9')) {
                size_t used = 0;
                const int64_t value = std::stoll(line.substr(i), &used);
                if (depth != 2) throw std::runtime_error("number outside a row: " + line);
                rows.back().push_back(value);
                i += used - 1;
            }
        }
        for (const auto& row : rows)
            if (row.size() != rows.size()) throw std::runtime_error("not square: " + line);
        knots.push_back({line.substr(0, tab), static_cast<int>(rows.size()), FromRows(rows)});
    }
    return knots;
}

// Reference invariants of a knot: Alexander polynomial coefficients from t^0 up with a positive
// leading coefficient, det(V + Vᵀ) with its sign, the signature of V + Vᵀ, and the Smith form of
// V + Vᵀ without the 1s.
struct KnotReference {
    std::vector<int64_t> alexander;
    int64_t det = 0;
    int signature = 0;
    std::vector<int64_t> h1;
};

inline std::vector<int64_t> SplitNumbers(const std::string& text) {
    std::vector<int64_t> values;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
        if (item.find_first_not_of(" \t") != std::string::npos) values.push_back(std::stoll(item));
    return values;
}

inline std::map<std::string, KnotReference> ReadKnotReferences(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::map<std::string, KnotReference> references;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%' || line.rfind("name\t", 0) == 0) continue;
        std::vector<std::string> fields;
        std::stringstream fieldStream(line);
        std::string field;
        while (std::getline(fieldStream, field, '\t')) fields.push_back(field);
        if (fields.size() < 4) throw std::runtime_error("short reference line: " + line);
        KnotReference r;
        r.alexander = SplitNumbers(fields[1]);
        r.det = std::stoll(fields[2]);
        r.signature = std::stoi(fields[3]);
        if (fields.size() > 4) r.h1 = SplitNumbers(fields[4]);
        references[fields[0]] = r;
    }
    return references;
}

}  // namespace corvane::test
